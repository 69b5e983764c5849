#pragma once
// Min/max summaries of a recording: for every channel the extremes of each block of 256 rows
// and of each block of 65 536 rows (and, derived from them, of 4096 rows), with the first
// position of each; and for each block of 65 536 rows the moments (count, mean, M2, sum of
// absolute values) of every channel, from which the statistics of a range are merged. The
// min-max view takes a long range's extremes from them and reads
// samples only at the two unaligned ends; the answer equals a full scan's, position for
// position.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/view/SampleSource.h"

namespace vistrel {

constexpr uint64_t kSummaryFineRows = 256;
constexpr uint64_t kSummaryCoarseRows = 65536;

class CSummaries {
public:
    // Reads the source from the first row to the last, once, letting the pages read go behind
    // it. Returns null when cancelled; rowsDone, if given, follows the rows read so far. With
    // threads > 1 the coarse blocks are shared out among that many threads (the helpers run
    // at the caller's priority), each writing only its own blocks' entries: the result is
    // byte for byte the one-thread result.
    static std::shared_ptr<CSummaries> Build(const ISampleSource& src, const std::atomic<bool>* cancel = nullptr,
                                             std::atomic<uint64_t>* rowsDone = nullptr, int threads = 1);

    // Whether these summaries describe a source of this shape.
    bool Fits(const ISampleSource& src) const;
    // Same contract as ISampleSource::FindExtremes on src, which must fit.
    void FindExtremes(const ISampleSource& src, const int* channels, int count, uint64_t a, uint64_t b,
                      uint64_t* minPos, uint64_t* maxPos) const;

    // Same contract as ISampleSource::FindMoments on src, which must fit: whole 65 536-row
    // blocks from the summaries, the partial blocks at the ends read from src.
    void FindMoments(const ISampleSource& src, const int* channels, int count, uint64_t a, uint64_t b,
                     Moments* out) const;
    // Moments of coarse block blk (of 65 536 rows) of channel c.
    const Moments& CoarseMoments(uint64_t blk, int c) const { return m_coarseMoments[blk * m_channels + c]; }
    uint64_t CoarseBlocks() const { return m_coarseBlocks; }

    int Channels() const { return m_channels; }
    uint64_t Samples() const { return m_samples; }
    size_t MemoryBytes() const;

    // Compact byte form for the disk cache, and back (null for anything malformed).
    std::vector<uint8_t> Serialize() const;
    static std::shared_ptr<CSummaries> Deserialize(const uint8_t* data, size_t size);

private:
    // The aligned middle [A, B) of the listed channels from the summaries, folded into run.
    void Middle(uint64_t A, uint64_t B, const int* channels, int count, struct SummaryRunning* run) const;
    template <class Index>
    void MiddlePiece(uint64_t A, uint64_t B, int count, Index channel, struct SummaryRunning* run) const;
    void BuildMidLevel();
    // Fine blocks f0 .. f1 - 1 (inside one coarse block) from the source; when they are the
    // whole coarse block, its extremes and moments too.
    void BuildBlocks(const ISampleSource& src, uint64_t f0, uint64_t f1);
    // Extremes of fine blocks first .. first + blocks - 1 of every channel, with their offsets
    // from the first block's start, into out*[channel].
    void FoldFine(uint64_t first, uint64_t blocks, float* outMin, float* outMax, uint16_t* outMinAt,
                  uint16_t* outMaxAt) const;
    void Allocate();

    int m_channels = 0;
    uint64_t m_samples = 0;
    bool m_raw = false;
    uint64_t m_fineBlocks = 0, m_coarseBlocks = 0;   // whole blocks only
    // Fine level, index block * channels + channel: float recordings keep float extremes,
    // SD images raw counts; the offsets are the first positions inside the block.
    std::vector<float> m_fineMin, m_fineMax;
    std::vector<uint16_t> m_fineMinRaw, m_fineMaxRaw;
    std::vector<uint8_t> m_fineMinAt, m_fineMaxAt;
    std::vector<float> m_coarseMin, m_coarseMax;
    std::vector<uint16_t> m_coarseMinAt, m_coarseMaxAt;
    std::vector<Moments> m_coarseMoments;
    // Derived after building or loading (not stored): extremes of every 16 fine blocks.
    uint64_t m_midBlocks = 0;
    std::vector<float> m_midMin, m_midMax;
    std::vector<uint16_t> m_midMinAt, m_midMaxAt;
};

// A source whose extreme search uses summaries once they are attached; everything else is
// passed to the underlying source.
class CSummarizedSource : public ISampleSource {
public:
    explicit CSummarizedSource(const ISampleSource& base) : m_base(base) {}
    void Attach(std::shared_ptr<const CSummaries> summaries) { m_summaries = std::move(summaries); }
    bool HasSummaries() const { return m_summaries && m_summaries->Fits(m_base); }

    uint64_t Samples() const override { return m_base.Samples(); }
    int Channels() const override { return m_base.Channels(); }
    bool IsRawImage() const override { return m_base.IsRawImage(); }
    long double Value(uint64_t k, int c) const override { return m_base.Value(k, c); }
    uint16_t Raw(uint64_t k, int c) const override { return m_base.Raw(k, c); }
    void FindExtremes(const int* channels, int count, uint64_t a, uint64_t b, uint64_t* minPos,
                      uint64_t* maxPos) const override;
    void ReadValues(uint64_t k0, size_t rows, int c, double* out) const override {
        m_base.ReadValues(k0, rows, c, out);
    }
    void WillRead(uint64_t a, uint64_t b) const override { m_base.WillRead(a, b); }
    void DoneReading(uint64_t a, uint64_t b) const override { m_base.DoneReading(a, b); }
    void FindMoments(const int* channels, int count, uint64_t a, uint64_t b, Moments* out) const override;

private:
    const ISampleSource& m_base;
    std::shared_ptr<const CSummaries> m_summaries;
};

} // namespace vistrel
