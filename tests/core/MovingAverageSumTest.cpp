// The moving average's running sum: it must stay within one float ulp of the window added
// afresh (the serial sum in double), its outputs within 2 ulp of the former per-output sums
// (ProcessingOracle), and its cost must not grow with the window.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "ProcessingOracle.h"
#include "ProcessingTestUtil.h"
#include "core/processing/RunningSum.h"
#include "support/Ulps.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

// A signal of amplitude `amplitude` around `offset` (`later` from the middle on), white noise
// plus a slow sine.
std::vector<float> Signal(size_t n, double offset, double amplitude, uint32_t seed, double later = NAN) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, amplitude);
    std::vector<float> v(n);
    for (size_t k = 0; k < n; ++k)
        v[k] = static_cast<float>((k >= n / 2 && !std::isnan(later) ? later : offset) + noise(rng) + amplitude * std::sin(0.001 * static_cast<double>(k)));
    return v;
}

struct WindowCase {
    int64_t N;
    double offset, amplitude;
    double later = NAN; // the offset from the middle on: a sum that shrinks by many orders
};

const WindowCase kWindows[] = {
    {7, 0.0, 1.0},        {100, 0.0, 1.0},     {1001, 0.0, 1.0},   {4099, 0.0, 1.0},
    {8, 1e3, 1e-3},       {257, 1e6, 1.0},     {1000, 1e6, 1e-2},  {100000, 1e4, 1.0},
    {2, -5e5, 1e-4},      {33, 1e-30, 1e-30},  {100, 1e7, 1e-3, 0.0}, {4096, -3e8, 1.0, 1e-3},
};

} // namespace

TEST(MovingAverageSum, RunningSumStaysWithinOneUlpOfTheSerialSum) {
    // Slides each window over many times its length without starting afresh: the float of the
    // compensated sum must agree with the float of the serial sum of the same window.
    for (const WindowCase& c : kWindows) {
        SCOPED_TRACE("N=" + std::to_string(c.N) + " offset " + std::to_string(c.offset));
        const size_t steps = static_cast<size_t>(std::max<int64_t>(20000, 3 * c.N));
        const std::vector<float> v = Signal(static_cast<size_t>(c.N) + steps, c.offset, c.amplitude, 11u, c.later);
        RunningSum sum;
        double first = 0.0;
        for (int64_t r = 0; r < c.N; ++r)
            first += v[static_cast<size_t>(r)];
        sum.Reset(first);
        // Check every output of short windows; sample long ones (their serial sums are costly).
        const size_t every = c.N > 2000 ? 997 : 1;
        uint32_t worst = 0;
        for (size_t j = 1; j <= steps; ++j) {
            sum.Replace(v[j + static_cast<size_t>(c.N) - 1], v[j - 1]);
            if (j % every != 0)
                continue;
            double serial = 0.0;
            for (int64_t r = 0; r < c.N; ++r)
                serial += v[j + static_cast<size_t>(r)];
            worst = std::max(worst, UlpDistance(static_cast<float>(sum.Value()), static_cast<float>(serial)));
        }
        EXPECT_LE(worst, 1u);
    }
}

TEST(MovingAverageSum, OutputsWithinTwoUlpOfThePerOutputSums) {
    // Whole recordings and fragments at either edge (where the window reads zeros beyond the
    // data), N odd and even, offsets large against the signal, fragments longer than the
    // interval between fresh sums, and NaN/infinity passing through the window.
    const struct {
        int64_t N;
        double offset, amplitude;
        int64_t from, to; // -1: the end of the recording
        bool awkward;     // a NaN and an infinity in channel 1
        double later = NAN; // channel 1's offset from the middle on
    } cases[] = {
        {5, 0.0, 1.0, 0, -1, false},       {6, 1e5, 1.0, 0, 300, false},
        {101, 1e6, 1e-2, 9000, -1, false}, {100, -2e3, 1e-3, 4000, 5000, false},
        {5000, 1e4, 1.0, 0, -1, false},    {64, 10.0, 1.0, 0, -1, true},
        {3001, 0.0, 1.0, 1, -1, true},     {50, 1e7, 1e-3, 0, -1, false, 0.0},
    };
    constexpr uint64_t kSamples = 13000;
    for (const auto& c : cases) {
        SCOPED_TRACE("N=" + std::to_string(c.N) + " from " + std::to_string(c.from) + " offset " + std::to_string(c.offset));
        const std::vector<float> a = Signal(kSamples, c.offset, c.amplitude, 3u, c.later);
        const std::vector<float> b = Signal(kSamples, -c.offset, c.amplitude, 4u);
        FloatFixture fx;
        fx.layout.channels = 2;
        fx.samples = kSamples;
        fx.value = [&](uint64_t k, int ch) {
            if (c.awkward && ch == 0 && (k == 7000 || k == 7001))
                return k == 7000 ? NAN : INFINITY;
            return (ch == 0 ? a : b)[k];
        };
        Source s(fx);
        s.job.m_averagingFactor = static_cast<int>(c.N);
        s.job.m_cursor1 = c.from;
        s.job.m_cursor2 = c.to < 0 ? static_cast<int64_t>(kSamples) : c.to;
        s.job.m_op = OP_MOVING_AVERAGE;
        RecordingObserver oldObs;
        s.job.m_resultName = s.dir / "~old.KVF";
        RunOldProcessJob(s.job, oldObs);
        s.Run(OP_MOVING_AVERAGE, "~new.KVF");
        const Result fresh = ReadResult(s.dir / "~new.KVF"), old = ReadResult(s.dir / "~old.KVF");
        ASSERT_TRUE(fresh.ok && old.ok);
        ASSERT_EQ(fresh.rows.size(), old.rows.size());
        uint32_t worst = 0;
        for (size_t r = 0; r < old.rows.size(); ++r)
            for (int ch = 0; ch < 2; ++ch)
                worst = std::max(worst, UlpDistance(fresh.at(static_cast<int64_t>(r), ch), old.at(static_cast<int64_t>(r), ch)));
        EXPECT_LE(worst, 2u);
    }
}

TEST(MovingAverageSum, CostDoesNotGrowWithTheWindow) {
    // The work is counted by the stop polls (one per fixed amount of work, plus one per block
    // and per percent): a window of 20000 on 40000 rows must cost about what a window of 10
    // does, not 20000 re-adds per output.
    struct CountingObserver : RecordingObserver {
        int polls = 0;
        bool StopRequested() override {
            ++polls;
            return false;
        }
    };
    FloatFixture fx;
    fx.samples = 40000;
    int polls[2] = {};
    int i = 0;
    for (const int N : {10, 20000}) {
        Source s(fx);
        s.job.m_averagingFactor = N;
        s.job.m_op = OP_MOVING_AVERAGE;
        s.job.m_cursor1 = 0;
        s.job.m_cursor2 = static_cast<int64_t>(fx.samples);
        s.job.m_resultName = s.dir / "~m.KVF";
        CountingObserver obs;
        RunProcessJob(s.job, obs);
        ASSERT_TRUE(s.job.m_succeeded);
        polls[i++] = obs.polls;
    }
    EXPECT_LE(polls[1], polls[0] + 20) << "N=10: " << polls[0] << " polls, N=20000: " << polls[1];
}
