// The volume OSD through real key events: the volume steps and ceilings,
// the bar sizing, the NA mute cycle with half mute (the EU one is the
// volume-check scenario's), and the time-out that hides the bar but not
// the mute panels.
#include <gtest/gtest.h>

#include "BriskPlatform.h"
#include "BriskTimerManager.h"
#include "BriskUiManager.h"
#include "ManagerLock.h"
#include "SimTv.h"
#include "TestSupport.h"
#include "VolumeHandler.h"

using namespace testsupport;

namespace {

const U32 VOL_UP = 0xF04C, VOL_DOWN = 0xF04D, MUTE = 0xF04E, EXIT = 0xF062;

class VolumeTest : public OsdTest {
protected:
    void Start(int country)
    {
        OsdTest::Start(country);
        volume_ = BriskUiManager::pVolumeHandler;
    }
    _Rect ItemRect(const char* name)
    {
        BriskManagerLock lock;
        return volume_->FindImageItem(name)->GetRect();
    }
    std::string Text(const char* name)
    {
        BriskManagerLock lock;
        return volume_->FindTextItem(name)->GetText();
    }
    VolumeHandler* volume_ = nullptr;
};

TEST_F(VolumeTest, UpAndDownWithTheBar)
{
    Start(2);
    sim::SetVolume(36);
    Key(VOL_UP);
    EXPECT_EQ(sim::StoredVolume(), 37);
    EXPECT_TRUE(sim::Called("SetVolume(37,1)"));
    EXPECT_EQ(manager_->GetVolumeStatus(), 1u);
    // Span 200 at volume 37: a middle of 74 pixels, the right cap after it.
    EXPECT_EQ(ItemRect("volume_bar_center"), _Rect(170, 540, 74, 20));
    EXPECT_EQ(ItemRect("volume_bar_right").left, 244);
    EXPECT_EQ(Text("volume_number"), "37");
    EXPECT_EQ(Pixel(surface_, 243, 550), kBarColour);
    EXPECT_EQ(Pixel(surface_, 253, 550), kBarColour);             // right cap
    EXPECT_EQ(Pixel(surface_, 254, 550) & 0xFFFFFF, 0x404040u);   // empty track
    EXPECT_EQ(Pixel(surface_, 120, 590), kVolumeColour);
    Key(VOL_DOWN);
    EXPECT_EQ(sim::StoredVolume(), 36);
}

TEST_F(VolumeTest, CeilingsAndFloor)
{
    Start(2);
    sim::SetVolume(100);
    Key(VOL_UP);
    EXPECT_EQ(sim::StoredVolume(), 100);
    EXPECT_EQ(manager_->GetVolumeStatus(), 1u);   // the bar still shows
    EXPECT_EQ(ItemRect("volume_bar_center").width, 200);

    sim::SetFactoryData(0x4022, 0x01);   // hotel mode
    sim::SetFactoryData(0x4029, 30);
    sim::SetVolume(30);
    Key(VOL_UP);
    EXPECT_EQ(sim::StoredVolume(), 30);
    sim::SetVolume(29);
    Key(VOL_UP);
    EXPECT_EQ(sim::StoredVolume(), 30);
    sim::SetFactoryData(0x4022, 0x02);   // bit 0 clear: not hotel mode
    Key(VOL_UP);
    EXPECT_EQ(sim::StoredVolume(), 31);

    sim::SetVolume(0);
    Key(VOL_DOWN);
    EXPECT_EQ(sim::StoredVolume(), 0);
    EXPECT_EQ(ItemRect("volume_bar_center").width, 0);
    EXPECT_EQ(ItemRect("volume_bar_right").left, 170);
    EXPECT_EQ(Text("volume_number"), "0");
}

TEST_F(VolumeTest, NorthAmericaHalvesThenMutes)
{
    Start(1);
    sim::SetVolume(9);
    Key(MUTE);
    EXPECT_EQ(manager_->GetVolumeStatus(), 2u);
    EXPECT_TRUE(sim::Called("SetVolume(4,0)"));
    EXPECT_EQ(sim::AppliedVolume(), 4);
    EXPECT_EQ(sim::StoredVolume(), 9);   // the setting keeps the full volume
    EXPECT_EQ(sim::HalfMuteFlag(), 1);
    EXPECT_EQ(Text("mute_text"), "1/2 Mute");
    EXPECT_EQ(Pixel(surface_, 300, 590), kMuteColour);
    EXPECT_EQ(Pixel(surface_, 120, 590), 0u);   // the volume panel is gone

    Key(MUTE);
    EXPECT_EQ(manager_->GetVolumeStatus(), 3u);
    EXPECT_TRUE(sim::Muted());
    EXPECT_EQ(Text("mute_text"), "Mute");

    Key(MUTE);
    EXPECT_EQ(manager_->GetVolumeStatus(), 1u);
    EXPECT_FALSE(sim::Muted());
    EXPECT_TRUE(sim::Called("SetVolume(9,1)"));

    sim::SetVolume(1);
    Key(MUTE);
    EXPECT_TRUE(sim::Called("SetVolume(0,0)"));
    // A volume key leaves half mute with the full volume back.
    Key(VOL_UP);
    EXPECT_EQ(manager_->GetVolumeStatus(), 1u);
    EXPECT_TRUE(sim::Called("SetVolume(2,1)"));
}

TEST_F(VolumeTest, TimeOutHidesTheBarButNotTheMutePanel)
{
    Start(2);
    Key(VOL_UP);
    Advance(2900);
    EXPECT_EQ(manager_->GetVolumeStatus(), 1u);
    Advance(200);
    EXPECT_EQ(manager_->GetVolumeStatus(), 0u);
    EXPECT_FALSE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_VOLUME));
    EXPECT_EQ(OpaqueCount(surface_, kVolumePanel), 0);

    Key(MUTE);
    Advance(3100);
    EXPECT_EQ(manager_->GetVolumeStatus(), 3u);
    EXPECT_EQ(Pixel(surface_, 300, 590), kMuteColour);
}

