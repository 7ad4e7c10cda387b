// What every OSD handler shares: the four-item bar, the image-path ending
// swap, and the extra layout keys a handler reads from the one parse of
// its layout file.
#include <gtest/gtest.h>
#include <string.h>

#include "EventHandler.h"
#include "ItemBar.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

class PlainHandler : public BareHandler {
public:
    using EventHandler::LoadLayout;
};

// A track of 320 with 10-pixel caps: a span of 300.
std::string BarLayout()
{
    return LayoutImage("track", _Rect(100, 100, 320, 20), "track.png") +
           LayoutImage("left", _Rect(100, 100, 10, 20), "fill.png") +
           LayoutImage("middle", _Rect(110, 100, 300, 20), "fill.png") +
           LayoutImage("right", _Rect(410, 100, 10, 20), "fill.png");
}

class HelperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        handler_.SetHost(&host_);
        root_.Write("/test/images/.keep", "");
    }
    std::string Write(const std::string& content)
    {
        root_.Write("/layout.ini", content);
        return root_.Path() + "/layout.ini";
    }
    void Load(const std::string& content) { handler_.LoadResource(Write(content).c_str()); }
    void BindBar(ItemBar::EN_CAPS caps) { bar_.Bind(handler_, "track", "left", "middle", "right", caps); }

    TempRoot root_;
    RecordingHost host_{ Dfb() };
    PlainHandler handler_;
    ItemBar bar_;
};

TEST_F(HelperTest, ProgressBarFillsItsSpanAndHidesItsCapsAtZero)
{
    Load(BarLayout());
    BindBar(ItemBar::E_CAPS_HIDDEN_AT_ZERO);
    ASSERT_EQ(bar_.Span(), 300u);
    const struct {
        U32 value;
        S32 width;
    } cases[] = { { 0, 0 }, { 1, 3 }, { 50, 150 }, { 100, 300 } };
    for (const auto& c : cases) {
        bar_.Fill(c.value, 100);
        EXPECT_EQ(bar_.Middle()->GetRect(), _Rect(110, 100, c.width, 20)) << c.value;
        EXPECT_EQ(bar_.RightCap()->GetRect(), _Rect(110 + c.width, 100, 10, 20)) << c.value;
        EXPECT_EQ(bar_.LeftCap()->GetVisible(), c.value != 0 ? 1 : 0) << c.value;
        EXPECT_EQ(bar_.RightCap()->GetVisible(), c.value != 0 ? 1 : 0) << c.value;
    }
    // Out of range: the span at most, nothing for a maximum of 0.
    bar_.Fill(250, 100);
    EXPECT_EQ(bar_.Middle()->GetWidth(), 300u);
    bar_.Fill(5, 0);
    EXPECT_EQ(bar_.Middle()->GetWidth(), 0u);
    // A large maximum does not wrap the arithmetic.
    bar_.Fill(0x80000000u, 0xFFFFFFFFu);
    EXPECT_EQ(bar_.Middle()->GetWidth(), 150u);
}

TEST_F(HelperTest, VolumeBarKeepsItsCapsAndMissingPartsAreSkipped)
{
    Load(BarLayout());
    BindBar(ItemBar::E_CAPS_ALWAYS);
    bar_.Fill(0, 100);
    EXPECT_EQ(bar_.RightCap()->GetRect(), _Rect(110, 100, 10, 20));
    EXPECT_EQ(bar_.LeftCap()->GetVisible() & bar_.RightCap()->GetVisible(), 1);
    bar_.SetVisible(0);
    for (ImageItem* item : { bar_.Track(), bar_.LeftCap(), bar_.Middle(), bar_.RightCap() })
        EXPECT_EQ(item->GetVisible(), 0) << item->GetName();

    // No caps: the whole track is the span. Without its right cap a
    // progress bar stays as loaded; a volume bar still sizes its middle.
    PlainHandler other;
    other.LoadResource(Write(LayoutImage("track", _Rect(100, 100, 320, 20), "track.png") +
                             LayoutImage("middle", _Rect(100, 100, 320, 20), "fill.png"))
                           .c_str());
    ItemBar bar;
    bar.Bind(other, "track", "left", "middle", "right", ItemBar::E_CAPS_HIDDEN_AT_ZERO);
    EXPECT_EQ(bar.Span(), 320u);
    bar.Fill(50, 100);
    EXPECT_EQ(bar.Middle()->GetWidth(), 320u);
    bar.Bind(other, "track", "left", "middle", "right", ItemBar::E_CAPS_ALWAYS);
    bar.Fill(50, 100);
    EXPECT_EQ(bar.Middle()->GetWidth(), 160u);
    bar.SetVisible(0);   // missing caps skipped
    // Caps wider than the track leave no span.
    bar.Bind(other, "middle", "track", "none", "track", ItemBar::E_CAPS_ALWAYS);
    EXPECT_EQ(bar.Span(), 0u);
}

