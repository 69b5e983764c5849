#include "shell/FrameDialogs.h"

#include "dialogs/ProcessDialogs.h"

namespace vistrel {

namespace {
ProcessDialogOverride g_processOverride;
} // namespace

void SetProcessDialogOverride(ProcessDialogOverride hook) { g_processOverride = std::move(hook); }

int RunHistoryDialogFor(QWidget* owner, QString* path) { return RunHistoryDialog(owner, path); }

int RunParametersDialogFor(QWidget* owner, QMdiSubWindow* window) { return RunParametersDialog(owner, window); }

int RunProcessDialogFor(int commandId, QWidget* owner, const QString& parameter, QMdiSubWindow* window,
                        ProcessJob* job) {
    if (g_processOverride) return g_processOverride(commandId, parameter, job);
    return RunProcessDialog(commandId, owner, parameter, window, job);
}

} // namespace vistrel
