// The decoded-image cache: an unchanged file is decoded once, a changed
// one again; the least recently used images go to keep within the cap; a
// refused file is refused again without being read, until it changes;
// the manager's Finalize empties it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "BriskUiManager.h"
#include "DrawItem.h"
#include "ImageCache.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

class ImageCacheTest : public ManagerTest {
protected:
    void SetUp() override
    {
        ManagerTest::SetUp();
        BriskImageCacheClear();
    }
    // A solid PNG under the root modified at `stamp` (seconds since the
    // epoch, long ago): a file the cache may keep.
    std::string Png(const char* name, int width, int height, U32 argb, time_t stamp = 1600000000)
    {
        std::string path = root_.Path() + "/" + name;
        WriteSolidPng(path, width, height, argb);
        Stamp(path, stamp);
        return path;
    }
    // Any file under the root, modified long ago.
    std::string File(const char* name, const std::string& content)
    {
        root_.Write(std::string("/") + name, content);
        Stamp(root_.Path() + "/" + name, 1600000000);
        return root_.Path() + "/" + name;
    }
    static void Stamp(const std::string& path, time_t stamp)
    {
        struct timespec times[2] = { { stamp, 0 }, { stamp, 0 } };
        EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
    // Decodes `path` through the cache, returns the surface (released).
    static IDirectFBSurface* Decode(const std::string& path)
    {
        ST_IMAGE_DECODE image;
        EXPECT_EQ(BriskDecodeImageCached(Dfb(), path.c_str(), &image), E_IMAGE_DECODED) << path;
        if (image.pSurface != nullptr) image.pSurface->Release(image.pSurface);
        return image.pSurface;
    }
    static ST_IMAGE_CACHE_STATS Stats()
    {
        ST_IMAGE_CACHE_STATS stats;
        BriskImageCacheStats(&stats);
        return stats;
    }
};

TEST_F(ImageCacheTest, UnchangedFileIsDecodedOnceChangedFileAgain)
{
    std::string path = Png("icon.png", 4, 4, 0xFFFF0000);
    U32 decodes = Stats().u32Decodes;
    IDirectFBSurface* first = Decode(path);
    EXPECT_EQ(Decode(path), first);
    EXPECT_EQ(Stats().u32Decodes, decodes + 1);
    EXPECT_EQ(Stats().u32Entries, 1u);
    EXPECT_EQ(Stats().u32Bytes, 4u * 4 * 4);

    // Other content, other time: decoded again, the new pixels.
    Png("icon.png", 4, 4, 0xFF00FF00, 1600000100);
    ST_IMAGE_DECODE image;
    ASSERT_EQ(BriskDecodeImageCached(Dfb(), path.c_str(), &image), E_IMAGE_DECODED);
    EXPECT_EQ(Pixel(image.pSurface, 0, 0), 0xFF00FF00u);
    image.pSurface->Release(image.pSurface);
    EXPECT_EQ(Stats().u32Decodes, decodes + 2);

    // Same time, another file size.
    struct stat before, after;
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    Png("icon.png", 64, 64, 0xFF00FF00, 1600000100);
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    ASSERT_NE(before.st_size, after.st_size);
    Decode(path);
    EXPECT_EQ(Stats().u32Decodes, decodes + 3);
    EXPECT_EQ(Stats().u32Entries, 1u);   // one entry per file
    EXPECT_EQ(Stats().u32Bytes, 64u * 64 * 4);
}

TEST_F(ImageCacheTest, FreshlyWrittenFileIsNotKept)
{
    // Written twice within one timestamp tick with the same size: only
    // decoding again shows the second one.
    std::string path = root_.Path() + "/fresh.png";
    WriteSolidPng(path, 4, 4, 0xFFFF0000);
    Decode(path);
    EXPECT_EQ(Stats().u32Entries, 0u);
    WriteSolidPng(path, 4, 4, 0xFF0000FF);
    ST_IMAGE_DECODE image;
    ASSERT_EQ(BriskDecodeImageCached(Dfb(), path.c_str(), &image), E_IMAGE_DECODED);
    EXPECT_EQ(Pixel(image.pSurface, 0, 0), 0xFF0000FFu);
    image.pSurface->Release(image.pSurface);
}

TEST_F(ImageCacheTest, LeastRecentlyUsedGoesUnderTheCapAndLargerImagesAreNotKept)
{
    // 1024 x 768 ARGB is 3 MiB: two fit in 8 MiB, three do not.
    std::string a = Png("a.png", 1024, 768, 0xFF102030);
    std::string b = Png("b.png", 1024, 768, 0xFF203040);
    std::string c = Png("c.png", 1024, 768, 0xFF304050);
    IDirectFBSurface* sa = Decode(a);
    Decode(b);
    EXPECT_EQ(Decode(a), sa);   // a is now the most recent
    Decode(c);                  // b goes
    EXPECT_EQ(Stats().u32Entries, 2u);
    EXPECT_EQ(Stats().u32Bytes, 6u << 20);
    U32 decodes = Stats().u32Decodes;
    Decode(a);
    Decode(c);
    EXPECT_EQ(Stats().u32Decodes, decodes);
    Decode(b);
    EXPECT_EQ(Stats().u32Decodes, decodes + 1);

    // 1500 x 1500 is more than the cap on its own: decoded, drawn, not
    // kept, and it evicts nothing.
    std::string big = Png("big.png", 1500, 1500, 0xFF405060);
    ST_IMAGE_DECODE image;
    ASSERT_EQ(BriskDecodeImageCached(Dfb(), big.c_str(), &image), E_IMAGE_DECODED);
    EXPECT_EQ(Pixel(image.pSurface, 1499, 1499), 0xFF405060u);
    image.pSurface->Release(image.pSurface);
    EXPECT_EQ(Stats().u32Entries, 2u);
    Decode(big);
    EXPECT_EQ(Stats().u32Decodes, decodes + 3);
}

// A damaged PNG, a text file and an image beyond the size limit: each
// unchanged file gets its answer (and the size, for the too-large one)
// from the cache, and a repaired file is decoded. Refusals take no room
// from images, and only the most recent E_IMAGE_CACHE_MAX_REFUSED stay.
TEST_F(ImageCacheTest, RefusalsAreRememberedUntilTheFileChanges)
{
    std::string kept = Png("kept.png", 4, 4, 0xFF00FF00);
    IDirectFBSurface* keptSurface = Decode(kept);
    std::string bytes = ReadFile(Png("whole.png", 64, 64, 0xFF00FF00));
    std::string damaged = File("damaged.png", bytes.substr(0, bytes.size() / 2));
    std::string text = File("notes.png", "not an image");
    std::string large = Png("large.png", E_IMAGE_MAX_SIDE + 1, 1, 0xFF00FF00);
    const struct {
        const std::string& path;
        EN_IMAGE_DECODE result;
    } refused[] = { { damaged, E_IMAGE_DAMAGED }, { text, E_IMAGE_UNSUPPORTED }, { large, E_IMAGE_TOO_LARGE } };
    U32 decodes = Stats().u32Decodes;
    for (int round = 0; round < 2; ++round) {
        for (const auto& r : refused) {
            ST_IMAGE_DECODE image;
            EXPECT_EQ(BriskDecodeImageCached(Dfb(), r.path.c_str(), &image), r.result) << r.path;
            EXPECT_EQ(image.pSurface, nullptr);
            if (r.result == E_IMAGE_TOO_LARGE) {
                EXPECT_EQ(image.u32Width, (U32)E_IMAGE_MAX_SIDE + 1);
            }
        }
        EXPECT_EQ(Stats().u32Decodes, decodes + 3) << "round " << round;
    }
    EXPECT_EQ(Stats().u32Refused, 3u);
    EXPECT_EQ(Decode(kept), keptSurface);

    Png("damaged.png", 4, 4, 0xFF0000FF, 1600000100);
    ST_IMAGE_DECODE image;
    ASSERT_EQ(BriskDecodeImageCached(Dfb(), damaged.c_str(), &image), E_IMAGE_DECODED);
    EXPECT_EQ(Pixel(image.pSurface, 0, 0), 0xFF0000FFu);
    image.pSurface->Release(image.pSurface);
    EXPECT_EQ(Stats().u32Refused, 2u);

    for (int i = 0; i < E_IMAGE_CACHE_MAX_REFUSED + 1; ++i) {
        std::string path = File(("text" + std::to_string(i) + ".png").c_str(), "not an image");
        ASSERT_EQ(BriskDecodeImageCached(Dfb(), path.c_str(), &image), E_IMAGE_UNSUPPORTED);
    }
    EXPECT_EQ(Stats().u32Refused, (U32)E_IMAGE_CACHE_MAX_REFUSED);
    EXPECT_EQ(Stats().u32Entries, 2u);   // the two images
}

TEST_F(ImageCacheTest, ItemsShareTheImageAndOutliveTheCache)
{
    Png("shared.png", 2, 2, 0xFFFF0000);
    ImageItem one, two;
    one.SetRect(_Rect(0, 0, 10, 10));
    two.SetRect(_Rect(20, 0, 10, 10));
    one.SetImagePath("/shared.png");
    two.SetImagePath("/shared.png");
    IDirectFBSurface* surface = NewSurface(64, 16);
    U32 decodes = Stats().u32Decodes;
    one.Update(surface, Dfb());
    two.Update(surface, Dfb());
    EXPECT_EQ(one.CachedSurface(), two.CachedSurface());
    // Setting the path again drops only the item's own reference: drawn
    // from the cache, not decoded.
    one.SetImagePath("/shared.png");
    EXPECT_EQ(one.CachedSurface(), nullptr);
    one.Update(surface, Dfb());
    EXPECT_EQ(Stats().u32Decodes, decodes + 1);

    // Emptying the cache leaves the items' images usable.
    BriskImageCacheClear();
    Fill(surface, 0);
    one.Update(surface, Dfb());
    two.Update(surface, Dfb());
    EXPECT_EQ(Pixel(surface, 5, 5), 0xFFFF0000u);
    EXPECT_EQ(Pixel(surface, 25, 5), 0xFFFF0000u);
    surface->Release(surface);
}

TEST_F(ImageCacheTest, FinalizeEmptiesIt)
{
    StartManager();
    Decode(Png("kept.png", 8, 8, 0xFF00FF00));
    EXPECT_EQ(Stats().u32Entries, 1u);
    StopManager();
    EXPECT_EQ(Stats().u32Entries, 0u);
    EXPECT_EQ(Stats().u32Bytes, 0u);
}

}   // namespace
