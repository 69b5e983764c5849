#pragma once
// The frame's entry points into the dialogs.

#include <QString>

class QMdiSubWindow;
class QWidget;

namespace vistrel {

struct ProcessJob;
class CDataFile;
struct DialogSource;

// "HISTORY" (32798): 1 when a row was double-clicked (its path in *path), else 0.
int RunHistoryDialog(QWidget* owner, QString* path);

// "PRMTRS" (32778): display parameters of the plot window in `window`, applied at once.
int RunParametersDialog(QWidget* owner, QMdiSubWindow* window);

// The parameter dialog of a processing command (32775, 32776 "MOVAVG"; 32788 "AXB"; 32790 "EFU";
// 32792 "ADDSUB"; 32794 "TABLEFUNC"; 32800 "SPECTR") or of Save channels as (32796 "SAVECHAS").
// `parameter` is the creation text (string 205, 206, 216 or 203); the job was filled from the
// window beforehand. Stores the choice in the job (and what the window keeps, in the window) and
// returns the dialog's result: 0 when it was closed, the factor for "MOVAVG", else 1.
int RunProcessDialog(int commandId, QWidget* owner, const QString& parameter, QMdiSubWindow* window,
                     ProcessJob* job);

// What the dialogs show of a job's recording and window.
DialogSource SourceOfJob(const ProcessJob& job);

} // namespace vistrel
