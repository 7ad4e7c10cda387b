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
    const DFBRegion whole = { 0, 0, w - 1, h - 1 };
    return BriskCutRegion(rect.left, rect.top, rect.right(), rect.bottom(), whole, region);
}

BOOL BriskCutRegion(long long x1, long long y1, long long x2, long long y2, const DFBRegion& within, DFBRegion* out)
{
    if (x1 < within.x1) x1 = within.x1;
    if (y1 < within.y1) y1 = within.y1;
    if (x2 > within.x2) x2 = within.x2;
    if (y2 > within.y2) y2 = within.y2;
    if (x1 > x2 || y1 > y2) return FALSE;
    out->x1 = (int)x1;
    out->y1 = (int)y1;
    out->x2 = (int)x2;
    out->y2 = (int)y2;
    return TRUE;
}
