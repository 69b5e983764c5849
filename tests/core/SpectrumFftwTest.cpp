// The spectra through FFTW against the former methods: the direct sums term by term and the
// hand-written radix-2 FFT, on random inputs, through the engine and the command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <random>
#include <system_error>
#include <thread>
#include <vector>

#include "FftOracle.h"
#include "ProcessingTestUtil.h"
#include "SpectrumOracle.h"
#include "core/processing/Engine.h"
#include "core/processing/RealFft.h"
#include "core/processing/SpectrumCore.h"
#include "core/processing/WindowFft.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

// Decibels relative to the largest value, as the engine writes them (stride between values).
void ToDecibels(std::vector<double>& v, size_t count, size_t stride, size_t first) {
    double largest = -1e20;
    for (size_t k = 0; k < count; ++k) {
        double& x = v[first + k * stride];
        x = std::log2(x) * std::log10(2.0) * 20.0;
        if (std::isfinite(x))
            largest = std::max(largest, x);
    }
    for (size_t k = 0; k < count; ++k)
        v[first + k * stride] -= largest;
}

// The agreement promised for the direct sums: 1e-6 dB above -100 dB, 0.5 dB down to -200 dB.
void ExpectDecibelsAgree(double fast, double slow, const std::string& where) {
    if (slow > -100.0)
        EXPECT_NEAR(fast, slow, 1e-6) << where;
    else if (slow > -200.0)
        EXPECT_NEAR(fast, slow, 0.5) << where;
}

struct RandomCase {
    double rate;
    int64_t H, J;
    int M;
    double lowerW, upperW;
    int window;
};

// Fills the windowed rows of both sum tables with tones and noise at very different levels.
// The tone of each channel lies between toneLow and toneHigh (Hz).
void FillSignal(std::mt19937_64& rng, const RandomCase& c, double toneLow, double toneHigh, float* a, float* b) {
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::vector<double> tone(static_cast<size_t>(c.M)), level(static_cast<size_t>(c.M));
    for (int i = 0; i < c.M; ++i) {
        tone[i] = std::uniform_real_distribution<double>(toneLow, toneHigh)(rng);
        level[i] = std::pow(10.0, -3.0 * i); // 0, -60, -120 dB of noise
    }
    for (int64_t h = 0; h < c.H; ++h) {
        const float w = static_cast<float>(WindowCoefficient(c.window, static_cast<double>(h), static_cast<double>(c.H)));
        for (int i = 0; i < c.M; ++i) {
            const double x = std::sin(kTwoPi * tone[i] * static_cast<double>(h) / c.rate) + level[i] * unit(rng);
            a[h * c.M + i] = b[h * c.M + i] = static_cast<float>(x * w);
        }
    }
}

// Magnitude of the sums of channel i at n periods with the phase reduced exactly:
// (h - 1/2) n / H periods = ((2h - 1) n mod 2H) / 2H, in long double.
long double ExactMagnitude(const oracle::DirectSums& d, int i, int64_t n) {
    const int64_t twoH = 2 * d.H;
    const int64_t step = static_cast<int64_t>((static_cast<unsigned __int128>(n < 0 ? -n : n) % twoH));
    long double re = 0, im = 0;
    for (int64_t h = 1; h < d.H; ++h) {
        const float b = d.windowed[h * d.M + i] + d.windowed[(h - 1) * d.M + i];
        const int64_t k = static_cast<int64_t>((static_cast<unsigned __int128>(2 * h - 1) * step) % twoH);
        const long double a = 3.14159265358979323846264338327950288L * k / d.H;
        re += b * std::cos(a);
        im += b * std::sin(a);
    }
    return std::sqrt(re * re + im * im);
}

} // namespace

