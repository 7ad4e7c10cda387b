// The input source icon: the background and the one icon of the current
// source drawn over the OSDs composed before it, digital TV's icon with
// and without a `dtv` item, an unlisted source, and a key that keeps the
// icon up for a further full time-out.
#include <gtest/gtest.h>

#include "BriskUiManager.h"
#include "InputSourceIconHandler.h"
#include "ManagerLock.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const EN_BRISKUI_OSD_STATUS ICON = E_BRISKUI_OSD_STATUS_INPUT_SOURCE_ICON;

class InputIconTest : public ManagerTest {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        WriteStandardLayouts();
    }
    void Start()
    {
        StartManager();
        surface_ = manager_->GetSurface();
        icon_ = BriskUiManager::pInputSourceIconHandler;
    }
    // Shows the icon as a host does, and waits for the composition.
    void Show(MAPI_INPUT_SOURCE_TYPE source, U16 mask = 0)
    {
        sim::SetInputSource(source);
        manager_->EnableStatus(ICON, mask);
        ASSERT_TRUE(manager_->WaitIdle(5000));
    }
    U32 IconPixel() { return Pixel(surface_, kIconSpot.left + 10, kIconSpot.top + 10); }
    U32 PanelPixel() { return Pixel(surface_, kIconPanel.left + 10, kIconPanel.top + 10); }

    IDirectFBSurface* surface_ = nullptr;
    InputSourceIconHandler* icon_ = nullptr;
};

TEST_F(InputIconTest, HdmiThreeOverTheVolumeBarThenAnUnlistedSource)
{
    Start();
    // Composed after the volume bar, whose erase left the clip on its own
    // area: the icon is drawn all the same.
    Key(0xF04C);
    Show(MAPI_INPUT_SOURCE_HDMI3, 0xFFFF);
    EXPECT_EQ(manager_->GetCurrentStatus(), (U32)(E_BRISKUI_OSD_STATUS_BASE | E_BRISKUI_OSD_STATUS_VOLUME | ICON));
    EXPECT_EQ(PanelPixel(), kIconPanelColour);
    EXPECT_EQ(IconPixel(), InputIconColour("hdmi3"));
    EXPECT_EQ(Pixel(surface_, 120, 590), kVolumeColour);

    // The second composite input has no icon: the panel alone, and the
    // log line at each draw.
    std::string out = CaptureStdout([&] { Show(MAPI_INPUT_SOURCE_CVBS2); });
    EXPECT_NE(out.find("InputSourceIconHandler::Update, unknown inputSource:3\n"), std::string::npos) << out;
    EXPECT_EQ(IconPixel(), kIconPanelColour);
    EXPECT_EQ(manager_->GetCurrentStatus(), (U32)(E_BRISKUI_OSD_STATUS_BASE | ICON));
}

TEST_F(InputIconTest, DigitalTvShowsTheTvIcon)
{
    Start();
    Show(MAPI_INPUT_SOURCE_DTV);
    EXPECT_EQ(IconPixel(), InputIconColour("dtv"));
    EXPECT_EQ(icon_->IconFor(MAPI_INPUT_SOURCE_HDMI4), icon_->FindImageItem("hdmi4"));
    StopManager();

    // Without a `dtv` item, the analogue TV's icon, never HDMI 4's.
    WriteLayout("BriskUIInputSourceIconLayout.ini", InputIconLayout(false));
    Start();
    Show(MAPI_INPUT_SOURCE_DTV);
    EXPECT_EQ(IconPixel(), InputIconColour("atv"));
}

TEST_F(InputIconTest, AKeyKeepsTheIconForAFullTimeOut)
{
    Start();
    Show(MAPI_INPUT_SOURCE_VGA);
    EXPECT_EQ(IconPixel(), InputIconColour("vga"));
    Advance(2000);
    {
        BriskManagerLock lock;
        EXPECT_TRUE(icon_->KeyHandler(0xF04C));
    }
    Advance(2500);
    EXPECT_TRUE(manager_->QueryStatus(ICON));
    Advance(600);
    EXPECT_FALSE(manager_->QueryStatus(ICON));
    EXPECT_EQ(OpaqueCount(surface_, kIconPanel), 0);
}

}  // namespace
