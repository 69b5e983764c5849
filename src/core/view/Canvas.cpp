#include "core/view/Canvas.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vistrel {

namespace {

// Truncation toward zero into a 64-bit integer, saturating instead of overflowing.
int64_t Trunc64(double v) {
    if (std::isnan(v))
        return 0;
    constexpr double kMax = 9.0e18;
    if (v >= kMax)
        return static_cast<int64_t>(kMax);
    if (v <= -kMax)
        return -static_cast<int64_t>(kMax);
    return static_cast<int64_t>(v);
}

int SaturateInt(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
}

} // namespace

CanvasRect MakeRect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }

CanvasRect AddRects(const CanvasRect& a, const CanvasRect& b) {
    return {a.left + b.left, a.top + b.top, a.right + b.right, a.bottom + b.bottom};
}

bool PointInRect(const CanvasRect& r, int x, int y) {
    return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

int RectWidth(const CanvasRect& r) { return std::abs(r.right - r.left); }
int RectHeight(const CanvasRect& r) { return std::abs(r.bottom - r.top); }

void RectCenter(const CanvasRect& r, int& x, int& y) {
    x = (r.left + r.right) / 2;
    y = (r.top + r.bottom) / 2;
}

void SplitPosition(uint32_t packed, int& x, int& y) {
    x = static_cast<int16_t>(packed & 0xFFFFu);
    y = static_cast<int16_t>((packed >> 16) & 0xFFFFu);
}

uint32_t PackPosition(int x, int y) {
    return (static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16) | static_cast<uint16_t>(x);
}

CCanvasView::CCanvasView(int hDivisions, int vDivisions)
    : m_hDivisions(std::max(1, hDivisions)), m_vDivisions(std::max(1, vDivisions)) {}

void CCanvasView::AttachView(int channelCount, int64_t totalSamples, const float* ranges,
                             int windowLengthCount, const double* windowLengths) {
    m_channelCount = std::clamp(channelCount, 0, kCanvasChannels);
    m_totalSamples = totalSamples;
    m_channelRanges = ranges;
    m_windowLengthCount = windowLengths ? std::max(0, windowLengthCount) : 0;
    m_windowLengths = windowLengths;
    m_hCenter = m_windowLengthCount > 0 ? m_windowLengths[0] / 2 : 0.0;
    RecomputeView();
}

double CCanvasView::FullLength() const {
    return m_windowLengthCount > 0 ? m_windowLengths[0] : 0.0;
}

double CCanvasView::WindowLength() const {
    if (m_windowLengthCount <= 0)
        return 0.0;
    return m_windowLengths[std::clamp(m_hZoom, 0, m_windowLengthCount - 1)];
}

void CCanvasView::RecomputeView() {
    // Vertical: the centre snaps to whole divisions, position 0 at the top.
    m_vZoom = std::clamp(m_vZoom, 0, kVZoomCount - 1);
    if (m_vZoom == 0)
        m_vCenter = 500.0;
    const double f = m_vZoomFactors[m_vZoom];
    const int64_t F = Trunc64(f);
    const int D = m_vDivisions;
    const int h = D / 2;
    m_vScrollMax = SaturateInt((F - 1) * D);
    int64_t p = Trunc64(m_vScrollMax + h - D * f * m_vCenter / 1000.0);
    p = std::clamp<int64_t>(p, 0, m_vScrollMax);
    m_vCenter = static_cast<double>(m_vScrollMax + h - p) * 1000.0 / static_cast<double>(F * D);

    // Value windows per channel.
    if (m_channelRanges) {
        for (int i = 0; i < m_channelCount; ++i) {
            const double lo = m_channelRanges[2 * i];
            const double hi = m_channelRanges[2 * i + 1];
            const double d = hi - lo;
            const double c = lo + d * m_vCenter / 1000.0;
            m_valueTop[i] = c + d / f / 2;
            m_valueBottom[i] = c - d / f / 2;
        }
    }

    // Horizontal: the left edge falls on a whole number of divisions.
    if (m_windowLengthCount > 0) {
        m_hZoom = std::clamp(m_hZoom, 0, m_windowLengthCount - 1);
        const double L0 = m_windowLengths[0];
        const double L = m_windowLengths[m_hZoom];
        const int H = m_hDivisions;
        const int g = H / 2;
        if (m_hZoom == 0)
            m_hCenter = L0 / 2;
        if (L > 0) {
            m_hScrollMax = std::max<int64_t>(0, Trunc64(H * L0 / L - H));
            int64_t q = Trunc64(H * m_hCenter / L - g);
            q = std::clamp<int64_t>(q, 0, m_hScrollMax);
            m_hCenter = static_cast<double>(g + q) * L / H;
        }
        m_visibleStart = std::max(0.0, m_hCenter - L / 2);
        m_visibleEnd = std::min(L0, m_hCenter + L / 2);
    } else {
        m_hZoom = 0;
        m_hScrollMax = 0;
        m_visibleStart = m_visibleEnd = m_hCenter = 0.0;
    }

    OnViewChanged();
}

bool CCanvasView::ZoomToSelection(const CanvasRect& plot, const CanvasRect& sel) {
    const int plotW = RectWidth(plot);
    const int plotH = RectHeight(plot);
    if (plotW == 0 || plotH == 0 || m_windowLengthCount == 0) {
        RecomputeView();
        return false;
    }
    ZoomHistory& hist = m_zoomHistory;
    const bool room = hist.count < kZoomHistoryDepth;
    if (room) {
        hist.hCenter[hist.count] = Trunc64(m_hCenter);
        hist.vCenter[hist.count] = SaturateInt(Trunc64(m_vCenter));
        hist.hZoom[hist.count] = m_hZoom;
        hist.vZoom[hist.count] = m_vZoom;
    }

    const double inf = std::numeric_limits<double>::infinity();
    const int selW = RectWidth(sel);
    const int selH = RectHeight(sel);
    const double rw = selW ? static_cast<double>(plotW) / selW : inf;
    const double rh = selH ? static_cast<double>(plotH) / selH : inf;
    const double E = WindowLength();
    const int V = m_vZoom;
    const int oldH = m_hZoom;

    while (m_hZoom < m_windowLengthCount - 1 && E / m_windowLengths[m_hZoom + 1] < rw)
        ++m_hZoom;
    while (m_vZoom < kVZoomCount - 1 && m_vZoomFactors[m_vZoom + 1] / m_vZoomFactors[V] < rh)
        ++m_vZoom;

    if (m_hZoom == oldH && m_vZoom == V) {
        RecomputeView();
        return false;
    }
    if (room)
        ++hist.count;

    int cx = 0, cy = 0;
    RectCenter(sel, cx, cy);

    // Horizontal: centre on the division boundary nearest to the selection's centre.
    const double L0 = m_windowLengths[0];
    const double newLen = m_windowLengths[m_hZoom];
    const int64_t M = std::max<int64_t>(1, Trunc64(newLen));
    const int H = m_hDivisions;
    const double c = m_visibleStart + static_cast<double>(cx - plot.left) * E / plotW;
    const int64_t base = (Trunc64(c) / M) * M;
    auto boundary = [&](int j) { return base + (M * j) / H; };
    int j = 0;
    while (j < H && static_cast<double>(boundary(j + 1)) <= c)
        ++j;
    if (j < H && std::abs(static_cast<double>(boundary(j + 1)) - c) <
                     std::abs(c - static_cast<double>(boundary(j))))
        ++j;
    double centre = static_cast<double>(boundary(j));
    centre = std::min(centre, L0 - newLen / 2);
    centre = std::max(centre, newLen / 2);
    m_hCenter = centre;

    // Vertical: the selection's centre row becomes the centre.
    const double S = 1000.0 / m_vZoomFactors[V];
    m_vCenter = (m_vCenter - S / 2) + static_cast<double>(plot.bottom - cy) * S / plotH;

    RecomputeView();
    return true;
}

bool CCanvasView::ZoomBack() {
    ZoomHistory& hist = m_zoomHistory;
    if (hist.count <= 0)
        return false;
    --hist.count;
    m_hCenter = static_cast<double>(hist.hCenter[hist.count]);
    m_hZoom = hist.hZoom[hist.count];
    m_vCenter = hist.vCenter[hist.count];
    m_vZoom = hist.vZoom[hist.count];
    RecomputeView();
    return true;
}

void CCanvasView::ResetZoomHistory() {
    m_zoomHistory.count = 1;
    m_zoomHistory.hCenter[0] = Trunc64(FullLength() / 2);
    m_zoomHistory.vCenter[0] = 500;
    m_zoomHistory.hZoom[0] = 0;
    m_zoomHistory.vZoom[0] = 0;
}

bool CCanvasView::ScrollHorizontal(int request, int thumb) {
    if (m_hZoom == 0 || m_windowLengthCount == 0)
        return false;
    const double L = WindowLength();
    const double L0 = FullLength();
    const double step = L / m_hDivisions;
    double d = 0.0;
    switch (request) {
    case kScrollLineUp: d = -std::min(step, m_visibleStart); break;
    case kScrollLineDown: d = std::min(step, L0 - m_visibleEnd); break;
    case kScrollPageUp: d = -std::min(L, m_visibleStart); break;
    case kScrollPageDown: d = std::min(L, L0 - m_visibleEnd); break;
    case kScrollTop: d = -m_visibleStart; break;
    case kScrollBottom: d = L0 - m_visibleEnd; break;
    case kScrollThumbPosition: {
        double t = L0 * (static_cast<double>(thumb) / kScrollRangeMax);
        t = std::min(t, L0 - L / 2);
        t = std::max(t, L / 2);
        d = t - m_hCenter;
        break;
    }
    default: return false;
    }
    if (d == 0.0)
        return false;
    m_hCenter += d;
    m_visibleStart += d;
    m_visibleEnd += d;
    return true;
}

bool CCanvasView::ScrollHorizontalTo(double start) {
    if (m_hZoom == 0 || m_windowLengthCount == 0 || std::isnan(start))
        return false;
    const double L = WindowLength();
    const double d = std::clamp(start, 0.0, std::max(0.0, FullLength() - L)) - m_visibleStart;
    if (d == 0.0)
        return false;
    m_hCenter += d;
    m_visibleStart += d;
    m_visibleEnd += d;
    return true;
}

bool CCanvasView::ScrollVertical(int request, int thumb) {
    if (request == kScrollEnd)
        return false;
    const int D = m_vDivisions;
    const int M = m_vScrollMax;
    const double f = VZoomFactor();
    const int64_t F = Trunc64(f);
    const double e = D / 2 + M - D * m_vCenter * f / 1000.0;
    const int64_t te = Trunc64(e);
    int64_t p = te;
    switch (request) {
    case kScrollLineUp: p = te > 0 ? te - 1 : te; break;
    case kScrollLineDown: p = te < M ? te + 1 : te; break;
    case kScrollPageUp: p = te < D ? 0 : te - D; break;
    // A page down near the end goes to the end (not one division back from it).
    case kScrollPageDown: p = te < M - D ? te + D : M; break;
    case kScrollThumbPosition:
        p = Trunc64(static_cast<double>(M) * thumb / kScrollRangeMax);
        break;
    default: break;
    }
    m_vCenter = 1000.0 * static_cast<double>(D / 2 + M - p) / static_cast<double>(D * F);
    // Recomputing would snap a scrolled horizontal view back to whole divisions: keep it.
    const double hCenter = m_hCenter, start = m_visibleStart, end = m_visibleEnd;
    RecomputeView();
    m_hCenter = hCenter;
    m_visibleStart = start;
    m_visibleEnd = end;
    return true;
}

namespace {

void SaveView(ZoomHistory& hist, double hCenter, double vCenter, int hZoom, int vZoom) {
    if (hist.count >= kZoomHistoryDepth) {
        // Full: the oldest view gives way.
        for (int i = 1; i < kZoomHistoryDepth; ++i) {
            hist.hCenter[i - 1] = hist.hCenter[i];
            hist.vCenter[i - 1] = hist.vCenter[i];
            hist.hZoom[i - 1] = hist.hZoom[i];
            hist.vZoom[i - 1] = hist.vZoom[i];
        }
        hist.count = kZoomHistoryDepth - 1;
    }
    hist.hCenter[hist.count] = Trunc64(hCenter);
    hist.vCenter[hist.count] = SaturateInt(Trunc64(vCenter));
    hist.hZoom[hist.count] = hZoom;
    hist.vZoom[hist.count] = vZoom;
    ++hist.count;
}

} // namespace

bool CCanvasView::ZoomHorizontalStep(int steps, double anchor) {
    if (m_windowLengthCount <= 0 || steps == 0)
        return false;
    const int target = std::clamp(m_hZoom + steps, 0, m_windowLengthCount - 1);
    if (target == m_hZoom)
        return false;
    if (target > m_hZoom)
        SaveView(m_zoomHistory, m_hCenter, m_vCenter, m_hZoom, m_vZoom);
    anchor = std::clamp(anchor, 0.0, 1.0);
    const double L0 = FullLength();
    const double sample = m_visibleStart + anchor * WindowLength();
    m_hZoom = target;
    const double L = WindowLength();
    double centre = sample + (0.5 - anchor) * L;
    m_hCenter = centre;
    RecomputeView();
    if (m_hZoom == 0)
        return true;
    // Then moved without snapping so that the anchor stays put, inside the recording.
    centre = std::clamp(centre, L / 2, std::max(L / 2, L0 - L / 2));
    const double d = centre - m_hCenter;
    m_hCenter += d;
    m_visibleStart += d;
    m_visibleEnd += d;
    return true;
}

bool CCanvasView::ZoomWhole() {
    if (m_windowLengthCount <= 0 || (m_hZoom == 0 && m_visibleStart == 0.0))
        return false;
    SaveView(m_zoomHistory, m_hCenter, m_vCenter, m_hZoom, m_vZoom);
    m_hZoom = 0;
    RecomputeView();
    return true;
}

int CCanvasView::HScrollBox() const {
    const double L0 = FullLength();
    if (L0 <= 0)
        return 0;
    return static_cast<int>(std::clamp<int64_t>(Trunc64(m_hCenter * kScrollRangeMax / L0), 0,
                                                kScrollRangeMax));
}

int CCanvasView::VScrollBox() const {
    return static_cast<int>(std::clamp<int64_t>(
        Trunc64((1000.0 - m_vCenter) * kScrollRangeMax / 1000.0), 0, kScrollRangeMax));
}

} // namespace vistrel
