// Keyboard and wheel navigation of the view (zoom steps around an anchor, the whole recording,
// start and end, vertical scrolling that leaves the horizontal view alone) and the min-max
// envelope checked against a plain scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "core/view/Canvas.h"
#include "core/view/TraceDecimation.h"

using namespace vistrel;

namespace {

// 6 by 4 divisions over 48 000 samples (one second at 48 kHz), zoom table as the plot builds it.
struct NavFixture {
    double lengths[8] = {48000, 24000, 12000, 4800, 2400, 1200, 480, 240};
    float ranges[2] = {-1.0f, 1.0f};
    CCanvasView view{6, 4};
    NavFixture() { view.AttachView(1, 48000, ranges, 8, lengths); }
    double SampleAt(double fraction) const { return view.m_visibleStart + fraction * view.WindowLength(); }
};

} // namespace

TEST(ViewNavigation, ZoomStepKeepsTheAnchorSampleInPlaceAndSavesTheView) {
    NavFixture f;
    // In at a quarter of the width, three times: the sample there stays there.
    double anchor = f.SampleAt(0.25);
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(f.view.ZoomHorizontalStep(1, 0.25));
        EXPECT_EQ(f.view.m_hZoom, i);
        EXPECT_NEAR(f.SampleAt(0.25), anchor, 1e-6) << i;
        EXPECT_NEAR(f.view.m_visibleEnd - f.view.m_visibleStart, f.view.WindowLength(), 1e-6);
        EXPECT_EQ(f.view.m_zoomHistory.count, i);
    }
    // Out again: no view saved, the anchor still in place.
    anchor = f.SampleAt(0.8);
    ASSERT_TRUE(f.view.ZoomHorizontalStep(-1, 0.8));
    EXPECT_EQ(f.view.m_hZoom, 2);
    EXPECT_NEAR(f.SampleAt(0.8), anchor, 1e-6);
    EXPECT_EQ(f.view.m_zoomHistory.count, 3);
    // Zoom-back returns to the view before the last step in.
    ASSERT_TRUE(f.view.ZoomBack());
    EXPECT_EQ(f.view.m_hZoom, 2);
    ASSERT_TRUE(f.view.ZoomBack());
    EXPECT_EQ(f.view.m_hZoom, 1);
}

TEST(ViewNavigation, ZoomStepStaysInsideTheRecordingAndTheTable) {
    NavFixture f;
    // At the right edge the anchor cannot stay: the view ends at the recording's end.
    ASSERT_TRUE(f.view.ZoomHorizontalStep(1, 1.0));
    EXPECT_NEAR(f.view.m_visibleEnd, 48000, 1e-6);
    EXPECT_NEAR(f.view.m_visibleStart, 24000, 1e-6);
    ASSERT_TRUE(f.view.ZoomHorizontalStep(1, 0.0));
    EXPECT_NEAR(f.view.m_visibleStart, 24000, 1e-6);
    // Past the ends of the table nothing happens.
    EXPECT_FALSE(f.view.ZoomHorizontalStep(100, 0.5) && f.view.ZoomHorizontalStep(1, 0.5));
    EXPECT_EQ(f.view.m_hZoom, 7);
    EXPECT_TRUE(f.view.ZoomHorizontalStep(-100, 0.5));
    EXPECT_EQ(f.view.m_hZoom, 0);
    EXPECT_DOUBLE_EQ(f.view.m_visibleStart, 0);
    EXPECT_DOUBLE_EQ(f.view.m_visibleEnd, 48000);
    EXPECT_FALSE(f.view.ZoomHorizontalStep(-1, 0.5));
}

TEST(ViewNavigation, HistoryFullDropsTheOldestView) {
    NavFixture f;
    for (int i = 0; i < kZoomHistoryDepth + 20; ++i) {
        ASSERT_TRUE(f.view.ZoomHorizontalStep(1, 0.5));
        ASSERT_TRUE(f.view.ZoomHorizontalStep(-1, 0.5));
    }
    EXPECT_EQ(f.view.m_zoomHistory.count, kZoomHistoryDepth);
    ASSERT_TRUE(f.view.ZoomBack());
    EXPECT_EQ(f.view.m_hZoom, 0);
}

