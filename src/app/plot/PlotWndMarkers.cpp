// Markers over the plot: a vertical line for a point, a shaded band between two lines for a
// span, both over the whole plot height (every lane in lanes mode) with the text at the top.

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

#include "PlotWnd.h"
#include "WindowMarkers.h"
#include "core/markers/MarkerList.h"
#include "core/recording/DataFile.h"

namespace vistrel {

void CPlotWnd::DrawMarkers(QPainter& dc) {
    const std::vector<markers::Marker>* list = m_host ? m_host->PlotMarkers() : nullptr;
    if (!list || list->empty() || !m_file || m_plotRect.right <= m_plotRect.left) return;
    const double rate = m_file->Rate();
    if (!(rate > 0.0)) return;
    const CursorGeometry g = Geometry();
    const CanvasRect& r = m_plotRect;
    // Columns of samples far outside the view are only clamped: they never reach the painter.
    auto column = [&](int64_t s) {
        if (s < g.S0 - 1.0) return r.left - 1;
        if (s > g.S1 + 1.0) return r.right + 1;
        return std::clamp(g.ColumnOf(static_cast<uint64_t>(std::max<int64_t>(s, 0))), r.left - 1, r.right + 1);
    };
    const QColor colour = MarkerColour();
    QColor shade = colour;
    shade.setAlpha(40);
    dc.save();
    dc.setClipRect(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
    dc.setFont(m_scaleFont);
    const QFontMetrics fm(m_scaleFont);
    for (const markers::Marker& m : *list) {
        const int64_t s0 = markers::SecondsToSample(m.start, rate);
        const int64_t s1 = markers::SecondsToSample(m.end, rate);
        if (s1 < g.S0 - 1.0 || s0 > g.S1 + 1.0) continue;
        const int x0 = column(s0);
        const int x1 = column(s1);
        if (x1 > x0) dc.fillRect(QRect(x0, r.top, x1 - x0 + 1, r.bottom - r.top), shade);
        dc.setPen(QPen(colour, 1));
        for (int x : {x0, x1}) {
            if (x >= r.left && x < r.right) dc.drawLine(x, r.top, x, r.bottom - 1);
            if (x1 == x0) break;
        }
        if (!m.text.empty() && x0 >= r.left - 1 && x0 < r.right) {
            const QString text = fm.elidedText(QString::fromStdString(m.text), Qt::ElideRight, 200);
            dc.drawText(x0 + 3, r.top + fm.ascent() + 1, text);
        }
    }
    dc.restore();
}

} // namespace vistrel
