#include "core/view/LaneLayout.h"

#include <algorithm>
#include <cmath>

#include "core/view/TraceDecimation.h"

namespace vistrel {

void CLaneLayout::SetChannels(const int* channels, int count) {
    std::vector<int> next(channels, channels + std::max(count, 0));
    if (next == m_channels) return;
    m_channels = std::move(next);
    Reset();
}

void CLaneLayout::Reset() {
    const int n = Count();
    m_edges.resize(n + 1);
    for (int k = 0; k <= n; ++k) m_edges[k] = n > 0 ? static_cast<double>(k) / n : 0.0;
    SetScroll(m_scroll);
}

void CLaneLayout::SetViewport(int top, int bottom) {
    m_top = top;
    m_bottom = std::max(top, bottom);
    for (int k = 0; k < Count(); ++k)
        if (Boundary(k + 1) - Boundary(k) < kMinLaneHeight) {
            Reset();
            return;
        }
    SetScroll(m_scroll);
}

bool CLaneLayout::SetEdges(const std::vector<double>& edges) {
    if (Count() == 0 || static_cast<int>(edges.size()) != Count() + 1 || edges.front() != 0.0 || edges.back() != 1.0)
        return false;
    for (size_t k = 1; k < edges.size(); ++k)
        if (!std::isfinite(edges[k]) || !(edges[k] > edges[k - 1])) return false;
    m_edges = edges;
    SetViewport(m_top, m_bottom);
    return true;
}

int CLaneLayout::LaneOf(int channel) const {
    const auto it = std::find(m_channels.begin(), m_channels.end(), channel);
    return it == m_channels.end() ? -1 : static_cast<int>(it - m_channels.begin());
}

int CLaneLayout::ContentHeight() const { return std::max(ViewportHeight(), Count() * kMinLaneHeight); }

void CLaneLayout::SetScroll(int offset) { m_scroll = std::clamp(offset, 0, MaxScroll()); }

int CLaneLayout::Boundary(int k) const {
    return static_cast<int>(std::lround(m_edges[k] * ContentHeight()));
}

int CLaneLayout::LaneTop(int lane) const { return m_top - m_scroll + Boundary(lane); }
int CLaneLayout::LaneBottom(int lane) const { return m_top - m_scroll + Boundary(lane + 1); }

int CLaneLayout::LaneAt(int y) const {
    if (y < m_top || y >= m_bottom || Count() == 0) return -1;
    // Boundaries grow with k: the last lane whose top is not below y.
    int lo = 0, hi = Count() - 1;
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (LaneTop(mid) <= y) lo = mid; else hi = mid - 1;
    }
    return y < LaneBottom(lo) ? lo : -1;
}

int CLaneLayout::SeparatorAt(int y, int tolerance) const {
    const int lane = LaneAt(y);
    if (lane < 0) return -1;
    if (lane + 1 < Count() && LaneBottom(lane) - y <= tolerance) return lane;
    if (lane > 0 && y - LaneTop(lane) < tolerance) return lane - 1;
    return -1;
}

int CLaneLayout::DragSeparator(int lane, int dy) {
    if (lane < 0 || lane + 1 >= Count()) return 0;
    const int H = ContentHeight();
    const int upper = Boundary(lane), mid = Boundary(lane + 1), lower = Boundary(lane + 2);
    const int target = std::clamp(mid + dy, upper + kMinLaneHeight, std::max(upper + kMinLaneHeight, lower - kMinLaneHeight));
    if (target == mid || H <= 0) return 0;
    m_edges[lane + 1] = static_cast<double>(target) / H;
    return target - mid;
}

int CLaneLayout::ValueRow(int lane, double v, double top, double bottom) const {
    const int b = LaneBottom(lane) - 1;
    return vistrel::ValueRow(v, b, b - LaneTop(lane), top, bottom);
}

} // namespace vistrel
