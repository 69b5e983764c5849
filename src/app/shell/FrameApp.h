#pragma once
// CFrameApp: the single application object (g_app). Lives from start-up to shutdown and
// owns the list of open plot windows, the open history, the values handed to the next plot
// window, the saved settings being restored, and the linear-transformation coefficients.

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

#include "core/config/Configuration.h"

class QMdiArea;
class QMdiSubWindow;
class QMenu;

namespace vistrel {

class CMainFrame;
class CDataFile;

inline constexpr int kMaxPlotWindows = 128;
inline constexpr int kWindowListFirstId = 50000;
inline constexpr double kNoVCenter = 9999999.0;

class CFrameApp {
public:
    // cmdLineLength: length in bytes of the command line; nonzero switches the restoring of
    // the saved windows off and keeps them as they are in the file at exit. Reads the main
    // window geometry from "Vistrel.cfg".
    explicit CFrameApp(int cmdLineLength);
    ~CFrameApp();
    CFrameApp(const CFrameApp&) = delete;
    CFrameApp& operator=(const CFrameApp&) = delete;

    QString m_childClassName = QStringLiteral("MDIwin");
    QMenu* m_windowMenu = nullptr;           // window-list submenu; null without plot windows
    QMdiArea* m_mdiClient = nullptr;
    QMdiSubWindow* m_maximizedChild = nullptr;
    QFont m_font;
    QSize m_charSize;
    ConfigRect m_mainRect = kDefaultMainRect; // left, top, right, bottom
    int m_nextVZoom = -1;                     // vertical zoom for the next plot window; -1 none
    int m_cmdLineLength = 0;
    double m_nextVCenter = kNoVCenter;
    std::array<QMdiSubWindow*, kMaxPlotWindows> m_windows{};
    History m_history;                        // m_history.count is the history count
    int m_windowCount = 0;
    const WindowSettings* m_pendingSettings = nullptr; // only while saved windows reopen
    std::array<float, 256> m_coeffA{};
    std::array<float, 256> m_coeffB{};
    CMainFrame* m_frame = nullptr;
    // Why "Vistrel.cfg" could not be read at start (None: read or created). When set, the
    // file is neither read nor replaced during this run.
    platform::FileProblem m_configProblem = platform::FileProblem::None;

    // Opens a recording in a new plot window with the given vertical start view
    // (vZoom -1: none). Returns the window, or null after the error box. With `error` given,
    // no error box is shown: the reason is put there instead.
    QMdiSubWindow* OpenRecording(const QString& path, int vZoom, double vCenter, QString* error = nullptr);

    // Window list (each call is idempotent). Also called by the plot window itself.
    void RegisterPlotWindow(QMdiSubWindow* window);
    void UnregisterPlotWindow(QMdiSubWindow* window);
    void RebuildWindowMenu();
    // Asks every plot window to close; one that declines (a temporary result kept by the
    // user) stays open and listed.
    void CloseAllWindows();
    // Closes the listed windows; temporary results ask (with Yes/No to all when more than one
    // asks). False when one declined; with stopOnDecline the rest is then left untouched.
    bool CloseWindows(const std::vector<QMdiSubWindow*>& windows, bool stopOnDecline);
    // The recording path shown by a listed window.
    QString WindowPath(QMdiSubWindow* window) const;
    int IndexOfWindow(QMdiSubWindow* window) const;

    // Configuration and history (file "Vistrel.cfg" in the current directory).
    // Reopens the saved windows (unless a command line was given), reads the history and
    // shows the frame.
    void LoadConfiguration(bool show = true);
    void SaveConfiguration();
    void AddToHistory(const QString& path, int64_t samplesPerChannel, int channels, float rate);
    void CheckHistoryFiles();
    // Windows of temporary results are not saved: their files are gone at the next start.
    static bool IsSavedAcrossRuns(QMdiSubWindow* window);
    // Asks every window of a temporary result to close (each asks its question); false as
    // soon as one declines, which then stays open with its file.
    bool CloseTemporaryResults();
    // SaveConfiguration; a temporary result whose closing the user declined keeps its file.
    void Shutdown();
};

extern CFrameApp* g_app;

} // namespace vistrel
