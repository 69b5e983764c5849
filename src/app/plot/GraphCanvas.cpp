#include "GraphCanvas.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPaintEvent>
#include <QRegion>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace vistrel {

QColor ColorFromRef(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

uint32_t RefFromColor(const QColor& c) {
    return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
           (static_cast<uint32_t>(c.blue()) << 16);
}

QFont MakeLabelFont(int pixelHeight, int weight) {
    static const QString family = [] {
        const QString preferred = QStringLiteral("Segoe UI");
        if (QFontDatabase::families().contains(preferred))
            return preferred;
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    QFont f(family);
    f.setPixelSize(std::max(1, pixelHeight));
    f.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 100, 900)));
    f.setStyleStrategy(QFont::PreferDefault);
    return f;
}

namespace {

QRect ToQRect(const CanvasRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

QSize g_screenOverride;

// A hairline on a screen of one device pixel per logical pixel; on a denser screen as many device
// pixels as one logical pixel covers, so that the grid keeps its weight next to the traces.
void ScaleCosmeticPen(QPen& pen, qreal dpr) {
    pen.setCosmetic(true);
    pen.setWidth(dpr < 1.5 ? 0 : static_cast<int>(std::lround(dpr)));
}

void FullScreenClient(int& w, int& h) {
    const QSize s = FullScreenClientSize();
    w = s.width();
    h = s.height();
}

} // namespace

QSize FullScreenClientSize() {
    if (!g_screenOverride.isEmpty())
        return g_screenOverride;
    const QScreen* s = QGuiApplication::primaryScreen();
    const QRect g = s ? s->availableGeometry() : QRect(0, 0, 1920, 1080);
    return QSize(g.width(), std::max(1, g.height() - CGraphCanvas::kCaptionHeight));
}

void SetFullScreenOverride(const QSize& size) { g_screenOverride = size; }

CGraphCanvas::CGraphCanvas(QWidget* window, const CanvasRect& canvasRect, int hDivisions,
                           int vDivisions)
    : CCanvasView(hDivisions, vDivisions), m_hWnd(window), m_canvasRect(canvasRect) {
    m_backBrush = QBrush(QColor(255, 255, 255));
    m_gridPen = QPen(ColorFromRef(0xE0E0E0), 0, Qt::SolidLine);
    m_selectPen = QPen(Qt::black, 0, Qt::DotLine);
    FullScreenClient(m_screenW, m_screenH);
    m_labelFont = MakeLabelFont(m_screenH / 48, 600);
    m_vLabelFont = MakeLabelFont(m_screenH / 50, 600);
    m_plotRect = AddRects(m_canvasRect, MakeRect(kFrameMargin, kCaptionHeight, -kFrameMargin,
                                                 -kCaptionHeight));
    for (int i = 0; i < kCanvasChannels; ++i) {
        m_penColors[i] = 0;
        m_penWidths[i] = 1;
        m_pens[i] = QPen(Qt::black, 1, Qt::SolidLine);
    }
}

CGraphCanvas::~CGraphCanvas() = default;

void CGraphCanvas::AttachData(int channelCount, int64_t totalSamples, const float* samples,
                              const float* ranges, int windowLengthCount,
                              const double* windowLengths, int64_t sampleFrames) {
    m_samples = samples;
    m_sampleFrames = sampleFrames;
    AttachView(channelCount, totalSamples, ranges, windowLengthCount, windowLengths);
    InvalidateCanvas();
}

void CGraphCanvas::SetAxisLabels(const char* text, int length, int set) {
    if (set < 0 || set >= kLabelSets)
        return;
    QStringList list;
    int start = 0;
    for (int i = 0; i <= length; ++i) {
        if (i == length || text[i] == '\0' || text[i] == '|') {
            if (i > start || i < length)
                list.append(QString::fromLocal8Bit(text + start, i - start));
            start = i + 1;
        }
    }
    SetAxisLabels(list, set);
}

void CGraphCanvas::SetAxisLabels(const QStringList& labels, int set) {
    if (set < 0 || set >= kLabelSets)
        return;
    m_labelSetUsed[set] = true;
    const int count = std::min(kMaxLabels, (set < 2 ? m_vDivisions : m_hDivisions) + 1);
    for (int i = 0; i < count; ++i)
        m_labels[set][i] = i < labels.size() ? labels[i].left(255) : QString();
}

void CGraphCanvas::SetChannelPen(int channel, uint32_t colour, int width) {
    if (channel < 0 || channel >= kCanvasChannels)
        return;
    width = std::clamp(width, 0, 64);
    m_penWidths[channel] = width;
    m_penColors[channel] = colour & 0xFFFFFF;
    const uint32_t shown = DisplayColour(colour, ColoursOf(m_scheme).background);
    m_pens[channel] = QPen(ColorFromRef(shown), width, Qt::SolidLine);
    if (width == 0) ScaleCosmeticPen(m_pens[channel], m_penDpr);   // a hairline of the screen
}

void CGraphCanvas::SetScheme(ColourScheme scheme) {
    m_scheme = scheme;
    const SchemeColours& c = ColoursOf(scheme);
    m_backBrush = QBrush(ColorFromRef(c.background));
    m_gridPen.setColor(ColorFromRef(c.grid));
    m_selectPen.setColor(ColorFromRef(c.selection));
    m_textColour = ColorFromRef(c.text);
    for (int i = 0; i < kCanvasChannels; ++i) SetChannelPen(i, m_penColors[i], m_penWidths[i]);
}

void CGraphCanvas::SetChannelPens(const uint32_t* colours, const int* widths) {
    for (int i = 0; i < kCanvasChannels; ++i)
        SetChannelPen(i, colours[i], widths[i]);
    InvalidateCanvas();
}

void CGraphCanvas::SetChannelPenWidth(int channel, int width) {
    if (channel < 0 || channel >= kCanvasChannels)
        return;
    SetChannelPen(channel, m_penColors[channel], width);
    InvalidateCanvas();
}

void CGraphCanvas::InvalidateCanvas() {
    if (m_hWnd)
        m_hWnd->update(ToQRect(m_canvasRect));
}

int CGraphCanvas::DrawGrid(QPainter&, int, int, int, int, const QPen&) { return 0; }
int CGraphCanvas::DrawLabels(QPainter&, int, int, int, int, const QFont&, const QFont&, const QColor&) {
    return 0;
}
int CGraphCanvas::DrawTraces(QPainter&, int, int, int, int, const QPen*) { return 0; }
int CGraphCanvas::PreLButtonDown(unsigned, int, int) { return 0; }
int CGraphCanvas::PreLButtonUp(unsigned, int, int) { return 0; }
int CGraphCanvas::PreMouseMove(unsigned, int, int) { return 0; }
int CGraphCanvas::SideMargin(int) const { return QFontMetrics(m_vLabelFont).height(); }

void CGraphCanvas::Paint(QPainter& dc) {
    // The device actually painted: a widget rendered into an image paints that image, whose
    // ratio counts, not the widget's.
    const QPaintDevice* target = dc.paintEngine() ? dc.paintEngine()->paintDevice() : dc.device();
    const qreal dpr = target ? target->devicePixelRatio() : 1.0;
    ScaleCosmeticPen(m_gridPen, dpr);
    ScaleCosmeticPen(m_selectPen, dpr);
    if (dpr != m_penDpr) {
        m_penDpr = dpr;
        for (int i = 0; i < kCanvasChannels; ++i)
            if (m_penWidths[i] == 0) ScaleCosmeticPen(m_pens[i], dpr);
    }
    dc.fillRect(ToQRect(m_canvasRect), m_backBrush);

    m_charSize = QFontMetrics(m_labelFont).size(Qt::TextSingleLine, QStringLiteral("A"));
    const int left = m_labelSetUsed[0] ? SideMargin(0) : kFrameMargin;
    const int right = m_labelSetUsed[1] ? SideMargin(1) : kFrameMargin;
    const int top = m_labelSetUsed[2] ? m_charSize.height() : kFrameMargin;
    const int bottom = m_labelSetUsed[3] ? m_charSize.height() : kFrameMargin;
    m_plotRect = AddRects(m_canvasRect, MakeRect(left, top, -right, -bottom));
    const CanvasRect& p = m_plotRect;

    if (!DrawGrid(dc, p.left, p.top, p.right, p.bottom, m_gridPen))
        DrawDefaultGrid(dc);
    if (!DrawLabels(dc, p.left, p.top, p.right, p.bottom, m_labelFont, m_vLabelFont, m_textColour))
        DrawDefaultLabels(dc);
    if (!DrawTraces(dc, p.left, p.top, p.right, p.bottom, nullptr))
        DrawDefaultTraces(dc);

    if (m_dragging) {
        dc.setPen(m_selectPen);
        dc.setBrush(Qt::NoBrush);
        const CanvasRect& s = m_selRect;
        const QPoint pts[5] = {{s.left, s.top}, {s.right, s.top}, {s.right, s.bottom},
                               {s.left, s.bottom}, {s.left, s.top}};
        dc.drawPolyline(pts, 5);
    }
}

void CGraphCanvas::DrawDefaultGrid(QPainter& dc) {
    const CanvasRect& p = m_plotRect;
    dc.setPen(m_gridPen);
    const int nv = 5 * m_vDivisions;
    for (int i = 0; i <= nv; ++i) {
        const int y = p.top + i * (p.bottom - p.top) / nv;
        dc.drawLine(p.left, y, p.right, y);
        if (i % 5 == 0)
            dc.drawLine(p.left, y + 1, p.right, y + 1);
    }
    const int nh = 5 * m_hDivisions;
    for (int i = 0; i <= nh; ++i) {
        const int x = p.left + i * (p.right - p.left) / nh;
        dc.drawLine(x, p.top, x, p.bottom);
        if (i % 5 == 0)
            dc.drawLine(x + 1, p.top, x + 1, p.bottom);
    }
}

void CGraphCanvas::DrawDefaultLabels(QPainter& dc) {
    const CanvasRect& p = m_plotRect;
    dc.setPen(m_pens[0].color());
    dc.setBackgroundMode(Qt::TransparentMode);

    dc.setFont(m_vLabelFont);
    const QFontMetrics vfm(m_vLabelFont);
    const int th = vfm.height();
    for (int set = 0; set < 2; ++set) {
        if (!m_labelSetUsed[set])
            continue;
        const int x = set == 0 ? p.left - th : p.right;
        for (int i = 0; i <= m_vDivisions; ++i) {
            const QString& s = m_labels[set][i];
            if (s.isEmpty())
                continue;
            const int len = vfm.horizontalAdvance(s);
            int c = p.bottom - i * (p.bottom - p.top) / m_vDivisions;
            c = std::clamp(c, p.top + len / 2, std::max(p.top + len / 2, p.bottom - len / 2));
            dc.save();
            dc.translate(x, c + len / 2);
            dc.rotate(-90);
            dc.drawText(QRect(0, 0, len + 1, th), Qt::AlignLeft | Qt::AlignTop, s);
            dc.restore();
        }
    }

    dc.setFont(m_labelFont);
    const QFontMetrics hfm(m_labelFont);
    const int hh = hfm.height();
    for (int set = 2; set < 4; ++set) {
        if (!m_labelSetUsed[set])
            continue;
        const int y = set == 2 ? p.top - hh : p.bottom;
        for (int i = 0; i <= m_hDivisions; ++i) {
            const QString& s = m_labels[set][i];
            if (s.isEmpty())
                continue;
            const int len = hfm.horizontalAdvance(s);
            int c = p.left + i * (p.right - p.left) / m_hDivisions;
            c = std::clamp(c, p.left + len / 2, std::max(p.left + len / 2, p.right - len / 2));
            dc.drawText(QRect(c - len / 2, y, len + 1, hh), Qt::AlignLeft | Qt::AlignTop, s);
        }
    }
}

void CGraphCanvas::DrawDefaultTraces(QPainter& dc) {
    if (!m_samples || m_channelCount <= 0 || m_windowLengthCount <= 0)
        return;
    const CanvasRect& p = m_plotRect;
    const int w = p.right - p.left;
    if (w <= 0)
        return;
    int64_t frames = static_cast<int64_t>(FullLength());
    if (m_sampleFrames >= 0)
        frames = std::min(frames, m_sampleFrames);
    if (frames <= 0)
        return;
    const int64_t lastSample = frames - 1;
    for (int ch = 0; ch < m_channelCount; ++ch) {
        if (ch < 32 && !(m_channelMask & (1u << ch)))
            continue;
        if (ch >= 32)
            continue;   // the mask selects channels 0 to 31 only
        dc.setPen(m_pens[ch]);
        const double span = m_valueTop[ch] - m_valueBottom[ch];
        bool havePrev = false, prevInside = false;
        QPoint prev;
        for (int x = p.left + 1; x <= p.right - 1; ++x) {
            int64_t s = static_cast<int64_t>((x - p.left - 1) * (m_visibleEnd - m_visibleStart) / w +
                                             m_visibleStart);
            s = std::clamp<int64_t>(s, 0, lastSample);
            const double v = m_samples[s * m_channelCount + ch];
            double yy = span != 0 ? (v - m_valueBottom[ch]) * (p.bottom - p.top) / span : 0.0;
            yy = std::clamp(yy, -1.0e6, 1.0e6);
            const int y = std::clamp(p.bottom - static_cast<int>(yy), p.top - 1, p.bottom);
            const QPoint pt(x, y);
            const bool inside = PointInRect(p, x, y);
            if (havePrev && (inside || prevInside))
                dc.drawLine(prev, pt);
            prev = pt;
            prevInside = inside;
            havePrev = true;
        }
    }
}

void CGraphCanvas::OnLButtonDown(unsigned keys, int x, int y) {
    if (y < m_plotRect.top)
        return;
    if (PreLButtonDown(keys, x, y))
        return;
    if (x < m_plotRect.left + 3 || x > m_plotRect.right - 2)
        return;
    m_dragging = true;
    m_dragStartX = x;
    m_dragStartY = y;
    m_selRect = MakeRect(x, y, x, y);
    m_prevSelRect = CanvasRect{};
}

void CGraphCanvas::InvalidateSelectionEdges(const CanvasRect& r) {
    if (!m_hWnd || (r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0))
        return;
    QRegion region;
    const int w = r.right - r.left + 3;
    const int h = r.bottom - r.top + 3;
    region += QRect(r.left - 1, r.top - 1, w, 3);
    region += QRect(r.left - 1, r.bottom - 1, w, 3);
    region += QRect(r.left - 1, r.top - 1, 3, h);
    region += QRect(r.right - 1, r.top - 1, 3, h);
    m_hWnd->update(region);
}

void CGraphCanvas::OnMouseMove(unsigned keys, int x, int y) {
    if (y >= 0 && y < m_plotRect.top)
        return;
    if (PreMouseMove(keys, x, y))
        return;
    x = std::clamp(x, m_plotRect.left, m_plotRect.right);
    y = std::clamp(y, m_plotRect.top, m_plotRect.bottom);
    if (!m_dragging)
        return;
    m_selRect = MakeRect(std::min(m_dragStartX, x), std::min(m_dragStartY, y),
                         std::max(m_dragStartX, x), std::max(m_dragStartY, y));
    InvalidateSelectionEdges(m_selRect);
    InvalidateSelectionEdges(m_prevSelRect);
    m_prevSelRect = m_selRect;
    if (!(keys & kKeyLButton))
        EndDrag();
}

void CGraphCanvas::EndDrag() {
    InvalidateSelectionEdges(m_selRect);
    InvalidateSelectionEdges(m_prevSelRect);
    m_dragging = false;
    m_dragStartX = m_dragStartY = 0;
    m_selRect = CanvasRect{};
    m_prevSelRect = CanvasRect{};
}

void CGraphCanvas::OnLButtonUp(unsigned keys, int x, int y) {
    if (PreLButtonUp(keys, x, y))
        return;
    if (!m_dragging)
        return;
    if (std::abs(x - m_dragStartX) < 8 && std::abs(y - m_dragStartY) < 8) {
        EndDrag();
        return;
    }
    // The band ends where the button was released.
    x = std::clamp(x, m_plotRect.left, m_plotRect.right);
    y = std::clamp(y, m_plotRect.top, m_plotRect.bottom);
    m_selRect = MakeRect(std::min(m_dragStartX, x), std::min(m_dragStartY, y),
                         std::max(m_dragStartX, x), std::max(m_dragStartY, y));
    ZoomToSelection(m_plotRect, m_selRect);
    EndDrag();
    InvalidateCanvas();
}

void CGraphCanvas::OnRButtonDown(unsigned, int x, int y) {
    if (m_zoomHistory.count <= 0 || y < m_plotRect.top || !PointInRect(m_plotRect, x, y))
        return;
    ZoomBack();
    InvalidateCanvas();
}

bool CGraphCanvas::CanvasEvent(QEvent* event) {
    auto keysOf = [](const QMouseEvent* me) {
        unsigned k = 0;
        if (me->buttons() & Qt::LeftButton)
            k |= kKeyLButton;
        if (me->modifiers() & Qt::ShiftModifier)
            k |= kKeyShift;
        return k;
    };
    switch (event->type()) {
    case QEvent::Paint: {
        QPainter dc(m_hWnd);
        Paint(dc);
        return true;
    }
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint pt = me->position().toPoint();
        OnMouseMove(keysOf(me), pt.x(), pt.y());
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint pt = me->position().toPoint();
        if (me->button() == Qt::LeftButton)
            OnLButtonDown(keysOf(me), pt.x(), pt.y());
        else if (me->button() == Qt::RightButton)
            OnRButtonDown(keysOf(me), pt.x(), pt.y());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint pt = me->position().toPoint();
        if (me->button() == Qt::LeftButton)
            OnLButtonUp(keysOf(me), pt.x(), pt.y());
        return true;
    }
    default:
        return false;
    }
}

} // namespace vistrel
