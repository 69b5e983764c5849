// Lanes of CPlotWnd: the layout kept in step with the plot, separators, the labels at the left
// and the level cursors' place in the selected channel's lane. The traces themselves are drawn by
// DrawTraces from the one column cache, mapped per lane.

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

#include "Cursors.h"
#include "PlotWnd.h"
#include "core/recording/DataFile.h"
#include "core/view/AxisLabels.h"
#include "dialogs/ChannelLabel.h"

namespace vistrel {

QString CPlotWnd::LaneName(int channel) const {
    return m_file ? ChannelLabel(*m_file, channel) : QString::number(channel + 1);
}

void CPlotWnd::SetLanes(bool on) {
    if (m_lanes == on) return;
    // The level cursors move with their values to the new scale's rows.
    const CursorGeometry before = Geometry();
    int rows[2] = {0, 0};
    CLevelCursor* cursors[2] = {m_levelCursor1.get(), m_levelCursor2.get()};
    for (int i = 0; i < 2; ++i)
        if (cursors[i]) rows[i] = std::clamp(before.RowOf(cursors[i]->m_value), before.top, before.bottom);
    m_lanes = on;
    m_laneDrag = -1;
    UpdateLanes();
    const CursorGeometry after = Geometry();
    for (int i = 0; i < 2; ++i)
        if (cursors[i] && before.Height() > 0) {
            const int row = after.top + (rows[i] - before.top) * after.Height() / before.Height();
            cursors[i]->MoveTo(row);
        }
    InvalidateCanvas();
}

void CPlotWnd::UpdateLanes() {
    int shown[kCanvasChannels];
    int count = 0;
    for (int c = 0; c < m_channelCount && c < kCanvasChannels; ++c)
        if (m_channelShown[c]) shown[count++] = c;
    m_laneLayout.SetChannels(shown, count);
    m_laneLayout.SetViewport(m_plotRect.top, m_plotRect.bottom + 1);
    m_levelRect = m_plotRect;
    const int lane = m_lanes ? m_laneLayout.LaneOf(SelectedScaleChannel()) : -1;
    if (lane >= 0) {
        m_levelRect.top = m_laneLayout.LaneTop(lane);
        m_levelRect.bottom = m_laneLayout.LaneBottom(lane) - 1;
    }
}

bool CPlotWnd::SetLaneEdges(const std::vector<double>& edges) {
    UpdateLanes();
    if (!m_laneLayout.SetEdges(edges)) return false;
    UpdateLanes();
    FollowView();
    InvalidateCanvas();
    return true;
}

void CPlotWnd::ScrollLanes(int offset) {
    m_laneLayout.SetScroll(offset);
    UpdateLanes();
    InvalidateCanvas();
}

bool CPlotWnd::ScrollLanesRequest(int request, int thumb) {
    const int before = m_laneLayout.Scroll();
    const int max = m_laneLayout.MaxScroll();
    const int page = std::max(kMinLaneHeight, m_laneLayout.ViewportHeight() - kMinLaneHeight);
    int next = before;
    switch (request) {
    case kScrollLineUp: next -= kMinLaneHeight; break;
    case kScrollLineDown: next += kMinLaneHeight; break;
    case kScrollPageUp: next -= page; break;
    case kScrollPageDown: next += page; break;
    case kScrollThumbPosition:
    case kScrollThumbTrack:
        next = static_cast<int>(static_cast<int64_t>(std::clamp(thumb, 0, kScrollRangeMax)) * max / kScrollRangeMax);
        break;
    case kScrollTop: next = 0; break;
    case kScrollBottom: next = max; break;
    default: return false;
    }
    m_laneLayout.SetScroll(next);
    if (m_laneLayout.Scroll() == before) return false;
    UpdateLanes();
    FollowView();
    InvalidateCanvas();
    return true;
}

int CPlotWnd::VerticalBox() const {
    if (!LanesScroll()) return VScrollBox();
    return static_cast<int>(static_cast<int64_t>(m_laneLayout.Scroll()) * kScrollRangeMax / m_laneLayout.MaxScroll());
}

void CPlotWnd::LaneScaleTexts(int channel, QString& top, QString& bottom) const {
    char buf[128];
    const int used = BuildScaleTexts(m_valueTop[channel], m_valueBottom[channel], 1, IsDecibel(), buf, sizeof buf);
    // Two texts, bottom first, each ended by a NUL or a "|".
    QString texts[2];
    int k = 0;
    for (int i = 0; i < used && k < 2; ++i) {
        if (buf[i] == '\0' || buf[i] == '|') ++k;
        else texts[k] += QLatin1Char(buf[i]);
    }
    bottom = texts[0];
    top = texts[1];
}

int CPlotWnd::LaneMargin() const {
    // The channel names need less room than the overlaid scale, whose margin is kept so that the
    // plot keeps its columns (and the column cache its values) when the mode changes.
    QFont bold = m_scaleFont;
    bold.setBold(true);
    const QFontMetrics fm(bold);
    int widest = 0;
    for (int lane = 0; lane < m_laneLayout.Count(); ++lane)
        widest = std::max(widest, fm.horizontalAdvance(LaneName(m_laneLayout.Channel(lane))));
    return widest + ScaleMarkSize() + 8;
}

void CPlotWnd::DrawLaneGrid(QPainter& dc, int left, int top, int right, int bottom, const QPen& gridPen) {
    // Separators between the lanes, and a faint zero line where a lane's scale crosses zero.
    dc.save();
    QPen separator = gridPen;
    separator.setColor(gridPen.color().darker(160));
    QPen zero = gridPen;
    zero.setStyle(Qt::DotLine);
    for (int lane = 0; lane < m_laneLayout.Count(); ++lane) {
        const int lt = m_laneLayout.LaneTop(lane), lb = m_laneLayout.LaneBottom(lane);
        if (lb <= top || lt > bottom) continue;
        const int c = m_laneLayout.Channel(lane);
        if (m_valueTop[c] > 0 && m_valueBottom[c] < 0) {
            const int y = m_laneLayout.ValueRow(lane, 0.0, m_valueTop[c], m_valueBottom[c]);
            dc.setPen(zero);
            dc.drawLine(left, y, right, y);
        }
        if (lane + 1 < m_laneLayout.Count() && lb - 1 >= top && lb - 1 <= bottom) {
            dc.setPen(separator);
            dc.drawLine(left, lb - 1, right, lb - 1);
        }
    }
    dc.setPen(gridPen);
    dc.drawLine(left, top, right, top);
    dc.drawLine(left, bottom, right, bottom);
    dc.restore();
}

void CPlotWnd::DrawLaneLabels(QPainter& dc, int left, int right, int top, int bottom, const QColor& textColor) {
    // Per lane: the channel's name beside a mark of its colour in the margin (the selected
    // channel's in bold), and its scale's top and bottom values inside the lane's corners.
    dc.save();
    dc.setBackgroundMode(Qt::TransparentMode);
    QFont font = m_scaleFont;
    const QFontMetrics fm(font);
    const int th = fm.height();
    const int m = ScaleMarkSize();
    for (int lane = 0; lane < m_laneLayout.Count(); ++lane) {
        const int lt = m_laneLayout.LaneTop(lane), lb = m_laneLayout.LaneBottom(lane) - 1;
        if (lb < top || lt > bottom) continue;
        const int c = m_laneLayout.Channel(lane);
        const int mid = (lt + lb) / 2;
        dc.setClipRect(QRect(QPoint(0, std::max(lt, top)), QPoint(left - 1, std::min(lb, bottom))));
        dc.fillRect(QRect(2, mid - m / 2, m, m), m_pens[c].color());
        font.setBold(c == SelectedScaleChannel());
        dc.setFont(font);
        dc.setPen(textColor);
        const QString name = LaneName(c);
        dc.drawText(QRect(m + 4, mid - th / 2, left - m - 4, th), Qt::AlignLeft | Qt::AlignVCenter, name);
        font.setBold(false);
        dc.setFont(font);
        if (lb - lt < 2 * th + 2) continue;   // no room for the scale
        QString hi, lo;
        LaneScaleTexts(c, hi, lo);
        dc.setClipRect(QRect(QPoint(left + 1, std::max(lt, top)), QPoint(right - 1, std::min(lb, bottom))));
        dc.drawText(QRect(left + 3, lt + 1, right - left - 6, th), Qt::AlignLeft | Qt::AlignTop, hi);
        dc.drawText(QRect(left + 3, lb - th, right - left - 6, th), Qt::AlignLeft | Qt::AlignBottom, lo);
    }
    dc.restore();
}

} // namespace vistrel
