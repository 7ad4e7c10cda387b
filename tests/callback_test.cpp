// Middleware events delivered by the simulated middleware's own thread to
// the registered callback: the event table, the PIN variant of the wait
// message, and the cases in which the callback ignores everything.
#include <gtest/gtest.h>

#include "BriskUiManager.h"
#include "ManagerLock.h"
#include "SimTv.h"
#include "TestSupport.h"
#include "WaitMessageHandler.h"

using namespace testsupport;

namespace {

class CallbackTest : public ManagerTest {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        WriteStandardLayouts();
        StartManager();
    }
    U8 Deliver(U32 id, U32 param, sim::Source source = sim::Source::Control)
    {
        sim::PostEvent(id, param, source);
        EXPECT_TRUE(sim::WaitEventsDelivered(briskui_sim::kStuckMs));
        return sim::LastCallbackResult();
    }
    bool Visible(const char* item)
    {
        BriskManagerLock lock;
        return BriskUiManager::pWaitMessageHandler->FindTextItem(item)->GetVisible() != 0;
    }
};

TEST_F(CallbackTest, BannerEvents)
{
    std::string out = CaptureStdout([&] { EXPECT_EQ(Deliver(51, 0), 1); });
    EXPECT_NE(out.find("[MiddlewareCallback] Get MSrv Event "), std::string::npos);
    EXPECT_NE(out.find(",51,0\n[MiddlewareCallback] show banner \n"), std::string::npos) << out;
    EXPECT_TRUE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE));

    // While the wait message shows, 51 shows nothing but 295 still does.
    manager_->DisableStatus(E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE);
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE, 0);
    EXPECT_EQ(Deliver(51, 0, sim::Source::Dtv), 1);
    EXPECT_FALSE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE));
    EXPECT_EQ(Deliver(295, 0, sim::Source::Atv), 1);
    EXPECT_TRUE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE | E_BRISKUI_OSD_STATUS_WAIT_MESSAGE));
}

TEST_F(CallbackTest, QuietAndUnknownEvents)
{
    U32 before = manager_->GetCurrentStatus();
    EXPECT_EQ(Deliver(61, 0), 1);
    EXPECT_EQ(Deliver(8, 5), 0);
    EXPECT_EQ(Deliver(76, 8, sim::Source::Cimmi), 1);   // its log line: portable_test
    EXPECT_EQ(Deliver(76, 2), 1);
    EXPECT_EQ(manager_->GetCurrentStatus(), before);
}

TEST_F(CallbackTest, ScreenSaverShowsThePinVariantOfTheWaitMessage)
{
    EXPECT_EQ(Deliver(76, 3), 1);
    EXPECT_TRUE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE));
    EXPECT_FALSE(Visible("text"));
    EXPECT_TRUE(Visible("text_pincode"));
    EXPECT_TRUE(Visible("text_pincode1"));
    // Any key brings the general variant back.
    manager_->KeyHandler(0x20);   // not a routed key: nothing
    BriskUiManager::pWaitMessageHandler->KeyHandler(0);
    EXPECT_TRUE(Visible("text"));
    EXPECT_FALSE(Visible("text_pincode"));
}

TEST_F(CallbackTest, CiDataReadyChecksTheMuteFlag)
{
    sim::SetAvMuteFlag(0x0001);
    std::string out = CaptureStdout([&] { EXPECT_EQ(Deliver(114, 0, sim::Source::Cimmi), 1); });
    EXPECT_NE(out.find("[MiddlewareCallback] EV_CIMMI_UI_DATA_READY event\n"), std::string::npos);
    EXPECT_NE(out.find(" u32MuteStatus=1\n"), std::string::npos) << out;
    EXPECT_FALSE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE));
    for (U32 flag : { 0x0080u, 0x2000u, 0x4000u }) {
        manager_->DisableStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE);
        sim::SetAvMuteFlag(flag);
        EXPECT_EQ(Deliver(114, 0), 1);
        EXPECT_TRUE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE)) << flag;
    }
    manager_->DisableStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE);
    sim::SetDvbPlayerInit(false);
    EXPECT_EQ(Deliver(114, 0), 1);
    EXPECT_FALSE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE));
}

TEST_F(CallbackTest, IgnoredDuringFirstInitialisationAndWithoutTheKeys)
{
    {
        BriskManagerLock lock;
        BriskUiManager::bFirstInitialization = 1;
    }
    std::string out = CaptureStdout([&] { EXPECT_EQ(Deliver(295, 0), 0); });
    EXPECT_NE(out.find("Get MSrv Event"), std::string::npos);
    EXPECT_FALSE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE));
    {
        BriskManagerLock lock;
        BriskUiManager::bFirstInitialization = 0;
    }
    // Keys back with the host: no log line, nothing done.
    StopManager();
    sim::SetTvosIr(false);
    out = CaptureStdout([&] { EXPECT_EQ(BriskUiManager::MiddlewareCallback(nullptr, (void*)295, nullptr), 0); });
    EXPECT_EQ(out, "");
}

}   // namespace
