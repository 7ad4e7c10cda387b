// PNG helpers, the art rendered from art/*.svg and the sample-root layouts
// that place it.
#include <gtest/gtest.h>
#include <iniparser.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "PngWrite.h"
#include "TestSupport.h"

namespace fs = std::filesystem;
using briskui_sim::ReadPngArgb;
using briskui_sim::WriteArgbPng;
using briskui_sim::WriteArgbPngOverBackdrop;
using namespace testsupport;

namespace {

struct Image {
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    uint32_t at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
};

Image Load(const fs::path& path)
{
    Image img;
    std::string error;
    EXPECT_TRUE(ReadPngArgb(path.string(), &img.px, &img.w, &img.h, &error)) << error;
    return img;
}

int Channel(uint32_t argb, int shift) { return static_cast<int>((argb >> shift) & 0xFF); }

class PngTest : public ::testing::Test {
protected:
    TempRoot root_;
    std::string File(const char* name) const { return root_.Path() + "/" + name; }
};
// The same on a surface of the headless DirectFB.
using PngSurfaceTest = PngTest;

}   // namespace

// ---- PNG write/read --------------------------------------------------------

TEST_F(PngTest, RoundTripKeepsStraightArgbExactlyAndHonoursPitch)
{
    // Alpha 0 with a colour, partial alpha and opaque pixels must survive
    // unchanged: the files hold non-premultiplied colour as stored. Rows of
    // five words hold four pixels, as in a locked surface whose pitch is
    // padded; the padding must not leak into the file.
    const std::vector<uint32_t> src = { 0x00000000, 0x00123456, 0x01FFFFFF, 0x80FF8040, 0xDEADBEEF,
                                        0x7F0080FF, 0xFE010203, 0xFFFFFFFF, 0xFF000000, 0xDEADBEEF };
    ASSERT_TRUE(WriteArgbPng(File("rt.png"), src.data(), 4, 2, 20, nullptr));
    const Image img = Load(File("rt.png"));
    ASSERT_EQ(img.w, 4);
    ASSERT_EQ(img.h, 2);
    const std::vector<uint32_t> expected = { 0x00000000, 0x00123456, 0x01FFFFFF, 0x80FF8040,
                                             0x7F0080FF, 0xFE010203, 0xFFFFFFFF, 0xFF000000 };
    EXPECT_EQ(img.px, expected);
}

// The backdrop composites source-over and is opaque: through transparent
// pixels every backdrop pixel shows, as BackdropPixel gives it, whatever
// size came before (the first size again last); an opaque pixel wins and a
// half-transparent white one mixes.
TEST_F(PngTest, BackdropCompositesSourceOverAtItsOwnSize)
{
    for (const auto& [w, h] : { std::pair{ 17, 9 }, std::pair{ 1, 1 }, std::pair{ 9, 17 }, std::pair{ 17, 9 } }) {
        std::vector<uint32_t> src(static_cast<size_t>(w) * h, 0x00FFFFFF);
        if (src.size() > 1) {
            src[0] = 0xFF102030;
            src.back() = 0x80FFFFFF;
        }
        ASSERT_TRUE(WriteArgbPngOverBackdrop(File("t.png"), src.data(), w, h, w * 4, nullptr));
        const Image img = Load(File("t.png"));
        ASSERT_EQ(img.w, w);
        ASSERT_EQ(img.h, h);
        for (size_t i = 0; i < src.size(); ++i) {
            ASSERT_EQ(img.px[i] >> 24, 0xFFu) << "backdrop output must be opaque";
            if (src[i] != 0x00FFFFFF) continue;
            ASSERT_EQ(img.px[i], briskui_sim::BackdropPixel(static_cast<int>(i) % w, static_cast<int>(i) / w, w, h))
                << w << "x" << h << " at " << i;
        }
        if (src.size() == 1) continue;
        EXPECT_EQ(img.px[0], 0xFF102030u);
        const uint32_t bg = briskui_sim::BackdropPixel(w - 1, h - 1, w, h), mixed = img.px.back();
        for (int shift : { 0, 8, 16 })
            EXPECT_NEAR(Channel(mixed, shift), (255.0 * 128 + Channel(bg, shift) * 127.0) / 255.0, 0.51) << shift;
    }
}

