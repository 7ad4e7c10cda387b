// The floor the library is measured against: one OSD layout drawn with the
// bare DirectFB calls the library's handlers make for it, on a window of the
// benchmark's own.
//
// RawOsd reads a layout file the way the library does (one section per
// item, ":u8Type" 1 image and 2 text, the region the union of every item's
// rectangle), decodes its visible images and opens its fonts once, and then
// draws a frame: SetClip to the region, Clear, StretchBlit + ReleaseSource
// of each visible image, SetFont + SetColor + DrawString of each visible
// text. DrawChanged draws a frame the way a composition that redraws only
// what changed would at least have to: only the rectangles of the items that
// changed since the frame before, each cleared and drawn clipped, and flipped.
// RawWindow is a window made like the library's OSD window.
#ifndef BRISKUI_BENCH_RAWOSD_H
#define BRISKUI_BENCH_RAWOSD_H

#include <directfb.h>

#include <string>
#include <vector>

namespace bench {

struct RawRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool empty() const { return width == 0 || height == 0; }
    void Unite(const RawRect& other);
    // The DirectFB region the library makes of a rectangle: right and
    // bottom are left + width and top + height.
    DFBRegion Region() const;
};

class RawOsd {
public:
    RawOsd() = default;
    ~RawOsd() { Release(); }
    RawOsd(const RawOsd&) = delete;
    RawOsd& operator=(const RawOsd&) = delete;

    // Reads the layout; false when the file cannot be read.
    bool Load(const std::string& path);
    // Decodes every visible image and opens every visible text's font:
    // CreateImageProvider, GetSurfaceDescription, CreateSurface (video
    // only), RenderTo, provider Release; CreateFont with the height.
    bool Decode(IDirectFB* dfb);
    // Drops the decoded images and fonts.
    void Release();
    // Clears the region and draws the visible items.
    void Draw(IDirectFBSurface* surface) const;
    // Draws and flips only what changed since the last DrawChanged (the
    // whole region the first time): the rectangles, before and after, of
    // the items whose picture, text, colour, place, size or visibility
    // changed, overlapping ones merged; each is cleared and drawn clipped to
    // it, with the items that reach into it, and flipped. A text's rectangle
    // is its string's logical extents in its font.
    void DrawChanged(IDirectFBSurface* surface);

    // Changes a text or the left edge and width of an item, as a handler
    // does between frames (the region stays); false for an unknown name.
    bool SetItemText(const std::string& name, const std::string& text);
    bool SetItemSpan(const std::string& name, int left, int width);
    // Moves an item vertically, as a menu moves its focus bar.
    bool SetItemTop(const std::string& name, int top);
    // The colour (0xAARRGGBB) of a text item; false for an image or an unknown name.
    bool SetItemColor(const std::string& name, unsigned argb);
    bool SetItemVisible(const std::string& name, bool visible);
    // Shows another picture in an image item: `path` (a path of the set,
    // resolved under the root) is decoded the first time it is asked for
    // and kept, so swapping art back and forth decodes nothing more. False
    // for an unknown item or a file that does not decode.
    bool SetItemImage(IDirectFB* dfb, const std::string& name, const std::string& path);
    // The width of a text item's text in its font (GetStringWidth); 0 for
    // an unknown name or a font not opened.
    int TextWidth(const std::string& name) const;
    // The rectangle of an item as read from the layout; empty if unknown.
    RawRect ItemRect(const std::string& name) const;

    const RawRect& Region() const { return region; }
    size_t VisibleImages() const;
    size_t VisibleTexts() const;

private:
    struct Item {
        std::string name;
        bool image = false;
        bool visible = true;
        RawRect rect;
        std::string path;   // image or font, under the root
        std::string text;
        int fontSize = 0;
        unsigned color = 0;
        IDirectFBSurface* surface = nullptr;
        IDirectFBFont* font = nullptr;
        IDirectFBSurface* picture = nullptr;   // from SetItemImage, drawn instead of surface
    };
    struct Picture {
        std::string path;
        IDirectFBSurface* surface = nullptr;
    };
    // What an item looked like when DrawChanged last drew it.
    struct Drawn {
        bool visible = false;
        RawRect rect;
        RawRect paint;   // the pixels it drew
        IDirectFBSurface* source = nullptr;
        std::string text;
        unsigned color = 0;
    };
    Item* Find(const std::string& name);
    const Item* Find(const std::string& name) const;
    // The pixels `item` draws in this frame; empty when it draws none.
    RawRect Paint(const Item& item) const;

    std::vector<Item> items;
    std::vector<Drawn> drawn;        // one per item once DrawChanged has run
    std::vector<Picture> pictures;   // owned; items borrow them
    RawRect region;
};

// Flips `rect` of `surface` the way a composition does (DSFLIP_BLIT).
void RawFlip(IDirectFBSurface* surface, const RawRect& rect);
class RawWindow;
// One composed frame of `osd` on `window`: Draw, then RawFlip of its region.
void RawFrame(const RawOsd& osd, const RawWindow& window);
// One frame of `osd` on `window` drawing and flipping only what changed (DrawChanged).
void RawChangedFrame(RawOsd& osd, const RawWindow& window);
// The description of the library's OSD window: 1280x720 ARGB, alpha
// channel, double buffer, in video memory.
DFBWindowDescription OsdWindowDescription();

class RawWindow {
public:
    RawWindow() = default;
    ~RawWindow() { Destroy(); }
    RawWindow(const RawWindow&) = delete;
    RawWindow& operator=(const RawWindow&) = delete;

    // CreateWindow (1280x720 ARGB, alpha channel, double buffer, video
    // only), SetOpacity 255, GetSurface, the library's drawing state, a
    // transparent first frame.
    bool Create(IDirectFBDisplayLayer* layer);
    void Destroy();
    IDirectFBSurface* Surface() const { return surface; }

private:
    IDirectFBWindow* window = nullptr;
    IDirectFBSurface* surface = nullptr;
};

}   // namespace bench

#endif   // BRISKUI_BENCH_RAWOSD_H
