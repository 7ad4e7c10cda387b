// Tests of the simulated middleware: recorded call lines, the key-file seal,
// the channel and event models and Reset.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "SimTv.h"

namespace {

class SimTvTest : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
    void TearDown() override
    {
        ASSERT_TRUE(sim::WaitEventsDelivered(2000));
        sim::Reset();
    }
};

MSrv_Control* Ctl() { return MSrv_Control::GetInstance(); }

// ---- recorded calls ----------------------------------------------------------

TEST_F(SimTvTest, RecordsCallsInOrderWithUnsignedAndSignedValues)
{
    Ctl()->SetInputSource(MAPI_INPUT_SOURCE_DTV, TRUE, FALSE, FALSE);
    MSrv_Control::GetMSrvTimer()->SetTVPowerDoneTimer(0xFFFFFFFFu);
    MSrv_Control::GetMSrvFactoryCmd()->_HandleFactoryEvent(E_FACTORY_EVENT_VIDEO_EXT1, 200, 4000000000ul);
    MSrv_Control::GetMSrvSSSound()->VRL_SND_SetBalance(-7);
    MS_SAT_INFO sat{};
    sat.u8LnbPowerType = 3;
    sat.u8LnbPowerOn = 1;
    auto* dvbs = dynamic_cast<MSrv_DTV_Player_DVBS*>(MSrv_Control::GetMSrvDtv());
    ASSERT_NE(dvbs, nullptr);
    EXPECT_TRUE(dvbs->UpdateSatelliteInfo(1, sat));
    EXPECT_FALSE(dvbs->UpdateSatelliteInfo(2, sat));   // only two satellites

    const std::vector<std::string> expected = {
        "SetInputSource(28,1,0,0)", "SetTVPowerDoneTimer(4294967295)", "_HandleFactoryEvent(7,200,4000000000)",
        "VRL_SND_SetBalance(-7)",   "UpdateSatelliteInfo(1,3,1)",      "UpdateSatelliteInfo(2,3,1)"
    };
    EXPECT_EQ(sim::Calls(), expected);
    EXPECT_EQ(sim::Satellites()[1].u8LnbPowerType, 3);
    EXPECT_EQ(sim::InputSource(), MAPI_INPUT_SOURCE_DTV);
}

// ---- key files ---------------------------------------------------------------

TEST_F(SimTvTest, KeyFileSealIsCheckedAndAForcedVerdictWins)
{
    char path[] = "/tmp/simtv-sealXXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    auto write = [&](const std::string& bytes) {
        FILE* f = std::fopen(path, "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
        std::fclose(f);
    };
    std::string content;
    for (int i = 0; i < 64; ++i) content += static_cast<char>(0xC0 + i);
    const std::string sealed = sim::Sealed(content);
    ASSERT_EQ(sealed.size(), content.size() + 8);

    MSrv_PreSharedKey* psk = MSrv_Control::GetMSrvPreSharedKey();
    std::vector<unsigned char> data(8192, 0);
    write(sealed);
    EXPECT_EQ(psk->CheckHmac(path), 1);
    EXPECT_TRUE(psk->CheckHmacAndReadData(path, data.data()));
    EXPECT_EQ(data[63], 0xFF);
    EXPECT_EQ(data[64], 0);   // the seal is not part of the content

    // Any changed byte, in the content or the seal, breaks it; so does a
    // file too short to hold one.
    for (size_t at : { size_t(0), size_t(63), sealed.size() - 1 }) {
        std::string broken = sealed;
        broken[at] ^= 0x01;
        write(broken);
        EXPECT_EQ(psk->CheckHmac(path), 0) << at;
    }
    std::fill(data.begin(), data.end(), 0);
    EXPECT_FALSE(psk->CheckHmacAndReadData(path, data.data()));
    EXPECT_EQ(data[0], 0);
    write("BKS1");
    EXPECT_EQ(psk->CheckHmac(path), 0);

    // A forced verdict wins until it is cleared; forced valid, an unsealed
    // file hands over its whole content.
    write(sealed);
    sim::SetHmacValid(path, false);
    EXPECT_EQ(psk->CheckHmac(path), 0);
    sim::ClearHmacVerdict(path);
    EXPECT_EQ(psk->CheckHmac(path), 1);
    write(content);
    sim::SetHmacValid(path, true);
    EXPECT_EQ(psk->CheckHmac(path), 1);
    EXPECT_TRUE(psk->CheckHmacAndReadData(path, data.data()));
    EXPECT_EQ(data[44], 0xEC);   // past the first 16 bytes: the receiver id lives at 40..44
    EXPECT_EQ(data[63], 0xFF);
    EXPECT_EQ(data[64], 0);
    unlink(path);
}

// ---- channels ----------------------------------------------------------------

