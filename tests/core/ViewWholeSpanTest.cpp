// The whole-recording view spans the recording exactly, the zoom table below it, saved zoom
// indices, proportional scroll thumbs and lane boundaries kept across sessions.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/view/Canvas.h"
#include "core/view/LaneLayout.h"
#include "core/view/PlotLayout.h"
#include "core/view/ScrollProportion.h"

using namespace vistrel;

TEST(WholeSpan, ZoomTableStartsAtTheRecordingThenTheNextShorterEntries) {
    const int64_t* w = TimeWindowTable();
    struct Case {
        const char* what;
        float rate;
        int64_t samples;
    };
    const Case cases[] = {
        {"60 s, an entry exactly", 1000.0f, 60000},
        {"47 s, between entries", 1000.0f, 47000},
        {"2.5 h at 48 kHz", 48000.0f, 432'000'000},
        {"beyond 2^31 samples", 1000.0f, 3'000'000'000LL},
        {"longer than the table", 1.0e-6f, 5'000'000'000LL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int64_t duration = RecordingDuration(c.rate, c.samples);
        const int first = FirstWindowIndex(w, duration);
        double out[kTimeWindowCount];
        const int n = BuildZoomTable(w, first, c.samples, duration, out);
        ASSERT_GE(n, 1);
        EXPECT_DOUBLE_EQ(out[0], static_cast<double>(c.samples));
        // Index 0 stands for the smallest entry not shorter than the recording (the last entry
        // when none is); each step in is the next shorter entry.
        const int entry0 = ZoomWindowIndex(first, 0);
        EXPECT_EQ(entry0, std::min(first, kTimeWindowCount - 1));
        if (first < kTimeWindowCount) {
            EXPECT_GE(w[entry0], duration);
            if (entry0 > 0) {
                EXPECT_LT(w[entry0 - 1], duration);
            }
        }
        for (int i = 1; i < n; ++i) {
            EXPECT_EQ(ZoomWindowIndex(first, i), entry0 - i);
            const double expected =
                std::trunc(static_cast<double>(static_cast<long double>(w[entry0 - i]) * c.samples / duration));
            EXPECT_DOUBLE_EQ(out[i], expected) << "index " << i;
            EXPECT_LT(out[i], out[0]);
            EXPECT_GE(out[i], kMinWindowSamples);
        }
    }
}

TEST(WholeSpan, SavedZoomIndicesKeepTheirWindowLengths) {
    // Saved indices count from the aligned display entry, the plot's from the first entry.
    struct Case {
        int display, first;
    };
    for (const Case c : {Case{76, 76}, Case{78, 76}, Case{143, 144}, Case{10, 9}}) {
        SCOPED_TRACE(testing::Message() << "display " << c.display << " first " << c.first);
        const int entry0 = ZoomWindowIndex(c.first, 0);
        for (int zoom = 0; zoom < 8; ++zoom) {
            const int saved = ZoomIndexToSaved(zoom, c.display, c.first);
            EXPECT_EQ(ZoomIndexFromSaved(saved, c.display, c.first), zoom);
            if (zoom > 0) {
                EXPECT_EQ(c.display - saved, entry0 - zoom);   // the same table entry
            }
        }
        EXPECT_EQ(ZoomIndexToSaved(0, c.display, c.first), 0);
        // Saved entries not shorter than the recording are the whole view.
        for (int saved = 0; saved <= c.display - entry0; ++saved)
            EXPECT_EQ(ZoomIndexFromSaved(saved, c.display, c.first), 0) << saved;
    }
}

TEST(ProportionalThumb, SizeIsTheVisibleShareAndPlaceTheViews) {
    constexpr double kLong = 12'000'000'000.0;   // beyond 2^31 samples
    struct Case {
        const char* what;
        double start, visible, total;
        ScrollThumb expected;
    };
    const Case cases[] = {
        {"everything", 0, 1000, 1000, {0, kScrollRangeMax, 0}},
        {"more than everything", 0, 2000, 1000, {0, kScrollRangeMax, 0}},
        {"nothing to show", 0, 0, 0, {0, kScrollRangeMax, 0}},
        {"a quarter at the start", 0, 250, 1000, {49151, 16384, 0}},
        {"a quarter at the end", 750, 250, 1000, {49151, 16384, 49151}},
        {"a quarter in the middle", 375, 250, 1000, {49151, 16384, 24576}},
        {"one sample in a long recording", 6.0e9, 1, kLong, {65534, 1, 32768}},
        {"a long recording's end", kLong - 1.0e6, 1.0e6, kLong, {65530, 5, 65530}},
        {"just short of the end", kLong - 1.0e6 - 1, 1.0e6, kLong, {65530, 5, 65529}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ScrollThumb t = ProportionalThumb(c.start, c.visible, c.total);
        EXPECT_EQ(t.maximum, c.expected.maximum);
        EXPECT_EQ(t.page, c.expected.page);
        EXPECT_EQ(t.value, c.expected.value);
        EXPECT_EQ(t.maximum + t.page, kScrollRangeMax);
        // Back from the thumb: both ends exactly, elsewhere within the track's resolution.
        const double back = StartOfThumb(t.value, c.visible, c.total);
        if (c.visible >= c.total || c.start == 0) {
            EXPECT_EQ(back, 0.0);
        } else if (c.start + c.visible >= c.total) {
            EXPECT_EQ(back, c.total - c.visible);
        } else {
            EXPECT_NEAR(back, c.start, c.total / kScrollRangeMax);
        }
    }
    EXPECT_EQ(StartOfThumb(-5, 250, 1000), 0.0);
    EXPECT_EQ(StartOfThumb(kScrollRangeMax, 250, 1000), 750.0);
}

TEST(ProportionalThumb, ViewMovesToADroppedThumbWithoutSnapping) {
    const float ranges[] = {-1, 1};
    const double lengths[] = {6000, 3000, 600};
    CCanvasView view(6, 4);
    view.AttachView(1, 6000, ranges, 3, lengths);
    EXPECT_FALSE(view.ScrollHorizontalTo(100));   // the whole view has nowhere to go
    view.m_hZoom = 2;
    view.RecomputeView();
    struct Case {
        double to, start;
    };
    for (const Case c : {Case{1234.5, 1234.5}, Case{-50, 0}, Case{5999, 5400}, Case{NAN, 5400}}) {
        SCOPED_TRACE(c.to);
        view.ScrollHorizontalTo(c.to);
        EXPECT_DOUBLE_EQ(view.m_visibleStart, c.start);
        EXPECT_DOUBLE_EQ(view.m_visibleEnd, c.start + 600);
        EXPECT_DOUBLE_EQ(view.m_hCenter, c.start + 300);
    }
    EXPECT_FALSE(view.ScrollHorizontalTo(5400));   // already there
}

TEST(LaneLayout, SavedBoundariesAreTakenOnlyWhenTheyFit) {
    const int channels[] = {0, 1, 2};
    struct Case {
        const char* what;
        std::vector<double> edges;
        bool taken;
        std::vector<int> heights;   // of a 300-row viewport
    };
    const Case cases[] = {
        {"dragged heights", {0, 0.5, 0.75, 1}, true, {150, 75, 75}},
        {"too few", {0, 0.5, 1}, false, {100, 100, 100}},
        {"not from 0", {0.1, 0.5, 0.75, 1}, false, {100, 100, 100}},
        {"not to 1", {0, 0.5, 0.75, 0.9}, false, {100, 100, 100}},
        {"falling", {0, 0.75, 0.5, 1}, false, {100, 100, 100}},
        {"not a number", {0, NAN, 0.75, 1}, false, {100, 100, 100}},
        {"thinner than the minimum here", {0, 0.05, 0.5, 1}, true, {100, 100, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CLaneLayout lanes;
        lanes.SetChannels(channels, 3);
        lanes.SetViewport(0, 300);
        EXPECT_EQ(lanes.SetEdges(c.edges), c.taken);
        for (int lane = 0; lane < 3; ++lane) EXPECT_EQ(lanes.LaneHeight(lane), c.heights[lane]) << lane;
    }
    // What a layout gives is what it takes.
    CLaneLayout a, b;
    for (CLaneLayout* l : {&a, &b}) {
        l->SetChannels(channels, 3);
        l->SetViewport(10, 410);
    }
    a.DragSeparator(0, 60);
    ASSERT_TRUE(b.SetEdges(a.Edges()));
    for (int lane = 0; lane < 3; ++lane) EXPECT_EQ(b.LaneHeight(lane), a.LaneHeight(lane));
}
