// The filter, notch and trend-removal operations on recordings: the fragment between the
// cursors and the shown channels, streamed in blocks, agree with the in-memory designs (which
// the reference data check against scipy); unusable parameters, stops and failed writes leave
// no file behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>

#include "FilterTestSignals.h"
#include "ProcessingTestUtil.h"
#include "core/processing/Engine.h"
#include "core/processing/filters/SosFilter.h"

using namespace vistrel;
using namespace vistrel::test;
using namespace vistrel::filters;

namespace {

constexpr int kSamples = 20000;

// Channels: noise with an offset, sines, and a trend; channel 2 holds the same noise again.
FloatFixture Signals(double rate, int samples = kSamples) {
    FloatFixture fx;
    fx.layout.channels = 4;
    fx.layout.rate = rate;
    fx.samples = static_cast<uint64_t>(samples);
    auto columns = std::make_shared<std::vector<std::vector<double>>>();
    for (const char* kind : {"random", "sine", "random", "trend"})
        columns->push_back(ReferenceSignal(kind, samples, rate));
    fx.value = [columns](uint64_t k, int c) {
        return static_cast<float>((*columns)[static_cast<size_t>(c)][static_cast<size_t>(k)]);
    };
    return fx;
}

FilterParams Filter(Design d, Band b, int order, double f1, double f2, bool zero, double ripple = 1.0) {
    FilterParams p;
    p.filter = {d, b, order, f1, f2, ripple};
    p.zeroPhase = zero;
    return p;
}

FilterParams Notch(double f, int harmonics, double q, bool zero) {
    FilterParams p;
    p.notch = {f, harmonics, q};
    p.zeroPhase = zero;
    return p;
}

FilterParams Trend(bool linear) {
    FilterParams p;
    p.linearTrend = linear;
    return p;
}

// The expected result of one channel: the in-memory run over the fragment's stored floats.
std::vector<double> Expected(ProcessOp op, const FilterParams& p, const std::vector<double>& x, double fs) {
    if (op == OP_DETREND)
        return Detrend(x, p.linearTrend);
    const Sections sos = op == OP_NOTCH ? DesignNotch(p.notch, fs) : DesignFilter(p.filter, fs);
    return p.zeroPhase ? FilterSignalZeroPhase(sos, x) : FilterSignal(sos, x);
}

struct StopAt : RecordingObserver {
    int percent;
    std::atomic<bool> flag{false};
    explicit StopAt(int p) : percent(p) {}
    void Progress(int p) override {
        RecordingObserver::Progress(p);
        if (p >= percent && p < 100)
            flag = true;
    }
    bool StopRequested() override { return flag.load(); }
};

} // namespace

