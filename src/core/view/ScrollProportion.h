#pragma once
// Proportional scroll bars: the thumb's size is the visible share of the whole and its place
// that of the view. The track stands for kScrollRangeMax units whatever the whole is, so views
// of recordings longer than 2^31 samples fit the int range of a scroll bar.

#include <cstdint>

namespace vistrel {

struct ScrollThumb {
    int maximum = 0;   // the bar runs 0 .. maximum
    int page = 0;      // the thumb's size; maximum + page == kScrollRangeMax
    int value = 0;     // the thumb's place
    bool operator==(const ScrollThumb&) const = default;
};

// The thumb of a view of `visible` units from `start` on, out of `total`. A view that reaches
// the end puts the thumb at the end; a view of everything fills the track.
ScrollThumb ProportionalThumb(double start, double visible, double total);

// The start a thumb at `value` stands for, inside 0 .. total - visible (the inverse of
// ProportionalThumb up to the track's resolution, exact at both ends).
double StartOfThumb(int value, double visible, double total);

} // namespace vistrel
