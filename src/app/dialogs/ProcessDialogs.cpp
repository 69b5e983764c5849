#include "ProcessDialogs.h"

#include "dialogs/HistoryDialog.h"
#include "shell/FrameApp.h"

namespace vistrel {

int RunCommandDialog(int /*commandId*/, QMdiSubWindow* /*window*/) { return 0; }

void RunParametersDialog(QMdiSubWindow* /*window*/) {}

bool RunHistoryDialog(QString* path) {
    if (!g_app) return false;
    g_app->CheckHistoryFiles();
    HistoryDialog dialog(BoxOwner(), g_app->m_history);
    if (ExecDialog(dialog) != 1) return false;
    *path = dialog.Path();
    return true;
}

} // namespace vistrel
