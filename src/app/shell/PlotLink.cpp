// Stand-in until the plot windows exist: every open fails with the usual error box.
#include "shell/PlotLink.h"

#include <QMdiSubWindow>

#include "shell/UiUtils.h"

namespace vistrel {

QMdiSubWindow* CreatePlotSubWindow(QMdiArea*, const QString&, int, double, const WindowSettings*) {
    ShowError(213);
    return nullptr;
}
bool HasPlot(QMdiSubWindow*) { return false; }
QString PlotPath(QMdiSubWindow* window) { return window ? window->windowTitle() : QString(); }
CDataFile* PlotRecording(QMdiSubWindow*) { return nullptr; }
QWidget* PlotCanvas(QMdiSubWindow* window) { return window; }
bool PlotVerticalView(QMdiSubWindow*, int*, double*) { return false; }
bool PlotSettings(QMdiSubWindow*, WindowSettings*, int*) { return false; }
void PlotRequestMinMax(QMdiSubWindow*) {}
void PlotRepaint(QMdiSubWindow* window) {
    if (window) window->update();
}
bool PlotFillJob(QMdiSubWindow*, ProcessJob*) { return false; }
void PlotJobDone(QMdiSubWindow*, const ProcessJob&) {}
void PlotSetProgress(QMdiSubWindow*, QWidget*, const QString&, int) {}

} // namespace vistrel
