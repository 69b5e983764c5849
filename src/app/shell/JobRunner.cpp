#include "shell/JobRunner.h"

#include <QCoreApplication>
#include <QMdiSubWindow>
#include <QThread>

#include <chrono>


#include "shell/MainFrame.h"
#include "shell/PlotLink.h"
#include "shell/UiUtils.h"

namespace vistrel {

namespace {
CJobRunner* g_running = nullptr;
int g_startDelayMs = 500;
std::function<void(CJobRunner&)> g_startedHook;
} // namespace

std::unique_ptr<ProcessJob> NewJob() { return std::make_unique<ProcessJob>(); }

CJobRunner::CJobRunner(CMainFrame* frame, QMdiSubWindow* window, std::unique_ptr<ProcessJob> job)
    : QObject(frame), m_frame(frame), m_window(window), m_job(std::move(job)) {}

CJobRunner::~CJobRunner() {
    if (m_thread.joinable()) m_thread.join();
    if (g_running == this) g_running = nullptr;
}

bool CJobRunner::Running() { return g_running != nullptr; }

void CJobRunner::WaitForRunning() {
    while (g_running) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

void CJobRunner::SetStartDelay(int ms) { g_startDelayMs = ms; }
void CJobRunner::SetStartedHook(std::function<void(CJobRunner&)> hook) { g_startedHook = std::move(hook); }
QWidget* CJobRunner::ProgressBoxWidget() const { return m_box.data(); }
QMdiSubWindow* CJobRunner::SourceWindow() const { return m_window.data(); }

void CJobRunner::Start() {
    g_running = this;
    // Protected from now on, not only once the worker's pause is over.
    PlotSetBusy(m_window, true);
    m_box = new CProgressBox(PlotCanvas(m_window), Qt::ApplicationModal, CProgressBox::Stop::Cancellable);
    connect(m_box, &CProgressBox::cancelRequested, this, &CJobRunner::RequestStop);
    PlotSetProgress(m_window, m_box, QString::fromStdU16String(m_job->m_resultName.u16string()), m_job->m_averagingFactor);
    m_job->m_startDelayMs = g_startDelayMs;
    try {
        if (m_body)
            m_thread = std::thread([this] {
                if (m_job->m_startDelayMs > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(m_job->m_startDelayMs));
                JobStarted();
                m_body(*m_job, *this);
                JobEnded();
            });
        else
            m_thread = StartProcessThread(*m_job, *this);
    } catch (...) {
        // A thread that cannot start is not reported; the command simply ends.
        QMetaObject::invokeMethod(this, &CJobRunner::Finish, Qt::QueuedConnection);
    }
}

template <typename F>
void CJobRunner::OnUiThread(F&& f) {
    if (QThread::currentThread() == thread())
        f();
    else
        QMetaObject::invokeMethod(this, std::forward<F>(f), Qt::BlockingQueuedConnection);
}

void CJobRunner::JobStarted() {
    OnUiThread([this] {
        if (g_startedHook) g_startedHook(*this);
    });
}

void CJobRunner::ReleaseSource() {
    if (m_window) PlotSetBusy(m_window, false);
    if (m_box) m_box->setPercent(100); // closes the box and ends its modality
}

void CJobRunner::JobEnded() {
    OnUiThread([this] {
        if (m_window) {
            PlotJobDone(m_window, *m_job);
            PlotSetProgress(m_window, nullptr, QString::fromStdU16String(m_job->m_resultName.u16string()), m_job->m_averagingFactor);
        }
        ReleaseSource();
        if (m_frame) {
            m_frame->activateWindow();
            m_frame->raise();
            // The result becomes the active window now that the frame takes input again.
            if (m_result) m_frame->ActivatePlotWindow(m_result);
        }
        QMetaObject::invokeMethod(this, &CJobRunner::Finish, Qt::QueuedConnection);
    });
}

void CJobRunner::ProgressTitle(int stringId) {
    OnUiThread([this, stringId] {
        if (m_box) m_box->setTitle(GetUiString(stringId));
    });
}

void CJobRunner::Progress(int percent) {
    const unsigned value = percent < 0 ? 0u : static_cast<unsigned>(percent);
    OnUiThread([this, value] {
        if (m_box) m_box->setPercent(value);
    });
}

void CJobRunner::Failed(const std::string& message) {
    OnUiThread([this, &message] {
        // A file that could not be written: its path and the reason in the user's language.
        if (m_job->m_errorId != 0)
            ShowPathProblem(m_job->m_errorId, QString::fromStdU16String(m_job->m_resultName.u16string()),
                            m_job->m_fileProblem);
        else
            ShowErrorText(QString::fromStdString(message));
    });
}

void CJobRunner::OpenResult(const std::filesystem::path& path) {
    const QString name = QString::fromStdU16String(path.u16string());
    OnUiThread([this, &name] {
        if (m_frame) m_result = m_frame->OpenResult(name, m_window);
    });
}

void CJobRunner::CursorsMoved(int64_t, int64_t) {} // handed back with the job when it ends

void CJobRunner::Finish() {
    if (m_thread.joinable()) m_thread.join();
    if (m_job && !m_job->m_succeeded) ReleaseReservedTarget(*m_job); // a thread that never ran
    ReleaseSource();
    if (g_running == this) g_running = nullptr;
    emit finished();
    deleteLater();
}

} // namespace vistrel