TEST(ViewNavigation, WholeRecordingStartAndEnd) {
    NavFixture f;
    f.view.m_hZoom = 4;
    f.view.m_hCenter = 30000;
    f.view.RecomputeView();
    ASSERT_TRUE(f.view.ScrollHorizontal(kScrollBottom, 0));
    EXPECT_DOUBLE_EQ(f.view.m_visibleEnd, 48000);
    EXPECT_DOUBLE_EQ(f.view.m_visibleStart, 48000 - 2400);
    EXPECT_FALSE(f.view.ScrollHorizontal(kScrollBottom, 0));
    ASSERT_TRUE(f.view.ScrollHorizontal(kScrollTop, 0));
    EXPECT_DOUBLE_EQ(f.view.m_visibleStart, 0);
    EXPECT_DOUBLE_EQ(f.view.m_visibleEnd, 2400);
    const int saved = f.view.m_zoomHistory.count;
    ASSERT_TRUE(f.view.ZoomWhole());
    EXPECT_EQ(f.view.m_hZoom, 0);
    EXPECT_DOUBLE_EQ(f.view.m_visibleEnd, 48000);
    EXPECT_EQ(f.view.m_zoomHistory.count, saved + 1);
    EXPECT_FALSE(f.view.ZoomWhole());
    ASSERT_TRUE(f.view.ZoomBack());
    EXPECT_EQ(f.view.m_hZoom, 4);
}

TEST(ViewNavigation, VerticalScrollLeavesAScrolledHorizontalViewAlone) {
    NavFixture f;
    f.view.m_hZoom = 3;
    f.view.m_vZoom = 3;
    f.view.RecomputeView();
    // One line step right moves by a division: then half a division by the thumb, off the grid.
    ASSERT_TRUE(f.view.ScrollHorizontal(kScrollThumbPosition, 20000));
    const double start = f.view.m_visibleStart, end = f.view.m_visibleEnd, centre = f.view.m_hCenter;
    const double division = f.view.WindowLength() / 6;
    ASSERT_GT(std::fabs(std::remainder(start, division)), 1.0);   // not on a division
    const double vBefore = f.view.m_vCenter;
    ASSERT_TRUE(f.view.ScrollVertical(kScrollLineDown, 0));
    EXPECT_NE(f.view.m_vCenter, vBefore);
    EXPECT_DOUBLE_EQ(f.view.m_visibleStart, start);
    EXPECT_DOUBLE_EQ(f.view.m_visibleEnd, end);
    EXPECT_DOUBLE_EQ(f.view.m_hCenter, centre);
}

namespace {

// Interleaved floats in memory; extremes by the base class's scan.
class Floats : public ISampleSource {
public:
    Floats(int channels, uint64_t samples) : m_n(channels), m_N(samples), m_v(channels * samples) {}
    uint64_t Samples() const override { return m_N; }
    int Channels() const override { return m_n; }
    bool IsRawImage() const override { return false; }
    long double Value(uint64_t k, int c) const override { return k < m_N ? m_v[k * m_n + c] : 0.0f; }
    uint16_t Raw(uint64_t, int) const override { return 0; }
    std::vector<float> m_v;

private:
    int m_n;
    uint64_t m_N;
};

} // namespace

