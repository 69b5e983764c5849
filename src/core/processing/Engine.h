#pragma once
// Shared machinery of the operations: the fragment, progress, sample reads and the result file
// that is written beside its target and renamed over it once complete.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/processing/ProcessJob.h"
#include "core/recording/DataFile.h"

namespace vistrel::engine {

class JobContext {
public:
    JobContext(ProcessJob& job, IProcessObserver& observer);

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
    // Percent of position p of the fragment, sent when it changed.
    void Progress(int64_t p);
    void SendPercent(int percent);
    // Ends the run without a result: message to the observer, box closed.
    void Fail(const std::string& message);
    // Ends the run quietly (empty fragment): box closed, m_error set.
    void EndQuietly(const std::string& reason);
    // Ends a successful run: m_saved, box closed, result opened when the operation opens one.
    void Succeed();
    // Shown channels of the recording, in channel order.
    std::vector<int> ShownChannels() const;
    // Checks that every output names a channel of the recording (1-based).
    bool CheckSources(int count, int perOutput);

private:
    int m_lastPercent = 0;
};

// The result file: header and rows go to a temporary file beside the target, which replaces the
// target only when everything was written.
class ResultFile {
public:
    explicit ResultFile(JobContext& ctx);
    ~ResultFile();

    // Path the header writer must create. `tilde`: the temporary name begins with '~' (the
    // derived-header writer then leaves hidden channels out); otherwise it begins like the
    // target's name.
    std::filesystem::path TempPath(bool tilde);
    // Opens the file the header writer created and checks that its header names `rowValues`
    // channels. Reports the failure itself.
    bool Open(int headerResult, int rowValues);
    bool WriteRow(const float* values, size_t count);
    // Closes, stamps the times with `stamp`, renames over the target and registers a temporary
    // result. Reports the failure itself.
    bool Finish(int64_t stamp, bool spectrumStamp = false, double lowerHz = 0.0);

private:
    void Discard();
    bool FlushBlock();
    JobContext& m_ctx;
    std::filesystem::path m_temp;
    std::FILE* m_file = nullptr;
    std::vector<char> m_buffer;
    size_t m_used = 0;
    bool m_failed = false;
};

// Bytes of working memory an operation may ask for: the machine's memory where the system
// tells it, else 1 TiB. Larger requests fail like a failed allocation instead of being tried.
uint64_t MemoryBudget();
// True when `count` items of `size` bytes, added to `already` bytes, fit the budget.
bool FitsBudget(uint64_t count, uint64_t size, uint64_t already = 0);

template <typename T>
std::unique_ptr<T[]> TryAlloc(uint64_t count) {
    if (!FitsBudget(count, sizeof(T)))
        return nullptr;
    return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<size_t>(count)]());
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

} // namespace vistrel::engine
