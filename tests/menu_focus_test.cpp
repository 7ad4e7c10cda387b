// The menus' focus list on a test layout: wrap-around both ways within the
// entries in use (which may change between keys), the focus bar centred on
// the focused icon, the path endings and label colours (only on visible
// items, except when the menu opens) and the last-match search. The drawn
// focus and the hook that greys a label are checked through the menus'
// own keys (input_menu_test, atvdtv_menu_test).
#include <gtest/gtest.h>

#include "EventHandler.h"
#include "MenuFocus.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

struct Source {
    U32 source;
    U8 route;
};

const U32 kNormal = 0xFF4B557C, kWhite = 0xFFFFFFFF;

class MenuFocusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        handler_.SetHost(&host_);
        // Icons 1 and 2 drawn and visible; icon 3 near the top; icon 4 drawn
        // but not "visible (1)", its label hidden; entry 5 has no items.
        const struct {
            _Rect icon;
            const char* art;
            const char* label;
            int iconVisible, labelVisible;
        } entries[] = { { _Rect(50, 100, 40, 50), "tv_n.png", "TV", 1, 1 },
                        { _Rect(50, 201, 40, 41), "av_n.png", "AV", 1, 1 },
                        { _Rect(50, 5, 40, 10), "hd_n.png", "ATV", 1, 1 },
                        { _Rect(50, 300, 40, 40), "pc_n.png", "PC", 2, 0 } };
        std::string layout = LayoutImage("focus_bar", _Rect(40, 0, 400, 61), "bar.png");
        for (size_t i = 0; i < 4; ++i) {
            std::string n = std::to_string(i + 1);
            layout += LayoutImage("icon" + n, entries[i].icon, entries[i].art, entries[i].iconVisible) +
                      LayoutText("text" + n, _Rect(100, entries[i].icon.top + 30, 100, 4), entries[i].label,
                                 entries[i].labelVisible);
        }
        root_.Write("/menu.ini", layout);
        handler_.LoadResource((root_.Path() + "/menu.ini").c_str());
        const Source sources[] = { { 28, 1 }, { 2, 0 }, { 28, 64 }, { 1, 0 }, { 28, 2 } };
        for (int i = 0; i < 5; ++i) {
            std::string n = std::to_string(i + 1);
            focus_.AddEntry(("icon" + n).c_str(), ("text" + n).c_str(), sources[i]);
        }
        focus_.Bind(handler_, "focus_bar");
        for (const char* text : { "text1", "text2", "text3", "text4" })
            handler_.FindTextItem(text)->SetFontColor(kNormal);
    }
    std::string Path(U8 i) { return focus_.IconAt(i)->GetImagePath(); }
    U32 Colour(U8 i) { return focus_.TextAt(i)->GetFontColor(); }
    TempRoot root_;
    RecordingHost host_{ Dfb() };
    BareHandler handler_;
    MenuFocus<Source> focus_;
};

TEST_F(MenuFocusTest, WrapsBothWaysWithinTheEntriesInUse)
{
    ASSERT_EQ(focus_.Size(), 5);
    ASSERT_EQ(focus_.GetCount(), 5);
    // Each step: the entries in use as the menu reads them before a key
    // (fewer between two keys keeps the focus among them), the move ('+'
    // next, '-' previous, '=' none) and the focus after it.
    const struct {
        U8 count;
        char move;
        U8 focus;
    } steps[] = { { 5, '+', 1 }, { 5, '+', 2 }, { 5, '+', 3 }, { 5, '+', 4 }, { 5, '+', 0 },
                  { 5, '-', 4 }, { 3, '=', 2 }, { 3, '+', 0 }, { 3, '-', 2 }, { 2, '=', 1 },
                  { 2, '+', 0 }, { 2, '+', 1 }, { 2, '-', 0 }, { 2, '-', 1 }, { 3, '+', 2 } };
    for (size_t i = 0; i < sizeof(steps) / sizeof(steps[0]); ++i) {
        focus_.SetCount(steps[i].count);
        if (steps[i].move == '+') focus_.Next();
        if (steps[i].move == '-') focus_.Previous();
        EXPECT_EQ(focus_.GetFocusIndex(), steps[i].focus) << "step " << i;
    }
    // A direct choice outside the entries in use falls back to the first.
    focus_.SetFocusIndex(4);
    EXPECT_EQ(focus_.GetFocusIndex(), 0);
    // More than exist is cut; none in use moves nothing.
    focus_.SetCount(9);
    EXPECT_EQ(focus_.GetCount(), 5);
    focus_.SetCount(0);
    focus_.Next();
    focus_.Previous();
    EXPECT_EQ(focus_.GetFocusIndex(), 0);
}

