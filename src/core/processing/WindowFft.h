#pragma once
// Window functions, FFT magnitudes and the choice of the FFT span around the cursors.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace vistrel {

enum WindowType : int32_t {
    WINDOW_RECTANGULAR = 0,
    WINDOW_GAUSS = 1,
    WINDOW_HAMMING = 2,
    WINDOW_HANN = 3,
    WINDOW_BLACKMAN_HARRIS = 4,
};
constexpr double kTwoPi = 6.283185307179586;

// Coefficient of window `type` at position n of a span of L samples (1 for L <= 1).
double WindowCoefficient(int32_t type, double n, double L);

// Magnitudes of the radix-2 DFT of a real sequence of N (a power of two) values, scaled by 2/N.
// Returns false when N is not a power of two or the work array cannot be allocated.
bool FftMagnitudes(const double* input, double* output, size_t N);
// The same, computed butterfly by butterfly in the plain radix-2 order (the yardstick of
// FftMagnitudes, which packs the real input into N/2 complex points).
bool FftMagnitudesReference(const double* input, double* output, size_t N);

// Keeps the tables of N-point transforms alive between calls of FftMagnitudes (several groups
// of channels); they are freed once every hold and running transform has let go. Null when
// they cannot be allocated.
using FftTablesHold = std::shared_ptr<const void>;
FftTablesHold HoldFftTables(size_t N);

struct FftSpan {
    int64_t n = 0;
    int64_t start = 0;
    int64_t end = 0;
};
// Power-of-two span covering the fragment between two cursors of a recording of K samples.
FftSpan ChooseFftSpan(int64_t cursor1, int64_t cursor2, int64_t sampleCount);

} // namespace vistrel