TEST_F(PngTest, ReadsGreyAndPalettePngsAsArgb)
{
    // Files not written by us: 8-bit grey and a colour-mapped image with a
    // transparent entry, written with libpng's simplified API.
    const png_byte grey[4] = { 0, 85, 170, 255 };
    png_image gi{};
    gi.version = PNG_IMAGE_VERSION;
    gi.width = 4;
    gi.height = 1;
    gi.format = PNG_FORMAT_GRAY;
    ASSERT_NE(png_image_write_to_file(&gi, File("grey.png").c_str(), 0, grey, 0, nullptr), 0);
    EXPECT_EQ(Load(File("grey.png")).px, (std::vector<uint32_t>{ 0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF }));

    const png_byte colormap[3 * 4] = { 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0xFF };
    const png_byte indices[3] = { 0, 1, 2 };
    png_image pi{};
    pi.version = PNG_IMAGE_VERSION;
    pi.width = 3;
    pi.height = 1;
    pi.format = PNG_FORMAT_RGBA_COLORMAP;
    pi.colormap_entries = 3;
    ASSERT_NE(png_image_write_to_file(&pi, File("pal.png").c_str(), 0, indices, 0, colormap), 0);
    EXPECT_EQ(Load(File("pal.png")).px, (std::vector<uint32_t>{ 0xFFFF0000, 0x000000FF, 0xFF00FF00 }));
}