TEST(FilterOperation, ResultsAgreeWithTheDesigns) {
    struct Case {
        const char* name;
        ProcessOp op;
        FilterParams params;
        double rate;
        int64_t cursor1, cursor2;
        int samples = kSamples;
    } cases[] = {
        {"butterworth low-pass", OP_FILTER, Filter(Design::Butterworth, Band::LowPass, 4, 1000, 0, false), 44100, 0, kSamples},
        {"chebyshev 20 Hz", OP_FILTER, Filter(Design::Chebyshev1, Band::LowPass, 8, 20, 0, false, 1.0), 44100, 15000, 1000},
        {"bessel band-pass zero phase", OP_FILTER, Filter(Design::Bessel, Band::BandPass, 4, 300, 3000, true), 48000, 333, 19000},
        {"butterworth band-stop zero phase", OP_FILTER, Filter(Design::Butterworth, Band::BandStop, 3, 40, 60, true), 48000, 0, kSamples},
        {"chebyshev high-pass 0.4 rate", OP_FILTER, Filter(Design::Chebyshev1, Band::HighPass, 5, 19200, 0, true, 0.5), 48000, 17, 9000},
        {"notch 50 Hz, 5 harmonics", OP_NOTCH, Notch(50, 5, 30, false), 48000, 100, 12000},
        {"notch 60 Hz zero phase", OP_NOTCH, Notch(60, 3, 20, true), 44100, 5000, 200},
        {"remove mean", OP_DETREND, Trend(false), 48000, 0, kSamples},
        {"remove line", OP_DETREND, Trend(true), 44100, 12345, 678},
        // Many blocks in each pass of the working file.
        {"zero phase, long fragment", OP_FILTER, Filter(Design::Butterworth, Band::HighPass, 3, 30, 0, true), 44100, 299000, 7, 300000},
        {"line, long fragment", OP_DETREND, Trend(true), 44100, 299000, 7, 300000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Source s(Signals(c.rate, c.samples));
        s.job.m_channelShown[2] = 0; // the hidden channel is left out
        s.job.m_filter = c.params;
        s.job.m_cursor1 = c.cursor1;
        s.job.m_cursor2 = c.cursor2;
        const RecordingObserver obs = s.Run(c.op, "~filtered.KVF");
        ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
        ASSERT_EQ(obs.opened.size(), 1u);
        const Result r = ReadResult(s.dir / "~filtered.KVF");
        ASSERT_TRUE(r.ok);
        const int64_t start = std::min(c.cursor1, c.cursor2), length = std::abs(c.cursor2 - c.cursor1);
        ASSERT_EQ(r.channels, 3);
        ASSERT_EQ(r.samples, length);
        EXPECT_EQ(r.rate, static_cast<float>(c.rate));
        int column = 0;
        for (int ch : {0, 1, 3}) {
            std::vector<double> x(static_cast<size_t>(length));
            double peak = 0;
            for (int64_t i = 0; i < length; ++i) {
                x[static_cast<size_t>(i)] = s.data.SampleValue(static_cast<uint64_t>(start + i), ch);
                peak = std::max(peak, std::abs(x[static_cast<size_t>(i)]));
            }
            const std::vector<double> y = Expected(c.op, c.params, x, c.rate);
            ASSERT_EQ(y.size(), x.size());
            for (int64_t i = 0; i < length; ++i)
                ASSERT_NEAR(r.at(i, column), y[static_cast<size_t>(i)], 1e-6 * peak) << "channel " << ch << " row " << i;
            ++column;
        }
        // Only the source and the result remain: the working file of a zero-phase run is gone.
        for (const std::string& name : FilesIn(s.dir.Path()))
            EXPECT_TRUE(name == "src.kvf" || name == "~filtered.KVF") << name;
    }
}

TEST(FilterOperation, RefusalsNameTheLimitAndLeaveNoFile) {
    struct Case {
        const char* name;
        ProcessOp op;
        FilterParams params;
        int64_t cursor1, cursor2;
        const char* message;
    } cases[] = {
        {"cut-off at Nyquist", OP_FILTER, Filter(Design::Butterworth, Band::LowPass, 4, 24000, 0, false), 0, 100,
         "not below the Nyquist frequency 24000 Hz"},
        {"order 11", OP_FILTER, Filter(Design::Bessel, Band::HighPass, 11, 100, 0, false), 0, 100, "1 to 10, not 11"},
        {"harmonic above Nyquist", OP_NOTCH, Notch(5000, 5, 30, false), 0, 100,
         "notch at 25000 Hz is not below the Nyquist frequency 24000 Hz"},
        {"zero phase on a short fragment", OP_FILTER, Filter(Design::Butterworth, Band::BandPass, 4, 100, 200, true), 50,
         74, "has 24 samples; the zero-phase filter needs more than 27"},
        {"notch zero phase, fragment as long as the padding", OP_NOTCH, Notch(50, 2, 30, true), 0, 15,
         "has 15 samples; the zero-phase filter needs more than 15"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Source s(Signals(48000));
        s.job.m_filter = c.params;
        s.job.m_cursor1 = c.cursor1;
        s.job.m_cursor2 = c.cursor2;
        const RecordingObserver obs = s.Run(c.op, "~refused.KVF");
        EXPECT_FALSE(s.job.m_succeeded);
        ASSERT_EQ(obs.failures.size(), 1u);
        EXPECT_NE(obs.failures[0].find(c.message), std::string::npos) << obs.failures[0];
        EXPECT_EQ(obs.percents.back(), 100);
        EXPECT_EQ(FilesIn(s.dir.Path()), std::vector<std::string>{"src.kvf"});
    }
}

// A stop in any pass, or a failed write of the result, leaves neither the result nor the
// working file.
TEST(FilterOperation, StopsAndFailedWritesLeaveNothing) {
    struct Case {
        const char* name;
        ProcessOp op;
        FilterParams params;
        int stopPercent;        // > 100: no stop
        int64_t failAfterBytes; // < 0: writes succeed
    } cases[] = {
        {"causal filter stopped", OP_FILTER, Filter(Design::Butterworth, Band::LowPass, 4, 1000, 0, false), 30, -1},
        {"zero phase stopped forwards", OP_FILTER, Filter(Design::Butterworth, Band::LowPass, 4, 1000, 0, true), 10, -1},
        {"zero phase stopped backwards", OP_NOTCH, Notch(50, 1, 30, true), 50, -1},
        {"zero phase stopped while copying", OP_NOTCH, Notch(50, 1, 30, true), 95, -1},
        {"detrend stopped in the second pass", OP_DETREND, Trend(true), 70, -1},
        {"zero phase, disk full", OP_FILTER, Filter(Design::Bessel, Band::HighPass, 2, 10, 0, true), 1000, 100000},
        {"detrend, disk full", OP_DETREND, Trend(false), 1000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Long enough for many blocks in every pass.
        Source s(Signals(48000, 1'000'000));
        s.job.m_filter = c.params;
        StopAt obs(c.stopPercent);
        s.job.m_op = c.op;
        s.job.m_resultName = s.dir / "~stopped.KVF";
        engine::FailResultWritesForTest(c.failAfterBytes, platform::FileProblem::DiskFull);
        RunProcessJob(s.job, obs);
        engine::FailResultWritesForTest(-1, platform::FileProblem::DiskFull);
        EXPECT_FALSE(s.job.m_succeeded);
        EXPECT_TRUE(obs.opened.empty());
        if (c.failAfterBytes < 0) {
            EXPECT_TRUE(s.job.m_interrupted) << s.job.m_error;
            EXPECT_TRUE(obs.failures.empty());
            // Stopped where asked, not at the end.
            ASSERT_GE(obs.percents.size(), 2u);
            EXPECT_LT(obs.percents[obs.percents.size() - 2], c.stopPercent + 5);
        } else {
            ASSERT_EQ(obs.failures.size(), 1u);
            EXPECT_NE(obs.failures[0].find("~stopped.KVF"), std::string::npos) << obs.failures[0];
        }
        EXPECT_EQ(obs.percents.back(), 100);
        EXPECT_EQ(FilesIn(s.dir.Path()), std::vector<std::string>{"src.kvf"});
    }
}

TEST(FilterOperation, GeneratedResultNames) {
    std::tm t{};
    t.tm_mday = 8, t.tm_hour = 12, t.tm_min = 3, t.tm_sec = 4;
    EXPECT_EQ(ResultFileName(OP_FILTER, t), "~filter08_120304.KVF");
    EXPECT_EQ(ResultFileName(OP_NOTCH, t), "~notch08_120304.KVF");
    EXPECT_EQ(ResultFileName(OP_DETREND, t), "~detrend08_120304.KVF");
}
