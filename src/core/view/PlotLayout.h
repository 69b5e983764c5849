#pragma once
// Layout of a plot window for one recording, free of any GUI library: the table of 144 time
// windows, the display range aligned to its own divisions, the window-length table in samples
// that the horizontal zoom runs through, and the default trace colours.

#include <cstdint>

namespace vistrel {

constexpr int kTimeWindowCount = 144;
constexpr int kPlotHDivisions = 6;
constexpr int kPlotVDivisions = 4;
constexpr int kMinWindowSamples = 30;   // the shortest zoom window holds at least this many samples

// Fills 144 window lengths in 100-ns units: 300, 360, ... 2400, then each entry ten times the one
// twelve places earlier.
void FillTimeWindows(int64_t* windows);
// The table itself (filled once).
const int64_t* TimeWindowTable();

// Duration of a recording in 100-ns units: trunc(10^7 / rate x samples); 0 for a rate that is not
// a positive finite number; saturates for absurd lengths.
int64_t RecordingDuration(float rate, int64_t samples);

// Smallest index whose window is not shorter than `duration`; kTimeWindowCount when none is.
int FirstWindowIndex(const int64_t* windows, int64_t duration);

struct DisplayRange {
    int index = 0;          // entry of the time-window table shown at zoom index 0
    int64_t begin = 0;      // aligned window begin (same time scale as the start time)
    int64_t end = 0;        // begin + 6 divisions
    int64_t division = 0;   // one division in 100-ns units
    bool tooLong = false;   // even the last window cannot hold the recording
};

// The shortest window from `first` on, aligned to whole divisions of itself in absolute time, that
// holds [startTime, startTime + duration]. A recording longer than every window gets the last one.
DisplayRange ChooseDisplayRange(const int64_t* windows, int first, int64_t startTime,
                                int64_t duration);

// Window lengths in samples for zoom indices 0, 1, ...: entry i holds trunc(windows[display - i] x
// samples / duration). Stops before the first entry below 30 samples, but always keeps entry 0.
// `out` must have room for kTimeWindowCount entries. Returns the number of entries.
int BuildWindowSamples(const int64_t* windows, int displayWindow, int64_t samples,
                       int64_t duration, double* out);

// The zoom table of a plot: index 0 spans the recording exactly (`samples`); index i >= 1 is
// table entry `first - i` in samples, `first` being the smallest entry not shorter than the
// recording (FirstWindowIndex; the last entry when none is). Stops before the first entry below
// 30 samples. `out` must have room for kTimeWindowCount entries. Returns the number of entries.
int BuildZoomTable(const int64_t* windows, int first, int64_t samples, int64_t duration, double* out);
// Table entry of zoom index `zoom` (index 0: `first`, clamped into the table).
int ZoomWindowIndex(int first, int zoom);

// Zoom indices as "Vistrel.cfg" keeps them count from the aligned display window (index i is
// entry display - i); the plot counts from `first`. Entries not shorter than the recording are
// the whole view.
int ZoomIndexFromSaved(int saved, int display, int first);
int ZoomIndexToSaved(int zoom, int display, int first);

// Default trace colour (0x00BBGGRR) of a channel 0..255.
uint32_t DefaultChannelColour(int channel);

} // namespace vistrel
