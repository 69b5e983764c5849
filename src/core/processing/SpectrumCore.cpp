#include "core/processing/SpectrumCore.h"

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("O3")
#endif

#include <cmath>
#include <cstring>
#include <algorithm>
#include <new>
#include <vector>

#include "core/processing/WindowFft.h"

namespace vistrel {

double AnalysisFrequency(double lowerW, double upperW, int64_t S, int64_t J, double T) {
    const double w = lowerW + static_cast<double>(S) * (upperW - lowerW) / static_cast<double>(J);
    const double periods = 2.0 * T / (kTwoPi / w);
    const int64_t m = std::isfinite(periods) && periods < 9e18 ? static_cast<int64_t>(periods) : 0;
    const int64_t n = m / 2 + (m % 2 != 0 ? 1 : 0);
    return kTwoPi * static_cast<double>(n) / T;
}

namespace {

// Sine and cosine of x (|x| <= kPolyLimit): x reduced by multiples of pi/2 with a two-part
// constant, then the classic minimax kernels on [-pi/4, pi/4]. Branch-free (quadrant selects
// on the bit patterns) so that the loop over the frequencies vectorises.
constexpr double kPolyLimit = 8e5;

inline uint64_t Bits(double d) {
    uint64_t u;
    std::memcpy(&u, &d, 8);
    return u;
}
inline double FromBits(uint64_t u) {
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}

inline void PolySinCos(double x, double& sinOut, double& cosOut) {
    constexpr double kInvPio2 = 6.36619772367581382433e-01;
    constexpr double kPio2Hi = 1.57079632673412561417e+00; // first 33 bits of pi/2
    constexpr double kPio2Lo = 6.07710050650619224932e-11; // pi/2 - kPio2Hi
    constexpr double kShift = 6755399441055744.0;          // 1.5 x 2^52
    const double shifted = x * kInvPio2 + kShift;
    const double fn = shifted - kShift; // x / (pi/2) rounded to nearest
    const uint64_t quadrant = Bits(shifted);  // its low two bits
    const double r = (x - fn * kPio2Hi) - fn * kPio2Lo;
    const double z = r * r;
    const double sp = 8.33333333332248946124e-03 +
                      z * (-1.98412698298579493134e-04 +
                           z * (2.75573137070700676789e-06 +
                                z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)));
    const double sr = r + (z * r) * (-1.66666666666666324348e-01 + z * sp);
    const double cp = z * (4.16666666666666019037e-02 +
                           z * (-1.38888888888741095749e-03 +
                                z * (2.48015872894767294178e-05 +
                                     z * (-2.75573143513906633035e-07 +
                                          z * (2.08757232129817482790e-09 +
                                               z * -1.13596475577881948265e-11)))));
    const double cr = 1.0 - (0.5 * z - z * cp);
    // Odd quadrants swap sine and cosine; the signs follow the quadrant.
    const uint64_t swap = 0 - (quadrant & 1);
    const uint64_t sb = Bits(sr), cb = Bits(cr);
    const uint64_t s = (sb & ~swap) | (cb & swap);
    const uint64_t c = (cb & ~swap) | (sb & swap);
    sinOut = FromBits(s ^ ((quadrant & 2) << 62));
    cosOut = FromBits(c ^ (((quadrant ^ (quadrant >> 1)) & 1) << 63));
}

// Zeroed: for sums; otherwise the pages are left untouched until the buffer is filled.
template <typename T>
std::unique_ptr<T[]> Allocated(uint64_t count, bool zeroed) {
    if (count == 0)
        count = 1;
    if (count > (uint64_t{1} << 60) / sizeof(T))
        return nullptr;
    if (zeroed)
        return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<size_t>(count)]());
    return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<size_t>(count)]);
}

// Adds b[i]·sn[S] and b[i]·cn[S] to the channel-major sums of every channel i and frequency S.
void AccumulateTerms(const float* b, int M, const double* __restrict sn, const double* __restrict cn,
                     double* ss, double* cs, int64_t count) {
    for (int i = 0; i < M; ++i) {
        const double bi = b[i];
        double* __restrict s = ss + static_cast<size_t>(i) * count;
        double* __restrict c = cs + static_cast<size_t>(i) * count;
        for (int64_t S = 0; S < count; ++S) {
            s[S] += bi * sn[S];
            c[S] += bi * cn[S];
        }
    }
}

// Copies channel-major sums of frequencies b0 .. b0+count-1 into the frequency-major tables.
void StoreSums(const std::vector<double>& ss, const std::vector<double>& cs, int M, int64_t b0,
               int64_t count, double* sinSum, double* cosSum) {
    for (int i = 0; i < M; ++i)
        for (int64_t S = 0; S < count; ++S) {
            sinSum[(b0 + S) * M + i] = ss[static_cast<size_t>(i) * count + S];
            cosSum[(b0 + S) * M + i] = cs[static_cast<size_t>(i) * count + S];
        }
}
} // namespace

bool DirectSums::Allocate(uint64_t positions, uint64_t points, int channels) {
    H = static_cast<int64_t>(positions);
    J = static_cast<int64_t>(points);
    M = channels;
    windowed = Allocated<float>(positions * static_cast<uint64_t>(channels), false);
    freq = Allocated<double>(points, false);
    sinSum = Allocated<double>(points * static_cast<uint64_t>(channels), true);
    cosSum = Allocated<double>(points * static_cast<uint64_t>(channels), true);
    if (positions > (uint64_t{1} << 56) || points > (uint64_t{1} << 56) || !windowed || !freq ||
        !sinSum || !cosSum) {
        Free();
        return false;
    }
    return true;
}

void DirectSums::Free() {
    windowed.reset();
    freq.reset();
    sinSum.reset();
    cosSum.reset();
}

