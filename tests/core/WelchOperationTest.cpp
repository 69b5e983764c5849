// The averaged (Welch) FFT spectrum operation: the result recording holds Welch's spectrum of
// the fragment itself, in the band and units asked for; the cursors stay; bad settings are
// refused; a stop leaves nothing.
#include <gtest/gtest.h>

#include <cmath>

#include "ProcessingTestUtil.h"
#include "TestPlatform.h"
#include "core/processing/Spectrogram.h"
#include "core/processing/SpectrumChecks.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

constexpr int64_t kSamples = 9000;
constexpr int64_t kFrom = 1000, kTo = 7001; // the fragment of every run
constexpr double kRate = 20000.0;

// Two tones and a little noise inside the fragment; far larger values outside it, which would
// dominate any spectrum that read them.
FloatFixture Signal() {
    FloatFixture fx;
    fx.layout.channels = 2;
    fx.layout.rate = static_cast<float>(kRate);
    fx.samples = kSamples;
    fx.value = [](uint64_t k, int c) {
        const double t = static_cast<double>(k) / kRate;
        const double noise = static_cast<double>((k * 2654435761u + static_cast<uint64_t>(c) * 40503u) % 1000u) / 1e6;
        const bool inside = static_cast<int64_t>(k) >= kFrom && static_cast<int64_t>(k) < kTo;
        const double tone = std::sin(kTwoPi * (700.0 + 2100.0 * c) * t) + 0.1 * std::sin(kTwoPi * 5000.0 * t);
        return static_cast<float>(inside ? tone + noise : 1e4 * std::sin(kTwoPi * 123.0 * t));
    };
    return fx;
}

void Configure(ProcessJob& job, double lowerHz, double upperHz, int window, int segments, bool density) {
    OutputChannelList& l = job.m_outputs;
    l.count = 2;
    l.sources[0] = 1;
    l.sources[1] = 2;
    job.m_spectrum.m_lowerW = kTwoPi * lowerHz;
    job.m_spectrum.m_upperW = kTwoPi * upperHz;
    job.m_spectrum.m_window = window;
    job.m_spectrum.m_fft = 1;
    job.m_spectrum.m_average = segments;
    job.m_spectrum.m_density = density ? 1 : 0;
}

struct StopAfter : RecordingObserver {
    int left;
    explicit StopAfter(int reports) : left(reports) {}
    bool StopRequested() override { return --left < 0; }
};

} // namespace

// Each row: the rows of the result are Welch's spectrum of the fragment's samples in decibels
// (relative to the largest, or re 1 unit^2/Hz), from the first bin at or above the lower limit
// to the band's end; rows per hertz L / rate; the cursors where they were.
TEST(WelchOperation, ResultIsTheAveragedSpectrumOfTheFragment) {
    Source s(Signal());
    const struct {
        int segments, window;
        bool density, reversed;
        double lowerHz, upperHz;
    } cases[] = {
        {8, WINDOW_HANN, false, false, 0.0, kRate / 2},
        {2, WINDOW_RECTANGULAR, true, true, 0.0, kRate / 2},
        {31, WINDOW_BLACKMAN_HARRIS, false, false, 600.0, 3000.0},
        {1024, WINDOW_HAMMING, true, false, 100.0, 9000.0},
        {5, WINDOW_GAUSS, true, true, 2000.0, kRate / 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.segments << " segments, window " << c.window << ", density " << c.density);
        Configure(s.job, c.lowerHz, c.upperHz, c.window, c.segments, c.density);
        s.job.m_cursor1 = c.reversed ? kTo : kFrom;
        s.job.m_cursor2 = c.reversed ? kFrom : kTo;
        const RecordingObserver obs = s.Run(OP_SPECTRUM_FFT);
        ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
        EXPECT_FALSE(s.job.m_cursorsMoved);
        EXPECT_EQ(obs.cursor1, -1);
        const Result r = ReadResult(s.dir / "~result.KVF");
        ASSERT_TRUE(r.ok);
        const size_t L = spectro::WelchSegmentLength(kTo - kFrom, c.segments);
        EXPECT_EQ(r.rate, FftSpectrumRate(static_cast<int64_t>(L), static_cast<float>(kRate)));
        const int64_t b0 = FirstFftBin(c.lowerHz, kRate, static_cast<int64_t>(L));
        const int64_t b1 = EndFftBin(b0, c.upperHz, kRate, static_cast<int64_t>(L));
        ASSERT_EQ(r.samples, b1 - b0);
        for (int ch = 0; ch < 2; ++ch) {
            std::vector<double> x;
            for (int64_t k = kFrom; k < kTo; ++k)
                x.push_back(static_cast<double>(s.data.SampleValue(static_cast<uint64_t>(k), ch)));
            spectro::WelchResult w;
            std::string error;
            ASSERT_TRUE(spectro::WelchSpectrum(x.data(), kTo - kFrom, c.segments, c.window, kRate,
                                               c.density ? spectro::WelchScaling::Density : spectro::WelchScaling::Spectrum,
                                               w, error));
            double largest = 0;
            for (int64_t b = b0; b < b1; ++b)
                largest = std::max(largest, w.power[static_cast<size_t>(b)]);
            for (int64_t b = b0; b < b1; ++b) {
                const double p = w.power[static_cast<size_t>(b)];
                const double db = 10.0 * std::log10(c.density ? p : p / largest);
                ASSERT_NEAR(r.at(b - b0, ch), db, 1e-4) << "bin " << b << " channel " << ch;
            }
            EXPECT_LE(r.entries[static_cast<size_t>(ch)].low, r.entries[static_cast<size_t>(ch)].high - 20);
        }
    }
}