TEST(SpectrumFftw, DirectSumsAreOneDftPerChannelOnRandomInputs) {
    std::mt19937_64 rng(2024);
    const std::vector<int64_t> lengths = {2, 3, 7, 1009, 4099, 4999, 2048, 3000, 4410, 4800};
    for (int trial = 0; trial < 20; ++trial) {
        RandomCase c;
        c.rate = trial % 3 == 0 ? 48000.0 : trial % 3 == 1 ? 44100.0 : 1000.0;
        c.H = trial < static_cast<int>(lengths.size()) ? lengths[trial]
                                                       : std::uniform_int_distribution<int64_t>(2, 5000)(rng);
        c.J = std::uniform_int_distribution<int64_t>(1, 120)(rng);
        c.M = 1 + trial % 3;
        c.window = trial % 5;
        // Even trials: a band below half the rate that holds the tones. Odd ones: bands up to
        // twice the rate (analysis frequencies past H/2 and past H periods), tones anywhere.
        const bool toneInBand = trial % 2 == 0;
        const double lower = std::uniform_real_distribution<double>(0.0, c.rate / (toneInBand ? 4 : 2))(rng);
        const double upper = toneInBand ? std::uniform_real_distribution<double>(lower + 10.0, c.rate / 2)(rng)
                                        : std::uniform_real_distribution<double>(lower + 1.0, 2.0 * c.rate)(rng);
        c.lowerW = kTwoPi * lower;
        c.upperW = kTwoPi * upper;
        SCOPED_TRACE(testing::Message() << "trial " << trial << " H " << c.H << " J " << c.J << " M " << c.M
                                        << " rate " << c.rate << " " << lower << ".." << upper);
        const double T = static_cast<double>(c.H) / c.rate;

        oracle::DirectSums slow;
        DirectSums fast;
        ASSERT_TRUE(slow.Allocate(c.H, c.J, c.M));
        ASSERT_TRUE(fast.Allocate(c.H, c.J, c.M));
        FillSignal(rng, c, toneInBand ? lower : 0.0, toneInBand ? upper : c.rate / 2, slow.windowed.get(),
                   fast.windowed.get());
        for (int64_t S = 0; S < c.J; ++S) {
            slow.freq[S] = AnalysisFrequency(c.lowerW, c.upperW, S, c.J, T);
            fast.periods[S] = AnalysisPeriods(c.lowerW, c.upperW, S, c.J, T);
        }
        slow.Run(0, c.J, c.rate);
        const RealFftHold plan = RealFftPlanFor(static_cast<size_t>(c.H));
        ASSERT_TRUE(plan);
        AlignedDoubles work(RealFftOutputDoubles(static_cast<size_t>(c.H)));
        for (int i = 0; i < c.M; ++i)
            fast.Channel(i, *plan, work.data());

        // Each sum, sine and cosine apart, is the DFT bin turned by half a sample; the former
        // sums round their arguments, so they are compared relative to the sum of |b_h|.
        for (int i = 0; i < c.M; ++i) {
            double l1 = 0;
            for (int64_t h = 1; h < c.H; ++h)
                l1 += std::fabs(static_cast<double>(slow.windowed[h * c.M + i] + slow.windowed[(h - 1) * c.M + i]));
            for (int64_t S = 0; S < c.J; ++S) {
                ASSERT_NEAR(fast.cosSum[S * c.M + i], slow.cosSum[S * c.M + i], 1e-12 * l1) << S;
                ASSERT_NEAR(fast.sinSum[S * c.M + i], slow.sinSum[S * c.M + i], 1e-12 * l1) << S;
            }
        }
        std::vector<double> a(static_cast<size_t>(c.J * c.M)), b(a.size()), x(a.size());
        fast.Magnitudes(T, c.rate, a.data());
        slow.Magnitudes(T, c.rate, b.data());
        for (int64_t S = 0; S < c.J; ++S)
            for (int i = 0; i < c.M; ++i)
                x[S * c.M + i] = static_cast<double>(ExactMagnitude(slow, i, fast.periods[S]) * 0.5L / c.H);
        for (int i = 0; i < c.M; ++i)
            for (std::vector<double>* v : {&a, &b, &x})
                ToDecibels(*v, static_cast<size_t>(c.J), static_cast<size_t>(c.M), static_cast<size_t>(i));
        // Against the exact sums always; against the former ones where the band holds the
        // signal (otherwise their rounding of t x w, relative to the whole signal, dominates).
        for (size_t k = 0; k < a.size(); ++k) {
            ExpectDecibelsAgree(a[k], x[k], "exact, value " + std::to_string(k));
            if (toneInBand)
                ExpectDecibelsAgree(a[k], b[k], "former, value " + std::to_string(k));
        }
        if (HasFailure())
            return;
    }
}

