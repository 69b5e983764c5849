#pragma once
// Mappings between pixels, samples and values that the measurement cursors use. Samples are
// 64-bit so that recordings of more than 2^32 samples per channel are measured correctly.

#include <cstdint>

namespace vistrel {

struct CursorGeometry {
    int left = 0, top = 0, right = 0, bottom = 0;  // plot rectangle
    double S0 = 0.0, S1 = 0.0;                    // visible start and end in samples
    double T = 1.0, B = 0.0;                      // selected channel's values at top and bottom
    uint64_t lastSample = UINT64_MAX;             // last sample of the recording

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }

    // Sample shown at column x.
    uint64_t SampleAt(int x) const;
    // Column of sample s (may lie outside the plot).
    int ColumnOf(uint64_t s) const;
    // Row of value v (may lie outside the plot).
    int RowOf(double v) const;
    // Value of the scale at row y.
    double ValueAt(int y) const;
    // s limited to the visible range and to the recording (a view may reach past its end).
    uint64_t LimitSample(uint64_t s) const;
    // The clamping of a drag or drop point: x to left..right-1, y to top+1..bottom-1.
    void ClampPoint(int& x, int& y) const;
    // Column snapping of a dropped time cursor: from x to the first column showing another
    // sample (or to right); the cursor reads the sample after the one under x.
    void SnapDrop(int x, int& outX, uint64_t& outSample) const;
};

} // namespace vistrel
