// Draw items: what a layout file describes, drawn onto the OSD window's
// surface. An ImageItem shows one image file scaled into its rectangle, a
// TextItem draws one string. Items create their DirectFB resources on first
// use and keep them until a property they depend on changes.
#ifndef BRISKUI_DRAWITEM_H
#define BRISKUI_DRAWITEM_H

#include <directfb.h>

#include <string>

#include "BriskTypes.h"
#include "Rect.h"

// Item kind codes of the layout key ":u8Type".
enum { E_DRAW_ITEM_IMAGE = 1, E_DRAW_ITEM_TEXT = 2 };

class DrawItem {
public:
    virtual BOOL Update(IDirectFBSurface* surface, IDirectFB* dfb);

    U8 GetType() const { return u8Type; }
    void SetType(U8 type) { u8Type = type; }
    U32 GetLeft() const { return (U32)rect.left; }
    void SetLeft(U32 v) { rect.left = (S32)v; }
    U32 GetTop() const { return (U32)rect.top; }
    void SetTop(U32 v) { rect.top = (S32)v; }
    U32 GetWidth() const { return (U32)rect.width; }
    void SetWidth(U32 v) { rect.width = (S32)v; }
    U32 GetHeight() const { return (U32)rect.height; }
    void SetHeight(U32 v) { rect.height = (S32)v; }
    _Rect GetRect() const { return rect; }
    void SetRect(const _Rect& r) { rect = r; }
    U8 GetVisible() const { return u8Visible; }
    void SetVisible(U8 visible) { u8Visible = visible; }
    std::string GetName() const { return strName; }
    void SetName(const char* name) { strName = name ? name : ""; }
    // The stored name, without a copy (look-ups compare against it).
    const std::string& Name() const { return strName; }
    // TRUE for an ImageItem, FALSE for a TextItem.
    bool IsImage() const { return u8Kind == E_DRAW_ITEM_IMAGE; }

    // Deletes an item as its own kind, so that an image item releases its
    // image surface and a text item its font. Items have no virtual
    // destructor; this is the one way to delete through a DrawItem pointer.
    static void Destroy(DrawItem* item);

protected:
    // Only the two item kinds exist; `kind` is fixed at construction so
    // that Destroy deletes an item as what it is, whatever its type code.
    explicit DrawItem(U8 kind) : u8Type(0), u8Visible(1), u8Kind(kind) {}
    ~DrawItem() {}

    U8 u8Type;
    _Rect rect;
    std::string strName;
    U8 u8Visible;

private:
    U8 u8Kind;
};

class ImageItem final : public DrawItem {
public:
    ImageItem() : DrawItem(E_DRAW_ITEM_IMAGE), pImageSurface(NULL), bImageRefused(FALSE) {}
    ~ImageItem();

    // Stores a non-null path and drops the item's decoded image (or a
    // refusal of the file), so the next draw takes the file again (from the
    // image cache while it is unchanged on disk); a null path keeps the old
    // image and warns.
    void SetImagePath(const char* path);
    std::string GetImagePath() const { return strImagePath; }
    // Draws the image scaled into the rectangle, decoding it first if no
    // decoded image is kept; FALSE (logged) when it cannot be drawn. A
    // damaged or too large file draws nothing until the path is set again.
    BOOL Update(IDirectFBSurface* surface, IDirectFB* dfb) override;
    // The decoded image, null until the first successful draw; shared with
    // the image cache and other items showing the same file.
    IDirectFBSurface* CachedSurface() const { return pImageSurface; }

private:
    void ReleaseImage();

    std::string strImagePath;
    IDirectFBSurface* pImageSurface;
    std::string strResolvedPath;   // strImagePath under the file-system root
    BOOL bImageRefused;            // the file was damaged, too large or of another format: draw nothing
};

// The most of a text a text item keeps. Text draws unclipped from the
// item's left edge across the OSD window, 1280 pixels wide, and no character
// advances less than a pixel, so no item shows more characters than that;
// in UTF-8 they take at most four bytes each. The bound also keeps DirectFB's
// string drawing, which needs stack in proportion to the text, within the
// input thread's stack.
enum { E_TEXT_MAX_CHARS = 1280, E_TEXT_MAX_BYTES = 4 * E_TEXT_MAX_CHARS };

class TextItem final : public DrawItem {
public:
    TextItem() : DrawItem(E_DRAW_ITEM_TEXT), u8FontSize(0), u32FontColor(0), pFont(NULL), bTextCut(false) {}
    ~TextItem();

    // Stores the text (a null text is ignored), cut at a character boundary
    // to E_TEXT_MAX_CHARS characters and E_TEXT_MAX_BYTES bytes; a cut is
    // logged once, not again while the same text is set again and again.
    void SetText(const char* text);
    std::string GetText() const { return strText; }
    void SetFontPath(const char* path);
    std::string GetFontPath() const { return strFontPath; }
    void SetFontSize(U8 size);
    U8 GetFontSize() const { return u8FontSize; }
    void SetFontColor(U32 argb) { u32FontColor = argb; }
    U32 GetFontColor() const { return u32FontColor; }
    // Width in pixels of the whole text in the item's font; 0 on failure.
    U32 GetTextWidth(IDirectFB* dfb);
    BOOL Update(IDirectFBSurface* surface, IDirectFB* dfb) override;
    // The opened font, null until first needed.
    IDirectFBFont* CachedFont() const { return pFont; }

private:
    BOOL CreateFont(IDirectFB* dfb);
    void ReleaseFont();

    U8 u8FontSize;
    U32 u32FontColor;
    std::string strFontPath;
    std::string strText;
    IDirectFBFont* pFont;
    std::string strResolvedFontPath;
    bool bTextCut;   // strText is the cut start of a longer text
};

#endif   // BRISKUI_DRAWITEM_H
