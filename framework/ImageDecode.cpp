#include "ImageDecode.h"

#include <fcntl.h>
#include <png.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

EN_IMAGE_DECODE CreateVideoSurface(IDirectFB* dfb, DFBSurfaceDescription* desc, IDirectFBSurface** surface)
{
    desc->flags = (DFBSurfaceDescriptionFlags)(desc->flags | DSDESC_CAPS);
    desc->caps = DSCAPS_VIDEOONLY;
    if (dfb->CreateSurface(dfb, desc, surface) == DFB_OK) return E_IMAGE_DECODED;
    *surface = NULL;
    return E_IMAGE_NO_SURFACE;
}

// The largest ancillary chunk libpng may allocate for, and the
// decompressed size of a compressed one: far beyond any palette or
// transparency table, and what a chunk may claim is bounded by the file
// before libpng sees it (PngChunksFit).
const png_alloc_size_t kPngChunkMaxBytes = 1 << 20;

// libpng's messages: an error ends the decode through png_longjmp and the
// caller reports the file; a warning (a damaged or misplaced ancillary
// chunk, which libpng skips: a transparency table longer than the palette
// or before it leaves the image opaque) is kept, the first one, for the
// caller to report once the image has decoded.
void PngWarning(png_structp png, png_const_charp message)
{
    ST_IMAGE_DECODE* out = (ST_IMAGE_DECODE*)png_get_error_ptr(png);
    if (out->acWarning[0] == '\0') snprintf(out->acWarning, sizeof(out->acWarning), "%s", message);
}

void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

U32 Be32(const png_byte* bytes)
{
    return (U32)bytes[0] << 24 | (U32)bytes[1] << 16 | (U32)bytes[2] << 8 | (U32)bytes[3];
}

// Looks at the chunks of the PNG open as `fd`, `size` bytes long, before
// libpng does. libpng allocates (and clears) what a chunk's header claims
// before it reads the chunk, so a 112-byte file claiming 1.9 GB cost that
// much memory: a chunk claiming more bytes than the file has left makes the
// file damaged here. An intact header whose size is beyond the limit is
// reported with that size (libpng refuses a width over a million as an
// error of its own). Anything else is left to libpng: E_IMAGE_DECODED.
EN_IMAGE_DECODE PngChunksFit(int fd, off_t size, ST_IMAGE_DECODE* out)
{
    // The header chunk: length 13, "IHDR", width, height, 5 bytes, CRC.
    png_byte ihdr[25];
    if (pread(fd, ihdr, sizeof(ihdr), 8) == (ssize_t)sizeof(ihdr) && Be32(ihdr) == 13 &&
        memcmp(ihdr + 4, "IHDR", 4) == 0 && crc32(0, ihdr + 4, 17) == Be32(ihdr + 21) &&
        !BriskImageSizeAllowed(Be32(ihdr + 8), Be32(ihdr + 12))) {
        out->u32Width = Be32(ihdr + 8);
        out->u32Height = Be32(ihdr + 12);
        return E_IMAGE_TOO_LARGE;
    }
    // Unsigned and wide: a claimed length of 2^31 or more must not turn
    // negative where off_t has 32 bits.
    const unsigned long long total = (unsigned long long)size;
    for (unsigned long long at = 8; total - at >= 8;) {
        png_byte header[8];   // length, type
        if (pread(fd, header, sizeof(header), (off_t)at) != (ssize_t)sizeof(header)) return E_IMAGE_DAMAGED;
        // Length, type, data and CRC within what is left.
        unsigned long long chunk = 12ULL + Be32(header);
        if (chunk > total - at) return E_IMAGE_DAMAGED;
        if (memcmp(header + 4, "IEND", 4) == 0) break;
        at += chunk;
    }
    return E_IMAGE_DECODED;
}

// Decodes the PNG open as `file` into a new ARGB surface, row by row
// straight into the surface: every colour type and depth becomes 8-bit
// straight ARGB as DirectFB's PNG provider made it (palettes and grey
// expanded, transparency keys to alpha, 16 bits cut to 8, no gamma
// correction). Damage anywhere up to the end of the file takes libpng's
// error path; the surface is dropped then, so nothing of it is drawn.
EN_IMAGE_DECODE DecodePng(IDirectFB* dfb, FILE* file, ST_IMAGE_DECODE* out)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, out, &PngError, &PngWarning);
    png_infop info = png != NULL ? png_create_info_struct(png) : NULL;
    if (info == NULL) {
        png_destroy_read_struct(&png, NULL, NULL);
        return E_IMAGE_NO_SURFACE;
    }
    // Changed between setjmp and a longjmp back to it: volatile.
    IDirectFBSurface* volatile surface = NULL;
    volatile bool locked = false;
    if (setjmp(png_jmpbuf(png))) {
        if (locked) surface->Unlock(surface);
        if (surface != NULL) surface->Release(surface);
        png_destroy_read_struct(&png, &info, NULL);
        return E_IMAGE_DAMAGED;
    }
    png_init_io(png, file);
    png_set_chunk_malloc_max(png, kPngChunkMaxBytes);
    // No text chunk is read at all (a cache of one entry holds none): the
    // OSD shows none, and each would be allocated and kept to the end.
    png_set_chunk_cache_max(png, 1);
    png_read_info(png, info);
    out->u32Width = png_get_image_width(png, info);
    out->u32Height = png_get_image_height(png, info);
    if (!BriskImageSizeAllowed(out->u32Width, out->u32Height)) {
        png_destroy_read_struct(&png, &info, NULL);
        return E_IMAGE_TOO_LARGE;
    }
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    png_set_swap_alpha(png);   // the ARGB word in memory: A, R, G, B
    png_set_add_alpha(png, 0xFF, PNG_FILLER_BEFORE);
