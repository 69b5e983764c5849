#pragma once
// Count, mean, sum of squared deviations (M2) and sum of absolute values of a run of samples,
// kept per block and merged pairwise. Merging means and M2 rather than adding raw sums of
// squares keeps the variance exact to double rounding even when the signal sits far from
// zero (an offset of 1000 with noise of 1e-3 loses 7 digits through sums of squares).

#include <cmath>
#include <cstddef>

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

} // namespace vistrel
