// Whole spectrum runs through FFTW against the former methods computed from the same samples:
// engine and command line, both methods, 48 kHz and 44.1 kHz; memory budget and stopping.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <system_error>
#include <thread>

#include "FftOracle.h"
#include "ProcessingTestUtil.h"
#include "SpectrumOracle.h"
#include "core/processing/Engine.h"
#include "core/processing/RealFft.h"
#include "core/processing/SpectrumCore.h"
#include "core/recording/TimeBase.h"
#include "platform/TimeZone.h"
#include "TestPlatform.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

const int64_t kStartUtc = 133'000'000'000'000'000LL;
constexpr int64_t kDay = 86'400LL * 10'000'000LL;

FloatFixture Tones(double rate, uint64_t samples) {
    FloatFixture fx;
    fx.layout.channels = 3;
    fx.layout.rate = rate;
    fx.samples = samples;
    fx.fileTime = kStartUtc;
    fx.value = [rate](uint64_t k, int c) {
        const double t = static_cast<double>(k) / rate;
        const uint64_t h = (k * 2654435761u + static_cast<uint64_t>(c) * 40503u) % 1000u;
        return static_cast<float>((c + 1) * std::sin(kTwoPi * (440.0 + 1000.0 * c) * t) +
                                  1e-3 * static_cast<double>(h) / 1000.0);
    };
    return fx;
}

void Configure(Source& s, int channels, double lowerHz, double upperHz, int points, int window) {
    OutputChannelList& l = s.job.m_outputs;
    l.count = channels;
    for (int i = 0; i < channels; ++i)
        l.sources[i] = i + 1;
    l.spectrumPoints = points;
    s.job.m_spectrum.m_lowerW = kTwoPi * lowerHz;
    s.job.m_spectrum.m_upperW = kTwoPi * upperHz;
    s.job.m_spectrum.m_window = window;
}

// Decibel rows (row per point) and the range low of every channel, from magnitudes.
struct Expected {
    std::vector<std::vector<double>> rows;
    std::vector<float> low;
};
Expected FromMagnitudes(const std::vector<double>& mags, int64_t points, int M) {
    Expected e;
    e.rows.assign(static_cast<size_t>(points), std::vector<double>(static_cast<size_t>(M)));
    for (int i = 0; i < M; ++i) {
        double maxV = -1e20, minV = 1e20;
        for (int64_t S = 0; S < points; ++S) {
            const double v = std::log2(mags[S * M + i]) * std::log10(2.0) * 20.0;
            e.rows[S][i] = v;
            maxV = std::max(maxV, v);
            minV = std::min(minV, v);
        }
        for (int64_t S = 0; S < points; ++S)
            e.rows[S][i] -= maxV;
        e.low.push_back(static_cast<float>(-(std::trunc(std::fabs(minV - maxV) * 0.05) + 1.0) * 20.0));
    }
    return e;
}

// The former direct sums over the fragment start .. start + H - 1.
Expected FormerDirect(Source& s, int64_t start, int64_t H, int64_t J) {
    const int M = s.job.m_outputs.count;
    const double rate = s.data.Rate(), T = static_cast<double>(H) / rate;
    oracle::DirectSums d;
    EXPECT_TRUE(d.Allocate(H, J, M));
    for (int64_t p = start; p < start + H; ++p) {
        const float c = static_cast<float>(WindowCoefficient(s.job.m_spectrum.m_window, static_cast<double>(p - start),
                                                             static_cast<double>(H)));
        for (int i = 0; i < M; ++i)
            d.windowed[(p - start) * M + i] = static_cast<float>(s.data.SampleValue(p, i) * c);
    }
    for (int64_t S = 0; S < J; ++S)
        d.freq[S] = AnalysisFrequency(s.job.m_spectrum.m_lowerW, s.job.m_spectrum.m_upperW, S, J, T);
    d.Run(0, J, rate);
    std::vector<double> mags(static_cast<size_t>(J * M));
    d.Magnitudes(T, rate, mags.data());
    return FromMagnitudes(mags, J, M);
}

// The former radix-2 FFT over start .. start + N - 1, bins b0 .. b1 - 1.
Expected FormerFft(Source& s, int64_t start, int64_t N, int64_t b0, int64_t b1) {
    const int M = s.job.m_outputs.count;
    std::vector<double> mags(static_cast<size_t>((b1 - b0) * M)), x(N), m(N);
    for (int i = 0; i < M; ++i) {
        for (int64_t p = start; p < start + N; ++p) {
            const float c = static_cast<float>(WindowCoefficient(s.job.m_spectrum.m_window, static_cast<double>(p - start),
                                                                 static_cast<double>(N)));
            x[p - start] = static_cast<double>(s.data.SampleValue(p, i) * c);
        }
        EXPECT_TRUE(oracle::FftMagnitudes(x.data(), m.data(), static_cast<size_t>(N)));
        for (int64_t b = b0; b < b1; ++b)
            mags[(b - b0) * M + i] = m[b];
    }
    return FromMagnitudes(mags, b1 - b0, M);
}

