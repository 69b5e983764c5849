#include "shell/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeySequence>
#include <QMimeData>
#include <QUrl>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QTimer>

#include "core/processing/FileUtil.h"
#include "core/common/StringIds.h"
#include "core/processing/ProcessJob.h"
#include "core/processing/ResultName.h"
#include "core/recording/DataFile.h"
#include "shell/AboutBox.h"
#include "shell/FrameApp.h"
#include "shell/FrameDialogs.h"
#include "shell/JobRunner.h"
#include "shell/KeysDialog.h"
#include "shell/MarkersDock.h"
#include "shell/HelpBrowser.h"
#include "shell/PictureCommands.h"
#include "shell/PlotLink.h"
#include "plot/PlotWindow.h"
#include "shell/SelectDevsDialog.h"
#include "shell/UiUtils.h"

namespace vistrel {

bool g_exitConfirmed = false;

namespace {

// The local .kvf files among dropped URLs.
QStringList DroppedRecordings(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        const QString path = url.toLocalFile();
        if (!path.isEmpty() && path.endsWith(QLatin1String(".kvf"), Qt::CaseInsensitive)) paths.append(path);
    }
    return paths;
}

} // namespace

CMainFrame::CMainFrame() {
    setObjectName(QStringLiteral("VISTREL"));
    setWindowTitle(GetUiString(202));
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("MDICLIENT"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    setAcceptDrops(true);
    BuildMenu();
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &CMainFrame::UpdateMenuState);
    UpdateMenuState();
}

CMainFrame::~CMainFrame() {
    // Plot windows still open (a temporary result whose closing was declined) go with the MDI
    // area after this object's members: they must not reach the menu state any more.
    if (m_mdi) disconnect(m_mdi, nullptr, this, nullptr);
    if (g_app && g_app->m_frame == this) {
        g_app->m_frame = nullptr;
        g_app->m_windowMenu = nullptr;
    }
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, bool enabled, int textId) {
    QAction* a = menu->addAction(qtTrId(QByteArray::number(textId ? textId : id).constData()));
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
    AddCommand(m_fileMenu, cmd::Open, true)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    AddCommand(m_fileMenu, cmd::History, true);
    m_fileMenu->addSeparator();
    AddCommand(m_fileMenu, cmd::SaveFragment, false);
    AddCommand(m_fileMenu, cmd::SaveChannels, false);
    m_fileMenu->addSeparator();
    AddCommand(m_fileMenu, cmd::Close, true)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    AddCommand(m_fileMenu, cmd::CloseAll, true);
    m_fileMenu->addSeparator();
    AddCommand(m_fileMenu, cmd::Reload, false); // behind the window list's position
    AddCommand(m_fileMenu, cmd::Export, false, IDS_EXPORT_MENU);
    AddCommand(m_fileMenu, cmd::ExportPicture, false, IDS_MENU_PICTURE)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    AddCommand(m_fileMenu, cmd::ExportAllPictures, false, IDS_MENU_ALL_PICTURES);
    AddCommand(m_fileMenu, cmd::Print, false, IDS_MENU_PRINT)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    AddCommand(m_fileMenu, cmd::PrintPreview, false, IDS_MENU_PRINT_PREVIEW);
    m_fileMenu->addSeparator();
    AddCommand(m_fileMenu, cmd::Exit, true)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* proc = bar->addMenu(qtTrId("menu.processing"));
    proc->setObjectName(QStringLiteral("menuProcessing"));
    // A mode of the active window: checked while its min-max view is on.
    AddCommand(proc, cmd::MinMax, true)->setCheckable(true);
    proc->addSeparator();
    AddCommand(proc, cmd::Average, false);
    AddCommand(proc, cmd::MovingAverage, false);
    AddCommand(proc, cmd::Linear, false);
    AddCommand(proc, cmd::Rms, false);
    AddCommand(proc, cmd::AddSub, false);
    AddCommand(proc, cmd::TableFunction, false);
    AddCommand(proc, cmd::Spectrum, false);
    proc->addSeparator();
    AddCommand(proc, cmd::Filter, false, IDS_MENU_FILTER);
    AddCommand(proc, cmd::Notch, false, IDS_MENU_NOTCH);
    AddCommand(proc, cmd::Detrend, false, IDS_MENU_DETREND);

    QMenu* settings = bar->addMenu(qtTrId("menu.settings"));
    settings->setObjectName(QStringLiteral("menuSettings"));
    AddCommand(settings, cmd::Parameters, true);
    // A setting of the program (kept per user): the min-max envelope where the view is dense.
    QAction* envelope = AddCommand(settings, cmd::EnvelopeDense, true, IDS_MENU_ENVELOPE_DENSE);
    envelope->setCheckable(true);
    envelope->setChecked(PlotWindow::EnvelopeDenseSetting());
    AddColours(settings);
    AddCommand(settings, cmd::About, true);

    QMenu* view = bar->addMenu(GetUiString(IDS_MENU_VIEW));
    view->setObjectName(QStringLiteral("menuView"));
    QAction* legend = AddCommand(view, cmd::Legend, true, IDS_MENU_LEGEND);
    legend->setCheckable(true);
    legend->setChecked(PlotWindow::LegendDefault());
    // A mode of the active window: checked while it shows lanes (key L in the plot).
    AddCommand(view, cmd::Lanes, false, IDS_MENU_LANES)->setCheckable(true);
    AddCommand(view, cmd::FitValues, false, IDS_MENU_FIT_VALUES);   // key Y in the plot
    BuildViewCommands(view);
    AddCommand(view, cmd::Markers, true, IDS_MENU_MARKERS)->setCheckable(true);   // the dock
    AddCommand(view, cmd::FitAuto, false, IDS_MENU_FIT_AUTO)->setCheckable(true);   // a mode of the window
    AddCommand(view, cmd::Spectrogram, false, IDS_MENU_SPECTROGRAM)->setCheckable(true);
    AddCommand(view, cmd::SpectrogramSettings, false, IDS_MENU_SPECTROGRAM_SETTINGS);
    AddStatistics(view);
    // The key L changes the mode inside the window: the menu shows it when it opens.
    connect(view, &QMenu::aboutToShow, this, &CMainFrame::UpdateMenuState);

    BuildWindowMenu();

    QMenu* help = bar->addMenu(GetUiString(IDS_MENU_HELP));
    help->setObjectName(QStringLiteral("menuHelp"));
    AddCommand(help, cmd::HelpContents, true, IDS_MENU_HELP_CONTENTS)->setShortcut(QKeySequence(Qt::Key_F1));
    AddCommand(help, cmd::Keys, true, IDS_MENU_KEYS);
    InstallDialogHelp();
    BuildToolBar();
}

