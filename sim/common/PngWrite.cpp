#include "PngWrite.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

namespace briskui_sim {
namespace {

// Largest image we accept when reading; protects against absurd headers in
// damaged files allocating gigabytes.
constexpr int kMaxReadDimension = 16384;

void SetError(std::string* error, const std::string& message)
{
    if (error != nullptr) *error = message;
}

std::string ErrnoText(int err) { return std::strerror(err); }

// libpng reports errors through a callback that must not return. The message
// goes into this context (owned by the caller of the setjmp function), then
// control jumps back to the setjmp point.
struct PngContext {
    std::string message;
};

void OnPngError(png_structp png, png_const_charp msg)
{
    auto* ctx = static_cast<PngContext*>(png_get_error_ptr(png));
    if (ctx != nullptr) ctx->message = (msg != nullptr) ? msg : "unknown libpng error";
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp)
{
    // Warnings (e.g. about sRGB profiles) are not interesting for our files.
}

// All libpng calls that can fail happen in these small functions that hold
// no objects with destructors and whose locals are not used after the jump,
// so a longjmp out of libpng leaves nothing half-built and nothing clobbered.
bool EncodeRows(png_structp png, png_infop info, FILE* file, png_bytepp rows, int width, int height, int colorType)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, colorType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

// Reads the header and sets the transformations that turn any PNG into
// 8-bit RGBA; the image data itself is read by DecodeRows once the caller
// has sized the buffers.
bool DecodeHeader(png_structp png, png_infop info, FILE* file, png_uint_32* width, png_uint_32* height,
                  size_t* rowBytes)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, kMaxReadDimension, kMaxReadDimension);
    png_read_info(png, info);

    const png_byte colorType = png_get_color_type(png, info);
    png_set_expand(png);   // palette -> RGB, grey < 8 bit -> 8 bit, tRNS -> alpha
    png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);   // no-op when alpha is present
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    *rowBytes = png_get_rowbytes(png, info);
    return true;
}

bool DecodeRows(png_structp png, png_infop info, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

bool CheckArgs(const std::string& path, const uint32_t* pixels, int width, int height, int pitchBytes,
               std::string* error)
{
    if (pixels == nullptr || width <= 0 || height <= 0) {
        SetError(error, "cannot write '" + path + "': empty image");
        return false;
    }
    if (pitchBytes < width * 4 || pitchBytes % 4 != 0) {
        SetError(error, "cannot write '" + path + "': pitch " + std::to_string(pitchBytes) + " does not fit width " +
                            std::to_string(width));
        return false;
    }
    return true;
}

const uint32_t* Row(const uint32_t* pixels, int y, int pitchBytes)
{
    return reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(pixels) +
                                             static_cast<size_t>(y) * pitchBytes);
}

// Writes rows of 8-bit samples (RGB or RGBA, given by colorType) to path.
// A partially written file is removed on failure.
bool WriteRows(const std::string& path, std::vector<png_byte>& data, int width, int height, int colorType,
               std::string* error)
{
    const size_t channels = (colorType == PNG_COLOR_TYPE_RGB_ALPHA) ? 4 : 3;
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) rows[y] = data.data() + static_cast<size_t>(y) * width * channels;

    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        SetError(error, "cannot create '" + path + "': " + ErrnoText(errno));
        return false;
    }

    PngContext ctx;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &ctx, OnPngError, OnPngWarning);
    png_infop info = (png != nullptr) ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (info == nullptr) {
        ctx.message = "out of memory creating the PNG writer";
    } else {
        ok = EncodeRows(png, info, file, rows.data(), width, height, colorType);
    }
    png_destroy_write_struct(&png, &info);

    // Buffered data is flushed by fclose, so its result decides success too
    // (e.g. a full disk shows up only here).
    if (ok && std::ferror(file)) {
        ok = false;
        ctx.message = "write error";
    }
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        ctx.message = ErrnoText(errno);
    }
    if (!ok) {
        std::remove(path.c_str());
        SetError(error, "cannot write '" + path + "': " + ctx.message);
    }
    return ok;
}

uint8_t Channel(double v) { return static_cast<uint8_t>(std::lround(v)); }

uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) { return 0xFF000000u | (uint32_t{ r } << 16) | (uint32_t{ g } << 8) | b; }

// The backdrop is a colour per row (sky, horizon, ground) dimmed by a factor
// per column (the vignette), so a whole frame computes each once.
struct RowColour {
    double r, g, b;
};

