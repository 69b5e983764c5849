// Drawing and mouse overrides of CPlotWnd: grid, value scales, traces and cursors.

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Cursors.h"
#include "PlotWnd.h"
#include "core/recording/DataFile.h"

namespace vistrel {

void CPlotWnd::OnViewChanged() {
    const int c = std::clamp(m_selectedChannel, 0, kCanvasChannels - 1);
    const double T = m_valueTop[c];
    const double B = m_valueBottom[c];
    const int D = m_vDivisions;
    QStringList labels;
    for (int i = 0; i <= D; ++i) {
        double v = B + (T - B) * i / D;
        if (std::fabs(v) < 1e-8)
            v = 0;
        char text[64];
        if (i < D)
            std::snprintf(text, sizeof text, "%lg", v);
        else
            std::snprintf(text, sizeof text, IsDecibel() ? "Db, %lg" : "U,V %lg", v);
        labels.append(QString::fromLatin1(text));
    }
    for (int set = 0; set < 4; ++set)
        SetAxisLabels(labels, set);
}

int CPlotWnd::DrawGrid(QPainter& dc, int left, int top, int right, int bottom, const QPen& gridPen) {
    dc.setPen(gridPen);
    const int nv = 5 * m_vDivisions;
    for (int i = 0; i <= nv; ++i) {
        const int y = top + i * (bottom - top) / nv;
        dc.drawLine(left, y, right, y);
        if (i % 5 == 0)
            dc.drawLine(left, y + 1, right, y + 1);
    }
    const int nh = 5 * m_hDivisions;
    for (int i = 0; i <= nh; ++i) {
        const int x = left + i * (right - left) / nh;
        dc.drawLine(x, top, x, bottom);
        if (i % 5 == 0)
            dc.drawLine(x + 1, top, x + 1, bottom);
    }
    ReportScrollBoxes();
    return 1;
}

int CPlotWnd::DrawLabels(QPainter& dc, int left, int top, int right, int bottom, const QFont& labelFont,
                         const QFont& vLabelFont, const QColor&) {
    OnViewChanged();
    m_plotWidth = right - left;
    dc.setBackgroundMode(Qt::TransparentMode);
    dc.setPen(ColorFromRef(m_penColors[std::clamp(m_selectedChannel, 0, kCanvasChannels - 1)]));
    dc.setFont(vLabelFont);
    const QFontMetrics fm(vLabelFont);
    const int th = fm.height();
    const int hp = bottom - top;
    for (int set = 0; set < 2; ++set) {
        const int x = set == 0 ? left - th : right;
        for (int i = 0; i <= m_vDivisions; ++i) {
            const QString& s = m_labels[set][i];
            if (s.isEmpty())
                continue;
            const int len = fm.horizontalAdvance(s);
            int c = bottom - i * hp / m_vDivisions;
            c = std::clamp(c, top + len / 2, std::max(top + len / 2, bottom - len / 2));
            dc.save();
            dc.translate(x, c + len / 2);
            dc.rotate(-90);
            dc.drawText(QRect(0, 0, len + 1, th), Qt::AlignLeft | Qt::AlignTop, s);
            dc.restore();
        }
    }
    dc.setFont(labelFont);
    return 1;
}

int CPlotWnd::DrawTraces(QPainter& dc, int left, int top, int right, int bottom, const QPen*) {
    if (!m_file || m_channelCount <= 0 || right - left <= 0)
        return 1;
    const int e = std::clamp(m_selectedChannel, 0, m_channelCount - 1);
    const double span = m_valueTop[e] - m_valueBottom[e];
    const double W = right - left;
    const double visible = m_visibleEnd - m_visibleStart;
    const int64_t N = m_file->Samples();
    dc.save();
    dc.setClipRect(QRect(QPoint(left, top), QPoint(right, bottom)));
    for (int ch = 0; ch < m_channelCount; ++ch) {
        if (!m_channelShown[ch])
            continue;
        int n = 0;
        int64_t previous = -1;
        for (int c = left; c < right && c < kCacheColumns && n < kCacheColumns; ++c) {
            const int64_t s = static_cast<int64_t>(m_visibleStart + (c - left) * visible / W);
            if (s == previous)
                continue;
            if (s >= N)
                break;
            previous = s;
            const double v = static_cast<double>(m_file->SampleValue(static_cast<uint64_t>(s), ch));
            double yy = span != 0 ? (v - m_valueBottom[e]) * (bottom - top) / span : 0.0;
            yy = std::clamp(yy, -1.0e6, 1.0e6);
            m_points[n++] = QPoint(c, bottom - static_cast<int>(yy));
        }
        dc.setPen(m_pens[ch]);
        if (n > 1)
            dc.drawPolyline(m_points.get(), n);
    }
    dc.restore();
    if (!m_cursorDrag)
        FollowView();
    for (CCursorBase* cur : {static_cast<CCursorBase*>(m_timeCursor1.get()),
                             static_cast<CCursorBase*>(m_timeCursor2.get()),
                             static_cast<CCursorBase*>(m_levelCursor1.get()),
                             static_cast<CCursorBase*>(m_levelCursor2.get())})
        if (cur)
            cur->Paint(dc);
    return 1;
}

int CPlotWnd::PreLButtonDown(unsigned, int, int) { return 0; }
int CPlotWnd::PreLButtonUp(unsigned, int, int) { return 0; }
int CPlotWnd::PreMouseMove(unsigned, int, int) { return 0; }

void CPlotWnd::PlaceCursorsInitially() {
    if (!m_timeCursor1)
        return;
    const int W = m_plotRect.right - m_plotRect.left;
    const int Hp = m_plotRect.bottom - m_plotRect.top;
    const double visible = m_visibleEnd - m_visibleStart;
    auto placeV = [&](CTimeCursor* cur, int x) {
        x = std::clamp(x, m_plotRect.left, m_plotRect.right - 1);
        cur->MoveTo(x);
        cur->m_sample = static_cast<uint64_t>(m_visibleStart + visible * (x - m_plotRect.left) / std::max(1, W));
    };
    placeV(m_timeCursor1.get(), W / 3);
    placeV(m_timeCursor2.get(), 2 * W / 3);
    const int c = std::clamp(m_selectedChannel, 0, kCanvasChannels - 1);
    auto placeH = [&](CLevelCursor* cur, int y) {
        y = std::clamp(y, m_plotRect.top + 1, m_plotRect.bottom - 1);
        cur->MoveTo(y);
        cur->m_value = static_cast<float>(m_valueBottom[c] + double(m_plotRect.bottom - y) / std::max(1, Hp) *
                                                                  (m_valueTop[c] - m_valueBottom[c]));
    };
    placeH(m_levelCursor1.get(), Hp / 3);
    placeH(m_levelCursor2.get(), 2 * Hp / 3);
    m_cursorDrag = 0;
    m_nextCursor = 1;
    BuildReadOut();
    InvalidateCanvas();
}

void CPlotWnd::PlaceCursorAt(unsigned, int, int) {}

void CPlotWnd::FollowView() {
    const double visible = m_visibleEnd - m_visibleStart;
    const int W = m_plotRect.right - m_plotRect.left;
    const int c = std::clamp(m_selectedChannel, 0, kCanvasChannels - 1);
    const double span = m_valueTop[c] - m_valueBottom[c];
    const int Hp = m_plotRect.bottom - m_plotRect.top;
    for (CTimeCursor* cur : {m_timeCursor1.get(), m_timeCursor2.get()}) {
        if (!cur || visible <= 0)
            continue;
        const double x = (static_cast<double>(cur->m_sample) - m_visibleStart) * W / visible + m_plotRect.left;
        cur->MoveTo(static_cast<int>(std::clamp(x, -1.0e6, 1.0e6)));
    }
    for (CLevelCursor* cur : {m_levelCursor1.get(), m_levelCursor2.get()}) {
        if (!cur || span == 0)
            continue;
        const double y = m_plotRect.bottom - (cur->m_value - m_valueBottom[c]) * Hp / span;
        cur->MoveTo(static_cast<int>(std::clamp(y, -1.0e6, 1.0e6)));
    }
}

void CPlotWnd::BuildReadOut() {}

} // namespace vistrel
