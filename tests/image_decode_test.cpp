// The image decoder: PNG files decoded with libpng give the very pixels
// DirectFB's own PNG provider gave (the sample art and every kind of PNG),
// other formats still decode through DirectFB, and the size limit.
#include <dirent.h>
#include <gtest/gtest.h>
#include <png.h>
#include <string.h>

#include <string>
#include <vector>

#include "ImageDecode.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

// The file as DirectFB's provider shows it: rendered into a surface made
// from its description, then copied unblended into an ARGB surface.
IDirectFBSurface* DecodeWithDirectFB(const std::string& path)
{
    IDirectFB* dfb = Dfb();
    IDirectFBImageProvider* provider = nullptr;
    if (dfb->CreateImageProvider(dfb, path.c_str(), &provider) != DFB_OK) return nullptr;
    DFBSurfaceDescription desc;
    memset(&desc, 0, sizeof(desc));
    provider->GetSurfaceDescription(provider, &desc);
    IDirectFBSurface* decoded = nullptr;
    dfb->CreateSurface(dfb, &desc, &decoded);
    provider->RenderTo(provider, decoded, nullptr);
    provider->Release(provider);
    IDirectFBSurface* argb = NewSurface(desc.width, desc.height);
    argb->SetBlittingFlags(argb, DSBLIT_NOFX);
    argb->Blit(argb, decoded, nullptr, 0, 0);
    decoded->Release(decoded);
    return argb;
}

// Number of pixels in which two surfaces of `width` x `height` differ on
// screen: fully transparent pixels are equal whatever their colour.
int Differences(IDirectFBSurface* a, IDirectFBSurface* b, int width, int height)
{
    int differences = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            U32 pa = Pixel(a, x, y), pb = Pixel(b, x, y);
            differences += pa != pb && ((pa | pb) >> 24) != 0;
        }
    }
    return differences;
}

struct PngKind {
    const char* name;
    int bits;
    int colourType;
    double gamma;     // 0: no gAMA chunk
    int interlace;
    bool key;         // a tRNS colour key (RGB) or entries (palette)
};