RowColour BackdropRow(int y, int height)
{
    // A dim evening scene: blue-grey sky brightening towards a horizon at 58%
    // of the height, darker blue-green ground below it.
    const double fy = (height > 1) ? static_cast<double>(y) / (height - 1) : 0.0;
    constexpr double kHorizon = 0.58;
    constexpr double kHaze = 0.012;   // half height of the soft horizon band
    const double ts = std::min(fy / kHorizon, 1.0);
    const double tg = std::sqrt(std::max(fy - kHorizon, 0.0) / (1.0 - kHorizon));
    const double sky[3] = { 28 + (92 - 28) * ts * ts, 40 + (112 - 40) * ts * ts, 62 + (138 - 62) * ts * ts };
    const double ground[3] = { 52 + (22 - 52) * tg, 66 + (30 - 66) * tg, 70 + (36 - 70) * tg };
    const double u = std::clamp((fy - kHorizon + kHaze) / (2 * kHaze), 0.0, 1.0);
    const double w = u * u * (3 - 2 * u);
    return { sky[0] + (ground[0] - sky[0]) * w, sky[1] + (ground[1] - sky[1]) * w, sky[2] + (ground[2] - sky[2]) * w };
}

// A gentle vignette towards the left and right edges.
double BackdropVignette(int x, int width)
{
    const double fx = (width > 1) ? static_cast<double>(x) / (width - 1) : 0.5;
    const double dx = fx - 0.5;
    return 1.0 - 0.7 * dx * dx;   // 0.825 at the edges
}

uint32_t Shade(const RowColour& c, double vignette)
{
    return Rgb(Channel(c.r * vignette), Channel(c.g * vignette), Channel(c.b * vignette));
}

// The backdrop of the size last asked for, made once: a host writes all its
// screenshots at one size. Shared, so that a caller keeps its copy while
// another thread asks for a new size.
std::shared_ptr<const std::vector<uint32_t>> SharedBackdrop(int width, int height)
{
    static std::mutex lock;
    static std::shared_ptr<const std::vector<uint32_t>> last;
    static int lastWidth = 0, lastHeight = 0;
    std::lock_guard<std::mutex> guard(lock);
    if (last == nullptr || width != lastWidth || height != lastHeight) {
        last = std::make_shared<const std::vector<uint32_t>>(Backdrop(width, height));
        lastWidth = width;
        lastHeight = height;
    }
    return last;
}

}   // namespace

bool WriteArgbPng(const std::string& path, const uint32_t* pixels, int width, int height, int pitchBytes,
                  std::string* error)
{
    if (!CheckArgs(path, pixels, width, height, pitchBytes, error)) return false;
    std::vector<png_byte> data(static_cast<size_t>(width) * height * 4);
    png_byte* out = data.data();
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = Row(pixels, y, pitchBytes);
        for (int x = 0; x < width; ++x) {
            const uint32_t p = row[x];
            *out++ = static_cast<png_byte>(p >> 16);
            *out++ = static_cast<png_byte>(p >> 8);
            *out++ = static_cast<png_byte>(p);
            *out++ = static_cast<png_byte>(p >> 24);
        }
    }
    return WriteRows(path, data, width, height, PNG_COLOR_TYPE_RGB_ALPHA, error);
}

uint32_t BackdropPixel(int x, int y, int width, int height)
{
    return Shade(BackdropRow(y, height), BackdropVignette(x, width));
}

std::vector<uint32_t> Backdrop(int width, int height)
{
    std::vector<uint32_t> pixels;
    if (width <= 0 || height <= 0) return pixels;
    std::vector<double> vignette(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x) vignette[x] = BackdropVignette(x, width);
    pixels.resize(static_cast<size_t>(width) * height);
    uint32_t* out = pixels.data();
    for (int y = 0; y < height; ++y) {
        const RowColour c = BackdropRow(y, height);
        for (int x = 0; x < width; ++x) *out++ = Shade(c, vignette[x]);
    }
    return pixels;
}

uint32_t CompositeOver(uint32_t argb, uint32_t opaqueBackground)
{
    const uint32_t a = argb >> 24;
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        const uint32_t s = (argb >> shift) & 0xFF;
        const uint32_t d = (opaqueBackground >> shift) & 0xFF;
        out |= ((s * a + d * (255 - a) + 127) / 255) << shift;
    }
    return out;
}

