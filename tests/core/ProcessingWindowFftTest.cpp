#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "FftOracle.h"
#include "core/processing/WindowFft.h"

using namespace vistrel;

TEST(ProcessingWindow, Coefficients) {
    for (double n : {0.0, 3.0, 9.0})
        EXPECT_EQ(WindowCoefficient(WINDOW_RECTANGULAR, n, 10), 1.0);
    EXPECT_NEAR(WindowCoefficient(WINDOW_HANN, 0, 11), 0.0, 1e-15);
    EXPECT_NEAR(WindowCoefficient(WINDOW_HANN, 10, 11), 0.0, 1e-15);
    EXPECT_NEAR(WindowCoefficient(WINDOW_HANN, 5, 11), 1.0, 1e-15);
    EXPECT_NEAR(WindowCoefficient(WINDOW_HAMMING, 0, 11), 0.08, 1e-15);
    EXPECT_NEAR(WindowCoefficient(WINDOW_GAUSS, 5, 11), 1.0, 1e-15);
    EXPECT_NEAR(WindowCoefficient(WINDOW_GAUSS, 0, 11), std::exp(-2.0), 1e-15);
    EXPECT_NEAR(WindowCoefficient(WINDOW_GAUSS, 10, 11), std::exp(-2.0), 1e-15);
    EXPECT_NEAR(WindowCoefficient(WINDOW_BLACKMAN_HARRIS, 0, 11), 0.00006, 1e-12);
    EXPECT_NEAR(WindowCoefficient(WINDOW_BLACKMAN_HARRIS, 5, 11), 1.0, 1e-12);
    EXPECT_EQ(WindowCoefficient(7, 1, 10), 0.0);
    // A single sample: every window gives 1 instead of dividing by zero.
    for (int type = 0; type <= 4; ++type)
        EXPECT_EQ(WindowCoefficient(type, 0, 1), 1.0) << type;
}

TEST(ProcessingFft, MagnitudesOfSimpleSignals) {
    std::vector<double> in(8), out(8);
    for (int k = 0; k < 8; ++k)
        in[k] = std::cos(kTwoPi * 2 * k / 8);
    ASSERT_TRUE(FftMagnitudes(in.data(), out.data(), 8));
    for (int b = 0; b < 8; ++b)
        EXPECT_NEAR(out[b], (b == 2 || b == 6) ? 1.0 : 0.0, 1e-12) << b;

    std::fill(in.begin(), in.end(), 3.0);
    ASSERT_TRUE(FftMagnitudes(in.data(), out.data(), 8));
    EXPECT_NEAR(out[0], 6.0, 1e-12);
    for (int b = 1; b < 8; ++b)
        EXPECT_NEAR(out[b], 0.0, 1e-12);

    // A sine of amplitude A in bin b of a larger transform, against a direct DFT.
    const size_t N = 1024;
    std::vector<double> x(N), m(N);
    for (size_t k = 0; k < N; ++k)
        x[k] = 2.5 * std::sin(kTwoPi * 37 * k / N) + 0.3 * std::cos(kTwoPi * 200 * k / N + 0.4);
    ASSERT_TRUE(FftMagnitudes(x.data(), m.data(), N));
    EXPECT_NEAR(m[37], 2.5, 1e-9);
    EXPECT_NEAR(m[N - 37], 2.5, 1e-9);
    EXPECT_NEAR(m[200], 0.3, 1e-9);
    for (size_t b : {0u, 1u, 100u, 511u})
        EXPECT_NEAR(m[b], 0.0, 1e-9);

    EXPECT_FALSE(FftMagnitudes(x.data(), m.data(), 1000)); // not a power of two
    double one = 4.0, mag = 0.0;
    ASSERT_TRUE(FftMagnitudes(&one, &mag, 1));
    EXPECT_EQ(mag, 8.0);
}

TEST(ProcessingFft, AgreesWithThePlainRadix2Order) {
    uint64_t state = 12345;
    auto next = [&] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state >> 11) / 9007199254740992.0 - 0.5;
    };
    for (size_t N : {1u, 2u, 4u, 8u, 16u, 1024u, 4096u, 65536u}) {
        std::vector<double> x(N), fast(N), ref(N);
        for (size_t k = 0; k < N; ++k)
            x[k] = next() + 3.0 * std::sin(kTwoPi * 5 * k / N);
        ASSERT_TRUE(FftMagnitudes(x.data(), fast.data(), N));
        ASSERT_TRUE(oracle::FftMagnitudesReference(x.data(), ref.data(), N));
        double largest = 0, diff = 0;
        for (size_t b = 0; b < N; ++b) {
            largest = std::max(largest, ref[b]);
            diff = std::max(diff, std::fabs(fast[b] - ref[b]));
        }
        EXPECT_LE(diff, 1e-12 * largest) << N;
    }
}

TEST(ProcessingFft, ChooseSpan) {
    FftSpan s = ChooseFftSpan(5000, 5100, 100000); // 100 apart: 128, centred
    EXPECT_EQ(s.n, 128);
    EXPECT_EQ(s.start, 5050 - 64);
    EXPECT_EQ(s.end, s.start + 128);
    s = ChooseFftSpan(5128, 5000, 100000); // 128 apart, either order: 128, not 256
    EXPECT_EQ(s.n, 128);
    s = ChooseFftSpan(10, 1010, 100000); // 1000 apart near the start
    EXPECT_EQ(s.n, 1024);
    EXPECT_EQ(s.start, 0);
    EXPECT_EQ(s.end, 1024);
    s = ChooseFftSpan(99000, 99990, 100000); // near the end
    EXPECT_EQ(s.end, 100000);
    EXPECT_EQ(s.start, 100000 - 1024);
    s = ChooseFftSpan(0, 99, 100); // 128 halved to 64, centred
    EXPECT_EQ(s.n, 64);
    EXPECT_EQ(s.start, 49 - 32);
    EXPECT_EQ(s.end, 49 + 32);
    s = ChooseFftSpan(7, 7, 100);
    EXPECT_EQ(s.n, 0);
    EXPECT_EQ(s.start, 0);
    EXPECT_EQ(s.end, 0);
}
