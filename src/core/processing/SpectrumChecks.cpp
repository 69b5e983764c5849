#include "core/processing/SpectrumChecks.h"

#include <cmath>
#include <cstdio>

#include "core/processing/WindowFft.h"

namespace vistrel {

float DirectSpectrumRate(int64_t points, double lowerW, double upperW) {
    return static_cast<float>(static_cast<double>(points) * kTwoPi / (upperW - lowerW));
}

float FftSpectrumRate(int64_t n, float rate) {
    return static_cast<float>(static_cast<double>(n) / static_cast<double>(rate));
}

double FftBinHz(int64_t b, double rate, int64_t n) {
    return static_cast<double>(b) * rate / static_cast<double>(n);
}

int64_t FirstFftBin(double lowerHz, double rate, int64_t n) {
    if (n <= 0 || !(rate > 0))
        return n;
    const double guess = std::ceil(lowerHz * static_cast<double>(n) / rate);
    int64_t b = guess > 0 ? (guess < static_cast<double>(n) ? static_cast<int64_t>(guess) : n) : 0;
    // The guess may be one off where the division rounds: settle it on the band test itself.
    while (b > 0 && FftBinHz(b - 1, rate, n) >= lowerHz)
        --b;
    while (b < n && FftBinHz(b, rate, n) < lowerHz)
        ++b;
    return b;
}

int64_t EndFftBin(int64_t first, double upperHz, double rate, int64_t n) {
    const double nyquist = rate / 2.0;
    int64_t b = first;
    while (b < n) {
        const double f = FftBinHz(b, rate, n);
        if (f > nyquist || !(f < upperHz || (f == nyquist && upperHz >= nyquist)))
            break;
        ++b;
    }
    return b;
}

double SpectrumUpperLimitHz(double upperHz, double rate, bool* lowered) {
    const double limit = rate / 2.0;
    const bool above = upperHz > limit;
    if (lowered)
        *lowered = above;
    return above ? limit : upperHz;
}

std::string SpectrumUpperLoweredText(double typedHz, double limitHz) {
    char buf[160];
    std::snprintf(buf, sizeof buf,
                  "note: the upper frequency limit %g Hz is above half the sampling rate; lowered to %g Hz",
                  typedHz, limitHz);
    return buf;
}

SpectrumCheck CheckSpectrum(bool fft, int64_t points, int64_t n, double lowerHz, double upperHz,
                            float rate) {
    double first = lowerHz;
    float resultRate;
    if (fft) {
        const int64_t b = FirstFftBin(lowerHz, rate, n);
        if (b < n)
            first = FftBinHz(b, rate, n);
        resultRate = FftSpectrumRate(n, rate);
    } else {
        resultRate = DirectSpectrumRate(points, kTwoPi * lowerHz, kTwoPi * upperHz);
    }
    if (!(first < kSpectrumFrequencyLimitHz))
        return SpectrumCheck::LowerTooHigh;
    if (!std::isfinite(resultRate) || !(resultRate > 0.0f))
        return SpectrumCheck::RateNotUsable;
    return SpectrumCheck::Ok;
}

std::string SpectrumCheckText(SpectrumCheck check) {
    switch (check) {
    case SpectrumCheck::LowerTooHigh:
        return "The lower frequency limit (the frequency of the first row) must be below 86400 Hz";
    case SpectrumCheck::RateNotUsable:
        return "The frequency limits give no usable rows per hertz; widen the band or use fewer points";
    default:
        return std::string();
    }
}

} // namespace vistrel
