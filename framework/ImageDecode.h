// Decoding image files into DirectFB surfaces, apart from the items that
// show them. PNG files (known by their signature, whatever their name) are
// decoded here with libpng straight into the surface, so that a damaged
// file is found damaged before any of it is drawn: DirectFB's own PNG
// provider crashes on some. JPEG files go through DirectFB's provider,
// which reads them with libjpeg. No other format is decoded: DirectFB
// reads GIF, BMP, PNM and its own DFIFF itself, trusting each file's
// header, and a damaged file of those crashes or hangs the process (a PNM
// file crashes it even intact). Both decoders refuse an image beyond the
// size limit before allocating anything for it, and neither opens what is
// not a regular file. A PNG chunk claiming more bytes than the file has
// makes the file damaged before libpng allocates for it.
#ifndef BRISKUI_IMAGEDECODE_H
#define BRISKUI_IMAGEDECODE_H

#include <directfb.h>

#include "BriskTypes.h"

// The largest image decoded: 4096 pixels a side and 16 MiB at 4 bytes a
// pixel (the OSD window is 1280 x 720).
enum { E_IMAGE_MAX_SIDE = 4096, E_IMAGE_MAX_BYTES = 16 << 20 };

enum EN_IMAGE_DECODE {
    E_IMAGE_DECODED = 0,
    E_IMAGE_NOT_FOUND,        // missing, not a regular file, or unreadable
    E_IMAGE_UNSUPPORTED,      // a file that is neither a PNG nor a JPEG
    E_IMAGE_NO_DESCRIPTION,   // a provider was found but could not tell the image's size
    E_IMAGE_TOO_LARGE,        // beyond the size limit; nothing was allocated for it
    E_IMAGE_NO_SURFACE,       // the surface could not be created
    E_IMAGE_DAMAGED           // the data does not decode completely
};

struct ST_IMAGE_DECODE {
    IDirectFBSurface* pSurface;   // the image, owned by the caller; null unless decoded
    U32 u32Width;                 // the image's size once its header is read, else 0
    U32 u32Height;
    // What libpng skipped in a PNG that decoded all the same (its first
    // warning, such as "tRNS: invalid"), to report; else empty.
    char acWarning[96] = {};
};

// Decodes the image file at `path` (a path of the file system, already
// resolved) into a new video-only surface: a PNG as straight (not
// premultiplied) ARGB, the pixels DirectFB's PNG provider gives; a JPEG
// in the pixel format its provider describes. Any thread that may
// use `dfb`; keeps no state.
EN_IMAGE_DECODE BriskDecodeImage(IDirectFB* dfb, const char* path, ST_IMAGE_DECODE* out);

// Whether a `width` x `height` image is within the size limit.
BOOL BriskImageSizeAllowed(U32 width, U32 height);

#endif   // BRISKUI_IMAGEDECODE_H
