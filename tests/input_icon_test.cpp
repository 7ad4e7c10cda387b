// The input source icon: the background and the one icon of the current
// source drawn over the OSDs composed before it, an unlisted source,
// digital TV's icon with and without a `dtv` item, and a key that keeps
// the icon up for a further full time-out.
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
    // Shows the icon of `source` as a host does and returns the colour of
    // the icon's spot once composed.
    U32 Show(MAPI_INPUT_SOURCE_TYPE source, U16 mask = 0)
    {
        sim::SetInputSource(source);
        manager_->EnableStatus(ICON, mask);
        EXPECT_TRUE(manager_->WaitIdle(5000));
        return Pixel(manager_->GetSurface(), kIconSpot.left + 10, kIconSpot.top + 10);
    }
};

TEST_F(InputIconTest, HdmiThreeOverTheVolumeBarThenAnUnlistedSource)
{
    StartManager();
    // Composed after the volume bar, whose erase left the clip on its own
    // area: the icon is drawn all the same.
    Key(0xF04C);
    EXPECT_EQ(Show(MAPI_INPUT_SOURCE_HDMI3, 0xFFFF), InputIconColour("hdmi3"));
    EXPECT_EQ(Pixel(manager_->GetSurface(), kIconPanel.left + 10, kIconPanel.top + 10), kIconPanelColour);
    EXPECT_EQ(Pixel(manager_->GetSurface(), 120, 590), kVolumeColour);

    // The second composite input has no icon: the panel alone, and the
    // log line at each draw.
    std::string out = CaptureStdout([&] { EXPECT_EQ(Show(MAPI_INPUT_SOURCE_CVBS2), kIconPanelColour); });
    EXPECT_NE(out.find("InputSourceIconHandler::Update, unknown inputSource:3\n"), std::string::npos) << out;
}

TEST_F(InputIconTest, DigitalTvShowsTheTvIconNeverHdmiFours)
{
    StartManager();
    EXPECT_EQ(Show(MAPI_INPUT_SOURCE_DTV), InputIconColour("dtv"));
    StopManager();
    WriteLayout("BriskUIInputSourceIconLayout.ini", InputIconLayout(false));
    StartManager();
    EXPECT_EQ(Show(MAPI_INPUT_SOURCE_DTV), InputIconColour("atv"));
}

TEST_F(InputIconTest, AKeyKeepsTheIconForAFullTimeOut)
{
    StartManager();
    Show(MAPI_INPUT_SOURCE_VGA);
    Advance(2000);
    {
        BriskManagerLock lock;
        EXPECT_TRUE(BriskUiManager::pInputSourceIconHandler->KeyHandler(0xF04C));
    }
    Advance(2500);
    EXPECT_TRUE(manager_->QueryStatus(ICON));
    Advance(600);
    EXPECT_FALSE(manager_->QueryStatus(ICON));
    EXPECT_EQ(OpaqueCount(manager_->GetSurface(), kIconPanel), 0);
}

}   // namespace
