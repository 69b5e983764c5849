#pragma once
// The plot window: one recording shown in an MDI child. The widget holds the canvas area (painted
// by CPlotWnd), its own horizontal and vertical scroll bars (range 0..65535) and a status bar with
// two parts (part 1 shows the cursor read-out). It owns its PlotWindowData, CDataFile and CPlotWnd
// from creation to destruction.

#include <QString>
#include <QWidget>

#include <memory>
#include <vector>

#include "PlotWnd.h"
#include "WheelSteps.h"
#include "core/config/Configuration.h"

class QMdiArea;
class QMdiSubWindow;
class QScrollBar;
class QStatusBar;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QTimer;

namespace vistrel {

class CDataFile;
class PlotWindow;
class WindowMarkers;
class SpectrogramPanel;
struct ProcessJob;

// The record tied to each plot window; a processing job reads it.
struct PlotWindowData {
    QStatusBar* statusBar = nullptr;
    CPlotWnd* plot = nullptr;          // null until the recording is open
    QString path;                      // as opened; the window list shows it
    CDataFile* file = nullptr;
    int timeLabelStyle = 0;            // set by the display-parameters dialog
    int operation = 0;                 // code of the operation last started on this window
    PlotWindow* window = nullptr;
};

// The canvas area: forwards paint and mouse events to the plot.
class PlotCanvasWidget : public QWidget {
    Q_OBJECT
public:
    explicit PlotCanvasWidget(PlotWindow* owner);
    PlotWindow* Owner() const { return m_owner; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    PlotWindow* m_owner;
};

class PlotWindow : public QWidget, public IPlotHost {
    Q_OBJECT
public:
    // Opens `path` and shows it in a new sub-window of `area`. `vZoom` < 0 keeps the vertical view
    // at magnification 1; otherwise it is applied with `vCentre` (per mille). `settings`, when
    // given, are saved display settings to apply (restoring windows at start-up). The new window
    // registers itself in the frame's window list and removes itself when destroyed.
    // Returns null, after showing the error boxes, when the recording cannot be opened; with
    // `error` given, the reason is put there and no error box is shown.
    static PlotWindow* Create(QMdiArea* area, const QString& path, int vZoom = -1,
                              double vCentre = 9999999.0, const WindowSettings* settings = nullptr,
                              QString* error = nullptr);

    // A window outside any MDI area (for rendering into an image). Errors go to `error` instead of
    // message boxes. Returns null when the recording cannot be opened.
    static std::unique_ptr<PlotWindow> CreateDetached(const QString& path, QString* error);

    ~PlotWindow() override;

    PlotWindowData& Data() { return m_data; }
    const PlotWindowData& Data() const { return m_data; }
    CPlotWnd* Plot() const { return m_plot.get(); }
    CDataFile* File() const { return m_file.get(); }
    const QString& Path() const { return m_data.path; }
    QMdiSubWindow* SubWindow() const { return m_subWindow; }
    PlotCanvasWidget* Canvas() const { return m_canvas; }
    QScrollBar* HScrollBar() const { return m_hScroll; }
    QScrollBar* VScrollBar() const { return m_vScroll; }
    QStatusBar* StatusBar() const { return m_statusBar; }
    QString StatusText(int part) const;

    // Saved display settings: shown flags, colours, widths, selected channel, time-label style,
    // zoom indices and centres.
    void ApplySettings(const WindowSettings& s);
    void ExtractSettings(WindowSettings& s) const;
    // The window's own modes (lanes, lane heights, fit automatically) in the per-user store
    // under `group` (WindowSettingsGroup of the path and the window's index in "Vistrel.cfg").
    // Restoring applies them only when they were saved for this window's path; true then.
    void SaveModes(const QString& group) const;
    bool RestoreModes(const QString& group);
    // Start view of a window opened from another one: history of one entry, then the given
    // vertical magnification index and centre.
    void ApplyVerticalView(int vZoom, double vCentre);

    // Time cursor samples (0 before the first placement).
    int64_t CursorSample(int which) const;

    // Scrolling: requests are the scroll-bar request codes (ScrollRequest).
    void OnHScroll(int request, int thumb = 0);
    void OnVScroll(int request, int thumb = 0);
    // A proportional bar's thumb dropped (or dragged) at `value` (0 .. the bar's maximum).
    void OnHThumb(int value);
    void OnVThumb(int value);
    // Size and place of a bar's thumb (0 horizontal, 1 vertical) from the plot's view: the
    // visible share of the recording (of the lanes, of the value range) and the view's place.
    void SyncScrollBar(int bar);
    // Wheel: delta > 0 away from the user; one line step per 120 units, smaller deltas add up.
    // Shift scrolls vertically; Ctrl zooms in (away from the user) or out around column x.
    void OnWheel(int delta, bool shift, bool ctrl = false, int x = -1);
    // Keys of the plot: arrows, Page Up/Down, Home/End, +/-, Backspace, F, Ctrl+Shift+C.
    // True when the key was one of them.
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers);
    // Zoom through the zoom table by `steps` around `anchor` (0 left edge .. 1 right edge).
    void ZoomStep(int steps, double anchor = 0.5);
    void ZoomBack();
    // The whole read-out line (the status bar may show only its beginning) to the clipboard.
    void CopyReadOut();