QMdiSubWindow* CMainFrame::ActiveWindow() const { return m_mdi ? m_mdi->activeSubWindow() : nullptr; }

void CMainFrame::Create(bool show) {
    const ConfigRect r = g_app ? g_app->m_mainRect : kDefaultMainRect;
    move(r.left, r.top);
    resize(std::max(r.right - r.left, 200), std::max(r.bottom - r.top, 150));
    CreateMdiClient();
    if (g_app) g_app->LoadConfiguration(show);
    else if (show) this->show();
    UpdateMenuState();
}

void CMainFrame::CreateMdiClient() {
    if (!g_app) return;
    g_app->m_mdiClient = m_mdi;
    const int clientHeight = std::max(m_mdi->height(), height());
    const QString family = QFontDatabase::families().contains(QStringLiteral("Segoe UI"))
                               ? QStringLiteral("Segoe UI")
                               : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    QFont font(family);
    font.setPixelSize(std::max(1, clientHeight / 36));
    font.setWeight(QFont::Medium);
    g_app->m_font = font;
    const QFontMetrics fm(font);
    g_app->m_charSize = QSize(fm.horizontalAdvance(QLatin1Char('0')), fm.height());
}

void CMainFrame::UpdateMenuState() {
    static const int kNeedWindow[] = {cmd::Parameters, cmd::SaveFragment, cmd::Close,   cmd::CloseAll,
                                      cmd::MinMax,     cmd::MovingAverage, cmd::Average, cmd::Linear,
                                      cmd::Rms,        cmd::AddSub,        cmd::TableFunction,
                                      cmd::Spectrum,   cmd::SaveChannels,  cmd::Reload,
                                      cmd::Filter,     cmd::Notch,         cmd::Detrend,
                                      cmd::Export,      cmd::Lanes,         cmd::FitValues,
                                      cmd::FitAuto,    cmd::ExportPicture, cmd::ExportAllPictures,
                                      cmd::Print,      cmd::PrintPreview,      cmd::Spectrogram,
                                      cmd::SpectrogramSettings};
    QMdiSubWindow* active = ActiveWindow();
    for (int id : kNeedWindow)
        if (QAction* a = Action(id)) a->setEnabled(active != nullptr);
    if (QAction* a = Action(cmd::MinMax)) a->setChecked(active && PlotMinMax(active));
    if (QAction* a = Action(cmd::Lanes)) a->setChecked(active && PlotLanes(active));
    UpdateToolState(active);
    if (QAction* a = Action(cmd::FitAuto)) a->setChecked(active && PlotAutoFit(active));
    if (QAction* a = Action(cmd::Spectrogram)) a->setChecked(active && PlotSpectrogram(active));
    if (!active) return;
    if (CDataFile* file = PlotRecording(active)) {
        // Operations on the recording's own channels need a single device.
        const bool single = file->Devices() <= 1;
        for (int id : {cmd::Average, cmd::MovingAverage, cmd::Rms, cmd::Linear, cmd::Filter, cmd::Notch, cmd::Detrend})
            if (QAction* a = Action(id)) a->setEnabled(single);
    }
}

