#include "core/view/ReadOut.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/common/TextFormat.h"

namespace vistrel {

namespace {

std::string Value(float x) {
    char buf[128];
    std::snprintf(buf, sizeof buf, ValueFormat(x), static_cast<double>(x));
    TrimZeros(buf);
    return buf;
}

int64_t InstantOf(int64_t origin, double s, float rate) {
    double d = s / static_cast<double>(rate) * 10000000.0;
    if (!(d == d)) d = 0.0;
    if (d > 9.0e18) d = 9.0e18;
    if (d < -9.0e18) d = -9.0e18;
    return origin + static_cast<int64_t>(d);
}

std::string Clock(int64_t t, const ReadOutInput& in) {
    return DateLabel(t, in.decibel, in.relative) + ":" + TimeLabel(t, in.decibel);
}

} // namespace

std::string TimeDifferenceText(double P, const TimeUnitWords& units) {
    char buf[128];
    const std::string* unit;
    if (std::fabs(P) < 10000.0) {
        std::snprintf(buf, sizeof buf, "%.1lf", P * 0.1);
        unit = &units.micro;
    } else if (std::fabs(P) < 10000000.0) {
        std::snprintf(buf, sizeof buf, "%.3lf", P * 0.0001);
        unit = &units.milli;
    } else {
        std::snprintf(buf, sizeof buf, "%.6lf", P * 0.0000001);
        unit = &units.second;
    }
    size_t len = std::strlen(buf);
    while (len > 0 && buf[len - 1] == '0') buf[--len] = '\0';
    if (len > 0 && buf[len - 1] == '.') buf[--len] = '\0';
    return std::string(buf) + " " + *unit;
}

int FrequencyDecimals(float rate) {
    if (!(rate > 0.0f) || !std::isfinite(rate)) return 0;
    const double step = 1.0 / static_cast<double>(rate);
    constexpr int kMost = 6;
    double scaled = step;
    for (int d = 0; d <= kMost; ++d, scaled *= 10.0)
        if (std::fabs(scaled - std::round(scaled)) <= 1e-6 * scaled) return d;
    // A step with no short decimal form (0.1220703125 Hz): a tenth of it shows.
    const int d = static_cast<int>(std::ceil(-std::log10(step))) + 1;
    return d < 0 ? 0 : (d > kMost ? kMost : d);
}

double SpectrumFrequency(int64_t origin, double s, float rate) {
    const int64_t us = InstantOf(origin, s, rate) / 10;
    return static_cast<double>(us % 86400000000LL) * 0.000001;
}

std::string BuildReadOut(const ReadOutInput& input) {
    ReadOutInput in = input;
    if (!(in.rate > 0.0f) || !std::isfinite(in.rate)) in.rate = 1.0f;
    char buf[512];
    const double r = static_cast<double>(in.rate);
    // Signed difference: cursor 2 may stand left of cursor 1.
    const double ds = static_cast<double>(in.s2) - static_cast<double>(in.s1);
    const unsigned long long samples = static_cast<unsigned long long>(in.samples);
    std::string out;
    if (in.decibel) {
        const int d = FrequencyDecimals(in.rate);
        std::snprintf(buf, sizeof buf,
                      "Y1=%.0fdB(%.*lfHz) Y2=%.0fdB(%.*lfHz) dY=%.0fdB(%.*lfHz) L1=%.0fdB L2=%.0fdB dL=%.0fdB",
                      static_cast<double>(in.Y1), d,
                      SpectrumFrequency(in.origin, static_cast<double>(in.s1), in.rate),
                      static_cast<double>(in.Y2), d,
                      SpectrumFrequency(in.origin, static_cast<double>(in.s2), in.rate),
                      static_cast<double>(in.Y2 - in.Y1), d, ds / r, static_cast<double>(in.L1),
                      static_cast<double>(in.L2), static_cast<double>(in.L1 - in.L2));
        out = buf;
        std::snprintf(buf, sizeof buf, " WL=%.*lfHz WR=%.*lfHz", d, SpectrumFrequency(in.origin, in.S0, in.rate), d,
                      SpectrumFrequency(in.origin, in.S1, in.rate));
        out += buf;
        std::snprintf(buf, sizeof buf, " SamplesW:%llux%u", samples, static_cast<unsigned>(in.channels));
        out += buf;
        return out;
    }
    std::snprintf(buf, sizeof buf, "Y1=%s  Y2=%s  dY=%s * L1=%s L2=%s dL=%s", Value(in.Y1).c_str(),
                  Value(in.Y2).c_str(), Value(in.Y2 - in.Y1).c_str(), Value(in.L1).c_str(),
                  Value(in.L2).c_str(), Value(in.L1 - in.L2).c_str());
    out = buf;
    if (in.hasCrossing) out += " X1=" + Clock(InstantOf(in.origin, static_cast<double>(in.crossing), in.rate), in);
    out += " *** dT=";
    out += TimeDifferenceText(ds / r * 10000000.0, in.units);
    out += "  T1=" + Clock(InstantOf(in.origin, static_cast<double>(in.s1), in.rate), in);
    out += "  T2=" + Clock(InstantOf(in.origin, static_cast<double>(in.s2), in.rate), in);
    std::snprintf(buf, sizeof buf, "  F(Hz)=%d", static_cast<int>(std::fmin(in.rate, 2.0e9f)));
    out += buf;
    std::snprintf(buf, sizeof buf, "%f", static_cast<double>(in.samples) / r);
    TrimZeros(buf);
    out += " T=";
    out += buf;
    std::snprintf(buf, sizeof buf, " Samples:%llux%u", samples, static_cast<unsigned>(in.channels));
    out += buf;
    return out;
}

} // namespace vistrel
