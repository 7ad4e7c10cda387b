// The ATV/DTV switch menu through real keys: the three- and two-entry
// forms fixed at load, the opening focus by input and route, the grey
// "ATV" that OK cannot select, the route scan of the digital entries, the
// repeated menu key that switches as it steps, and a satellite setting
// turned off while the menu is open: the simulated TV's recorded calls,
// the items and the pixels on screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "AtvDtvSwitchMenuHandler.h"
#include "BriskUiManager.h"
#include "ManagerLock.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const U32 ATVDTV = 0xF53F, UP = 0xF002, DOWN = 0xF003, OK = 0x0D, EXIT = 0xF062;
const U32 kMenuShown = 0x0401, kBannerShown = 0x0009, kNothingShown = 0x0001;
const U32 kNormal = 0xFF4B557C, kWhite = 0xFFFFFFFF, kGrey = 0xAAAAAAAA;

class AtvDtvMenuTest : public OsdTest {
protected:
    // Starts with satellite reception enabled or not and the antenna mode,
    // as the set has them when the layouts load.
    void Start(bool satellite, U8 antennaMode = 0)
    {
        sim::SetSatelliteMode(satellite ? 1 : 0);
        sim::SetAntennaMode(antennaMode);
        OsdTest::Start(2);
        menu_ = BriskUiManager::pAtvDtvSwitchMenuHandler;
        ASSERT_NE(menu_, nullptr);
    }
    TextItem* Label(int row) { return menu_->FindTextItem(("dtv_text" + std::to_string(row + 1)).c_str()); }
    ImageItem* Icon(int row) { return menu_->FindImageItem(("icon" + std::to_string(row + 1)).c_str()); }
    std::vector<std::string> Labels()
    {
        BriskManagerLock lock;
        std::vector<std::string> out;
        for (int row = 0; row < 3; ++row) out.push_back(Label(row)->GetVisible() ? Label(row)->GetText() : "(hidden)");
        return out;
    }
    // Each entry built as source * 1000 + route-path type.
    std::vector<U32> Routes()
    {
        std::vector<U32> out;
        for (U8 i = 0; i < menu_->GetFormEntries(); ++i)
            out.push_back(menu_->GetEntry(i).eInputSource * 1000 + menu_->GetEntry(i).u8RouteType);
        return out;
    }
    U32 LabelColour(int row)
    {
        BriskManagerLock lock;
        return Label(row)->GetFontColor();
    }
    // The colours of the label's glyphs on screen (what differs from the
    // background under them).
    std::set<U32> Glyphs(int row)
    {
        const _Rect& box = kSwitchLabels[row];
        U32 ground = Pixel(surface_, box.left - 4, box.top - 8);
        std::set<U32> out;
        for (int y = box.top - 18; y < box.top + 4; ++y)
            for (int x = box.left; x < box.left + 120; ++x)
                if (Pixel(surface_, x, y) != ground) out.insert(Pixel(surface_, x, y));
        return out;
    }
    // The focus as drawn: the bar centred on the row's icon, the icon in
    // its focused art and the others in their normal art, and the label
    // in white.
    void ExpectFocusOn(int row, int rows)
    {
        SCOPED_TRACE("focus on row " + std::to_string(row));
        EXPECT_EQ(menu_->GetFocusIndex(), row);
        {
            BriskManagerLock lock;
            EXPECT_EQ(menu_->FindImageItem("focus_bar")->GetTop(), kSwitchIcons[row].top + 20 - 23);
        }
        EXPECT_EQ(Pixel(surface_, kSwitchBar.left + 4, kSwitchIcons[row].top + 20), kSwitchBarColour);
        for (int i = 0; i < rows; ++i) {
            const _Rect& icon = kSwitchIcons[i];
            int art = rows == 2 && i == 1 ? 2 : i;   // two entries: row 2 shows the analogue art
            EXPECT_EQ(Pixel(surface_, icon.left + 20, icon.top + 20), SwitchIconColour(art, i == row)) << "row " << i;
        }
        EXPECT_EQ(Glyphs(row).count(kWhite), 1u);
        EXPECT_EQ(LabelColour(row), kWhite);
    }
    // The calls that change the input, the route or the programme.
    std::vector<std::string> Switches()
    {
        std::vector<std::string> out;
        for (const std::string& call : sim::Calls())
            for (const char* name :
                 { "SetInputSource", "SwitchMSrvDtvRoute", "PlayCurrentProgram", "ChangeProgramList" })
                if (call.rfind(name, 0) == 0) out.push_back(call);
        return out;
    }

    AtvDtvSwitchMenuHandler* menu_ = nullptr;
};

