#include "shell/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

#include "shell/FrameApp.h"
#include "shell/UiUtils.h"

namespace vistrel {

bool g_exitConfirmed = false;

CMainFrame::CMainFrame() {
    setObjectName(QStringLiteral("VISTREL"));
    setWindowTitle(GetUiString(202));
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MDICLIENT"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    BuildMenu();
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &CMainFrame::UpdateMenuState);
    UpdateMenuState();
}

CMainFrame::~CMainFrame() {
    if (g_app && g_app->m_frame == this) {
        g_app->m_frame = nullptr;
        g_app->m_windowMenu = nullptr;
    }
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, bool enabled) {
    QAction* a = menu->addAction(qtTrId(QByteArray::number(id).constData()));
    a->setData(id);
    a->setObjectName(QString::number(id));
    a->setEnabled(enabled);
    connect(a, &QAction::triggered, this, [this, id] { OnCommand(id); });
    m_actions.insert(id, a);
    return a;
}

void CMainFrame::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("VISTRELMENU"));
    // File: positions 0..7 are fixed so that the window list lands at position 8.
    m_fileMenu = bar->addMenu(qtTrId("menu.file"));
    m_fileMenu->setObjectName(QStringLiteral("menuFile"));
    AddCommand(m_fileMenu, cmd::Open, true);
    AddCommand(m_fileMenu, cmd::History, true);
    m_fileMenu->addSeparator();
    AddCommand(m_fileMenu, cmd::SaveFragment, false);
    AddCommand(m_fileMenu, cmd::SaveChannels, false);
    m_fileMenu->addSeparator();
    AddCommand(m_fileMenu, cmd::Close, true);
    AddCommand(m_fileMenu, cmd::CloseAll, true);
    m_fileMenu->addSeparator();
    AddCommand(m_fileMenu, cmd::Exit, true);

    QMenu* proc = bar->addMenu(qtTrId("menu.processing"));
    proc->setObjectName(QStringLiteral("menuProcessing"));
    AddCommand(proc, cmd::MinMax, true);
    proc->addSeparator();
    AddCommand(proc, cmd::Average, false);
    AddCommand(proc, cmd::MovingAverage, false);
    AddCommand(proc, cmd::Linear, false);
    AddCommand(proc, cmd::Rms, false);
    AddCommand(proc, cmd::AddSub, false);
    AddCommand(proc, cmd::TableFunction, false);
    AddCommand(proc, cmd::Spectrum, false);

    QMenu* settings = bar->addMenu(qtTrId("menu.settings"));
    settings->setObjectName(QStringLiteral("menuSettings"));
    AddCommand(settings, cmd::Parameters, true);
    AddCommand(settings, cmd::About, true);
}

void CMainFrame::UpdateMenuState() {
    static const int kNeedWindow[] = {cmd::Parameters, cmd::SaveFragment, cmd::Close,   cmd::CloseAll,
                                      cmd::MinMax,     cmd::MovingAverage, cmd::Average, cmd::Linear,
                                      cmd::Rms,        cmd::AddSub,        cmd::TableFunction,
                                      cmd::Spectrum,   cmd::SaveChannels};
    QMdiSubWindow* active = m_mdi ? m_mdi->activeSubWindow() : nullptr;
    for (int id : kNeedWindow)
        if (QAction* a = Action(id)) a->setEnabled(active != nullptr);
}

void CMainFrame::OnCommand(int id) {
    switch (id) {
    case cmd::Exit:
        if (AskYesNo(GetUiString(211))) {
            g_exitConfirmed = true;
            close();
        }
        break;
    case cmd::Close:
        if (QMdiSubWindow* w = m_mdi->activeSubWindow()) w->close();
        break;
    case cmd::CloseAll:
        if (g_app) g_app->CloseAllWindows();
        break;
    default:
        if (id >= kWindowListFirstId && id < kWindowListFirstId + 256 && g_app) {
            const int i = id - kWindowListFirstId;
            if (i < g_app->m_windowCount && g_app->m_windows[i]) {
                QMdiSubWindow* w = g_app->m_windows[i];
                w->raise();
                m_mdi->setActiveSubWindow(w);
            }
        }
        break;
    }
    UpdateMenuState();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The frame itself stays; only the answer Yes ends the main loop.
    event->ignore();
    if (g_exitConfirmed || AskYesNo(GetUiString(211))) QCoreApplication::exit(0);
}

} // namespace vistrel
