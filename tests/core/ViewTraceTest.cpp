#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "core/view/TraceDecimation.h"

using namespace vistrel;

namespace {

// In-memory recording: interleaved floats, or raw counts with value = scale * (count - 32768).
class MemSource : public ISampleSource {
public:
    MemSource(int channels, uint64_t samples) : m_n(channels), m_N(samples), m_data(channels * samples) {}
    uint64_t Samples() const override { return m_N; }
    int Channels() const override { return m_n; }
    bool IsRawImage() const override { return m_raw; }
    long double Value(uint64_t k, int c) const override {
        if (k >= m_N) return 0;
        if (m_raw) return m_scale * (static_cast<long double>(Raw(k, c)) - 32768);
        return m_data[k * m_n + c];
    }
    uint16_t Raw(uint64_t k, int c) const override { return k < m_N ? m_counts[k * m_n + c] : 0; }
    void Set(uint64_t k, int c, float v) { m_data[k * m_n + c] = v; }
    void MakeRaw(long double scale) {
        m_raw = true;
        m_scale = scale;
        m_counts.assign(m_n * m_N, 32768);
    }
    void SetRaw(uint64_t k, int c, uint16_t v) { m_counts[k * m_n + c] = v; }

private:
    int m_n;
    uint64_t m_N;
    std::vector<float> m_data;
    std::vector<uint16_t> m_counts;
    bool m_raw = false;
    long double m_scale = 1;
};

TraceView View(int x0, int x1, double F, double L, int channels, const int32_t* shown = nullptr) {
    TraceView v;
    v.x0 = x0;
    v.x1 = x1;
    v.y1 = 0;
    v.y2 = 400;
    v.F = F;
    v.L = L;
    v.channels = channels;
    v.shown = shown;
    return v;
}

struct Pt {
    int px, py;
    Pt() = default;
    Pt(int x, int y) : px(x), py(y) {}
};

} // namespace

TEST(ViewTrace, ColumnPassPicksReproducibleSampleOfItsColumn) {
    MemSource src(2, 1000);
    for (uint64_t k = 0; k < 1000; ++k) {
        src.Set(k, 0, static_cast<float>(k));
        src.Set(k, 1, -static_cast<float>(k));
    }
    auto cache = std::make_unique<CColumnCache>();
    const TraceView v = View(0, 500, 0.0, 1000.0, 2);
    ColumnPass(*cache, v, src);
    EXPECT_EQ(cache->rightLimit, 500);
    ASSERT_TRUE(cache->flags[0]);  // the view's first column shows one of its samples
    EXPECT_LT(cache->values[0][0], 2.0f);
    ASSERT_TRUE(cache->flags[10]);
    const float v10 = cache->values[10][0];
    EXPECT_TRUE(v10 == 20.0f || v10 == 21.0f) << v10;
    EXPECT_EQ(cache->values[10][1], -v10);
    for (int c = 1; c < 500; ++c) {
        ASSERT_TRUE(cache->flags[c]) << c;
        EXPECT_GE(cache->values[c][0], 2.0f * c);
        EXPECT_LT(cache->values[c][0], 2.0f * c + 2);
    }
    EXPECT_TRUE(cache->Holds(500.0, 0.0, 1000.0));

    // Same view, same picks, even after the thread's generator was used elsewhere.
    std::vector<float> first(500);
    for (int c = 0; c < 500; ++c) first[c] = cache->values[c][0];
    CTraceRandom::ForThread().Next();
    ColumnPass(*cache, View(0, 250, 0.0, 1000.0, 2), src);
    ColumnPass(*cache, v, src);
    for (int c = 1; c < 500; ++c) ASSERT_EQ(cache->values[c][0], first[c]) << c;
}

TEST(ViewTrace, ColumnPassZoomedInEndsAndHiddenChannels) {
    MemSource src(2, 600);
    for (uint64_t k = 0; k < 600; ++k) src.Set(k, 0, static_cast<float>(k));
    auto cache = std::make_unique<CColumnCache>();

    // Zoomed in: 5 columns per sample, only the first column of each sample gets a vertex,
    // from sample 0 at the first column on.
    ColumnPass(*cache, View(0, 500, 0.0, 100.0, 2), src);
    int flagged = 0;
    for (int c = 0; c < 500; ++c) {
        if (!cache->flags[c]) continue;
        ++flagged;
        EXPECT_EQ(c % 5, 0);
        EXPECT_EQ(cache->values[c][0], c / 5);
    }
    EXPECT_EQ(flagged, 100);

    // The data end inside the view: traces stop at the first column past the last sample.
    ColumnPass(*cache, View(0, 500, 0.0, 1000.0, 2), src);
    EXPECT_EQ(cache->rightLimit, 300);

    // Hidden channels are not read; columns beyond 4096 are not computed.
    int32_t shown[256] = {1, 0};
    for (int c = 0; c < cache->Columns(); ++c) cache->values[c][1] = 12345.0f;
    ColumnPass(*cache, View(0, 200, 0.0, 400.0, 2, shown), src);
    EXPECT_EQ(cache->values[50][1], 12345.0f);
    const TraceView hidden = View(0, 200, 0.0, 400.0, 2, shown);
    EXPECT_TRUE(cache->HoldsChannels(hidden));
    shown[1] = 1;  // shown again: the cache has no values for it
    EXPECT_FALSE(cache->HoldsChannels(hidden));
    ColumnPass(*cache, View(4000, 5000, 0.0, 500.0, 2), src);
    EXPECT_EQ(cache->rightLimit, 4096);
    EXPECT_EQ(CacheRightLimit(0x10000000), 0);
}

