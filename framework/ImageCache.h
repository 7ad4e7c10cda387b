// A small process-wide cache of decoded images, in front of the image
// decoder. Items drop their decoded image whenever their path is set (the
// banner sets its icon at every draw, the PIN boxes and menu icons swap
// path endings on every key); with the cache, showing the same unchanged
// file again costs a stat() and a reference instead of a PNG decode.
//
// An entry is the file's resolved path, device, inode, size and
// modification time, with the decoded surface; a file changed on disk
// differs in one of them and is decoded anew. A file modified within the
// last few seconds is never cached: its timestamp cannot yet tell a second
// write in the same clock tick from the first, so it is decoded at every
// request until it is older. Entries are dropped least recently used first
// to keep the decoded pixels within E_IMAGE_CACHE_MAX_BYTES; an image larger
// than that on its own is decoded for its caller and not kept.
//
// A file whose content the decoder refuses (neither PNG nor JPEG, beyond
// the size limit, damaged) is remembered the same way, without pixels: the
// same unchanged file gets the same answer again without being read. At
// most E_IMAGE_CACHE_MAX_REFUSED such answers are kept, the least recently
// used dropped first.
//
// Threads: the input thread draws and the host's thread composes the
// first-initialisation progress, both under the manager lock; the cache
// also guards itself, so any thread that may use the DirectFB interface
// passed in may call it.
#ifndef BRISKUI_IMAGECACHE_H
#define BRISKUI_IMAGECACHE_H

#include <directfb.h>

#include "BriskTypes.h"
#include "ImageDecode.h"

// The most decoded pixel bytes the cache keeps.
enum { E_IMAGE_CACHE_MAX_BYTES = 8 << 20 };
// A file modified less than this many seconds before (or after) the
// decoding clock reading is not cached.
enum { E_IMAGE_CACHE_SETTLE_SECONDS = 3 };
// The most refused files remembered.
enum { E_IMAGE_CACHE_MAX_REFUSED = 64 };

struct ST_IMAGE_CACHE_STATS {
    U32 u32Entries;   // images kept
    U32 u32Bytes;     // their decoded size
    U32 u32Refused;   // refused files remembered
    U32 u32Hits;      // requests served from the cache (images and refusals), since the process began
    U32 u32Decodes;   // requests that decoded the file
};

// As BriskDecodeImage, served from the cache when the file at `path` (a
// resolved path) is unchanged since it was decoded with the same `dfb`
// (a remembered refusal gives its answer and the image's size, if known).
// out->pSurface is a reference of the caller's own, to Release when done;
// the image may be shared with other callers, so it is only ever blitted
// from, never drawn into. Any thread (see above).
EN_IMAGE_DECODE BriskDecodeImageCached(IDirectFB* dfb, const char* path, ST_IMAGE_DECODE* out);

// Drops every kept image (surfaces still held by callers stay valid until
// they release them). The manager's Finalize calls it. Any thread.
void BriskImageCacheClear();

// What the cache holds and has done. Any thread.
void BriskImageCacheStats(ST_IMAGE_CACHE_STATS* out);

#endif   // BRISKUI_IMAGECACHE_H
