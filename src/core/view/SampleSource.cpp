#include "core/view/SampleSource.h"

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

} // namespace vistrel
