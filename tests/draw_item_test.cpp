// Image and text items drawn for real: scaling into the rectangle, the
// caches and when they are dropped, the text baseline, failure messages.
#include <gtest/gtest.h>

#include <zlib.h>

#include <vector>

#include "DrawItem.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

std::string Be32(uint32_t v) { return std::string{ (char)(v >> 24), (char)(v >> 16), (char)(v >> 8), (char)v }; }

std::string Chunk(const char* type, const std::string& data)
{
    std::string body = std::string(type, 4) + data;
    return Be32((uint32_t)data.size()) + body + Be32((uint32_t)crc32(0, (const Bytef*)body.data(), (uInt)body.size()));
}

std::string Deflated(const std::string& data)
{
    std::vector<Bytef> packed(compressBound((uLong)data.size()));
    uLongf size = (uLongf)packed.size();
    compress(packed.data(), &size, (const Bytef*)data.data(), (uLong)data.size());
    return std::string((const char*)packed.data(), size);
}

const std::string kPngSignature("\x89PNG\r\n\x1a\n", 8);

// A well-formed PNG saying `width` x `height` (8-bit RGBA) whose image data
// holds only `rowBytes` bytes of its first row.
std::string ShortPng(uint32_t width, uint32_t height, size_t rowBytes)
{
    std::string png = kPngSignature + Chunk("IHDR", Be32(width) + Be32(height) + std::string{ 8, 6, 0, 0, 0 });
    std::string row(rowBytes + 1, '\0');   // filter byte 0, then the pixels
    return png + Chunk("IDAT", Deflated(row)) + Chunk("IEND", "");
}

// A 2 x 1 palette PNG of index 0 twice, its chunks before the image data
// as given.
std::string PalettePng(const std::string& chunks)
{
    return kPngSignature + Chunk("IHDR", Be32(2) + Be32(1) + std::string{ 8, 3, 0, 0, 0 }) + chunks +
           Chunk("IDAT", Deflated(std::string(3, '\0'))) + Chunk("IEND", "");
}

class DrawItemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        surface_ = NewSurface();
        WriteSolidPng(root_.Path() + "/red.png", 2, 2, 0xFFFF0000);
        WriteSolidPng(root_.Path() + "/blue.png", 2, 2, 0xFF0000FF);
    }
    void TearDown() override { surface_->Release(surface_); }

    TempRoot root_;
    IDirectFBSurface* surface_ = nullptr;
};

// A 2x2 red JPEG whose frame header says 16384 x 16384.
std::string HugeJpeg()
{
    std::string jpeg = RedJpeg();
    size_t frame = jpeg.find("\xFF\xC0");
    jpeg.replace(frame + 5, 4, std::string("\x40\x00\x40\x00", 4));   // height, width
    return jpeg;
}

TEST_F(DrawItemTest, ImageIsScaledIntoItsRectangle)
{
    ImageItem item;
    item.SetRect(_Rect(100, 50, 40, 30));
    item.SetImagePath("/red.png");   // resolved under the test root
    EXPECT_TRUE(item.Update(surface_, Dfb()));
    EXPECT_EQ(Pixel(surface_, 100, 50), 0xFFFF0000u);
    EXPECT_EQ(Pixel(surface_, 139, 79), 0xFFFF0000u);
    EXPECT_EQ(Pixel(surface_, 140, 79) >> 24, 0u);
    EXPECT_EQ(Pixel(surface_, 139, 80) >> 24, 0u);
    EXPECT_EQ(OpaqueCount(surface_, _Rect(0, 0, 1280, 720)), 40 * 30);
    EXPECT_EQ(item.GetImagePath(), "/red.png");
}

TEST_F(DrawItemTest, InvisibleImageDecodesOnlyOnceShownAndAtZeroSizeDrawsNothing)
{
    ImageItem item;
    item.SetRect(_Rect(10, 10, 0, 20));
    item.SetImagePath("/red.png");
    item.SetVisible(0);
    EXPECT_FALSE(item.Update(surface_, Dfb()));
    EXPECT_EQ(item.CachedSurface(), nullptr);
    item.SetVisible(1);
    item.Update(surface_, Dfb());
    EXPECT_NE(item.CachedSurface(), nullptr);
    EXPECT_EQ(OpaqueCount(surface_, _Rect(0, 0, 100, 100)), 0);
}

