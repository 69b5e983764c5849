#pragma once
// Checks of operation parameters shared by the dialogs and the command line, so both refuse
// the same values: coefficients of Y = A*X + B whose result leaves the float range, an RMS
// nominal frequency that the sampling rate cannot resolve, and output ranges that are empty.
namespace vistrel {

// Largest finite float, as a double.
inline constexpr double kLargestFloat = 3.4028234663852886e38;

// True when v is finite and within +-kLargestFloat, so it can be stored as a float.
bool FitsFloat(double v);

// True when A and B fit a float and A*lo + B and A*hi + B (the channel's range values as
// the header writer computes them, in double) fit a float too.
bool LinearFitsChannel(double a, double b, double lo, double hi);

// The highest nominal frequency of the RMS operation at `rate`: half the sampling rate.
double RmsFrequencyLimit(double rate);
// True when f is above 0, finite and at most RmsFrequencyLimit(rate).
bool RmsFrequencyAllowed(double f, double rate);

// True when low < high (both finite): an output range the plot and the header can use.
bool RangeOrdered(double low, double high);

} // namespace vistrel