TEST_F(AtvDtvMenuTest, ThreeEntriesWithSatellite)
{
    Start(true);
    EXPECT_EQ(menu_->GetFormEntries(), 3);
    EXPECT_EQ(Labels(), (std::vector<std::string>{ "DTV Ant", "DTV Sat", "ATV" }));
    EXPECT_EQ(Routes(), (std::vector<U32>{ 28001, 28064, 1000 }));
    {
        BriskManagerLock lock;
        EXPECT_EQ(menu_->FindImageItem("bg_image")->GetImagePath(), "/test/images/switch/bg_3.png");
        EXPECT_EQ(menu_->FindImageItem("bg_image")->GetRect(), kSwitchPanel);
        EXPECT_EQ(menu_->FindTextItem("title_text")->GetTop(), 510);
    }

    // On digital TV, antenna route 0: the menu opens on "DTV Ant".
    Key(ATVDTV);
    EXPECT_EQ(manager_->GetCurrentStatus(), kMenuShown);
    EXPECT_EQ(Pixel(surface_, kSwitchPanel.left + 4, kSwitchPanel.top + 4), kSwitchBg3Colour);
    ExpectFocusOn(0, 3);
    EXPECT_EQ(Glyphs(1).count(kNormal), 1u);

    // The cursor keys wrap within the three, switching nothing.
    sim::ClearCalls();
    Key(DOWN);
    ExpectFocusOn(1, 3);
    Key(DOWN);
    ExpectFocusOn(2, 3);
    EXPECT_EQ(Glyphs(0).count(kNormal), 1u);
    Key(DOWN);
    ExpectFocusOn(0, 3);
    Key(UP);
    ExpectFocusOn(2, 3);
    EXPECT_EQ(Switches(), std::vector<std::string>{});
    EXPECT_EQ(manager_->GetCurrentStatus(), kMenuShown);
}

TEST_F(AtvDtvMenuTest, TwoEntriesWithoutSatellite)
{
    // Present but not enabled; or enabled on a set without satellite reception.
    for (bool capable : { true, false }) {
        SCOPED_TRACE(capable ? "satellite disabled" : "no satellite reception");
        sim::SetSatelliteCapability(capable);
        Start(!capable);
        EXPECT_EQ(menu_->GetFormEntries(), 2);
        EXPECT_EQ(Labels(), (std::vector<std::string>{ "DTV Ant", "ATV", "(hidden)" }));
        EXPECT_EQ(Routes(), (std::vector<U32>{ 28001, 1000 }));
        {
            BriskManagerLock lock;
            ImageItem* bg = menu_->FindImageItem("bg_image");
            EXPECT_EQ(bg->GetImagePath(), "/test/images/switch/bg_2.png");
            EXPECT_EQ(bg->GetRect(), _Rect(kSwitchPanel.left, 530, kSwitchPanel.width, 155));
            EXPECT_EQ(menu_->FindTextItem("title_text")->GetTop(), 565);
            // The analogue entry in the second row with the analogue art;
            // the third row's icon goes with its label.
            EXPECT_EQ(Icon(1)->GetImagePath(), "/test/images/switch/atv_n.png");
            EXPECT_EQ(Icon(2)->GetVisible(), 0);
        }

        // Enabled after the load, satellite reception adds no row to the
        // two built: the third is hidden.
        sim::SetSatelliteMode(1);
        Key(ATVDTV);
        ExpectFocusOn(0, 2);
        EXPECT_EQ(menu_->GetEntriesInUse(), 2);
        EXPECT_EQ(Pixel(surface_, kSwitchPanel.left + 4, 520), 0u);   // above the shorter background
        EXPECT_EQ(Pixel(surface_, kSwitchPanel.left + 4, 534), kSwitchBg2Colour);
        EXPECT_EQ(Pixel(surface_, kSwitchIcons[2].left + 20, kSwitchIcons[2].top + 20), kSwitchBg2Colour);
        Key(DOWN);
        ExpectFocusOn(1, 2);
        Key(DOWN);
        ExpectFocusOn(0, 2);
        Key(UP);
        ExpectFocusOn(1, 2);
        StopManager();
    }
}

TEST_F(AtvDtvMenuTest, OpensOnTheReceptionInUse)
{
    Start(true, 1);
    EXPECT_EQ(Labels(), (std::vector<std::string>{ "DTV Cable", "DTV Sat", "ATV" }));
    EXPECT_EQ(Routes(), (std::vector<U32>{ 28002, 28064, 1000 }));

    struct Case {
        MAPI_INPUT_SOURCE_TYPE source;
        U8 route;
        U8 routeType;   // of that route
        int row;
    };
    const Case cases[] = {
        { MAPI_INPUT_SOURCE_DTV, 1, 2, 0 },                                          // digital cable on route 1
        { MAPI_INPUT_SOURCE_DTV, 2, 64, 1 },                                         // satellite
        { MAPI_INPUT_SOURCE_DTV, 2, 4, 1 },                                          // satellite by its other type
        { MAPI_INPUT_SOURCE_DTV, 0, 1, 0 },                                          // antenna: no entry, the first
        { MAPI_INPUT_SOURCE_ATV, 1, 2, 2 },                                          // analogue, whatever the route
        { MAPI_INPUT_SOURCE_ATV, 2, 64, 2 }, { MAPI_INPUT_SOURCE_HDMI, 2, 64, 0 },   // another input: the first
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("source " + std::to_string(c.source) + ", route type " + std::to_string(c.routeType));
        sim::SetInputSource(c.source);
        sim::SetCurrentRoute(c.route);
        sim::SetRoutePath(2, c.route == 2 ? c.routeType : 64);
        Key(ATVDTV);
        EXPECT_EQ(manager_->GetCurrentStatus(), kMenuShown);
        ExpectFocusOn(c.row, 3);
        Key(EXIT);
        EXPECT_EQ(manager_->GetCurrentStatus(), kNothingShown);
    }
}