std::string CurrentName()
{
    ST_PROGRAM_INFO info{};
    if (!MSrv_Control::GetMSrvChannelManager()->GetProgramInfo(&info)) return "<fail>";
    return std::to_string(info.u32Number) + " " + info.sServiceName;
}

TEST_F(SimTvTest, ProgramUpDownWrapWithinCurrentSourceList)
{
    MSrv_ChannelManager* cm = MSrv_Control::GetMSrvChannelManager();
    EXPECT_EQ(CurrentName(), "1 BBC One");
    cm->ProgramDown();
    EXPECT_EQ(CurrentName(), "12 Film4");
    cm->ProgramUp();
    cm->ProgramUp();
    EXPECT_EQ(CurrentName(), "2 BBC Two");

    sim::SetInputSource(MAPI_INPUT_SOURCE_ATV);
    EXPECT_EQ(CurrentName(), "1 ATV 1");
    cm->ProgramDown();
    EXPECT_EQ(CurrentName(), "3 ATV 3");
    EXPECT_EQ(MSrv_Control::GetMSrvAtv()->GetCurrentProgramNumber(), 2);

    sim::SetInputSource(MAPI_INPUT_SOURCE_DTV);   // DTV kept its own position
    EXPECT_EQ(CurrentName(), "2 BBC Two");
}

TEST_F(SimTvTest, SelectProgramAndProgramInfoEdgeCases)
{
    MSrv_ChannelManager* cm = MSrv_Control::GetMSrvChannelManager();
    EXPECT_TRUE(cm->SelectProgram(7, 1));
    EXPECT_EQ(CurrentName(), "7 News");
    EXPECT_FALSE(cm->SelectProgram(8, 1));
    EXPECT_FALSE(cm->SelectProgram(3, 0));   // ATV has indices 0..2
    EXPECT_EQ(CurrentName(), "7 News");
    EXPECT_TRUE(sim::Called("SelectProgram(8,1)"));

    sim::Channel longName;
    longName.number = 99;
    longName.name = std::string(100, 'x');
    longName.hideNumber = true;
    sim::SetDtvChannels({ longName });
    ST_PROGRAM_INFO info;
    std::memset(&info, 0x7F, sizeof info);
    ASSERT_TRUE(cm->GetProgramInfo(&info));
    EXPECT_EQ(std::strlen(info.sServiceName), sizeof info.sServiceName - 1);
    EXPECT_EQ(info.u8HideNumber, 1);

    EXPECT_FALSE(sim::SetCurrentChannelIndex(1));   // one channel left
    EXPECT_EQ(sim::CurrentChannelCount(), 1u);
    EXPECT_TRUE(sim::SetCurrentChannelIndex(0));
}

// ---- events ------------------------------------------------------------------

struct Seen {
    std::atomic<int> count{ 0 };
    std::atomic<void*> owner{ nullptr };
    std::atomic<uintptr_t> id{ 0 };
    std::atomic<uintptr_t> param{ 0 };
};
Seen g_seen;

U8 CountingCallback(void* owner, void* id, void* param)
{
    g_seen.owner = owner;
    g_seen.id = reinterpret_cast<uintptr_t>(id);
    g_seen.param = reinterpret_cast<uintptr_t>(param);
    ++g_seen.count;
    return 7;
}

TEST_F(SimTvTest, EventsReachOnlyTheirSourceWithArguments)
{
    g_seen.count = 0;
    MSrv_ATV_Player* atv = MSrv_Control::GetMSrvAtv();
    ASSERT_TRUE(atv->AddEventRecipient(CountingCallback));
    EXPECT_EQ(sim::Recipients(sim::Source::Atv), 1u);
    EXPECT_EQ(sim::Recipients(sim::Source::Control), 0u);

    sim::PostEvent(EV_BRISKUI_SHOW_BANNER, 3, sim::Source::Control);
    sim::PostEvent(EV_SCREEN_SAVER_MODE, 0xFFFFFFFFu, sim::Source::Atv);
    ASSERT_TRUE(sim::WaitEventsDelivered(2000));
    EXPECT_EQ(g_seen.count, 1);
    EXPECT_EQ(g_seen.owner, static_cast<void*>(static_cast<MSrv*>(atv)));
    EXPECT_EQ(g_seen.id, static_cast<uintptr_t>(EV_SCREEN_SAVER_MODE));
    EXPECT_EQ(g_seen.param, 0xFFFFFFFFu);
    EXPECT_EQ(sim::LastCallbackResult(), 7);

    EXPECT_TRUE(atv->RemoveEventRecipient(CountingCallback));
    EXPECT_FALSE(atv->RemoveEventRecipient(CountingCallback));
    sim::PostEvent(EV_SCREEN_SAVER_MODE, 0, sim::Source::Atv);
    ASSERT_TRUE(sim::WaitEventsDelivered(2000));
    EXPECT_EQ(g_seen.count, 1);
}

