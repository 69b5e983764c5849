#include "shell/FrameApp.h"

#include <QAction>
#include <QDateTime>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

#include <filesystem>
#include <vector>

#include "core/common/FileProblemText.h"
#include "core/common/StringIds.h"
#include "core/recording/TempResults.h"
#include "shell/MainFrame.h"
#include "shell/PlotLink.h"
#include "shell/UiUtils.h"
#include "shell/UserSettings.h"

namespace vistrel {

CFrameApp* g_app = nullptr;

CFrameApp::CFrameApp(int cmdLineLength) : m_cmdLineLength(cmdLineLength) {
    m_mainRect = ReadMainGeometry(kConfigFileName, &m_configProblem);
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

QString CFrameApp::WindowPath(QMdiSubWindow* window) const { return window ? PlotPath(window) : QString(); }

void CFrameApp::RegisterPlotWindow(QMdiSubWindow* window) {
    if (!window || IndexOfWindow(window) >= 0) return;
    if (m_windowCount >= kMaxPlotWindows) return; // the list holds at most 128
    m_windows[m_windowCount++] = window;
    QObject::connect(window, &QObject::destroyed, [window] {
        if (g_app) g_app->UnregisterPlotWindow(window);
    });
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
        // "&" in a path would turn into a mnemonic and vanish from the text.
        QString text = WindowPath(m_windows[i]);
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a = m_windowMenu->addAction(text);
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

bool CFrameApp::CloseWindows(const std::vector<QMdiSubWindow*>& windows, bool stopOnDecline) {
    // Temporary results ask before they go; with more than one still to ask, the question
    // offers Yes to all and No to all, and such an answer closes or keeps the rest unasked.
    int asking = 0;
    for (QMdiSubWindow* w : windows) asking += PlotAsksBeforeClose(w) ? 1 : 0;
    int forAll = -1; // -1: ask each; 0/1: the answer given for all
    bool allClosed = true;
    for (QMdiSubWindow* w : windows) {
        if (IndexOfWindow(w) < 0) continue;
        bool closed = false;
        if (!PlotAsksBeforeClose(w)) {
            closed = w->close();
        } else {
            bool yes = forAll == 1;
            if (forAll < 0) {
                const RowAnswer answer = AskYesNoForAll(
                    PlotPath(w) + QLatin1Char(' ') + GetUiString(IDS_CLOSE_TEMP_QUESTION), asking > 1);
                yes = answer == RowAnswer::Yes || answer == RowAnswer::YesToAll;
                if (answer == RowAnswer::YesToAll || answer == RowAnswer::NoToAll) forAll = yes ? 1 : 0;
            }
            --asking;
            closed = PlotCloseAnswered(w, yes);
        }
        if (closed) {
            UnregisterPlotWindow(w);
        } else {
            allClosed = false; // a window that declines stays open and listed
            if (stopOnDecline) break;
        }
    }
    RebuildWindowMenu();
    return allClosed;
}

void CFrameApp::CloseAllWindows() {
    CloseWindows(std::vector<QMdiSubWindow*>(m_windows.begin(), m_windows.begin() + m_windowCount), false);
}

QMdiSubWindow* CFrameApp::OpenRecording(const QString& path, int vZoom, double vCenter, QString* error) {
    m_nextVCenter = vCenter;
    m_nextVZoom = vZoom;
    if (!m_mdiClient) return nullptr;
    // Refused before any open: a line break would break the configuration's lines, and a FIFO
    // or a device would block the reader.
    QString why;
    if (path.contains(QLatin1Char('\r')) || path.contains(QLatin1Char('\n'))) {
        why = GetUiString(IDS_PATH_HAS_LINE_BREAK);
    } else {
        const platform::FileProblem problem = CheckReadablePath(path);
        if (problem != platform::FileProblem::None) why = GetUiString(FileProblemStringId(problem));
    }
    if (!why.isEmpty()) {
        if (error) *error = why;
        else ShowErrorText(GetUiString(IDS_NOT_OPENED) + QLatin1Char('\n') + path + QLatin1Char('\n') + why);
        return nullptr;
    }
    QMdiSubWindow* w = CreatePlotSubWindow(m_mdiClient, path, vZoom, vCenter, m_pendingSettings, error);
    if (w) RegisterPlotWindow(w);
    return w;
}

namespace {
// Rectangles of plot windows are kept in screen pixels, through the MDI area's origin.
ConfigRect ScreenRect(QMdiArea* area, QMdiSubWindow* w) {
    const QRect g = w->geometry();
    const QPoint origin = area->viewport()->mapToGlobal(QPoint(0, 0));
    return {g.left() + origin.x(), g.top() + origin.y(), g.left() + origin.x() + g.width(),
            g.top() + origin.y() + g.height()};
}
} // namespace

void CFrameApp::LoadConfiguration(bool show) {
    ConfigData data;
    if (m_configProblem == platform::FileProblem::None)
        vistrel::LoadConfiguration(kConfigFileName, m_cmdLineLength == 0, data);
    std::vector<std::pair<QMdiSubWindow*, ConfigRect>> placed;
    QStringList notRestored; // one box for all of them, after the frame is shown
    for (size_t index = 0; index < data.windows.size(); ++index) {
        const SavedWindow& saved = data.windows[index];
        m_pendingSettings = &saved.settings;
        const QString path = QString::fromLocal8Bit(saved.path.c_str());
        QString why;
        QMdiSubWindow* w = OpenRecording(path, -1, kNoVCenter, &why);
        m_pendingSettings = nullptr;
        // The window's own modes, when they were saved for this recording at this place.
        if (w) PlotRestoreModes(w, WindowSettingsGroup(path, static_cast<int>(index)));
        // Each window takes the rectangle of its own block, also when an earlier one failed.
        if (w) placed.emplace_back(w, saved.rect);
        else notRestored.append(why.isEmpty() ? path : path + QStringLiteral(": ") + why);
    }
    m_pendingSettings = nullptr;
    m_history = data.history;
    if (m_frame && show) m_frame->show();
    if (m_configProblem != platform::FileProblem::None)
        ShowErrorText(GetUiString(IDS_CONFIG_UNREADABLE).arg(GetUiString(FileProblemStringId(m_configProblem))));
    if (!notRestored.isEmpty())
        ShowErrorText(GetUiString(IDS_WINDOWS_NOT_RESTORED) + QLatin1Char('\n') + notRestored.join(QLatin1Char('\n')));
    if (m_mdiClient) {
        const QPoint origin = m_mdiClient->viewport()->mapToGlobal(QPoint(0, 0));
        for (auto& [w, r] : placed) {
            if (IndexOfWindow(w) < 0) continue;
            w->showNormal();
            w->setGeometry(r.left - origin.x(), r.top - origin.y(), std::max(r.right - r.left, 50),
                           std::max(r.bottom - r.top, 50));
        }
        if (QMdiSubWindow* active = m_mdiClient->activeSubWindow()) m_mdiClient->setActiveSubWindow(active);
    }
    RebuildWindowMenu();
}

void CFrameApp::SaveConfiguration() {
    ConfigData data;
    if (m_frame) {
        const QRect f = m_frame->frameGeometry();
        const QRect c = m_frame->geometry();
        data.mainRect = {f.left(), f.top(), f.left() + c.width(), f.top() + c.height()};
    }
    // A run with a command line leaves the saved windows as they were for the next plain start.
    if (m_cmdLineLength != 0 && m_configProblem == platform::FileProblem::None)
        data.windows = ReadSavedWindows(kConfigFileName);
    const int n = m_cmdLineLength != 0 ? 0 : m_windowCount;
    if (m_cmdLineLength == 0) RemoveWindowSettingsGroups();   // the windows saved now replace them
    for (int i = 0; i < n && static_cast<int>(data.windows.size()) < kMaxSavedWindows; ++i) {
        QMdiSubWindow* w = m_windows[i];
        if (!w || !m_mdiClient || !IsSavedAcrossRuns(w)) continue;
        if (w->isMinimized() || w->isMaximized()) w->showNormal();
        SavedWindow saved;
        saved.rect = ScreenRect(m_mdiClient, w);
        saved.path = WindowPath(w).toLocal8Bit().toStdString();
        saved.settings.widths.fill(1);
        PlotSettings(w, &saved.settings, &saved.channelCount);
        PlotSaveModes(w, WindowSettingsGroup(QString::fromLocal8Bit(saved.path.c_str()),
                                             static_cast<int>(data.windows.size())));
        data.windows.push_back(std::move(saved));
    }
    data.history = m_history;
    // An unreadable file under the name was reported at start and is left as it is.
    if (m_configProblem == platform::FileProblem::None)
        vistrel::SaveConfiguration(kConfigFileName, kConfigBackupName, data);
    CloseAllWindows();
}

bool CFrameApp::CloseTemporaryResults() {
    std::vector<QMdiSubWindow*> windows;
    for (int i = 0; i < m_windowCount; ++i)
        if (!IsSavedAcrossRuns(m_windows[i])) windows.push_back(m_windows[i]);
    return CloseWindows(windows, true);
}

void CFrameApp::Shutdown() {
    SaveConfiguration();
    // Windows still open declined to close: the program ends anyway, their files stay.
    for (int i = 0; i < m_windowCount; ++i)
        UnregisterTempResult(std::filesystem::path(PlotPath(m_windows[i]).toStdU16String()));
}

bool CFrameApp::IsSavedAcrossRuns(QMdiSubWindow* window) {
    return !IsTempResult(std::filesystem::path(PlotPath(window).toStdU16String()));
}

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
