// Drawing and mouse overrides of CPlotWnd: grid and time axis, value scales, traces from the
// column cache (with the min-max view computed in slices), cursors and the read-out.

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Cursors.h"
#include "PlotSearch.h"
#include "PlotWnd.h"
#include "core/common/TextFormat.h"
#include "core/recording/DataFile.h"
#include "core/view/AxisLabels.h"
#include "core/view/ReadOut.h"
#include "shell/UiUtils.h"

namespace vistrel {

namespace {

// Time one slice of the min-max pass may take before events are processed again.
constexpr int kMinMaxSliceMs = 12;

// Text of width w placed with its left edge at x, top at y.
void TextAt(QPainter& dc, int x, int y, const QString& text) {
    const QFontMetrics fm(dc.font());
    dc.drawText(QRect(x, y, fm.horizontalAdvance(text) + 1, fm.height()), Qt::AlignLeft | Qt::AlignTop, text);
}

} // namespace

int CPlotWnd::SelectedScaleChannel() const { return std::clamp(m_selectedChannel, 0, kCanvasChannels - 1); }

CursorGeometry CPlotWnd::Geometry() const {
    CursorGeometry g;
    g.left = m_plotRect.left;
    g.top = m_plotRect.top;
    g.right = m_plotRect.right;
    g.bottom = m_plotRect.bottom;
    if (m_lanes) {
        // The selected channel's lane (the level cursors' rectangle).
        g.top = m_levelRect.top;
        g.bottom = m_levelRect.bottom;
    }
    g.S0 = m_visibleStart;
    g.S1 = m_visibleEnd;
    const int c = SelectedScaleChannel();
    g.T = m_valueTop[c];
    g.B = m_valueBottom[c];
    const int64_t N = m_file ? m_file->Samples() : 0;
    g.lastSample = N > 0 ? static_cast<uint64_t>(N - 1) : 0;
    return g;
}

float CPlotWnd::CursorValue(uint64_t s) const {
    return m_file ? static_cast<float>(m_file->SampleValue(s, m_selectedChannel)) : 0.0f;
}

// ---------------------------------------------------------------------------------------------
// Value scales

void CPlotWnd::BuildScaleLabels() {
    const int c = SelectedScaleChannel();
    char buf[256];
    const int used = BuildScaleTexts(m_valueTop[c], m_valueBottom[c], m_vDivisions, IsDecibel(), buf, sizeof buf);
    // Left and right scales; the same texts above and below reserve the time-label margins.
    for (int set = 0; set < 4; ++set) SetAxisLabels(buf, used, set);
}

void CPlotWnd::OnViewChanged() {
    BuildScaleLabels();
    InvalidateCanvas();
}

int CPlotWnd::SideMargin(int set) const {
    const QFontMetrics fm(m_scaleFont);
    if (set != 0) return fm.height() / 2;   // the scale is written on the left only
    int widest = 0;
    for (int i = 0; i <= m_vDivisions && i < kMaxLabels; ++i)
        widest = std::max(widest, fm.horizontalAdvance(m_labels[0][i]));
    const int margin = widest + ScaleMarkSize() + 8;
    return m_lanes ? std::max(margin, LaneMargin()) : margin;
}

int CPlotWnd::ScaleMarkSize() const { return std::max(6, QFontMetrics(m_scaleFont).height() / 2); }

int CPlotWnd::DrawLabels(QPainter& dc, int left, int top, int right, int bottom, const QFont& labelFont,
                         const QFont&, const QColor& textColor) {
    // Rebuilt on every paint so the scales always match the view and the selected channel;
    // no invalidation here, or an idle window would repaint itself forever.
    BuildScaleLabels();
    m_plotWidth = right - left;
    if (m_lanes) {
        DrawLaneLabels(dc, left, right, top, bottom, textColor);
        dc.setFont(labelFont);
        return 1;
    }
    dc.save();
    dc.setBackgroundMode(Qt::TransparentMode);
    dc.setFont(m_scaleFont);
    const QFontMetrics fm(m_scaleFont);
    const int th = fm.height();
    const int hp = bottom - top;
    const int D = std::max(1, m_vDivisions);
    const bool shortPlot = hp < m_screenH / 3;
    // Upright texts right-aligned against the plot, in the text colour.
    dc.setPen(textColor);
    for (int i = 0; i <= D && i < kMaxLabels; ++i) {
        if (shortPlot && i % 2 != 0) continue;
        const QString& s = m_labels[0][i];
        if (s.isEmpty()) continue;
        int c = bottom - i * hp / D;
        c = std::clamp(c, top + th / 2, std::max(top + th / 2, bottom - th / 2));
        const int w = fm.horizontalAdvance(s);
        dc.drawText(QRect(left - 4 - w, c - th / 2, w + 1, th), Qt::AlignRight | Qt::AlignVCenter, s);
    }
    // The scale's channel as a small mark of its colour in the top left corner.
    const int m = ScaleMarkSize();
    const QColor channelColour = m_pens[SelectedScaleChannel()].color();
    dc.fillRect(QRect(2, std::max(0, top - m - 2), m, m), channelColour);
    dc.restore();
    dc.setFont(labelFont);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Grid and time axis

int CPlotWnd::DrawGrid(QPainter& dc, int left, int top, int right, int bottom, const QPen& gridPen) {
    dc.save();
    dc.setFont(m_labelFont);
    const QFontMetrics fm(m_labelFont);
    if (right - left > 1920) {
        dc.setPen(ColorFromRef(ColoursOf(m_scheme).cursor));
        TextAt(dc, left, top - fm.height() * 5 / 4, QStringLiteral("Plot"));
    }
    UpdateLanes();
    if (m_lanes) {
        DrawLaneGrid(dc, left, top, right, bottom, gridPen);
    } else {
        dc.setPen(gridPen);
        const int k = std::max(1, m_vDivisions);
        for (int i = 0; i <= 5 * k; ++i) {
            const int y = GridRow(i, top, bottom, k);
            dc.drawLine(left, y, right, y);
            if (i % 5 == 0) dc.drawLine(left, y + 1, right, y + 1);
        }
    }
    dc.setBackgroundMode(Qt::TransparentMode);
    m_axisOrigin = m_timeLabelStyle ? 0 : m_startTime;

    TimeAxisParams p;
    p.left = left;
    p.top = top;
    p.right = right;
    p.bottom = bottom;
    p.origin = m_axisOrigin;
    p.F = m_visibleStart;
    p.L = m_visibleEnd;
    p.rate = m_file ? m_file->Rate() : 0.0f;
    // The label step of the table entry the zoom index stands for (index 0: the smallest entry
    // not shorter than the recording).
    const int index = ZoomWindowIndex(m_firstWindow, m_hZoom);
    p.windowLength = index >= 0 && index < kTimeWindowCount ? m_timeWindows[index] : 0;
    p.hDivisions = std::max(1, m_hDivisions);
    p.wide = right - left >= m_screenW / 2;
    const bool decibel = IsDecibel();
    const bool relative = m_timeLabelStyle != 0;
    const QColor textColour = m_textColour;
    CAxisLabeller labeller(LabelStep(p), decibel, relative);
    WalkTimeAxis(p, [&](const TimeMark& m) {
        dc.setPen(gridPen);
        if (m.kind == TimeMark::Minor) {
            dc.drawLine(m.x, top, m.x, bottom);
            return;
        }
        dc.drawLine(m.x, top, m.x, bottom);
        dc.drawLine(m.x + 1, top, m.x + 1, bottom);
        const AxisLabelTexts texts = labeller.Next(m.time, m.withText);
        std::snprintf(m_timeText, sizeof m_timeText, "%s", texts.lower.c_str());
        m_timeTextW = QString::fromLatin1(m_timeText);
        if (!m.withText) return;
        dc.setPen(textColour);
        const QString low = m_timeTextW;
        TextAt(dc, KeepInside(m.x, fm.horizontalAdvance(low), left, right), bottom, low);
        if (texts.upper.empty()) return;   // the same as the last upper label
        const QString up = QString::fromLatin1(texts.upper.c_str());
        TextAt(dc, KeepInside(m.x, fm.horizontalAdvance(up), left, right), top - fm.height(), up);
    });
    dc.setPen(gridPen);
    dc.drawLine(right, top, right, bottom);
    dc.drawLine(left, top, left, bottom);
    dc.restore();
    ReportScrollBoxes();
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Traces

int CPlotWnd::DrawTraces(QPainter& dc, int left, int top, int right, int bottom, const QPen*) {
    if (m_file && m_cache && m_channelCount > 0 && right > left) {
        TraceView v;
        v.x0 = left;
        v.y1 = top;
        v.x1 = right;
        v.y2 = bottom;
        v.F = m_visibleStart;
        v.L = m_visibleEnd;
        v.shown = m_channelShown;
        v.channels = m_channelCount;
        const double W = v.Width();
        bool minMax = DrawsEnvelope(W, v.Span());
        if (minMax && SummariesPending()) {
            // Shown by the column pass until the summaries arrive.
            minMax = false;
            ScheduleSummaryPoll();
        } else if (!minMax && m_envelopeDense && v.Span() > 2 * W && SummariesPending()) {
            ScheduleSummaryPoll();   // the envelope once the summaries are ready
        }
        if (minMax) {
            const bool held = m_cache->minMax && m_cache->Holds(W, v.F, v.L) && m_cache->HoldsChannels(v) &&
                              m_cache->groupStart == std::max(left, 0);
            if (!held) {
                m_minMaxPass.Begin(*m_cache, v, MinMaxSource());
                ScheduleMinMaxSlice();
            }
        } else if (!m_cache->Holds(W, v.F, v.L) || !m_cache->HoldsChannels(v) || m_minMaxPass.Active() ||
                   m_cache->minMax) {
            m_minMaxPass.Cancel();
            ColumnPass(*m_cache, v, m_source);
        }

        const int e = SelectedScaleChannel();
        const double T0 = m_valueTop[e], B0 = m_valueBottom[e];
        const bool smooth = !IsDecibel();
        dc.save();
        dc.setRenderHint(QPainter::Antialiasing, false);
        dc.setClipRect(QRect(QPoint(left, top), QPoint(right, bottom)));
        for (int ch = 0; ch < m_channelCount && ch < kCanvasChannels; ++ch) {
            if (!m_channelShown[ch]) continue;
            // Overlaid: every channel on the selected channel's scale over the whole plot. In
            // lanes: the same columns mapped to the channel's own lane and scale.
            int y2 = bottom, Hh = bottom - top;
            double T = T0, B = B0;
            if (m_lanes) {
                const int lane = m_laneLayout.LaneOf(ch);
                if (lane < 0) continue;
                const int lt = m_laneLayout.LaneTop(lane);
                y2 = m_laneLayout.LaneBottom(lane) - 1;
                if (y2 < top || lt > bottom) continue;
                Hh = y2 - lt;
                T = m_valueTop[ch];
                B = m_valueBottom[ch];
                dc.setClipRect(QRect(QPoint(left, std::max(lt, top)), QPoint(right, std::min(y2, bottom))));
            }
            if (m_cache->minMax) {
                // A continuous band: each group's extent over all of its columns.
                const int n = BuildEnvelope(*m_cache, ch, y2, Hh, T, B, m_bars.get());
                const QColor colour = m_pens[ch].color();
                for (int i = 0; i < n; ++i) {
                    const EnvelopeBar& b = m_bars[i];
                    dc.fillRect(QRect(b.x, b.yTop, b.width, b.yBottom - b.yTop + 1), colour);
                }
                continue;
            }
            const int n = BuildPolyline(*m_cache, ch, left, y2, Hh, T, B, smooth, m_points.get());
            if (n <= 0) continue;
            if (n == 1) {
                // A lone sample: a dot that stays visible at any pen width.
                QPen dot = m_pens[ch];
                dot.setWidth(std::max(3, dot.width()));
                dot.setCapStyle(Qt::SquareCap);
                dc.setPen(dot);
                dc.drawPoint(m_points[0]);
            } else {
                dc.setPen(m_pens[ch]);
                dc.drawPolyline(m_points.get(), n);
            }
        }
        dc.restore();
    }
    DrawMarkers(dc);
    if (!m_cursorDrag) FollowView();
    for (CCursorBase* cur : {static_cast<CCursorBase*>(m_timeCursor1.get()), static_cast<CCursorBase*>(m_timeCursor2.get()),
                             static_cast<CCursorBase*>(m_levelCursor1.get()),
                             static_cast<CCursorBase*>(m_levelCursor2.get())})
        if (cur) cur->Paint(dc);
    return 1;
}

void CPlotWnd::ScheduleMinMaxSlice() {
    // No window to come back to (rendering into an image): finish at once. With summaries the
    // pass reads only each group's two unaligned ends, a few milliseconds for any view, so it
    // also finishes inside this paint and the view is drawn in one go.
    const ISampleSource& src = MinMaxSource();
    if (!m_hWnd || (&src == &m_summarized && m_summarized.HasSummaries())) {
        while (!m_minMaxPass.Step(*m_cache, MinMaxSource(), 1 << 20)) {
        }
        return;
    }
    std::weak_ptr<int> alive = m_alive;
    QTimer::singleShot(0, m_hWnd, [this, alive] {
        if (!alive.expired()) ContinueMinMax();
    });
}

bool CPlotWnd::RunMinMaxSlice(int budgetMs) {
    if (!m_minMaxPass.Active()) return true;
    QElapsedTimer clock;
    clock.start();
    bool done = false;
    const ISampleSource& src = MinMaxSource();
    while (!done && clock.elapsed() < budgetMs) done = m_minMaxPass.Step(*m_cache, src, 1);
    return done;
}

void CPlotWnd::ScheduleSummaryPoll() {
    if (m_summaryPoll || !m_hWnd) return;
    m_summaryPoll = true;
    std::weak_ptr<int> alive = m_alive;
    QTimer::singleShot(100, m_hWnd, [this, alive] {
        if (alive.expired()) return;
        m_summaryPoll = false;
        if (!SummariesPending())
            InvalidateCanvas();   // the next paint draws the min-max view from them
        else if (m_minMaxMode || m_autoFit || m_envelopeDense)
            ScheduleSummaryPoll();
    });
}

void CPlotWnd::ContinueMinMax() {
    if (!m_minMaxPass.Active()) return;
    if (!RunMinMaxSlice(kMinMaxSliceMs)) ScheduleMinMaxSlice();
    InvalidateCanvas();  // draw the groups computed so far
}

// ---------------------------------------------------------------------------------------------
// Cursors

int CPlotWnd::PreLButtonDown(unsigned keys, int x, int y) {
    m_cursorDrag = 0;
    m_laneDrag = -1;
    if (m_lanes && x >= m_plotRect.left && x <= m_plotRect.right) {
        // A separator is grabbed within 3 rows; elsewhere a press selects the lane's channel
        // and goes on as in the overlaid view (cursor drag or zoom rectangle).
        const int separator = m_laneLayout.SeparatorAt(y, 3);
        if (separator >= 0) {
            m_laneDrag = separator;
            m_laneDragY = y;
            return 1;
        }
        const int lane = m_laneLayout.LaneAt(y);
        if (lane >= 0 && m_laneLayout.Channel(lane) != m_selectedChannel) {
            SetSelectedChannel(m_laneLayout.Channel(lane));
            InvalidateCanvas();
        }
    }
    if (keys & kKeyShift) {
        if (m_levelCursor1 && PointInRect(m_levelCursor1->m_grabRect, x, y)) m_cursorDrag = 3;
        if (m_levelCursor2 && PointInRect(m_levelCursor2->m_grabRect, x, y)) m_cursorDrag = 4;
    } else {
        if (m_timeCursor1 && PointInRect(m_timeCursor1->m_grabRect, x, y)) m_cursorDrag = 1;
        if (m_timeCursor2 && PointInRect(m_timeCursor2->m_grabRect, x, y)) m_cursorDrag = 2;
        // A level cursor within a few rows is grabbed without Shift too; the nearer line wins.
        int nearest = m_cursorDrag ? std::abs(x - TimeCursor(m_cursorDrag)->m_position) : kLevelGrabRows + 1;
        if (x >= m_levelRect.left && x <= m_levelRect.right)
            for (int n : {1, 2}) {
                const CLevelCursor* cur = LevelCursor(n);
                const int d = cur ? std::abs(y - cur->m_position) : nearest;
                if (d <= kLevelGrabRows && d < nearest) {
                    nearest = d;
                    m_cursorDrag = 2 + n;
                }
            }
    }
    return m_cursorDrag;
}

CTimeCursor* CPlotWnd::TimeCursor(int n) const { return n == 2 ? m_timeCursor2.get() : m_timeCursor1.get(); }
CLevelCursor* CPlotWnd::LevelCursor(int n) const { return n == 2 ? m_levelCursor2.get() : m_levelCursor1.get(); }

void CPlotWnd::SetTimeCursor(CTimeCursor* cur, int x, uint64_t sample) {
    if (!cur) return;
    const CursorGeometry g = Geometry();
    cur->MoveTo(x);
    cur->m_sample = sample;
    cur->m_value = CursorValue(sample);
    cur->m_dotPosition = g.RowOf(cur->m_value);
}

void CPlotWnd::SetLevelCursor(CLevelCursor* cur, int y, int valueRow) {
    if (!cur) return;
    cur->MoveTo(y);
    cur->m_value = static_cast<float>(Geometry().ValueAt(valueRow));
}

int CPlotWnd::PreMouseMove(unsigned keys, int x, int y) {
    if (m_laneDrag >= 0) {
        if (!(keys & kKeyLButton)) {
            m_laneDrag = -1;
            return 0;
        }
        m_laneDragY += m_laneLayout.DragSeparator(m_laneDrag, y - m_laneDragY);
        UpdateLanes();
        FollowView();
        InvalidateCanvas();
        return 1;
    }
    const CursorGeometry g = Geometry();
    g.ClampPoint(x, y);
    if (!(keys & kKeyLButton)) m_cursorDrag = 0;
    if (!m_cursorDrag) return 0;
    if (m_cursorDrag <= 2) {
        const int m = (m_timeCursor1 ? m_timeCursor1->m_markerSide : 0) + 2;
        const int nx = std::max(g.left + m, std::min(x, g.right - m));
        SetTimeCursor(TimeCursor(m_cursorDrag), nx, g.LimitSample(g.SampleAt(x) + 1));
    } else {
        SetLevelCursor(LevelCursor(m_cursorDrag - 2), y, y);
    }
    BuildReadOut();
    InvalidateCanvas();
    return 1;
}

int CPlotWnd::PreLButtonUp(unsigned, int x, int y) {
    if (m_laneDrag >= 0) {
        m_laneDrag = -1;
        return 1;
    }
    if (!m_cursorDrag) return 0;
    const CursorGeometry g = Geometry();
    g.ClampPoint(x, y);
    if (m_cursorDrag >= 3) {
        SetLevelCursor(LevelCursor(m_cursorDrag - 2), y, y);
    } else {
        int nx = x;
        uint64_t s = 0;
        g.SnapDrop(x, nx, s);
        SetTimeCursor(TimeCursor(m_cursorDrag), nx, s);
        BuildReadOut();
    }
    m_cursorDrag = 0;
    InvalidateCanvas();
    return 1;
}

void CPlotWnd::PlaceCursorsInitially() {
    const int W = m_plotRect.right - m_plotRect.left;
    const int Hp = m_plotRect.bottom - m_plotRect.top;
    m_cursorDrag = 1;
    PreLButtonUp(0, W / 3, 0);
    m_cursorDrag = 2;
    PreLButtonUp(0, 2 * W / 3, 0);
    m_cursorDrag = 3;
    PreLButtonUp(kKeyShift, 0, Hp / 3);
    m_cursorDrag = 4;
    PreLButtonUp(kKeyShift, 0, 2 * Hp / 3);
    m_cursorDrag = 0;
    m_nextCursor = 1;
}

void CPlotWnd::PlaceCursorAt(unsigned keys, int x, int y) {
    if (m_cursorDrag) return;
    const CursorGeometry g = Geometry();
    g.ClampPoint(x, y);
    const int which = m_nextCursor == 2 ? 2 : 1;
    if (keys & kKeyShift) {
        const int m = (m_levelCursor1 ? m_levelCursor1->m_markerSide : 0) + 2;
        SetLevelCursor(LevelCursor(which), std::max(g.top + m, std::min(y, g.bottom - m)), y);
    } else {
        int nx = x;
        uint64_t s = 0;
        g.SnapDrop(x, nx, s);
        SetTimeCursor(TimeCursor(which), nx, s);
        BuildReadOut();
    }
    m_nextCursor = m_nextCursor == 1 ? 2 : 1;
    InvalidateCanvas();
}

void CPlotWnd::FollowView() {
    const CursorGeometry g = Geometry();
    for (CTimeCursor* cur : {m_timeCursor1.get(), m_timeCursor2.get()}) {
        if (!cur) continue;
        cur->m_value = CursorValue(cur->m_sample);
        cur->m_dotPosition = g.RowOf(cur->m_value);
        cur->MoveTo(g.ColumnOf(cur->m_sample));
    }
    for (CLevelCursor* cur : {m_levelCursor1.get(), m_levelCursor2.get()})
        if (cur) cur->MoveTo(g.RowOf(cur->m_value));
    BuildReadOut();
}

void CPlotWnd::BuildReadOut() {
    if (!m_file || !m_timeCursor1 || !m_timeCursor2 || !m_levelCursor1 || !m_levelCursor2) return;
    ReadOutInput in;
    in.Y1 = m_timeCursor1->m_value;
    in.Y2 = m_timeCursor2->m_value;
    in.s1 = m_timeCursor1->m_sample;
    in.s2 = m_timeCursor2->m_sample;
    in.L1 = m_levelCursor1->m_value;
    in.L2 = m_levelCursor2->m_value;
    in.origin = m_axisOrigin;
    in.rate = m_file->Rate();
    in.samples = m_file->Samples() > 0 ? static_cast<uint64_t>(m_file->Samples()) : 0;
    in.channels = m_file->Channels();
    in.decibel = IsDecibel();
    in.relative = m_timeLabelStyle != 0;
    in.S0 = m_visibleStart;
    in.S1 = m_visibleEnd;
    in.units = UiTimeUnitWords();
    in.hasCrossing = !in.decibel && LevelCrossing(*this, in.s1, true, in.crossing, &m_crossingMemo);
    SetStatusText(1, QString::fromUtf8(vistrel::BuildReadOut(in).c_str()));
}

} // namespace vistrel
