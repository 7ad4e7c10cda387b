#include "Rect.h"

void _Rect::union_of(const _Rect& other)
{
    if (empty()) {
        *this = other;
        return;
    }
    if (other.empty()) return;
    S32 right = left + width;
    if (other.left + other.width > right) right = other.left + other.width;
    S32 bottom = top + height;
    if (other.top + other.height > bottom) bottom = other.top + other.height;
    if (other.left < left) left = other.left;
    if (other.top < top) top = other.top;
    width = right - left;
    height = bottom - top;
}
