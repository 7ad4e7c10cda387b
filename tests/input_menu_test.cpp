// The input source menu through real keys: the opening focus on the
// current input, the cursor keys wrapping without switching, the repeated
// input-source key switching at once, OK on the TV entry choosing analogue
// or digital TV, the digits by country, the video entries by the rear
// connector, and the time-out that switches nothing. Each checks the calls
// the simulated TV recorded, the focus bar's place, the swapped icon files
// and the label colours in the drawn pixels.
#include <gtest/gtest.h>

#include "BriskUiManager.h"
#include "InputSourceMenuHandler.h"
#include "ManagerLock.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const U32 SOURCE = 0xF068, UP = 0xF002, DOWN = 0xF003, OK = 0x0D, EXIT = 0xF062;
const U32 kWhite = 0xFFFFFFFF, kSlate = 0xFF4B557C;

class InputMenuTest : public OsdTest {
protected:
    void Start(int country)
    {
        OsdTest::Start(country);
        menu_ = BriskUiManager::pInputSourceMenuHandler;
        ASSERT_NE(menu_, nullptr);
        sim::ClearCalls();
    }
    U8 Focus()
    {
        BriskManagerLock lock;
        return menu_->GetFocusIndex();
    }
    std::string Label(int i)
    {
        BriskManagerLock lock;
        return menu_->FindTextItem(("text" + std::to_string(i + 1)).c_str())->GetText();
    }
    MAPI_INPUT_SOURCE_TYPE SourceOf(U8 i)
    {
        BriskManagerLock lock;
        return menu_->EntryAt(i).eInputSource;
    }
    // Pixels of exactly `argb` in the label box of entry i.
    int LabelPixels(int i, U32 argb)
    {
        int count = 0;
        for (int y = MenuIconRect(i).top + 8; y < MenuIconRect(i).top + 34; ++y)
            for (int x = 180; x < 280; ++x) count += Pixel(surface_, x, y) == argb;
        return count;
    }
    // The drawn menu shows entry `focused` focused and entry `other` not:
    // item paths and colours, the bar centred on the icon, and pixels.
    void ExpectFocusDrawn(int focused, int other)
    {
        {
            BriskManagerLock lock;
            std::string n = std::to_string(focused + 1), o = std::to_string(other + 1);
            EXPECT_EQ(menu_->FindImageItem(("icon" + n).c_str())->GetImagePath(), "/test/images/menu/in_f.png");
            EXPECT_EQ(menu_->FindImageItem(("icon" + o).c_str())->GetImagePath(), "/test/images/menu/in_n.png");
            EXPECT_EQ(menu_->FindTextItem(("text" + n).c_str())->GetFontColor(), kWhite);
            EXPECT_EQ(menu_->FindImageItem("focus_bar")->GetTop(),
                      (U32)(MenuIconRect(focused).top + 20 - kMenuBarHeight / 2));
        }
        EXPECT_EQ(Pixel(surface_, MenuIconRect(focused).left + 20, MenuIconRect(focused).top + 20), kMenuIconFocused);
        EXPECT_EQ(Pixel(surface_, 112, MenuIconRect(focused).top - 4), kMenuBarColour);
        EXPECT_GT(LabelPixels(focused, kWhite), 20);
        EXPECT_EQ(Pixel(surface_, MenuIconRect(other).left + 20, MenuIconRect(other).top + 20), kMenuIconNormal);
        EXPECT_EQ(Pixel(surface_, 112, MenuIconRect(other).top + 20), kMenuPanelColour);
        EXPECT_GT(LabelPixels(other, kSlate), 20);
        EXPECT_EQ(LabelPixels(other, kWhite), 0);
    }
    bool Shown() { return manager_->QueryStatus(E_BRISKUI_OSD_STATUS_INPUT_SOURCE_MENU) != 0; }

    InputSourceMenuHandler* menu_ = nullptr;
};

TEST_F(InputMenuTest, OpensFocusedOnTheCurrentInputOrTheTvEntry)
{
    sim::SetInputSource(MAPI_INPUT_SOURCE_HDMI2);
    Start(1);
    Key(SOURCE);
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x0021u);
    EXPECT_EQ(Focus(), 4);
    ExpectFocusDrawn(4, 3);
    EXPECT_TRUE(sim::Calls().empty());

    // Inputs the menu does not list open it on the TV entry, and each
    // opening starts from the current input again.
    for (MAPI_INPUT_SOURCE_TYPE unlisted : { MAPI_INPUT_SOURCE_ATV, MAPI_INPUT_SOURCE_SCART }) {
        Key(EXIT);
        EXPECT_FALSE(Shown());
        sim::SetInputSource(unlisted);
        Key(SOURCE);
        EXPECT_EQ(Focus(), 0);
        ExpectFocusDrawn(0, 4);
    }
}

TEST_F(InputMenuTest, CursorKeysWrapBothWaysWithoutSwitching)
{
    sim::SetInputSource(MAPI_INPUT_SOURCE_DTV);
    Start(2);
    Key(SOURCE);
    EXPECT_EQ(Focus(), 0);
    Advance(2000);
    Key(UP);
    EXPECT_EQ(Focus(), 7);
    ExpectFocusDrawn(7, 0);
    Advance(2000);   // every key restarts the time-out
    Key(DOWN);
    EXPECT_EQ(Focus(), 0);
    ExpectFocusDrawn(0, 7);
    Key(DOWN);
    EXPECT_EQ(Focus(), 1);
    EXPECT_TRUE(Shown());
    EXPECT_TRUE(sim::Calls().empty());
}

