// The hand-written radix-2 FFT the program used before FFTW, kept as the yardstick of the
// FFTW transforms in the tests and the benchmarks.
#include "FftOracle.h"

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("O3")
#endif

#include <cmath>
#include <memory>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include "core/processing/WindowFft.h"

namespace vistrel::oracle {

namespace {

struct Complex {
    double re, im;
};

// Twiddles of the stage of M points: w_j for j = 0..M/2-1 by the recurrence that multiplies
// by exp(i theta), theta = -2 pi / M, exactly as the butterfly loop would advance them.
void StageTwiddles(size_t M, double* re, double* im) {
    const double theta = -kTwoPi / static_cast<double>(M);
    const double s = std::sin(theta / 2.0);
    const double alpha = 2.0 * s * s;
    const double beta = std::sin(theta);
    double wr = 1.0, wi = 0.0;
    for (size_t j = 0; j < M / 2; ++j) {
        re[j] = wr;
        im[j] = wi;
        const double nr = wr - (alpha * wr + beta * wi);
        const double ni = wi + (beta * wr - alpha * wi);
        wr = nr;
        wi = ni;
    }
}

// The transform of the packed points runs on separate arrays of real and imaginary parts so
// that the butterfly loops vectorise; every butterfly does the arithmetic of the plain order.

// One stage of M = 2H points on groups (lo, hi) with twiddles w.
void StageSoA(double* __restrict lr, double* __restrict li, double* __restrict hr,
              double* __restrict hi, const double* __restrict wr, const double* __restrict wi,
              size_t H) {
    for (size_t j = 0; j < H; ++j) {
        const double tr = wr[j] * hr[j] - wi[j] * hi[j];
        const double ti = wr[j] * hi[j] + wi[j] * hr[j];
        hr[j] = lr[j] - tr;
        hi[j] = li[j] - ti;
        lr[j] = lr[j] + tr;
        li[j] = li[j] + ti;
    }
}

// Stage 2q on the pairs (0,1) and (2,3) of four quarters, then stage 4q on (0,2) and (1,3).
void TwoStagesSoA(double* __restrict r0, double* __restrict i0, double* __restrict r1,
                  double* __restrict i1, double* __restrict r2, double* __restrict i2,
                  double* __restrict r3, double* __restrict i3, const double* __restrict ur,
                  const double* __restrict ui, const double* __restrict vr,
                  const double* __restrict vi, const double* __restrict xr,
                  const double* __restrict xi, size_t q) {
    for (size_t j = 0; j < q; ++j) {
        double tr = ur[j] * r1[j] - ui[j] * i1[j], ti = ur[j] * i1[j] + ui[j] * r1[j];
        const double a1r = r0[j] - tr, a1i = i0[j] - ti;
        const double a0r = r0[j] + tr, a0i = i0[j] + ti;
        tr = ur[j] * r3[j] - ui[j] * i3[j], ti = ur[j] * i3[j] + ui[j] * r3[j];
        const double a3r = r2[j] - tr, a3i = i2[j] - ti;
        const double a2r = r2[j] + tr, a2i = i2[j] + ti;
        tr = vr[j] * a2r - vi[j] * a2i, ti = vr[j] * a2i + vi[j] * a2r;
        r2[j] = a0r - tr, i2[j] = a0i - ti;
        r0[j] = a0r + tr, i0[j] = a0i + ti;
        tr = xr[j] * a3r - xi[j] * a3i, ti = xr[j] * a3i + xi[j] * a3r;
        r3[j] = a1r - tr, i3[j] = a1i - ti;
        r1[j] = a1r + tr, i1[j] = a1i + ti;
    }
}

struct Twiddles {
    const double* re; // stage M at offset M/2 - 1
    const double* im;
};

// Stages n/2 and n of a block of n points in one pass.
inline void TwoStages(double* re, double* im, size_t n, Twiddles tw) {
    const size_t q = n / 4;
    const size_t o1 = n / 4 - 1, o2 = n / 2 - 1;
    TwoStagesSoA(re, im, re + q, im + q, re + 2 * q, im + 2 * q, re + 3 * q, im + 3 * q,
                 tw.re + o1, tw.im + o1, tw.re + o2, tw.im + o2, tw.re + o2 + q, tw.im + o2 + q, q);
}

// Stages M = 2..n of a block already in bit-reversed order, two at a time. Large blocks go
// depth first so that the stages of their quarters run in cache.
void Stages(double* re, double* im, size_t n, Twiddles tw) {
    constexpr size_t kLeaf = 16384;
    if (n <= kLeaf) {
        size_t M = 2;
        if (n >= 4) {
            // Stages 2 and 4 on groups of four points.
            const double ur = tw.re[0], ui = tw.im[0];
            const double vr0 = tw.re[1], vi0 = tw.im[1], vr1 = tw.re[2], vi1 = tw.im[2];
            for (size_t g = 0; g < n; g += 4) {
                double* r = re + g;
                double* i = im + g;
                double tr = ur * r[1] - ui * i[1], ti = ur * i[1] + ui * r[1];
                const double a1r = r[0] - tr, a1i = i[0] - ti, a0r = r[0] + tr, a0i = i[0] + ti;
                tr = ur * r[3] - ui * i[3], ti = ur * i[3] + ui * r[3];
                const double a3r = r[2] - tr, a3i = i[2] - ti, a2r = r[2] + tr, a2i = i[2] + ti;
                tr = vr0 * a2r - vi0 * a2i, ti = vr0 * a2i + vi0 * a2r;
                r[2] = a0r - tr, i[2] = a0i - ti, r[0] = a0r + tr, i[0] = a0i + ti;
                tr = vr1 * a3r - vi1 * a3i, ti = vr1 * a3i + vi1 * a3r;
                r[3] = a1r - tr, i[3] = a1i - ti, r[1] = a1r + tr, i[1] = a1i + ti;
            }
            M = 8;
        }
        for (; 2 * M <= n; M *= 4)
            for (size_t g = 0; g < n; g += 2 * M)
                TwoStages(re + g, im + g, 2 * M, tw);
        if (M <= n)
            for (size_t g = 0; g < n; g += M)
                StageSoA(re + g, im + g, re + g + M / 2, im + g + M / 2, tw.re + (M / 2 - 1),
                         tw.im + (M / 2 - 1), M / 2);
        return;
    }
    // Above the leaves one stage per pass: four streams stay clear of cache-set conflicts.
    const size_t h = n / 2;
    Stages(re, im, h, tw);
    Stages(re + h, im + h, h, tw);
    StageSoA(re, im, re + h, im + h, tw.re + (h - 1), tw.im + (h - 1), h);
}

// Twiddles of every stage up to N points (stage M at offset M/2 - 1) and the bit-reversed
// order of N/2 points. The channels of one spectrum share them; they are freed when the last
// holder lets go.
struct FftTables {
    std::vector<double> re, im;
    std::vector<uint32_t> reversed;
};

std::shared_ptr<const FftTables> Tables(size_t N) {
    // Built under the lock: the channel workers of one spectrum wait for one table.
    static std::mutex mutex;
    static std::weak_ptr<const FftTables> cached;
    std::lock_guard lock(mutex);
    if (auto held = cached.lock(); held && held->re.size() == N)
        return held;
    std::shared_ptr<FftTables> t;
    try {
        t = std::make_shared<FftTables>();
        t->re.resize(N);
        t->im.resize(N);
        t->reversed.resize(N / 2);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    for (size_t M = 2; M <= N; M <<= 1)
        StageTwiddles(M, t->re.data() + (M / 2 - 1), t->im.data() + (M / 2 - 1));
    t->re[N - 1] = 0.0; // the slot past the last stage, never read
    t->im[N - 1] = 0.0;
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
    // One buffer for both parts, the imaginary ones 520 bytes further than a page multiple so
    // that the two streams never fall on the same cache sets.
    constexpr size_t kPad = 65;
    std::unique_ptr<double[]> z(new (std::nothrow) double[2 * h + kPad]);
    const std::shared_ptr<const FftTables> tables = Tables(N);
    if (!z || !tables)
        return false;
    double* const zr = z.get();
    double* const zi = z.get() + h + kPad;
    const Twiddles tw{tables->re.data(), tables->im.data()};
    const double* lastR = tw.re + (h - 1); // stage N
    const double* lastI = tw.im + (h - 1);
    const uint32_t* reversed = tables->reversed.data();
    for (size_t k = 0; k < h; ++k) {
        zr[reversed[k]] = input[2 * k];
        zi[reversed[k]] = input[2 * k + 1];
    }
    Stages(zr, zi, h, tw);

    const double scale = static_cast<double>(N);
    for (size_t b = 0; b < h; ++b) {
        const size_t c = (h - b) & (h - 1);
        const double pr = zr[b], pi = zi[b], qr = zr[c], qi = zi[c];
        // E = (p + conj q) / 2, O = (p - conj q) / 2i
        const double er = 0.5 * (pr + qr), ei = 0.5 * (pi - qi);
        const double orr = 0.5 * (pi + qi), oi = -0.5 * (pr - qr);
        const double tr = lastR[b] * orr - lastI[b] * oi;
        const double ti = lastR[b] * oi + lastI[b] * orr;
        const double xr = er + tr, xi = ei + ti;
        const double yr = er - tr, yi = ei - ti;
        output[b] = 2.0 * std::sqrt(xr * xr + xi * xi) / scale;
        output[b + h] = 2.0 * std::sqrt(yr * yr + yi * yi) / scale;
    }
    return true;
}

FftTablesHold HoldFftTables(size_t N) {
    if (N < 8 || (N & (N - 1)) != 0 || N > (size_t{1} << 32))
        return std::make_shared<int>(0); // no tables are used for these lengths
    return Tables(N);
}

} // namespace vistrel::oracle
