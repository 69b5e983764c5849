// Short-time spectra against reference values made with scipy.signal by
// scripts/spectro_reference.py and stored in tests/data/spectro/reference.txt, and the
// bounded-cost frames of a view.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/processing/RealFft.h"
#include "core/processing/Spectrogram.h"
#include "FilterTestSignals.h"

namespace vistrel::spectro {
namespace {

struct RefCase {
    std::string line, op, signal, scaling;
    int n = 0;
    double fs = 0;
    StftSettings stft;
    int segments = 0;
    int32_t window = 0;
    size_t rows = 0, columns = 0;
    std::vector<double> t, f, v;
    size_t stride = 1;
};

std::vector<double> ReadValues(std::istream& in, size_t count) {
    std::vector<double> out(count);
    for (double& x : out)
        in >> x;
    return out;
}

std::vector<RefCase> LoadCases() {
    std::ifstream in(std::filesystem::path(VISTREL_SOURCE_DIR) / "tests/data/spectro/reference.txt");
    std::vector<RefCase> cases;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        RefCase c;
        c.line = line;
        std::istringstream head(line);
        head >> c.op >> c.signal >> c.n >> c.fs;
        if (c.op == "spectrogram")
            head >> c.stft.size >> c.stft.overlapPercent >> c.stft.window;
        else
            head >> c.segments >> c.window >> c.scaling;
        std::string word;
        size_t count = 0;
        in >> word >> c.rows >> c.columns;
        in >> word >> count;
        c.t = ReadValues(in, count);
        in >> word >> count;
        c.f = ReadValues(in, count);
        in >> word >> c.stride >> count;
        c.v = ReadValues(in, count);
        std::getline(in, line);
        cases.push_back(std::move(c));
    }
    return cases;
}

SampleReader ReaderOf(const std::vector<double>& x) {
    return [&x](int64_t first, size_t count, double* out) {
        for (size_t i = 0; i < count; ++i) {
            const int64_t k = first + static_cast<int64_t>(i);
            out[i] = k >= 0 && k < static_cast<int64_t>(x.size()) ? x[static_cast<size_t>(k)] : 0.0;
        }
    };
}

// Every stored case: the frames, their centres, the bin frequencies and the values agree with
// scipy to 1e-9 (spectrogram: of the largest magnitude; Welch: of each value).
TEST(SpectrogramOracle, AgreesWithScipyOnEveryStoredCase) {
    const std::vector<RefCase> cases = LoadCases();
    ASSERT_EQ(cases.size(), 11u) << "tests/data/spectro/reference.txt is missing or incomplete";
    for (const RefCase& c : cases) {
        SCOPED_TRACE(c.line);
        const std::vector<double> x = filters::ReferenceSignal(c.signal, c.n, c.fs);
        std::vector<double> values, freqs, times;
        if (c.op == "spectrogram") {
            Spectrogram s;
            std::string error;
            ASSERT_TRUE(ComputeSpectrogram(StftFrames(0, c.n, c.stft), c.stft, c.fs, ReaderOf(x), s, error, {}, 2))
                << error;
            ASSERT_EQ(s.Frames(), c.rows);
            ASSERT_EQ(s.bins, c.columns);
            for (size_t fr = 0; fr < s.Frames(); ++fr)
                times.push_back(s.FrameCentre(fr));
            for (size_t k = 0; k < s.bins; ++k)
                freqs.push_back(s.BinHz(k));
            for (const double m : s.magnitude)
                values.push_back(m / s.largest);
        } else {
            WelchResult w;
            std::string error;
            const auto scaling = c.scaling == "density" ? WelchScaling::Density : WelchScaling::Spectrum;
            ASSERT_TRUE(WelchSpectrum(x.data(), c.n, c.segments, c.window, c.fs, scaling, w, error)) << error;
            ASSERT_EQ(w.power.size(), c.columns);
            for (size_t k = 0; k < w.power.size(); ++k)
                freqs.push_back(static_cast<double>(k) * c.fs / static_cast<double>(w.segmentLength));
            values = w.power;
        }
        ASSERT_EQ(times.size(), c.t.size());
        for (size_t i = 0; i < times.size(); ++i)
            EXPECT_NEAR(times[i], c.t[i], 1e-12 * std::max(1.0, c.t[i])) << "frame " << i;
        for (size_t i = 0; i < c.f.size(); ++i)
            EXPECT_NEAR(freqs[i * 16], c.f[i], 1e-9 * std::max(1.0, c.f[i])) << "bin " << i * 16;
        ASSERT_EQ((values.size() + c.stride - 1) / c.stride, c.v.size());
        for (size_t i = 0; i < c.v.size(); ++i) {
            const double tolerance = c.op == "spectrogram" ? 1e-9 : 1e-9 * std::fabs(c.v[i]);
            EXPECT_NEAR(values[i * c.stride], c.v[i], tolerance) << "value " << i * c.stride;
        }
    }
}

// The checks of the settings, each limit on both sides.
TEST(SpectrogramSettings, CheckRefusesEachOutOfRangeValue) {
    struct Row {
        size_t size;
        double overlap;
        int32_t window;
        StftCheck expected;
    } rows[] = {
        {256, 0.0, 3, StftCheck::Ok},          {65536, 90.0, 0, StftCheck::Ok},
        {255, 50.0, 3, StftCheck::SizeOutOfRange}, {65537, 50.0, 3, StftCheck::SizeOutOfRange},
        {1024, -0.1, 3, StftCheck::OverlapOutOfRange}, {1024, 90.5, 3, StftCheck::OverlapOutOfRange},
        {1024, NAN, 3, StftCheck::OverlapOutOfRange},  {1024, 50.0, 5, StftCheck::UnknownWindow},
        {1024, 50.0, -1, StftCheck::UnknownWindow},
    };
    for (const Row& r : rows) {
        const StftSettings s{r.size, r.overlap, r.window};
        EXPECT_EQ(CheckStft(s), r.expected) << r.size << " " << r.overlap << " " << r.window;
        EXPECT_EQ(StftCheckText(CheckStft(s)).empty(), r.expected == StftCheck::Ok);
    }
}

// The hop is N - floor(N p / 100) with the percentages people type, never zero.
TEST(SpectrogramSettings, HopFollowsTheOverlapFloor) {
    struct Row {
        size_t size;
        double overlap;
        size_t hop;
    } rows[] = {{256, 0.0, 256}, {256, 50.0, 128}, {300, 33.0, 201}, {1000, 33.3, 667},
                {512, 90.0, 52}, {1024, 75.0, 256}, {4096, 12.5, 3584}};
    for (const Row& r : rows)
        EXPECT_EQ(HopSamples({r.size, r.overlap, 3}), r.hop) << r.size << " " << r.overlap;
}

// A view wider than columns x N takes one frame per column whatever the span, each within the
// recording; a closer view takes every frame of the STFT.
TEST(SpectrogramView, FramesAreBoundedByThePicture) {
    const StftSettings s{4096, 50.0, 3};
    struct Row {
        int64_t from, to, samples;
        int columns, perColumn;
        size_t frames;
        bool bounded;
    } rows[] = {
        {0, 4096 * 100, 4096 * 100, 100, 1, 199, false},         // exactly columns x N: plain STFT
        {0, 4096 * 100 + 1, 4096 * 100 + 1, 100, 1, 100, true},  // one sample more: bounded
        {0, int64_t{1} << 28, int64_t{1} << 28, 800, 1, 800, true},
        {1000, int64_t{1} << 30, int64_t{1} << 30, 1200, 4, 1200, true},
        {0, 5000, 5000, 800, 1, 1, false},
    };
    for (const Row& r : rows) {
        const FramePlan p = ViewFrames(r.from, r.to, r.samples, r.columns, r.perColumn, s);
        EXPECT_EQ(p.starts.size(), r.frames) << r.to;
        EXPECT_EQ(p.bounded, r.bounded) << r.to;
        for (const int64_t start : p.starts) {
            EXPECT_GE(start, 0);
            EXPECT_LE(start + (p.perFrame - 1) * p.spread + static_cast<int64_t>(s.size), r.samples);
        }
        if (r.bounded) {
            EXPECT_EQ(p.perFrame, r.perColumn);
        }
    }
}

// A column averaged over several transforms is the root of the mean of their powers: the
// same as the plain frames at those starts, combined by hand.
TEST(SpectrogramView, AveragedColumnIsTheRootMeanPowerOfItsTransforms) {
    const std::vector<double> x = filters::ReferenceSignal("sine", 1 << 16, 48000.0);
    const StftSettings s{256, 0.0, 3};
    const FramePlan averaged = ViewFrames(0, 1 << 16, 1 << 16, 16, 3, s);
    ASSERT_TRUE(averaged.bounded);
    ASSERT_EQ(averaged.perFrame, 3);
    FramePlan single;
    for (const int64_t start : averaged.starts)
        for (int j = 0; j < 3; ++j)
            single.starts.push_back(start + j * averaged.spread);
    Spectrogram a, b;
    std::string error;
    const uint64_t before = RealFftExecutions();
    ASSERT_TRUE(ComputeSpectrogram(averaged, s, 48000.0, ReaderOf(x), a, error));
    EXPECT_EQ(RealFftExecutions() - before, 48u); // the cost: columns x transforms per column
    ASSERT_TRUE(ComputeSpectrogram(single, s, 48000.0, ReaderOf(x), b, error));
    for (size_t f = 0; f < a.Frames(); ++f)
        for (size_t k = 0; k < a.bins; ++k) {
            double power = 0;
            for (int j = 0; j < 3; ++j) {
                const double m = b.magnitude[(f * 3 + j) * b.bins + k];
                power += m * m;
            }
            EXPECT_NEAR(a.magnitude[f * a.bins + k], std::sqrt(power / 3), 1e-9 * b.largest);
        }
}

// A stop asked through the progress ends the computation early with no error; a bad setting
// is refused with its reason.
TEST(SpectrogramRun, StopsWhenAskedAndRefusesBadSettings) {
    const std::vector<double> x = filters::ReferenceSignal("random", 1 << 15, 1000.0);
    const StftSettings s{256, 50.0, 3};
    Spectrogram out;
    std::string error;
    uint64_t calls = 0;
    const uint64_t before = RealFftExecutions();
    EXPECT_FALSE(ComputeSpectrogram(StftFrames(0, 1 << 15, s), s, 1000.0, ReaderOf(x), out, error,
                                    [&](uint64_t, uint64_t) { return ++calls < 5; }));
    EXPECT_TRUE(error.empty());
    EXPECT_EQ(calls, 5u);
    EXPECT_LT(RealFftExecutions() - before, 50u);
    EXPECT_FALSE(ComputeSpectrogram(StftFrames(0, 1 << 15, s), {100, 50.0, 3}, 1000.0, ReaderOf(x), out, error));
    EXPECT_EQ(error, StftCheckText(StftCheck::SizeOutOfRange));
}

// Welch: the segment length and its refusal when the fragment cannot hold the segments.
TEST(WelchSpectrumRun, SegmentLengthAndShortFragments) {
    struct Row {
        int64_t length;
        int segments;
        int32_t window;
        size_t L;
        bool ok;
    } rows[] = {{3000, 8, 3, 666, true}, {2001, 2, 3, 1334, true}, {9, 2, 3, 6, true},
                {3, 2, 0, 2, true},      {3, 2, 3, 2, false}, // a Hann window of 2 is all zeros
                {2, 2, 0, 1, false},     {1000, 1024, 0, 1, false}};
    const std::vector<double> x(3000, 1.0);
    for (const Row& r : rows) {
        EXPECT_EQ(WelchSegmentLength(r.length, r.segments), r.L);
        WelchResult w;
        std::string error;
        EXPECT_EQ(WelchSpectrum(x.data(), r.length, r.segments, r.window, 1000.0, WelchScaling::Spectrum, w, error), r.ok)
            << r.length << " " << r.segments;
        EXPECT_EQ(error.empty(), r.ok);
    }
}

} // namespace
} // namespace vistrel::spectro