// Compares a written result with the expectation: ranges exactly, rows within the bounds of
// the method (direct sums in decibels, FFT as magnitudes relative to the largest).
void ExpectResult(const Result& r, const Expected& e, bool fft) {
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.rows.size(), e.rows.size());
    EXPECT_NE(r.adcFlags & 8u, 0u);
    for (size_t i = 0; i < e.low.size(); ++i) {
        EXPECT_EQ(r.entries[i].high, 0.0) << i;
        EXPECT_EQ(r.entries[i].low, e.low[i]) << i;
    }
    for (size_t S = 0; S < e.rows.size(); ++S)
        for (size_t i = 0; i < e.low.size(); ++i) {
            const double got = r.rows[S][i], want = static_cast<float>(e.rows[S][i]);
            if (fft) {
                ASSERT_NEAR(std::pow(10.0, got / 20.0), std::pow(10.0, want / 20.0), 1e-6) << S << " " << i;
            } else if (want > -100.0) {
                ASSERT_NEAR(got, want, 1e-6 + 1e-6 * std::fabs(want)) << S << " " << i; // float rounding
            } else if (want > -200.0) {
                ASSERT_NEAR(got, want, 0.5) << S << " " << i;
            }
        }
}

class SpectrumFftwRun : public ::testing::Test {
protected:
    void TearDown() override {
        platform::OverrideTimeZoneBias(std::nullopt);
        engine::SetWorkerHooksForTest({}, {});
        engine::SetMemoryBudgetForTest(std::nullopt);
        engine::SetCoreWorkersForTest(std::nullopt);
    }
};

struct CliRun {
    int status = -1;
    std::string out;
};
CliRun RunCli(const std::filesystem::path& dir, const std::string& args) {
    const ProcessRun run = RunProcess(CliProgram(), SplitArgs(args), dir);
    return {run.status, run.out};
}

} // namespace

TEST_F(SpectrumFftwRun, EngineResultsMatchTheFormerMethods) {
    for (const double rate : {48000.0, 44100.0}) {
        SCOPED_TRACE(rate);
        Source s(Tones(rate, 20011));
        // Direct sums over a prime number of positions, three channels.
        Configure(s, 3, 100.0, rate / 4, 300, WINDOW_HANN);
        s.job.m_cursor1 = 9000 + 7919, s.job.m_cursor2 = 9000; // either order
        s.Run(OP_SPECTRUM);
        ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
        ExpectResult(ReadResult(s.dir / "~result.KVF"), FormerDirect(s, 9000, 7919, 300), false);
        // FFT of 8192 points.
        Configure(s, 3, 50.0, rate / 3, 0, WINDOW_BLACKMAN_HARRIS);
        s.job.m_cursor1 = 3000, s.job.m_cursor2 = 3000 + 6000;
        s.Run(OP_SPECTRUM_FFT);
        ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
        const FftSpan span = ChooseFftSpan(3000, 9000, 20011);
        ASSERT_EQ(span.n, 8192);
        const int64_t b0 = static_cast<int64_t>(std::ceil(50.0 * 8192 / rate));
        int64_t b1 = b0;
        while (static_cast<double>(b1) * rate / 8192 < rate / 3)
            ++b1;
        ExpectResult(ReadResult(s.dir / "~result.KVF"), FormerFft(s, span.start, 8192, b0, b1), true);
    }
}

