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
    EN_IMAGE_DECODE eResult;      // E_IMAGE_DECODED, or the refusal remembered
    IDirectFBSurface* pSurface;   // the cache's own reference; null for a refusal
    U32 u32Width;
    U32 u32Height;
    size_t uBytes;
};

// Most recently used first.
std::list<CacheEntry> g_entries;
size_t g_bytes = 0;
U32 g_refused = 0;
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
    if (it->pSurface != NULL)
        it->pSurface->Release(it->pSurface);
    else
        --g_refused;
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

// Looks `key` up; on a hit hands out a reference (none for a refusal),
// stores the answer in `result` and makes the entry the most recently used.
// An entry of the same file in another state is dropped.
bool FindLocked(const CacheKey& key, ST_IMAGE_DECODE* out, EN_IMAGE_DECODE* result)
{
    for (std::list<CacheEntry>::iterator it = g_entries.begin(); it != g_entries.end(); ++it) {
        if (!it->key.SameFile(key)) continue;
        if (!it->key.Unchanged(key)) {
            DropLocked(it);
            return false;
        }
        g_entries.splice(g_entries.begin(), g_entries, it);
        if (it->pSurface != NULL) it->pSurface->AddRef(it->pSurface);
        *result = it->eResult;
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
    CacheEntry entry = { key, E_IMAGE_DECODED, image.pSurface, image.u32Width, image.u32Height, bytes };
    g_entries.push_front(entry);
    image.pSurface->AddRef(image.pSurface);
    g_bytes += bytes;
}

// Remembers that the decoder refused the file, dropping the least recently
// used refusal when E_IMAGE_CACHE_MAX_REFUSED are kept.
void InsertRefusalLocked(const CacheKey& key, EN_IMAGE_DECODE result, const ST_IMAGE_DECODE& image)
{
    DropFileLocked(key);
    if (g_refused >= E_IMAGE_CACHE_MAX_REFUSED) {
        for (std::list<CacheEntry>::iterator it = --g_entries.end();; --it) {
            if (it->pSurface == NULL) {
                DropLocked(it);
                break;
            }
        }
    }
    CacheEntry entry = { key, result, NULL, image.u32Width, image.u32Height, 0 };
    g_entries.push_front(entry);
    ++g_refused;
}

// The decoder's answers that depend on the file's content alone.
bool RefusesTheContent(EN_IMAGE_DECODE result)
{
    return result == E_IMAGE_UNSUPPORTED || result == E_IMAGE_TOO_LARGE || result == E_IMAGE_DAMAGED;
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
        EN_IMAGE_DECODE kept = E_IMAGE_DECODED;
        if (FindLocked(key, out, &kept)) return kept;
    }
    // Decoded outside the lock: a large image takes a while.
    EN_IMAGE_DECODE result = BriskDecodeImage(dfb, path, out);
    CacheLock lock;
    ++g_decodes;
    if (!cacheable)
        DropFileLocked(key);   // gone or replaced by what is no image file
    else if (result == E_IMAGE_DECODED && Settled(key.tModified, now))
        InsertLocked(key, *out);
    else if (RefusesTheContent(result) && Settled(key.tModified, now))
        InsertRefusalLocked(key, result, *out);
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
    out->u32Entries = (U32)g_entries.size() - g_refused;
    out->u32Bytes = (U32)g_bytes;
    out->u32Refused = g_refused;
    out->u32Hits = g_hits;
    out->u32Decodes = g_decodes;
}
