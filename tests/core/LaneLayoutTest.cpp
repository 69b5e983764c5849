#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "core/view/LaneLayout.h"

using namespace vistrel;

namespace {

CLaneLayout Make(int count, int top, int bottom) {
    std::vector<int> ch(count);
    std::iota(ch.begin(), ch.end(), 0);
    CLaneLayout l;
    l.SetChannels(ch.data(), count);
    l.SetViewport(top, bottom);
    return l;
}

// The lanes tile the content without gaps or overlaps, each at least the minimum height.
void ExpectTiling(const CLaneLayout& l) {
    int expected = l.LaneTop(0);
    for (int i = 0; i < l.Count(); ++i) {
        EXPECT_EQ(l.LaneTop(i), expected) << "lane " << i;
        EXPECT_GE(l.LaneHeight(i), kMinLaneHeight) << "lane " << i;
        expected = l.LaneBottom(i);
    }
    EXPECT_EQ(expected - l.LaneTop(0), l.ContentHeight());
}

} // namespace

TEST(LaneLayout, HeightsAndScrolling) {
    struct Case {
        int count, top, bottom;
        int minHeight, maxHeight;   // of any lane
        int maxScroll;
    };
    const Case cases[] = {
        {1, 10, 410, 400, 400, 0},
        {4, 0, 400, 100, 100, 0},
        {3, 0, 100, 33, 34, 0},                 // a remainder spreads, no row lost
        {16, 20, 404, 24, 24, 0},               // exactly the minimum
        {64, 0, 1000, 24, 24, 64 * 24 - 1000},  // scrolls, never thinner
        {256, 5, 205, 24, 24, 256 * 24 - 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " lanes in " << c.bottom - c.top << " rows");
        CLaneLayout l = Make(c.count, c.top, c.bottom);
        ExpectTiling(l);
        EXPECT_EQ(l.LaneTop(0), c.top);
        EXPECT_EQ(l.MaxScroll(), c.maxScroll);
        for (int i = 0; i < l.Count(); ++i) {
            EXPECT_GE(l.LaneHeight(i), c.minHeight);
            EXPECT_LE(l.LaneHeight(i), c.maxHeight);
        }
        l.SetScroll(1 << 30);
        EXPECT_EQ(l.Scroll(), c.maxScroll);
        EXPECT_EQ(l.LaneBottom(l.Count() - 1), c.bottom);   // the last lane ends at the bottom
        l.SetScroll(-5);
        EXPECT_EQ(l.Scroll(), 0);
    }
}

TEST(LaneLayout, LaneAndSeparatorUnderPointer) {
    CLaneLayout l = Make(4, 100, 500);   // lanes of 100 rows from 100
    struct Case { int y; int lane; int separator; };
    const Case cases[] = {
        {99, -1, -1}, {100, 0, -1}, {150, 0, -1}, {197, 0, 0}, {199, 0, 0}, {200, 1, 0},
        {202, 1, 0},  {203, 1, -1}, {399, 2, 2},  {450, 3, -1}, {499, 3, -1}, {500, -1, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(l.LaneAt(c.y), c.lane) << "y " << c.y;
        EXPECT_EQ(l.SeparatorAt(c.y, 3), c.separator) << "y " << c.y;
    }
    // Scrolled content: the lane under a row moves with it, and rows outside the viewport
    // belong to no lane even where a lane is.
    CLaneLayout s = Make(64, 0, 1000);
    s.SetScroll(100);
    EXPECT_EQ(s.LaneAt(0), 100 / kMinLaneHeight);
    EXPECT_EQ(s.LaneTop(s.LaneAt(0)), 4 * kMinLaneHeight - 100);
    EXPECT_EQ(s.LaneAt(1000), -1);
    EXPECT_EQ(s.LaneAt(-1), -1);
}

TEST(LaneLayout, DraggingResizesOnlyTheNeighbours) {
    struct Case {
        int separator, dy;
        int moved;
    };
    const Case cases[] = {
        {1, 30, 30},      // lane 1 grows, lane 2 shrinks
        {1, -30, -30},
        {1, 90, 100 - kMinLaneHeight},    // stops at the minimum of the lane below
        {0, -500, kMinLaneHeight - 100},  // and of the lane above
        {3, 10, 0},                       // below the last lane: nothing to move
        {-1, 10, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "separator " << c.separator << " by " << c.dy);
        CLaneLayout l = Make(4, 0, 400);
        EXPECT_EQ(l.DragSeparator(c.separator, c.dy), c.moved);
        ExpectTiling(l);
        for (int i = 0; i < 4; ++i) {
            int h = 100;
            if (i == c.separator) h += c.moved;
            if (i == c.separator + 1) h -= c.moved;
            EXPECT_EQ(l.LaneHeight(i), h) << "lane " << i;
        }
    }
}

TEST(LaneLayout, DraggedHeightsFollowTheViewportOrReset) {
    CLaneLayout l = Make(3, 0, 300);
    l.DragSeparator(0, 50);   // 150, 50, 100
    l.SetViewport(0, 600);    // kept in proportion
    EXPECT_EQ(l.LaneHeight(0), 300);
    EXPECT_EQ(l.LaneHeight(1), 100);
    l.SetViewport(0, 120);    // the middle lane would be 20 rows: equal again
    EXPECT_EQ(l.LaneHeight(0), 40);
    EXPECT_EQ(l.LaneHeight(1), 40);
    l.DragSeparator(0, 10);
    const int same[] = {0, 1, 2};
    l.SetChannels(same, 3);   // the same channels keep their heights
    EXPECT_EQ(l.LaneHeight(0), 50);
    const int other[] = {0, 2, 5};
    l.SetChannels(other, 3);  // another set starts equal
    EXPECT_EQ(l.LaneHeight(0), 40);
    EXPECT_EQ(l.LaneOf(5), 2);
    EXPECT_EQ(l.LaneOf(1), -1);
}

TEST(LaneLayout, ValuesMapToTheirOwnLane) {
    CLaneLayout l = Make(4, 0, 400);
    struct Case { int lane; double v, top, bottom; int row; };
    const Case cases[] = {
        {0, 400, 400, -400, 0},    {0, -400, 400, -400, 99}, {0, 0, 400, -400, 50},
        {1, 10, 10, -10, 100},     {1, -10, 10, -10, 199},   {2, 1, 1, 0, 200},
        {2, 0, 1, 0, 299},         {3, 5, 5, -5, 300},       {3, -5, 5, -5, 399},
        {3, 50, 5, -5, -145},      // off scale: drawn outside, the lane's clip hides it
    };
    for (const Case& c : cases)
        EXPECT_EQ(l.ValueRow(c.lane, c.v, c.top, c.bottom), c.row) << "lane " << c.lane << " value " << c.v;
}
