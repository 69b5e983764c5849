#include "PlotWindow.h"

#include <QAbstractSlider>
#include <utility>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <filesystem>

#include "core/common/DebugLog.h"
#include "core/common/FileProblemText.h"
#include "core/common/StringIds.h"
#include "Cursors.h"
#include "core/processing/ProcessJob.h"
#include "core/recording/DataFile.h"
#include "core/recording/TempResults.h"
#include "shell/FrameApp.h"
#include "shell/Looks.h"
#include "shell/ProgressBox.h"
#include "shell/UiUtils.h"

namespace vistrel {

namespace {

std::filesystem::path ToFsPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

// Feedback of opening a recording: the progress box (interactive) and error boxes, or the
// errors collected as text when `errors` is given.
class OpenFeedback : public IOpenObserver {
public:
    OpenFeedback(bool interactive, QString* errors) : m_interactive(interactive), m_errors(errors) {}
    ~OpenFeedback() override {
        if (m_box)
            m_box->setPercent(100);
    }
    void ProgressTitle(int stringId) override {
        if (!m_interactive)
            return;
        if (!m_box)
            m_box = new CProgressBox(BoxOwner());
        m_box->setTitle(GetUiString(stringId));
    }
    void Progress(int percent) override {
        if (!m_box)
            return;
        m_box->setPercent(static_cast<unsigned>(std::max(0, percent)));
        // Let the box paint itself; user input waits until the recording is open.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    void Error(int stringId) override {
        if (m_interactive && !m_errors) {
            ShowErrorText(GetUiString(stringId));
        } else if (m_errors) {
            const QString text = GetUiString(stringId);
            if (text == QString::number(stringId))
                return;   // no language module loaded: the caller's own reason is clearer
            if (!m_errors->isEmpty())
                m_errors->append(QLatin1String("; "));
            m_errors->append(text);
        }
    }

private:
    bool m_interactive;
    QString* m_errors;
    QPointer<CProgressBox> m_box;
};

} // namespace

// ---------------------------------------------------------------------------------------------

PlotCanvasWidget::PlotCanvasWidget(PlotWindow* owner) : QWidget(owner), m_owner(owner) {
    setObjectName(QStringLiteral("canvas"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void PlotCanvasWidget::paintEvent(QPaintEvent* e) {
    if (CPlotWnd* plot = m_owner->Plot()) {
        m_owner->AutoFitBeforePaint();
        plot->CanvasEvent(e);
        m_owner->RefreshLegend();
        return;
    }
    QPainter dc(this);
    dc.fillRect(rect(), Qt::white);
}

void PlotCanvasWidget::mousePressEvent(QMouseEvent* e) {
    if (CPlotWnd* plot = m_owner->Plot())
        plot->CanvasEvent(e);
}

void PlotCanvasWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (CPlotWnd* plot = m_owner->Plot())
        plot->CanvasEvent(e);
}

void PlotCanvasWidget::mouseMoveEvent(QMouseEvent* e) {
    if (CPlotWnd* plot = m_owner->Plot())
        plot->CanvasEvent(e);
}

void PlotCanvasWidget::wheelEvent(QWheelEvent* e) {
    const QPoint d = e->angleDelta();
    m_owner->OnWheel(d.y() != 0 ? d.y() : d.x(), (e->modifiers() & Qt::ShiftModifier) != 0,
                     (e->modifiers() & Qt::ControlModifier) != 0, e->position().toPoint().x());
    e->accept();
}

void PlotCanvasWidget::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (CPlotWnd* plot = m_owner->Plot()) {
        plot->SetCanvasRect(MakeRect(0, 0, width(), height()));
        plot->InvalidateCanvas();
    }
}

// ---------------------------------------------------------------------------------------------

PlotWindow::PlotWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MDIwin"));
    m_data.window = this;
    m_canvas = new PlotCanvasWidget(this);
    m_hScroll = new QScrollBar(Qt::Horizontal, this);
    m_vScroll = new QScrollBar(Qt::Vertical, this);
    m_hScroll->setObjectName(QStringLiteral("hscroll"));
    m_vScroll->setObjectName(QStringLiteral("vscroll"));
    for (QScrollBar* b : {m_hScroll, m_vScroll}) {
        b->setRange(0, kScrollRangeMax);
        b->setSingleStep(1);
        b->setPageStep(4096);
        b->setValue(32768);
        b->installEventFilter(this);
    }
    connect(m_hScroll, &QAbstractSlider::actionTriggered, this,
            [this](int action) { OnScrollAction(true, action); });
    connect(m_vScroll, &QAbstractSlider::actionTriggered, this,
            [this](int action) { OnScrollAction(false, action); });
    // The view follows the horizontal thumb while it is dragged.
    connect(m_hScroll, &QAbstractSlider::sliderMoved, this, [this](int position) { OnHThumb(position); });
    connect(m_hScroll, &QAbstractSlider::sliderReleased, this, [this] { OnHThumb(m_hScroll->sliderPosition()); });
    connect(m_vScroll, &QAbstractSlider::sliderReleased, this, [this] { OnVThumb(m_vScroll->sliderPosition()); });

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("2"));
    m_statusBar->setSizeGripEnabled(false);
    m_part1 = new QLabel(m_statusBar);
    m_part1->setObjectName(QStringLiteral("part1"));
    m_part2 = new QLabel(m_statusBar);
    m_part2->setObjectName(QStringLiteral("part2"));
    // The read-out shows what fits; the whole line is its tooltip.
    m_part1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_part1->setMinimumWidth(1);
    m_statusBar->addWidget(m_part1, 1);
    m_statusBar->addWidget(m_part2, 0);
    m_part2->hide();   // only part 1 is visible
    m_data.statusBar = m_statusBar;
    m_legend = new QListWidget(this);
    m_legend->setObjectName(QStringLiteral("legend"));
    m_legend->setSelectionMode(QAbstractItemView::NoSelection);
    m_legend->setFocusPolicy(Qt::NoFocus);
    m_legend->hide();
    connect(m_legend, &QListWidget::itemClicked, this, &PlotWindow::OnLegendClicked);
    setFocusProxy(m_canvas);
    resize(640, 480);
    LayoutChildren();
}

