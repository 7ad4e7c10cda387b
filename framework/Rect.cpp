#include "Rect.h"

#include <stdint.h>

namespace {

S32 Clamp32(long long v)
{
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return (S32)v;
}

}   // namespace

void _Rect::union_of(const _Rect& other)
{
    if (empty()) {
        *this = other;
        return;
    }
    if (other.empty()) return;
    long long r = right() > other.right() ? right() : other.right();
    long long b = bottom() > other.bottom() ? bottom() : other.bottom();
    if (other.left < left) left = other.left;
    if (other.top < top) top = other.top;
    width = Clamp32(r - left);
    height = Clamp32(b - top);
}

BOOL BriskSurfaceRegion(const _Rect& rect, IDirectFBSurface* surface, DFBRegion* region)
{
    int w = 0, h = 0;
    if (surface == NULL || surface->GetSize(surface, &w, &h) != DFB_OK) return FALSE;
    if (rect.width < 0 || rect.height < 0) return FALSE;
    long long x1 = rect.left < 0 ? 0 : rect.left;
    long long y1 = rect.top < 0 ? 0 : rect.top;
    long long x2 = rect.right() < w - 1 ? rect.right() : w - 1;
    long long y2 = rect.bottom() < h - 1 ? rect.bottom() : h - 1;
    if (x1 > x2 || y1 > y2) return FALSE;
    region->x1 = (int)x1;
    region->y1 = (int)y1;
    region->x2 = (int)x2;
    region->y2 = (int)y2;
    return TRUE;
}
