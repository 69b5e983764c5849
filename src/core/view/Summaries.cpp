#include "core/view/Summaries.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace vistrel {

// Running extremes of one channel over pieces taken in order. Only a strictly smaller
// (larger) key moves a position, so the first position of the extreme wins, as in a scan;
// NaN and the starting infinities never win.
struct SummaryRunning {
    float mn = std::numeric_limits<float>::infinity(), mx = -std::numeric_limits<float>::infinity();
    uint64_t mnAt = 0, mxAt = 0;
    void Min(float key, uint64_t at) {
        if (key < mn) { mn = key; mnAt = at; }
    }
    void Max(float key, uint64_t at) {
        if (key > mx) { mx = key; mxAt = at; }
    }
};

namespace {

static_assert(sizeof(Moments) == 32, "the serialized form holds four doubles per block and channel");

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr uint64_t kFinePerCoarse = kSummaryCoarseRows / kSummaryFineRows;
constexpr uint64_t kFinePerMid = 16; // the derived middle level: blocks of 4096 rows

// The value the extreme search compares: the raw count of an SD image, the float of a float
// recording (its samples are floats, so nothing is lost).
float KeyAt(const ISampleSource& src, bool raw, uint64_t k, int c) {
    return raw ? static_cast<float>(src.Raw(k, c)) : static_cast<float>(src.Value(k, c));
}

template <class T>
void Put(std::vector<uint8_t>& out, const T& v) {
    const auto* p = reinterpret_cast<const uint8_t*>(&v);
    out.insert(out.end(), p, p + sizeof v);
}

template <class T>
void PutArray(std::vector<uint8_t>& out, const std::vector<T>& v) {
    const auto* p = reinterpret_cast<const uint8_t*>(v.data());
    out.insert(out.end(), p, p + v.size() * sizeof(T));
}

template <class T>
bool GetArray(const uint8_t*& p, const uint8_t* end, std::vector<T>& v) {
    const size_t bytes = v.size() * sizeof(T);
    if (static_cast<size_t>(end - p) < bytes) return false;
    if (bytes != 0) std::memcpy(v.data(), p, bytes); // an empty array has no storage to copy into
    p += bytes;
    return true;
}

} // namespace

void CSummaries::Allocate() {
    const uint64_t fine = m_fineBlocks * static_cast<uint64_t>(m_channels);
    const uint64_t coarse = m_coarseBlocks * static_cast<uint64_t>(m_channels);
    if (m_raw) {
        m_fineMinRaw.assign(fine, 0);
        m_fineMaxRaw.assign(fine, 0);
    } else {
        m_fineMin.assign(fine, 0.0f);
        m_fineMax.assign(fine, 0.0f);
    }
    m_fineMinAt.assign(fine, 0);
    m_fineMaxAt.assign(fine, 0);
    m_coarseMin.assign(coarse, 0.0f);
    m_coarseMax.assign(coarse, 0.0f);
    m_coarseMinAt.assign(coarse, 0);
    m_coarseMaxAt.assign(coarse, 0);
    m_coarseMoments.assign(coarse, Moments{});
}

bool CSummaries::Fits(const ISampleSource& src) const {
    return m_channels == std::clamp(src.Channels(), 0, 256) && m_samples == src.Samples() &&
           m_raw == src.IsRawImage();
}

namespace {

// Folds one block's extremes of the listed channels (channel(i) is the i-th one's index into
// the block's values and offsets) into running extremes with positions relative to the
// range's start. Masks rather than branches, so the loop runs in vector registers when the
// channels are 0 .. count-1; a strictly smaller (larger) value moves the position, so the
// first one wins and NaN never does.
template <class V, class O, class Index>
void FoldBlock(const V* vmin, const V* vmax, const O* atMin, const O* atMax, uint32_t base, int count, Index channel,
               float* mn, float* mx, uint32_t* mnAt, uint32_t* mxAt) {
    for (int i = 0; i < count; ++i) {
        const int c = channel(i);
        const float lo = static_cast<float>(vmin[c]), hi = static_cast<float>(vmax[c]);
        const uint32_t lower = 0u - uint32_t(lo < mn[i]), higher = 0u - uint32_t(hi > mx[i]);
        mnAt[i] = ((base + atMin[c]) & lower) | (mnAt[i] & ~lower);
        mn[i] = lo < mn[i] ? lo : mn[i];
        mxAt[i] = ((base + atMax[c]) & higher) | (mxAt[i] & ~higher);
        mx[i] = hi > mx[i] ? hi : mx[i];
    }
}

constexpr auto kSameChannel = [](int i) { return i; };

} // namespace

