#include "ProcessDialogs.h"

namespace vistrel {

int RunCommandDialog(int /*commandId*/, QMdiSubWindow* /*window*/) { return 0; }

void RunParametersDialog(QMdiSubWindow* /*window*/) {}

bool RunHistoryDialog(QString* /*path*/) { return false; }

} // namespace vistrel
