#pragma once
// Checks of the spectrum parameters shared by the dialog, the command line and the engine:
// the result must get a finite positive rate, and the frequency of its first row must fit the
// time of day that carries it.
#include <cstdint>
#include <string>

namespace vistrel {

// The first row's frequency is written as a time of day: it must stay below one day.
constexpr double kSpectrumFrequencyLimitHz = 86400.0;

// The highest frequency a spectrum can show is half the sampling rate: above it the transform
// of sampled values repeats the lower half mirrored. Gives min(upperHz, rate / 2); `lowered`
// (when given) tells whether the value was above it.
double SpectrumUpperLimitHz(double upperHz, double rate, bool* lowered = nullptr);
// English note of the command-line tool when the upper limit was lowered to `limitHz`.
std::string SpectrumUpperLoweredText(double typedHz, double limitHz);

// Rows per hertz of a direct-sum spectrum of J points between the angular limits.
float DirectSpectrumRate(int64_t points, double lowerW, double upperW);
// Rows per hertz of an FFT spectrum of N points of a recording sampled at `rate`.
float FftSpectrumRate(int64_t n, float rate);
// Frequency of FFT bin b of N points at `rate` (the value the band test compares).
double FftBinHz(int64_t b, double rate, int64_t n);
// First bin b with FftBinHz(b) >= lowerHz (n when there is none).
int64_t FirstFftBin(double lowerHz, double rate, int64_t n);
// One past the last bin of the band below upperHz: the bins b >= first with FftBinHz(b) <
// upperHz, and the bin at half the rate too when upperHz reaches it (the limit itself). No
// bin above half the rate is ever in the band.
int64_t EndFftBin(int64_t first, double upperHz, double rate, int64_t n);

enum class SpectrumCheck {
    Ok,
    LowerTooHigh,    // the first row's frequency is a day (86 400 Hz) or more
    RateNotUsable,   // the result's rate would be infinite, NaN, zero or negative
};
// Checks a run: `fft` with its span of n points, else `points` direct-sum points.
SpectrumCheck CheckSpectrum(bool fft, int64_t points, int64_t n, double lowerHz, double upperHz,
                            float rate);
// English text of a failed check (command line, engine).
std::string SpectrumCheckText(SpectrumCheck check);

} // namespace vistrel
