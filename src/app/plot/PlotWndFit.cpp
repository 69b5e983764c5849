// Fitting the value scales of CPlotWnd to the visible samples: once (key Y, or a double-click on
// a lane's scale for that lane) or automatically whenever the view has moved.

#include <algorithm>
#include <cmath>
#include <vector>

#include "PlotWnd.h"
#include "core/recording/DataFile.h"
#include "core/view/ValueFit.h"

namespace vistrel {

namespace {

// Samples [a, b) the view shows, inside the recording.
bool VisibleSamples(double start, double end, uint64_t samples, uint64_t& a, uint64_t& b) {
    a = static_cast<uint64_t>(std::max(0.0, std::floor(start)));
    b = std::min<uint64_t>(samples, static_cast<uint64_t>(std::max(0.0, std::ceil(end))));
    return a < b;
}

} // namespace

bool CPlotWnd::FitValues(int channel) {
    if (!m_file || m_channelCount <= 0) return false;
    const uint64_t N = m_file->Samples() > 0 ? static_cast<uint64_t>(m_file->Samples()) : 0;
    uint64_t a = 0, b = 0;
    if (!VisibleSamples(m_visibleStart, m_visibleEnd, N, a, b)) return false;
    std::vector<int> channels;
    for (int c = 0; c < m_channelCount && c < kCanvasChannels; ++c)
        if (m_channelShown[c] && (channel < 0 || c == channel)) channels.push_back(c);
    if (channels.empty()) return false;
    const ISampleSource& src = MinMaxSource();
    std::vector<uint64_t> minPos(channels.size()), maxPos(channels.size());
    src.FindExtremes(channels.data(), static_cast<int>(channels.size()), a, b, minPos.data(), maxPos.data());
    bool changed = false;
    for (size_t i = 0; i < channels.size(); ++i) {
        const int c = channels[i];
        double low = 0, high = 0;
        if (!FitDisplayRange(static_cast<double>(src.Value(minPos[i], c)), static_cast<double>(src.Value(maxPos[i], c)),
                             &low, &high))
            continue;
        m_ranges[2 * c] = static_cast<float>(low);
        m_ranges[2 * c + 1] = static_cast<float>(high);
        changed = true;
    }
    if (!changed) return false;
    ResetVerticalZoom();
    return true;
}

void CPlotWnd::ResetVerticalZoom() {
    m_vZoom = 0;
    m_vCenter = 500.0;
    // Recomputing would snap a scrolled horizontal view to whole divisions: keep it.
    const double hCenter = m_hCenter, start = m_visibleStart, end = m_visibleEnd;
    Recompute();
    m_hCenter = hCenter;
    m_visibleStart = start;
    m_visibleEnd = end;
    UpdateLanes();
    FollowView();
    InvalidateCanvas();
}

void CPlotWnd::SetAutoFit(bool on) {
    m_autoFit = on;
    m_fittedStart = m_fittedEnd = -1.0;
    if (on && AutoFitIfMoved()) InvalidateCanvas();
}

bool CPlotWnd::AutoFitIfMoved() {
    if (!m_autoFit || !m_file) return false;
    if (m_visibleStart == m_fittedStart && m_visibleEnd == m_fittedEnd) return false;
    const uint64_t N = m_file->Samples() > 0 ? static_cast<uint64_t>(m_file->Samples()) : 0;
    uint64_t a = 0, b = 0;
    if (!VisibleSamples(m_visibleStart, m_visibleEnd, N, a, b)) return false;
    int shown = 0;
    for (int c = 0; c < m_channelCount && c < kCanvasChannels; ++c) shown += m_channelShown[c] ? 1 : 0;
    const uint64_t values = (b - a) * static_cast<uint64_t>(std::max(1, shown));
    if (values > kAutoFitScanValues && !SummariesReady()) {
        // A long view is fitted from the summaries only; until they are ready it waits.
        if (m_useSummaries) {
            StartSummaries();
            ScheduleSummaryPoll();
        }
        return false;
    }
    m_fittedStart = m_visibleStart;
    m_fittedEnd = m_visibleEnd;
    return FitValues();
}

int CPlotWnd::ScaleChannelAt(int x, int y) const {
    if (x < 0 || x >= m_plotRect.left || y < m_plotRect.top || y > m_plotRect.bottom) return -1;
    if (!m_lanes) return SelectedScaleChannel();
    const int lane = m_laneLayout.LaneAt(y);
    return lane >= 0 ? m_laneLayout.Channel(lane) : -1;
}

} // namespace vistrel