TEST_F(AtvDtvMenuTest, GreyAtvCannotBeSelected)
{
    // Country 14, cable operator 7, on the cable route: no analogue TV.
    sim::SetCountry(14);
    sim::SetCableOperator(7);
    sim::SetCurrentRoute(1);
    Start(false);
    EXPECT_EQ(LabelColour(1), kGrey);
    Key(ATVDTV);
    ExpectFocusOn(0, 2);
    std::set<U32> grey = Glyphs(1);
    EXPECT_FALSE(grey.empty());
    EXPECT_EQ(grey.count(kNormal) + grey.count(kWhite), 0u);

    Key(DOWN);
    ExpectFocusOn(1, 2);   // focused, it is white like any other
    Key(UP);
    EXPECT_EQ(LabelColour(1), kGrey);
    EXPECT_EQ(Glyphs(1), grey);   // OK on it switches nothing: atvdtv-menu-two.script

    // On the antenna route analogue TV is allowed again, and the label
    // shows it at the next opening.
    Key(EXIT);
    sim::SetCurrentRoute(0);
    Key(ATVDTV);
    EXPECT_EQ(LabelColour(1), kNormal);
    EXPECT_EQ(Glyphs(1).count(kNormal), 1u);
}

// OK on the route in use switches nothing, and from another input "DTV
// Ant" switches input, route and programme: atvdtv-menu-cable.script and
// atvdtv-menu-satellite.script check those. On an antenna route, though
// not the first, only the input changes.
TEST_F(AtvDtvMenuTest, OkSwitchesOnlyWhatMustChange)
{
    Start(true);
    sim::SetRoutePath(3, 32);
    sim::SetCurrentRoute(3);
    sim::SetInputSource(MAPI_INPUT_SOURCE_HDMI2);
    Key(ATVDTV);
    sim::ClearCalls();
    Key(OK);
    EXPECT_EQ(Switches(), (std::vector<std::string>{ "SetInputSource(28,1,0,0)", "PlayCurrentProgram()" }));
    EXPECT_EQ(sim::CurrentRoute(), 3);
}

TEST_F(AtvDtvMenuTest, MenuKeyStepsAndSwitchesAtOnce)
{
    Start(true);
    Key(ATVDTV);
    ExpectFocusOn(0, 3);
    const std::vector<std::string> steps[] = {
        { "SwitchMSrvDtvRoute(2)", "PlayCurrentProgram()" },
        { "SetInputSource(1,1,0,0)", "ChangeProgramList(2,3)" },
        { "SetInputSource(28,1,0,0)", "SwitchMSrvDtvRoute(0)", "PlayCurrentProgram()" },
    };
    for (int i = 0; i < 3; ++i) {
        sim::ClearCalls();
        Key(ATVDTV);
        ExpectFocusOn((i + 1) % 3, 3);
        EXPECT_EQ(Switches(), steps[i]);
        EXPECT_EQ(manager_->GetCurrentStatus(), kMenuShown);   // it stays open
    }
    // The time-out closes it, switching nothing.
    sim::ClearCalls();
    Advance(5900);
    EXPECT_EQ(manager_->GetCurrentStatus(), kMenuShown);
    Advance(200);
    EXPECT_EQ(manager_->GetCurrentStatus(), kNothingShown);
    EXPECT_EQ(Switches(), std::vector<std::string>{});
    EXPECT_EQ(OpaqueCount(surface_, menu_->GetItemRegion()), 0);
}

TEST_F(AtvDtvMenuTest, SatelliteTurnedOffWhileOpenBringsTheFocusBack)
{
    Start(true);
    sim::SetInputSource(MAPI_INPUT_SOURCE_ATV);
    Key(ATVDTV);
    ExpectFocusOn(2, 3);
    sim::SetSatelliteMode(0);

    // OK acts on the last entry still in use, never on "ATV" beyond them.
    sim::ClearCalls();
    Key(OK);
    EXPECT_EQ(Switches(), (std::vector<std::string>{ "SetInputSource(28,1,0,0)", "SwitchMSrvDtvRoute(2)",
                                                     "PlayCurrentProgram()" }));

    sim::SetInputSource(MAPI_INPUT_SOURCE_ATV);
    sim::SetSatelliteMode(1);
    Key(ATVDTV);
    ExpectFocusOn(2, 3);
    sim::SetSatelliteMode(0);
    // Up from the second entry, the first; the third shows no focus.
    Key(UP);
    EXPECT_EQ(menu_->GetEntriesInUse(), 2);
    ExpectFocusOn(0, 3);
    Key(UP);
    ExpectFocusOn(1, 3);
    Key(UP);
    ExpectFocusOn(0, 3);
}

}   // namespace