TEST(SpectrumFftw, AnalysisFrequenciesAreWholePeriods) {
    EXPECT_EQ(AnalysisPeriods(0, kTwoPi * 100, 50, 101, 1.0), 50);
    EXPECT_EQ(AnalysisPeriods(0, kTwoPi * 100, 51, 101, 1.0), 50);
    EXPECT_EQ(AnalysisPeriods(0, kTwoPi * 100, 0, 101, 1.0), 0);
    EXPECT_DOUBLE_EQ(AnalysisFrequency(0, kTwoPi * 100, 50, 101, 1.0), kTwoPi * 50);
    EXPECT_DOUBLE_EQ(AnalysisFrequency(0, kTwoPi * 100, 51, 101, 1.0), kTwoPi * 50);
    EXPECT_EQ(AnalysisFrequency(0, kTwoPi * 100, 0, 101, 1.0), 0.0);
}

TEST(SpectrumFftw, FftMagnitudesMatchTheFormerTransform) {
    std::mt19937_64 rng(99);
    std::normal_distribution<double> noise(0.0, 1.0);
    for (int k = 0; k <= 20; k += (k < 16 ? 1 : 4)) {
        const size_t N = size_t{1} << k;
        std::vector<double> x(N), fast(N), packed(N), plain(N);
        for (size_t j = 0; j < N; ++j)
            x[j] = noise(rng) + 5.0 * std::cos(kTwoPi * 3.0 * static_cast<double>(j) / static_cast<double>(N));
        ASSERT_TRUE(FftMagnitudes(x.data(), fast.data(), N));
        ASSERT_TRUE(oracle::FftMagnitudes(x.data(), packed.data(), N));
        ASSERT_TRUE(oracle::FftMagnitudesReference(x.data(), plain.data(), N));
        const double largest = *std::max_element(packed.begin(), packed.end());
        for (size_t b = 0; b < N; ++b) {
            ASSERT_NEAR(fast[b], packed[b], 1e-12 * largest) << N << " bin " << b;
            ASSERT_NEAR(fast[b], plain[b], 1e-12 * largest) << N << " bin " << b;
        }
    }
}

TEST(SpectrumFftw, PlansAreSharedAndOnlyAFewSmallOnesKept) {
    const RealFftHold a = RealFftPlanFor(4096);
    const RealFftHold b = RealFftPlanFor(4096);
    ASSERT_TRUE(a);
    EXPECT_EQ(a.get(), b.get());
    EXPECT_EQ(RealFftLength(*a), 4096u);
    EXPECT_FALSE(RealFftPlanFor(0));
    for (size_t n = 100; n < 120; ++n)
        ASSERT_TRUE(RealFftPlanFor(n));
    EXPECT_LE(KeptRealFftPlans(), 4u);
    // A large plan is not kept once let go.
    const std::weak_ptr<const RealFftPlan> big = RealFftPlanFor(size_t{1} << 22);
    EXPECT_TRUE(big.expired());
    // Large prime factors are costed higher than smooth lengths of the same size.
    EXPECT_GT(EstimateRealFftCost(1000003).scratchBytes, EstimateRealFftCost(1000000).scratchBytes);
}

TEST(SpectrumFftw, PlansMadeAndRunFromSeveralThreadsAtOnce) {
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &wrong] {
            for (int round = 0; round < 20; ++round) {
                const size_t N = size_t{1} << (6 + (t + round) % 8);
                std::vector<double> x(N), fast(N), ref(N);
                for (size_t j = 0; j < N; ++j)
                    x[j] = std::sin(0.1 * static_cast<double>(j * (t + 1))) + static_cast<double>(j % 7);
                if (!FftMagnitudes(x.data(), fast.data(), N) || !oracle::FftMagnitudes(x.data(), ref.data(), N)) {
                    ++wrong;
                    continue;
                }
                const double largest = *std::max_element(ref.begin(), ref.end());
                for (size_t b = 0; b < N; ++b)
                    if (std::fabs(fast[b] - ref[b]) > 1e-12 * largest)
                        ++wrong;
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(wrong.load(), 0);
}
