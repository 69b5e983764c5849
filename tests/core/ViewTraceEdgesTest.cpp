// The ends of a trace: the first sample of the view, a lone sample, the samples just outside
// the view, and plots wider than the default column cache.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "core/view/TraceDecimation.h"

using namespace vistrel;

namespace {

// A ramp: sample k of every channel is k (channel 1: k + 1000 shifted, unused here).
class RampSource : public ISampleSource {
public:
    explicit RampSource(uint64_t samples) : m_N(samples) {}
    uint64_t Samples() const override { return m_N; }
    int Channels() const override { return 1; }
    bool IsRawImage() const override { return false; }
    long double Value(uint64_t k, int) const override { return k < m_N ? static_cast<long double>(k) : 0; }
    uint16_t Raw(uint64_t, int) const override { return 0; }

private:
    uint64_t m_N;
};

struct Pt {
    int px = 0, py = 0;
    Pt() = default;
    Pt(int x, int y) : px(x), py(y) {}
};

TraceView View(int x0, int x1, double F, double L) {
    TraceView v;
    v.x0 = x0;
    v.x1 = x1;
    v.y1 = 0;
    v.y2 = 400;
    v.F = F;
    v.L = L;
    v.channels = 1;
    return v;
}

} // namespace

// The trace of a ramp is the diagonal of the view: every vertex lies on the line from the
// view's first sample position at x0 to its last at x1 (rows of a scale spanning the view),
// the trace starts at the left edge and, where samples go on past the view, ends at the right.
TEST(ViewTraceEdges, RampTraceRunsFromEdgeToEdge) {
    struct Case {
        const char* name;
        uint64_t N;
        int x0, x1;
        double F, L;
        int firstX, lastX;   // expected first and last vertex columns
        int vertices;        // expected count, or 0 for "many"
    };
    const Case cases[] = {
        {"spectrum from 0 Hz, zoomed in", 100, 20, 520, 0.0, 100.0, 20, 515, 0},
        {"two samples", 2, 10, 310, 0.0, 2.0, 10, 160, 2},
        {"one sample", 1, 10, 310, 0.0, 2.0, 10, 10, 1},
        {"zoomed in, between samples at both edges", 1000, 0, 500, 100.5, 110.5, 0, 500, 0},
        {"zoomed in, integer start", 1000, 30, 530, 100.0, 110.0, 30, 530, 0},
        {"zoomed in past every sample", 1000, 0, 600, 10.2, 10.8, 0, 600, 2},
        {"zoomed out", 10000, 5, 505, 0.0, 5000.0, 5, 505, 0},
        {"zoomed out to the end", 5000, 5, 505, 0.0, 5000.0, 5, 504, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        RampSource src(k.N);
        auto cache = std::make_unique<CColumnCache>();
        const TraceView v = View(k.x0, k.x1, k.F, k.L);
        ColumnPass(*cache, v, src);
        std::vector<Pt> pts(cache->Columns() + 2);
        const int n = BuildPolyline(*cache, 0, v.x0, v.y2, 400, k.L, k.F, false, pts.data());
        if (n <= 0) {
            ADD_FAILURE() << "no vertices";
            continue;
        }
        if (k.vertices) EXPECT_EQ(n, k.vertices);
        EXPECT_EQ(pts[0].px, k.firstX);
        EXPECT_EQ(pts[n - 1].px, k.lastX);
        // Rows of the diagonal; a vertex may sit up to one column right of its sample.
        const double rowsPerColumn = 400.0 / v.Width();
        for (int i = 0; i < n; ++i) {
            const double expected = 400.0 - (pts[i].px - v.x0) * rowsPerColumn;
            EXPECT_NEAR(pts[i].py, expected, rowsPerColumn + 1.5) << "vertex " << i << " at " << pts[i].px;
        }
    }
}

// Column x0 is part of the min-max view: the first group starts there and its extremes
// include the view's first sample.
TEST(ViewTraceEdges, MinMaxFirstGroupStartsAtTheLeftEdge) {
    for (const int x0 : {0, 7, 40}) {
        SCOPED_TRACE(x0);
        RampSource src(90000);
        auto cache = std::make_unique<CColumnCache>();
        const TraceView v = View(x0, x0 + 300, 3000.0, 33000.0);
        CMinMaxPass::Run(*cache, v, src);
        EXPECT_EQ(cache->groupStart, x0);
        ASSERT_TRUE(cache->flags[x0] && cache->flags[x0 + 1] && cache->flags[x0 + 2]);
        EXPECT_EQ(cache->values[x0 + 1][0], 3000.0f);   // the minimum of a ramp: its first sample
        EnvelopeBar bars[kMaxEnvelopeBars];
        const int n = BuildEnvelope(*cache, 0, 400, 400, 33000.0, 3000.0, bars);
        ASSERT_GT(n, 0);
        EXPECT_EQ(bars[0].x, x0);
        EXPECT_EQ(bars[0].yBottom, 400);
    }
}

// A plot wider than the default cache is drawn whole once the cache is sized to it.
TEST(ViewTraceEdges, CacheSizedToAWidePlotCoversIt) {
    RampSource src(100000);
    CColumnCache cache(5000);
    EXPECT_EQ(cache.Columns(), 5000);
    const TraceView v = View(20, 4980, 0.0, 99200.0);
    ColumnPass(cache, v, src);
    EXPECT_EQ(cache.rightLimit, 4980);
    std::vector<Pt> pts(cache.Columns() + 2);
    const int n = BuildPolyline(cache, 0, v.x0, v.y2, 400, v.L, v.F, false, pts.data());
    ASSERT_EQ(n, 4960 + 1);   // every column and the sample at the right edge
    EXPECT_EQ(pts[n - 1].px, 4980);
    CMinMaxPass::Run(cache, v, src);
    EXPECT_TRUE(cache.flags[4977] && cache.flags[4978] && cache.flags[4979]);

    // Resizing forgets the view; a smaller cache limits the columns again.
    cache.Resize(kCacheColumns);
    EXPECT_FALSE(cache.Holds(v.Width(), v.F, v.L));
    ColumnPass(cache, v, src);
    EXPECT_EQ(cache.rightLimit, kCacheColumns);
}
