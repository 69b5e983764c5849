// The plot window's proportional scroll bars: each thumb's size is the visible share (of the
// recording, of the lanes, of the value range) and its place the view's.

#include <QScrollBar>

#include <algorithm>
#include <cmath>

#include "PlotWindow.h"
#include "core/view/ScrollProportion.h"

namespace vistrel {

namespace {

// The vertical view as a share of a whole: the lanes while they scroll, else the value range
// (1000 per mille) of which the vertical zoom shows 1 / factor.
void VerticalShare(const CPlotWnd& p, double& start, double& visible, double& total) {
    if (p.LanesScroll()) {
        const CLaneLayout& lanes = p.LaneLayout();
        start = lanes.Scroll();
        visible = lanes.ViewportHeight();
        total = visible + lanes.MaxScroll();
        return;
    }
    total = 1000.0;
    visible = total / std::max(1.0, p.VZoomFactor());
    start = total - p.m_vCenter - visible / 2;
}

} // namespace

void PlotWindow::SyncScrollBar(int bar) {
    QScrollBar* b = bar == 0 ? m_hScroll : m_vScroll;
    if (b->isSliderDown()) return;   // the user holds the thumb
    ScrollThumb t = ProportionalThumb(0, 1, 1);
    if (const CPlotWnd* p = m_plot.get()) {
        if (bar == 0) {
            t = ProportionalThumb(p->m_visibleStart, p->m_visibleEnd - p->m_visibleStart, p->FullLength());
        } else {
            double start = 0, visible = 0, total = 0;
            VerticalShare(*p, start, visible, total);
            t = ProportionalThumb(start, visible, total);
        }
    }
    if (b->maximum() != t.maximum || b->minimum() != 0) b->setRange(0, t.maximum);
    b->setPageStep(t.page);
    b->setSingleStep(std::max(1, t.page / 6));
    if (b->value() == t.value && b->sliderPosition() == t.value) return;
    b->setSliderPosition(t.value);
    b->setValue(t.value);
}

void PlotWindow::OnHThumb(int value) {
    CPlotWnd* p = m_plot.get();
    if (!p) return;
    const double visible = p->m_visibleEnd - p->m_visibleStart;
    if (p->ScrollHorizontalTo(StartOfThumb(value, visible, p->FullLength()))) p->InvalidateCanvas();
    SyncScrollBar(0);
}

void PlotWindow::OnVThumb(int value) {
    CPlotWnd* p = m_plot.get();
    if (!p) return;
    double start = 0, visible = 0, total = 0;
    VerticalShare(*p, start, visible, total);
    const double to = StartOfThumb(value, visible, total);
    if (p->LanesScroll()) {
        p->ScrollLanes(static_cast<int>(std::lround(to)));
        p->FollowView();
    } else {
        // The value view moves by whole divisions: the division the thumb's place stands for,
        // as the plot's thumb request (0 .. 65535 over its divisions) takes it.
        const int D = p->m_vDivisions;
        const double divisions = std::round(to / total * D * std::trunc(p->VZoomFactor()));
        const int M = p->m_vScrollMax;
        const int thumb = M > 0 ? static_cast<int>(std::ceil(divisions * kScrollRangeMax / M)) : 0;
        if (p->ScrollVertical(kScrollThumbPosition, std::clamp(thumb, 0, kScrollRangeMax))) p->InvalidateCanvas();
    }
    SyncScrollBar(1);
}

} // namespace vistrel
