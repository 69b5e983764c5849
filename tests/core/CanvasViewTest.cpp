#include <gtest/gtest.h>

#include <cmath>

#include "core/view/Canvas.h"

using namespace vistrel;

namespace {

// A view over 6 divisions and 4, with a zoom table of halving window lengths.
struct ViewFixture {
    double lengths[6] = {6000, 3000, 1200, 600, 300, 60};
    float ranges[4] = {-10.0f, 10.0f, 0.0f, 100.0f};
    CCanvasView view{6, 4};
    int changed = 0;
    ViewFixture() { view.AttachView(2, 6000, ranges, 6, lengths); }
};

bool LeftEdgeOnDivision(const CCanvasView& v) {
    const double div = v.WindowLength() / v.m_hDivisions;
    const double q = (v.m_hCenter - v.WindowLength() / 2) / div;
    return std::fabs(q - std::round(q)) < 1e-9;
}

} // namespace

TEST(CanvasGeometry, Helpers) {
    const CanvasRect r = MakeRect(10, 20, 110, 70);
    EXPECT_EQ(RectWidth(r), 100);
    EXPECT_EQ(RectHeight(MakeRect(0, 70, 0, 20)), 50);
    EXPECT_TRUE(PointInRect(r, 10, 20));
    EXPECT_TRUE(PointInRect(r, 110, 70));
    EXPECT_FALSE(PointInRect(r, 111, 70));
    int x = 0, y = 0;
    RectCenter(MakeRect(0, 0, 5, 7), x, y);
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 3);
    EXPECT_EQ(AddRects(r, MakeRect(1, 2, -3, -4)), MakeRect(11, 22, 107, 66));
    SplitPosition(PackPosition(-5, 300), x, y);
    EXPECT_EQ(x, -5);
    EXPECT_EQ(y, 300);
}

TEST(CanvasView, RecomputeAtZoomZeroShowsWholeRangeCentred) {
    ViewFixture f;
    f.view.m_hCenter = 1234;
    f.view.m_vCenter = 100;
    f.view.RecomputeView();
    EXPECT_DOUBLE_EQ(f.view.m_hCenter, 3000);
    EXPECT_DOUBLE_EQ(f.view.m_visibleStart, 0);
    EXPECT_DOUBLE_EQ(f.view.m_visibleEnd, 6000);
    EXPECT_DOUBLE_EQ(f.view.m_vCenter, 500);
    EXPECT_EQ(f.view.m_vScrollMax, 0);
    EXPECT_EQ(f.view.m_hScrollMax, 0);
    EXPECT_DOUBLE_EQ(f.view.m_valueTop[0], 10);
    EXPECT_DOUBLE_EQ(f.view.m_valueBottom[0], -10);
    EXPECT_DOUBLE_EQ(f.view.m_valueTop[1], 100);
}

TEST(CanvasView, RecomputeSnapsToWholeDivisions) {
    ViewFixture f;
    f.view.m_hZoom = 2;            // 1200 samples, 200 per division
    f.view.m_hCenter = 2777;
    f.view.m_vZoom = 2;            // x5: 20 vertical positions
    f.view.m_vCenter = 333;
    f.view.RecomputeView();
    EXPECT_EQ(f.view.m_hScrollMax, 24);
    EXPECT_DOUBLE_EQ(f.view.m_hCenter, 2600);      // q = trunc(6*2777/1200 - 3) = 10, (3 + q) divisions
    EXPECT_DOUBLE_EQ(f.view.m_visibleStart, 2000);
    EXPECT_TRUE(LeftEdgeOnDivision(f.view));
    EXPECT_EQ(f.view.m_vScrollMax, 16);
    // p = trunc(16 + 2 - 4*5*333/1000) = 11; centre = (18 - 11) * 1000 / 20
    EXPECT_DOUBLE_EQ(f.view.m_vCenter, 350);
    EXPECT_DOUBLE_EQ(f.view.m_valueTop[0], -10 + 20 * 0.35 + 2);
    EXPECT_DOUBLE_EQ(f.view.m_valueBottom[0], -10 + 20 * 0.35 - 2);
    // Centres beyond the ends are clamped to the last whole position.
    f.view.m_hCenter = 1e9;
    f.view.m_vCenter = -50;
    f.view.RecomputeView();
    EXPECT_DOUBLE_EQ(f.view.m_visibleEnd, 6000);
    EXPECT_DOUBLE_EQ(f.view.m_visibleStart, 4800);
    EXPECT_DOUBLE_EQ(f.view.m_vCenter, 100);
}

