#include "core/processing/WindowFft.h"

#include <cmath>
#include <memory>
#include <new>
#include <mutex>
#include <utility>
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

// Twiddles of the stage of M points: w_j for j = 0..M/2-1 by the recurrence that multiplies
// by exp(i theta), theta = -2 pi / M, exactly as the butterfly loop would advance them.
void StageTwiddles(size_t M, Complex* w) {
    const double theta = -kTwoPi / static_cast<double>(M);
    const double s = std::sin(theta / 2.0);
    const double alpha = 2.0 * s * s;
    const double beta = std::sin(theta);
    double wr = 1.0, wi = 0.0;
    for (size_t j = 0; j < M / 2; ++j) {
        w[j] = Complex{wr, wi};
        const double nr = wr - (alpha * wr + beta * wi);
        const double ni = wi + (beta * wr - alpha * wi);
        wr = nr;
        wi = ni;
    }
}

inline void Butterflies(Complex* lo, Complex* hi, const Complex* w, size_t H) {
    for (size_t j = 0; j < H; ++j) {
        const double tr = w[j].re * hi[j].re - w[j].im * hi[j].im;
        const double ti = w[j].re * hi[j].im + w[j].im * hi[j].re;
        hi[j].re = lo[j].re - tr;
        hi[j].im = lo[j].im - ti;
        lo[j].re = lo[j].re + tr;
        lo[j].im = lo[j].im + ti;
    }
}

// Stages n/2 and n of a block of n points in one pass: stage n/2 on both halves, then stage n,
// the same butterflies element by element. `tw`: twiddles of every stage, stage M at M/2 - 1.
template <size_t kFixedQ = 0>
inline void TwoStages(Complex* a, size_t n, const Complex* tw) {
    const size_t q = kFixedQ != 0 ? kFixedQ : n / 4;
    const Complex* w1 = tw + (n / 4 - 1); // stage n/2
    const Complex* w2 = tw + (n / 2 - 1); // stage n
    for (size_t j = 0; j < q; ++j) {
        Complex& a0 = a[j];
        Complex& a1 = a[j + q];
        Complex& a2 = a[j + 2 * q];
        Complex& a3 = a[j + 3 * q];
        const Complex u = w1[j];
        double tr = u.re * a1.re - u.im * a1.im, ti = u.re * a1.im + u.im * a1.re;
        a1.re = a0.re - tr, a1.im = a0.im - ti;
        a0.re = a0.re + tr, a0.im = a0.im + ti;
        tr = u.re * a3.re - u.im * a3.im, ti = u.re * a3.im + u.im * a3.re;
        a3.re = a2.re - tr, a3.im = a2.im - ti;
        a2.re = a2.re + tr, a2.im = a2.im + ti;
        const Complex v = w2[j];
        tr = v.re * a2.re - v.im * a2.im, ti = v.re * a2.im + v.im * a2.re;
        a2.re = a0.re - tr, a2.im = a0.im - ti;
        a0.re = a0.re + tr, a0.im = a0.im + ti;
        const Complex x = w2[j + q];
        tr = x.re * a3.re - x.im * a3.im, ti = x.re * a3.im + x.im * a3.re;
        a3.re = a1.re - tr, a3.im = a1.im - ti;
        a1.re = a1.re + tr, a1.im = a1.im + ti;
    }
}

// Stages M = 2..n of a block already in bit-reversed order, two at a time. Large blocks go
// depth first so that the stages of their quarters run in cache.
void Stages(Complex* a, size_t n, const Complex* tw) {
    constexpr size_t kLeaf = 2048;
    if (n <= kLeaf) {
        size_t M = 2;
        if (n >= 4) {
            for (size_t g = 0; g < n; g += 4)
                TwoStages<1>(a + g, 4, tw);
            M = 8;
        }
        for (; 2 * M <= n; M *= 4)
            for (size_t g = 0; g < n; g += 2 * M)
                TwoStages(a + g, 2 * M, tw);
        if (M <= n)
            for (size_t g = 0; g < n; g += M)
                Butterflies(a + g, a + g + M / 2, tw + (M / 2 - 1), M / 2);
        return;
    }
    const size_t q = n / 4;
    for (int part = 0; part < 4; ++part)
        Stages(a + part * q, q, tw);
    TwoStages(a, n, tw);
}

