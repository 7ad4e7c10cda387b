#include "DrawItem.h"

#include <stdio.h>
#include <string.h>

#include "BriskFiles.h"
#include "BriskPlatform.h"
#include "Damage.h"
#include "ImageCache.h"

BOOL DrawItem::Update(IDirectFBSurface*, IDirectFB*) { return FALSE; }

void DrawItem::Destroy(DrawItem* item)
{
    if (item == NULL) return;
    if (item->u8Kind == E_DRAW_ITEM_IMAGE)
        delete static_cast<ImageItem*>(item);
    else
        delete static_cast<TextItem*>(item);
}

// ---- ImageItem ------------------------------------------------------------

ImageItem::~ImageItem() { ReleaseImage(); }

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
    bImageRefused = FALSE;
}

BOOL ImageItem::Update(IDirectFBSurface* surface, IDirectFB* dfb)
{
    if (!u8Visible) return FALSE;
    if (surface == NULL || dfb == NULL) {
        puts("ImageItem::Update, no DFB resource for drawing");
        return FALSE;
    }
    if (pImageSurface == NULL) {
        // An image found damaged or too large stays refused until its path
        // is set again, rather than being decoded and logged at every frame.
        if (bImageRefused) return FALSE;
        ST_IMAGE_DECODE image;
        switch (BriskDecodeImageCached(dfb, strResolvedPath.c_str(), &image)) {
        case E_IMAGE_DECODED:
            pImageSurface = image.pSurface;
            if (image.acWarning[0] != '\0')
                printf("[BriskUI] ImageItem %s: %s has a fault that libpng skips (%s): drawn as libpng reads it\n",
                       strName.c_str(), strResolvedPath.c_str(), image.acWarning);
            break;
        case E_IMAGE_NOT_FOUND:
            printf("ImageItem::Update() fail to create provider of image %s\n", strResolvedPath.c_str());
            return FALSE;
        case E_IMAGE_UNSUPPORTED:
            printf("[BriskUI] ImageItem %s: %s is neither a PNG nor a JPEG file\n", strName.c_str(),
                   strResolvedPath.c_str());
            printf("ImageItem::Update() fail to create provider of image %s\n", strResolvedPath.c_str());
            bImageRefused = TRUE;
            return FALSE;
        case E_IMAGE_NO_DESCRIPTION:
            puts("ImageItem::Update() fail to get surface surface description");
            return FALSE;
        case E_IMAGE_NO_SURFACE:
            puts("ImageItem::Update() fail to create surface");
            return FALSE;
        case E_IMAGE_TOO_LARGE:
            printf("ImageItem::Update() image %s is %lu x %lu, more than %d x %d or %d MiB decoded: not drawn\n",
                   strResolvedPath.c_str(), (unsigned long)image.u32Width, (unsigned long)image.u32Height,
                   (int)E_IMAGE_MAX_SIDE, (int)E_IMAGE_MAX_SIDE, (int)(E_IMAGE_MAX_BYTES >> 20));
            bImageRefused = TRUE;
            return FALSE;
        case E_IMAGE_DAMAGED:
            printf("ImageItem::Update() fail to render to surface with image %s\n", strResolvedPath.c_str());
            bImageRefused = TRUE;
            return FALSE;
        }
    }
    DFBRectangle dest = { rect.left, rect.top, rect.width, rect.height };
    BriskDrawImage(surface, this, pImageSurface, dest);
    return TRUE;
}

// ---- TextItem -------------------------------------------------------------

TextItem::~TextItem() { ReleaseFont(); }

void TextItem::ReleaseFont()
{
    if (pFont != NULL) {
        pFont->Release(pFont);
        pFont = NULL;
    }
}

namespace {

// The length of the longest start of the UTF-8 `text` that ends at a
// character boundary within E_TEXT_MAX_CHARS characters and E_TEXT_MAX_BYTES
// bytes; `cut` tells whether anything was left out. It never reads past
// where it cuts, however long the text.
size_t ShownLength(const char* text, bool* cut)
{
    *cut = true;
    size_t end = 0, chars = 0;   // end: just after the last whole character kept
    for (size_t i = 0;; ++i) {
        unsigned char c = (unsigned char)text[i];
        if (c != '\0' && (c & 0xC0) == 0x80) {   // inside a character
            if (i < E_TEXT_MAX_BYTES) continue;
            // More than four bytes since the last boundary is no UTF-8 at
            // all: that is cut at the byte bound.
            return i - end > 3 ? i : end;
        }
        end = i;
        if (c == '\0') break;
        if (chars == E_TEXT_MAX_CHARS || i == E_TEXT_MAX_BYTES) return end;
        ++chars;
    }
    *cut = false;
    return end;
}

}   // namespace

void TextItem::SetText(const char* text)
{
    if (text == NULL) return;
    bool cut = false;
    size_t length = ShownLength(text, &cut);
    if (cut && !(bTextCut && strText.compare(0, std::string::npos, text, length) == 0))
        printf(
            "[BriskUI] TextItem %s: text cut from %lu to %lu bytes (at most %d characters): the item cannot "
            "show more\n",
            strName.c_str(), (unsigned long)strlen(text), (unsigned long)length, (int)E_TEXT_MAX_CHARS);
    strText.assign(text, length);
    bTextCut = cut;
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
    // Only a regular file is handed to the font loader: a FIFO would block.
    DFBResult ret = BriskIsReadableFile(strResolvedFontPath.c_str(), 0, NULL)
                        ? dfb->CreateFont(dfb, strResolvedFontPath.c_str(), &desc, &pFont)
                        : DFB_FILENOTFOUND;
    if (ret != DFB_OK) {
        pFont = NULL;
        printf("TextItem::Update() create font fail. %s : %s\n", strResolvedFontPath.c_str(), DirectFBErrorString(ret));
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
    BriskDrawText(surface, dfb, this, pFont, u32FontColor, strText, rect.left, rect.top);
    return TRUE;
}
