#include "core/view/ViewStretch.h"

namespace vistrel {

bool ShowStretch(CCanvasView& view, double start, double end) {
    if (!(end > start) || start < 0 || view.m_windowLengthCount <= 0) return false;
    const double length = end - start;
    int zoom = 0;
    while (zoom + 1 < view.m_windowLengthCount && view.m_windowLengths[zoom + 1] >= length) ++zoom;
    view.m_hZoom = zoom;
    view.m_hCenter = (start + end) / 2;
    view.RecomputeView();   // value windows, scroll limits
    view.m_hCenter = (start + end) / 2;
    view.m_visibleStart = start;
    view.m_visibleEnd = end;
    view.OnViewChanged();
    return true;
}

} // namespace vistrel
