// _Rect: a screen rectangle, used for item rectangles, handler regions and
// the manager's dirty area. Its fields come from u32 layout keys and may be
// anything: edges are computed in 64 bits and clamped, never wrapped.
#ifndef BRISKUI_RECT_H
#define BRISKUI_RECT_H

#include <directfb.h>

#include "BriskTypes.h"

struct _Rect {
    S32 left;
    S32 top;
    S32 width;
    S32 height;

    _Rect() : left(0), top(0), width(0), height(0) {}
    _Rect(S32 l, S32 t, S32 w, S32 h) : left(l), top(t), width(w), height(h) {}

    void clear() { left = top = width = height = 0; }
    // Empty when width or height is 0; position does not matter.
    BOOL empty() const { return (width == 0 || height == 0) ? TRUE : FALSE; }
    // left + width and top + height, without overflow.
    long long right() const { return (long long)left + width; }
    long long bottom() const { return (long long)top + height; }
    // Grows this rectangle to cover `other`. An empty rectangle is replaced
    // by `other` (even an empty one); an empty `other` changes nothing. A
    // width or height beyond 32 bits is clamped to the largest one.
    void union_of(const _Rect& other);

    bool operator==(const _Rect& o) const
    {
        return left == o.left && top == o.top && width == o.width && height == o.height;
    }
};

// The DirectFB region of `rect` (corners (left, top) and (left + width,
// top + height), both included, so one column and one row larger than the
// rectangle) cut to `surface`. FALSE, and `region` untouched, when none of
// it lies on the surface or the rectangle has a negative width or height.
BOOL BriskSurfaceRegion(const _Rect& rect, IDirectFBSurface* surface, DFBRegion* region);

// The region with corners (x1, y1) and (x2, y2), both included, given in
// 64 bits so that no sum overflows, cut to `within`. FALSE, and `out`
// untouched, when none of it is left.
BOOL BriskCutRegion(long long x1, long long y1, long long x2, long long y2, const DFBRegion& within, DFBRegion* out);

#endif   // BRISKUI_RECT_H