TEST_F(PngTest, ErrorsNameThePathAndTheReason)
{
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    std::string error;

    const std::string missing = File("missing.png");
    EXPECT_FALSE(ReadPngArgb(missing, &px, &w, &h, &error));
    EXPECT_NE(error.find(missing), std::string::npos) << error;
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;

    const std::string garbage = File("garbage.png");
    std::ofstream(garbage) << "this is not an image at all";
    error.clear();
    EXPECT_FALSE(ReadPngArgb(garbage, &px, &w, &h, &error));
    EXPECT_NE(error.find(garbage), std::string::npos) << error;
    EXPECT_NE(error.find("not a PNG"), std::string::npos) << error;

    // A valid header with the image data cut off goes through libpng's
    // error path; it must come back as a failure, not a crash.
    std::vector<uint32_t> big(64 * 64);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint32_t>(i * 2654435761u);
    const std::string whole = File("whole.png");
    ASSERT_TRUE(WriteArgbPng(whole, big.data(), 64, 64, 256, nullptr));
    const std::string bytes = ReadFile(whole);
    const std::string truncated = File("truncated.png");
    std::ofstream(truncated, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    error.clear();
    EXPECT_FALSE(ReadPngArgb(truncated, &px, &w, &h, &error));
    EXPECT_NE(error.find(truncated), std::string::npos) << error;

    const std::string unwritable = File("no/such/dir/out.png");
    error.clear();
    EXPECT_FALSE(WriteArgbPng(unwritable, big.data(), 64, 64, 256, &error));
    EXPECT_NE(error.find(unwritable), std::string::npos) << error;

    error.clear();
    EXPECT_FALSE(WriteArgbPng(File("badpitch.png"), big.data(), 64, 64, 100, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(File("badpitch.png")));
}

// A window surface of the headless DirectFB, as the host's screenshot
// reads it: its pitch is DirectFB's own, and the lock is given back even
// when the file cannot be written (DirectFB refuses a second lock).
TEST_F(PngSurfaceTest, SurfaceIsWrittenThroughALockThatIsGivenBack)
{
    const std::vector<uint32_t> src = { 0xFF112233, 0x80445566, 0x00778899, 0x01AABBCC, 0xFEDDEEFF, 0xFF000000 };
    IDirectFBSurface* surface = NewSurface(3, 2);
    void* data = nullptr;
    int pitch = 0;
    ASSERT_EQ(surface->Lock(surface, DSLF_WRITE, &data, &pitch), DFB_OK);
    for (int y = 0; y < 2; ++y)
        std::copy_n(&src[y * 3], 3, reinterpret_cast<uint32_t*>(static_cast<char*>(data) + y * pitch));
    std::string error;
    EXPECT_FALSE(briskui_sim::WriteSurfacePng(surface, File("locked.png"), false, &error));
    EXPECT_NE(error.find("Lock"), std::string::npos) << error;
    surface->Unlock(surface);

    EXPECT_FALSE(briskui_sim::WriteSurfacePng(surface, File("no/dir/s.png"), false, &error));
    ASSERT_TRUE(briskui_sim::WriteSurfacePng(surface, File("s.png"), false, nullptr));
    EXPECT_EQ(Load(File("s.png")).px, src);
    ASSERT_TRUE(briskui_sim::WriteSurfacePng(surface, File("sb.png"), true, nullptr));
    const Image composited = Load(File("sb.png"));
    EXPECT_EQ(composited.at(0, 0), 0xFF112233u);
    EXPECT_EQ(composited.at(2, 0), briskui_sim::BackdropPixel(2, 0, 3, 2));
    surface->Release(surface);

    // Only ARGB surfaces are read.
    DFBSurfaceDescription desc{};
    desc.flags = static_cast<DFBSurfaceDescriptionFlags>(DSDESC_WIDTH | DSDESC_HEIGHT | DSDESC_PIXELFORMAT);
    desc.width = desc.height = 4;
    desc.pixelformat = DSPF_RGB16;
    ASSERT_EQ(Dfb()->CreateSurface(Dfb(), &desc, &surface), DFB_OK);
    EXPECT_FALSE(briskui_sim::WriteSurfacePng(surface, File("rgb16.png"), false, &error));
    EXPECT_NE(error.find("ARGB"), std::string::npos) << error;
    surface->Release(surface);
}

// ---- art rendered from art/*.svg ---------------------------------------------

namespace {

const fs::path kArtDir = BRISKUI_ART_DIR;
const fs::path kArtSources = BRISKUI_ART_SOURCE_DIR;
const fs::path kSampleRoot = BRISKUI_SAMPLE_ROOT;
const std::string kImagePrefix = "/config/briskui/images/";

// Paths below dir of the files with the given extension, extension dropped:
// "vol_panel" for both art/vol_panel.svg and images/vol_panel.png.
std::set<std::string> Stems(const fs::path& dir, const char* extension)
{
    std::set<std::string> out;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file() || entry.path().extension() != extension) continue;
        out.insert(fs::relative(entry.path(), dir).replace_extension().string());
    }
    return out;
}

bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// One file rendered from an SVG, and the style sheet it is rendered with
// (empty for none).
struct Rendered {
    std::string png;
    fs::path css;
};

// A two-state SVG (NAME.nf.svg) renders NAME_n.png and NAME_f.png.
bool IsPair(const std::string& svgStem) { return EndsWith(svgStem, ".nf"); }

// The rendered files of the SVG stem: NAME.png, NAME.PNG for an SVG named
// NAME.PNG.svg (a file the library names with an upper-case extension), or
// the normal and focused files of a two-state SVG.
std::vector<Rendered> ArtPngs(const std::string& svgStem)
{
    if (IsPair(svgStem)) {
        const std::string name = svgStem.substr(0, svgStem.size() - 3);
        return { { name + "_n.png", kArtSources / "states/normal.css" },
                 { name + "_f.png", kArtSources / "states/focused.css" } };
    }
    return { { EndsWith(svgStem, ".PNG") ? svgStem : svgStem + ".png", fs::path() } };
}

// Every rendered file of every SVG.
std::set<std::string> AllArtPngs()
{
    std::set<std::string> out;
    for (const std::string& stem : Stems(kArtSources, ".svg"))
        for (const Rendered& r : ArtPngs(stem)) out.insert(r.png);
    return out;
}

// Every file under the rendered art folder, relative to it.
std::set<std::string> RenderedArt()
{
    std::set<std::string> out;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(kArtDir))
        if (entry.is_regular_file()) out.insert(fs::relative(entry.path(), kArtDir).string());
    return out;
}

// Colour type byte of the IHDR chunk, which always comes first: 6 is RGBA,
// 2 plain RGB (what rsvg-convert writes for fully opaque art).
int PngColourType(const fs::path& path)
{
    const std::string bytes = ReadFile(path);
    return bytes.size() > 25 ? static_cast<unsigned char>(bytes[25]) : -1;
}

uint32_t Alpha(uint32_t argb) { return argb >> 24; }

// Renders one SVG with the build's own command (scripts/render-svg), with
// the style sheet `css` when there is one; false if the renderer fails.
bool Render(const fs::path& svg, const fs::path& png, const fs::path& css = fs::path())
{
    const std::string sheet = css.empty() ? std::string() : " '" + css.string() + "'";
    const std::string cmd = std::string("BRISKUI_RSVG_CONVERT='") + BRISKUI_RSVG_CONVERT + "' '" + BRISKUI_RENDER_SVG +
                            "' '" + svg.string() + "' '" + png.string() + "'" + sheet;
    return std::system(cmd.c_str()) == 0;
}

}   // namespace

