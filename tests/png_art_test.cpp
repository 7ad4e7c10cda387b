// PNG helpers, the generated volume OSD art and the sample-root layouts
// that place it.
#include <gtest/gtest.h>
#include <iniparser.h>
#include <png.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "PngWrite.h"

namespace fs = std::filesystem;
using briskui_sim::ReadPngArgb;
using briskui_sim::WriteArgbPng;
using briskui_sim::WriteArgbPngOverBackdrop;

namespace {

// A fresh directory under the system temp dir, removed with the fixture.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "png_art_test.XXXXXX").string();
        if (mkdtemp(tmpl.data()) != nullptr) path_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

struct Image {
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    uint32_t at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
};

Image Load(const fs::path& path) {
    Image img;
    std::string error;
    EXPECT_TRUE(ReadPngArgb(path.string(), &img.px, &img.w, &img.h, &error)) << error;
    return img;
}

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int Channel(uint32_t argb, int shift) { return static_cast<int>((argb >> shift) & 0xFF); }

class PngTest : public ::testing::Test {
protected:
    TempDir tmp_;
    std::string File(const char* name) const { return (tmp_.path() / name).string(); }
};

}  // namespace

// ---- PNG write/read --------------------------------------------------------

TEST_F(PngTest, RoundTripKeepsStraightArgbExactly) {
    // Alpha 0 with a colour, partial alpha and opaque pixels must survive
    // unchanged: the files hold non-premultiplied colour as stored.
    const std::vector<uint32_t> src = {0x00000000, 0x00123456, 0x01FFFFFF, 0x80FF8040,
                                       0x7F0080FF, 0xFE010203, 0xFFFFFFFF, 0xFF000000};
    ASSERT_TRUE(WriteArgbPng(File("rt.png"), src.data(), 4, 2, 16, nullptr));
    const Image img = Load(File("rt.png"));
    ASSERT_EQ(img.w, 4);
    ASSERT_EQ(img.h, 2);
    EXPECT_EQ(img.px, src);
}

TEST_F(PngTest, RoundTripHonoursPitch) {
    // Three pixels per row in rows of five words, as in a locked surface
    // whose pitch is padded; the padding must not leak into the file.
    const std::vector<uint32_t> src = {0xFF0000FF, 0x80008000, 0x40FF0000, 0xDEADBEEF, 0xDEADBEEF,
                                       0x11223344, 0x55667788, 0x99AABBCC, 0xDEADBEEF, 0xDEADBEEF};
    ASSERT_TRUE(WriteArgbPng(File("pitch.png"), src.data(), 3, 2, 20, nullptr));
    const Image img = Load(File("pitch.png"));
    const std::vector<uint32_t> expected = {0xFF0000FF, 0x80008000, 0x40FF0000,
                                            0x11223344, 0x55667788, 0x99AABBCC};
    EXPECT_EQ(img.px, expected);
}

TEST_F(PngTest, BackdropCompositesSourceOver) {
    constexpr int kW = 64, kH = 36;
    std::vector<uint32_t> src(kW * kH, 0x00FFFFFF);  // transparent: backdrop shows
    src[10 * kW + 20] = 0x80FFFFFF;                  // half-transparent white
    src[30 * kW + 50] = 0xFF102030;                  // opaque: source wins
    ASSERT_TRUE(WriteArgbPngOverBackdrop(File("bd.png"), src.data(), kW, kH, kW * 4, nullptr));
    const Image img = Load(File("bd.png"));
    ASSERT_EQ(img.w, kW);
    ASSERT_EQ(img.h, kH);

    for (uint32_t p : img.px) ASSERT_EQ(p >> 24, 0xFFu) << "backdrop output must be opaque";
    EXPECT_EQ(img.at(0, 0), briskui_sim::BackdropPixel(0, 0, kW, kH));
    EXPECT_EQ(img.at(30, 20), briskui_sim::BackdropPixel(30, 20, kW, kH));
    EXPECT_EQ(img.at(50, 30), 0xFF102030u);

    const uint32_t bg = briskui_sim::BackdropPixel(20, 10, kW, kH);
    const uint32_t mixed = img.at(20, 10);
    for (int shift : {0, 8, 16}) {
        const double expected = (255.0 * 128 + Channel(bg, shift) * 127.0) / 255.0;
        EXPECT_NEAR(Channel(mixed, shift), expected, 0.51) << "channel shift " << shift;
    }
}

