#pragma once
// The main frame: a QMainWindow titled with string 202 whose central widget is the MDI area of
// the plot windows. Every menu action carries its command id; OnCommand dispatches by id and
// UpdateMenuState greys and enables by id.

#include <QHash>
#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QMdiArea;
class QMenu;
class QMdiSubWindow;
class QLineEdit;
class QToolBar;

namespace vistrel {

struct ProcessJob;
class IProcessObserver;
class CWindowLink;

// Set once the exit question was answered Yes.
extern bool g_exitConfirmed;

namespace cmd {
inline constexpr int About = 104;
inline constexpr int Exit = 105;
inline constexpr int Open = 32777;
inline constexpr int History = 32798;
inline constexpr int SaveFragment = 32773;
inline constexpr int SaveChannels = 32796;
inline constexpr int Close = 40003;
inline constexpr int CloseAll = 32786;
inline constexpr int MinMax = 32774;
inline constexpr int Average = 32776;
inline constexpr int MovingAverage = 32775;
inline constexpr int Linear = 32788;
inline constexpr int Rms = 32790;
inline constexpr int AddSub = 32792;
inline constexpr int TableFunction = 32794;
inline constexpr int Spectrum = 32800;
inline constexpr int Parameters = 32778;
inline constexpr int Reload = 32801;
inline constexpr int Legend = 32810;
inline constexpr int Keys = 32811;
inline constexpr int Filter = 32830;
inline constexpr int Notch = 32831;
inline constexpr int Detrend = 32832;
inline constexpr int Export = 32812;
inline constexpr int Lanes = 32814;
inline constexpr int FitValues = 32815;
inline constexpr int LinkTime = 32840;        // Window > Link time (a checked mode of the frame)
inline constexpr int Tile = 32841;
inline constexpr int Cascade = 32842;
inline constexpr int Toolbar = 32843;         // View > Toolbar (checked while shown)
inline constexpr int ZoomIn = 32844;          // the plot's keys +, -, F and Backspace
inline constexpr int ZoomOut = 32845;
inline constexpr int WholeRecording = 32846;
inline constexpr int ZoomBack = 32847;
inline constexpr int CursorsToView = 32848;   // both time cursors into the visible range
inline constexpr int Markers = 32870;
inline constexpr int FitAuto = 32816;
inline constexpr int EnvelopeDense = 32817;
inline constexpr int ExportPicture = 32890;
inline constexpr int ExportAllPictures = 32891;
inline constexpr int Print = 32892;
inline constexpr int PrintPreview = 32893;
inline constexpr int HelpContents = 32894;
inline constexpr int ColoursSystem = 32895;   // Settings > Colours (one of three checked)
inline constexpr int ColoursLight = 32896;
inline constexpr int ColoursDark = 32897;
inline constexpr int Spectrogram = 32880;
inline constexpr int SpectrogramSettings = 32881;
inline constexpr int Statistics = 32860;
} // namespace cmd

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    // The frame's creation: position and size from the configuration, the MDI client with its
    // font, then the saved windows reopened (LoadConfiguration) and the frame shown.
    void Create(bool show = true);
    // Opens a finished result with the vertical view of its source window (else of the active
    // plot window). Returns the new window, or null.
    QMdiSubWindow* OpenResult(const QString& path, QMdiSubWindow* source = nullptr);
    // Brings a plot window to the front and makes it the active one.
    void ActivatePlotWindow(QMdiSubWindow* window);
    // The exit was confirmed and the main loop asked to end.
    bool ExitRequested() const { return m_exitRequested; }
    // The active plot window's sub-window, or null.
    QMdiSubWindow* ActiveWindow() const;
    // Opens a chosen recording as File > Open does after its dialog: the existence check, the
    // window (with its own error boxes) and the history entry. Null when nothing was opened.
    QMdiSubWindow* OpenPath(const QString& path);

    QMdiArea* MdiArea() const { return m_mdi; }
    QMenu* FileMenu() const { return m_fileMenu; }
    // The action of a command id, or null.
    QAction* Action(int id) const { return m_actions.value(id, nullptr); }
    // The toolbar (its buttons are the menus' own actions) and its "go to time" field.
    QToolBar* ToolBar() const { return m_toolBar; }
    QLineEdit* GoToField() const { return m_goTo; }
    CWindowLink* Link() const { return m_link; }
    // Centres the active window's view on a typed time: a local clock time, a local date and
    // time, or seconds from the start. False after a message naming the entry (and the file
    // when the time lies outside its recording).
    bool GoToTime(const QString& text);

public slots:
    // Runs the handler of a command id, then updates the menu state.
    void OnCommand(int id);
    void UpdateMenuState();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Recordings dropped onto the window are opened as File > Open opens them.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenu();
    // View's navigation commands, the Window menu and the toolbar (FrameToolbar.cpp).
    void BuildViewCommands(QMenu* view);
    void BuildWindowMenu();
    void BuildToolBar();
    // Runs the commands of FrameToolbar.cpp; false for any other id.
    bool OnToolCommand(int id);
    void UpdateToolState(QMdiSubWindow* active);
    void CreateMdiClient();
    void OnOpen();
    void OnHistory();
    void OnSaveFragment();
    void OnSaveChannels();
    void OnExport();
    void OnMinMax();
    void OnProcess(int id);
    // Checks 3 to 5 of the save commands on a chosen target; false ends the command.
    bool CheckSaveTarget(const QString& path);
    void StartJob(QMdiSubWindow* window, std::unique_ptr<ProcessJob> job,
                  std::function<void(ProcessJob&, IProcessObserver&)> body = {});
    // `textId` names the text when it differs from the command id.
    QAction* AddCommand(QMenu* menu, int id, bool enabled, int textId = 0);
    // View > Statistics and its dock, which follows the active plot window (MainFrameStatistics.cpp).
    void AddStatistics(QMenu* view);
    // Settings > Colours, and the plots following the system's palette (MainFrameLooks.cpp).
    void AddColours(QMenu* settings);
    void OnColours(int id);
    void ApplyColoursToWindows();
    void OnStatistics();

    QMdiArea* m_mdi = nullptr;
    QMenu* m_fileMenu = nullptr;
    // False, after a message, when the window's recording changed on disk since it was opened.
    bool SourceUnchanged(QMdiSubWindow* window);

    QHash<int, QAction*> m_actions;
    QToolBar* m_toolBar = nullptr;
    QLineEdit* m_goTo = nullptr;
    CWindowLink* m_link = nullptr;
    bool m_exitRequested = false;
};

} // namespace vistrel