TEST(Art, EverySvgHasItsPngAndNoPngLacksAnSvg)
{
    const std::set<std::string> pngs = AllArtPngs();
    EXPECT_FALSE(pngs.empty());
    EXPECT_EQ(RenderedArt(), pngs);
}

TEST(Art, RenderingIsReproducibleAndTheBuildIsUpToDate)
{
    TempRoot tmp;
    for (const std::string& stem : Stems(kArtSources, ".svg")) {
        SCOPED_TRACE(stem);
        for (const Rendered& r : ArtPngs(stem)) {
            std::string flat = r.png;
            std::replace(flat.begin(), flat.end(), '/', '_');
            const std::string first = tmp.Path() + "/a_" + flat, second = tmp.Path() + "/b_" + flat;
            ASSERT_TRUE(Render(kArtSources / (stem + ".svg"), first, r.css));
            ASSERT_TRUE(Render(kArtSources / (stem + ".svg"), second, r.css));
            const std::string bytes = ReadFile(first);
            EXPECT_FALSE(bytes.empty());
            EXPECT_TRUE(bytes == ReadFile(second)) << "two renderings differ";
            EXPECT_TRUE(bytes == ReadFile(kArtDir / r.png)) << r.png << ": the build tree's PNG is stale";
        }
    }
}

TEST(Art, TwoStateArtDiffersOnlyWhereItsStatesDo)
{
    // Both files of a pair have one size, and each state shows something
    // of its own: a pair whose classes were left out renders twice alike.
    int pairs = 0;
    for (const std::string& stem : Stems(kArtSources, ".svg")) {
        if (!IsPair(stem)) continue;
        SCOPED_TRACE(stem);
        ++pairs;
        const std::vector<Rendered> files = ArtPngs(stem);
        const Image normal = Load(kArtDir / files[0].png), focused = Load(kArtDir / files[1].png);
        EXPECT_EQ(normal.w, focused.w);
        EXPECT_EQ(normal.h, focused.h);
        EXPECT_NE(normal.px, focused.px);
    }
    EXPECT_GT(pairs, 0);
}

TEST(Art, TransparencyFollowsTheShape)
{
    for (const std::string& stem : Stems(kArtSources, ".svg")) {
        // A two-state picture is a menu icon: free-standing in both states.
        const bool pair = IsPair(stem);
        for (const Rendered& rendered : ArtPngs(stem)) {
            SCOPED_TRACE(rendered.png);
            const fs::path png = kArtDir / rendered.png;
            const Image img = Load(png);
            ASSERT_GT(img.w, 0);
            const bool translucent =
                std::any_of(img.px.begin(), img.px.end(), [](uint32_t p) { return Alpha(p) != 0xFF; });
            if (translucent) {
                EXPECT_EQ(PngColourType(png), 6) << "the file must keep the alpha channel";
            }
            const uint32_t tl = Alpha(img.at(0, 0)), tr = Alpha(img.at(img.w - 1, 0));
            const uint32_t bl = Alpha(img.at(0, img.h - 1)), br = Alpha(img.at(img.w - 1, img.h - 1));
            const std::string name = fs::path(stem).filename().string();
            if (EndsWith(name, "_center")) {
                // Stretched to any width: it must cover its whole box.
                for (uint32_t p : img.px) ASSERT_EQ(Alpha(p), 0xFFu);
            } else if (EndsWith(name, "_left")) {
                EXPECT_EQ(tl + bl, 0u) << "a left cap is rounded on its left";
            } else if (EndsWith(name, "_right")) {
                EXPECT_EQ(tr + br, 0u) << "a right cap is rounded on its right";
            } else if (name.find("panel") != std::string::npos || name.find("track") != std::string::npos ||
                       name.find("bar") != std::string::npos || name.rfind("icon_", 0) == 0 || pair) {
                EXPECT_EQ(tl + tr + bl + br, 0u) << "rounded or free-standing art has clear corners";
            }
            if (name.rfind("icon_", 0) == 0 || pair) {
                uint32_t most = 0;
                for (uint32_t p : img.px) most = std::max(most, Alpha(p));
                EXPECT_EQ(most, 0xFFu) << "an icon's glyph is solid, not faded";
            }
        }
    }
}