TEST_F(PngTest, ReadsGreyAndPalettePngsAsArgb) {
    // Files not written by us: 8-bit grey and a colour-mapped image with a
    // transparent entry, written with libpng's simplified API.
    const png_byte grey[4] = {0, 85, 170, 255};
    png_image gi{};
    gi.version = PNG_IMAGE_VERSION;
    gi.width = 4;
    gi.height = 1;
    gi.format = PNG_FORMAT_GRAY;
    ASSERT_NE(png_image_write_to_file(&gi, File("grey.png").c_str(), 0, grey, 0, nullptr), 0);
    EXPECT_EQ(Load(File("grey.png")).px,
              (std::vector<uint32_t>{0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}));

    const png_byte colormap[3 * 4] = {0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00,
                                      0x00, 0xFF, 0x00, 0xFF};
    const png_byte indices[3] = {0, 1, 2};
    png_image pi{};
    pi.version = PNG_IMAGE_VERSION;
    pi.width = 3;
    pi.height = 1;
    pi.format = PNG_FORMAT_RGBA_COLORMAP;
    pi.colormap_entries = 3;
    ASSERT_NE(png_image_write_to_file(&pi, File("pal.png").c_str(), 0, indices, 0, colormap), 0);
    EXPECT_EQ(Load(File("pal.png")).px,
              (std::vector<uint32_t>{0xFFFF0000, 0x000000FF, 0xFF00FF00}));
}