    // Each shown channel in a lane of its own (a mode of this window, key L).
    void SetLanes(bool on);
    // Every shown channel's display range (or only `channel`'s) to the extremes of the visible
    // range (key Y; a double-click on a lane's scale for that lane).
    void FitValues(int channel = -1);
    // View > Fit values automatically: a mode of this window.
    void SetAutoFit(bool on);
    bool AutoFit() const;
    // The automatic fit, when the view moved since the last one (before each paint).
    void AutoFitBeforePaint();
    // The spectrogram of the selected channel below the traces (View > Spectrogram), a mode of
    // this window (PlotWindowSpectrogram.cpp).
    void SetSpectrogram(bool shown);
    bool SpectrogramShown() const;
    SpectrogramPanel* Spectrogram() const { return m_spectrogram; }
    // The legend beside the plot: one row per shown channel; a click selects the channel.
    void SetLegendShown(bool shown);
    bool LegendShown() const;
    QListWidget* Legend() const { return m_legend; }
    void RefreshLegend();
    // Whether new plot windows show their legend (the last choice of this run).
    static void SetLegendDefault(bool shown);
    static bool LegendDefault();
    // Settings > Envelope when dense, kept in the per-user store (on when never set).
    static bool EnvelopeDenseSetting();
    // Draws the plot, its legend and read-out in the user's colour scheme (Settings › Colours);
    // called when the choice or the system's palette changes. A window made for a picture of
    // the command line keeps the light scheme.
    void ApplyColourScheme();
    static void SetEnvelopeDenseSetting(bool on);
    QLabel* ReadOutLabel() const { return m_part1; }
    // What the first tick of timer 0 does: places the cursors.
    void OnFirstTimer();
    bool CursorTimerActive() const;

    // Closes the window asking, for a temporary result not yet used by an operation, whether to
    // close it (the window's close button and the frame's Close command come here). While a job
    // reads the recording the window refuses to close.
    bool ConfirmClose();
    // Whether closing now would ask (a temporary result not yet used, no job reading it).
    bool AsksBeforeClose() const;
    // The answer the next close takes instead of asking (a "to all" answer of the frame).
    void SetCloseAnswer(bool yes) { m_closeAnswer = yes ? 1 : 0; }

    // A job reads this window's recording (set from its start to its end).
    void SetJobRunning(bool running) { m_jobRunning = running; }
    bool JobRunning() const { return m_jobRunning; }
    // The 300 ms check: once the recording changed on disk, asks once whether to reload it (Yes)
    // or close the window (No). True when it asked.
    bool PollChangedOnDisk();
    // Opens the recording again from disk: a new plot with the window's display settings, so
    // nothing computed from the old contents survives. False after an error box (the window
    // keeps showing what it had).
    bool Reload();

    // Markers (WindowMarkers.cpp): read from the recording's sidecar for a window of the frame;
    // null until then.
    void AttachMarkers();
    WindowMarkers* Markers() const { return m_markers; }
    // Brings sample s into the view: when it lies outside (or at the very edges) the view is
    // centred on it, moved as a scroll-bar request moves it.
    void ShowSample(int64_t s);

    // IPlotHost
    const std::vector<markers::Marker>* PlotMarkers() const override;
    void SetScrollBox(int bar, int position) override;
    void SetStatusPart(int part, const QString& text) override;
    void ShowErrorText(const QString& text) override;

    // Lays the canvas, scroll bars and status bar out for the current size.
    void LayoutChildren();

signals:
    void statusChanged(int part, const QString& text);
    // The plot and its recording are about to go (the window closes or reloads): whatever
    // reads them on another thread stops now.
    void recordingClosing();

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    explicit PlotWindow(QWidget* parent = nullptr);
    bool OpenRecording(const QString& path, bool interactive, QString* error);
    void Finish(int vZoom, double vCentre, const WindowSettings* settings);
    void OnScrollAction(bool horizontal, int action);
    void OnLegendClicked(QListWidgetItem* item);
    void UpdateReadOutLabel();
    // Places the spectrogram below a canvas of the given size; gives the canvas height left.
    int PlaceSpectrogram(int canvasW, int canvasH);
    void DetachSpectrogram();

    friend class PlotCanvasWidget;

    PlotWindowData m_data;
    std::unique_ptr<CDataFile> m_file;
    std::unique_ptr<CPlotWnd> m_plot;
    PlotCanvasWidget* m_canvas = nullptr;
    QScrollBar* m_hScroll = nullptr;
    QScrollBar* m_vScroll = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QLabel* m_part1 = nullptr;
    QLabel* m_part2 = nullptr;
    QString m_partText[2];             // the whole texts of the two status parts
    QListWidget* m_legend = nullptr;
    QString m_legendKey;               // what the legend shows, to rebuild only on a change
    QMdiSubWindow* m_subWindow = nullptr;
    WindowMarkers* m_markers = nullptr;   // a child object
    SpectrogramPanel* m_spectrogram = nullptr;
    QTimer* m_cursorTimer = nullptr;
    QTimer* m_diskTimer = nullptr;
    WheelSteps m_wheelH;
    WheelSteps m_wheelV;
    WheelSteps m_wheelZoom;
    bool m_registered = false;
    bool m_jobRunning = false;
    bool m_changeReported = false;
    int m_closeAnswer = -1; // -1: ask; 0/1: the frame's answer for the next close
};

} // namespace vistrel