TEST(Art, BarPiecesJoinWithoutSeams)
{
    const Image left = Load(kArtDir / "vol_bar_left.png");
    const Image centre = Load(kArtDir / "vol_bar_center.png");
    const Image right = Load(kArtDir / "vol_bar_right.png");
    ASSERT_EQ(left.h, centre.h);
    ASSERT_EQ(right.h, centre.h);

    for (int y = 0; y < centre.h; ++y) {
        SCOPED_TRACE("row " + std::to_string(y));
        // Stretching the centre piece repeats its columns, so every column
        // must be the same.
        for (int x = 1; x < centre.w; ++x) EXPECT_EQ(centre.at(x, y), centre.at(0, y));
        // The caps' inner columns continue the centre's colour; only the
        // very top and bottom rows may lose a little coverage to the curve.
        for (uint32_t edge : { left.at(left.w - 1, y), right.at(0, y) }) {
            EXPECT_EQ(edge & 0xFFFFFF, centre.at(0, y) & 0xFFFFFF);
            EXPECT_GE(static_cast<int>(Alpha(edge)), 0xF0);
        }
    }
}

TEST(Art, PanelsAreDarkAndTranslucent)
{
    int panels = 0;
    for (const std::string& stem : Stems(kArtSources, ".svg")) {
        if (stem.find("panel") == std::string::npos) continue;
        SCOPED_TRACE(stem);
        ++panels;
        const Image img = Load(kArtDir / ArtPngs(stem)[0].png);
        const uint32_t middle = img.at(img.w / 2, img.h / 2);
        EXPECT_GE(Alpha(middle), 170u) << "text must stay legible over bright video";
        if (stem.rfind("menu/", 0) == 0) {
            // Menu labels are slate when unfocused: their body is light,
            // and firmer, since dark slate over a bright picture would blur.
            EXPECT_LE(Alpha(middle), 245u) << "the picture should show through";
            EXPECT_GT(Channel(middle, 0), 200) << "a menu's body should be light";
        } else {
            EXPECT_LE(Alpha(middle), 230u) << "the picture should show through";
            EXPECT_LT(Channel(middle, 0), 80) << "panel should be dark";
        }
    }
    EXPECT_GT(panels, 0);
}

// ---- sample-root layouts -----------------------------------------------------

namespace {

struct Rect {
    long left, top, width, height;
    long right() const { return left + width; }
    long bottom() const { return top + height; }
    bool Inside(const Rect& o) const
    {
        return left >= o.left && top >= o.top && right() <= o.right() && bottom() <= o.bottom();
    }
};

class Layout {
public:
    explicit Layout(const fs::path& path) : dict_(iniparser_load(path.c_str())) {}
    ~Layout()
    {
        if (dict_ != nullptr) iniparser_freedict(dict_);
    }
    Layout(const Layout&) = delete;
    Layout& operator=(const Layout&) = delete;

    bool ok() const { return dict_ != nullptr; }

    // Section names, lower-cased by iniparser, in file order.
    std::vector<std::string> Sections() const
    {
        std::vector<std::string> out;
        for (int i = 0; i < iniparser_getnsec(dict_); ++i) out.push_back(iniparser_getsecname(dict_, i));
        return out;
    }
    // Draw items: every section but "setting" and "speech".
    std::vector<std::string> Items() const
    {
        std::vector<std::string> out = Sections();
        for (const char* other : { "setting", "speech" })
            out.erase(std::remove(out.begin(), out.end(), other), out.end());
        return out;
    }
    bool Has(const std::string& sec) const { return iniparser_find_entry(dict_, sec.c_str()) != 0; }
    long Int(const std::string& sec, const char* key, long def = -1) const
    {
        return iniparser_getlongint(dict_, (sec + ":" + key).c_str(), def);
    }
    std::string Str(const std::string& sec, const char* key) const
    {
        return iniparser_getstring(dict_, (sec + ":" + key).c_str(), "");
    }
    Rect Box(const std::string& sec) const
    {
        return { Int(sec, "u32left"), Int(sec, "u32top"), Int(sec, "u32width"), Int(sec, "u32height") };
    }

private:
    dictionary* dict_;
};

const fs::path kLayoutDir = kSampleRoot / "config/briskui/layout";

// Every layout file of every language folder of the sample root.
std::vector<fs::path> SampleLayouts()
{
    std::vector<fs::path> out;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(kLayoutDir))
        if (entry.is_regular_file() && entry.path().extension() == ".ini") out.push_back(entry.path());
    std::sort(out.begin(), out.end());
    return out;
}

}   // namespace

