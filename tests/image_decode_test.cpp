// The image decoder: PNG files decoded with libpng give the pixels
// DirectFB's own PNG provider gave, other formats still decode through
// DirectFB, and the size limit.
#include <dirent.h>
#include <gtest/gtest.h>
#include <png.h>
#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <string>
#include <vector>

#include "ImageDecode.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

// Decodes `path` both ways and counts the pixels that differ on screen
// (fully transparent ones are equal whatever their colour). DirectFB's
// result is copied unblended from a surface made from its description.
void ExpectSameAsDirectFB(const std::string& path)
{
    IDirectFB* dfb = Dfb();
    ST_IMAGE_DECODE ours;
    ASSERT_EQ(BriskDecodeImage(dfb, path.c_str(), &ours), E_IMAGE_DECODED) << path;
    IDirectFBImageProvider* provider = nullptr;
    ASSERT_EQ(dfb->CreateImageProvider(dfb, path.c_str(), &provider), DFB_OK);
    DFBSurfaceDescription desc;
    memset(&desc, 0, sizeof(desc));
    provider->GetSurfaceDescription(provider, &desc);
    IDirectFBSurface* decoded = nullptr;
    dfb->CreateSurface(dfb, &desc, &decoded);
    provider->RenderTo(provider, decoded, nullptr);
    provider->Release(provider);
    IDirectFBSurface* theirs = NewSurface(desc.width, desc.height);
    theirs->SetBlittingFlags(theirs, DSBLIT_NOFX);
    theirs->Blit(theirs, decoded, nullptr, 0, 0);
    decoded->Release(decoded);
    EXPECT_EQ(ours.u32Width, (U32)desc.width);
    EXPECT_EQ(ours.u32Height, (U32)desc.height);
    int differences = 0;
    for (int y = 0; y < desc.height; ++y) {
        for (int x = 0; x < desc.width; ++x) {
            U32 a = Pixel(ours.pSurface, x, y), b = Pixel(theirs, x, y);
            differences += a != b && ((a | b) >> 24) != 0;
        }
    }
    EXPECT_EQ(differences, 0) << path;
    ours.pSurface->Release(ours.pSurface);
    theirs->Release(theirs);
}

// A 37 x 11 PNG of `bits` and `colourType`, samples in a pattern; palette
// images get 16 entries, with alpha when `key`, RGB ones a colour key.
void WritePng(const std::string& path, int bits, int colourType, int interlace, bool key, double gamma)
{
    FILE* file = fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, 37, 11, bits, colourType, interlace, 0, 0);
    if (gamma > 0) png_set_gAMA(png, info, gamma);
    png_color palette[16];
    png_byte alphas[16];
    png_color_16 colourKey = { 0, 0x1D, 0x30, 0x43, 0 };
    for (int i = 0; i < 16; ++i) {
        palette[i] = { (png_byte)(i * 16), (png_byte)(255 - i * 9), (png_byte)(i * 77) };
        alphas[i] = (png_byte)(i * 17);
    }
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, 16);
    if (key) png_set_tRNS(png, info, alphas, 16, &colourKey);
    png_write_info(png, info);
    std::vector<png_byte> row((37 * png_get_channels(png, info) * bits + 7) / 8);
    for (int pass = png_set_interlace_handling(png); pass > 0; --pass) {
        for (int y = 0; y < 11; ++y) {
            for (size_t x = 0; x < row.size(); ++x)
                row[x] = (png_byte)((x * 29 + y * 13 + x * x) & (colourType == PNG_COLOR_TYPE_PALETTE ? 0x0F : 0xFF));
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    fclose(file);
}

TEST(ImageDecode, PngsDecodeAsDirectFBDecodedThem)
{
    std::string dir = std::string(BRISKUI_SAMPLE_ROOT) + "/config/briskui/images/";
    DIR* d = opendir(dir.c_str());
    ASSERT_NE(d, nullptr);
    int art = 0;
    while (struct dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0 && ++art) ExpectSameAsDirectFB(dir + name);
    }
    closedir(d);
    EXPECT_GE(art, 10);

    // Depths from 2 to 16 bits, grey, palettes with alpha, colour keys,
    // interlacing and a gamma chunk, which neither decoder applies.
    TempRoot root;
    struct Kind {
        int bits, colourType, interlace;
        bool key;
        double gamma;
    } kinds[] = {
        { 2, PNG_COLOR_TYPE_GRAY, 0, false, 0 },   { 16, PNG_COLOR_TYPE_GA, 0, false, 0 },
        { 8, PNG_COLOR_TYPE_RGB, 0, true, 0 },     { 16, PNG_COLOR_TYPE_RGBA, 0, false, 0 },
        { 8, PNG_COLOR_TYPE_RGBA, 1, false, 1.0 }, { 8, PNG_COLOR_TYPE_PALETTE, 0, true, 0 },
    };
    for (const Kind& k : kinds) {
        std::string path = root.Path() + "/kind" + std::to_string(&k - kinds) + ".png";
        WritePng(path, k.bits, k.colourType, k.interlace, k.key, k.gamma);
        ExpectSameAsDirectFB(path);
    }
}

// The process's peak resident memory in KiB since the last call (each call
// starts the peak anew at the present size).
long PeakKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    long kib = -1;
    while (std::getline(status, line))
        if (line.compare(0, 6, "VmHWM:") == 0) kib = atol(line.c_str() + 6);
    std::ofstream("/proc/self/clear_refs") << "5";
    return kib;
}

// A chunk's length is checked against the bytes the file has left before
// libpng allocates for it: this 112-byte file's text chunk claims 1.9 GB,
// which libpng allocated and cleared before finding the file short.
TEST(ImageDecode, ChunkClaimingMoreThanTheFileHoldsIsRefusedWithoutAllocatingIt)
{
    const std::string path = std::string(BRISKUI_SOURCE_DIR) + "/fuzz/corpus/image/text-chunk-claims-1.9gb.png";
    ST_IMAGE_DECODE image;
    PeakKiB();
    EXPECT_EQ(BriskDecodeImage(Dfb(), path.c_str(), &image), E_IMAGE_DAMAGED);
    long peak = PeakKiB();
    EXPECT_LT(peak - PeakKiB(), 16 << 10) << "KiB more at the peak than after the decode";
}

TEST(ImageDecode, SizeLimitIsBothSidesAndBytes)
{
    EXPECT_TRUE(BriskImageSizeAllowed(4096, 1024));   // 16 MiB exactly
    EXPECT_FALSE(BriskImageSizeAllowed(4097, 1));
    EXPECT_FALSE(BriskImageSizeAllowed(1, 4097));
    EXPECT_FALSE(BriskImageSizeAllowed(2048, 2049));
    EXPECT_FALSE(BriskImageSizeAllowed(0xFFFFFFFF, 0xFFFFFFFF));
}

}   // namespace