bool WriteArgbPngOverBackdrop(const std::string& path, const uint32_t* pixels, int width, int height, int pitchBytes,
                              std::string* error)
{
    if (!CheckArgs(path, pixels, width, height, pitchBytes, error)) return false;
    const std::shared_ptr<const std::vector<uint32_t>> backdrop = SharedBackdrop(width, height);
    const uint32_t* back = backdrop->data();
    std::vector<png_byte> data(static_cast<size_t>(width) * height * 3);
    png_byte* out = data.data();
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = Row(pixels, y, pitchBytes);
        for (int x = 0; x < width; ++x) {
            const uint32_t p = CompositeOver(row[x], *back++);
            *out++ = static_cast<png_byte>(p >> 16);
            *out++ = static_cast<png_byte>(p >> 8);
            *out++ = static_cast<png_byte>(p);
        }
    }
    return WriteRows(path, data, width, height, PNG_COLOR_TYPE_RGB, error);
}

bool ReadPngArgb(const std::string& path, std::vector<uint32_t>* pixels, int* width, int* height, std::string* error)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        SetError(error, "cannot open '" + path + "': " + ErrnoText(errno));
        return false;
    }
    png_byte signature[8];
    const size_t got = std::fread(signature, 1, sizeof signature, file);
    if (got != sizeof signature || png_sig_cmp(signature, 0, sizeof signature) != 0) {
        std::fclose(file);
        SetError(error, "cannot read '" + path + "': not a PNG file");
        return false;
    }

    PngContext ctx;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &ctx, OnPngError, OnPngWarning);
    png_infop info = (png != nullptr) ? png_create_info_struct(png) : nullptr;
    png_uint_32 w = 0, h = 0;
    size_t rowBytes = 0;
    std::vector<png_byte> data;
    std::vector<png_bytep> rows;
    bool ok = false;
    if (info == nullptr) {
        ctx.message = "out of memory creating the PNG reader";
    } else if (DecodeHeader(png, info, file, &w, &h, &rowBytes)) {
        if (rowBytes != static_cast<size_t>(w) * 4) {
            ctx.message = "unexpected row size after conversion to RGBA";
        } else {
            data.resize(rowBytes * h);
            rows.resize(h);
            for (png_uint_32 y = 0; y < h; ++y) rows[y] = data.data() + y * rowBytes;
            ok = DecodeRows(png, info, rows.data());
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    if (!ok) {
        SetError(error, "cannot read '" + path + "': " + ctx.message);
        return false;
    }

    pixels->resize(static_cast<size_t>(w) * h);
    const png_byte* in = data.data();
    for (uint32_t& p : *pixels) {
        p = (uint32_t{ in[3] } << 24) | (uint32_t{ in[0] } << 16) | (uint32_t{ in[1] } << 8) | in[2];
        in += 4;
    }
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

bool CopySurfaceArgb(IDirectFBSurface* surface, std::vector<uint32_t>* pixels, int* width, int* height,
                     std::string* error)
{
    if (surface == nullptr) {
        SetError(error, "no surface");
        return false;
    }
    DFBSurfacePixelFormat format = DSPF_UNKNOWN;
    DFBResult ret = surface->GetPixelFormat(surface, &format);
    if (ret != DFB_OK) {
        SetError(error, std::string("GetPixelFormat: ") + DirectFBErrorString(ret));
        return false;
    }
    if (format != DSPF_ARGB) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08x", static_cast<unsigned>(format));
        SetError(error, std::string("surface format ") + hex + " is not DSPF_ARGB");
        return false;
    }
    int w = 0, h = 0;
    ret = surface->GetSize(surface, &w, &h);
    if (ret != DFB_OK) {
        SetError(error, std::string("GetSize: ") + DirectFBErrorString(ret));
        return false;
    }
    void* data = nullptr;
    int pitch = 0;
    ret = surface->Lock(surface, DSLF_READ, &data, &pitch);
    if (ret != DFB_OK) {
        SetError(error, std::string("Lock: ") + DirectFBErrorString(ret));
        return false;
    }
    pixels->resize(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        std::memcpy(pixels->data() + static_cast<size_t>(y) * w, Row(static_cast<const uint32_t*>(data), y, pitch),
                    static_cast<size_t>(w) * 4);
    surface->Unlock(surface);
    *width = w;
    *height = h;
    return true;
}

bool WriteSurfacePng(IDirectFBSurface* surface, const std::string& path, bool backdrop, std::string* error)
{
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    std::string why;
    if (!CopySurfaceArgb(surface, &pixels, &width, &height, &why)) {
        SetError(error, "cannot write '" + path + "': " + why);
        return false;
    }
    return backdrop ? WriteArgbPngOverBackdrop(path, pixels.data(), width, height, width * 4, error)
                    : WriteArgbPng(path, pixels.data(), width, height, width * 4, error);
}

}   // namespace briskui_sim