PlotWindow::~PlotWindow() {
    if (m_cursorTimer)
        m_cursorTimer->stop();
    if (m_diskTimer)
        m_diskTimer->stop();
    if (m_registered && g_app)
        g_app->UnregisterPlotWindow(m_subWindow);
    DetachSpectrogram();   // its worker reads the recording
    emit recordingClosing();
    m_data.plot = nullptr;
    m_plot.reset();
    if (m_file) {
        m_file->Close();   // a temporary result is deleted here
        m_file.reset();
    }
    m_data.file = nullptr;
}

bool PlotWindow::OpenRecording(const QString& path, bool interactive, QString* error) {
    m_data.path = path;
    QString reasons; // the reader's own words, shown in one box with the path
    OpenFeedback feedback(interactive, error ? error : &reasons);
    m_file = std::make_unique<CDataFile>(&feedback);
    const int ok = m_file->Open(ToFsPath(path));
    m_file->SetOwner(nullptr);
    if (!ok) {
        if (interactive && !error) {
            // One box names the file and says why.
            ShowErrorText(GetUiString(IDS_CANNOT_OPEN) + QLatin1Char('\n') + path + QLatin1Char('\n') +
                          (reasons.isEmpty() ? OpenFailureReason(*m_file) : reasons));
        } else if (error) {
            // In the program the reason is in the user's language; the picture tool prints English.
            QString why = QString::fromLatin1(OpenFailureEnglish(*m_file));
            if (interactive) {
                why = GetUiString(IDS_CANNOT_OPEN);
                if (m_file->LastProblem() != platform::FileProblem::None)
                    why += QLatin1String(": ") + GetUiString(FileProblemStringId(m_file->LastProblem()));
            }
            *error = error->isEmpty() ? why : why + QLatin1String(": ") + *error;
        }
        m_file.reset();
        return false;
    }
    if (g_log)
        g_log->WriteLineW(path.toStdU16String());
    m_data.file = m_file.get();
    m_file->AdviseRandom(); // the plot reads scattered samples: no read-ahead
    m_plot = std::make_unique<CPlotWnd>(m_canvas, MakeRect(0, 0, m_canvas->width(), m_canvas->height()),
                                        m_file.get(), this);
    m_data.plot = m_plot.get();
    return true;
}

