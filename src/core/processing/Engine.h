#pragma once
// Shared machinery of the operations: the fragment, progress, sample reads and the result file
// that is written to a temporary file of its own beside the target and renamed over it once
// complete.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "core/processing/ProcessJob.h"
#include "core/recording/DataFile.h"
#include "core/recording/PageDropper.h"

namespace vistrel {
class RowBlockReader;
}

namespace vistrel::engine {

class JobContext {
public:
    JobContext(ProcessJob& job, IProcessObserver& observer);
    // Lets go of the pages of the rows the run went through (see Progress).
    ~JobContext();
    JobContext(const JobContext&) = delete;
    JobContext& operator=(const JobContext&) = delete;

    ProcessJob& job;
    IProcessObserver& observer;
    const CDataFile& src;
    HeaderDisplay header; // the job's display tables, for the derived-header writer
    int64_t start = 0; // the fragment: start .. end - 1
    int64_t end = 0;

    // Orders the cursors; false (and the box closed, no message) when the fragment is empty.
    bool OrderFragment();
    // Sample of channel c at position p; 0 before the first and after the last sample.
    long double Sample(int64_t p, int c) const {
        return p < 0 ? 0.0L : src.SampleValue(static_cast<uint64_t>(p), c);
    }
    // Percent of position p of the fragment, sent when it changed. The rows before p have
    // been read: a run forward through the recording lets their pages go behind it (a
    // run that reads them again maps them again from the page cache).
    void Progress(int64_t p);
    // Progress of the positions p, p + step, ... (count of them) in turn.
    void ProgressRows(int64_t p, int64_t count, int64_t step = 1);
    void SendPercent(int percent);
    // Ends the run without a result: message to the observer, box closed.
    void Fail(const std::string& message);
    // The same for a file that cannot be used: the message gets the reason appended, the job
    // keeps the caption id and the reason for the user interface.
    void FailFile(int captionId, platform::FileProblem problem, const std::string& message);
    // True once the observer asked to stop (polled when the percent changes and per block).
    bool Stopping();
    // Whether a stop was already seen, without asking the observer again.
    bool StopSeen() const { return m_stopping; }
    // Counts `terms` units of work (values summed, samples read, bytes written) and asks the
    // observer once every kStopPollTerms of them, so long inner loops stop at a bounded cost.
    bool Tick(uint64_t terms) {
        m_work += terms;
        if (m_work < kStopPollTerms)
            return m_stopping;
        m_work = 0;
        return Stopping();
    }
    static constexpr uint64_t kStopPollTerms = uint64_t{1} << 16;
    // Ends an interrupted run: no result, box closed.
    void Interrupted();
    // Ends the run quietly (empty fragment): box closed, m_error set.
    void EndQuietly(const std::string& reason);
    // Ends a successful run: m_saved, box closed, result opened when the operation opens one.
    void Succeed();
    // Shown channels of the recording, in channel order.
    std::vector<int> ShownChannels() const;
    // The shown channels into `shown`; fails the run when none is shown.
    bool ShownChannelsOrFail(std::vector<int>& shown);
    // Checks that every output names a channel of the recording (1-based).
    bool CheckSources(int count, int perOutput);

private:
    void Follow(int64_t p);

    std::optional<CPageDropper> m_pages;   // from the first position reported
    int m_lastPercent = 0;
    bool m_stopping = false;
    uint64_t m_work = 0;
};

// The result file: header and rows go to a temporary file created exclusively beside the
// target (".<name>.vistrel-XXXXXX.part"), which replaces the target only when everything was
// written. Every failure is reported with its reason and leaves the target untouched.
class ResultFile {
public:
    explicit ResultFile(JobContext& ctx);
    ~ResultFile();