TEST(CanvasView, RubberBandZoomAndBack) {
    ViewFixture f;
    const CanvasRect plot = MakeRect(0, 0, 600, 400);
    // Selection a quarter of the width and a third of the height around x = 150.
    EXPECT_TRUE(f.view.ZoomToSelection(plot, MakeRect(75, 100, 225, 233)));
    EXPECT_EQ(f.view.m_zoomHistory.count, 1);
    EXPECT_EQ(f.view.m_hZoom, 1);  // 6000/3000 = 2 < 4, 6000/1200 = 5 is not
    EXPECT_EQ(f.view.m_vZoom, 1);  // 2 < 3.0, 5 is not
    EXPECT_TRUE(LeftEdgeOnDivision(f.view));
    EXPECT_DOUBLE_EQ(f.view.m_hCenter, 1500);    // pushed inward to at least half the window
    EXPECT_EQ(f.view.m_zoomHistory.hZoom[0], 0);
    EXPECT_EQ(f.view.m_zoomHistory.hCenter[0], 3000);

    // Zoom again around sample ~4000 (x = 2/3 of the plot at the current view 0..3000? no: 1500 centred)
    EXPECT_TRUE(f.view.ZoomToSelection(plot, MakeRect(390, 150, 410, 250)));
    EXPECT_EQ(f.view.m_zoomHistory.count, 2);
    EXPECT_GT(f.view.m_hZoom, 1);
    EXPECT_TRUE(LeftEdgeOnDivision(f.view));

    EXPECT_TRUE(f.view.ZoomBack());
    EXPECT_EQ(f.view.m_hZoom, 1);
    EXPECT_EQ(f.view.m_vZoom, 1);
    EXPECT_TRUE(f.view.ZoomBack());
    EXPECT_EQ(f.view.m_hZoom, 0);
    EXPECT_DOUBLE_EQ(f.view.m_visibleStart, 0);
    EXPECT_FALSE(f.view.ZoomBack());
}

TEST(CanvasView, SmallSelectionKeepsHistoryAndDegenerateSelectionsZoomFully) {
    ViewFixture f;
    const CanvasRect plot = MakeRect(0, 0, 600, 400);
    // Magnification below the next step in both directions: nothing changes.
    EXPECT_FALSE(f.view.ZoomToSelection(plot, MakeRect(0, 0, 400, 300)));
    EXPECT_EQ(f.view.m_zoomHistory.count, 0);
    EXPECT_EQ(f.view.m_hZoom, 0);
    // A purely vertical drag goes to the last window; a flat one to magnification 1000.
    EXPECT_TRUE(f.view.ZoomToSelection(plot, MakeRect(300, 10, 300, 390)));
    EXPECT_EQ(f.view.m_hZoom, 5);
    EXPECT_TRUE(f.view.ZoomToSelection(plot, MakeRect(100, 200, 500, 200)));
    EXPECT_EQ(f.view.m_vZoom, 9);
    EXPECT_EQ(f.view.m_zoomHistory.count, 2);
}

TEST(CanvasView, HorizontalScrolling) {
    ViewFixture f;
    // At zoom 0 nothing moves, thumb included.
    EXPECT_FALSE(f.view.ScrollHorizontal(kScrollLineDown, 0));
    EXPECT_FALSE(f.view.ScrollHorizontal(kScrollThumbPosition, 60000));
    f.view.m_hZoom = 3;   // 600 samples, 100 per division
    f.view.m_hCenter = 350;
    f.view.RecomputeView();
    EXPECT_DOUBLE_EQ(f.view.m_visibleStart, 0);
    // Left end: a line up does nothing; a line down moves one division.
    EXPECT_FALSE(f.view.ScrollHorizontal(kScrollLineUp, 0));
    EXPECT_TRUE(f.view.ScrollHorizontal(kScrollLineDown, 0));
    EXPECT_DOUBLE_EQ(f.view.m_visibleStart, 100);
    EXPECT_TRUE(f.view.ScrollHorizontal(kScrollPageUp, 0));   // only as far as 0
    EXPECT_DOUBLE_EQ(f.view.m_visibleStart, 0);
    // Thumb tracking does nothing; the release moves, limited to the end.
    EXPECT_FALSE(f.view.ScrollHorizontal(kScrollThumbTrack, 65535));
    EXPECT_TRUE(f.view.ScrollHorizontal(kScrollThumbPosition, 65535));
    EXPECT_DOUBLE_EQ(f.view.m_visibleEnd, 6000);
    EXPECT_EQ(f.view.HScrollBox(), static_cast<int>(5700.0 * 65535 / 6000));
    EXPECT_FALSE(f.view.ScrollHorizontal(kScrollPageDown, 0));
    // A thumb between divisions is not snapped.
    EXPECT_TRUE(f.view.ScrollHorizontal(kScrollThumbPosition, 32768));
    EXPECT_NEAR(f.view.m_hCenter, 6000.0 * 32768 / 65535, 1e-9);
}

