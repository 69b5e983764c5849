#pragma once
// Count, mean, sum of squared deviations (M2) and sum of absolute values of a run of samples,
// kept per block and merged pairwise. Merging means and M2 rather than adding raw sums of
// squares keeps the variance exact to double rounding even when the signal sits far from
// zero (an offset of 1000 with noise of 1e-3 loses 7 digits through sums of squares).

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstddef>
#include <limits>

namespace vistrel {

struct Moments {
    double count = 0;    // finite samples
    double mean = 0;
    double m2 = 0;       // sum of (x - mean)^2
    double sumAbs = 0;   // sum of |x|

    // Chan's parallel combination of two disjoint runs.
    void Merge(const Moments& o) {
        if (o.count == 0) return;
        if (count == 0) {
            *this = o;
            return;
        }
        const double n = count + o.count;
        const double d = o.mean - mean;
        mean += d * (o.count / n);
        m2 += o.m2 + d * d * (count / n * o.count);
        sumAbs += o.sumAbs;
        count = n;
    }
};

// Moments of v[0], v[stride], ... (n values) in two passes: the mean first, then the squared
// deviations from it. Non-finite values are skipped. Meant for short runs (a few hundred
// values) that are merged afterwards.
template <class T>
Moments RunMoments(const T* v, size_t n, size_t stride = 1) {
    Moments m;
    double sum = 0, finite = 0;
    for (size_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(v[i * stride]);
        const bool ok = std::isfinite(x);
        sum += ok ? x : 0.0;
        finite += ok ? 1.0 : 0.0;
    }
    if (finite == 0) return m;
    const double mean = sum / finite;
    double m2 = 0, dev = 0, abs = 0;
    for (size_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(v[i * stride]);
        const bool ok = std::isfinite(x);
        const double d = ok ? x - mean : 0.0;
        m2 += d * d;
        dev += d;
        abs += ok ? std::fabs(x) : 0.0;
    }
    // The deviations' own sum corrects the rounding of the first pass's mean.
    m.count = finite;
    m.mean = mean + dev / finite;
    m.m2 = m2 - dev * dev / finite;
    if (m.m2 < 0) m.m2 = 0;
    m.sumAbs = abs;
    return m;
}

// The value as a double and 1 when finite, else +0 and 0; through the bits, without a branch.
[[gnu::always_inline]] inline void FiniteOrZero(float v, double& x, double& weight) {
    const uint32_t bits = std::bit_cast<uint32_t>(v);
    const int32_t finite = (bits & 0x7F800000u) != 0x7F800000u;
    x = static_cast<double>(std::bit_cast<float>(bits & (0u - static_cast<uint32_t>(finite))));
    weight = static_cast<double>(finite);
}
[[gnu::always_inline]] inline void FiniteOrZero(double v, double& x, double& weight) {
    const uint64_t bits = std::bit_cast<uint64_t>(v);
    const int64_t finite = (bits & 0x7FF0000000000000ull) != 0x7FF0000000000000ull;
    x = std::bit_cast<double>(bits & (0ull - static_cast<uint64_t>(finite)));
    weight = static_cast<double>(finite);
}

// RunMoments of `count` channels at once over `rows` interleaved rows (row r's value of the
// i-th channel at v[r * stride + channel(i)]): out[i] is bit for bit RunMoments(v + channel(i),
// rows, stride), since every channel's sums take the same steps in the same row order. The
// channels lie side by side in vector lanes instead of one channel's values being walked
// with a stride. At most 256 channels.
// Always inlined: a caller compiled for wider vectors gets the loops in its own variant.
// kMost bounds count; a caller that knows the count passes it as a constant (Count being
// std::integral_constant) with kMost equal to it, so the sums stay in registers.
template <int kMost, class T, class Index, class Count>
[[gnu::always_inline]] inline void RowRunMomentsUpTo(const T* v, size_t rows, size_t stride, Count count, Index channel,
                                                     Moments* out) {
    double sum[kMost], finite[kMost], mean[kMost], m2[kMost], dev[kMost], abs[kMost];
    for (int i = 0; i < count; ++i) sum[i] = finite[i] = m2[i] = dev[i] = abs[i] = 0;
    // Branch-free, so that the loops run in vector registers: a value that is not finite is
    // read as +0 with a weight of 0 (its deviation then is -0 or +0, which adds nothing), so
    // every sum takes exactly the values RunMoments adds.
    for (size_t r = 0; r < rows; ++r) {
        const T* row = v + r * stride;
        for (int i = 0; i < count; ++i) {
            double x, weight;
            FiniteOrZero(row[channel(i)], x, weight);
            sum[i] += x;
            finite[i] += weight;
        }
    }
    for (int i = 0; i < count; ++i) mean[i] = finite[i] != 0 ? sum[i] / finite[i] : 0.0;
    for (size_t r = 0; r < rows; ++r) {
        const T* row = v + r * stride;
        for (int i = 0; i < count; ++i) {
            double x, weight;
            FiniteOrZero(row[channel(i)], x, weight);
            const double d = (x - mean[i]) * weight;
            m2[i] += d * d;
            dev[i] += d;
            abs[i] += std::fabs(x);
        }
    }
    for (int i = 0; i < count; ++i) {
        Moments m;
        if (finite[i] != 0) {
            m.count = finite[i];
            m.mean = mean[i] + dev[i] / finite[i];
            m.m2 = m2[i] - dev[i] * dev[i] / finite[i];
            if (m.m2 < 0) m.m2 = 0;
            m.sumAbs = abs[i];
        }
        out[i] = m;
    }
}

template <class T, class Index>
[[gnu::always_inline]] inline void RowRunMoments(const T* v, size_t rows, size_t stride, int count, Index channel,
                                                 Moments* out) {
    RowRunMomentsUpTo<256>(v, rows, stride, count, channel, out);
}

} // namespace vistrel
