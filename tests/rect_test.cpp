// Rectangle union rules: empty rectangles are replaced, not merged.
#include <gtest/gtest.h>

#include "Rect.h"

TEST(RectUnion, EmptyTargetBecomesTheOther)
{
    _Rect r;
    r.union_of(_Rect(10, 20, 30, 40));
    EXPECT_EQ(r, _Rect(10, 20, 30, 40));

    // Width 0 is empty whatever its position: replaced, not merged.
    _Rect thin(100, 100, 0, 50);
    thin.union_of(_Rect(0, 0, 10, 10));
    EXPECT_EQ(thin, _Rect(0, 0, 10, 10));

    // Even an empty other replaces an empty target.
    _Rect e(5, 5, 0, 0);
    e.union_of(_Rect(7, 7, 3, 0));
    EXPECT_EQ(e, _Rect(7, 7, 3, 0));
}

TEST(RectUnion, CoversBothAndIgnoresEmptyOther)
{
    _Rect r(0, 0, 100, 50);
    r.union_of(_Rect(50, 40, 100, 20));
    EXPECT_EQ(r, _Rect(0, 0, 150, 60));

    _Rect s(5, 5, 10, 10);
    s.union_of(_Rect(0, 0, 0, 0));
    EXPECT_EQ(s, _Rect(5, 5, 10, 10));
}

TEST(RectUnion, ComparesSigned)
{
    _Rect r(10, 10, 10, 10);
    r.union_of(_Rect(-5, -20, 5, 5));
    EXPECT_EQ(r, _Rect(-5, -20, 25, 40));
    EXPECT_FALSE(r.empty());
    r.clear();
    EXPECT_TRUE(r.empty());
}

TEST(RectUnion, FarEdgesClampInsteadOfWrapping)
{
    // u32 layout values of 2^31 and more: left + width is beyond 32 bits.
    _Rect r(0, 0, 100, 100);
    r.union_of(_Rect(2147483647, 2147483600, 100, 100));
    EXPECT_EQ(r, _Rect(0, 0, 2147483647, 2147483647));

    _Rect far(2147483600, 10, 40, 10);
    far.union_of(_Rect(-2147483647 - 1, 10, 10, 10));
    EXPECT_EQ(far, _Rect(-2147483647 - 1, 10, 2147483647, 10));
}
