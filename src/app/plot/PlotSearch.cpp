#include "PlotSearch.h"

#include <algorithm>
#include <cmath>

#include "Cursors.h"
#include "PlotWindow.h"
#include "core/measure/Crossing.h"

namespace vistrel {

bool LevelCrossing(const CPlotWnd& plot, uint64_t position, bool forward, uint64_t& at, CCrossingMemo* memo) {
    if (!plot.m_levelCursor1) return false;
    const ISampleSource& src = plot.m_source;
    const uint64_t N = src.Samples();
    const double level = static_cast<double>(plot.m_levelCursor1->m_value);
    if (!std::isfinite(level)) return false;
    std::shared_ptr<const CSummaries> summaries;
    if (plot.m_summaryBuilder.Ready()) summaries = plot.m_summaryBuilder.Result();
    uint64_t from = forward ? position + 1 : 0, to = forward ? N : std::min(position, N);
    if (!summaries) {
        if (forward)
            to = std::min(to, from + kPlainSearchSamples);
        else
            from = to > kPlainSearchSamples ? to - kPlainSearchSamples : 0;
    }
    if (memo) return memo->Find(src, summaries.get(), plot.m_selectedChannel, level, from, to, forward, at);
    return FindUpwardCrossing(src, summaries.get(), plot.m_selectedChannel, level, from, to, forward, at);
}

bool StepToLevelCrossing(PlotWindow& window, bool forward) {
    CPlotWnd* p = window.Plot();
    if (!p || !p->m_timeCursor1) return false;
    uint64_t at = 0;
    if (!LevelCrossing(*p, p->m_timeCursor1->m_sample, forward, at)) return false;
    const double s = static_cast<double>(at);
    if (s < p->m_visibleStart || s >= p->m_visibleEnd) {
        // Centred on the crossing (the view snaps to whole divisions, so check again).
        p->m_hCenter = s;
        p->RecomputeView();
        if (s < p->m_visibleStart || s >= p->m_visibleEnd) {
            p->m_hCenter += s < p->m_visibleStart ? s - p->m_visibleStart : s - p->m_visibleEnd + 1;
            p->RecomputeView();
        }
        window.SetScrollBox(0, p->HScrollBox());
    }
    p->m_timeCursor1->m_sample = at;
    p->FollowView();
    p->InvalidateCanvas();
    return true;
}

} // namespace vistrel
