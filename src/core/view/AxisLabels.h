#pragma once
// Arithmetic of the grid and the axes of a plot: division rows, the round-time lines of the
// time axis with their labels, and the value-scale texts.

#include <cstdint>
#include <climits>
#include <string>

#include "core/common/TextFormat.h"

namespace vistrel {

// Row of horizontal grid line i of 5 * k lines (k major divisions).
inline int GridRow(int i, int top, int bottom, int k) {
    return top + static_cast<int>(static_cast<int64_t>(i) * (bottom - top) / (5 * k));
}

struct TimeAxisParams {
    int left = 0, top = 0, right = 0, bottom = 0;  // plot rectangle
    int64_t origin = 0;          // time of sample 0 (100-ns units)
    double F = 0.0, L = 0.0;     // visible start and end in samples
    float rate = 1.0f;           // samples per second
    int64_t windowLength = 0;    // length of the current time window (100-ns units)
    int hDivisions = 6;          // major divisions across
    bool wide = true;            // plot at least half the screen wide: every label written
};

struct TimeMark {
    enum Kind { Minor, Label } kind;
    int x;           // column; a minor line is drawn at x, a label line at x and x + 1
    int64_t time;    // labels: the round time
    bool withText;   // labels: write the texts (every other label on narrow plots)
};

// Distance between round-time labels (100-ns units; 0 when the axis has none).
inline int64_t LabelStep(const TimeAxisParams& p) {
    return p.hDivisions >= 1 ? p.windowLength / p.hDivisions : 0;
}

// Time of sample position s.
inline int64_t SampleTime(int64_t origin, double s, float rate) {
    double d = s * 1.0e7 / static_cast<double>(rate);
    if (!(d == d)) d = 0.0;
    if (d > 4.0e18) d = 4.0e18;  // beyond any recording: keeps the arithmetic defined
    if (d < -4.0e18) d = -4.0e18;
    return origin + static_cast<int64_t>(d);
}

// Walks the columns of the time axis and reports each minor line and each round-time label
// to fn(const TimeMark&) in order from left to right.
template <class Fn>
void WalkTimeAxis(const TimeAxisParams& p, Fn&& fn) {
    if (p.hDivisions < 1 || p.right <= p.left || !(p.rate > 0.0f)) return;
    const int64_t tF = SampleTime(p.origin, p.F, p.rate);
    const int64_t tL = SampleTime(p.origin, p.L, p.rate);
    const int64_t step = LabelStep(p);
    if (step <= 0) return;
    int64_t T = tF / step * step;
    int64_t P = T;
    if (T < tF) T += step;
    int m = 1;
    int64_t M = P + static_cast<int64_t>(0.2 * static_cast<double>(step));
    int labels = 0;
    const int64_t width = p.right - p.left;
    const int64_t range = tL - tF;
    // Exact integer arithmetic unless the product could overflow (views of centuries).
    const bool exact = range < (INT64_MAX >> 16) && range > -(INT64_MAX >> 16) && width < 65536;
    for (int c = p.left; c <= p.right; ++c) {
        const int64_t tc = exact ? tF + (c - p.left) * range / width
                                 : tF + static_cast<int64_t>(static_cast<double>(c - p.left) *
                                                             static_cast<double>(range) / static_cast<double>(width));
        if (tc >= M) {
            ++m;
            M = P + static_cast<int64_t>(m * 0.2 * static_cast<double>(step));
            if (c - p.left > 2 && p.right - c > 2 && m != 10) fn(TimeMark{TimeMark::Minor, c + 1, 0, false});
        }
        if (tc >= T) {
            const bool text = p.wide || labels % 2 == 0;
            fn(TimeMark{TimeMark::Label, c, T, text});
            ++labels;
            if (T > INT64_MAX - step) return; // no later round time is representable
            P = T;
            M = T + static_cast<int64_t>(0.2 * static_cast<double>(step));
            T += step;
            m = 1;
        }
    }
}

// Texts of the labels of one drawing of the time axis, left to right: an upper text is
// given only where it differs from the last one written, so a date and hour shared by the
// whole view is written once.
class CAxisLabeller {
public:
    CAxisLabeller(int64_t step, bool decibel, bool relative)
        : m_step(step), m_decibel(decibel), m_relative(relative) {}
    // Texts of the label at time t; `written` says whether the label's texts are written
    // (narrow plots skip every other one). The upper text is empty where it repeats.
    AxisLabelTexts Next(int64_t t, bool written) {
        AxisLabelTexts texts = AxisTimeLabels(t, m_step, m_decibel, m_relative);
        if (!written) return texts;
        if (m_haveUpper && texts.upper == m_lastUpper) {
            texts.upper.clear();
        } else {
            m_lastUpper = texts.upper;
            m_haveUpper = true;
        }
        return texts;
    }

private:
    int64_t m_step;
    bool m_decibel, m_relative;
    bool m_haveUpper = false;
    std::string m_lastUpper;
};

// Left edge of a text of width w centred on x and kept within x0 .. x1.
inline int KeepInside(int x, int w, int x0, int x1) {
    int left = x - w / 2;
    if (left + w > x1) left = x1 - w;
    if (left < x0) left = x0;
    return left;
}

// Value-scale texts for D divisions of the scale bottom .. top: D + 1 NUL-terminated
// strings one after another in buf (bottom first). The top entry carries the unit.
// Returns the number of bytes used.
int BuildScaleTexts(double top, double bottom, int D, bool decibel, char* buf, int size);

} // namespace vistrel