// Settings the engine cannot honour fail with the reason and leave no file.
TEST(WelchOperation, RefusesBadSegmentCountsAndShortFragments) {
    Source s(Signal());
    const struct {
        int segments;
        int64_t from, to;
        const char* message;
    } cases[] = {
        {1, kFrom, kTo, "The number of averaged segments must be from 2 to 1024"},
        {1025, kFrom, kTo, "The number of averaged segments must be from 2 to 1024"},
        {-3, kFrom, kTo, "The number of averaged segments must be from 2 to 1024"},
        {4, 100, 103, "The fragment of 3 samples is too short for 4 averaged segments"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.segments);
        Configure(s.job, 0.0, kRate / 2, WINDOW_HANN, c.segments, false);
        s.job.m_cursor1 = c.from;
        s.job.m_cursor2 = c.to;
        const RecordingObserver obs = s.Run(OP_SPECTRUM_FFT);
        EXPECT_FALSE(s.job.m_succeeded);
        ASSERT_EQ(obs.failures.size(), 1u);
        EXPECT_NE(obs.failures[0].find(c.message), std::string::npos) << obs.failures[0];
        EXPECT_FALSE(std::filesystem::exists(s.dir / "~result.KVF"));
    }
}

// A stop asked while the channels are read or transformed ends the run without a result.
TEST(WelchOperation, StopLeavesNoResult) {
    Source s(Signal());
    for (const int reports : {0, 1, 2, 3}) {
        SCOPED_TRACE(reports);
        Configure(s.job, 0.0, kRate / 2, WINDOW_HANN, 8, false);
        s.job.m_cursor1 = kFrom;
        s.job.m_cursor2 = kTo;
        s.job.m_resultName = s.dir / "~stopped.KVF";
        StopAfter obs(reports);
        RunProcessJob(s.job, obs);
        EXPECT_TRUE(s.job.m_interrupted);
        EXPECT_FALSE(s.job.m_succeeded);
        EXPECT_FALSE(std::filesystem::exists(s.dir / "~stopped.KVF"));
    }
}

// The command line's options reach the operation; those that do not fit are refused.
TEST(WelchOperation, CommandLineOptions) {
    Source s(Signal());
    Configure(s.job, 0.0, kRate / 2, WINDOW_BLACKMAN_HARRIS, 16, true);
    s.job.m_cursor1 = kFrom;
    s.job.m_cursor2 = kTo;
    s.Run(OP_SPECTRUM_FFT, "inproc.kvf");
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    const std::string base = "spectrum src.kvf --channel 1 --channel 2 --fft --from 1000 --to 7001 --high-hz 10000 ";
    const ProcessRun ok = RunProcess(CliProgram(), SplitArgs(base + "--window 4 --average 16 --scaling density --out cli.kvf"),
                                     s.dir.Path());
    ASSERT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ReadResult(s.dir / "cli.kvf").rows, ReadResult(s.dir / "inproc.kvf").rows);
    const struct {
        const char* args;
        const char* message;
    } refusals[] = {
        {"spectrum src.kvf --channel 1 --average 4 --out r.kvf", "--average applies only to the FFT spectrum (--fft)"},
        {"spectrum src.kvf --channel 1 --fft --average 1 --out r.kvf", "--average must be an integer from 2 to 1024"},
        {"spectrum src.kvf --channel 1 --fft --average 1025 --out r.kvf", "--average must be an integer from 2 to 1024"},
        {"spectrum src.kvf --channel 1 --fft --scaling density --out r.kvf", "--scaling applies only to the averaged"},
        {"spectrum src.kvf --channel 1 --fft --average 4 --scaling psd --out r.kvf", "--scaling must be spectrum or density"},
        {"spectrum src.kvf --channel 1 --fft --average 4 --from 10 --to 13 --out r.kvf",
         "The fragment of 3 samples is too short for 4 averaged segments"},
    };
    for (const auto& c : refusals) {
        SCOPED_TRACE(c.args);
        const ProcessRun r = RunProcess(CliProgram(), SplitArgs(c.args), s.dir.Path());
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(s.dir / "r.kvf"));
    }
}