TEST_F(DrawItemTest, NullPathWarnsAndKeepsTheImage)
{
    ImageItem item;
    item.SetName("logo");
    item.SetRect(_Rect(0, 0, 10, 10));
    item.SetImagePath("/blue.png");
    item.Update(surface_, Dfb());
    std::string out = CaptureStdout([&] { item.SetImagePath(nullptr); });
    EXPECT_EQ(out, "[BriskUI] Warning!!! ImageItem logo set with NULL ImagePath\n");
    EXPECT_EQ(item.GetImagePath(), "/blue.png");
    EXPECT_NE(item.CachedSurface(), nullptr);
}

TEST_F(DrawItemTest, FailuresAreReportedAndRetried)
{
    ImageItem missing;
    missing.SetRect(_Rect(0, 0, 10, 10));
    missing.SetImagePath("/nothing.png");
    std::string out = CaptureStdout([&] { EXPECT_FALSE(missing.Update(surface_, Dfb())); });
    EXPECT_EQ(out, "ImageItem::Update() fail to create provider of image " + root_.Path() + "/nothing.png\n");
    EXPECT_EQ(missing.CachedSurface(), nullptr);

    out = CaptureStdout([&] { EXPECT_FALSE(missing.Update(nullptr, Dfb())); });
    EXPECT_EQ(out, "ImageItem::Update, no DFB resource for drawing\n");

    TextItem text;
    text.SetFontPath("/no-font.ttf");
    text.SetFontSize(20);
    text.SetText("x");
    for (int i = 0; i < 2; ++i) {
        out = CaptureStdout([&] { EXPECT_FALSE(text.Update(surface_, Dfb())); });
        EXPECT_EQ(out.rfind("TextItem::Update() create font fail. " + root_.Path() + "/no-font.ttf : ", 0), 0u) << out;
        EXPECT_EQ(text.CachedFont(), nullptr);
    }
    out = CaptureStdout([&] { EXPECT_EQ(text.GetTextWidth(nullptr), 0u); });
    EXPECT_EQ(out, "TextItem::GetTextWidth, no DFB handler resource\n");
    out = CaptureStdout([&] { EXPECT_FALSE(text.Update(surface_, nullptr)); });
    EXPECT_EQ(out, "TextItem::Update, no DFB resource for drawing\n");
}

TEST_F(DrawItemTest, ImageOrFontThatIsNoRegularFileIsMissing)
{
    Fifo fifo(root_.Path() + "/fifo");
    ImageItem image;
    for (const char* path : { "/fifo", "/" }) {
        image.SetImagePath(path);
        std::string out = CaptureStdout([&] { EXPECT_FALSE(image.Update(surface_, Dfb())); });
        EXPECT_EQ(out, "ImageItem::Update() fail to create provider of image " + root_.Path() + path + "\n");
    }
    TextItem text;
    text.SetFontPath("/fifo");
    std::string out = CaptureStdout([&] { EXPECT_FALSE(text.Update(surface_, Dfb())); });
    EXPECT_EQ(out.rfind("TextItem::Update() create font fail. " + root_.Path() + "/fifo : ", 0), 0u) << out;
    EXPECT_FALSE(fifo.ReaderBlocked());
}

TEST_F(DrawItemTest, DamagedOrOversizedImageDrawsNothingAndSaysSoOnce)
{
    // The file that crashed DirectFB's provider: the volume panel's size,
    // its image data ending inside the first row; the same cut inside its
    // data, or with a byte of it changed; a JPEG cut in its headers. Then
    // images beyond the limit, PNG (also past libpng's own width limit) and
    // (through DirectFB's provider) JPEG, each little more than a header.
    std::string crash = ShortPng(600, 120, 24), flipped = crash;
    flipped[45] ^= 0x55;
    const std::string damaged = "fail to render to surface with image ", limit = ", more than 4096 x 4096 or 16 MiB";
    struct Case {
        std::string bytes, before, after;
    } cases[] = {
        { crash, damaged, "" },
        { crash.substr(0, 50), damaged, "" },
        { flipped, damaged, "" },
        { RedJpeg().substr(0, 40), damaged, "" },
        { ShortPng(2147483647, 1, 24), "image ", " is 2147483647 x 1" + limit + " decoded: not drawn" },
        { ShortPng(16384, 16384, 24), "image ", " is 16384 x 16384" + limit + " decoded: not drawn" },
        { ShortPng(4097, 1, 24), "image ", " is 4097 x 1" + limit + " decoded: not drawn" },
        { ShortPng(2048, 2049, 24), "image ", " is 2048 x 2049" + limit + " decoded: not drawn" },
        { HugeJpeg(), "image ", " is 16384 x 16384" + limit + " decoded: not drawn" },
    };
    for (const Case& c : cases) {
        root_.Write("/refused", c.bytes);
        ImageItem item;
        item.SetRect(_Rect(0, 0, 600, 120));
        item.SetImagePath("/refused");
        std::string out = CaptureStdout([&] { EXPECT_FALSE(item.Update(surface_, Dfb())); });
        EXPECT_EQ(out, "ImageItem::Update() " + c.before + root_.Path() + "/refused" + c.after + "\n");
        EXPECT_EQ(OpaqueCount(surface_, _Rect(0, 0, 1280, 720)), 0);
        out = CaptureStdout([&] { EXPECT_FALSE(item.Update(surface_, Dfb())); });
        EXPECT_EQ(out, "");   // not decoded again at every frame, until the path is set
        item.SetImagePath("/red.png");
        EXPECT_TRUE(item.Update(surface_, Dfb()));
        Fill(surface_, 0);
    }
}

