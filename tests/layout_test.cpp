// Layout files and the handler base: items in file order, numeric cuts and
// defaults, the item region, case-folded names, look-ups by kind, and the
// transparent clear with its clip.
#include <gtest/gtest.h>

#include "BriskFiles.h"
#include "EventHandler.h"
#include "SimTv.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const char kExample[] =
    "[bg_image]\nu8Type = 1\nu32Left = 100\nu32Top = 80\nu32Width = 400\nu32Height = 120\n"
    "pImagePath = /img/bg.png\n\n"
    "[title_text]\nu8Type = 2\nbVisible = 1\nu32Left = 120\nu32Top = 110\nu32Width = 300\nu32Height = 30\n"
    "u8FontSize = 24\nu32FontColor = 4294967295\npFontPath = /config/briskui/fonts/DejaVuSans.ttf\npText = Input\n\n"
    "[setting]\nu16TimeOut = 5000\nu16StateMask = 0\n";

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override { handler_.SetHost(&host_); }
    void TearDown() override { surface_->Release(surface_); }
    std::string Write(const std::string& content)
    {
        root_.Write("/layout.ini", content);
        return root_.Path() + "/layout.ini";
    }
    // The pixels `handler`'s clear makes transparent on surface_, all green
    // before.
    int Cleared(EventHandler& handler)
    {
        Fill(surface_, 0xFF00FF00);
        handler.ClearSurface(surface_);
        return 100 * 100 - OpaqueCount(surface_, _Rect(0, 0, 100, 100));
    }
    TempRoot root_;
    RecordingHost host_{ Dfb() };
    BareHandler handler_;
    IDirectFBSurface* surface_ = NewSurface(100, 100);
};

TEST_F(LayoutTest, ExampleLayout)
{
    handler_.LoadResource(Write(kExample).c_str());
    ASSERT_EQ(handler_.ItemCount(), 2u);
    EXPECT_EQ(handler_.ItemAt(0)->GetName(), "bg_image");
    EXPECT_EQ(handler_.ItemAt(1)->GetName(), "title_text");
    EXPECT_EQ(handler_.GetItemRegion(), _Rect(100, 80, 400, 120));
    EXPECT_EQ(handler_.GetTimeOut(), 5000);
    EXPECT_EQ(handler_.GetStateMask(), 0);
    TextItem* title = handler_.FindTextItem("title_text");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->GetFontColor(), 0xFFFFFFFFu);
    EXPECT_EQ(title->GetFontSize(), 24);
    EXPECT_EQ(title->GetText(), "Input");
    EXPECT_EQ(handler_.FindImageItem("bg_image")->GetImagePath(), "/img/bg.png");
    // Look-ups are by kind and by the stored lower-case name.
    EXPECT_EQ(handler_.FindTextItem("bg_image"), nullptr);
    EXPECT_EQ(handler_.FindImageItem("BG_IMAGE"), nullptr);
    EXPECT_EQ(handler_.FindImageItem("title_text"), nullptr);
}

TEST_F(LayoutTest, DefaultsAndCuts)
{
    handler_.LoadResource(Write("[a]\nu8Type = 257\nu32Width = 10\nu32Height = 10\n"
                                "[b]\nu8Type = 3\nu32Width = 500\nu32Height = 500\n"
                                "[c]\nu32Width = 600\nu32Height = 600\n"
                                "[d]\nu8Type = 2\nbVisible = 256\nu8FontSize = 300\nu32FontColor = 0xFFFFFFFF\n")
                              .c_str());
    ASSERT_EQ(handler_.ItemCount(), 2u);   // 257 cuts to 1: an image; 3 and none are skipped
    EXPECT_EQ(handler_.ItemAt(0)->GetType(), 1);
    EXPECT_EQ(handler_.ItemAt(0)->GetVisible(), 1);
    EXPECT_EQ(handler_.ItemAt(1)->GetVisible(), 0);   // 256 cuts to 0
    TextItem* d = handler_.FindTextItem("d");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->GetFontSize(), 300 & 0xFF);
    EXPECT_EQ(d->GetFontColor(), 0xFFFFFFFFu);
    EXPECT_EQ(d->GetText(), "");
    EXPECT_EQ(d->GetFontPath(), "");
    // The text item has no size: it adds nothing to the region.
    EXPECT_EQ(handler_.GetItemRegion(), _Rect(0, 0, 10, 10));
    EXPECT_EQ(handler_.GetTimeOut(), 3000);   // no setting section
    EXPECT_EQ(handler_.GetStateMask(), 0);
}

