#include "core/view/ValueFit.h"

#include <cmath>

namespace vistrel {

bool FitDisplayRange(double lo, double hi, double* outLow, double* outHigh) {
    if (!std::isfinite(lo) || !std::isfinite(hi) || lo > hi) return false;
    double margin = (hi - lo) * kFitMargin;
    if (!(margin > 0.0)) margin = lo != 0.0 ? std::fabs(lo) * kFitMargin : 1.0;
    const double low = lo - margin, high = hi + margin;
    if (!std::isfinite(low) || !std::isfinite(high)) return false;
    *outLow = low;
    *outHigh = high;
    return true;
}

} // namespace vistrel
