#pragma once
// Builds a recording's summaries on background threads (up to the cores available) at the
// lowest priority: from the disk cache when it holds a current entry, otherwise by reading the
// recording once (and then filling the cache). Cancellable; progress can be read at any time. The thread reads only
// the recording's mapping and the cache folder, never the recording's path: whatever is put
// in the recording's place (a FIFO, another file) cannot block it or mislabel an entry, and
// Stop returns promptly.

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "core/view/Summaries.h"

namespace vistrel {

class CDataFile;

class CSummaryBuilder {
public:
    CSummaryBuilder() = default;
    ~CSummaryBuilder() { Stop(); }
    CSummaryBuilder(const CSummaryBuilder&) = delete;
    CSummaryBuilder& operator=(const CSummaryBuilder&) = delete;

    // Starts building for src, which must stay valid until Stop or Wait returns. With the
    // open recording src reads (which must stay open as long) and a cache folder, the cache
    // is read first and filled afterwards.
    void Start(const ISampleSource& src, const CDataFile* recording, std::filesystem::path cacheFolder,
               uint64_t cacheLimit);
    // For tests: called on the builder's thread before it first looks at the recording, so a
    // test can change the file on disk at that moment. Set before Start.
    void SetBeforeReadHook(std::function<void()> hook) { m_beforeRead = std::move(hook); }
    // Cancels and waits for the thread.
    void Stop();
    // Cancels without waiting (Stop or Wait then returns soon).
    void RequestStop() { m_cancel = true; }
    // Threads a build spreads over: the cores available, at most kMostThreads.
    static int Threads();
    static constexpr int kMostThreads = 8;
    // Waits for the thread to finish; true when summaries are ready.
    bool Wait();

    bool Started() const { return m_thread.joinable() || Ready(); }
    bool Ready() const { return m_ready.load(std::memory_order_acquire); }
    bool FromCache() const { return m_fromCache.load(std::memory_order_acquire); }
    double Progress() const;   // 0 .. 1
    // The summaries once ready, else null.
    std::shared_ptr<const CSummaries> Result() const;

private:
    void Run(const ISampleSource* src, const CDataFile* recording, std::filesystem::path cacheFolder,
             uint64_t cacheLimit);

    std::thread m_thread;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_ready{false};
    std::atomic<bool> m_fromCache{false};
    std::atomic<uint64_t> m_rows{0};
    std::atomic<uint64_t> m_total{0};
    mutable std::mutex m_mutex;
    std::shared_ptr<const CSummaries> m_result;
    std::function<void()> m_beforeRead;
};

} // namespace vistrel
