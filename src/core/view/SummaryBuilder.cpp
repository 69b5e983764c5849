#include "core/view/SummaryBuilder.h"

#include <algorithm>

#include "core/recording/DataFile.h"
#include "core/view/SummaryCache.h"
#include "platform/Threads.h"

namespace vistrel {

void CSummaryBuilder::Start(const ISampleSource& src, const CDataFile* recording, std::filesystem::path cacheFolder,
                            uint64_t cacheLimit) {
    Stop();
    m_cancel = false;
    m_ready = false;
    m_fromCache = false;
    m_rows = 0;
    m_total = src.Samples();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_result.reset();
    }
    m_thread = std::thread(&CSummaryBuilder::Run, this, &src, recording, std::move(cacheFolder), cacheLimit);
}

int CSummaryBuilder::Threads() { return std::clamp(platform::AvailableCores(), 1, kMostThreads); }

void CSummaryBuilder::Stop() {
    m_cancel = true;
    if (m_thread.joinable()) m_thread.join();
}

bool CSummaryBuilder::Wait() {
    if (m_thread.joinable()) m_thread.join();
    return Ready();
}

double CSummaryBuilder::Progress() const {
    if (Ready()) return 1.0;
    const uint64_t total = m_total.load(std::memory_order_relaxed);
    return total ? static_cast<double>(m_rows.load(std::memory_order_relaxed)) / static_cast<double>(total) : 0.0;
}

std::shared_ptr<const CSummaries> CSummaryBuilder::Result() const {
    if (!Ready()) return nullptr;
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_result;
}

void CSummaryBuilder::Run(const ISampleSource* src, const CDataFile* recording, std::filesystem::path cacheFolder,
                          uint64_t cacheLimit) {
    if (m_beforeRead) m_beforeRead();
    const CSummaryCache cache(cacheFolder, cacheLimit);
    SummaryCacheKey key;
    const bool keyed = recording && !cacheFolder.empty() && MakeSummaryCacheKey(*recording, key);
    std::shared_ptr<const CSummaries> result;
    if (keyed) result = cache.Load(key, *src);
    const bool fromCache = result != nullptr;
    // Reading a cache entry takes milliseconds and someone usually waits for it (a picture,
    // the min-max view): it runs at the caller's priority. Only a build, which reads the whole
    // recording, yields to everything else (at the lowest priority it could wait for seconds
    // behind a busy machine's other work).
    if (!result) {
        platform::LowerCurrentThreadPriority();
        result = CSummaries::Build(*src, &m_cancel, &m_rows, Threads());
    }
    if (!result) return;   // cancelled
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_result = result;
    }
    m_fromCache.store(fromCache, std::memory_order_release);
    m_ready.store(true, std::memory_order_release);
    // Stored only when the mapped file did not change while it was read (a replacement of its
    // path does not matter: the entry is named after the file that was read).
    SummaryCacheKey after;
    if (keyed && !fromCache && !m_cancel && recording->MappedFileUnchanged() &&
        MakeSummaryCacheKey(*recording, after) && after == key)
        cache.Store(key, *result);
}

} // namespace vistrel