void DirectSums::Run(int64_t b0, int64_t b1, double rate, const std::function<void(int)>& progress) {
    if (b1 <= b0 || H < 2)
        return;
    const int64_t count = b1 - b0;
    const double half = 0.5 / rate;
    const double invH = 1.0 / static_cast<double>(H);
    int lastPercent = 0;
    auto report = [&](int64_t h) {
        if (stop && stop->load(std::memory_order_relaxed))
            return false;
        const int percent = static_cast<int>(static_cast<double>(h) * invH * 100.0);
        if (percent != lastPercent) {
            lastPercent = percent;
            progress(percent);
        }
        return true;
    };
    std::vector<float> b(static_cast<size_t>(M));

    SumMethod m = method;
    if (m == SumMethod::Polynomial) {
        double largest = 0;
        for (int64_t S = b0; S < b1; ++S)
            largest = std::max(largest, std::fabs(freq[S]));
        if (!(largest * (static_cast<double>(H) / rate) < kPolyLimit))
            m = SumMethod::Shared; // arguments beyond the reduction's range
    }
    if (m == SumMethod::PerTerm || m == SumMethod::Shared) {
        for (int64_t h = 1; h < H; ++h) {
            const double t = static_cast<double>(h) / rate - half;
            const float* row = windowed.get() + h * M;
            const float* prev = row - M;
            for (int i = 0; i < M; ++i)
                b[i] = row[i] + prev[i];
            if (m == SumMethod::PerTerm) {
                for (int i = 0; i < M; ++i)
                    for (int64_t S = b0; S < b1; ++S) {
                        const double a = t * freq[S];
                        sinSum[S * M + i] += b[i] * std::sin(a);
                        cosSum[S * M + i] += b[i] * std::cos(a);
                    }
            } else {
                for (int64_t S = b0; S < b1; ++S) {
                    const double a = t * freq[S];
                    const double s = std::sin(a), c = std::cos(a);
                    double* ss = sinSum.get() + S * M;
                    double* cs = cosSum.get() + S * M;
                    for (int i = 0; i < M; ++i) {
                        ss[i] += b[i] * s;
                        cs[i] += b[i] * c;
                    }
                }
            }
            if (!report(h))
                return;
        }
        return;
    }

    if (m == SumMethod::Polynomial) {
        std::vector<double> sv(static_cast<size_t>(count)), cv(static_cast<size_t>(count));
        std::vector<double> ss(static_cast<size_t>(count) * M, 0.0), cs(static_cast<size_t>(count) * M, 0.0);
        const double* __restrict w = freq.get() + b0;
        for (int64_t h = 1; h < H; ++h) {
            const double t = static_cast<double>(h) / rate - half;
            const float* row = windowed.get() + h * M;
            const float* prev = row - M;
            for (int i = 0; i < M; ++i)
                b[i] = row[i] + prev[i];
            double* __restrict ps = sv.data();
            double* __restrict pc = cv.data();
            for (int64_t S = 0; S < count; ++S)
                PolySinCos(t * w[S], ps[S], pc[S]);
            AccumulateTerms(b.data(), M, ps, pc, ss.data(), cs.data(), count);
            if (!report(h))
                return;
        }
        StoreSums(ss, cs, M, b0, count, sinSum.get(), cosSum.get());
        return;
    }

    // Recurrence: the phasor of each frequency turns by w / rate per position; every 32
    // positions it is taken afresh from sin and cos of the exact angle.
    constexpr int64_t kBlock = 32;
    std::vector<double> zr(static_cast<size_t>(count)), zi(static_cast<size_t>(count));
    std::vector<double> rr(static_cast<size_t>(count)), ri(static_cast<size_t>(count));
    for (int64_t S = 0; S < count; ++S) {
        const double d = freq[b0 + S] / rate;
        rr[S] = std::cos(d);
        ri[S] = std::sin(d);
    }
    // Sums in channel-major order so the frequency loop runs over contiguous memory.
    std::vector<double> ss(static_cast<size_t>(count) * M, 0.0), cs(static_cast<size_t>(count) * M, 0.0);
    for (int64_t h = 1; h < H; ++h) {
        const float* row = windowed.get() + h * M;
        const float* prev = row - M;
        for (int i = 0; i < M; ++i)
            b[i] = row[i] + prev[i];
        if ((h - 1) % kBlock == 0) {
            const double t = static_cast<double>(h) / rate - half;
            for (int64_t S = 0; S < count; ++S) {
                const double a = t * freq[b0 + S];
                zr[S] = std::cos(a);
                zi[S] = std::sin(a);
            }
        } else {
            double* __restrict pr = zr.data();
            double* __restrict pi = zi.data();
            const double* __restrict qr = rr.data();
            const double* __restrict qi = ri.data();
            for (int64_t S = 0; S < count; ++S) {
                const double nr = pr[S] * qr[S] - pi[S] * qi[S];
                const double ni = pr[S] * qi[S] + pi[S] * qr[S];
                pr[S] = nr;
                pi[S] = ni;
            }
        }
        AccumulateTerms(b.data(), M, zi.data(), zr.data(), ss.data(), cs.data(), count);
        if (!report(h))
            return;
    }
    StoreSums(ss, cs, M, b0, count, sinSum.get(), cosSum.get());
}

void DirectSums::Magnitudes(double T, double rate, double* out) const {
    for (int64_t S = 0; S < J; ++S)
        for (int i = 0; i < M; ++i) {
            const double re = (1.0 / T) * cosSum[S * M + i] * (0.5 / rate);
            const double im = (0.5 / rate) * (1.0 / T) * sinSum[S * M + i];
            out[S * M + i] = std::sqrt(re * re + im * im);
        }
}

} // namespace vistrel