TEST_F(InputMenuTest, RepeatedSourceKeyStepsAndSwitchesAtOnce)
{
    sim::SetInputSource(MAPI_INPUT_SOURCE_VGA);
    Start(1);
    Key(SOURCE);
    EXPECT_EQ(Focus(), 7);
    U32 flips = manager_->FlipCount();
    Key(SOURCE);   // from the last entry to the TV entry, which switches
    EXPECT_EQ(Focus(), 0);
    EXPECT_EQ(sim::Calls(), (std::vector<std::string>{ "SetInputSource(28,1,0,0)", "PlayCurrentProgram()" }));
    // The new focus was composed before the switch, and again after the key.
    EXPECT_EQ(manager_->FlipCount(), flips + 2);
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x0021u);
    ExpectFocusDrawn(0, 7);

    sim::ClearCalls();
    Key(SOURCE);
    EXPECT_EQ(sim::Calls(), (std::vector<std::string>{ "SetInputSource(2,1,0,0)" }));
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x0021u);
}

TEST_F(InputMenuTest, OkOnTheTvEntryPicksAnalogueOnlyWhenAllowed)
{
    sim::SetInputSource(MAPI_INPUT_SOURCE_HDMI);
    sim::SetLastTvSourceType(1);
    Start(2);
    sim::SetInputSource(MAPI_INPUT_SOURCE_ATV);
    ASSERT_TRUE(sim::SetCurrentChannelIndex(2));
    sim::SetInputSource(MAPI_INPUT_SOURCE_HDMI);
    Key(SOURCE);
    for (int i = 0; i < 3; ++i) Key(UP);
    EXPECT_EQ(Focus(), 0);
    Key(OK);
    EXPECT_EQ(sim::Calls(),
              (std::vector<std::string>{ "SetInputSource(1,1,0,0)", "GetProgramCtrl(0,0,0)", "SetProgram(2,1)" }));
    // The menu goes and the banner shows the new input.
    EXPECT_EQ(manager_->GetCurrentStatus(), 0x0009u);
    EXPECT_EQ(OpaqueCount(surface_, MenuIconRect(3)), 0);
    // Where analogue TV is not allowed, digital TV: input-menu-tv-entry.script.
}

TEST_F(InputMenuTest, DigitsJumpInNorthAmericaOnly)
{
    sim::SetInputSource(MAPI_INPUT_SOURCE_HDMI3);
    Start(2);
    Key(SOURCE);
    Advance(2000);
    Key('3');   // EU: the focus stays, the time-out starts again
    EXPECT_EQ(Focus(), 5);
    Advance(2000);
    EXPECT_TRUE(Shown());
    Advance(1100);
    EXPECT_FALSE(Shown());
    StopManager();

    Start(1);
    Key(SOURCE);
    Key('6');
    EXPECT_EQ(Focus(), 6);
    ExpectFocusDrawn(6, 5);
    Advance(2000);
    std::string out = CaptureStdout([&] { Key('8'); });
    EXPECT_NE(out.find("InputSourceMenuHandler::KeyHandler, Unknown key:56\n"), std::string::npos) << out;
    EXPECT_EQ(Focus(), 6);
    Advance(1100);   // '8' did not restart the time-out, which switches nothing
    EXPECT_FALSE(Shown());
    EXPECT_EQ(OpaqueCount(surface_, kMenuPanel), 0);
    EXPECT_TRUE(sim::Calls().empty());
}

TEST_F(InputMenuTest, VideoEntriesFollowTheRearConnector)
{
    struct Case {
        int country;
        bool shared;
        const char *label1, *label2;
        MAPI_INPUT_SOURCE_TYPE entry1, entry2;
    };
    const Case cases[] = {
        { 1, true, "Video", "Spectrel HD", MAPI_INPUT_SOURCE_CVBS, MAPI_INPUT_SOURCE_YPBPR },
        { 1, false, "Video 1", "Video 2", MAPI_INPUT_SOURCE_CVBS, MAPI_INPUT_SOURCE_CVBS2 },
        { 2, true, "1", "2", MAPI_INPUT_SOURCE_SCART, MAPI_INPUT_SOURCE_YPBPR },
        { 2, false, "1", "2", MAPI_INPUT_SOURCE_SCART, MAPI_INPUT_SOURCE_CVBS },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.country) + (c.shared ? " shared" : " not shared"));
        sim::SetRearSharedInput(c.shared);
        sim::SetInputSource(c.entry2);
        Start(c.country);
        Key(SOURCE);
        EXPECT_EQ(Focus(), 2);
        EXPECT_EQ(Label(1), c.label1);
        EXPECT_EQ(Label(2), c.label2);
        EXPECT_EQ(SourceOf(1), c.entry1);
        StopManager();
    }

    // Without labels in the layout entry 2 still selects the rear input,
    // not the composite input of entry 1.
    WriteLayout("BriskUIInputSourceMenuLayout_NA.ini", InputMenuLayout(false));
    sim::SetRearSharedInput(true);
    Start(1);
    Key(SOURCE);
    Key('2');
    sim::ClearCalls();
    Key(OK);
    EXPECT_EQ(sim::Calls(), (std::vector<std::string>{ "SetInputSource(16,1,0,0)" }));
}

}   // namespace