void CSummaries::Middle(uint64_t A, uint64_t B, const int* channels, int count, SummaryRunning* run) const {
    bool inOrder = true;
    for (int i = 0; i < count; ++i) inOrder &= channels[i] == i;
    // Positions are kept relative to a piece's start in 32 bits: pieces of at most 2^31 rows,
    // folded in order, so the first extreme still wins.
    for (uint64_t from = A; from < B;) {
        const uint64_t to = std::min(B, from + (uint64_t{1} << 31));
        if (inOrder)
            MiddlePiece(from, to, count, kSameChannel, run);
        else
            MiddlePiece(from, to, count, [channels](int i) { return channels[i]; }, run);
        from = to;
    }
}

template <class Index>
void CSummaries::MiddlePiece(uint64_t A, uint64_t B, int count, Index channel, SummaryRunning* run) const {
    const uint64_t n = static_cast<uint64_t>(m_channels);
    float mn[256], mx[256];
    uint32_t mnAt[256], mxAt[256];
    for (int i = 0; i < count; ++i) {
        mn[i] = kInf;
        mx[i] = -kInf;
        mnAt[i] = mxAt[i] = 0;
    }
    const uint64_t endBlock = B / kSummaryFineRows;
    for (uint64_t blk = A / kSummaryFineRows; blk < endBlock;) {
        const uint32_t base = static_cast<uint32_t>(blk * kSummaryFineRows - A);
        if (blk % kFinePerCoarse == 0 && blk + kFinePerCoarse <= endBlock) {
            const uint64_t at = blk / kFinePerCoarse * n;
            FoldBlock(&m_coarseMin[at], &m_coarseMax[at], &m_coarseMinAt[at], &m_coarseMaxAt[at], base, count, channel,
                      mn, mx, mnAt, mxAt);
            blk += kFinePerCoarse;
        } else if (blk % kFinePerMid == 0 && blk + kFinePerMid <= endBlock) {
            const uint64_t at = blk / kFinePerMid * n;
            FoldBlock(&m_midMin[at], &m_midMax[at], &m_midMinAt[at], &m_midMaxAt[at], base, count, channel, mn, mx,
                      mnAt, mxAt);
            blk += kFinePerMid;
        } else {
            const uint64_t at = blk * n;
            if (m_raw)
                FoldBlock(&m_fineMinRaw[at], &m_fineMaxRaw[at], &m_fineMinAt[at], &m_fineMaxAt[at], base, count,
                          channel, mn, mx, mnAt, mxAt);
            else
                FoldBlock(&m_fineMin[at], &m_fineMax[at], &m_fineMinAt[at], &m_fineMaxAt[at], base, count, channel, mn,
                          mx, mnAt, mxAt);
            ++blk;
        }
    }
    for (int i = 0; i < count; ++i) {
        run[i].Min(mn[i], A + mnAt[i]);
        run[i].Max(mx[i], A + mxAt[i]);
    }
}

void CSummaries::FindExtremes(const ISampleSource& src, const int* channels, int count, uint64_t a, uint64_t b,
                              uint64_t* minPos, uint64_t* maxPos) const {
    // The aligned middle [A, B) comes from the summaries, the ends from the samples.
    const uint64_t A = (a + kSummaryFineRows - 1) / kSummaryFineRows * kSummaryFineRows;
    const uint64_t B = std::min(b / kSummaryFineRows, m_fineBlocks) * kSummaryFineRows;
    bool usable = A < B && count > 0 && count <= 256;
    for (int i = 0; usable && i < count; ++i) usable = channels[i] >= 0 && channels[i] < m_channels;
    if (!usable) {
        src.FindExtremes(channels, count, a, b, minPos, maxPos);
        return;
    }
    SummaryRunning run[256];
    for (int i = 0; i < count; ++i) run[i].mnAt = run[i].mxAt = a;
    uint64_t mn[256], mx[256];
    auto takeScan = [&](uint64_t from, uint64_t to) {
        if (from >= to) return;
        src.FindExtremes(channels, count, from, to, mn, mx);
        for (int i = 0; i < count; ++i) {
            run[i].Min(KeyAt(src, m_raw, mn[i], channels[i]), mn[i]);
            run[i].Max(KeyAt(src, m_raw, mx[i], channels[i]), mx[i]);
        }
    };
    takeScan(a, A);
    Middle(A, B, channels, count, run);
    takeScan(B, b);
    for (int i = 0; i < count; ++i) {
        minPos[i] = run[i].mnAt;
        maxPos[i] = run[i].mxAt;
    }
}

