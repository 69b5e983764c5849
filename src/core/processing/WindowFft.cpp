#include "core/processing/WindowFft.h"

#include <cmath>
#include <memory>
#include <new>
#include <vector>

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

namespace {
struct Complex {
    double re, im;
};
} // namespace

bool FftMagnitudes(const double* input, double* output, size_t N) {
    if (N == 0 || (N & (N - 1)) != 0)
        return false;
    std::unique_ptr<Complex[]> a(new (std::nothrow) Complex[N]);
    // Twiddles of one stage; the recurrence is sequential in j, so a table holds exactly the
    // values the butterfly loop would produce, and the groups can then run in memory order.
    std::unique_ptr<Complex[]> w(new (std::nothrow) Complex[N / 2 + 1]);
    if (!a || !w)
        return false;

    // Bit-reversed copy of the input, the reversed index counted up directly.
    for (size_t k = 0, r = 0; k < N; ++k) {
        a[r] = Complex{input[k], 0.0};
        size_t bit = N >> 1;
        while (bit != 0 && (r & bit) != 0) {
            r ^= bit;
            bit >>= 1;
        }
        r |= bit;
    }

    for (size_t M = 2; M <= N; M <<= 1) {
        const size_t H = M / 2;
        const double theta = -kTwoPi / static_cast<double>(M);
        const double s = std::sin(theta / 2.0);
        const double alpha = 2.0 * s * s;
        const double beta = std::sin(theta);
        double wr = 1.0, wi = 0.0;
        for (size_t j = 0; j < H; ++j) {
            w[j] = Complex{wr, wi};
            const double nr = wr - (alpha * wr + beta * wi);
            const double ni = wi + (beta * wr - alpha * wi);
            wr = nr;
            wi = ni;
        }
        for (size_t g = 0; g < N; g += M) {
            Complex* lo = a.get() + g;
            Complex* hi = lo + H;
            for (size_t j = 0; j < H; ++j) {
                const double tr = w[j].re * hi[j].re - w[j].im * hi[j].im;
                const double ti = w[j].re * hi[j].im + w[j].im * hi[j].re;
                hi[j].re = lo[j].re - tr;
                hi[j].im = lo[j].im - ti;
                lo[j].re = lo[j].re + tr;
                lo[j].im = lo[j].im + ti;
            }
        }
    }
    const double scale = static_cast<double>(N);
    for (size_t b = 0; b < N; ++b)
        output[b] = 2.0 * std::sqrt(a[b].re * a[b].re + a[b].im * a[b].im) / scale;
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