TEST_F(VolumeTest, BarClearedByAnotherOsdLeavesTheHiddenState)
{
    // Whoever clears the volume status while the bar shows (an OSD with
    // mask 0 at composition, the initialisation progress), the bar's state
    // goes with it; mute keeps its panel and its state.
    Start(2);
    Key(VOL_UP);
    Key(0xF051);   // PLAY: the not-available panel, mask 0
    EXPECT_FALSE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_VOLUME));
    EXPECT_EQ(manager_->GetVolumeStatus(), 0u);
    EXPECT_EQ(OpaqueCount(surface_, kVolumePanel), 0);

    Key(VOL_UP);
    manager_->SetFirstInitializationProgress(30);
    EXPECT_EQ(manager_->GetVolumeStatus(), 0u);
    Key(VOL_UP);   // and the bar comes back as before
    EXPECT_EQ(manager_->GetVolumeStatus(), 1u);
    EXPECT_EQ(Pixel(surface_, 120, 590), kVolumeColour);

    Key(MUTE);
    Key(0xF051);
    EXPECT_EQ(manager_->GetVolumeStatus(), 3u);
    EXPECT_EQ(Pixel(surface_, 300, 590), kMuteColour);
}

TEST_F(VolumeTest, CloseKeys)
{
    Start(2);
    Key(VOL_UP);
    Key(EXIT);
    EXPECT_EQ(manager_->GetVolumeStatus(), 0u);
    EXPECT_EQ(OpaqueCount(surface_, kVolumePanel), 0);

    // On the mute panel the close key keeps the panel and re-enables it:
    // its time-out starts again.
    Key(MUTE);
    Advance(2000);
    Key(0xF53D);
    EXPECT_EQ(manager_->GetVolumeStatus(), 3u);
    EXPECT_TRUE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_VOLUME));
    EXPECT_EQ(Pixel(surface_, 300, 590), kMuteColour);
    timespec now;
    BriskClockNow(&now);
    std::vector<StTimerDatum> timers = BriskTimerManager::GetInstance()->Snapshot();
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_GE(timers[0].tExpiry.tv_sec * 1000LL + timers[0].tExpiry.tv_nsec / 1000000,
              now.tv_sec * 1000LL + now.tv_nsec / 1000000 + 2900);
}

TEST_F(VolumeTest, UnreadableSettingsAreNeverWrittenBack)
{
    Start(1);
    sim::SetVolume(40);
    sim::SetSettingsReadFails(true);
    sim::ClearCalls();
    Key(VOL_UP);   // from the applied volume
    EXPECT_TRUE(sim::Called("SetVolume(41,1)"));
    Key(MUTE);   // NA: half mute
    EXPECT_TRUE(sim::Called("SetVolume(20,0)"));
    for (const std::string& call : sim::Calls()) {
        EXPECT_EQ(call.find("SetAudioSetting"), std::string::npos) << call;
        EXPECT_EQ(call.find("SetUserSystemSetting"), std::string::npos) << call;
    }
    EXPECT_EQ(sim::StoredVolume(), 40);
}

TEST_F(VolumeTest, MissingLayoutStillChangesTheVolume)
{
    unlink((root_.Path() + "/config/briskui/layout/EN/BriskUIVolumeLayout_EU.ini").c_str());
    std::string out = CaptureStdout([&] { Start(2); });
    EXPECT_NE(out.find("[BriskUI] VolumeHandler::LoadResource failed, no such file "), std::string::npos);
    sim::SetVolume(50);
    Key(VOL_UP);
    EXPECT_EQ(sim::StoredVolume(), 51);
    EXPECT_EQ(volume_->GetBarSpan(), 0u);
}

}   // namespace