void CSummaries::FindMoments(const ISampleSource& src, const int* channels, int count, uint64_t a, uint64_t b,
                             Moments* out) const {
    const uint64_t first = (a + kSummaryCoarseRows - 1) / kSummaryCoarseRows;
    const uint64_t last = std::min(b / kSummaryCoarseRows, m_coarseBlocks);
    bool usable = first < last && count > 0 && count <= 256;
    for (int i = 0; usable && i < count; ++i) usable = channels[i] >= 0 && channels[i] < m_channels;
    if (!usable) {
        src.FindMoments(channels, count, a, b, out);
        return;
    }
    // Head and tail from the samples, the whole blocks between them from the summaries; the
    // merge is associative, so the order does not change the result beyond rounding.
    Moments tail[256];
    src.FindMoments(channels, count, a, first * kSummaryCoarseRows, out);
    src.FindMoments(channels, count, last * kSummaryCoarseRows, b, tail);
    const uint64_t n = static_cast<uint64_t>(m_channels);
    for (int i = 0; i < count; ++i) {
        Moments m = out[i];
        const Moments* block = &m_coarseMoments[first * n + static_cast<uint64_t>(channels[i])];
        for (uint64_t blk = first; blk < last; ++blk, block += n) m.Merge(*block);
        m.Merge(tail[i]);
        out[i] = m;
    }
}

size_t CSummaries::MemoryBytes() const {
    return m_fineMin.size() * 4 + m_fineMax.size() * 4 + m_fineMinRaw.size() * 2 + m_fineMaxRaw.size() * 2 +
           m_fineMinAt.size() + m_fineMaxAt.size() + m_coarseMin.size() * 4 + m_coarseMax.size() * 4 +
           m_coarseMinAt.size() * 2 + m_coarseMaxAt.size() * 2 + m_midMin.size() * 8 + m_midMinAt.size() * 4 +
           m_coarseMoments.size() * sizeof(Moments);
}

std::vector<uint8_t> CSummaries::Serialize() const {
    std::vector<uint8_t> out;
    out.reserve(MemoryBytes() + 16);
    Put(out, static_cast<uint32_t>(m_channels));
    Put(out, static_cast<uint32_t>(m_raw ? 1 : 0));
    Put(out, m_samples);
    PutArray(out, m_fineMin);
    PutArray(out, m_fineMax);
    PutArray(out, m_fineMinRaw);
    PutArray(out, m_fineMaxRaw);
    PutArray(out, m_fineMinAt);
    PutArray(out, m_fineMaxAt);
    PutArray(out, m_coarseMin);
    PutArray(out, m_coarseMax);
    PutArray(out, m_coarseMinAt);
    PutArray(out, m_coarseMaxAt);
    PutArray(out, m_coarseMoments);
    return out;
}