TEST(SampleLayouts, ImagesAreRenderedArtShownAtItsOwnSize)
{
    const std::set<std::string> pngs = AllArtPngs();
    int images = 0;
    for (const fs::path& path : SampleLayouts()) {
        const Layout layout(path);
        ASSERT_TRUE(layout.ok()) << path;
        for (const std::string& sec : layout.Items()) {
            SCOPED_TRACE(path.string() + " [" + sec + "]");
            const long type = layout.Int(sec, "u8type");
            ASSERT_TRUE(type == 1 || type == 2);
            if (type == 2) continue;   // fonts: lint_test checks the sample's folders
            ++images;
            const std::string image = layout.Str(sec, "pimagepath");
            ASSERT_EQ(image.rfind(kImagePrefix, 0), 0u) << image;
            const std::string png = image.substr(kImagePrefix.size());
            EXPECT_EQ(pngs.count(png), 1u) << image << " is no rendered art (art/*.svg)";
            // Art drawn at another size than its box is stretched by the
            // blit: rounded corners turn oval and strokes thicken. Only the
            // bar's middle is meant to stretch, sideways.
            const Image img = Load(kSampleRoot / image.substr(1));
            EXPECT_EQ(layout.Box(sec).height, img.h);
            if (sec != "volume_bar_center") {
                EXPECT_EQ(layout.Box(sec).width, img.w);
            }
        }
    }
    EXPECT_GT(images, 0);
}

namespace {

// A panel's section names its background: bg_image, bg_image_volume,
// pincode_bg_image, errormessage_bg_image.
bool IsPanel(const std::string& section) { return section.find("bg_image") != std::string::npos; }

}   // namespace

TEST(SampleLayouts, ItemsStayOnTheirPanel)
{
    // A text item's box widens the OSD's redraw area, so it must not reach
    // past the panel; icons and bars sit on it too.
    for (const fs::path& path : SampleLayouts()) {
        const Layout layout(path);
        ASSERT_TRUE(layout.ok()) << path;
        std::vector<Rect> panels;
        for (const std::string& sec : layout.Items())
            if (IsPanel(sec)) panels.push_back(layout.Box(sec));
        ASSERT_FALSE(panels.empty()) << path;
        for (const Rect& panel : panels) EXPECT_TRUE(panel.Inside({ 0, 0, 1280, 720 })) << path;
        for (const std::string& sec : layout.Items()) {
            if (IsPanel(sec)) continue;
            const Rect box = layout.Box(sec);
            EXPECT_TRUE(std::any_of(panels.begin(), panels.end(), [&](const Rect& panel) { return box.Inside(panel); }))
                << path << " [" << sec << "]";
        }
    }
}

TEST(SampleLayouts, BarsChainAcrossTheirTrack)
{
    int bars = 0;
    for (const fs::path& path : SampleLayouts()) {
        const Layout layout(path);
        if (!layout.Has("volume_bg")) continue;
        SCOPED_TRACE(path.string());
        ++bars;
        // As drawn at full scale: left cap, middle, right cap end to end
        // over the track.
        const Rect track = layout.Box("volume_bg");
        const Rect left = layout.Box("volume_bar_left");
        const Rect centre = layout.Box("volume_bar_center");
        const Rect right = layout.Box("volume_bar_right");
        for (const Rect& piece : { left, centre, right }) {
            EXPECT_EQ(piece.top, track.top);
            EXPECT_EQ(piece.height, track.height);
        }
        EXPECT_EQ(left.left, track.left);
        EXPECT_EQ(centre.left, left.right());
        EXPECT_EQ(centre.width, track.width - left.width - right.width);
        EXPECT_EQ(right.left, centre.right());
    }
    EXPECT_GT(bars, 0);
}

