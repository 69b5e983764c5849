#include "Cursors.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace vistrel {

namespace {

int ScreenHeight() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 1080;
}

QRect ToQRect(const CanvasRect& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)); }

// A marker: outlined and lettered in the line's colour, filled with `fill`.
void DrawMarker(QPainter& dc, const QPoint (&pts)[5], const CanvasRect& textRect, QChar label, const QColor& line,
                const QColor& fill) {
    dc.setPen(QPen(line, 1, Qt::SolidLine));
    dc.setBrush(fill);
    dc.drawPolygon(pts, 5);
    dc.drawText(ToQRect(textRect), Qt::AlignCenter, QString(label));
}

CanvasRect Bounds(const QPoint (&pts)[5]) {
    CanvasRect r{pts[0].x(), pts[0].y(), pts[0].x(), pts[0].y()};
    for (const QPoint& p : pts) {
        r.left = std::min(r.left, p.x());
        r.top = std::min(r.top, p.y());
        r.right = std::max(r.right, p.x());
        r.bottom = std::max(r.bottom, p.y());
    }
    return r;
}

CanvasRect Union(const CanvasRect& a, const CanvasRect& b) {
    return CanvasRect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                      std::max(a.bottom, b.bottom)};
}

} // namespace

CCursorBase::CCursorBase(QWidget* window, int labelCode, const CanvasRect& plotRect)
    : m_label(QChar(labelCode)), m_window(window), m_plotRect(plotRect) {
    m_pen = QPen(Qt::black, 1, Qt::DotLine);
    const int h = ScreenHeight();
    m_markerLength = h / 80;
    m_markerSide = h / 150;
    Invalidate();
}

void CCursorBase::SetColours(uint32_t line, uint32_t fill, uint32_t dot) {
    m_pen.setColor(QColor(line & 0xFF, (line >> 8) & 0xFF, (line >> 16) & 0xFF));
    m_fill = QColor(fill & 0xFF, (fill >> 8) & 0xFF, (fill >> 16) & 0xFF);
    m_dot = QColor(dot & 0xFF, (dot >> 8) & 0xFF, (dot >> 16) & 0xFF);
}

void CCursorBase::Invalidate() {
    if (!m_window)
        return;
    auto upd = [this](const CanvasRect& r) {
        if (r.right > r.left && r.bottom > r.top)
            m_window->update(r.left - 1, r.top - 1, r.right - r.left + 3, r.bottom - r.top + 3);
    };
    upd(m_markerRect1);
    upd(m_markerRect2);
    upd(m_lineRect);
    upd(m_grabRect);
}

void CCursorBase::MoveTo(int position) {
    const int d = position - m_position;
    m_prevPosition = m_position;
    m_position = position;
    if (dynamic_cast<CTimeCursor*>(this)) {
        m_grabRect.left += d;
        m_grabRect.right += d;
    } else {
        m_grabRect.top += d;
        m_grabRect.bottom += d;
    }
}

CTimeCursor::CTimeCursor(QWidget* window, int labelCode, const CanvasRect& plotRect)
    : CCursorBase(window, labelCode, plotRect) {}

void CTimeCursor::Paint(QPainter& dc) {
    const int x = m_position;
    const CanvasRect& p = m_plotRect;
    if (x < p.left || x > p.right)
        return;
    const int w = m_markerSide, a = m_markerLength;
    m_grabRect = MakeRect(x - w - 1, p.top - 1, x + w + 1, p.bottom + 1);
    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    dc.setPen(m_pen);
    dc.drawLine(x, p.top, x, p.bottom);
    m_lineRect = MakeRect(x - 3, p.top, x + 3, p.bottom);

    // Pointers at both ends, tips into the plot.
    const QPoint topMarker[5] = {{x, p.top + a}, {x + w, p.top + w}, {x + w, p.top}, {x - w, p.top}, {x - w, p.top + w}};
    DrawMarker(dc, topMarker, MakeRect(x - w, p.top - 1, x + w + 1, p.top + a), m_label, m_pen.color(), m_fill);
    const QPoint bottomMarker[5] = {{x, p.bottom - a}, {x + w, p.bottom - w}, {x + w, p.bottom}, {x - w, p.bottom},
                                    {x - w, p.bottom - w}};
    DrawMarker(dc, bottomMarker, MakeRect(x - w, p.bottom - a + 1, x + w + 1, p.bottom + 2), m_label, m_pen.color(), m_fill);
    m_markerRect1 = Union(Bounds(topMarker), MakeRect(x - w, p.top - 1, x + w + 1, p.top + a));
    m_markerRect2 = Union(Bounds(bottomMarker), MakeRect(x - w, p.bottom - a + 1, x + w + 1, p.bottom + 2));

    // The dot where the line meets the selected channel's trace.
    if (m_dotPosition >= p.top && m_dotPosition <= p.bottom) {
        dc.setBrush(m_dot);
        dc.drawEllipse(QRect(QPoint(x - 3, m_dotPosition - 3), QPoint(x + 2, m_dotPosition + 2)));
    }
    dc.restore();
}

CLevelCursor::CLevelCursor(QWidget* window, int labelCode, const CanvasRect& plotRect)
    : CCursorBase(window, labelCode, plotRect) {}

void CLevelCursor::Paint(QPainter& dc) {
    const int y = m_position;
    const CanvasRect& p = m_plotRect;
    if (y < p.top || y > p.bottom)
        return;
    const int w = m_markerSide, a = m_markerLength;
    m_grabRect = MakeRect(p.left + 1, y - w - 1, p.right - 1, y + w + 1);
    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    dc.setPen(m_pen);
    dc.drawLine(p.left, y, p.right, y);
    m_lineRect = MakeRect(p.left, y - 3, p.right, y + 3);

    const QPoint leftMarker[5] = {{p.left, y - w}, {p.left + w, y - w}, {p.left + a, y}, {p.left + w, y + w}, {p.left, y + w}};
    DrawMarker(dc, leftMarker, MakeRect(p.left - 1, y - w, p.left + a, y + w + 1), m_label, m_pen.color(), m_fill);
    const QPoint rightMarker[5] = {{p.right, y - w}, {p.right - w, y - w}, {p.right - a, y}, {p.right - w, y + w},
                                   {p.right, y + w}};
    DrawMarker(dc, rightMarker, MakeRect(p.right - a + 1, y - w, p.right + 3, y + w + 1), m_label, m_pen.color(), m_fill);
    m_markerRect1 = Union(Bounds(leftMarker), MakeRect(p.left - 1, y - w, p.left + a, y + w + 1));
    m_markerRect2 = Union(Bounds(rightMarker), MakeRect(p.right - a + 1, y - w, p.right + 3, y + w + 1));
    dc.restore();
}

} // namespace vistrel
