#include "core/view/SampleSource.h"

#include <algorithm>
#include <limits>

namespace vistrel {

void ISampleSource::FindExtremes(const int* channels, int count, uint64_t a, uint64_t b,
                                 uint64_t* minPos, uint64_t* maxPos) const {
    for (int i = 0; i < count; ++i) {
        const int c = channels[i];
        uint64_t lo = a, hi = a;
        if (IsRawImage()) {
            uint16_t mn = 65535, mx = 0;
            for (uint64_t k = a; k < b; ++k) {
                const uint16_t v = Raw(k, c);
                if (v < mn) { mn = v; lo = k; }
                if (v > mx) { mx = v; hi = k; }
            }
        } else {
            long double mn = std::numeric_limits<long double>::infinity();
            long double mx = -mn;
            for (uint64_t k = a; k < b; ++k) {
                const long double v = Value(k, c);
                if (v < mn) { mn = v; lo = k; }
                if (v > mx) { mx = v; hi = k; }
            }
        }
        minPos[i] = lo;
        maxPos[i] = hi;
    }
}

void ISampleSource::ReadValues(uint64_t k0, size_t rows, int c, double* out) const {
    for (size_t r = 0; r < rows; ++r) out[r] = static_cast<double>(Value(k0 + r, c));
}

void ISampleSource::FindMoments(const int* channels, int count, uint64_t a, uint64_t b, Moments* out) const {
    // Runs of 256 samples, each in two passes, merged in order.
    constexpr uint64_t kRun = 256;
    double buf[kRun];
    for (int i = 0; i < count; ++i) {
        Moments m;
        for (uint64_t k = a; k < b; k += kRun) {
            const size_t rows = static_cast<size_t>(std::min(kRun, b - k));
            ReadValues(k, rows, channels[i], buf);
            m.Merge(RunMoments(buf, rows));
        }
        out[i] = m;
    }
}

} // namespace vistrel
