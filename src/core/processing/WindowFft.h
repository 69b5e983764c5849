#pragma once
// Window functions, FFT magnitudes and the choice of the FFT span around the cursors.
#include <cstddef>
#include <cstdint>

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

// Magnitudes of the DFT of a real sequence of N (a power of two) values, scaled by 2/N, for
// every bin 0..N-1 (those above N/2 mirror those below). False when N is not a power of two
// or the transform cannot be made.
bool FftMagnitudes(const double* input, double* output, size_t N);
// Magnitudes 2|X_b|/N of the bins b0..b1-1 (below N) of an N-point transform that
// ExecuteRealFft wrote into `spectrum`, into out[0 .. b1-b0-1].
void SpectrumMagnitudes(const double* spectrum, size_t N, size_t b0, size_t b1, double* out);

struct FftSpan {
    int64_t n = 0;
    int64_t start = 0;
    int64_t end = 0;
};
// Power-of-two span covering the fragment between two cursors of a recording of K samples.
FftSpan ChooseFftSpan(int64_t cursor1, int64_t cursor2, int64_t sampleCount);

} // namespace vistrel
