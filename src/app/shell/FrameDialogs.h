#pragma once
// The frame's dialog call sites: one entry per dialog that a frame command runs. Each returns
// the dialog's result (0: cancelled, the command ends) and leaves the user's choice in the job
// or the output parameter.

#include <QString>

#include <functional>

class QMdiSubWindow;
class QWidget;

namespace vistrel {

struct ProcessJob;

// "HISTORY": 1 when the user picked a file; its path in *path.
int RunHistoryDialogFor(QWidget* owner, QString* path);
// "PRMTRS": display parameters of the window.
int RunParametersDialogFor(QWidget* owner, QMdiSubWindow* window);
// The parameter dialog of a processing command (32775, 32776, 32788, 32790, 32792, 32794,
// 32800) or of Save channels as (32796, "SAVECHAS"). `parameter` is the creation text
// (string 205, 206, 216 or 203). The job was filled from the window beforehand.
int RunProcessDialogFor(int commandId, QWidget* owner, const QString& parameter, QMdiSubWindow* window,
                        ProcessJob* job);

// Tests and scripts: answers the processing dialogs instead of showing them (empty: dialogs).
using ProcessDialogOverride = std::function<int(int commandId, const QString& parameter, ProcessJob* job)>;
void SetProcessDialogOverride(ProcessDialogOverride hook);

} // namespace vistrel
