// Start-up and tear-down: the display layer and window, the layout files
// picked by country, the country check, the hand-over of the IR keys, the
// middleware registration, and a fresh manager after Finalize.
#include <gtest/gtest.h>
#include <unistd.h>

#include "BriskTimerManager.h"
#include "BriskUiManager.h"
#include "HostSupport.h"
#include "SimTv.h"
#include "TestSupport.h"
#include "VolumeHandler.h"

using namespace testsupport;

namespace {

class StartupTest : public ManagerTest {
protected:
    DFBSurfacePixelFormat LayerFormat()
    {
        DFBDisplayLayerConfig config;
        Layer()->GetConfiguration(Layer(), &config);
        return config.pixelformat;
    }
};

TEST_F(StartupTest, ColourFormatPicksTheLayerFormatWhileTheWindowStaysArgb)
{
    root_.Write("/Customer/briskui/layout/BriskUISetting.ini", "[BriskUISetting]\nu8ColorFormat = 1\n");
    StartManager();
    EXPECT_EQ(LayerFormat(), DSPF_ARGB4444);
    IDirectFBWindow* window = manager_->GetWindow();
    ASSERT_NE(window, nullptr);
    u8 opacity = 0;
    window->GetOpacity(window, &opacity);
    EXPECT_EQ(opacity, 255);
    IDirectFBSurface* surface = manager_->GetSurface();
    ASSERT_NE(surface, nullptr);
    DFBSurfacePixelFormat format;
    surface->GetPixelFormat(surface, &format);
    EXPECT_EQ(format, DSPF_ARGB);
    int w = 0, h = 0;
    surface->GetSize(surface, &w, &h);
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 720);
    EXPECT_EQ(manager_->GetCurrentStatus(), 1u);                  // only the base state
    EXPECT_EQ(OpaqueCount(surface, _Rect(0, 0, 1280, 720)), 0);   // no OSD yet
    StopManager();

    root_.Write("/Customer/briskui/layout/BriskUISetting.ini", "[BriskUISetting]\nu8ColorFormat = 7\n");
    StartManager();
    EXPECT_EQ(LayerFormat(), DSPF_ARGB);
}

TEST_F(StartupTest, CountryPicksTheLayoutFiles)
{
    WriteLayout("BriskUIVolumeLayout_NA.ini", "[setting]\nu16TimeOut = 1111\n");
    WriteLayout("BriskUIVolumeLayout_EU.ini", "[setting]\nu16TimeOut = 2222\n");
    StartOptions na;
    na.country = 1;
    std::string out = CaptureStdout([&] { StartManager(na); });
    ASSERT_NE(BriskUiManager::pVolumeHandler, nullptr);
    EXPECT_EQ(BriskUiManager::pVolumeHandler->GetTimeOut(), 1111);
    EXPECT_NE(out.find("BriskUIWaitMessageLayout_NA.ini"), std::string::npos);
    EXPECT_NE(out.find("BriskUINotAvailableMessageLayout.ini"), std::string::npos);
    StopManager();

    out = CaptureStdout([&] { StartManager(); });
    EXPECT_EQ(BriskUiManager::pVolumeHandler->GetTimeOut(), 2222);
    EXPECT_NE(out.find("BriskUIWaitMessageLayout_EU.ini"), std::string::npos);
    EXPECT_EQ(out.find("_NA.ini"), std::string::npos);
}

TEST_F(StartupTest, UnknownCountryAbortsBeforeAnyLayoutIsLoaded)
{
    UseThreadsafeDeathTests();
    EXPECT_DEATH(
        {
            dup2(2, 1);   // the library logs on stdout
            // The child aborts: nothing would remove its root afterwards,
            // and the abort comes before any file of it is read.
            root_.Remove();
            StartOptions bad;
            bad.country = 0;
            bad.loadSettings = false;
            StartManager(bad);
        },
        "\\[BriskUI\\] Unknown country:0\n(.|\n)*ASSERT FAIL: BriskUiManager void BriskUiManager::Start\\(\\) [0-9]+");
}

TEST_F(StartupTest, WithoutTheKeysNoInputThreadRuns)
{
    StartOptions options;
    options.keysToLibrary = false;
    StartManager(options);
    EXPECT_FALSE(MSystem::GetInstance()->IsTvosIr());
    EXPECT_EQ(sim::Recipients(sim::Source::Control), 1u);
    EXPECT_EQ(sim::Recipients(sim::Source::Atv), 1u);
    EXPECT_EQ(sim::Recipients(sim::Source::Dtv), 1u);
    EXPECT_EQ(sim::Recipients(sim::Source::Cimmi), 1u);

    U8 volume = sim::StoredVolume();
    briskui_sim::PostKey(manager_, 0xF04C);
    usleep(400000);   // longer than one wait of an input thread
    EXPECT_EQ(sim::StoredVolume(), volume);
    EXPECT_EQ(manager_->InputPassCount(), 0u);

    sim::PostEvent(295, 0);
    ASSERT_TRUE(sim::WaitEventsDelivered(briskui_sim::kStuckMs));
    EXPECT_EQ(sim::LastCallbackResult(), 0);
    EXPECT_EQ(manager_->GetCurrentStatus(), 1u);
    EXPECT_EQ(manager_->FlipCount(), 0u);
}

TEST_F(StartupTest, FinalizeLeavesAFreshManager)
{
    WriteStandardLayouts();
    StartManager();
    manager_->SetSwVersion("SW1");
    Key(0xF04C);
    StopManager();
    EXPECT_TRUE(sim::Called("SetBriskUIStatus(1)"));
    EXPECT_EQ(sim::Recipients(sim::Source::Control), 0u);
    EXPECT_EQ(sim::Recipients(sim::Source::Cimmi), 0u);
    EXPECT_EQ(BriskUiManager::PeekInstance(), nullptr);
    EXPECT_EQ(BriskTimerManager::PeekInstance(), nullptr);
    EXPECT_EQ(BriskUiManager::pVolumeHandler, nullptr);
    EXPECT_EQ(BriskUiManager::pInitializationHandler, nullptr);

    BriskUiManager* fresh = BriskUiManager::GetInstance();
    EXPECT_EQ(fresh->GetCurrentStatus(), 0u);
    EXPECT_EQ(fresh->QueryBriskUiEnabled(), 1);
    EXPECT_EQ(fresh->QueryColorFormat(), 2);
    EXPECT_EQ(fresh->GetLayoutPath(), "/config/briskui/layout/");
    EXPECT_EQ(fresh->GetSwVersion(), "");
    EXPECT_EQ(fresh->GetSurface(), nullptr);
    EXPECT_EQ(fresh->GetVolumeStatus(), 0u);
    fresh->Finalize();
}

TEST_F(StartupTest, ExitPathSleepsTheSetOnlyWhenTheBaseStateWasCleared)
{
    StartManager();
    StopManager();
    usleep(50000);
    EXPECT_FALSE(sim::Called("EnterSleepMode(1)"));
    StartManager();
    manager_->DisableStatus(E_BRISKUI_OSD_STATUS_BASE);
    StopManager();
    EXPECT_TRUE(sim::WaitForCall("EnterSleepMode(1)", briskui_sim::kStuckMs));
}

}   // namespace