void CMainFrame::OnCommand(int id) {
    // While a job runs the frame takes no commands: the job reads its source window.
    if (CJobRunner::Running()) return;
    switch (id) {
    case cmd::About:
        RunAboutBox(this);
        break;
    case cmd::Exit:
        if (AskYesNo(GetUiString(211))) {
            g_exitConfirmed = true;
            close();
        }
        break;
    case cmd::Open:
        OnOpen();
        break;
    case cmd::History:
        OnHistory();
        break;
    case cmd::SaveFragment:
        OnSaveFragment();
        break;
    case cmd::Export:
        OnExport();
        break;
    case cmd::SaveChannels:
        OnSaveChannels();
        break;
    case cmd::Close:
        if (QMdiSubWindow* w = ActiveWindow())
            if (w->close() && g_app) g_app->UnregisterPlotWindow(w);
        break;
    case cmd::CloseAll:
        if (g_app) g_app->CloseAllWindows();
        break;
    case cmd::Reload:
        if (QMdiSubWindow* w = ActiveWindow()) PlotReload(w);
        break;
    case cmd::MinMax:
        OnMinMax();
        break;
    case cmd::Legend: {
        // Every window shows it or none, and new windows follow the choice.
        const bool shown = !PlotWindow::LegendDefault();
        PlotWindow::SetLegendDefault(shown);
        if (m_mdi)
            for (QMdiSubWindow* w : m_mdi->subWindowList()) PlotSetLegend(w, shown);
        if (QAction* a = Action(cmd::Legend)) a->setChecked(shown);
        break;
    }
    case cmd::Lanes:
        if (QMdiSubWindow* w = ActiveWindow()) PlotSetLanes(w, !PlotLanes(w));
        UpdateMenuState();
        break;
    case cmd::FitValues:
        if (QMdiSubWindow* w = ActiveWindow()) PlotFitValues(w);
        break;
    case cmd::Markers:
        ToggleMarkersDock(this);
        break;
    case cmd::FitAuto:
        if (QMdiSubWindow* w = ActiveWindow()) PlotSetAutoFit(w, !PlotAutoFit(w));
        UpdateMenuState();
        break;
    case cmd::EnvelopeDense: {
        const bool on = !PlotWindow::EnvelopeDenseSetting();
        PlotWindow::SetEnvelopeDenseSetting(on);
        if (m_mdi)
            for (QMdiSubWindow* w : m_mdi->subWindowList()) PlotSetEnvelopeDense(w, on);
        if (QAction* a = Action(cmd::EnvelopeDense)) a->setChecked(on);
        break;
    }
    case cmd::ColoursSystem:
    case cmd::ColoursLight:
    case cmd::ColoursDark:
        OnColours(id);
        break;
    case cmd::Spectrogram:
        if (QMdiSubWindow* w = ActiveWindow()) PlotSetSpectrogram(w, !PlotSpectrogram(w));
        UpdateMenuState();
        break;
    case cmd::SpectrogramSettings:
        if (QMdiSubWindow* w = ActiveWindow()) PlotSpectrogramSettings(w, this);
        UpdateMenuState();
        break;
    case cmd::Statistics:
        OnStatistics();
        break;
    case cmd::Keys:
        RunKeysDialog(this);
        break;
    case cmd::Parameters:
        if (QMdiSubWindow* w = ActiveWindow()) RunParametersDialogFor(this, w);
        break;
    case cmd::MovingAverage:
    case cmd::Average:
    case cmd::Linear:
    case cmd::Rms:
    case cmd::AddSub:
    case cmd::TableFunction:
    case cmd::Spectrum:
    case cmd::Filter:
    case cmd::Notch:
    case cmd::Detrend:
        OnProcess(id);
        break;
    default:
        if (OnToolCommand(id)) break;
        if (RunPictureCommand(this, id)) break;
        if (id >= kWindowListFirstId && id < kWindowListFirstId + 256 && g_app) {
            const int i = id - kWindowListFirstId;
            if (i < g_app->m_windowCount && g_app->m_windows[i]) {
                QMdiSubWindow* w = g_app->m_windows[i];
                if (w->isMinimized()) w->showNormal();
                w->raise();
                m_mdi->setActiveSubWindow(w);
            }
        }
        break;
    }
    UpdateMenuState();
}

