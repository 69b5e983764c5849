#include "shell/JobRunner.h"

#include <QCoreApplication>
#include <QMdiSubWindow>
#include <QThread>


#include "shell/MainFrame.h"
#include "shell/PlotLink.h"
#include "shell/UiUtils.h"

namespace vistrel {

namespace {
CJobRunner* g_running = nullptr;
int g_startDelayMs = 500;
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

void CJobRunner::Start() {
    g_running = this;
    m_box = new CProgressBox(PlotCanvas(m_window));
    PlotSetProgress(m_window, m_box, QString::fromStdU16String(m_job->m_resultName.u16string()), m_job->m_averagingFactor);
    m_job->m_startDelayMs = g_startDelayMs;
    try {
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
        if (m_frame) m_frame->setEnabled(false);
    });
}

void CJobRunner::JobEnded() {
    OnUiThread([this] {
        if (m_window) {
            PlotJobDone(m_window, *m_job);
            PlotSetProgress(m_window, nullptr, QString::fromStdU16String(m_job->m_resultName.u16string()), m_job->m_averagingFactor);
        }
        if (m_frame) {
            m_frame->setEnabled(true);
            m_frame->activateWindow();
            m_frame->raise();
        }
        QMetaObject::invokeMethod(this, &CJobRunner::Finish, Qt::QueuedConnection);
    });
}

void CJobRunner::ProgressTitle(int stringId) {
    OnUiThread([this, stringId] {
        if (m_box) m_box->setTitle(GetUiString(stringId));
    });
}

void CJobRunner::Progress(int percent) { PostProgressPercent(m_box, percent < 0 ? 0u : static_cast<unsigned>(percent)); }

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
        if (m_frame) m_frame->OpenResult(name);
    });
}

void CJobRunner::CursorsMoved(int64_t, int64_t) {} // handed back with the job when it ends

void CJobRunner::Finish() {
    if (m_thread.joinable()) m_thread.join();
    if (m_job && !m_job->m_succeeded) ReleaseReservedTarget(*m_job); // a thread that never ran
    if (m_box) m_box->setPercent(100);
    if (m_frame && !m_frame->isEnabled()) m_frame->setEnabled(true);
    if (g_running == this) g_running = nullptr;
    emit finished();
    deleteLater();
}

} // namespace vistrel