PlotWindow* PlotWindow::Create(QMdiArea* area, const QString& path, int vZoom, double vCentre,
                               const WindowSettings* settings, QString* error) {
    if (!area)
        return nullptr;
    if (g_app) {
        g_app->m_mdiClient = area;
        if (!settings)
            settings = g_app->m_pendingSettings;
    }
    auto* w = new PlotWindow();
    if (!w->OpenRecording(path, true, error)) {
        delete w;
        return nullptr;
    }
    QMdiSubWindow* sub = area->addSubWindow(w);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    // Ctrl+W belongs to File > Close: the sub-window's own close keeps only its other keys.
    if (QMenu* menu = sub->systemMenu()) {
        for (QAction* a : menu->actions()) {
            QList<QKeySequence> keys = a->shortcuts();
            if (keys.removeAll(QKeySequence(Qt::CTRL | Qt::Key_W)) > 0) a->setShortcuts(keys);
        }
    }
    sub->setWindowTitle(QStringLiteral("Файл KVT"));
    sub->setProperty("vistrelPath", path);
    sub->resize(std::max(200, area->width() / 2), std::max(150, 2 * area->height() / 3));
    w->m_subWindow = sub;
    w->Finish(vZoom, vCentre, settings);
    sub->show();
    area->setActiveSubWindow(sub);
    return w;
}

std::unique_ptr<PlotWindow> PlotWindow::CreateDetached(const QString& path, QString* error) {
    std::unique_ptr<PlotWindow> w(new PlotWindow());
    QString why;
    if (!w->OpenRecording(path, false, &why)) {
        if (error)
            *error = why;
        return nullptr;
    }
    w->Finish(-1, 9999999.0, nullptr);
    return w;
}

void PlotWindow::Finish(int vZoom, double vCentre, const WindowSettings* settings) {
    if (settings)
        ApplySettings(*settings);
    SyncScrollBar(0);
    SyncScrollBar(1);
    setWindowTitle(m_data.path);
    if (m_subWindow)
        m_subWindow->setWindowTitle(m_data.path);
    if (m_plot->IsDecibel())
        ApplyVerticalView(0, vCentre);
    else if (vZoom >= 0)
        ApplyVerticalView(vZoom, vCentre);
    if (m_subWindow) {
        if (g_app) {
            g_app->RegisterPlotWindow(m_subWindow);
            m_registered = true;
        }
        m_cursorTimer = new QTimer(this);
        m_cursorTimer->setSingleShot(true);
        m_cursorTimer->setInterval(300);
        connect(m_cursorTimer, &QTimer::timeout, this, [this] {
            OnFirstTimer();
            // The recording has been painted once: its summaries are built behind the view.
            if (m_plot)
                m_plot->StartSummaries();
        });
        m_cursorTimer->start();
        m_diskTimer = new QTimer(this);
        m_diskTimer->setInterval(300);
        connect(m_diskTimer, &QTimer::timeout, this, [this] { PollChangedOnDisk(); });
        m_diskTimer->start();
    }
    if (m_subWindow) m_plot->SetEnvelopeDense(EnvelopeDenseSetting());   // a picture ignores it
    if (m_subWindow) ApplyColourScheme();
    SetLegendShown(LegendDefault());
    m_canvas->update();
}

void PlotWindow::ApplySettings(const WindowSettings& s) {
    CPlotWnd* p = m_plot.get();
    if (!p)
        return;
    uint32_t colours[kCanvasChannels];
    int widths[kCanvasChannels];
    for (int i = 0; i < kCanvasChannels; ++i) {
        p->m_channelShown[i] = s.shown[i];
        colours[i] = s.colors[i] & 0xFFFFFF;
        widths[i] = s.widths[i];
    }
    p->SetChannelPens(colours, widths);
    for (int i = 0; i < kCanvasChannels; ++i)
        p->m_brushes[i] = QBrush(ColorFromRef(p->m_penColors[i]));
    p->SetSelectedChannel(s.selectedChannel);
    // The window record and the plot keep one time style: the plot draws with it, the
    // Parameters dialog shows it.
    p->m_timeLabelStyle = s.timeLabelStyle ? 1 : 0;
    p->m_axisOrigin = p->m_timeLabelStyle ? 0 : p->m_startTime;
    m_data.timeLabelStyle = p->m_timeLabelStyle;
    p->ResetZoomHistory();
    p->m_hCenter = s.hCenter;
    p->m_vCenter = s.vCenter;
    p->m_hZoom = std::clamp(ZoomIndexFromSaved(s.hZoom, p->m_displayWindow, p->m_firstWindow), 0,
                            std::max(0, p->m_windowLengthCount - 1));
    p->m_vZoom = std::clamp(s.vZoom, 0, kVZoomCount - 1);
    p->Recompute();
    p->InvalidateCanvas();
}