#else
    png_set_bgr(png);   // the ARGB word in memory: B, G, R, A
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
#endif
    int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    DFBSurfaceDescription desc;
    memset(&desc, 0, sizeof(desc));
    desc.flags = (DFBSurfaceDescriptionFlags)(DSDESC_WIDTH | DSDESC_HEIGHT | DSDESC_PIXELFORMAT);
    desc.width = (int)out->u32Width;
    desc.height = (int)out->u32Height;
    desc.pixelformat = DSPF_ARGB;
    IDirectFBSurface* created = NULL;
    void* pixels = NULL;
    int pitch = 0;
    if (CreateVideoSurface(dfb, &desc, &created) != E_IMAGE_DECODED) {
        png_destroy_read_struct(&png, &info, NULL);
        return E_IMAGE_NO_SURFACE;
    }
    surface = created;
    if (created->Lock(created, DSLF_WRITE, &pixels, &pitch) != DFB_OK) {
        created->Release(created);
        png_destroy_read_struct(&png, &info, NULL);
        return E_IMAGE_NO_SURFACE;
    }
    locked = true;
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < desc.height; ++y) png_read_row(png, (png_bytep)pixels + (size_t)y * pitch, NULL);
    png_read_end(png, NULL);
    created->Unlock(created);
    png_destroy_read_struct(&png, &info, NULL);
    out->pSurface = created;
    return E_IMAGE_DECODED;
}

// Decodes a JPEG through DirectFB's provider, which opens the file by its
// path itself. The file is there and starts as a JPEG does, so a provider
// that cannot be made (it reads the JPEG's headers first) means a damaged
// file.
EN_IMAGE_DECODE DecodeWithProvider(IDirectFB* dfb, const char* path, ST_IMAGE_DECODE* out)
{
    IDirectFBImageProvider* provider = NULL;
    if (dfb->CreateImageProvider(dfb, path, &provider) != DFB_OK) return E_IMAGE_DAMAGED;
    DFBSurfaceDescription desc;
    memset(&desc, 0, sizeof(desc));
    EN_IMAGE_DECODE result = E_IMAGE_DECODED;
    IDirectFBSurface* surface = NULL;
    if (provider->GetSurfaceDescription(provider, &desc) != DFB_OK) {
        result = E_IMAGE_NO_DESCRIPTION;
    } else {
        out->u32Width = desc.width > 0 ? (U32)desc.width : 0;
        out->u32Height = desc.height > 0 ? (U32)desc.height : 0;
        if (!BriskImageSizeAllowed(out->u32Width, out->u32Height))
            result = E_IMAGE_TOO_LARGE;
        else
            result = CreateVideoSurface(dfb, &desc, &surface);
    }
    if (result == E_IMAGE_DECODED && provider->RenderTo(provider, surface, NULL) != DFB_OK) {
        surface->Release(surface);
        result = E_IMAGE_DAMAGED;
    }
    provider->Release(provider);
    if (result == E_IMAGE_DECODED) out->pSurface = surface;
    return result;
}

}   // namespace

BOOL BriskImageSizeAllowed(U32 width, U32 height)
{
    return width <= E_IMAGE_MAX_SIDE && height <= E_IMAGE_MAX_SIDE &&
                   (unsigned long long)width * height * 4 <= E_IMAGE_MAX_BYTES
               ? TRUE
               : FALSE;
}

EN_IMAGE_DECODE BriskDecodeImage(IDirectFB* dfb, const char* path, ST_IMAGE_DECODE* out)
{
    out->pSurface = NULL;
    out->u32Width = 0;
    out->u32Height = 0;
    out->acWarning[0] = '\0';
    if (dfb == NULL || path == NULL) return E_IMAGE_NOT_FOUND;
    // O_NONBLOCK: even a FIFO put in place of the file cannot block the
    // open; fstat then turns away whatever is not a regular file.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return E_IMAGE_NOT_FOUND;
    struct stat st;
    png_byte signature[8];
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return E_IMAGE_NOT_FOUND;
    }
    ssize_t got = pread(fd, signature, sizeof(signature), 0);
    if (got != (ssize_t)sizeof(signature) || png_sig_cmp(signature, 0, sizeof(signature)) != 0) {
        close(fd);
        if (got < 0) return E_IMAGE_NOT_FOUND;
        bool jpeg = got >= 3 && signature[0] == 0xFF && signature[1] == 0xD8 && signature[2] == 0xFF;
        return jpeg ? DecodeWithProvider(dfb, path, out) : E_IMAGE_UNSUPPORTED;
    }
    EN_IMAGE_DECODE checked = PngChunksFit(fd, st.st_size, out);
    if (checked != E_IMAGE_DECODED) {
        close(fd);
        return checked;
    }
    FILE* file = fdopen(fd, "rb");
    if (file == NULL) {
        close(fd);
        return E_IMAGE_NOT_FOUND;
    }
    EN_IMAGE_DECODE result = DecodePng(dfb, file, out);
    fclose(file);
    return result;
}