TEST_F(PngTest, ErrorsNameThePathAndTheReason) {
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
    const std::string bytes = Slurp(whole);
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

namespace {

// Stand-in for a DirectFB surface: only the four methods WriteSurfacePng
// uses are filled in; the state lives behind the interface's priv pointer.
struct FakeSurface {
    DFBSurfacePixelFormat format = DSPF_ARGB;
    int width = 3, height = 2, pitch = 16;
    std::vector<uint32_t> memory;
    int locks = 0, unlocks = 0;
    DFBSurfaceLockFlags lockFlags = DSLF_WRITE;
    IDirectFBSurface iface{};

    FakeSurface() {
        memory = {0xFF112233, 0x80445566, 0x00778899, 0xBAADF00D,
                  0x01AABBCC, 0xFEDDEEFF, 0xFF000000, 0xBAADF00D};
        iface.priv = this;
        iface.GetPixelFormat = [](IDirectFBSurface* s, DFBSurfacePixelFormat* f) {
            *f = Self(s)->format;
            return DFB_OK;
        };
        iface.GetSize = [](IDirectFBSurface* s, int* w, int* h) {
            *w = Self(s)->width;
            *h = Self(s)->height;
            return DFB_OK;
        };
        iface.Lock = [](IDirectFBSurface* s, DFBSurfaceLockFlags flags, void** ptr, int* pitch) {
            FakeSurface* self = Self(s);
            ++self->locks;
            self->lockFlags = flags;
            *ptr = self->memory.data();
            *pitch = self->pitch;
            return DFB_OK;
        };
        iface.Unlock = [](IDirectFBSurface* s) {
            ++Self(s)->unlocks;
            return DFB_OK;
        };
    }
    static FakeSurface* Self(IDirectFBSurface* s) { return static_cast<FakeSurface*>(s->priv); }
};

}  // namespace

TEST_F(PngTest, SurfaceIsWrittenThroughAReadLock) {
    FakeSurface surface;
    ASSERT_TRUE(briskui_sim::WriteSurfacePng(&surface.iface, File("s.png"), false, nullptr));
    EXPECT_EQ(surface.locks, 1);
    EXPECT_EQ(surface.unlocks, 1);
    EXPECT_EQ(surface.lockFlags, DSLF_READ);
    EXPECT_EQ(Load(File("s.png")).px,
              (std::vector<uint32_t>{0xFF112233, 0x80445566, 0x00778899, 0x01AABBCC, 0xFEDDEEFF,
                                     0xFF000000}));

    ASSERT_TRUE(briskui_sim::WriteSurfacePng(&surface.iface, File("sb.png"), true, nullptr));
    const Image composited = Load(File("sb.png"));
    EXPECT_EQ(composited.at(0, 0), 0xFF112233u);
    EXPECT_EQ(composited.at(2, 0), briskui_sim::BackdropPixel(2, 0, 3, 2));
}

TEST_F(PngTest, SurfaceErrorsLeaveItUnlocked) {
    FakeSurface surface;
    surface.format = DSPF_RGB16;
    std::string error;
    EXPECT_FALSE(briskui_sim::WriteSurfacePng(&surface.iface, File("rgb16.png"), false, &error));
    EXPECT_NE(error.find("ARGB"), std::string::npos) << error;
    EXPECT_EQ(surface.locks, 0);

    // A failing write after a successful lock must still unlock.
    surface.format = DSPF_ARGB;
    EXPECT_FALSE(
        briskui_sim::WriteSurfacePng(&surface.iface, File("no/dir/s.png"), false, &error));
    EXPECT_EQ(surface.locks, 1);
    EXPECT_EQ(surface.unlocks, 1);
}

// ---- generated art ---------------------------------------------------------

namespace {

struct ArtSize {
    const char* name;
    int w, h;
};

constexpr ArtSize kArt[] = {
    {"vol_panel.png", 560, 96},     {"mute_panel.png", 300, 96},   {"vol_track.png", 320, 16},
    {"vol_bar_left.png", 8, 16},    {"vol_bar_center.png", 4, 16}, {"vol_bar_right.png", 8, 16},
    {"icon_volume.png", 48, 48},    {"icon_half_mute.png", 48, 48}, {"icon_mute.png", 48, 48},
};

const fs::path kArtDir = BRISKUI_ART_DIR;

}  // namespace

TEST(Art, EveryFileExistsWithItsSize) {
    for (const ArtSize& art : kArt) {
        SCOPED_TRACE(art.name);
        const Image img = Load(kArtDir / art.name);
        EXPECT_EQ(img.w, art.w);
        EXPECT_EQ(img.h, art.h);
    }
}

TEST(Art, BarPiecesJoinWithoutSeams) {
    const Image left = Load(kArtDir / "vol_bar_left.png");
    const Image centre = Load(kArtDir / "vol_bar_center.png");
    const Image right = Load(kArtDir / "vol_bar_right.png");
    ASSERT_EQ(left.h, centre.h);
    ASSERT_EQ(right.h, centre.h);

    for (int y = 0; y < centre.h; ++y) {
        SCOPED_TRACE("row " + std::to_string(y));
        // Stretching the centre piece repeats its columns, so every column
        // must be the same and fully opaque.
        for (int x = 1; x < centre.w; ++x) EXPECT_EQ(centre.at(x, y), centre.at(0, y));
        EXPECT_EQ(centre.at(0, y) >> 24, 0xFFu);
        // The caps' inner columns continue the centre's colour; only the
        // very top and bottom rows may lose a little coverage to the curve.
        for (uint32_t edge : {left.at(left.w - 1, y), right.at(0, y)}) {
            EXPECT_EQ(edge & 0xFFFFFF, centre.at(0, y) & 0xFFFFFF);
            EXPECT_GE(static_cast<int>(edge >> 24), 0xF0);
        }
    }
    // The outer ends are rounded.
    EXPECT_EQ(left.at(0, 0) >> 24, 0u);
    EXPECT_EQ(right.at(right.w - 1, right.h - 1) >> 24, 0u);
}

TEST(Art, PanelsAreTranslucentWithRoundedCorners) {
    for (const char* name : {"vol_panel.png", "mute_panel.png"}) {
        SCOPED_TRACE(name);
        const Image img = Load(kArtDir / name);
        EXPECT_EQ(img.at(0, 0), 0u);
        EXPECT_EQ(img.at(img.w - 1, img.h - 1), 0u);
        const uint32_t middle = img.at(img.w / 2, img.h / 2);
        EXPECT_GE(middle >> 24, 170u);
        EXPECT_LE(middle >> 24, 230u);
        EXPECT_LT(Channel(middle, 0), 80) << "panel should be dark";
    }
}

TEST(Art, GeneratorIsDeterministic) {
    TempDir a, b;
    ASSERT_FALSE(a.path().empty());
    ASSERT_FALSE(b.path().empty());
    for (const fs::path& dir : {a.path(), b.path()}) {
        const std::string cmd = std::string("'") + BRISKUI_MKART + "' '" + dir.string() + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    }
    for (const ArtSize& art : kArt) {
        SCOPED_TRACE(art.name);
        const std::string first = Slurp(a.path() / art.name);
        EXPECT_FALSE(first.empty());
        EXPECT_TRUE(first == Slurp(b.path() / art.name));
        EXPECT_TRUE(first == Slurp(kArtDir / art.name)) << "build tree art is stale";
    }
}

TEST(Art, GeneratorFailsOnUnusableOutputDir) {
    TempDir dir;
    const fs::path blocker = dir.path() / "file";
    std::ofstream(blocker) << "x";
    const std::string cmd = std::string("'") + BRISKUI_MKART + "' '" + (blocker / "out").string() +
                            "' 2>/dev/null";
    EXPECT_NE(std::system(cmd.c_str()), 0);
}

// ---- volume layouts in the sample root --------------------------------------

namespace {

struct Rect {
    long left, top, width, height;
    long right() const { return left + width; }
    long bottom() const { return top + height; }
    bool Inside(const Rect& o) const {
        return left >= o.left && top >= o.top && right() <= o.right() && bottom() <= o.bottom();
    }
};

class Layout {
public:
    explicit Layout(const fs::path& path) : dict_(iniparser_load(path.c_str())) {}
    ~Layout() {
        if (dict_ != nullptr) iniparser_freedict(dict_);
    }
    Layout(const Layout&) = delete;
    Layout& operator=(const Layout&) = delete;

    bool ok() const { return dict_ != nullptr; }

    std::vector<std::string> Sections() const {
        std::vector<std::string> out;
        for (int i = 0; i < iniparser_getnsec(dict_); ++i) out.push_back(iniparser_getsecname(dict_, i));
        return out;
    }
    long Int(const std::string& sec, const char* key, long def = -1) const {
        return iniparser_getlongint(dict_, (sec + ":" + key).c_str(), def);
    }
    std::string Str(const std::string& sec, const char* key) const {
        return iniparser_getstring(dict_, (sec + ":" + key).c_str(), "");
    }
    Rect Box(const std::string& sec) const {
        return {Int(sec, "u32left"), Int(sec, "u32top"), Int(sec, "u32width"), Int(sec, "u32height")};
    }

private:
    dictionary* dict_;
};

const fs::path kSampleRoot = BRISKUI_SAMPLE_ROOT;

class VolumeLayout : public ::testing::TestWithParam<const char*> {};

}  // namespace

TEST_P(VolumeLayout, ItemsMatchTheArtAndEachOther) {
    const Layout layout(kSampleRoot / "config/briskui/layout" / GetParam());
    ASSERT_TRUE(layout.ok());

    // iniparser lower-cases section names.
    const std::vector<std::string> expected = {
        "bg_image_volume", "bg_image_mute",   "volume_icon",       "half_mute_icon",
        "mute_icon",       "volume_bg",       "volume_bar_left",   "volume_bar_center",
        "volume_bar_right", "volume_text",    "mute_text",         "volume_number",
        "setting"};
    ASSERT_EQ(layout.Sections(), expected);

    for (size_t i = 0; i + 1 < expected.size(); ++i) {
        const std::string& sec = expected[i];
        SCOPED_TRACE(sec);
        const long type = layout.Int(sec, "u8type");
        ASSERT_TRUE(type == 1 || type == 2);
        if (type == 1) {
            const std::string image = layout.Str(sec, "pimagepath");
            ASSERT_EQ(image.rfind("/config/briskui/images/", 0), 0u) << image;
            const Image img = Load(kSampleRoot / image.substr(1));
            EXPECT_EQ(layout.Box(sec).height, img.h);
            if (sec != "volume_bar_center") {
                EXPECT_EQ(layout.Box(sec).width, img.w);
            }
        } else {
            const std::string font = layout.Str(sec, "pfontpath");
            EXPECT_TRUE(fs::is_regular_file(kSampleRoot / font.substr(1))) << font;
            EXPECT_FALSE(layout.Str(sec, "ptext").empty());
            EXPECT_GT(layout.Int(sec, "u8fontsize"), 0);
        }
    }

    // The bar pieces chain across the track at full volume.
    const Rect track = layout.Box("volume_bg");
    const Rect left = layout.Box("volume_bar_left");
    const Rect centre = layout.Box("volume_bar_center");
    const Rect right = layout.Box("volume_bar_right");
    for (const Rect& piece : {left, centre, right}) {
        EXPECT_EQ(piece.top, track.top);
        EXPECT_EQ(piece.height, track.height);
    }
    EXPECT_EQ(left.left, track.left);
    EXPECT_EQ(centre.left, left.right());
    EXPECT_EQ(centre.width, track.width - left.width - right.width);
    EXPECT_EQ(right.left, centre.right());

    // Volume items sit on the volume panel, mute items on the mute panel,
    // and the mute panel is centred on the volume panel.
    const Rect volPanel = layout.Box("bg_image_volume");
    const Rect mutePanel = layout.Box("bg_image_mute");
    for (const char* sec : {"volume_icon", "volume_bg", "volume_text", "volume_number"})
        EXPECT_TRUE(layout.Box(sec).Inside(volPanel)) << sec;
    for (const char* sec : {"half_mute_icon", "mute_icon", "mute_text"})
        EXPECT_TRUE(layout.Box(sec).Inside(mutePanel)) << sec;
    EXPECT_EQ(mutePanel.left * 2 + mutePanel.width, volPanel.left * 2 + volPanel.width);
    EXPECT_EQ(mutePanel.top * 2 + mutePanel.height, volPanel.top * 2 + volPanel.height);
    EXPECT_TRUE(volPanel.Inside({0, 0, 1280, 720}));

    EXPECT_EQ(layout.Int("setting", "u16timeout"), 3000);
    EXPECT_EQ(layout.Int("setting", "u16maxvolume"), 100);
    EXPECT_EQ(layout.Int("bg_image_volume", "bvisible", 1), 1);
    EXPECT_EQ(layout.Int("bg_image_mute", "bvisible", 1), 0);
}

INSTANTIATE_TEST_SUITE_P(SampleRoot, VolumeLayout,
                         ::testing::Values("EN/BriskUIVolumeLayout_NA.ini",
                                           "EN/BriskUIVolumeLayout_EU.ini",
                                           "GE/BriskUIVolumeLayout_NA.ini",
                                           "GE/BriskUIVolumeLayout_EU.ini"));

TEST(SampleRoot, GermanLabelsAreUtf8) {
    const Layout layout(kSampleRoot / "config/briskui/layout/GE/BriskUIVolumeLayout_EU.ini");
    ASSERT_TRUE(layout.ok());
    EXPECT_EQ(layout.Str("volume_text", "ptext"), "Lautst\xC3\xA4rke");
    EXPECT_EQ(layout.Str("mute_text", "ptext"), "Stumm");
}
