// The OSD status set and composition: the mask rule, hiding what has gone,
// drawing in the fixed order, and flipping only what changed.
#include <gtest/gtest.h>

#include "BriskPlatform.h"
#include "BriskTimerManager.h"
#include "BriskUiManager.h"
#include "Damage.h"
#include "SimTv.h"
#include "TestSupport.h"
#include "VolumeHandler.h"
#include "WaitMessageHandler.h"

using namespace testsupport;

namespace {

// Composition is driven by the test here: no input thread runs.
class StatusTest : public ManagerTest {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        WriteStandardLayouts();
        StartOptions options;
        options.keysToLibrary = false;
        StartManager(options);
        sim::SetTvosIr(true);   // the timer service runs
        surface_ = manager_->GetSurface();
    }
    bool TimerArmed(EventHandler* h)
    {
        for (const StTimerDatum& d : BriskTimerManager::GetInstance()->Snapshot())
            if (d.handler == h && d.u32Id == 1000) return true;
        return false;
    }
    IDirectFBSurface* surface_ = nullptr;
};

TEST_F(StatusTest, MaskRule)
{
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE, 0);
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x0009u);
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_VOLUME, 0);
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x0003u);
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE, 0xFFFF);
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x000Bu);
    EXPECT_TRUE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_VOLUME | E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE));
    EXPECT_FALSE(manager_->QueryStatus(E_BRISKUI_OSD_STATUS_VOLUME | E_BRISKUI_OSD_STATUS_PIN_CODE));
    EXPECT_TRUE(manager_->QueryStatus(0));
    // A status without a handler only changes the set.
    manager_->DisableStatus(E_BRISKUI_OSD_STATUS_CHANNEL_CHANGE);
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x0003u);
}

TEST_F(StatusTest, ComposesInOrderAndFlipsWhatChanged)
{
    // Enabling arms the OSD's timer and marks its area; nothing is drawn yet.
    EXPECT_FALSE(manager_->IsUpdateNeeded());
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_VOLUME, 0);
    EXPECT_TRUE(TimerArmed((EventHandler*)BriskUiManager::pVolumeHandler));
    EXPECT_EQ(manager_->GetDirtyRect(), kVolumePanel);
    EXPECT_EQ(OpaqueCount(surface_, kVolumePanel), 0);
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE, 0xFFFF);
    manager_->UpdateOsd();
    EXPECT_EQ(manager_->FlipCount(), 1u);
    _Rect both = kVolumePanel;
    both.union_of(kWaitPanel);
    EXPECT_EQ(manager_->GetLastFlipRect(), both);
    EXPECT_FALSE(manager_->IsUpdateNeeded());
    EXPECT_TRUE(manager_->QueryPrevStatus(E_BRISKUI_OSD_STATUS_VOLUME | E_BRISKUI_OSD_STATUS_WAIT_MESSAGE));
    // The wait message comes later in the order: it is drawn over the volume.
    EXPECT_EQ(Pixel(surface_, 310, 520), kWaitColour);
    EXPECT_EQ(Pixel(surface_, 120, 590), kVolumeColour);

    // Showing the volume alone drops the wait message; the next composition
    // stops its timer, erases its area, redraws the volume OSD inside it
    // and flips that area alone: nothing else changed.
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_VOLUME, 0);
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x0003u);
    manager_->UpdateOsd();
    EXPECT_FALSE(TimerArmed((EventHandler*)BriskUiManager::pWaitMessageHandler));
    EXPECT_EQ(manager_->GetLastFlipRect(), kWaitPanel);
    EXPECT_EQ(Pixel(surface_, 310, 460), 0u);              // wait-only area erased
    EXPECT_EQ(Pixel(surface_, 310, 520), kVolumeColour);   // volume redrawn
    EXPECT_EQ(manager_->FlipCount(), 2u);

    // Showing the volume again changes nothing: nothing is flipped. The
    // full composition flips its area all the same, as it always has.
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_VOLUME, 0);
    manager_->UpdateOsd();
    EXPECT_TRUE(manager_->GetLastFlipRect().empty());
    BriskSetFullComposition(TRUE);
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_VOLUME, 0);
    manager_->UpdateOsd();
    BriskSetFullComposition(FALSE);
    EXPECT_EQ(manager_->GetLastFlipRect(), kVolumePanel);
    EXPECT_EQ(Pixel(surface_, 310, 520), kVolumeColour);
}

TEST_F(StatusTest, StatusEnabledAndDisabledBeforeCompositionLeavesNothing)
{
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE, 0);
    manager_->DisableStatus(E_BRISKUI_OSD_STATUS_WAIT_MESSAGE);
    EXPECT_FALSE(TimerArmed((EventHandler*)BriskUiManager::pWaitMessageHandler));
    manager_->UpdateOsd();
    EXPECT_EQ(OpaqueCount(surface_, kWaitPanel), 0);
    EXPECT_EQ(manager_->GetCurrentStatus(), 1u);
}

TEST_F(StatusTest, MutedVolumeKeepsItsIndicatorWhenDisabled)
{
    manager_->SetCountry(2);
    BriskUiManager::pVolumeHandler->KeyHandler(0xF04E);   // EU: mute
    ASSERT_EQ(manager_->GetVolumeStatus(), 3u);
    manager_->UpdateOsd();
    EXPECT_EQ(Pixel(surface_, 300, 590), kMuteColour);
    manager_->DisableStatus(E_BRISKUI_OSD_STATUS_VOLUME);
    EXPECT_EQ(manager_->GetCurrentStatus() & 0x2u, 0u);   // bit cleared
    EXPECT_TRUE(TimerArmed((EventHandler*)BriskUiManager::pVolumeHandler));
    EXPECT_FALSE(manager_->IsUpdateNeeded());   // nothing erased
    EXPECT_EQ(Pixel(surface_, 300, 590), kMuteColour);
}

TEST_F(StatusTest, ClearScreenHidesTheWindow)
{
    manager_->ClearScreen();
    u8 opacity = 255;
    manager_->GetWindow()->GetOpacity(manager_->GetWindow(), &opacity);
    EXPECT_EQ(opacity, 0);
}

TEST_F(StatusTest, FirstInitialisationProgressShowsAloneAndComposesAtOnce)
{
    manager_->EnableStatus(E_BRISKUI_OSD_STATUS_VOLUME, 0);
    manager_->SetFirstInitializationProgress(50);
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x0101u);
    EXPECT_EQ(manager_->FlipCount(), 1u);
    EXPECT_EQ(Pixel(surface_, 350, 310), kVolumeColour);                     // the progress panel art
    EXPECT_EQ(Pixel(surface_, 410 + 149, 360), kBarColour);                  // span 300 at 50 %: 150 wide
    EXPECT_EQ(Pixel(surface_, 410 + 150 + 10, 360) & 0xFFFFFF, 0x404040u);   // track after the right cap

    std::vector<U32> slept;
    static std::vector<U32>* record;
    record = &slept;
    BriskSetSleepHook([](U32 us) { record->push_back(us); });
    manager_->SetFirstInitializationProgressComplete();
    ASSERT_EQ(slept.size(), 1u);
    EXPECT_EQ(slept[0], 1000000u);   // the full bar stays a second
    EXPECT_EQ(Pixel(surface_, 709, 360), kBarColour);
}

}   // namespace
