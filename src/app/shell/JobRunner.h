#pragma once
// Runs one processing or saving job for the frame: the "PERSENT" box over the plot window's
// canvas, the worker thread, the result opened with the vertical view of its source window.
// From Start to the end of the job the box is application-modal (the frame takes no input but
// the box stays usable) and the source window refuses to close, so the recording the worker
// reads stays alive. The box's Cancel button stops the worker: the job then leaves no result,
// opens nothing and the frame takes input again.

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "core/processing/ProcessJob.h"
#include "shell/ProgressBox.h"

class QMdiSubWindow;

namespace vistrel {

class CMainFrame;

// A new job with the engines' defaults.
std::unique_ptr<ProcessJob> NewJob();

class CJobRunner : public QObject, public IProcessObserver {
    Q_OBJECT
public:
    // Takes the job; `window` is its source plot window.
    CJobRunner(CMainFrame* frame, QMdiSubWindow* window, std::unique_ptr<ProcessJob> job);
    ~CJobRunner() override;

    // Shows the progress box and starts the worker. The runner deletes itself once the
    // worker has ended.
    void Start();
    // Runs `body` on the worker instead of the job's operation (after the same pause, between
    // JobStarted and JobEnded); it reports through the job's result fields like an operation.
    void SetBody(std::function<void(ProcessJob&, IProcessObserver&)> body) { m_body = std::move(body); }

    const ProcessJob& Job() const { return *m_job; }
    // A job is running (at most one: the frame is disabled meanwhile).
    static bool Running();
    // Waits for a running job to end (shutdown).
    static void WaitForRunning();
    // Pause before the worker starts (500 ms; tests shorten it).
    static void SetStartDelay(int ms);
    // Called on the user-interface thread when the operation starts (tests look at the state
    // of the frame while the worker runs); empty: none.
    static void SetStartedHook(std::function<void(CJobRunner&)> hook);
    QWidget* ProgressBoxWidget() const;
    // Asks the worker to stop (the Cancel button); any thread.
    void RequestStop() { m_stopRequested.store(true); }
    QMdiSubWindow* SourceWindow() const;

    // IProcessObserver, called on the worker thread.
    void JobStarted() override;
    void JobEnded() override;
    void ProgressTitle(int stringId) override;
    void Progress(int percent) override;
    void Failed(const std::string& message) override;
    void OpenResult(const std::filesystem::path& path) override;
    void CursorsMoved(int64_t cursor1, int64_t cursor2) override;
    bool StopRequested() override { return m_stopRequested.load(std::memory_order_relaxed); }

signals:
    void finished();

private:
    template <typename F>
    void OnUiThread(F&& f);
    void Finish();

    QPointer<CMainFrame> m_frame;
    QPointer<QMdiSubWindow> m_window;
    std::unique_ptr<ProcessJob> m_job;
    void ReleaseSource();

    // Touched only on the user-interface thread; the worker reaches them through OnUiThread.
    QPointer<CProgressBox> m_box;
    QPointer<QMdiSubWindow> m_result;
    std::thread m_thread;
    std::atomic<bool> m_stopRequested{false};
    std::function<void(ProcessJob&, IProcessObserver&)> m_body;
};

} // namespace vistrel
