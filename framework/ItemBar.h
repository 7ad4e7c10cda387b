// ItemBar: a horizontal bar drawn from four image items of a handler's
// layout: the empty track, a left cap, a stretchable middle and a right
// cap. The middle's width shows a value out of a maximum and the right cap
// follows the middle's end; the caps either always show or hide while the
// value is 0. The volume and progress OSDs draw their bars with it.
#ifndef BRISKUI_ITEMBAR_H
#define BRISKUI_ITEMBAR_H

#include "BriskTypes.h"
#include "DrawItem.h"

class EventHandler;

class ItemBar {
public:
    // What the caps do at 0.
    enum EN_CAPS { E_CAPS_ALWAYS = 0, E_CAPS_HIDDEN_AT_ZERO = 1 };
    // Its items: track, left cap, middle, right cap.
    enum { E_ITEMS = 4 };

    ItemBar() : pTrack(NULL), pLeftCap(NULL), pMiddle(NULL), pRightCap(NULL), u32Span(0), eCaps(E_CAPS_ALWAYS) {}

    // Looks the four image items up in `handler` (each may be missing) and
    // computes the span: the track's width less the widths of the caps, 0
    // when the caps are wider. Call once, after the layout is loaded.
    void Bind(EventHandler& handler, const char* track, const char* leftCap, const char* middle, const char* rightCap,
              EN_CAPS caps);
    // The same with the four items already looked up, in the order of
    // E_ITEMS (each may be null).
    void Bind(ImageItem* const (&items)[E_ITEMS], EN_CAPS caps);
    // Width in pixels that the middle fills at the maximum.
    U32 Span() const { return u32Span; }
    // Makes the middle span x value / maximum pixels wide (unsigned,
    // truncated; a value above the maximum fills the span, a maximum of 0
    // leaves the middle empty) and puts the right cap's left edge at the
    // middle's end. With E_CAPS_HIDDEN_AT_ZERO the caps hide at 0 and show
    // otherwise, and the bar is sized only when its middle and right cap
    // both exist. Nothing happens without a middle.
    void Fill(U32 value, U32 maximum);
    // Sets the visibility of all four items (missing ones skipped).
    void SetVisible(U8 visible);

    ImageItem* Track() const { return pTrack; }
    ImageItem* LeftCap() const { return pLeftCap; }
    ImageItem* Middle() const { return pMiddle; }
    ImageItem* RightCap() const { return pRightCap; }

private:
    ImageItem* pTrack;
    ImageItem* pLeftCap;
    ImageItem* pMiddle;
    ImageItem* pRightCap;
    U32 u32Span;
    EN_CAPS eCaps;
};

#endif   // BRISKUI_ITEMBAR_H
