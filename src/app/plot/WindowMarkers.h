#pragma once
// The markers of a plot window's recording: read from its sidecar when the window opens, added
// from the time cursors through an in-place text field (M, Shift+M), stepped through (N,
// Shift+N), removed and renamed from the Markers dock. Every change is written to the sidecar at
// once; when that fails the markers stay in memory for the run and the window says why, once.

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstddef>
#include <vector>

#include "core/markers/MarkerStore.h"

#include <QLineEdit>

namespace vistrel {

class PlotWindow;

// The colour of the markers' lines, labels and (lighter) spans.
QColor MarkerColour();

class WindowMarkers : public QObject {
    Q_OBJECT
public:
    // Reads the sidecar of the window's recording (a failure is reported at once).
    explicit WindowMarkers(PlotWindow* window);
    ~WindowMarkers() override;

    const std::vector<markers::Marker>& List() const { return m_store.Markers(); }
    const markers::MarkerStore& Store() const { return m_store; }

    // Opens the text field over the plot for a new marker at time cursor 1, or (span) for the
    // span between the two time cursors. Enter (or leaving the field) adds the marker with the
    // text typed; Esc drops it.
    void BeginAdd(bool span);
    QLineEdit* Field() const { return m_field; }
    void AcceptField();
    void CancelField();

    // Changes, each written to the sidecar; false when nothing changed.
    bool Add(const markers::Marker& marker);
    bool Remove(size_t index);
    bool Rename(size_t index, const QString& text);

    // Shows the marker: the view moves to its start when that is not in sight (through the same
    // movement as the horizontal scroll bar), time cursor 1 goes to its start and, for a span,
    // time cursor 2 to its end.
    void JumpTo(size_t index);
    // The next (forward) or previous marker from time cursor 1; false when there is none.
    bool Step(bool forward);

    // Whether a problem of the sidecar has been shown (once per window).
    bool Reported() const { return m_reported; }

signals:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Report(const markers::MarkerFileStatus& status);
    void CloseField();

    PlotWindow* m_window;
    markers::MarkerStore m_store;
    QPointer<QLineEdit> m_field;
    markers::Marker m_pending;
    bool m_reported = false;
};

} // namespace vistrel
