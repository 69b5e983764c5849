#include "core/processing/ParamChecks.h"

#include <cmath>

namespace vistrel {

bool FitsFloat(double v) { return std::isfinite(v) && std::fabs(v) <= kLargestFloat; }

bool LinearFitsChannel(double a, double b, double lo, double hi) {
    return FitsFloat(a) && FitsFloat(b) && FitsFloat(a * lo + b) && FitsFloat(a * hi + b);
}

double RmsFrequencyLimit(double rate) { return rate / 2.0; }

bool RmsFrequencyAllowed(double f, double rate) {
    return std::isfinite(f) && f > 0.0 && f <= RmsFrequencyLimit(rate);
}

bool RangeOrdered(double low, double high) {
    return std::isfinite(low) && std::isfinite(high) && low < high;
}

} // namespace vistrel
