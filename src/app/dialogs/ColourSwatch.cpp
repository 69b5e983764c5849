#include "ColourSwatch.h"

#include <QMouseEvent>
#include <QPainter>

namespace vistrel {

QColor FromBgr(uint32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

uint32_t ToBgr(const QColor& c) {
    return uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16);
}

ColourSwatch::ColourSwatch(QWidget* parent, int id) : QFrame(parent) {
    setObjectName(QString::number(id));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setFixedSize(18, 18);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ColourSwatch::SetColour(uint32_t bgr) {
    if (bgr == m_colour) return;
    m_colour = bgr;
    update();
}

void ColourSwatch::paintEvent(QPaintEvent* event) {
    {
        QPainter p(this);
        // A disabled swatch (a slot without a channel) shows no colour.
        p.fillRect(rect(), isEnabled() ? FromBgr(m_colour) : palette().color(QPalette::Window));
    }
    QFrame::paintEvent(event);
}

void ColourSwatch::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
        return;
    }
    QFrame::mousePressEvent(event);
}

} // namespace vistrel