// A 37 x 11 PNG of `kind`, its samples a pattern in every channel.
void WritePng(const std::string& path, const PngKind& kind)
{
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    const int width = 37, height = 11;
    png_set_IHDR(png, info, width, height, kind.bits, kind.colourType, kind.interlace, 0, 0);
    if (kind.gamma > 0) png_set_gAMA(png, info, kind.gamma);
    png_color palette[16];
    png_byte alphas[16];
    for (int i = 0; i < 16; ++i) {
        palette[i] = { (png_byte)(i * 16), (png_byte)(255 - i * 9), (png_byte)(i * 77) };
        alphas[i] = (png_byte)(i * 17);
    }
    if (kind.colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_PLTE(png, info, palette, 16);
        if (kind.key) png_set_tRNS(png, info, alphas, 16, nullptr);
    } else if (kind.key) {
        png_color_16 key = { 0, 0x1D, 0x30, 0x43, 0 };
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    png_write_info(png, info);
    int channels = png_get_channels(png, info);
    std::vector<png_byte> row((width * channels * kind.bits + 7) / 8);
    for (int pass = png_set_interlace_handling(png); pass > 0; --pass) {
        for (int y = 0; y < height; ++y) {
            for (size_t x = 0; x < row.size(); ++x) row[x] = (png_byte)(x * 29 + y * 13 + x * x);
            if (kind.colourType == PNG_COLOR_TYPE_PALETTE)
                for (png_byte& b : row) b &= kind.bits == 8 ? 0x0F : 0xFF;
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    fclose(file);
}

class ImageDecodeTest : public ::testing::Test {
protected:
    void ExpectSameAsDirectFB(const std::string& path)
    {
        ST_IMAGE_DECODE ours;
        ASSERT_EQ(BriskDecodeImage(Dfb(), path.c_str(), &ours), E_IMAGE_DECODED) << path;
        IDirectFBSurface* theirs = DecodeWithDirectFB(path);
        ASSERT_NE(theirs, nullptr) << path;
        int width = 0, height = 0;
        theirs->GetSize(theirs, &width, &height);
        EXPECT_EQ(ours.u32Width, (U32)width);
        EXPECT_EQ(ours.u32Height, (U32)height);
        EXPECT_EQ(Differences(ours.pSurface, theirs, width, height), 0) << path;
        ours.pSurface->Release(ours.pSurface);
        theirs->Release(theirs);
    }
    TempRoot root_;
};

TEST_F(ImageDecodeTest, SampleArtDecodesAsDirectFBDecodedIt)
{
    std::string dir = std::string(BRISKUI_SAMPLE_ROOT) + "/config/briskui/images/";
    int files = 0;
    DIR* d = opendir(dir.c_str());
    ASSERT_NE(d, nullptr);
    while (struct dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".png") != 0) continue;
        ExpectSameAsDirectFB(dir + name);
        ++files;
    }
    closedir(d);
    EXPECT_GE(files, 10);
}

TEST_F(ImageDecodeTest, EveryKindOfPngDecodesAsDirectFBDecodedIt)
{
    // Every colour type, depths from 2 to 16 bits, transparency keys,
    // interlacing, and gamma chunks, which neither decoder applies.
    const PngKind kinds[] = {
        { "grey2", 2, PNG_COLOR_TYPE_GRAY, 0, 0, false },
        { "grey16", 16, PNG_COLOR_TYPE_GRAY, 0, 0, false },
        { "grey-alpha8", 8, PNG_COLOR_TYPE_GA, 0, 0, false },
        { "grey-alpha16", 16, PNG_COLOR_TYPE_GA, 0, 0, false },
        { "rgb8", 8, PNG_COLOR_TYPE_RGB, 0, 0, false },
        { "rgb8-key", 8, PNG_COLOR_TYPE_RGB, 0, 0, true },
        { "rgba8", 8, PNG_COLOR_TYPE_RGBA, 0, 0, false },
        { "rgba8-interlaced", 8, PNG_COLOR_TYPE_RGBA, 0, PNG_INTERLACE_ADAM7, false },
        { "rgba8-gamma-0.45", 8, PNG_COLOR_TYPE_RGBA, 0.45455, 0, false },
        { "rgba8-gamma-1.0", 8, PNG_COLOR_TYPE_RGBA, 1.0, 0, false },
        { "rgba16", 16, PNG_COLOR_TYPE_RGBA, 0, 0, false },
        { "palette4", 4, PNG_COLOR_TYPE_PALETTE, 0, 0, false },
        { "palette8-alpha", 8, PNG_COLOR_TYPE_PALETTE, 0, 0, true },
    };
    for (const PngKind& kind : kinds) {
        std::string path = root_.Path() + "/" + kind.name + ".png";
        WritePng(path, kind);
        ExpectSameAsDirectFB(path);
    }

    // Where DirectFB's provider was wrong, it is not followed: it made every
    // pixel of a 16-bit RGB PNG with a colour key transparent. Here only the
    // key colour is, and it does not occur in the pattern.
    std::string path = root_.Path() + "/rgb16-key.png";
    WritePng(path, { "rgb16-key", 16, PNG_COLOR_TYPE_RGB, 0, 0, true });
    ST_IMAGE_DECODE ours;
    ASSERT_EQ(BriskDecodeImage(Dfb(), path.c_str(), &ours), E_IMAGE_DECODED);
    EXPECT_EQ(OpaqueCount(ours.pSurface, _Rect(0, 0, 37, 11)), 37 * 11);
    ours.pSurface->Release(ours.pSurface);
}

TEST_F(ImageDecodeTest, OtherFormatsStillGoThroughDirectFB)
{
    // A PNG by content whatever its name; a PPM by content through DirectFB.
    std::string ppm = root_.Path() + "/two.png";
    root_.Write("/two.png", std::string("P6\n2 1\n255\n\xFF\x00\x00\x00\x00\xFF", 17));
    ST_IMAGE_DECODE image;
    ASSERT_EQ(BriskDecodeImage(Dfb(), ppm.c_str(), &image), E_IMAGE_DECODED);
    EXPECT_EQ(Pixel(image.pSurface, 0, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(Pixel(image.pSurface, 1, 0) & 0xFFFFFF, 0x0000FFu);
    image.pSurface->Release(image.pSurface);

    root_.Write("/text.png", "not an image at all");
    EXPECT_EQ(BriskDecodeImage(Dfb(), (root_.Path() + "/text.png").c_str(), &image), E_IMAGE_NOT_FOUND);
    EXPECT_EQ(image.pSurface, nullptr);
}

TEST(ImageSizeLimit, SidesAndBytes)
{
    EXPECT_TRUE(BriskImageSizeAllowed(4096, 1024));   // 16 MiB exactly
    EXPECT_TRUE(BriskImageSizeAllowed(1280, 720));
    EXPECT_FALSE(BriskImageSizeAllowed(4097, 1));
    EXPECT_FALSE(BriskImageSizeAllowed(1, 4097));
    EXPECT_FALSE(BriskImageSizeAllowed(2048, 2049));
    EXPECT_FALSE(BriskImageSizeAllowed(0xFFFFFFFF, 0xFFFFFFFF));
}

}  // namespace