TEST_F(LayoutTest, SectionNamesFoldToLowerCaseAndSixteenBitSettingsAreCut)
{
    // A name with ':' makes no section of its own: iniparser files its keys as "x:y:key".
    handler_.LoadResource(Write("[Title]\nu8Type = 2\nu32Left = 5\n[title]\nu32Left = 7\n[x:y]\nu8Type = 1\n"
                                "[Setting]\nu16TimeOut = 70000\nu16StateMask = 0x1FFFF\n")
                              .c_str());
    ASSERT_EQ(handler_.ItemCount(), 1u);
    EXPECT_EQ(handler_.ItemAt(0)->GetName(), "title");
    EXPECT_EQ(handler_.ItemAt(0)->GetLeft(), 7u);
    EXPECT_EQ(handler_.GetTimeOut(), 4464);
    EXPECT_EQ(handler_.GetStateMask(), 0xFFFF);
}

TEST_F(LayoutTest, SecondLoadAppendsItemsAndAReloadReplacesThemAndTheRegion)
{
    // LoadResource appends; a reload starts from nothing, so the items and
    // the region are the new file's alone.
    std::string path = Write(kExample);
    handler_.LoadResource(path.c_str());
    handler_.LoadResource(path.c_str());
    EXPECT_EQ(handler_.ItemCount(), 4u);
    handler_.ReloadResource(Write("[only]\nu8Type = 1\nu32Left = 10\nu32Top = 20\nu32Width = 30\nu32Height = 40\n"
                                  "[setting]\nu16TimeOut = 700\n")
                                .c_str());
    ASSERT_EQ(handler_.ItemCount(), 1u);
    EXPECT_EQ(handler_.ItemAt(0)->Name(), "only");
    EXPECT_EQ(handler_.FindTextItem("title_text"), nullptr);
    EXPECT_EQ(handler_.GetItemRegion(), _Rect(10, 20, 30, 40));
    EXPECT_EQ(handler_.GetTimeOut(), 700);
}

TEST_F(LayoutTest, MissingFileLeavesTheHandlerEmpty)
{
    // Its log line: HelperTest.ExtraKeysComeFromTheBaseParse.
    CaptureStdout([&] { handler_.LoadResource("/nonexistent/layout.ini"); });
    EXPECT_EQ(handler_.ItemCount(), 0u);
    EXPECT_EQ(handler_.GetTimeOut(), 3000);
    // Its clear touches only the pixel at (0, 0).
    EXPECT_EQ(Cleared(handler_), 1);
    EXPECT_EQ(Pixel(surface_, 0, 0), 0u);
}

// kExample (21 sections and keys) and empty sections up to `entries`.
std::string ExampleWithEntries(int entries)
{
    std::string text = kExample;
    for (int i = 21; i < entries; ++i) text += "[e" + std::to_string(i) + "]\n";
    return text;
}

