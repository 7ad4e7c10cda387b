#include "DrawItem.h"

#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "BriskPlatform.h"

namespace {

enum ImageFileKind { kUnreadable, kPngOrJpeg, kOtherFormat };

// What an image file holds, by its first bytes. PNG and JPEG files are
// decoded by libpng and libjpeg, which report a damaged file as an error.
// DirectFB reads its other formats (GIF, BMP, PNM, its own DFIFF) itself
// and trusts what a file's header says: a damaged file of those crashes or
// hangs the process, a PNM file crashes it even intact. Only a regular
// file is opened, without blocking.
ImageFileKind KindOfImageFile(const std::string& path)
{
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return kUnreadable;
    unsigned char head[8] = {0};
    struct stat st;
    ssize_t n = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? read(fd, head, sizeof head) : -1;
    close(fd);
    if (n < 0) return kUnreadable;
    static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (n == 8 && memcmp(head, kPng, sizeof kPng) == 0) return kPngOrJpeg;
    if (n >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return kPngOrJpeg;
    return kOtherFormat;
}

}  // namespace

BOOL DrawItem::Update(IDirectFBSurface*, IDirectFB*)
{
    return FALSE;
}

void DrawItem::Destroy(DrawItem* item)
{
    if (item == NULL) return;
    if (item->u8Kind == E_DRAW_ITEM_IMAGE)
        delete static_cast<ImageItem*>(item);
    else
        delete static_cast<TextItem*>(item);
}

// ---- ImageItem ------------------------------------------------------------

ImageItem::~ImageItem()
{
    ReleaseImage();
}

void ImageItem::ReleaseImage()
{
    if (pImageSurface != NULL) {
        pImageSurface->Release(pImageSurface);
        pImageSurface = NULL;
    }
}

void ImageItem::SetImagePath(const char* path)
{
    if (path == NULL) {
        printf("[BriskUI] Warning!!! ImageItem %s set with NULL ImagePath\n", strName.c_str());
        return;
    }
    strImagePath = path;
    strResolvedPath = BriskResolvePath(path);
    ReleaseImage();
}

BOOL ImageItem::Update(IDirectFBSurface* surface, IDirectFB* dfb)
{
    if (!u8Visible) return FALSE;
    if (surface == NULL || dfb == NULL) {
        puts("ImageItem::Update, no DFB resource for drawing");
        return FALSE;
    }
    if (pImageSurface == NULL) {
        if (KindOfImageFile(strResolvedPath) == kOtherFormat) {
            printf("[BriskUI] ImageItem %s: %s is neither a PNG nor a JPEG file\n", strName.c_str(),
                   strResolvedPath.c_str());
            printf("ImageItem::Update() fail to create provider of image %s\n", strResolvedPath.c_str());
            return FALSE;
        }
        IDirectFBImageProvider* provider = NULL;
        if (dfb->CreateImageProvider(dfb, strResolvedPath.c_str(), &provider) != DFB_OK) {
            printf("ImageItem::Update() fail to create provider of image %s\n", strResolvedPath.c_str());
            return FALSE;
        }
        DFBSurfaceDescription desc;
        memset(&desc, 0, sizeof(desc));
        if (provider->GetSurfaceDescription(provider, &desc) != DFB_OK) {
            provider->Release(provider);
            puts("ImageItem::Update() fail to get surface surface description");
            return FALSE;
        }
        desc.flags = (DFBSurfaceDescriptionFlags)(desc.flags | DSDESC_CAPS);
        desc.caps = DSCAPS_VIDEOONLY;
        if (dfb->CreateSurface(dfb, &desc, &pImageSurface) != DFB_OK) {
            pImageSurface = NULL;
            provider->Release(provider);
            puts("ImageItem::Update() fail to create surface");
            return FALSE;
        }
        if (provider->RenderTo(provider, pImageSurface, NULL) != DFB_OK) {
            // The surface stays cached: later draws blit it as it is rather
            // than decoding a file that just failed again at every frame.
            provider->Release(provider);
            printf("ImageItem::Update() fail to render to surface with image %s\n", strResolvedPath.c_str());
            return FALSE;
        }
        provider->Release(provider);
    }
    DFBRectangle dest = { rect.left, rect.top, rect.width, rect.height };
    surface->StretchBlit(surface, pImageSurface, NULL, &dest);
    surface->ReleaseSource(surface);
    return TRUE;
}

// ---- TextItem -------------------------------------------------------------

TextItem::~TextItem()
{
    ReleaseFont();
}

void TextItem::ReleaseFont()
{
    if (pFont != NULL) {
        pFont->Release(pFont);
        pFont = NULL;
    }
}

void TextItem::SetText(const char* text)
{
    if (text != NULL) strText = text;
}

void TextItem::SetFontPath(const char* path)
{
    if (path == NULL) return;
    strFontPath = path;
    strResolvedFontPath = BriskResolvePath(path);
    ReleaseFont();
}

void TextItem::SetFontSize(U8 size)
{
    u8FontSize = size;
    ReleaseFont();
}

BOOL TextItem::CreateFont(IDirectFB* dfb)
{
    if (pFont != NULL) return TRUE;
    DFBFontDescription desc;
    memset(&desc, 0, sizeof(desc));
#ifdef BRISKUI_VENDOR_DFB
    // The set's DirectFB has one more description field after
    // outline_opacity, selected by flag 0x200; the fonts of the set want 5.
    desc.flags = (DFBFontDescriptionFlags)(DFDESC_HEIGHT | 0x200);
    *(int*)((char*)&desc.outline_opacity + sizeof(desc.outline_opacity)) = 5;
#else
    // Stock DirectFB uses flag 0x200 for rotation: the height alone here.
    desc.flags = DFDESC_HEIGHT;
#endif
    desc.height = u8FontSize;
    DFBResult ret = dfb->CreateFont(dfb, strResolvedFontPath.c_str(), &desc, &pFont);
    if (ret != DFB_OK) {
        pFont = NULL;
        printf("TextItem::Update() create font fail. %s : %s\n", strResolvedFontPath.c_str(),
               DirectFBErrorString(ret));
        return FALSE;
    }
    return TRUE;
}

U32 TextItem::GetTextWidth(IDirectFB* dfb)
{
    if (dfb == NULL) {
        puts("TextItem::GetTextWidth, no DFB handler resource");
        return 0;
    }
    if (!CreateFont(dfb)) return 0;
    int width = 0;
    if (pFont->GetStringWidth(pFont, strText.c_str(), -1, &width) != DFB_OK || width < 0) return 0;
    return (U32)width;
}

BOOL TextItem::Update(IDirectFBSurface* surface, IDirectFB* dfb)
{
    if (!u8Visible) return FALSE;
    if (surface == NULL || dfb == NULL) {
        puts("TextItem::Update, no DFB resource for drawing");
        return FALSE;
    }
    if (!CreateFont(dfb)) return FALSE;
    surface->SetFont(surface, pFont);
    surface->SetColor(surface, (u32FontColor >> 16) & 0xFF, (u32FontColor >> 8) & 0xFF,
                      u32FontColor & 0xFF, (u32FontColor >> 24) & 0xFF);
    surface->DrawString(surface, strText.c_str(), -1, rect.left, rect.top, (DFBSurfaceTextFlags)0);
    return TRUE;
}
