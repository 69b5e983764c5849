#pragma once
// The frame's entry points into the dialogs. Each parameter dialog runs modally on the plot
// window shown in `window`, stores what it collected in that window's job parameters, and
// returns the dialog's result: 0 when it was closed (the command then does nothing).

#include <QString>

class QMdiSubWindow;

namespace vistrel {

// Processing and saving commands: 32775, 32776 ("MOVAVG"), 32788 ("AXB"), 32790 ("EFU"),
// 32792 ("ADDSUB"), 32794 ("TABLEFUNC"), 32800 ("SPECTR"), 32796 ("SAVECHAS").
// For 32775/32776 the result is the averaging factor; for the others 1.
int RunCommandDialog(int commandId, QMdiSubWindow* window);

// "PRMTRS" (32778): display parameters of the plot window, applied at once.
void RunParametersDialog(QMdiSubWindow* window);

// "HISTORY" (32798): true when a row was double-clicked; *path then holds its path.
bool RunHistoryDialog(QString* path);

} // namespace vistrel
