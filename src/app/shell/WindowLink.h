#pragma once
// Link time: plot windows that follow each other's horizontal view and time cursors by clock
// time, so recordings made at the same time line up whatever their rates. The link looks at a
// window whenever its canvas is about to paint (every change of view or cursor repaints it):
// one that moved since it was last seen leads, the others follow, and each follower is then
// recorded as seen, so a follower's repaint never leads back (no feedback). A window whose
// recording does not meet the shared span keeps its view; a window new to the link takes the
// shared view instead of imposing its own.

#include <QHash>
#include <QObject>

#include <cstdint>

#include "core/view/ClockLink.h"

class QMdiArea;
class QMdiSubWindow;

namespace vistrel {

class PlotWindow;

class CWindowLink : public QObject {
    Q_OBJECT
public:
    explicit CWindowLink(QMdiArea* area, QObject* parent = nullptr);

    // On: every plot window takes the view and cursors of `leader` (else of the first window)
    // and they move together from then on. Off: every window is independent again.
    void SetEnabled(bool on, QMdiSubWindow* leader = nullptr);
    bool Enabled() const { return m_enabled; }
    // Looks at every plot window now (also watches windows opened since the last look).
    // `preferred` leads when more than one window moved.
    void Sync(QMdiSubWindow* preferred = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Seen {
        const void* plot = nullptr;   // a reload makes a new plot: the window is new again
        int zoom = 0;
        double start = 0.0;
        double end = 0.0;
        uint64_t cursor[2] = {};
        bool placed = false;          // the time cursors have had their first placement
    };
    static bool Linkable(const PlotWindow* w);
    static Seen Observe(const PlotWindow* w);
    void TakeView(const PlotWindow* w);
    void TakeCursors(const PlotWindow* w);
    void ApplyView(PlotWindow* w) const;
    void ApplyCursors(PlotWindow* w) const;
    void WatchCanvas(PlotWindow* w);

    QMdiArea* m_area;
    bool m_enabled = false;
    bool m_syncing = false;
    QHash<QMdiSubWindow*, Seen> m_seen;
    bool m_hasView = false;
    ClockPoint m_viewFrom;
    double m_viewSeconds = 0.0;
    bool m_hasCursors = false;
    ClockPoint m_cursor[2];
};

} // namespace vistrel