TEST(ViewTrace, MinMaxPassFindsExtremesOfEachGroup) {
    const uint64_t N = 30000;
    MemSource src(2, N);
    for (uint64_t k = 0; k < N; ++k) {
        src.Set(k, 0, std::sin(k * 0.01f) * 100.0f);
        src.Set(k, 1, static_cast<float>(k % 7));
    }
    src.Set(1234, 0, 5000.0f);
    src.Set(1240, 0, -5000.0f);
    auto cache = std::make_unique<CColumnCache>();
    const TraceView v = View(10, 310, 0.0, 30000.0, 2);  // 100 samples per column
    CMinMaxPass::Run(*cache, v, src);
    EXPECT_TRUE(cache->Holds(300.0, 0.0, 30000.0));
    bool spikeMax = false, spikeMin = false;
    for (int c = 10; c + 2 < 310; c += 3) {
        ASSERT_TRUE(cache->flags[c] && cache->flags[c + 1] && cache->flags[c + 2]) << c;
        const uint64_t a = static_cast<uint64_t>(ColumnSample(v, c));
        const uint64_t b = static_cast<uint64_t>(ColumnSample(v, c + 3));
        float mn = 1e30f, mx = -1e30f;
        for (uint64_t k = a; k < b; ++k) {
            mn = std::min(mn, static_cast<float>(src.Value(k, 0)));
            mx = std::max(mx, static_cast<float>(src.Value(k, 0)));
        }
        EXPECT_EQ(cache->values[c + 1][0], mn) << c;
        EXPECT_EQ(cache->values[c + 2][0], mx) << c;
        EXPECT_EQ(cache->values[c + 1][1], 0.0f);
        EXPECT_EQ(cache->values[c + 2][1], 6.0f);
        spikeMax |= cache->values[c + 2][0] == 5000.0f;
        spikeMin |= cache->values[c + 1][0] == -5000.0f;
    }
    EXPECT_TRUE(spikeMax && spikeMin);

    // Computed in small slices, the result is the same.
    auto sliced = std::make_unique<CColumnCache>();
    CMinMaxPass pass;
    pass.Begin(*sliced, v, src);
    int steps = 0;
    while (!pass.Step(*sliced, src, 3)) ++steps;
    EXPECT_GT(steps, 10);
    EXPECT_FALSE(pass.Active());
    for (int c = 0; c < 310; ++c) {
        ASSERT_EQ(sliced->flags[c], cache->flags[c]) << c;
        if (cache->flags[c]) {
            ASSERT_EQ(sliced->values[c][0], cache->values[c][0]) << c;
        }
    }
}

TEST(ViewTrace, MinMaxPassOnRawImageComparesCounts) {
    MemSource src(1, 3000);
    src.MakeRaw(-0.5L);  // negative calibration divisor: larger count, smaller value
    src.SetRaw(95, 0, 40000);
    src.SetRaw(115, 0, 20000);
    auto cache = std::make_unique<CColumnCache>();
    const TraceView v = View(0, 300, 0.0, 3000.0, 1);
    CMinMaxPass::Run(*cache, v, src);
    // Group starting at column 9 covers samples 90..119.
    const float atMinCount = static_cast<float>(src.Value(115, 0));
    EXPECT_EQ(cache->values[10][0], atMinCount);
    EXPECT_GT(cache->values[10][0], cache->values[11][0]);
    EXPECT_EQ(cache->values[11][0], static_cast<float>(src.Value(95, 0)));

    // The data end inside the view stops the groups.
    CMinMaxPass::Run(*cache, View(0, 300, 0.0, 6000.0, 1), src);
    EXPECT_LE(cache->rightLimit, 151);
    EXPECT_GE(cache->rightLimit, 148);
}

TEST(ViewTrace, PolylineSmoothingAndRows) {
    auto cache = std::make_unique<CColumnCache>();
    const float vals[8] = {0, 10, 20, 100, 40, 50, 60, 70};
    for (int i = 0; i < 8; ++i) {
        cache->flags[5 + i] = 1;
        cache->values[5 + i][0] = vals[i];
    }
    cache->rightLimit = 12;  // the last value lies beyond the limit
    Pt pts[kCacheColumns];
    // Scale 0..100 on 100 rows, bottom row 100: row = 100 - value.
    int n = BuildPolyline(*cache, 0, 0, 100, 100, 100.0, 0.0, true, pts);
    ASSERT_EQ(n, 7);
    EXPECT_EQ(pts[0].px, 5);
    EXPECT_EQ(pts[2].py, 80);
    EXPECT_EQ(pts[3].py, (80 + 60) / 2);  // vertex 3 between vertices 2 and 4
    EXPECT_EQ(pts[6].py, 40);
    n = BuildPolyline(*cache, 0, 0, 100, 100, 100.0, 0.0, false, pts);
    EXPECT_EQ(pts[3].py, 0);  // spectra: no vertex moved

    // Out-of-scale values, flat scales and NaN give finite rows.
    EXPECT_EQ(ValueRow(1e300, 100, 100, 1.0, 0.0), 100 - 10000000);
    EXPECT_EQ(ValueRow(NAN, 100, 100, 1.0, 0.0), 100);
    EXPECT_EQ(ValueRow(1.0, 100, 100, 0.0, 0.0), 100 - 10000000);
}
