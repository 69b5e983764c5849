#pragma once
// The display range that shows values lo .. hi whole: 5 % of their span added on either side.

namespace vistrel {

constexpr double kFitMargin = 0.05;

// False (and nothing written) when lo or hi is not a finite number or lo > hi. A single value
// gets a range of 5 % of its size on either side (or ±1 around zero).
bool FitDisplayRange(double lo, double hi, double* outLow, double* outHigh);

} // namespace vistrel