// Twiddles of every stage up to N points (stage M at offset M/2 - 1) and the bit-reversed
// order of N/2 points, kept for the last N asked for: the channels of one spectrum share them.
struct FftTables {
    std::vector<Complex> twiddles;
    std::vector<uint32_t> reversed;
};

std::shared_ptr<const FftTables> Tables(size_t N) {
    static std::mutex mutex;
    static std::shared_ptr<const FftTables> cached;
    {
        std::lock_guard lock(mutex);
        if (cached && cached->twiddles.size() == N)
            return cached;
    }
    std::shared_ptr<FftTables> t;
    try {
        t = std::make_shared<FftTables>();
        t->twiddles.resize(N);
        t->reversed.resize(N / 2);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    for (size_t M = 2; M <= N; M <<= 1)
        StageTwiddles(M, t->twiddles.data() + (M / 2 - 1));
    const size_t h = N / 2;
    for (size_t k = 0, r = 0; k < h; ++k) {
        t->reversed[k] = static_cast<uint32_t>(r);
        size_t bit = h >> 1;
        while (bit != 0 && (r & bit) != 0) {
            r ^= bit;
            bit >>= 1;
        }
        r |= bit;
    }
    std::lock_guard lock(mutex);
    cached = t;
    return t;
}

} // namespace

bool FftMagnitudesReference(const double* input, double* output, size_t N) {
    if (N == 0 || (N & (N - 1)) != 0)
        return false;
    std::unique_ptr<Complex[]> a(new (std::nothrow) Complex[N]);
    if (!a)
        return false;
    for (size_t k = 0; k < N; ++k)
        a[k] = Complex{input[k], 0.0};
    for (size_t k = 0, r = 0; k < N; ++k) {
        if (k < r)
            std::swap(a[k], a[r]);
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
            for (size_t g = 0; g < N; g += M) {
                Complex& lo = a[g + j];
                Complex& hi = a[g + j + H];
                const double tr = wr * hi.re - wi * hi.im;
                const double ti = wr * hi.im + wi * hi.re;
                hi.re = lo.re - tr;
                hi.im = lo.im - ti;
                lo.re = lo.re + tr;
                lo.im = lo.im + ti;
            }
            const double nr = wr - (alpha * wr + beta * wi);
            const double ni = wi + (beta * wr - alpha * wi);
            wr = nr;
            wi = ni;
        }
    }
    for (size_t b = 0; b < N; ++b)
        output[b] = 2.0 * std::sqrt(a[b].re * a[b].re + a[b].im * a[b].im) / static_cast<double>(N);
    return true;
}

bool FftMagnitudes(const double* input, double* output, size_t N) {
    if (N == 0 || (N & (N - 1)) != 0)
        return false;
    if (N < 8)
        return FftMagnitudesReference(input, output, N);
    // The real sequence as N/2 complex values z_k = x_2k + i x_2k+1: their transform gives the
    // transforms E and O of the even and odd samples, which the last stage of N points
    // combines with its own twiddles.
    const size_t h = N / 2;
    if (N > (size_t{1} << 32))
        return false; // the bit-reversal table holds 32-bit indices
    std::unique_ptr<Complex[]> z(new (std::nothrow) Complex[h]);
    const std::shared_ptr<const FftTables> tables = Tables(N);
    if (!z || !tables)
        return false;
    const Complex* tw = tables->twiddles.data();
    const Complex* last = tw + (h - 1); // stage N
    const uint32_t* reversed = tables->reversed.data();
    for (size_t k = 0; k < h; ++k)
        z[reversed[k]] = Complex{input[2 * k], input[2 * k + 1]};
    Stages(z.get(), h, tw);

    const double scale = static_cast<double>(N);
    for (size_t b = 0; b < h; ++b) {
        const Complex p = z[b];
        const Complex q = z[(h - b) & (h - 1)];
        // E = (p + conj q) / 2, O = (p - conj q) / 2i
        const double er = 0.5 * (p.re + q.re), ei = 0.5 * (p.im - q.im);
        const double orr = 0.5 * (p.im + q.im), oi = -0.5 * (p.re - q.re);
        const double tr = last[b].re * orr - last[b].im * oi;
        const double ti = last[b].re * oi + last[b].im * orr;
        const double xr = er + tr, xi = ei + ti;
        const double yr = er - tr, yi = ei - ti;
        output[b] = 2.0 * std::sqrt(xr * xr + xi * xi) / scale;
        output[b + h] = 2.0 * std::sqrt(yr * yr + yi * yi) / scale;
    }
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