void CMainFrame::OnOpen() {
    const QList<FileFilter> filters{{GetUiString(201) + QStringLiteral("(*.kvf)"), QStringLiteral("*.kvf")}};
    const QString path = RunFileDialog(FileDialogMode::Open, this, GetUiString(200), filters, QStringLiteral("\\*.kvf"));
    if (path.isEmpty()) return;
    OpenPath(path);
}

QMdiSubWindow* CMainFrame::OpenPath(const QString& path) {
    if (!g_app || path.isEmpty()) return nullptr;
    if (CheckReadablePath(path) == platform::FileProblem::NotFound) {
        ShowErrorText(GetUiString(221) + QLatin1Char('\n') + path);
        return nullptr;
    }
    // Other reasons (a folder, a FIFO, no permission) are told by OpenRecording.
    QMdiSubWindow* w = g_app->OpenRecording(path, -1, kNoVCenter);
    if (!w) return nullptr;
    if (CDataFile* file = PlotRecording(w)) g_app->AddToHistory(path, file->Samples(), file->Channels(), file->Rate());
    return w;
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!CJobRunner::Running() && !DroppedRecordings(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QStringList paths = DroppedRecordings(event->mimeData());
    if (paths.isEmpty() || CJobRunner::Running()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    for (const QString& path : paths) OpenPath(path);
    UpdateMenuState();
}

void CMainFrame::OnHistory() {
    QString path;
    if (RunHistoryDialogFor(this, &path) != 1) return;
    if (CheckReadablePath(path) != platform::FileProblem::NotFound) {
        g_app->OpenRecording(path, -1, kNoVCenter);
    } else {
        LastPath() = path;
        ShowPathError(221, path);
    }
}

bool CMainFrame::CheckSaveTarget(const QString& path) {
    if (IsFileOpen(path)) {
        ShowPathError(229, path);
        return false;
    }
    // A read-only file is refused, not replaced behind the user's back.
    if (const platform::FileProblem problem = platform::CheckWritableTarget(std::filesystem::path(path.toStdU16String()));
        problem != platform::FileProblem::None) {
        ShowPathProblem(IDS_RESULT_CANNOT_CREATE, path, problem);
        return false;
    }
    if (FileExists(path) && !AskYesNo(GetUiString(219))) return false;
    return ActiveWindow() && HasPlot(ActiveWindow());
}

void CMainFrame::OnSaveFragment() {
    const QList<FileFilter> filters{{GetUiString(201) + QStringLiteral("(*.kvf)"), QStringLiteral("*.kvf")},
                                    {GetUiString(209) + QStringLiteral("(*.txt)"), QStringLiteral("*.txt")}};
    const QString path = RunFileDialog(FileDialogMode::Save, this, GetUiString(208), filters, QStringLiteral("\\File"));
    if (path.isEmpty() || !CheckSaveTarget(path)) return;
    QMdiSubWindow* a = ActiveWindow();
    // The file name's extension, in any case, chooses the format.
    const std::filesystem::path target(path.toStdU16String());
    const bool recording = HasRecordingExtension(target);
    if ((!recording && !HasTextExtension(target)) || IsSamePath(path, PlotPath(a))) {
        ShowPathError(210, path);
        return;
    }
    CDataFile* file = PlotRecording(a);
    if (!file) return;
    if (recording) {
        if (file->Devices() <= 1) {
            file->SetDeviceMask(0);
        } else {
            const bool saveChosen = RunSelectDevsDialog(this, file);
            if (file->DeviceMask() == 0) {
                // Closing the box is a plain refusal; Save with no device ticked is told.
                if (saveChosen) ShowErrorText(GetUiString(IDS_NO_DEVICE_TICKED));
                return;
            }
        }
    }
    auto job = NewJob();
    if (!job || !PlotFillJob(a, job.get())) return;
    job->m_op = OP_SAVE_FRAGMENT;
    job->m_deviceMask = file->DeviceMask();
    job->m_resultName = std::filesystem::path(path.toStdU16String());
    StartJob(a, std::move(job));
}

void CMainFrame::OnSaveChannels() {
    const QList<FileFilter> filters{{GetUiString(201) + QStringLiteral("(*.kvf)"), QStringLiteral("*.kvf")}};
    const QString path = RunFileDialog(FileDialogMode::Save, this, GetUiString(228), filters, QStringLiteral("\\File"));
    if (path.isEmpty() || !CheckSaveTarget(path)) return;
    QMdiSubWindow* a = ActiveWindow();
    if (!HasRecordingExtension(std::filesystem::path(path.toStdU16String())) || IsSamePath(path, PlotPath(a))) {
        ShowPathError(210, path);
        return;
    }
    auto job = NewJob();
    if (!job || !PlotFillJob(a, job.get())) return;
    if (RunProcessDialogFor(cmd::SaveChannels, this, GetUiString(203), a, job.get()) == 0) return;
    job->m_op = OP_SAVE_CHANNELS;
    job->m_resultName = std::filesystem::path(path.toStdU16String());
    StartJob(a, std::move(job));
}

void CMainFrame::OnMinMax() {
    QMdiSubWindow* a = ActiveWindow();
    if (!a) return;
    PlotSetMinMax(a, !PlotMinMax(a));
    PlotRepaint(a);
}

void CMainFrame::OnProcess(int id) {
    QMdiSubWindow* a = ActiveWindow();
    if (!a || !HasPlot(a) || !SourceUnchanged(a)) return;
    int parameter = 203;
    ProcessOp op = OP_LINEAR;
    switch (id) {
    case cmd::MovingAverage: parameter = 205; op = OP_MOVING_AVERAGE; break;
    case cmd::Average: parameter = 206; op = OP_AVERAGE; break;
    case cmd::Linear: parameter = 203; op = OP_LINEAR; break;
    case cmd::Rms: parameter = 216; op = OP_RMS; break;
    case cmd::AddSub: parameter = 203; op = OP_ADD_SUB; break;
    case cmd::TableFunction: parameter = 203; op = OP_TABLE_FUNCTION; break;
    case cmd::Spectrum: parameter = 203; op = OP_SPECTRUM; break;
    case cmd::Filter: parameter = IDS_FILTER_TITLE; op = OP_FILTER; break;
    case cmd::Notch: parameter = IDS_NOTCH_TITLE; op = OP_NOTCH; break;
    case cmd::Detrend: parameter = IDS_DETREND_TITLE; op = OP_DETREND; break;
    default: return;
    }
    // Averaging needs two samples at least: a recording of one is told so, not ignored.
    if (op == OP_MOVING_AVERAGE || op == OP_AVERAGE)
        if (CDataFile* file = PlotRecording(a); file && file->Samples() < 2) {
            ShowErrorText(PlotPath(a) + QLatin1Char('\n') + GetUiString(IDS_AVERAGE_ONE_SAMPLE));
            return;
        }
    auto job = NewJob();
    if (!job || !PlotFillJob(a, job.get())) return;
    if (op == OP_LINEAR && g_app) {
        std::copy(g_app->m_coeffA.begin(), g_app->m_coeffA.end(), job->m_coeffA);
        std::copy(g_app->m_coeffB.begin(), g_app->m_coeffB.end(), job->m_coeffB);
    }
    const int result = RunProcessDialogFor(id, this, GetUiString(parameter), a, job.get());
    if (result == 0) return;
    if (op == OP_LINEAR && g_app) {
        // The dialog edits the coefficients shared by all windows.
        std::copy(g_app->m_coeffA.begin(), g_app->m_coeffA.end(), job->m_coeffA);
        std::copy(g_app->m_coeffB.begin(), g_app->m_coeffB.end(), job->m_coeffB);
    }
    if (op == OP_MOVING_AVERAGE || op == OP_AVERAGE) job->m_averagingFactor = result;
    if (op == OP_SPECTRUM && job->m_spectrum.m_fft != 0) op = OP_SPECTRUM_FFT;
    job->m_op = op;
    // The generated name is taken by creating it: a result begun in the same second gets the
    // next free name instead of sharing this one.
    const std::filesystem::path name = ResultFileName(op);
    platform::FileProblem problem = platform::FileProblem::None;
    job->m_resultName = ReserveResultName(name, &problem);
    if (job->m_resultName.empty()) {
        LastPath() = QString::fromStdU16String(name.u16string());
        ShowPathProblem(IDS_RESULT_CANNOT_CREATE, LastPath(), problem);
        return;
    }
    job->m_reservedTarget = true;
    LastPath() = QString::fromStdU16String(job->m_resultName.u16string());
    StartJob(a, std::move(job));
}

bool CMainFrame::SourceUnchanged(QMdiSubWindow* window) {
    CDataFile* file = PlotRecording(window);
    if (!file || !file->ChangedOnDisk()) return true;
    ShowErrorText(PlotPath(window) + QLatin1Char('\n') + GetUiString(IDS_SOURCE_CHANGED));
    return false;
}

void CMainFrame::StartJob(QMdiSubWindow* window, std::unique_ptr<ProcessJob> job,
                          std::function<void(ProcessJob&, IProcessObserver&)> body) {
    if (CJobRunner::Running() || !SourceUnchanged(window)) { // jobs never overlap
        ReleaseReservedTarget(*job);
        return;
    }
    auto* runner = new CJobRunner(this, window, std::move(job));
    if (body) runner->SetBody(std::move(body));
    runner->Start();
}

QMdiSubWindow* CMainFrame::OpenResult(const QString& path, QMdiSubWindow* source) {
    int vZoom = -1;
    double vCenter = kNoVCenter;
    // The source's view; the active window is only a fallback, since there is none while
    // another application is active.
    if (!source || !PlotVerticalView(source, &vZoom, &vCenter))
        if (QMdiSubWindow* a = ActiveWindow()) PlotVerticalView(a, &vZoom, &vCenter);
    return g_app ? g_app->OpenRecording(path, vZoom, vCenter) : nullptr;
}

void CMainFrame::ActivatePlotWindow(QMdiSubWindow* window) {
    if (!window || !m_mdi) return;
    if (window->isMinimized()) window->showNormal();
    window->raise();
    m_mdi->setActiveSubWindow(window);
    UpdateMenuState();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The frame itself stays; only the answer Yes ends the main loop.
    event->ignore();
    if (CJobRunner::Running()) {
        g_exitConfirmed = false; // a running job cannot be cancelled; the exit did not happen
        return;
    }
    if (!g_exitConfirmed && !AskYesNo(GetUiString(211))) return;
    // Each temporary result asks its own question; No keeps it, its file and the program.
    if (g_app && !g_app->CloseTemporaryResults()) {
        g_exitConfirmed = false;
        return;
    }
    m_exitRequested = true;
    QCoreApplication::exit(0);
}

} // namespace vistrel
