#pragma once
// Clock time of plot views, free of any GUI library: windows linked in time show the same span of
// clock time and put their time cursors at the same instants, whatever their sample rates; and
// the "go to time" entry (a clock time or seconds from the start) read into seconds from the
// start of a recording.

#include <cstdint>
#include <optional>
#include <string_view>

namespace vistrel {

class CCanvasView;

// A recording on the clock: UTC file time of sample 0, samples per second, sample count.
struct ClockTimeline {
    int64_t start = 0;
    double rate = 0.0;
    int64_t samples = 0;
    bool Valid() const { return rate > 0.0 && samples > 0; }
};

// An instant: a file time plus seconds. Kept apart so that sub-microsecond offsets survive next
// to file times of 10^17 (a double alone would round them to about a microsecond).
struct ClockPoint {
    int64_t base = 0;
    double seconds = 0.0;
};

ClockPoint ClockOfSample(const ClockTimeline& t, double sample);
// Fractional sample position of an instant in the recording (may lie outside it).
double SampleOfClock(const ClockTimeline& t, const ClockPoint& p);
// Seconds from a to b.
double ClockDifference(const ClockPoint& a, const ClockPoint& b);

// What a linked window shows: the zoom index and the first visible sample.
struct LinkedView {
    int zoom = 0;
    double start = 0.0;
};

// The view of a recording whose zoom-table window (lengths in samples) is nearest in duration to
// `seconds` and which starts at the instant `from`. Nothing when the span [from, from + seconds]
// does not meet the recording: such a window keeps its view.
std::optional<LinkedView> FollowClockSpan(const ClockTimeline& t, const double* windowLengths, int count,
                                          const ClockPoint& from, double seconds);

// Shows `zoom` starting at sample `start`, kept inside the recording. Only the whole-recording
// view snaps; any other start is kept as it is, so linked views agree to the sample.
void ShowViewAt(CCanvasView& view, int zoom, double start);

// A "go to time" entry.
struct GoToTime {
    enum Kind { Seconds, TimeOfDay, DateTime } kind = Seconds;
    double seconds = 0.0;     // Seconds: from the start of the recording
    int64_t clock = 0;        // TimeOfDay: 100-ns units since midnight; DateTime: local file time
};

// Reads "12.5" (seconds from the start), "08:16:47.25" (a local time of day) or
// "2026-12-08T08:16:47.25" (a local date and time; a space may stand for the T). Seconds may be
// left out of a clock time and carry up to 7 decimals. A decimal comma is taken only when
// `decimalComma` is set. Nothing for anything else.
std::optional<GoToTime> ParseGoToTime(std::string_view text, bool decimalComma);

// Seconds from the start of a recording that starts at local file time `localStart` and lasts
// `duration` seconds. A time of day is taken on the day it falls inside the recording (the
// first such day), else on the recording's first day. The result may lie outside the recording.
double GoToSeconds(const GoToTime& t, int64_t localStart, double duration);

} // namespace vistrel
