#include "core/processing/WindowFft.h"

#include <algorithm>
#include <cmath>

#include "core/processing/RealFft.h"

namespace vistrel {

double WindowCoefficient(int32_t type, double n, double L) {
    const double d = L - 1.0;
    if (type >= WINDOW_RECTANGULAR && type <= WINDOW_BLACKMAN_HARRIS && !(d > 0.0))
        return 1.0; // a single sample: the formulas would divide by zero
    switch (type) {
    case WINDOW_RECTANGULAR:
        return 1.0;
    case WINDOW_GAUSS: {
        const double z = (n - d / 2.0) / (d / 4.0);
        return std::exp(-0.5 * z * z);
    }
    case WINDOW_HAMMING:
        return 0.54 - 0.46 * std::cos(kTwoPi * n / d);
    case WINDOW_HANN:
        return 0.5 * (1.0 - std::cos(kTwoPi * n / d));
    case WINDOW_BLACKMAN_HARRIS:
        return 0.35875 - 0.48829 * std::cos(kTwoPi * n / d) +
               0.14128 * std::cos(2.0 * kTwoPi * n / d) - 0.01168 * std::cos(3.0 * kTwoPi * n / d);
    default:
        return 0.0;
    }
}

void SpectrumMagnitudes(const double* spectrum, size_t N, size_t b0, size_t b1, double* out) {
    const double scale = static_cast<double>(N);
    for (size_t b = b0; b < b1; ++b) {
        const size_t k = b <= N / 2 ? b : N - b; // the mirror of a bin above N/2
        const double re = spectrum[2 * k], im = spectrum[2 * k + 1];
        out[b - b0] = 2.0 * std::sqrt(re * re + im * im) / scale;
    }
}

bool FftMagnitudes(const double* input, double* output, size_t N) {
    if (N == 0 || (N & (N - 1)) != 0)
        return false;
    const RealFftHold plan = RealFftPlanFor(N);
    AlignedDoubles spectrum(RealFftOutputDoubles(N));
    if (!plan || !spectrum)
        return false;
    std::copy(input, input + N, spectrum.data());
    ExecuteRealFft(*plan, spectrum.data());
    SpectrumMagnitudes(spectrum.data(), N, 0, N, output);
    return true;
}

FftSpan ChooseFftSpan(int64_t cursor1, int64_t cursor2, int64_t sampleCount) {
    FftSpan span;
    const int64_t s0 = cursor1 < cursor2 ? cursor1 : cursor2;
    const int64_t e0 = cursor1 < cursor2 ? cursor2 : cursor1;
    if (s0 == e0)
        return span;
    int64_t n = 1;
    while (n < e0 - s0 && n < (int64_t{1} << 62))
        n <<= 1;
    if (n > sampleCount)
        n /= 2;
    const int64_t mid = (s0 + e0) / 2;
    int64_t start = mid - n / 2;
    int64_t end = start + n;
    if (start < 0) {
        start = 0;
        end = n;
    } else if (end > sampleCount) {
        end = sampleCount;
        start = sampleCount - n;
    }
    span.n = n;
    span.start = start;
    span.end = end;
    return span;
}

} // namespace vistrel
