// Building the summaries: one pass over the source, shared out among threads by coarse block.
#include "core/view/Summaries.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

#include "core/recording/PageDropper.h"
#include "platform/Threads.h"

namespace vistrel {

namespace {

constexpr uint64_t kFinePerCoarse = kSummaryCoarseRows / kSummaryFineRows;
// Coarse blocks are handed out in runs of about this many bytes of the file: long enough that
// each thread reads in order, short enough that the threads finish together.
constexpr uint64_t kRunBytes = uint64_t{16} << 20;

void RaiseTo(std::atomic<uint64_t>& value, uint64_t to) {
    uint64_t now = value.load(std::memory_order_relaxed);
    while (now < to && !value.compare_exchange_weak(now, to, std::memory_order_relaxed)) {
    }
}

} // namespace

void CSummaries::BuildBlocks(const ISampleSource& src, uint64_t f0, uint64_t f1) {
    const int n = m_channels;
    int all[256];
    for (int i = 0; i < n; ++i) all[i] = i;
    uint64_t mn[256], mx[256];
    // The moments of a coarse block are merged from runs of 256 rows in order, as a search
    // over the whole block merges them, but each run is taken right after its extremes while
    // its rows are still in the processor's cache: the block is read once.
    const bool whole = f1 - f0 == kFinePerCoarse;
    Moments sum[256], run[256];
    for (uint64_t blk = f0; blk < f1; ++blk) {
        const uint64_t start = blk * kSummaryFineRows;
        src.FindExtremes(all, n, start, start + kSummaryFineRows, mn, mx);
        for (int i = 0; i < n; ++i) {
            const uint64_t at = blk * n + i;
            if (m_raw) {
                m_fineMinRaw[at] = src.Raw(mn[i], i);
                m_fineMaxRaw[at] = src.Raw(mx[i], i);
            } else {
                m_fineMin[at] = static_cast<float>(src.Value(mn[i], i));
                m_fineMax[at] = static_cast<float>(src.Value(mx[i], i));
            }
            m_fineMinAt[at] = static_cast<uint8_t>(mn[i] - start);
            m_fineMaxAt[at] = static_cast<uint8_t>(mx[i] - start);
        }
        if (!whole) continue;
        src.FindMoments(all, n, start, start + kSummaryFineRows, run);
        for (int i = 0; i < n; ++i) sum[i].Merge(run[i]);
    }
    if (!whole) return;
    const uint64_t at = f0 / kFinePerCoarse * static_cast<uint64_t>(n);
    FoldFine(f0, kFinePerCoarse, &m_coarseMin[at], &m_coarseMax[at], &m_coarseMinAt[at], &m_coarseMaxAt[at]);
    std::copy(sum, sum + n, &m_coarseMoments[at]);
}

std::shared_ptr<CSummaries> CSummaries::Build(const ISampleSource& src, const std::atomic<bool>* cancel,
                                              std::atomic<uint64_t>* rowsDone, int threads) {
    auto s = std::make_shared<CSummaries>();
    s->m_channels = std::clamp(src.Channels(), 0, 256);
    s->m_samples = src.Samples();
    s->m_raw = src.IsRawImage();
    s->m_fineBlocks = s->m_channels > 0 ? s->m_samples / kSummaryFineRows : 0;
    s->m_coarseBlocks = s->m_channels > 0 ? s->m_samples / kSummaryCoarseRows : 0;
    s->Allocate();
    if (rowsDone) rowsDone->store(0, std::memory_order_relaxed);

    // Unit u < coarse blocks is coarse block u; one more unit holds the fine blocks after the
    // last whole coarse block. Each unit's entries belong to it alone, so the threads write
    // apart and the order they finish in does not matter.
    const uint64_t coarse = s->m_coarseBlocks;
    const uint64_t units = coarse + (s->m_fineBlocks > coarse * kFinePerCoarse ? 1 : 0);
    const uint64_t rowBytes = static_cast<uint64_t>(std::max(1, s->m_channels)) * (s->m_raw ? 2 : 4);
    // Runs of kRunBytes, or shorter so that each thread gets a few of them.
    const uint64_t shared = units / (4 * static_cast<uint64_t>(std::max(threads, 1)));
    const uint64_t unitsPerRun =
        std::clamp<uint64_t>(shared, 1, std::max<uint64_t>(1, kRunBytes / (kSummaryCoarseRows * rowBytes)));
    std::atomic<uint64_t> nextRun{0}, done{0};
    std::atomic<bool> stopped{false};
    auto work = [&] {
        for (;;) {
            const uint64_t first = nextRun.fetch_add(unitsPerRun, std::memory_order_relaxed);
            if (first >= units || stopped.load(std::memory_order_relaxed)) return;
            const uint64_t last = std::min(units, first + unitsPerRun);
            CPageDropper dropper([&src](uint64_t a, uint64_t b) { src.DoneReading(a, b); }, rowBytes,
                                 first * kSummaryCoarseRows);
            for (uint64_t u = first; u < last; ++u) {
                if (cancel && cancel->load(std::memory_order_relaxed)) {
                    stopped.store(true, std::memory_order_relaxed);
                    dropper.Finish(u * kSummaryCoarseRows);
                    return;
                }
                const uint64_t f0 = u * kFinePerCoarse, f1 = std::min(s->m_fineBlocks, f0 + kFinePerCoarse);
                const uint64_t start = f0 * kSummaryFineRows, end = f1 * kSummaryFineRows;
                // The plot asks the mapping for no read-ahead; this pass reads in order, so it
                // asks for the next coarse block itself.
                src.WillRead(start, start + 2 * kSummaryCoarseRows);
                s->BuildBlocks(src, f0, f1);
                dropper.Advance(end);
                const uint64_t now = done.fetch_add(end - start, std::memory_order_relaxed) + (end - start);
                if (rowsDone) RaiseTo(*rowsDone, now);
            }
            dropper.Finish(std::min(last * kSummaryCoarseRows, s->m_fineBlocks * kSummaryFineRows));
        }
    };
    const uint64_t runs = (units + unitsPerRun - 1) / unitsPerRun;
    const int helpers = static_cast<int>(std::min<uint64_t>(std::max(threads, 1), std::max<uint64_t>(runs, 1))) - 1;
    const bool low = platform::IsCurrentThreadPriorityLowest();
    std::vector<std::thread> pool;
    pool.reserve(static_cast<size_t>(helpers));
    for (int t = 0; t < helpers; ++t) {
        try {
            pool.emplace_back([&] {
                if (low) platform::LowerCurrentThreadPriority();
                work();
            });
        } catch (const std::system_error&) {
            break;   // no more threads to be had: those running share the work
        }
    }
    work();
    for (std::thread& t : pool) t.join();
    if (stopped.load(std::memory_order_relaxed)) return nullptr;
    s->BuildMidLevel();
    if (rowsDone) rowsDone->store(s->m_samples, std::memory_order_relaxed);
    return s;
}

} // namespace vistrel
