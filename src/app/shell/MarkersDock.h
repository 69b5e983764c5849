#pragma once
// View > Markers: a dock beside the plots listing the markers of the active plot window (time
// and duration in seconds from the first sample, text). A double-click jumps to a marker, Delete
// removes the selected ones, editing a text (F2, or a click on a selected text) renames it.

#include <QDockWidget>
#include <QMetaObject>
#include <QPointer>

class QTableWidget;
class QTableWidgetItem;
class QMdiSubWindow;

namespace vistrel {

class CMainFrame;
class PlotWindow;

class MarkersDock : public QDockWidget {
    Q_OBJECT
public:
    explicit MarkersDock(CMainFrame* frame);

    QTableWidget* Table() const { return m_table; }
    PlotWindow* Window() const { return m_window.data(); }
    // Lists the markers of this window (none: an empty list).
    void SetWindow(PlotWindow* window);
    void Refresh();
    // The rows' texts as shown, for the time column: seconds with up to 12 significant digits.
    static QString SecondsText(double seconds);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void OnActivated(QMdiSubWindow* window);
    void OnItemChanged(QTableWidgetItem* item);
    void OnDoubleClicked(QTableWidgetItem* item);
    void RemoveSelected();

    CMainFrame* m_frame;
    QTableWidget* m_table;
    QPointer<PlotWindow> m_window;
    QMetaObject::Connection m_changed;
    bool m_filling = false;
};

// The frame's dock, or null before View > Markers was first chosen.
MarkersDock* FindMarkersDock(CMainFrame* frame);
// View > Markers: shows the dock (created the first time) or hides it; the menu item is checked
// while it is shown.
void ToggleMarkersDock(CMainFrame* frame);

} // namespace vistrel