TEST_F(LayoutTest, FifoOrOversizedLayoutIsUnreadable)
{
    std::string big = kExample;
    while (big.size() <= (1 << 20)) big += "; padding\n";
    std::string path = Write(big), fifoPath = root_.Path() + "/fifo.ini";
    std::string many = root_.Path() + "/many.ini";
    root_.Write("/many.ini", ExampleWithEntries(E_BRISK_MAX_INI_ENTRIES + 1));
    Fifo fifo(fifoPath);
    std::string out = CaptureStdout([&] {
        handler_.LoadResource(path.c_str());
        handler_.LoadResource(fifoPath.c_str());
        handler_.LoadResource(many.c_str());
    });
    std::string line = "[BriskUI] EventHandler::LoadResource failed, no such file ";
    EXPECT_EQ(out, line + path + " (" + std::to_string(big.size()) + " bytes, more than 1048576)\n" + line + fifoPath +
                       " (not a regular file)\n" + line + many + " (2049 sections and keys, more than 2048)\n");
    EXPECT_EQ(handler_.ItemCount(), 0u);
    EXPECT_FALSE(fifo.ReaderBlocked());
    // At the limit it loads.
    handler_.LoadResource(Write(ExampleWithEntries(E_BRISK_MAX_INI_ENTRIES)).c_str());
    EXPECT_EQ(handler_.ItemCount(), 2u);
    EXPECT_EQ(handler_.GetTimeOut(), 5000);
}

TEST_F(LayoutTest, MoreThan255ItemsAreCappedNotWrapped)
{
    std::string content;
    for (int i = 0; i < 300; ++i) content += "[i" + std::to_string(i) + "]\nu8Type = 1\n";
    CaptureStdout([&] { handler_.LoadResource(Write(content).c_str()); });
    EXPECT_EQ(handler_.ItemCount(), 255u);
}

TEST_F(LayoutTest, ClearIsOnePixelLargerAndKeepsItsClip)
{
    WriteSolidPng(root_.Path() + "/red.png", 2, 2, 0xFFFF0000);
    handler_.LoadResource(Write("[box]\nu8Type = 1\nu32Left = 10\nu32Top = 20\nu32Width = 30\nu32Height = 40\n"
                                "pImagePath = /red.png\n")
                              .c_str());
    EXPECT_EQ(Cleared(handler_), 31 * 41);
    EXPECT_EQ(Pixel(surface_, 40, 60), 0u);
    EXPECT_EQ(Pixel(surface_, 41, 60), 0xFF00FF00u);

    // Draw: the item fills its rectangle; moved outside, it is cut by the clip.
    handler_.Update(surface_);
    EXPECT_EQ(Pixel(surface_, 10, 20), 0xFFFF0000u);
    handler_.ItemAt(0)->SetLeft(30);
    handler_.Update(surface_);
    EXPECT_EQ(Pixel(surface_, 40, 30), 0xFFFF0000u);   // inside the clip (one column extra)
    EXPECT_EQ(Pixel(surface_, 45, 30), 0xFF00FF00u);   // beyond it: untouched
}

TEST_F(LayoutTest, HugeGeometryNeitherWrapsNorClearsOutsideItsRegion)
{
    // An item at 2^31 - 1: the region clamps to 32 bits, and the clear
    // covers what of it lies on the surface.
    handler_.LoadResource(Write("[a]\nu8Type = 1\nu32Left = 10\nu32Top = 20\nu32Width = 20\nu32Height = 10\n"
                                "[b]\nu8Type = 1\nu32Left = 2147483647\nu32Top = 20\nu32Width = 100\nu32Height = 10\n")
                              .c_str());
    EXPECT_EQ(handler_.GetItemRegion(), _Rect(10, 20, 2147483647, 10));
    EXPECT_EQ(Cleared(handler_), 90 * 11);

    // A region wholly off the surface, or of negative width (u32Width of
    // 2^31 and more), clears nothing at all.
    for (const char* item : { "u32Left = 2147483600\nu32Width = 100\n", "u32Left = 10\nu32Width = 4294967200\n" }) {
        BareHandler other;
        other.LoadResource(Write(std::string("[c]\nu8Type = 1\nu32Height = 10\n") + item).c_str());
        EXPECT_EQ(Cleared(other), 0) << item;
    }
}

}   // namespace