std::shared_ptr<CSummaries> CSummaries::Deserialize(const uint8_t* data, size_t size) {
    if (!data || size < 16) return nullptr;
    uint32_t channels, raw;
    uint64_t samples;
    std::memcpy(&channels, data, 4);
    std::memcpy(&raw, data + 4, 4);
    std::memcpy(&samples, data + 8, 8);
    if (channels > 256 || raw > 1) return nullptr;
    auto s = std::make_shared<CSummaries>();
    s->m_channels = static_cast<int>(channels);
    s->m_raw = raw != 0;
    s->m_samples = samples;
    s->m_fineBlocks = channels > 0 ? samples / kSummaryFineRows : 0;
    s->m_coarseBlocks = channels > 0 ? samples / kSummaryCoarseRows : 0;
    // The sizes follow from the header; a file too short or too long is not these summaries.
    const uint64_t perFine = s->m_raw ? 6 : 10;
    const uint64_t expected = 16 + s->m_fineBlocks * channels * perFine + s->m_coarseBlocks * channels * (12 + sizeof(Moments));
    if (s->m_fineBlocks > (uint64_t{1} << 40) || expected != size) return nullptr;
    s->Allocate();
    const uint8_t* p = data + 16;
    const uint8_t* end = data + size;
    const bool ok = GetArray(p, end, s->m_fineMin) && GetArray(p, end, s->m_fineMax) &&
                    GetArray(p, end, s->m_fineMinRaw) && GetArray(p, end, s->m_fineMaxRaw) &&
                    GetArray(p, end, s->m_fineMinAt) && GetArray(p, end, s->m_fineMaxAt) &&
                    GetArray(p, end, s->m_coarseMin) && GetArray(p, end, s->m_coarseMax) &&
                    GetArray(p, end, s->m_coarseMinAt) && GetArray(p, end, s->m_coarseMaxAt) &&
                    GetArray(p, end, s->m_coarseMoments);
    // Offsets cannot leave their blocks: their types hold exactly a block's positions.
    if (!ok || p != end) return nullptr;
    // Moments that no block of samples could have (a count beyond the block, a negative or
    // non-finite sum) are damage, not summaries.
    for (const Moments& m : s->m_coarseMoments)
        if (!(m.count >= 0 && m.count <= double(kSummaryCoarseRows) && m.m2 >= 0 && m.sumAbs >= 0 &&
              std::isfinite(m.mean) && std::isfinite(m.m2) && std::isfinite(m.sumAbs)))
            return nullptr;
    s->BuildMidLevel();
    return s;
}

void CSummaries::BuildMidLevel() {
    // Extremes of every 16 fine blocks, derived from them (not stored): a long range's ends
    // then take at most 15 fine and 15 middle blocks each instead of 255 fine blocks.
    const uint64_t n = static_cast<uint64_t>(m_channels);
    m_midBlocks = m_fineBlocks / kFinePerMid;
    m_midMin.assign(m_midBlocks * n, 0.0f);
    m_midMax.assign(m_midBlocks * n, 0.0f);
    m_midMinAt.assign(m_midBlocks * n, 0);
    m_midMaxAt.assign(m_midBlocks * n, 0);
    for (uint64_t m = 0; m < m_midBlocks; ++m)
        FoldFine(m * kFinePerMid, kFinePerMid, &m_midMin[m * n], &m_midMax[m * n], &m_midMinAt[m * n],
                 &m_midMaxAt[m * n]);
}

void CSummaries::FoldFine(uint64_t first, uint64_t blocks, float* outMin, float* outMax, uint16_t* outMinAt,
                          uint16_t* outMaxAt) const {
    const uint64_t n = static_cast<uint64_t>(m_channels);
    const int count = m_channels;
    float mn[256], mx[256];
    uint32_t mnAt[256], mxAt[256];
    for (int i = 0; i < count; ++i) {
        mn[i] = kInf;
        mx[i] = -kInf;
        mnAt[i] = mxAt[i] = 0;
    }
    for (uint64_t f = first; f < first + blocks; ++f) {
        const uint64_t at = f * n;
        const uint32_t base = static_cast<uint32_t>((f - first) * kSummaryFineRows);
        if (m_raw)
            FoldBlock(&m_fineMinRaw[at], &m_fineMaxRaw[at], &m_fineMinAt[at], &m_fineMaxAt[at], base, count,
                      kSameChannel, mn, mx, mnAt, mxAt);
        else
            FoldBlock(&m_fineMin[at], &m_fineMax[at], &m_fineMinAt[at], &m_fineMaxAt[at], base, count, kSameChannel,
                      mn, mx, mnAt, mxAt);
    }
    for (int i = 0; i < count; ++i) {
        outMin[i] = mn[i];
        outMax[i] = mx[i];
        outMinAt[i] = static_cast<uint16_t>(mnAt[i]);
        outMaxAt[i] = static_cast<uint16_t>(mxAt[i]);
    }
}

void CSummarizedSource::FindMoments(const int* channels, int count, uint64_t a, uint64_t b, Moments* out) const {
    if (HasSummaries())
        m_summaries->FindMoments(m_base, channels, count, a, b, out);
    else
        m_base.FindMoments(channels, count, a, b, out);
}

void CSummarizedSource::FindExtremes(const int* channels, int count, uint64_t a, uint64_t b, uint64_t* minPos,
                                     uint64_t* maxPos) const {
    if (HasSummaries())
        m_summaries->FindExtremes(m_base, channels, count, a, b, minPos, maxPos);
    else
        m_base.FindExtremes(channels, count, a, b, minPos, maxPos);
}

} // namespace vistrel
