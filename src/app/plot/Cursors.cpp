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
} // namespace

CCursorBase::CCursorBase(QWidget* window, int labelCode, const CanvasRect& plotRect)
    : m_label(QChar(labelCode)), m_window(window), m_plotRect(plotRect) {
    m_pen = QPen(Qt::black, 1, Qt::DotLine);
    const int h = ScreenHeight();
    m_markerLength = h / 80;
    m_markerSide = h / 150;
    Invalidate();
}

void CCursorBase::Invalidate() {
    if (!m_window)
        return;
    auto upd = [this](const CanvasRect& r) {
        if (r.right > r.left && r.bottom > r.top)
            m_window->update(r.left, r.top, r.right - r.left + 1, r.bottom - r.top + 1);
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
    if (x < m_plotRect.left || x > m_plotRect.right)
        return;
    const int w = m_markerSide;
    m_grabRect = MakeRect(x - w - 1, m_plotRect.top - 1, x + w + 1, m_plotRect.bottom + 1);
    dc.setPen(m_pen);
    dc.drawLine(x, m_plotRect.top, x, m_plotRect.bottom);
}

CLevelCursor::CLevelCursor(QWidget* window, int labelCode, const CanvasRect& plotRect)
    : CCursorBase(window, labelCode, plotRect) {}

void CLevelCursor::Paint(QPainter& dc) {
    const int y = m_position;
    if (y < m_plotRect.top || y > m_plotRect.bottom)
        return;
    const int w = m_markerSide;
    m_grabRect = MakeRect(m_plotRect.left + 1, y - w - 1, m_plotRect.right - 1, y + w + 1);
    dc.setPen(m_pen);
    dc.drawLine(m_plotRect.left, y, m_plotRect.right, y);
}

} // namespace vistrel