void PlotWindow::ExtractSettings(WindowSettings& s) const {
    const CPlotWnd* p = m_plot.get();
    if (!p)
        return;
    for (int i = 0; i < kCanvasChannels; ++i) {
        s.shown[i] = p->m_channelShown[i];
        s.colors[i] = p->m_penColors[i];
        s.widths[i] = p->m_penWidths[i];
    }
    s.selectedChannel = p->m_selectedChannel;
    s.timeLabelStyle = p->m_timeLabelStyle;
    s.hZoom = ZoomIndexToSaved(p->m_hZoom, p->m_displayWindow, p->m_firstWindow);
    s.vZoom = p->m_vZoom;
    s.hCenter = p->m_hCenter;
    s.vCenter = p->m_vCenter;
}

void PlotWindow::ApplyVerticalView(int vZoom, double vCentre) {
    CPlotWnd* p = m_plot.get();
    if (!p)
        return;
    p->ResetZoomHistory();
    p->m_vCenter = vCentre;
    p->m_vZoom = std::clamp(vZoom, 0, kVZoomCount - 1);
    p->Recompute();
    p->InvalidateCanvas();
}

int64_t PlotWindow::CursorSample(int which) const {
    const CPlotWnd* p = m_plot.get();
    if (!p)
        return 0;
    const CTimeCursor* c = which == 2 ? p->m_timeCursor2.get() : p->m_timeCursor1.get();
    return c ? static_cast<int64_t>(c->m_sample) : 0;
}

void PlotWindow::OnHScroll(int request, int thumb) {
    CPlotWnd* p = m_plot.get();
    if (p && p->ScrollHorizontal(request, thumb)) {
        SetScrollBox(0, p->HScrollBox());
        p->InvalidateCanvas();
    }
}

void PlotWindow::OnVScroll(int request, int thumb) {
    CPlotWnd* p = m_plot.get();
    if (p && p->LanesScroll()) {
        // Lanes that do not fit: the bar scrolls through them.
        if (p->ScrollLanesRequest(request, thumb)) SetScrollBox(1, p->VerticalBox());
        return;
    }
    if (p && p->ScrollVertical(request, thumb)) {
        SetScrollBox(1, p->VScrollBox());
        p->InvalidateCanvas();
    }
}

void PlotWindow::OnScrollAction(bool horizontal, int action) {
    int request = -1;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: request = kScrollLineDown; break;
    case QAbstractSlider::SliderSingleStepSub: request = kScrollLineUp; break;
    case QAbstractSlider::SliderPageStepAdd: request = kScrollPageDown; break;
    case QAbstractSlider::SliderPageStepSub: request = kScrollPageUp; break;
    case QAbstractSlider::SliderToMinimum: request = kScrollTop; break;
    case QAbstractSlider::SliderToMaximum: request = kScrollBottom; break;
    default: return;   // thumb moves are followed through sliderMoved
    }
    QScrollBar* bar = horizontal ? m_hScroll : m_vScroll;
    if (horizontal)
        OnHScroll(request);
    else
        OnVScroll(request);
    // The bar applies its own step after this signal; keep the box where the view put it.
    bar->setSliderPosition(bar->value());
}

void PlotWindow::OnFirstTimer() {
    if (m_cursorTimer)
        m_cursorTimer->stop();
    if (m_plot)
        m_plot->PlaceCursorsInitially();
}

bool PlotWindow::CursorTimerActive() const { return m_cursorTimer && m_cursorTimer->isActive(); }

bool PlotWindow::AsksBeforeClose() const {
    // Ask exactly when closing deletes the file: a result this run wrote. A user's own file whose
    // name begins with "~" is kept, so it gets no question about deleting.
    return !m_jobRunning && m_plot && !m_plot->m_saved && IsTempResult(ToFsPath(m_data.path));
}

bool PlotWindow::ConfirmClose() {
    if (m_jobRunning)
        return false;   // the worker reads this recording
    const int given = std::exchange(m_closeAnswer, -1);
    if (!AsksBeforeClose())
        return true;
    if (given >= 0)
        return given == 1;
    return AskYesNo(m_data.path + QLatin1Char(' ') + GetUiString(IDS_CLOSE_TEMP_QUESTION));
}

bool PlotWindow::PollChangedOnDisk() {
    if (!m_file || !m_plot || m_jobRunning || m_changeReported || !m_file->ChangedOnDisk())
        return false;
    m_changeReported = true;   // asked once; the timer keeps running meanwhile
    if (AskYesNo(m_data.path + QLatin1Char(' ') + GetUiString(IDS_FILE_CHANGED_QUESTION))) {
        Reload();
    } else if (m_subWindow) {
        m_subWindow->close();   // deleted later, outside this call
    }
    return true;
}

