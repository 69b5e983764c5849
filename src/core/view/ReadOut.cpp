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
        std::snprintf(buf, sizeof buf,
                      "Y1=%.0fdb(%.0lfhz) Y2=%.0fdb(%.0lfhz) dY=%.0fdb(%.0lfhz) L1=%.0fdb L2=%.0fdb dL=%.0fdb",
                      static_cast<double>(in.Y1), SpectrumFrequency(in.origin, static_cast<double>(in.s1), in.rate),
                      static_cast<double>(in.Y2), SpectrumFrequency(in.origin, static_cast<double>(in.s2), in.rate),
                      static_cast<double>(in.Y2 - in.Y1), ds / r, static_cast<double>(in.L1),
                      static_cast<double>(in.L2), static_cast<double>(in.L1 - in.L2));
        out = buf;
        std::snprintf(buf, sizeof buf, " WL=%.0lfhz WR=%.0lfhz", SpectrumFrequency(in.origin, in.S0, in.rate),
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
