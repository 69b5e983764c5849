#include "shell/WindowLink.h"

#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <cmath>
#include <vector>

#include "core/recording/DataFile.h"
#include "plot/Cursors.h"
#include "plot/PlotWindow.h"

namespace vistrel {

namespace {

PlotWindow* PlotWindowOf(QMdiSubWindow* sub) { return sub ? qobject_cast<PlotWindow*>(sub->widget()) : nullptr; }

ClockTimeline TimelineOf(const PlotWindow* w) {
    const CDataFile* f = w->File();
    return {f->StartTime(), static_cast<double>(f->Rate()), f->Samples()};
}

} // namespace

CWindowLink::CWindowLink(QMdiArea* area, QObject* parent) : QObject(parent), m_area(area) {}

bool CWindowLink::Linkable(const PlotWindow* w) {
    // A spectrum's axis is frequency, not time: it has no clock to follow.
    return w && w->Plot() && w->File() && !w->Plot()->IsDecibel() && TimelineOf(w).Valid() &&
           w->Plot()->m_windowLengthCount > 0;
}

CWindowLink::Seen CWindowLink::Observe(const PlotWindow* w) {
    const CPlotWnd* p = w->Plot();
    Seen s;
    s.plot = p;
    s.zoom = p->m_hZoom;
    s.start = p->m_visibleStart;
    s.end = p->m_visibleEnd;
    const CTimeCursor* c1 = p->TimeCursor(1);
    const CTimeCursor* c2 = p->TimeCursor(2);
    s.placed = c1 && c2 && !w->CursorTimerActive();
    if (s.placed) {
        s.cursor[0] = c1->m_sample;
        s.cursor[1] = c2->m_sample;
    }
    return s;
}

void CWindowLink::TakeView(const PlotWindow* w) {
    const CPlotWnd* p = w->Plot();
    const ClockTimeline t = TimelineOf(w);
    m_viewFrom = ClockOfSample(t, p->m_visibleStart);
    m_viewSeconds = p->WindowLength() / t.rate;
    m_hasView = true;
}

void CWindowLink::TakeCursors(const PlotWindow* w) {
    const ClockTimeline t = TimelineOf(w);
    for (int i = 0; i < 2; ++i)
        m_cursor[i] = ClockOfSample(t, static_cast<double>(w->Plot()->TimeCursor(i + 1)->m_sample));
    m_hasCursors = true;
}

void CWindowLink::ApplyView(PlotWindow* w) const {
    CPlotWnd* p = w->Plot();
    const auto view = FollowClockSpan(TimelineOf(w), p->m_windowLengths, p->m_windowLengthCount, m_viewFrom,
                                      m_viewSeconds);
    if (!view) return;   // the recording does not meet the span: it keeps its view
    ShowViewAt(*p, view->zoom, view->start);
    w->SetScrollBox(0, p->HScrollBox());
    p->FollowView();
    p->InvalidateCanvas();
}

void CWindowLink::ApplyCursors(PlotWindow* w) const {
    CPlotWnd* p = w->Plot();
    const ClockTimeline t = TimelineOf(w);
    bool moved = false;
    for (int i = 0; i < 2; ++i) {
        const double s = std::round(SampleOfClock(t, m_cursor[i]));
        // An instant outside this recording leaves its cursor where it is.
        if (!(s >= 0.0 && s < static_cast<double>(t.samples))) continue;
        p->TimeCursor(i + 1)->m_sample = static_cast<uint64_t>(s);
        moved = true;
    }
    if (!moved) return;
    p->FollowView();
    p->InvalidateCanvas();
}

void CWindowLink::WatchCanvas(PlotWindow* w) {
    // Installing twice keeps one filter.
    if (w->Canvas()) w->Canvas()->installEventFilter(this);
}

void CWindowLink::SetEnabled(bool on, QMdiSubWindow* leader) {
    m_enabled = on;
    m_seen.clear();
    m_hasView = m_hasCursors = false;
    if (!on || !m_area) return;
    PlotWindow* first = Linkable(PlotWindowOf(leader)) ? PlotWindowOf(leader) : nullptr;
    for (QMdiSubWindow* sub : m_area->subWindowList()) {
        if (first) break;
        if (Linkable(PlotWindowOf(sub))) first = PlotWindowOf(sub);
    }
    if (first) {
        TakeView(first);
        if (Observe(first).placed) TakeCursors(first);
        m_seen.insert(first->SubWindow(), Observe(first));
    }
    Sync(leader);
}

void CWindowLink::Sync(QMdiSubWindow* preferred) {
    if (!m_enabled || m_syncing || !m_area) return;
    m_syncing = true;
    struct Entry {
        QMdiSubWindow* sub;
        PlotWindow* w;
        bool freshView = false;
        bool freshCursors = false;
    };
    std::vector<Entry> windows;
    const PlotWindow* viewLeader = nullptr;
    const PlotWindow* cursorLeader = nullptr;
    auto lead = [preferred](const PlotWindow*& leader, const PlotWindow* w) {
        if (!leader || w->SubWindow() == preferred) leader = w;
    };
    for (QMdiSubWindow* sub : m_area->subWindowList()) {
        PlotWindow* w = PlotWindowOf(sub);
        if (!Linkable(w)) continue;
        WatchCanvas(w);
        Entry e{sub, w};
        const Seen now = Observe(w);
        const auto it = m_seen.constFind(sub);
        if (it == m_seen.cend() || it->plot != now.plot) {
            e.freshView = true;
            e.freshCursors = now.placed;
        } else {
            if (now.zoom != it->zoom || now.start != it->start || now.end != it->end) lead(viewLeader, w);
            if (now.placed && !it->placed) e.freshCursors = true;
            else if (now.placed && (now.cursor[0] != it->cursor[0] || now.cursor[1] != it->cursor[1]))
                lead(cursorLeader, w);
        }
        windows.push_back(e);
    }
    if (viewLeader) TakeView(viewLeader);
    if (cursorLeader) TakeCursors(cursorLeader);
    // The first window of a link that had none yet gives the shared view.
    for (const Entry& e : windows) {
        if (!m_hasView && e.freshView) TakeView(e.w);
        if (!m_hasCursors && e.freshCursors) TakeCursors(e.w);
    }
    QHash<QMdiSubWindow*, Seen> seen;
    for (const Entry& e : windows) {
        if (m_hasView && (e.freshView || (viewLeader && e.w != viewLeader))) ApplyView(e.w);
        if (m_hasCursors && Observe(e.w).placed && (e.freshCursors || (cursorLeader && e.w != cursorLeader)))
            ApplyCursors(e.w);
        seen.insert(e.sub, Observe(e.w));
    }
    m_seen = seen;
    m_syncing = false;
}

bool CWindowLink::eventFilter(QObject* watched, QEvent* event) {
    if (m_enabled && event->type() == QEvent::Paint)
        if (auto* canvas = qobject_cast<PlotCanvasWidget*>(watched))
            Sync(canvas->Owner() ? canvas->Owner()->SubWindow() : nullptr);
    return QObject::eventFilter(watched, event);
}

} // namespace vistrel