    // Checks the target and creates the temporary file the header writer must fill; empty
    // when that fails (Open then reports why).
    std::filesystem::path TempPath();
    // Opens the file the header writer created and checks that its header names `rowValues`
    // channels. Reports the failure itself.
    bool Open(int headerResult, int rowValues);
    // Opens the temporary file empty, for a text table. Reports the failure itself.
    bool OpenText();
    bool WriteRow(const float* values, size_t count);
    bool Write(const void* bytes, size_t count);
    // Room for rows of `perRow` values at the end of the pending block, flushing the block
    // first when not one row fits; `rows` is lowered to the rows there is room for. Fill them
    // and call CommitRows. nullptr once a write has failed (reported).
    float* RowSpace(size_t& rows, size_t perRow);
    void CommitRows(size_t rows, size_t perRow) { m_used += rows * perRow * sizeof(float); }
    // Whether the fragment's rows, as `reader` reads them, are a byte range of the source
    // file that CopySourceRows can copy as it is.
    bool CanCopySourceRows(const RowBlockReader& reader) const;
    // Appends rows start .. end - 1 of the fragment straight from the source file (in the
    // kernel where it can), with progress and stop polls between pieces. Reports a failure
    // itself.
    bool CopySourceRows();
    // Closes, stamps the times with `stamp` (a spectrum: the day of `stamp` at the time of day
    // `firstHz` seconds), renames over the target and registers a temporary result. Reports
    // the failure itself.
    bool Finish(int64_t stamp, bool spectrumStamp = false, double firstHz = 0.0);
    // The same without time stamps (text tables).
    bool FinishText();
    // Completes a temporary file that a library wrote through TempPath itself (closed by it):
    // the same checks and rename as FinishText.
    bool FinishWritten();
    // Why TempPath gave no path.
    platform::FileProblem CreateProblem() const { return m_createProblem; }
    // Ends the run after a failed write: the temporary file goes, the reason is reported.
    void FailWrite(platform::FileProblem problem);
    // Ends an interrupted run: the temporary file goes, the job is marked stopped.
    void Interrupt();

private:
    bool Complete(const int64_t* stamp);
    void Discard();
    bool FlushBlock();
    // True (and the run failed) when the test hook's write limit stops `bytes` more.
    bool WriteLimitReached(uint64_t bytes);
    JobContext& m_ctx;
    std::filesystem::path m_temp;
    platform::FileProblem m_createProblem = platform::FileProblem::None;
    std::FILE* m_file = nullptr;
    std::vector<char> m_buffer;
    size_t m_used = 0;
    uint64_t m_written = 0;
    bool m_failed = false;
    bool m_writtenByPath = false;
};

// Test hook: bytes of rows copied straight from source files since the program started.
uint64_t SourceRowBytesCopiedForTest();
// Test hook: writes of result files fail with `problem` once `bytes` bytes were written to the
// current file; a negative count switches the hook off.
void FailResultWritesForTest(int64_t bytes, platform::FileProblem problem);
// Test hook: runs after the last check of the source and before the rename of a complete
// result over its target (empty: none).
void SetBeforeResultRenameForTest(std::function<void()> hook);

// Bytes of working memory an operation may ask for: the memory the system has available now
// (else 1 TiB). Larger requests fail like a failed allocation instead of being tried.
uint64_t MemoryBudget();
// Replaces the budget (tests); std::nullopt restores it.
void SetMemoryBudgetForTest(std::optional<uint64_t> bytes);
// Spectrum workers: `beforeStart(i)` runs before worker i is created (it may throw, as a failed
// thread creation does), `started(i)` on worker i once its priority is lowered. Empty: none.
void SetWorkerHooksForTest(std::function<void(int)> beforeStart, std::function<void(int)> started);
void BeforeWorkerStart(int index);
void WorkerStarted(int index);
// Threads the FFT spectrum transforms on at most: the processor's cores (at least 1).
int CoreWorkers();
// Replaces that count (tests); std::nullopt restores it.
void SetCoreWorkersForTest(std::optional<int> count);
// True when `count` items of `size` bytes, added to `already` bytes, fit the budget.
bool FitsBudget(uint64_t count, uint64_t size, uint64_t already = 0);

template <typename T>
std::unique_ptr<T[]> TryAlloc(uint64_t count) {
    if (!FitsBudget(count, sizeof(T)))
        return nullptr;
    // Not value-initialised: the pages are touched only as the operation fills them.
    return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<size_t>(count)]);
}

std::string PathText(const std::filesystem::path& p);
extern const char* const kNoMemory;

void MovingAverage(JobContext& ctx, bool average);
void LinearTransform(JobContext& ctx);
void Rms(JobContext& ctx);
void AddSub(JobContext& ctx);
void TableFunctionOp(JobContext& ctx);
void SaveChannels(JobContext& ctx);
void SpectrumDirect(JobContext& ctx);
void SpectrumFft(JobContext& ctx);
void SaveFragment(JobContext& ctx);
void FilterOp(JobContext& ctx);  // OP_FILTER and OP_NOTCH
void DetrendOp(JobContext& ctx);

} // namespace vistrel::engine