// libpng skips a palette's transparency table that is longer than the
// palette or comes before it, and the image draws opaque: said once, with
// the file and libpng's reason. A table that fits draws translucent, silently.
TEST_F(DrawItemTest, PaletteTransparencyThatLibpngSkipsIsSaidOnce)
{
    const std::string palette = Chunk("PLTE", std::string("\xFF\0\0", 3)), alpha = Chunk("tRNS", "\x80");
    const struct {
        std::string chunks, reason;
        U32 argb;
    } cases[] = {
        { palette + alpha, "", 0x80FF0000 },
        { palette + Chunk("tRNS", "\x80\x80"), "tRNS: invalid", 0xFFFF0000 },
        { alpha + palette, "tRNS: out of place", 0xFFFF0000 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        root_.Write("/palette.png", PalettePng(c.chunks));
        ImageItem item;
        item.SetName("art");
        item.SetRect(_Rect(0, 0, 2, 1));
        item.SetImagePath("/palette.png");
        std::string out = CaptureStdout([&] {
            EXPECT_TRUE(item.Update(surface_, Dfb()));
            EXPECT_TRUE(item.Update(surface_, Dfb()));
        });
        EXPECT_EQ(out, c.reason.empty() ? ""
                                        : "[BriskUI] ImageItem art: " + root_.Path() +
                                              "/palette.png has a fault that libpng skips (" + c.reason +
                                              "): drawn as libpng reads it\n");
        IDirectFBSurface* image = item.CachedSurface();
        EXPECT_EQ(Pixel(image, 1, 0), c.argb);
    }
}

// DirectFB reads GIF, BMP, PNM and its own DFIFF format itself, trusting
// each file's header: these files crashed or hung the process (the PNM one
// is intact). They are refused and draw nothing; PNG and JPEG draw. Files
// are known by their content, not their name.
TEST_F(DrawItemTest, OnlyPngAndJpegFilesAreDecoded)
{
    const struct {
        const char* file;
        std::string bytes;
    } refused[] = {
        { "/intact.png", std::string("P5\n4 3\n255\n") + std::string(12, '\x80') },
        { "/cut.gif", "GIF87a\x02" },
        { "/damaged.gif", FromHex("47494638396106000400f1000000800055aa00aad500ffff0021f9040000000000002c00"
                                  "0000060004001f0784c202a9003d0f0b003b") },
        { "/damaged.bmp", FromHex("424d6600000000000000360000002800000005000000035d000001001800000000003000"
                                  "000000000080800080800080800080000000ff0000ff0000ff0000ff0000ff00") },
        { "/cut.dfiff",
          FromHex("44464946460100004000000040000000048c410000010000ffffffff") },   // 64x64 ARGB, 4 bytes of pixels
        { "/empty.png", "" },
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.file);
        root_.Write(r.file, r.bytes);
        ImageItem item;
        item.SetName("art");
        item.SetRect(_Rect(0, 0, 64, 64));
        item.SetImagePath(r.file);
        std::string out = CaptureStdout([&] { EXPECT_FALSE(item.Update(surface_, Dfb())); });
        const std::string path = root_.Path() + r.file;
        EXPECT_EQ(out, "[BriskUI] ImageItem art: " + path +
                           " is neither a PNG nor a JPEG file\n"
                           "ImageItem::Update() fail to create provider of image " +
                           path + "\n");
        EXPECT_EQ(OpaqueCount(surface_, _Rect(0, 0, 1280, 720)), 0);
    }

    root_.Write("/jpeg.png", RedJpeg());
    ImageItem jpeg;
    jpeg.SetRect(_Rect(10, 10, 20, 20));
    jpeg.SetImagePath("/jpeg.png");
    EXPECT_TRUE(jpeg.Update(surface_, Dfb()));
    U32 centre = Pixel(surface_, 20, 20);
    EXPECT_EQ(centre >> 24, 0xFFu);
    EXPECT_GT((centre >> 16) & 0xFF, 0xE0u);
    EXPECT_LT(centre & 0xFF, 0x20u);
}

