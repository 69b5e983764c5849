#pragma once
// Threshold search in a plot window: the upward crossings of level cursor 1 by the selected
// channel. F3 / Shift+F3 step the view and time cursor 1 to the next / previous one; the
// read-out shows the first one after time cursor 1.

#include <cstdint>

namespace vistrel {

class CCrossingMemo;
class CPlotWnd;
class PlotWindow;

// Without summaries a search reads at most this many samples, so that it never holds up the
// window; with them it covers the whole recording at once.
constexpr uint64_t kPlainSearchSamples = uint64_t{1} << 20;

// The first upward crossing of level cursor 1 by the selected channel at a position after
// `after` (forward), or the last one before `before` (backward). With a memo, the same
// question as its last one is answered without a search.
bool LevelCrossing(const CPlotWnd& plot, uint64_t position, bool forward, uint64_t& at,
                   CCrossingMemo* memo = nullptr);

// F3 (forward) / Shift+F3: time cursor 1 onto the next / previous crossing, the view moved to
// show it. False when there is none (nothing moves).
bool StepToLevelCrossing(PlotWindow& window, bool forward);

} // namespace vistrel
