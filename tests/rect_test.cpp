// Rectangle union rules: empty rectangles are replaced, not merged; edges
// compare signed and clamp instead of wrapping.
#include <gtest/gtest.h>

#include "Rect.h"

TEST(RectUnion, EmptyIsReplacedEdgesCompareSignedAndClamp)
{
    const struct {
        _Rect target, other, expected;
    } cases[] = {
        { _Rect(), _Rect(10, 20, 30, 40), _Rect(10, 20, 30, 40) },
        // Width 0 is empty whatever its position: replaced, not merged.
        { _Rect(100, 100, 0, 50), _Rect(0, 0, 10, 10), _Rect(0, 0, 10, 10) },
        // Even an empty other replaces an empty target.
        { _Rect(5, 5, 0, 0), _Rect(7, 7, 3, 0), _Rect(7, 7, 3, 0) },
        { _Rect(0, 0, 100, 50), _Rect(50, 40, 100, 20), _Rect(0, 0, 150, 60) },
        { _Rect(5, 5, 10, 10), _Rect(0, 0, 0, 0), _Rect(5, 5, 10, 10) },
        { _Rect(10, 10, 10, 10), _Rect(-5, -20, 5, 5), _Rect(-5, -20, 25, 40) },
        // u32 layout values of 2^31 and more: left + width is beyond 32 bits.
        { _Rect(0, 0, 100, 100), _Rect(2147483647, 2147483600, 100, 100), _Rect(0, 0, 2147483647, 2147483647) },
        { _Rect(2147483600, 10, 40, 10), _Rect(-2147483647 - 1, 10, 10, 10),
          _Rect(-2147483647 - 1, 10, 2147483647, 10) },
    };
    for (const auto& c : cases) {
        _Rect r = c.target;
        r.union_of(c.other);
        EXPECT_EQ(r, c.expected) << &c - cases;
    }
    _Rect r(-5, -20, 25, 40);
    EXPECT_FALSE(r.empty());
    r.clear();
    EXPECT_TRUE(r.empty());
}