TEST_F(MenuFocusTest, FocusBarCentresOnTheFocusedIcon)
{
    ImageItem* bar = focus_.FocusBar();
    focus_.UpdateFocusBar();
    EXPECT_EQ(bar->GetRect(), _Rect(40, 100 + 25 - 30, 400, 61));   // halves truncated
    focus_.Next();
    focus_.UpdateFocusBar();
    EXPECT_EQ(bar->GetTop(), 201u + 20 - 30);
    // Unsigned arithmetic: 5 + 5 - 30 wraps, which reads back as -20.
    focus_.Next();
    focus_.UpdateFocusBar();
    EXPECT_EQ(bar->GetRect().top, -20);
    // An entry without an icon leaves the bar where it was.
    focus_.SetFocusIndex(4);
    focus_.UpdateFocusBar();
    EXPECT_EQ(bar->GetRect().top, -20);
    EXPECT_EQ(focus_.FocusedIcon(), nullptr);
}

TEST_F(MenuFocusTest, BindingAReloadedLayoutKeepsTheFocusOnTheNewItems)
{
    focus_.FocusInitial(2);
    focus_.SetCount(3);
    handler_.ReloadResource((root_.Path() + "/menu.ini").c_str());
    focus_.Bind(handler_, "focus_bar");
    EXPECT_EQ(focus_.GetFocusIndex(), 2);
    EXPECT_EQ(focus_.GetCount(), 3);
    ASSERT_NE(focus_.IconAt(2), nullptr);
    EXPECT_EQ(focus_.FocusedIcon(), focus_.IconAt(2));
    EXPECT_EQ(focus_.FocusedText(), focus_.TextAt(2));
    EXPECT_EQ(focus_.FocusBar(), handler_.FindImageItem("focus_bar"));
    focus_.Next();
    EXPECT_EQ(focus_.GetFocusIndex(), 0);
}

TEST_F(MenuFocusTest, OnlyVisibleItemsChangeExceptWhenTheMenuOpens)
{
    // Icon 4 draws (visibility 2) but is not "visible (1)"; label 4 is hidden.
    focus_.SetFocusIndex(3);
    focus_.UpdateFocusBar();
    EXPECT_EQ(Path(3), "/test/images/pc_n.png");
    EXPECT_EQ(Colour(3), kNormal);
    EXPECT_EQ(focus_.FocusedIcon(), focus_.IconAt(3));   // remembered all the same

    // Focused, then hidden: moving on leaves it alone...
    focus_.FocusInitial(0);
    focus_.IconAt(0)->SetVisible(0);
    focus_.TextAt(0)->SetVisible(0);
    focus_.Next();
    focus_.UpdateFocusBar();
    EXPECT_EQ(Path(0), "/test/images/tv_f.png");
    EXPECT_EQ(Colour(0), kWhite);
    // ...but opening the menu returns the previous focus to normal whatever
    // its visibility.
    focus_.FocusInitial(0);
    focus_.FocusInitial(2);
    EXPECT_EQ(Path(0), "/test/images/tv_n.png");
    EXPECT_EQ(Colour(0), kNormal);
    EXPECT_EQ(Path(2), "/test/images/hd_f.png");
}

TEST_F(MenuFocusTest, LastMatchingEntryInUseWins)
{
    auto dtv = [](const Source& s) { return s.source == 28; };
    EXPECT_EQ(focus_.FindLast(dtv), 4);
    focus_.SetCount(3);
    EXPECT_EQ(focus_.FindLast(dtv), 2);
    EXPECT_EQ(focus_.FindLast([](const Source& s) { return s.source == 28 && s.route == 1; }), 0);
    EXPECT_EQ(focus_.FindLast([](const Source& s) { return s.source == 23; }), 0);   // none: the first
    EXPECT_EQ(focus_.FindLast([](const Source& s) { return s.source == 1; }), 0);    // entry 3 is not in use

    focus_.FocusInitial(focus_.FindLast([](const Source& s) { return s.source == 2; }));
    EXPECT_EQ(focus_.FocusedPayload().source, 2u);
    focus_.PayloadAt(1).source = 16;   // a menu rewrites an entry after load
    EXPECT_EQ(focus_.FocusedPayload().source, 16u);
}

}   // namespace
