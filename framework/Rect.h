// _Rect: a screen rectangle, used for item rectangles, handler regions and
// the manager's dirty area.
#ifndef BRISKUI_RECT_H
#define BRISKUI_RECT_H

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
    // Grows this rectangle to cover `other`. An empty rectangle is replaced
    // by `other` (even an empty one); an empty `other` changes nothing.
    void union_of(const _Rect& other);

    bool operator==(const _Rect& o) const
    {
        return left == o.left && top == o.top && width == o.width && height == o.height;
    }
};

#endif  // BRISKUI_RECT_H