class TextItemTest : public DrawItemTest {
protected:
    void SetUp() override
    {
        DrawItemTest::SetUp();
        text_.SetFontPath("/config/briskui/fonts/DejaVuSans-Bold.ttf");
        text_.SetFontSize(40);
        text_.SetFontColor(0xFFFFFFFF);
        text_.SetText("HHHH");
    }
    TextItem text_;
};

TEST_F(TextItemTest, TopIsTheBaselineEvenAtZero)
{
    text_.SetLeft(100);
    text_.SetTop(200);
    ASSERT_TRUE(text_.Update(surface_, Dfb()));
    // Capital H sits on the baseline: ink above row 200, none below it.
    EXPECT_GT(OpaqueCount(surface_, _Rect(100, 170, 200, 30)), 100);
    EXPECT_EQ(OpaqueCount(surface_, _Rect(0, 201, 1280, 100)), 0);
    EXPECT_EQ(Pixel(surface_, 105, 190) & 0x00FFFFFF, 0x00FFFFFFu);
    // At top 0 it lies mostly above the surface.
    Fill(surface_, 0);
    text_.SetTop(0);
    text_.Update(surface_, Dfb());
    EXPECT_EQ(OpaqueCount(surface_, _Rect(0, 1, 1280, 100)), 0);
}

TEST_F(TextItemTest, FontCacheRules)
{
    text_.SetVisible(0);
    U32 width = text_.GetTextWidth(Dfb());
    EXPECT_GT(width, 60u);   // measured although invisible
    IDirectFBFont* font = text_.CachedFont();
    ASSERT_NE(font, nullptr);
    text_.SetText("HHHHHHHH");
    text_.SetFontColor(0xFF00FF00);
    EXPECT_EQ(text_.CachedFont(), font);
    EXPECT_NEAR((double)text_.GetTextWidth(Dfb()), 2.0 * width, 2.0);
    text_.SetFontSize(40);
    EXPECT_EQ(text_.CachedFont(), nullptr);   // same size still reopens
    text_.GetTextWidth(Dfb());
    EXPECT_NE(text_.CachedFont(), nullptr);
    text_.SetFontPath(nullptr);
    EXPECT_NE(text_.CachedFont(), nullptr);   // a null path is ignored
    text_.SetText(nullptr);
    EXPECT_EQ(text_.GetText(), "HHHHHHHH");
}

// A text is kept up to what an item can show: E_TEXT_MAX_CHARS whole UTF-8
// characters, or E_TEXT_MAX_BYTES bytes of what is no UTF-8. Each cut is
// said once while the same text is set again; a text that fits is kept whole.
TEST_F(TextItemTest, LongTextIsCutToWholeCharactersAndSaidOnce)
{
    auto repeat = [](const std::string& unit, size_t n) {
        std::string s;
        for (size_t i = 0; i < n; ++i) s += unit;
        return s;
    };
    const std::string emoji = "\xF0\x9F\x98\x80";   // four bytes
    const struct {
        std::string text;
        size_t kept;
    } cases[] = {
        { repeat("x", E_TEXT_MAX_CHARS), E_TEXT_MAX_CHARS },   // fits: no cut
        { repeat("x", E_TEXT_MAX_CHARS + 1), E_TEXT_MAX_CHARS },
        { "x" + repeat(emoji, E_TEXT_MAX_CHARS), 1 + 4 * (E_TEXT_MAX_CHARS - 1) },
        { repeat("\x80", 3 * E_TEXT_MAX_BYTES), E_TEXT_MAX_BYTES },   // stray continuation bytes
    };
    text_.SetName("label");
    for (const auto& c : cases) {
        std::string out = CaptureStdout([&] {
            text_.SetText(c.text.c_str());
            text_.SetText(c.text.c_str());
        });
        EXPECT_EQ(text_.GetText(), c.text.substr(0, c.kept));
        if (c.kept == c.text.size()) {
            EXPECT_EQ(out, "");
            continue;
        }
        EXPECT_EQ(out, "[BriskUI] TextItem label: text cut from " + std::to_string(c.text.size()) + " to " +
                           std::to_string(c.kept) + " bytes (at most 1280 characters): the item cannot show more\n");
        EXPECT_TRUE(text_.Update(surface_, Dfb()));
    }
    // After another text, the long one is said again.
    std::string out = CaptureStdout([&] {
        text_.SetText("short");
        text_.SetText(cases[1].text.c_str());
    });
    EXPECT_NE(out, "");
}

}   // namespace
