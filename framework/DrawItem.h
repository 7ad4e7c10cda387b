// Draw items: what a layout file describes, drawn onto the OSD window's
// surface. An ImageItem shows one image file scaled into its rectangle, a
// TextItem draws one string. Items create their DirectFB resources on first
// use and keep them until a property they depend on changes. They draw
// through framework/Damage.h: on the OSD window while the manager composes,
// a draw is recorded and made later, clipped to what changed.
//
// Ownership: the handler that loaded a layout owns its items (it deletes
// them with DrawItem::Destroy); an item owns its path, text and name, and
// holds one reference to its decoded image or font.
// Invalidation: setters only store; nothing is drawn until the handler's
// next Update, whose draws the composition compares with the last frame's,
// so a changed property reaches the screen at the next composition. A path,
// font file or font size set drops the decoded image or opened font.
// Threads: items guard nothing themselves; they are used on their
// handler's threads (see EventHandler.h): built at its load, changed on the
// input thread, drawn wherever the manager composes, under the manager lock.
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
    // Draws the item onto `surface` if it is visible (through Damage.h:
    // recorded while the manager composes); FALSE when nothing could be
    // drawn. The base item draws nothing.
    virtual BOOL Update(IDirectFBSurface* surface, IDirectFB* dfb);

    // The plain properties read from the layout (":u8Type", the rectangle,
    // visibility, the name): getters return copies, setters store and take
    // effect at the next draw.
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
    // The path as set (unresolved).
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
    // The text as kept (after a cut).
    std::string GetText() const { return strText; }
    // Stores a non-null font file path (resolved under the file-system
    // root) and closes the opened font; the next draw or measure opens it.
    void SetFontPath(const char* path);
    std::string GetFontPath() const { return strFontPath; }
    // Stores the font height in pixels and closes the opened font.
    void SetFontSize(U8 size);
    U8 GetFontSize() const { return u8FontSize; }
    // The text colour, 0xAARRGGBB; taken at the next draw.
    void SetFontColor(U32 argb) { u32FontColor = argb; }
    U32 GetFontColor() const { return u32FontColor; }
    // Width in pixels of the whole text in the item's font, opening the font
    // with `dfb` if needed (kept until the font changes); 0 on failure.
    U32 GetTextWidth(IDirectFB* dfb);
    // Draws the text from the item's top left in its font and colour,
    // opening the font first if needed; FALSE (logged) when the font cannot
    // be opened.
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
