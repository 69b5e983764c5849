// View > Statistics: the statistics dock beside the plots, following the active plot window.
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include "core/common/StringIds.h"
#include "plot/PlotWindow.h"
#include "plot/StatisticsDock.h"
#include "shell/MainFrame.h"

namespace vistrel {

namespace {

PlotWindow* PlotWindowOf(QMdiSubWindow* w) { return w ? qobject_cast<PlotWindow*>(w->widget()) : nullptr; }

} // namespace

void CMainFrame::AddStatistics(QMenu* view) {
    auto* dock = new StatisticsDock(this);
    addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->hide();
    QAction* a = AddCommand(view, cmd::Statistics, true, IDS_MENU_STATISTICS);
    a->setCheckable(true);
    // The dock's own close button unchecks the command.
    connect(dock, &QDockWidget::visibilityChanged, a, [this, a, dock] { a->setChecked(!dock->isHidden()); });
    connect(m_mdi, &QMdiArea::subWindowActivated, dock,
            [dock](QMdiSubWindow* w) { dock->SetWindow(PlotWindowOf(w)); });
}

void CMainFrame::OnStatistics() {
    auto* dock = findChild<StatisticsDock*>();
    if (!dock) return;
    dock->SetWindow(PlotWindowOf(ActiveWindow()));
    dock->setVisible(dock->isHidden());
    if (QAction* a = Action(cmd::Statistics)) a->setChecked(!dock->isHidden());
}

} // namespace vistrel