bool PlotWindow::Reload() {
    if (m_jobRunning || !m_plot || !m_file)
        return false;
    const std::filesystem::path fsPath = ToFsPath(m_data.path);
    std::unique_ptr<CDataFile> fresh;
    {
        QString reasons;
        OpenFeedback feedback(m_subWindow != nullptr, &reasons);
        fresh = std::make_unique<CDataFile>(&feedback);
        const int ok = fresh->Open(fsPath);
        fresh->SetOwner(nullptr);
        if (!ok) {
            ShowErrorText(GetUiString(IDS_CANNOT_OPEN) + QLatin1Char('\n') + m_data.path + QLatin1Char('\n') +
                          (reasons.isEmpty() ? OpenFailureReason(*fresh) : reasons));
            return false;
        }
    }
    WindowSettings settings;
    ExtractSettings(settings);
    const int saved = m_plot->m_saved;
    const int minMax = m_plot->m_minMaxMode;   // modes of the window, not of the plot
    const bool envelope = m_plot->EnvelopeDense(), autoFit = m_plot->AutoFit();
    // The old plot goes with its caches; closing the old mapping must not delete a result file.
    const bool temp = IsTempResult(fsPath);
    if (temp)
        UnregisterTempResult(fsPath);
    DetachSpectrogram();
    emit recordingClosing();
    m_data.plot = nullptr;
    m_plot.reset();
    m_file->Close();
    if (temp)
        RegisterTempResult(fsPath);
    m_file = std::move(fresh);
    m_data.file = m_file.get();
    m_file->AdviseRandom(); // the plot reads scattered samples: no read-ahead
    m_plot = std::make_unique<CPlotWnd>(m_canvas, MakeRect(0, 0, m_canvas->width(), m_canvas->height()),
                                        m_file.get(), this);
    m_data.plot = m_plot.get();
    LayoutChildren();
    ApplySettings(settings);
    m_plot->m_saved = saved;
    m_plot->m_minMaxMode = minMax;
    m_plot->SetEnvelopeDense(envelope);
    m_plot->SetAutoFit(autoFit);
    if (m_subWindow) m_plot->SetScheme(CurrentColourScheme());
    if (m_cursorTimer)
        m_cursorTimer->start();   // the cursors are placed on the new plot after its first paint
    m_changeReported = false;
    if (g_log)
        g_log->WriteLineW(m_data.path.toStdU16String());
    m_canvas->update();
    return true;
}

void PlotWindow::closeEvent(QCloseEvent* e) {
    if (ConfirmClose())
        e->accept();
    else
        e->ignore();
}

void PlotWindow::SetScrollBox(int bar, int) {
    // The bars are proportional: the thumb follows the plot's view, not the plot's box position.
    SyncScrollBar(bar);
}

void PlotWindow::ShowErrorText(const QString& text) { vistrel::ShowErrorText(text); }

void PlotWindow::LayoutChildren() {
    const int w = width();
    const int h = height();
    const int vsw = m_vScroll->sizeHint().width();
    const int hsh = m_hScroll->sizeHint().height();
    const int sbh = std::max(m_statusBar->sizeHint().height(), QFontMetrics(font()).height() + 6);
    const int clientW = std::max(0, w - vsw);
    const int clientH = std::max(0, h - hsh);
    const int legendW = LegendShown() ? std::min(240, clientW / 3) : 0;
    const int canvasW = std::max(0, clientW - legendW);
    const int canvasH = PlaceSpectrogram(canvasW, std::max(0, clientH - sbh));
    m_canvas->setGeometry(0, 0, canvasW, canvasH);
    if (legendW > 0) m_legend->setGeometry(canvasW, 0, legendW, canvasH);
    m_statusBar->setGeometry(0, canvasH, clientW, sbh);
    m_vScroll->setGeometry(clientW, 0, vsw, clientH);
    m_hScroll->setGeometry(0, clientH, clientW, hsh);
    if (m_plot)
        m_plot->SetCanvasRect(MakeRect(0, 0, canvasW, canvasH));
    UpdateReadOutLabel();
}

void PlotWindow::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    LayoutChildren();
    if (m_subWindow && m_subWindow->isMaximized() && g_app)
        g_app->m_maximizedChild = m_subWindow;
    SetStatusPart(1, QStringLiteral("*"));
}

bool PlotWindow::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::Wheel && (watched == m_hScroll || watched == m_vScroll)) {
        auto* we = static_cast<QWheelEvent*>(e);
        const QPoint d = we->angleDelta();
        const int delta = d.y() != 0 ? d.y() : d.x();
        OnWheel(delta, watched == m_vScroll);
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

} // namespace vistrel
