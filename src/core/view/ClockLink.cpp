#include "core/view/ClockLink.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/recording/TimeBase.h"
#include "core/view/Canvas.h"

namespace vistrel {

namespace {

constexpr int64_t kUnitsPerDay = 24LL * 3600LL * kUnitsPerSecond;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A number of minWidth to maxWidth digits read from the front of `s`.
bool TakeNumber(std::string_view& s, int minWidth, int maxWidth, int64_t& value) {
    int n = 0;
    value = 0;
    while (n < static_cast<int>(s.size()) && n < maxWidth && IsDigit(s[n])) value = value * 10 + (s[n++] - '0');
    if (n < minWidth) return false;
    s.remove_prefix(static_cast<size_t>(n));
    return true;
}

bool IsDecimalSeparator(char c, bool decimalComma) { return c == '.' || (decimalComma && c == ','); }

// An optional fraction ".ddd" (up to `maxDigits` digits) in 100-ns units of one second; the
// whole of `s` must be used.
bool TakeFraction(std::string_view& s, bool decimalComma, int64_t& units) {
    units = 0;
    if (s.empty()) return true;
    if (!IsDecimalSeparator(s.front(), decimalComma)) return false;
    s.remove_prefix(1);
    int64_t scale = kUnitsPerSecond;
    int digits = 0;
    while (!s.empty() && IsDigit(s.front())) {
        if (++digits > 7) return false;   // finer than 100 ns is not a time this program shows
        scale /= 10;
        units += (s.front() - '0') * scale;
        s.remove_prefix(1);
    }
    return digits > 0;
}

// H:MM or H:MM:SS with an optional fraction, all of `s`: 100-ns units since midnight.
bool ParseClock(std::string_view s, bool decimalComma, int64_t& units) {
    int64_t h = 0, m = 0, sec = 0, frac = 0;
    if (!TakeNumber(s, 1, 2, h) || h > 23 || s.empty() || s.front() != ':') return false;
    s.remove_prefix(1);
    if (!TakeNumber(s, 2, 2, m) || m > 59) return false;
    if (!s.empty() && s.front() == ':') {
        s.remove_prefix(1);
        if (!TakeNumber(s, 2, 2, sec) || sec > 59 || !TakeFraction(s, decimalComma, frac)) return false;
    }
    if (!s.empty()) return false;
    units = ((h * 60 + m) * 60 + sec) * kUnitsPerSecond + frac;
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

} // namespace

ClockPoint ClockOfSample(const ClockTimeline& t, double sample) {
    return {t.start, t.rate > 0.0 ? sample / t.rate : 0.0};
}

double ClockDifference(const ClockPoint& a, const ClockPoint& b) {
    // The file times' difference is exact in integers; only then is it made a double.
    return static_cast<double>(b.base - a.base) / static_cast<double>(kUnitsPerSecond) + (b.seconds - a.seconds);
}

double SampleOfClock(const ClockTimeline& t, const ClockPoint& p) {
    return ClockDifference(ClockPoint{t.start, 0.0}, p) * t.rate;
}

std::optional<LinkedView> FollowClockSpan(const ClockTimeline& t, const double* windowLengths, int count,
                                          const ClockPoint& from, double seconds) {
    if (!t.Valid() || !windowLengths || count <= 0 || !(seconds > 0.0) || !std::isfinite(seconds)) return std::nullopt;
    const double start = SampleOfClock(t, from);
    const double end = start + seconds * t.rate;
    if (!std::isfinite(start) || end <= 0.0 || start >= static_cast<double>(t.samples)) return std::nullopt;
    int best = -1;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (int i = 0; i < count; ++i) {
        if (!(windowLengths[i] > 0.0)) continue;
        // Durations compare by ratio: 2 s is as far from 1 s as 0.5 s is.
        const double distance = std::abs(std::log(windowLengths[i] / t.rate / seconds));
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    if (best < 0) return std::nullopt;
    return LinkedView{best, start};
}

void ShowViewAt(CCanvasView& view, int zoom, double start) {
    if (view.m_windowLengthCount <= 0) return;
    view.m_hZoom = std::clamp(zoom, 0, view.m_windowLengthCount - 1);
    const double L = view.WindowLength();
    const double L0 = view.FullLength();
    view.m_hCenter = start + L / 2;
    view.RecomputeView();
    if (view.m_hZoom == 0) return;
    // Moved without snapping, as a zoom step around an anchor is.
    const double centre = std::clamp(start + L / 2, L / 2, std::max(L / 2, L0 - L / 2));
    const double d = centre - view.m_hCenter;
    view.m_hCenter += d;
    view.m_visibleStart += d;
    view.m_visibleEnd += d;
}

std::optional<GoToTime> ParseGoToTime(std::string_view text, bool decimalComma) {
    std::string_view s = Trim(text);
    if (s.empty()) return std::nullopt;
    GoToTime out;
    if (s.find(':') == std::string_view::npos) {
        // Seconds from the start.
        int64_t whole = 0, frac = 0;
        if (!TakeNumber(s, 1, 12, whole) || !TakeFraction(s, decimalComma, frac) || !s.empty()) return std::nullopt;
        out.kind = GoToTime::Seconds;
        out.seconds = static_cast<double>(whole) + static_cast<double>(frac) / static_cast<double>(kUnitsPerSecond);
        return out;
    }
    const size_t gap = s.find_first_of("Tt ");
    if (gap == std::string_view::npos) {
        if (!ParseClock(s, decimalComma, out.clock)) return std::nullopt;
        out.kind = GoToTime::TimeOfDay;
        return out;
    }
    std::string_view date = s.substr(0, gap);
    const std::string_view clock = Trim(s.substr(gap + 1));
    int64_t y = 0, mo = 0, d = 0, units = 0;
    if (!TakeNumber(date, 4, 4, y) || date.empty() || date.front() != '-') return std::nullopt;
    date.remove_prefix(1);
    if (!TakeNumber(date, 2, 2, mo) || date.empty() || date.front() != '-') return std::nullopt;
    date.remove_prefix(1);
    if (!TakeNumber(date, 2, 2, d) || !date.empty() || !ParseClock(clock, decimalComma, units)) return std::nullopt;
    FileTimeParts parts;
    parts.year = static_cast<int>(y);
    parts.month = static_cast<int>(mo);
    parts.day = static_cast<int>(d);
    int64_t midnight = 0;
    if (!MakeFileTime(parts, midnight)) return std::nullopt;
    out.kind = GoToTime::DateTime;
    out.clock = midnight + units;
    return out;
}

double GoToSeconds(const GoToTime& t, int64_t localStart, double duration) {
    auto seconds = [localStart](int64_t clock) {
        return static_cast<double>(clock - localStart) / static_cast<double>(kUnitsPerSecond);
    };
    switch (t.kind) {
    case GoToTime::Seconds: return t.seconds;
    case GoToTime::DateTime: return seconds(t.clock);
    case GoToTime::TimeOfDay: break;
    }
    const int64_t firstDay = localStart - ((localStart % kUnitsPerDay) + kUnitsPerDay) % kUnitsPerDay;
    int64_t at = firstDay + t.clock;
    if (at < localStart) at += kUnitsPerDay;   // the next day: the recording runs past midnight
    if (seconds(at) <= duration) return seconds(at);
    return seconds(firstDay + t.clock);
}

} // namespace vistrel