TEST(SampleLayouts, LanguagesDifferOnlyInTheirTexts)
{
    const fs::path english = kLayoutDir / "EN";
    std::set<std::string> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(english))
        files.insert(entry.path().filename().string());
    ASSERT_FALSE(files.empty());

    int languages = 0;
    for (const fs::directory_entry& folder : fs::directory_iterator(kLayoutDir)) {
        if (!folder.is_directory() || folder.path() == english) continue;
        ++languages;
        std::set<std::string> own;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder.path()))
            own.insert(entry.path().filename().string());
        EXPECT_EQ(own, files) << folder.path();
        for (const std::string& file : files) {
            SCOPED_TRACE((folder.path() / file).string());
            const Layout ours(folder.path() / file), theirs(english / file);
            ASSERT_TRUE(ours.ok());
            ASSERT_TRUE(theirs.ok());
            ASSERT_EQ(ours.Sections(), theirs.Sections());
            for (const std::string& sec : ours.Sections())
                for (const char* key :
                     { "u8type", "bvisible", "u32left", "u32top", "u32width", "u32height", "pimagepath", "u8fontsize",
                       "u32fontcolor", "pfontpath", "u16timeout", "u16statemask", "u16maxvolume" })
                    EXPECT_EQ(ours.Str(sec, key), theirs.Str(sec, key)) << sec << ":" << key;
        }
    }
    EXPECT_GT(languages, 0);
}

namespace {

class VolumeLayout : public ::testing::TestWithParam<const char*> {};

}   // namespace

TEST_P(VolumeLayout, ItemsMatchEachOther)
{
    const Layout layout(kLayoutDir / GetParam());
    ASSERT_TRUE(layout.ok());

    // Volume items sit on the volume panel, mute items on the mute panel,
    // and the mute panel is centred on the volume panel.
    const Rect volPanel = layout.Box("bg_image_volume");
    const Rect mutePanel = layout.Box("bg_image_mute");
    for (const char* sec : { "volume_icon", "volume_bg", "volume_text", "volume_number" })
        EXPECT_TRUE(layout.Box(sec).Inside(volPanel)) << sec;
    for (const char* sec : { "half_mute_icon", "mute_icon", "mute_text" })
        EXPECT_TRUE(layout.Box(sec).Inside(mutePanel)) << sec;
    EXPECT_EQ(mutePanel.left * 2 + mutePanel.width, volPanel.left * 2 + volPanel.width);
    EXPECT_EQ(mutePanel.top * 2 + mutePanel.height, volPanel.top * 2 + volPanel.height);

    EXPECT_EQ(layout.Int("setting", "u16timeout"), 3000);
    EXPECT_EQ(layout.Int("setting", "u16maxvolume"), 100);
    EXPECT_EQ(layout.Int("bg_image_volume", "bvisible", 1), 1);
    EXPECT_EQ(layout.Int("bg_image_mute", "bvisible", 1), 0);
}

INSTANTIATE_TEST_SUITE_P(SampleRoot, VolumeLayout,
                         ::testing::Values("EN/BriskUIVolumeLayout_NA.ini", "EN/BriskUIVolumeLayout_EU.ini",
                                           "GE/BriskUIVolumeLayout_NA.ini", "GE/BriskUIVolumeLayout_EU.ini"));

TEST(Art, FactoryPagesAreOpaqueAndNgStaysReadable)
{
    for (const std::string& stem : Stems(kArtSources, ".svg")) {
        if (stem.rfind("factory/", 0) != 0) continue;
        const Image img = Load(kArtDir / ArtPngs(stem)[0].png);
        EXPECT_EQ(Alpha(img.at(img.w / 2, img.h / 2)), 0xFFu) << stem << ": read close up, whatever is behind";
    }
    // The self-check page swaps between these two: same size, and red "NG"
    // keeps a contrast of 3:1 (large text) against the lightest pixel of
    // either value column.
    const auto luminance = [](uint32_t argb) {
        double sum = 0;
        const double weights[] = { 0.0722, 0.7152, 0.2126 };   // blue, green, red
        for (int i = 0; i < 3; ++i) {
            const double c = Channel(argb, 8 * i) / 255.0;
            sum += weights[i] * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        return sum;
    };
    const Image black = Load(kArtDir / "factory/black.png"), blue = Load(kArtDir / "factory/blue1.png");
    ASSERT_TRUE(black.w == blue.w && black.h == blue.h);
    for (const Image* page : { &black, &blue }) {
        double lightest = 0;
        for (int y = 100; y < page->h; ++y)
            for (int x : { 300, 920 }) lightest = std::max(lightest, luminance(page->at(x, y)));
        EXPECT_GE((luminance(0xFFFF0000) + 0.05) / (lightest + 0.05), 3.0);
    }
    // Told apart from a step away: the open set's page is plainly blue.
    EXPECT_GT(Channel(blue.at(320, 700), 0) - Channel(black.at(320, 700), 0), 60);
}
