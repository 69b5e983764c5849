#include "core/view/PlotLayout.h"

#include "core/recording/DisplayDefaults.h"
#include "core/view/PlotColours.h"

#include <algorithm>
#include <cmath>

namespace vistrel {

void FillTimeWindows(int64_t* windows) {
    static const int64_t kFirst[12] = {300, 360, 420, 480, 600, 720, 900, 1080, 1320, 1680, 2040, 2400};
    for (int k = 0; k < 12; ++k)
        windows[k] = kFirst[k];
    for (int k = 12; k < kTimeWindowCount; ++k)
        windows[k] = windows[k - 12] * 10;
}

const int64_t* TimeWindowTable() {
    static const struct Table {
        int64_t w[kTimeWindowCount];
        Table() { FillTimeWindows(w); }
    } table;
    return table.w;
}

int64_t RecordingDuration(float rate, int64_t samples) {
    if (!(rate > 0.0f) || !std::isfinite(rate) || samples <= 0)
        return 0;
    const double d = 10000000.0 / static_cast<double>(rate) * static_cast<double>(samples);
    if (!(d < 9.0e18))
        return static_cast<int64_t>(9.0e18);
    return static_cast<int64_t>(d);
}

int FirstWindowIndex(const int64_t* windows, int64_t duration) {
    int i = 0;
    while (i < kTimeWindowCount && windows[i] < duration)
        ++i;
    return i;
}

DisplayRange ChooseDisplayRange(const int64_t* windows, int first, int64_t startTime,
                                int64_t duration) {
    DisplayRange r;
    int i = std::max(0, first);
    auto place = [&](int index) {
        r.index = index;
        r.division = windows[index] / kPlotHDivisions;
        r.begin = (startTime / r.division) * r.division;
        r.end = r.begin + kPlotHDivisions * r.division;
    };
    for (; i < kTimeWindowCount; ++i) {
        place(i);
        if (startTime + duration <= r.end)
            return r;
    }
    place(kTimeWindowCount - 1);
    r.tooLong = true;
    return r;
}

int BuildWindowSamples(const int64_t* windows, int displayWindow, int64_t samples,
                       int64_t duration, double* out) {
    displayWindow = std::clamp(displayWindow, 0, kTimeWindowCount - 1);
    if (duration <= 0) {
        out[0] = static_cast<double>(std::max<int64_t>(samples, 1));
        return 1;
    }
    int count = 0;
    for (int i = 0; i <= displayWindow; ++i) {
        const long double v = static_cast<long double>(windows[displayWindow - i]) * samples / duration;
        const double n = std::trunc(static_cast<double>(v));
        if (n < kMinWindowSamples && i > 0)
            break;
        // The whole range is always a zoom level, however few samples it holds.
        out[count++] = i == 0 ? std::max(1.0, n) : n;
    }
    return count;
}

int BuildZoomTable(const int64_t* windows, int first, int64_t samples, int64_t duration, double* out) {
    const int count = BuildWindowSamples(windows, ZoomWindowIndex(first, 0), samples, duration, out);
    out[0] = static_cast<double>(std::max<int64_t>(samples, 1));
    return count;
}

int ZoomWindowIndex(int first, int zoom) {
    return std::clamp(first, 0, kTimeWindowCount - 1) - std::max(0, zoom);
}

int ZoomIndexFromSaved(int saved, int display, int first) {
    if (saved <= 0) return 0;
    return std::max(0, saved - (display - ZoomWindowIndex(first, 0)));
}

int ZoomIndexToSaved(int zoom, int display, int first) {
    if (zoom <= 0) return 0;
    return zoom + (display - ZoomWindowIndex(first, 0));
}

uint32_t DefaultChannelColour(int channel) {
    if (channel >= 0 && channel < 32)
        return DefaultTraceColour(channel);
    // Further channels: saturated hues spread by the golden angle, then brought into the band of
    // luminance that reads on the light and on the dark background alike.
    const double hue = std::fmod(std::max(channel, 0) * 137.50776, 360.0) / 60.0;
    const double v = 0.78, s = 0.85;
    const double c = v * s;
    const double x = c * (1 - std::fabs(std::fmod(hue, 2.0) - 1));
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(hue)) {
    case 0: r = c; g = x; break;
    case 1: r = x; g = c; break;
    case 2: g = c; b = x; break;
    case 3: g = x; b = c; break;
    case 4: r = x; b = c; break;
    default: r = c; b = x; break;
    }
    const double m = v - c;
    auto byte = [&](double t) { return static_cast<uint32_t>(std::lround((t + m) * 255.0)) & 0xFF; };
    const uint32_t hsv = byte(r) | (byte(g) << 8) | (byte(b) << 16);
    return FitLuminance(hsv, kDefaultLuminanceLow, kDefaultLuminanceHigh);
}

} // namespace vistrel