TEST_F(SimTvTest, EventThreadRestartsAfterStop)
{
    g_seen.count = 0;
    Ctl()->AddEventRecipient(CountingCallback);
    sim::StopEventThread();
    sim::PostEvent(EV_BRISKUI_SHOW_BANNER, 1);
    ASSERT_TRUE(sim::WaitEventsDelivered(2000));
    EXPECT_EQ(g_seen.count, 1);
}

U8 SelfRemovingCallback(void*, void*, void*)
{
    Ctl()->RemoveEventRecipient(SelfRemovingCallback);
    ++g_seen.count;
    return 0;
}

TEST_F(SimTvTest, CallbackCanRemoveItself)
{
    g_seen.count = 0;
    Ctl()->AddEventRecipient(SelfRemovingCallback);
    sim::PostEvent(EV_BRISKUI_SHOW_BANNER, 0);
    sim::PostEvent(EV_BRISKUI_SHOW_BANNER, 0);
    ASSERT_TRUE(sim::WaitEventsDelivered(2000));
    EXPECT_EQ(g_seen.count, 1);
    EXPECT_EQ(sim::Recipients(sim::Source::Control), 0u);
}

// The library removes its callback while holding a lock the callback takes.
std::mutex g_libraryLock;
std::atomic<bool> g_inCallback{ false };

U8 LockingCallback(void*, void*, void*)
{
    g_inCallback = true;
    std::lock_guard<std::mutex> lk(g_libraryLock);
    return 1;
}

TEST_F(SimTvTest, RemoveDoesNotWaitForCallbackInFlight)
{
    g_inCallback = false;
    Ctl()->AddEventRecipient(LockingCallback);
    {
        std::lock_guard<std::mutex> lk(g_libraryLock);
        sim::PostEvent(EV_BRISKUI_SHOW_BANNER, 0);
        while (!g_inCallback) std::this_thread::yield();
        EXPECT_TRUE(Ctl()->RemoveEventRecipient(LockingCallback));   // must return
        EXPECT_FALSE(sim::WaitEventsDelivered(20));                  // still blocked
    }
    EXPECT_TRUE(sim::WaitEventsDelivered(2000));
}

// ---- platform and Reset --------------------------------------------------------

TEST_F(SimTvTest, ResetRestoresDefaults)
{
    Ctl()->AddEventRecipient(CountingCallback);
    Ctl()->EnterActiveStandByMode(TRUE, FALSE);
    Ctl()->SetInputSource(MAPI_INPUT_SOURCE_HDMI, TRUE, FALSE, FALSE);
    Ctl()->SwitchMSrvDtvRoute(2);
    MSrv_Control::GetMSrvSSSound()->SetVolume(80, 0);
    sim::SetSourcePresent(MAPI_INPUT_SOURCE_VGA, false);
    sim::SetDvbsPlayer(false);
    const ST_MSRV_SOURCE_INFO* before = Ctl()->GetSourceList();
    EXPECT_EQ(before[MAPI_INPUT_SOURCE_VGA].u32Present, 0u);
    EXPECT_TRUE(sim::ActiveStandby());
    EXPECT_EQ(dynamic_cast<MSrv_DTV_Player_DVBS*>(MSrv_Control::GetMSrvDtv()), nullptr);

    sim::Reset();
    EXPECT_TRUE(sim::Calls().empty());
    EXPECT_EQ(sim::Recipients(sim::Source::Control), 0u);
    EXPECT_FALSE(sim::ActiveStandby());
    EXPECT_EQ(sim::InputSource(), MAPI_INPUT_SOURCE_DTV);
    EXPECT_EQ(sim::CurrentRoute(), 0);
    EXPECT_EQ(sim::AppliedVolume(), 20);
    EXPECT_EQ(MSrv_Control::GetMSrvSystemDatabase()->GetPassword(), 1234);
    EXPECT_NE(dynamic_cast<MSrv_DTV_Player_DVBS*>(MSrv_Control::GetMSrvDtv()), nullptr);
    EXPECT_STREQ(SystemInfo::GetInstance()->GetMbootVersion(), "MB1.0.23");

    const ST_MSRV_SOURCE_INFO* after = Ctl()->GetSourceList();
    EXPECT_EQ(after[MAPI_INPUT_SOURCE_VGA].u32Present, 1u);
    EXPECT_EQ(after[MAPI_INPUT_SOURCE_SVIDEO].u32Present, 0u);
    EXPECT_EQ(before[MAPI_INPUT_SOURCE_VGA].u32Present, 0u);   // old list left intact

    const ST_MSRV_TV_INFO tv = Ctl()->GetTVInfo();
    EXPECT_EQ(tv.u8Capability & E_TV_INFO_CAP_SATELLITE, E_TV_INFO_CAP_SATELLITE);
    EXPECT_EQ(tv.au8RoutePath[2], E_ROUTE_PATH_SATELLITE2);
}

}   // namespace