TEST_F(SpectrumFftwRun, CommandLineResultsKeepHeadersAndStamps) {
    // The command line runs in a process of its own, in the machine's time zone.
    Source s(Tones(44100.0, 9001));
    Configure(s, 2, 0.0, 400.0, 400, WINDOW_HAMMING);
    const auto dir = s.dir.Path();
    CliRun r = RunCli(dir, "spectrum src.kvf --channel 1 --channel 2 --from 4999 --to 1 --low-hz 0 --high-hz 400 "
                           "--points 400 --window 2 --out d.kvf");
    ASSERT_EQ(r.status, 0);
    Result d = ReadResult(dir / "d.kvf");
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.channels, 2);
    EXPECT_EQ(d.rate, 1.0f); // 400 points over 400 Hz
    EXPECT_EQ(d.samples, 400);
    ExpectResult(d, FormerDirect(s, 1, 4998, 400), false);
    int64_t local = ToLocalTime(d.startUtc);
    EXPECT_EQ(((local % kDay) + kDay) % kDay, 0); // 00:00:00 reads 0 Hz
    EXPECT_EQ(local / kDay, ToLocalTime(kStartUtc) / kDay);

    r = RunCli(dir, "spectrum src.kvf --channel 2 --channel 1 --from 100 --to 4100 --fft --low-hz 1234 "
                    "--high-hz 3000 --window 4 --out f.kvf");
    ASSERT_EQ(r.status, 0);
    Result f = ReadResult(dir / "f.kvf");
    ASSERT_TRUE(f.ok);
    EXPECT_FLOAT_EQ(f.rate, static_cast<float>(4096.0 / 44100.0));
    const FftSpan span = ChooseFftSpan(100, 4100, 9001);
    const int64_t b0 = static_cast<int64_t>(std::ceil(1234.0 * 4096 / 44100.0));
    int64_t b1 = b0;
    while (static_cast<double>(b1) * 44100.0 / 4096 < 3000.0)
        ++b1;
    Configure(s, 2, 1234.0, 3000.0, 0, WINDOW_BLACKMAN_HARRIS);
    s.job.m_outputs.sources[0] = 2, s.job.m_outputs.sources[1] = 1;
    Expected e = FormerFft(s, span.start, 4096, b0, b1);
    // FormerFft reads channels 0 and 1 in list order: swap to the order asked for.
    for (auto& row : e.rows)
        std::swap(row[0], row[1]);
    std::swap(e.low[0], e.low[1]);
    ExpectResult(f, e, true);
    // The first row's frequency as the local time of day, in whole seconds.
    local = ToLocalTime(f.startUtc);
    const double firstHz = static_cast<double>(b0) * 44100.0 / 4096;
    EXPECT_EQ(((local % kDay) + kDay) % kDay, std::llround(firstHz * 1e7));
}

TEST_F(SpectrumFftwRun, DirectSumsTransformAsManyChannelsAtOnceAsTheBudgetHolds) {
    const int64_t H = 6007; // prime
    Source s(Tones(48000.0, 7000));
    Configure(s, 3, 0.0, 2000.0, 100, WINDOW_GAUSS);
    s.job.m_cursor1 = 500, s.job.m_cursor2 = 500 + H;
    s.Run(OP_SPECTRUM);
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    const Result whole = ReadResult(s.dir / "~result.KVF");

    const RealFftCost cost = EstimateRealFftCost(static_cast<size_t>(H));
    const uint64_t fixed = H * 3 * sizeof(float) + cost.planBytes + 100 * (1 + 3 * 3) * sizeof(double);
    const uint64_t perTransform = RealFftOutputDoubles(H) * sizeof(double) + cost.scratchBytes;
    engine::SetMemoryBudgetForTest(fixed + perTransform);
    s.Run(OP_SPECTRUM, "~one.KVF");
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    EXPECT_EQ(ReadResult(s.dir / "~one.KVF").rows, whole.rows); // bit for bit

    engine::SetMemoryBudgetForTest(fixed + perTransform - 1);
    RecordingObserver obs = s.Run(OP_SPECTRUM, "~none.KVF");
    EXPECT_FALSE(s.job.m_succeeded);
    EXPECT_EQ(obs.failures, std::vector<std::string>{engine::kNoMemory});
    EXPECT_FALSE(std::filesystem::exists(s.dir / "~none.KVF"));
}

TEST_F(SpectrumFftwRun, FailedWorkerStartSkipsTheTransformsNotYetBegun) {
    for (const ProcessOp op : {OP_SPECTRUM, OP_SPECTRUM_FFT}) {
        SCOPED_TRACE(static_cast<int>(op));
        Source s(Tones(44100.0, 1 << 15));
        Configure(s, 3, 0.0, 400.0, 400, WINDOW_RECTANGULAR);
        s.job.m_cursor1 = 0, s.job.m_cursor2 = 30000;
        engine::SetCoreWorkersForTest(3); // the FFT starts one worker per core, at most
        // Worker 0 is held until the driver has failed to start worker 1 and raised the stop.
        engine::SetWorkerHooksForTest(
            [](int i) {
                if (i == 1)
                    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
            },
            [](int i) {
                if (i == 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(300));
            });
        const uint64_t before = RealFftExecutions();
        RecordingObserver obs = s.Run(op);
        EXPECT_FALSE(s.job.m_succeeded);
        ASSERT_EQ(obs.failures.size(), 1u);
        EXPECT_EQ(RealFftExecutions(), before);
        engine::SetWorkerHooksForTest({}, {});
    }
}