TEST_F(HelperTest, PathEndingSwap)
{
    WriteSolidPng(root_.Path() + "/test/images/icon_n.png", 2, 2, 0xFF0000FF);
    Load(LayoutImage("icon", _Rect(0, 0, 4, 4), "icon_n.png"));
    ImageItem* icon = handler_.FindImageItem("icon");
    IDirectFBSurface* surface = NewSurface(16, 16);
    handler_.Update(surface);
    surface->Release(surface);
    ASSERT_NE(icon->CachedSurface(), nullptr);

    const char* const steps[][2] = { { "f.png", "/test/images/icon_f.png" },
                                     { "nomal.png", "/test/images/inomal.png" },
                                     { "white.PNG", "/test/images/iwhite.PNG" } };
    for (const auto& step : steps) {
        EXPECT_TRUE(EventHandler::SwapPathEnding(icon, step[0]));
        EXPECT_EQ(icon->GetImagePath(), step[1]);
    }
    EXPECT_EQ(icon->CachedSurface(), nullptr);   // decoded again at the next draw
    // A path exactly as long as the ending is replaced whole; a shorter
    // one stays as it is.
    icon->SetImagePath("n.png");
    EXPECT_FALSE(EventHandler::SwapPathEnding(icon, "black.png"));
    EXPECT_EQ(icon->GetImagePath(), "n.png");
    EXPECT_TRUE(EventHandler::SwapPathEnding(icon, "2.png"));
    EXPECT_EQ(icon->GetImagePath(), "2.png");
    EXPECT_FALSE(EventHandler::SwapPathEnding(nullptr, "f.png"));
}

TEST_F(HelperTest, ShowingAnOsdWithoutAStatusIsRefusedAndLogged)
{
    EXPECT_EQ(handler_.GetOsdStatus(), 0);
    std::string out = CaptureStdout([&] { handler_.ShowOsd(); });
    EXPECT_NE(out.find("EventHandler::ShowOsd, handler"), std::string::npos) << out;
}

TEST_F(HelperTest, ExtraKeysComeFromTheBaseParse)
{
    std::string longPath(150, 'p');
    LayoutKeys keys;
    handler_.LoadLayout(Write(BarLayout() + "[setting]\nu16TimeOut = 5000\nu8MaxDigitNumber = 6\nbanner_HDMI = " +
                              longPath + "\nbanner_PC = /pc.png\n")
                            .c_str(),
                        keys);
    EXPECT_EQ(handler_.ItemCount(), 4u);
    EXPECT_EQ(handler_.GetTimeOut(), 5000);
    EXPECT_EQ(keys.GetUnsigned("setting:u8MaxDigitNumber", 4), 6u);
    EXPECT_EQ(keys.GetUnsigned("setting:u8Missing", 4), 4u);

    // Bounded copies: at most 99 characters into 100, always terminated;
    // a missing key gives an empty string.
    char path[100];
    EXPECT_TRUE(keys.GetString("setting:banner_HDMI", path, sizeof(path)));
    EXPECT_EQ(std::string(path), longPath.substr(0, 99));
    EXPECT_TRUE(keys.GetString("SETTING:BANNER_PC", path, sizeof(path)));   // keys fold to lower case
    EXPECT_STREQ(path, "/pc.png");
    EXPECT_FALSE(keys.GetString("setting:type_TV", path, sizeof(path)));
    EXPECT_STREQ(path, "");

    // An unreadable file: the base's line, nothing open, the defaults.
    LayoutKeys none;
    std::string out = CaptureStdout([&] { PlainHandler().LoadLayout("/nonexistent.ini", none); });
    EXPECT_NE(out.find("[BriskUI] EventHandler::LoadResource failed, no such file /nonexistent.ini"),
              std::string::npos);
    EXPECT_FALSE(none.IsOpen());
    EXPECT_EQ(none.GetUnsigned("setting:u8MaxDigitNumber", 4), 4u);
}

}   // namespace