TEST(ViewEnvelope, BarsHoldTheExtremesOfEachGroupAndJoinUp) {
    std::mt19937 rng(7);
    for (int round = 0; round < 6; ++round) {
        const int channels = 3;
        const uint64_t N = 20000 + rng() % 200000;
        Floats src(channels, N);
        std::normal_distribution<float> noise(0.0f, 1.0f);
        float walk = 0;
        for (uint64_t k = 0; k < N; ++k)
            for (int c = 0; c < channels; ++c) {
                walk += noise(rng) * 0.01f;
                src.m_v[k * channels + c] = c == 1 ? walk : noise(rng) * (c + 1) + (k % 4409 == 0 ? 9.0f : 0.0f);
            }
        TraceView v;
        v.x0 = 40 + static_cast<int>(rng() % 30);
        v.x1 = v.x0 + 300 + static_cast<int>(rng() % 900);
        v.y1 = 10;
        v.y2 = 410;
        v.F = static_cast<double>(rng() % (N / 4));
        v.L = std::min<double>(static_cast<double>(N) + 5000, v.F + (N * 3) / 4);   // may run past the end
        v.channels = channels;
        auto cache = std::make_unique<CColumnCache>();
        CMinMaxPass::Run(*cache, v, src);
        ASSERT_TRUE(cache->minMax);
        std::vector<EnvelopeBar> bars(kMaxEnvelopeBars);
        for (int ch = 0; ch < channels; ++ch) {
            const double top = 4.0, bottom = -4.0;
            const int n = BuildEnvelope(*cache, ch, v.y2, v.y2 - v.y1, top, bottom, bars.data());
            ASSERT_GT(n, 0);
            int groups = 0;
            const EnvelopeBar* prev = nullptr;
            for (int i = 0; i < n; ++i) {
                const EnvelopeBar& b = bars[i];
                if (b.link) continue;
                ++groups;
                // Oracle: the group's samples [a, b) scanned plainly.
                const int c = b.x;
                const int right = cache->rightLimit;
                const uint64_t a = static_cast<uint64_t>(ColumnSample(v, c));
                const uint64_t e = std::min<uint64_t>(static_cast<uint64_t>(ColumnSample(v, std::min(c + 3, right))), N);
                ASSERT_LT(a, e);
                float lo = src.m_v[a * channels + ch], hi = lo;
                for (uint64_t k = a; k < e; ++k) {
                    lo = std::min(lo, src.m_v[k * channels + ch]);
                    hi = std::max(hi, src.m_v[k * channels + ch]);
                }
                // The last group may be cut by the right limit: it holds a part of its samples.
                if (c + 3 <= right) {
                    EXPECT_EQ(b.yTop, ValueRow(hi, v.y2, v.y2 - v.y1, top, bottom)) << round << " " << ch << " " << c;
                    EXPECT_EQ(b.yBottom, ValueRow(lo, v.y2, v.y2 - v.y1, top, bottom)) << round << " " << ch << " " << c;
                    EXPECT_EQ(b.width, 3);
                }
                // Continuous: this group meets the previous one, directly or through a link.
                if (prev && prev->x + prev->width == c) {
                    const bool meets = b.yTop <= prev->yBottom + 1 && b.yBottom >= prev->yTop - 1;
                    // The gap between the two extents, rows min(bottoms) .. max(tops), is covered.
                    const bool linked = i > 0 && bars[i - 1].link && bars[i - 1].x == c &&
                                        bars[i - 1].yTop <= std::min(b.yBottom, prev->yBottom) &&
                                        bars[i - 1].yBottom >= std::max(b.yTop, prev->yTop);
                    EXPECT_TRUE(meets || linked) << round << " " << ch << " " << c;
                }
                prev = &b;
            }
            EXPECT_GE(groups, (cache->rightLimit - v.x0) / 3 - 1);
        }
    }
}

TEST(ViewEnvelope, NoBarsFromAColumnPass) {
    Floats src(1, 1000);
    TraceView v;
    v.x0 = 0;
    v.x1 = 100;
    v.y2 = 100;
    v.F = 0;
    v.L = 1000;
    v.channels = 1;
    auto cache = std::make_unique<CColumnCache>();
    ColumnPass(*cache, v, src);
    EnvelopeBar bars[kMaxEnvelopeBars];
    EXPECT_EQ(BuildEnvelope(*cache, 0, 100, 100, 1.0, -1.0, bars), 0);
}