TEST(CanvasView, VerticalScrolling) {
    ViewFixture f;
    // Magnification 1: every request leaves the view.
    for (int r : {kScrollLineUp, kScrollLineDown, kScrollPageUp, kScrollPageDown})
        f.view.ScrollVertical(r, 0);
    EXPECT_DOUBLE_EQ(f.view.m_vCenter, 500);

    f.view.m_vZoom = 1;   // x2: positions 0..4, centre 500 is position 2
    f.view.RecomputeView();
    EXPECT_EQ(f.view.m_vScrollMax, 4);
    EXPECT_DOUBLE_EQ(f.view.m_vCenter, 500);
    f.view.ScrollVertical(kScrollLineUp, 0);
    EXPECT_DOUBLE_EQ(f.view.m_vCenter, 625);   // position 1
    f.view.ScrollVertical(kScrollPageUp, 0);
    EXPECT_DOUBLE_EQ(f.view.m_vCenter, 750);   // position 0, the top
    f.view.ScrollVertical(kScrollLineUp, 0);
    EXPECT_DOUBLE_EQ(f.view.m_vCenter, 750);
    EXPECT_EQ(f.view.VScrollBox(), static_cast<int>(250.0 * 65535 / 1000));
    f.view.ScrollVertical(kScrollPageDown, 0);
    EXPECT_DOUBLE_EQ(f.view.m_vCenter, 250);   // the bottom, position 4
    f.view.ScrollVertical(kScrollPageDown, 0);
    EXPECT_DOUBLE_EQ(f.view.m_vCenter, 250);   // stays at the bottom
    f.view.ScrollVertical(kScrollLineDown, 0);
    EXPECT_DOUBLE_EQ(f.view.m_vCenter, 250);
    EXPECT_FALSE(f.view.ScrollVertical(kScrollEnd, 0));
    f.view.ScrollVertical(kScrollThumbPosition, 32768);
    EXPECT_DOUBLE_EQ(f.view.m_vCenter, 500);
}

TEST(CanvasView, ResetHistoryGivesWholeRangeEntry) {
    ViewFixture f;
    f.view.m_hZoom = 4;
    f.view.m_vZoom = 3;
    f.view.RecomputeView();
    f.view.ResetZoomHistory();
    EXPECT_TRUE(f.view.ZoomBack());
    EXPECT_EQ(f.view.m_hZoom, 0);
    EXPECT_EQ(f.view.m_vZoom, 0);
    EXPECT_DOUBLE_EQ(f.view.m_visibleEnd, 6000);
}

// A recording of 1.5e10 samples: zoom-back and the deepest zoom beyond 2^31 samples.
TEST(CanvasView, ViewsBeyondTwoToTheThirtyOneSamples) {
    const double lengths[5] = {1.5e10, 3.0e9, 6.0e6, 6.0e5, 30};
    CCanvasView v(6, 4);
    v.AttachView(0, int64_t(1.5e10), nullptr, 5, lengths);
    v.ResetZoomHistory();
    EXPECT_EQ(v.m_zoomHistory.hCenter[0], int64_t(7.5e9));

    v.m_hZoom = 2;
    v.m_hCenter = 5.0e9;
    v.RecomputeView();
    const double before = v.m_hCenter;
    ASSERT_NEAR(before, 5.0e9, 1e6);
    ASSERT_TRUE(v.ZoomToSelection(MakeRect(0, 0, 600, 400), MakeRect(200, 100, 205, 300)));
    EXPECT_EQ(v.m_hZoom, 3);
    EXPECT_NEAR(v.m_hCenter, before, 6.0e6);  // near the selection, not near 2^31
    ASSERT_TRUE(v.ZoomBack());
    EXPECT_EQ(v.m_hZoom, 2);
    EXPECT_DOUBLE_EQ(v.m_hCenter, before);

    // Deepest zoom near the end: 5-sample divisions, ~3e9 of them.
    v.m_hZoom = 4;
    v.m_hCenter = 1.5e10 - 1000;
    v.RecomputeView();
    EXPECT_EQ(v.m_hScrollMax, int64_t(6 * 1.5e10 / 30 - 6));
    EXPECT_DOUBLE_EQ(v.m_hCenter, 1.5e10 - 1000);
    EXPECT_DOUBLE_EQ(v.m_visibleEnd, 1.5e10 - 985);
    v.m_hCenter = 2e10;  // past the end: the last view
    v.RecomputeView();
    EXPECT_DOUBLE_EQ(v.m_visibleEnd, 1.5e10);
}
