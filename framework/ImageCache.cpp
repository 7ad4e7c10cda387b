#include "ImageCache.h"

#include <pthread.h>
#include <sys/stat.h>
#include <time.h>

#include <list>
#include <string>

namespace {

// What identifies one state of one file for one DirectFB.
struct CacheKey {
    IDirectFB* pDfb;
    std::string strPath;
    dev_t tDevice;
    ino_t tInode;
    off_t tSize;
    struct timespec tModified;

    bool SameFile(const CacheKey& other) const { return pDfb == other.pDfb && strPath == other.strPath; }
    bool Unchanged(const CacheKey& other) const
    {
        return SameFile(other) && tDevice == other.tDevice && tInode == other.tInode && tSize == other.tSize &&
               tModified.tv_sec == other.tModified.tv_sec && tModified.tv_nsec == other.tModified.tv_nsec;
    }
};

struct CacheEntry {
    CacheKey key;
    IDirectFBSurface* pSurface;   // the cache's own reference
    U32 u32Width;
    U32 u32Height;
    size_t uBytes;
};

// Most recently used first.
std::list<CacheEntry> g_entries;
size_t g_bytes = 0;
U32 g_hits = 0;
U32 g_decodes = 0;
pthread_mutex_t g_lock = PTHREAD_MUTEX_INITIALIZER;

class CacheLock {
public:
    CacheLock() { pthread_mutex_lock(&g_lock); }
    ~CacheLock() { pthread_mutex_unlock(&g_lock); }
    CacheLock(const CacheLock&) = delete;
    CacheLock& operator=(const CacheLock&) = delete;
};

// Whether the file's timestamp is far enough from `now` (the wall clock
// read before the file was looked at) for any later write to change it:
// file systems stamp with a clock that lags by a tick, some round to 2 s.
// A timestamp far ahead of the clock (a set whose clock is not set yet
// showing art built later) is as safe as one far behind it.
bool Settled(const struct timespec& modified, const struct timespec& now)
{
    return modified.tv_sec + E_IMAGE_CACHE_SETTLE_SECONDS <= now.tv_sec ||
           modified.tv_sec >= now.tv_sec + E_IMAGE_CACHE_SETTLE_SECONDS;
}

size_t SurfaceBytes(IDirectFBSurface* surface, U32 width, U32 height)
{
    DFBSurfacePixelFormat format = DSPF_ARGB;
    surface->GetPixelFormat(surface, &format);
    size_t perPixel = DFB_BYTES_PER_PIXEL(format);
    return (size_t)width * height * (perPixel > 0 ? perPixel : 4);
}

void DropLocked(std::list<CacheEntry>::iterator it)
{
    g_bytes -= it->uBytes;
    it->pSurface->Release(it->pSurface);
    g_entries.erase(it);
}

// Drops the entry of `key`'s file, if any.
void DropFileLocked(const CacheKey& key)
{
    for (std::list<CacheEntry>::iterator it = g_entries.begin(); it != g_entries.end(); ++it) {
        if (it->key.SameFile(key)) {
            DropLocked(it);
            return;
        }
    }
}

// Looks `key` up; on a hit hands out a reference and makes it the most
// recently used. An entry of the same file in another state is dropped.
bool FindLocked(const CacheKey& key, ST_IMAGE_DECODE* out)
{
    for (std::list<CacheEntry>::iterator it = g_entries.begin(); it != g_entries.end(); ++it) {
        if (!it->key.SameFile(key)) continue;
        if (!it->key.Unchanged(key)) {
            DropLocked(it);
            return false;
        }
        g_entries.splice(g_entries.begin(), g_entries, it);
        it->pSurface->AddRef(it->pSurface);
        out->pSurface = it->pSurface;
        out->u32Width = it->u32Width;
        out->u32Height = it->u32Height;
        ++g_hits;
        return true;
    }
    return false;
}

// Keeps a reference to the decoded image, dropping the least recently used
// entries to make room; an image larger than the whole cache is not kept.
void InsertLocked(const CacheKey& key, const ST_IMAGE_DECODE& image)
{
    DropFileLocked(key);   // another thread may have decoded the same file meanwhile
    size_t bytes = SurfaceBytes(image.pSurface, image.u32Width, image.u32Height);
    if (bytes > E_IMAGE_CACHE_MAX_BYTES) return;
    while (!g_entries.empty() && g_bytes + bytes > E_IMAGE_CACHE_MAX_BYTES) DropLocked(--g_entries.end());
    CacheEntry entry = { key, image.pSurface, image.u32Width, image.u32Height, bytes };
    g_entries.push_front(entry);
    image.pSurface->AddRef(image.pSurface);
    g_bytes += bytes;
}

}   // namespace

EN_IMAGE_DECODE BriskDecodeImageCached(IDirectFB* dfb, const char* path, ST_IMAGE_DECODE* out)
{
    out->pSurface = NULL;
    out->u32Width = 0;
    out->u32Height = 0;
    out->acWarning[0] = '\0';   // a kept image was reported when it was decoded
    if (dfb == NULL || path == NULL) return E_IMAGE_NOT_FOUND;
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct stat st;
    // What stat cannot see, or cannot call a regular file, the decoder
    // turns away with its own answer.
    bool cacheable = stat(path, &st) == 0 && S_ISREG(st.st_mode);
    CacheKey key = { dfb, path, 0, 0, 0, { 0, 0 } };
    if (cacheable) {
        key.tDevice = st.st_dev;
        key.tInode = st.st_ino;
        key.tSize = st.st_size;
        key.tModified = st.st_mtim;
        CacheLock lock;
        if (FindLocked(key, out)) return E_IMAGE_DECODED;
    }
    // Decoded outside the lock: a large image takes a while.
    EN_IMAGE_DECODE result = BriskDecodeImage(dfb, path, out);
    CacheLock lock;
    ++g_decodes;
    if (!cacheable)
        DropFileLocked(key);   // gone or replaced by what is no image file
    else if (result == E_IMAGE_DECODED && Settled(key.tModified, now))
        InsertLocked(key, *out);
    return result;
}

void BriskImageCacheClear()
{
    CacheLock lock;
    while (!g_entries.empty()) DropLocked(g_entries.begin());
}

void BriskImageCacheStats(ST_IMAGE_CACHE_STATS* out)
{
    CacheLock lock;
    out->u32Entries = (U32)g_entries.size();
    out->u32Bytes = (U32)g_bytes;
    out->u32Hits = g_hits;
    out->u32Decodes = g_decodes;
}
