#include "shell/FrameApp.h"

#include <QAction>
#include <QDateTime>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include "shell/MainFrame.h"
#include "shell/UiUtils.h"

namespace vistrel {

CFrameApp* g_app = nullptr;

CFrameApp::CFrameApp(int cmdLineLength) : m_cmdLineLength(cmdLineLength) {
    m_mainRect = ReadMainGeometry(kConfigFileName);
    m_coeffA.fill(1.0f);
    m_coeffB.fill(0.0f);
    m_history.Clear();
}

CFrameApp::~CFrameApp() {
    if (g_app == this) g_app = nullptr;
}

int CFrameApp::IndexOfWindow(QMdiSubWindow* window) const {
    for (int i = 0; i < m_windowCount; ++i)
        if (m_windows[i] == window) return i;
    return -1;
}

QString CFrameApp::WindowPath(QMdiSubWindow* window) const {
    if (!window) return QString();
    const QVariant path = window->property("vistrelPath");
    return path.isValid() ? path.toString() : window->windowTitle();
}

void CFrameApp::RegisterPlotWindow(QMdiSubWindow* window) {
    if (!window || IndexOfWindow(window) >= 0) return;
    if (m_windowCount >= kMaxPlotWindows) return; // the list holds at most 128
    m_windows[m_windowCount++] = window;
    RebuildWindowMenu();
}

void CFrameApp::UnregisterPlotWindow(QMdiSubWindow* window) {
    const int i = IndexOfWindow(window);
    if (i < 0) return;
    for (int k = i; k + 1 < m_windowCount; ++k) m_windows[k] = m_windows[k + 1];
    m_windows[--m_windowCount] = nullptr;
    if (m_maximizedChild == window) m_maximizedChild = nullptr;
    RebuildWindowMenu();
}

void CFrameApp::RebuildWindowMenu() {
    if (!m_frame || !m_frame->FileMenu()) return;
    QMenu* file = m_frame->FileMenu();
    if (m_windowMenu) {
        file->removeAction(m_windowMenu->menuAction());
        delete m_windowMenu;
        m_windowMenu = nullptr;
    }
    if (m_windowCount <= 0) return;
    m_windowMenu = new QMenu(GetUiString(237), file);
    m_windowMenu->setObjectName(QStringLiteral("windowList"));
    for (int i = 0; i < m_windowCount; ++i) {
        QAction* a = m_windowMenu->addAction(WindowPath(m_windows[i]));
        const int id = kWindowListFirstId + i;
        a->setData(id);
        a->setObjectName(QString::number(id));
        CMainFrame* frame = m_frame;
        QObject::connect(a, &QAction::triggered, frame, [frame, id] { frame->OnCommand(id); });
    }
    const QList<QAction*> actions = file->actions();
    QAction* before = actions.size() > 8 ? actions[8] : nullptr;
    file->insertMenu(before, m_windowMenu);
}

void CFrameApp::CloseAllWindows() {
    const int count = m_windowCount;
    for (int i = 0; i < count; ++i) {
        QMdiSubWindow* w = m_windows[0];
        if (!w) break;
        if (!w->close()) {
            // A temporary result declined: it stays open but leaves the list.
            UnregisterPlotWindow(w);
        }
    }
    m_windows.fill(nullptr);
    m_windowCount = 0;
    RebuildWindowMenu();
}

QMdiSubWindow* CFrameApp::OpenRecording(const QString& path, int vZoom, double vCenter) {
    m_nextVCenter = vCenter;
    m_nextVZoom = vZoom;
    (void)path;
    return nullptr; // plot windows are created by the plot module
}

void CFrameApp::LoadConfiguration() {}
void CFrameApp::SaveConfiguration() {}

void CFrameApp::AddToHistory(const QString& path, int64_t samplesPerChannel, int channels, float rate) {
    const QDateTime now = QDateTime::currentDateTime();
    LocalClock clock;
    clock.year = now.date().year();
    clock.month = now.date().month();
    clock.day = now.date().day();
    clock.hour = now.time().hour();
    clock.minute = now.time().minute();
    clock.second = now.time().second();
    vistrel::AddToHistory(m_history, MakeHistoryEntry(path.toLocal8Bit().toStdString(), clock,
                                                      samplesPerChannel, channels, rate));
}

void CFrameApp::CheckHistoryFiles() { vistrel::CheckHistoryFiles(m_history); }

} // namespace vistrel
