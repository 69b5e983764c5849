#pragma once
// What the frame needs of a plot window, reached through its MDI sub-window. Keeps the frame's
// commands apart from the plot window's internals.

#include <QString>

#include <cstdint>

class QMdiArea;
class QMdiSubWindow;
class QWidget;

namespace vistrel {

class CDataFile;
struct ProcessJob;
struct WindowSettings;

// Opens the recording in a new plot window (registered in the frame's list). Null after the
// window's own error boxes when the recording cannot be opened; with `error` given the reason
// goes there instead of into boxes.
QMdiSubWindow* CreatePlotSubWindow(QMdiArea* area, const QString& path, int vZoom, double vCenter,
                                   const WindowSettings* settings, QString* error = nullptr);

bool HasPlot(QMdiSubWindow* window);
QString PlotPath(QMdiSubWindow* window);
CDataFile* PlotRecording(QMdiSubWindow* window);
QWidget* PlotCanvas(QMdiSubWindow* window);
// Current vertical magnification index and centre of the window's view.
bool PlotVerticalView(QMdiSubWindow* window, int* vZoom, double* vCenter);
// Display settings to save and the number of the recording's channels.
bool PlotSettings(QMdiSubWindow* window, WindowSettings* settings, int* channels);
// Turns the window's min-max view on or off (it stays until turned off) and repaints.
void PlotSetMinMax(QMdiSubWindow* window, bool on);
bool PlotMinMax(QMdiSubWindow* window);
// Lanes of the window's plot (a mode of the window).
void PlotSetLanes(QMdiSubWindow* window, bool on);
bool PlotLanes(QMdiSubWindow* window);
// The spectrogram below the traces of the window, and its settings dialog (which shows it).
void PlotSetSpectrogram(QMdiSubWindow* window, bool shown);
bool PlotSpectrogram(QMdiSubWindow* window);
void PlotSpectrogramSettings(QMdiSubWindow* window, QWidget* owner);
// View > Fit values in the window.
void PlotFitValues(QMdiSubWindow* window);
// View > Fit values automatically (a mode of the window).
void PlotSetAutoFit(QMdiSubWindow* window, bool on);
bool PlotAutoFit(QMdiSubWindow* window);
// The window's own modes in the per-user store (see PlotWindow::SaveModes).
void PlotSaveModes(QMdiSubWindow* window, const QString& group);
bool PlotRestoreModes(QMdiSubWindow* window, const QString& group);
// Settings > Envelope when dense, applied to the window.
void PlotSetEnvelopeDense(QMdiSubWindow* window, bool on);
// Shows or hides the window's legend.
void PlotSetLegend(QMdiSubWindow* window, bool shown);
void PlotRepaint(QMdiSubWindow* window);

// Fills what a job reads from the window: recording, cursors, shown channels, colours, widths,
// selected channel, time style and start time.
bool PlotFillJob(QMdiSubWindow* window, ProcessJob* job);
// Hands back what a finished job changed: the saved flag, cursors moved by a spectrum.
void PlotJobDone(QMdiSubWindow* window, const ProcessJob& job);
// The window's progress box holder (m_progressWnd) and result name (m_resultName).
void PlotSetProgress(QMdiSubWindow* window, QWidget* box, const QString& resultName, int averagingFactor);
// A job reads the window's recording: while set the window refuses to close or reload.
void PlotSetBusy(QMdiSubWindow* window, bool busy);
// Whether closing the window would ask its question (a temporary result not yet used).
bool PlotAsksBeforeClose(QMdiSubWindow* window);
// Closes the window with the given answer to its question instead of asking; true when it
// closed.
bool PlotCloseAnswered(QMdiSubWindow* window, bool yes);
// Reopens the window's recording from disk (File > Reload); false after an error box.
bool PlotReload(QMdiSubWindow* window);

} // namespace vistrel
