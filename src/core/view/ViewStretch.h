#pragma once
// A view of exactly a chosen stretch of samples, for pictures of part of a recording.

#include "core/view/Canvas.h"

namespace vistrel {

// Shows samples [start, end) across the whole plot: the zoom index becomes that of the shortest
// window of the table still holding the stretch (its time-axis steps fit it), then the visible
// range is set to the stretch itself, without the snapping to whole divisions. The next
// scroll or zoom snaps again. False (nothing changed) for an empty stretch or a view
// without a window table.
bool ShowStretch(CCanvasView& view, double start, double end);

} // namespace vistrel
