#include "core/view/RecordingSource.h"
#include "platform/CpuVariants.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

namespace vistrel {

void CRecordingSource::FindExtremes(const int* channels, int count, uint64_t a, uint64_t b,
                                    uint64_t* minPos, uint64_t* maxPos) const {
    if (!m_file || !m_file->DataArea() || count > 256 || count <= 0) {
        ISampleSource::FindExtremes(channels, count, a, b, minPos, maxPos);
        return;
    }
    if (m_file->Type() != 1) {
        RawExtremes(channels, count, a, b, minPos, maxPos);
        return;
    }
    FloatExtremes(channels, count, a, std::min(b, Samples()), minPos, maxPos);
}

namespace {

// Minimum and maximum of each listed channel over rows [a, b) of interleaved floats, without
// positions: branch-free, so the compiler can keep it in vector registers.
template <class Index>
void BlockMinMax(const float* data, uint64_t n, int count, Index channel, uint64_t a, uint64_t b, float* mn,
                 float* mx) {
    for (uint64_t k = a; k < b; ++k) {
        const float* row = data + k * n;
        for (int i = 0; i < count; ++i) {
            const float v = row[channel(i)];
            mn[i] = v < mn[i] ? v : mn[i];
            mx[i] = v > mx[i] ? v : mx[i];
        }
    }
}

// Extremes with their first positions over a short range [a, b) in one pass: a strictly
// smaller (larger) value moves the position, so the first one wins and NaN never does.
// Offsets from a are 32-bit so values and offsets share the vector lanes.
template <class Index>
[[gnu::always_inline]] inline void ShortRangeExtremes(const float* data, uint64_t n, int count, Index channel, uint64_t a, uint64_t b,
                        uint64_t* minPos, uint64_t* maxPos) {
    const float inf = std::numeric_limits<float>::infinity();
    float mn[256], mx[256];
    uint32_t mnAt[256], mxAt[256];
    for (int i = 0; i < count; ++i) {
        mn[i] = inf;
        mx[i] = -inf;
        mnAt[i] = mxAt[i] = 0;
    }
    for (uint64_t k = a; k < b; ++k) {
        const float* row = data + k * n;
        const uint32_t at = static_cast<uint32_t>(k - a);
        for (int i = 0; i < count; ++i) {
            // Masks rather than branches, so the loop runs in vector registers.
            const float v = row[channel(i)];
            const uint32_t lower = 0u - uint32_t(v < mn[i]), higher = 0u - uint32_t(v > mx[i]);
            mnAt[i] = (at & lower) | (mnAt[i] & ~lower);
            mn[i] = v < mn[i] ? v : mn[i];
            mxAt[i] = (at & higher) | (mxAt[i] & ~higher);
            mx[i] = v > mx[i] ? v : mx[i];
        }
    }
    for (int i = 0; i < count; ++i) {
        minPos[i] = a + mnAt[i];
        maxPos[i] = a + mxAt[i];
    }
}

// The loops over every channel of a row, in order (the summary build's and the whole-view
// passes'), also in a wide variant where the platform offers one: twice the lanes.
VISTREL_WIDE_VARIANTS
void ShortRangeExtremesInOrder(const float* data, uint64_t n, int count, uint64_t a, uint64_t b, uint64_t* minPos,
                               uint64_t* maxPos) {
    ShortRangeExtremes(data, n, count, [](int i) { return i; }, a, b, minPos, maxPos);
}

template <class T>
[[gnu::always_inline]] inline void RowRunMomentsOfCount(const T* v, size_t rows, size_t stride, int count,
                                                        Moments* out) {
    const auto same = [](int i) { return i; };
    // The usual channel counts with their sums in registers.
    switch (count) {
    case 1: return RowRunMomentsUpTo<1>(v, rows, stride, std::integral_constant<int, 1>{}, same, out);
    case 2: return RowRunMomentsUpTo<2>(v, rows, stride, std::integral_constant<int, 2>{}, same, out);
    case 4: return RowRunMomentsUpTo<4>(v, rows, stride, std::integral_constant<int, 4>{}, same, out);
    case 8: return RowRunMomentsUpTo<8>(v, rows, stride, std::integral_constant<int, 8>{}, same, out);
    case 16: return RowRunMomentsUpTo<16>(v, rows, stride, std::integral_constant<int, 16>{}, same, out);
    default: return RowRunMoments(v, rows, stride, count, same, out);
    }
}

VISTREL_WIDE_VARIANTS
void RowRunMomentsInOrder(const float* v, size_t rows, size_t stride, int count, Moments* out) {
    RowRunMomentsOfCount(v, rows, stride, count, out);
}

VISTREL_WIDE_VARIANTS
void RowRunMomentsInOrder(const double* v, size_t rows, size_t stride, int count, Moments* out) {
    RowRunMomentsOfCount(v, rows, stride, count, out);
}

} // namespace

void CRecordingSource::FloatExtremes(const int* channels, int count, uint64_t a, uint64_t b,
                                     uint64_t* minPos, uint64_t* maxPos) const {
    // Blocks of rows: the extremes of each block first, then the first position of the
    // overall extreme inside the one block that holds it.
    constexpr uint64_t kBlock = 256;
    const uint64_t n = static_cast<uint64_t>(m_file->Channels());
    const float* data = reinterpret_cast<const float*>(m_file->DataArea());
    bool inOrder = true;
    for (int i = 0; i < count; ++i) inOrder &= channels[i] == i;
    // Short ranges (the summaries' blocks, the groups of a zoomed-in view): one pass.
    if (b > a && b - a <= 4 * kBlock) {
        if (inOrder)
            ShortRangeExtremesInOrder(data, n, count, a, b, minPos, maxPos);
        else
            ShortRangeExtremes(data, n, count, [channels](int i) { return channels[i]; }, a, b, minPos, maxPos);
        return;
    }
    float runMin[256], runMax[256];
    uint64_t minBlock[256], maxBlock[256];
    const float inf = std::numeric_limits<float>::infinity();
    for (int i = 0; i < count; ++i) {
        runMin[i] = inf;
        runMax[i] = -inf;
        minBlock[i] = maxBlock[i] = a;
        minPos[i] = maxPos[i] = a;
    }
    for (uint64_t start = a; start < b; start += kBlock) {
        const uint64_t end = std::min(b, start + kBlock);
        float mn[256], mx[256];
        std::fill(mn, mn + count, inf);
        std::fill(mx, mx + count, -inf);
        if (inOrder)
            BlockMinMax(data, n, count, [](int i) { return i; }, start, end, mn, mx);
        else
            BlockMinMax(data, n, count, [channels](int i) { return channels[i]; }, start, end, mn, mx);
        for (int i = 0; i < count; ++i) {
            if (mn[i] < runMin[i]) { runMin[i] = mn[i]; minBlock[i] = start; }
            if (mx[i] > runMax[i]) { runMax[i] = mx[i]; maxBlock[i] = start; }
        }
    }
    for (int i = 0; i < count; ++i) {
        const uint64_t c = static_cast<uint64_t>(channels[i]);
        if (runMin[i] < inf)
            for (uint64_t k = minBlock[i]; k < b; ++k)
                if (data[k * n + c] == runMin[i]) { minPos[i] = k; break; }
        if (runMax[i] > -inf)
            for (uint64_t k = maxBlock[i]; k < b; ++k)
                if (data[k * n + c] == runMax[i]) { maxPos[i] = k; break; }
    }
}

void CRecordingSource::RawExtremes(const int* channels, int count, uint64_t a, uint64_t b,
                                   uint64_t* minPos, uint64_t* maxPos) const {
    // SD-card images: walk the count stream sector by sector. Within a sector the counts of
    // one channel lie n apart, so each channel's extremes are taken over a strided run; the
    // first position is then looked up inside the sector that holds the overall extreme. A
    // count of a hole or past the last sector reads as 0, as single reads do.
    b = std::min(b, Samples());
    const uint64_t n = static_cast<uint64_t>(m_file->Channels());
    const uint64_t phase = m_file->Phase();
    int slot[256];
    std::fill(slot, slot + n, -1);
    int runMin[256], runMax[256];
    uint64_t minSector[256], maxSector[256];
    for (int i = 0; i < count; ++i) {
        slot[channels[i]] = i;
        runMin[i] = 65536;
        runMax[i] = -1;
        minPos[i] = maxPos[i] = a;
    }
    if (a >= b || n == 0) return;
    const uint64_t g0 = a * n + phase, g1 = b * n + phase;
    for (uint64_t L = g0 / kSectorCounts; L * kSectorCounts < g1; ++L) {
        const uint64_t base = L * kSectorCounts;
        const uint64_t j0 = std::max(g0, base) - base, j1 = std::min(g1, base + kSectorCounts) - base;
        const uint8_t* counts = SectorCounts(L);
        // Channel of the sector's first count in the range; the next ones follow in turn.
        uint64_t lane = (base + j0 - phase) % n;
        for (uint64_t q = 0; q < n && j0 + q < j1; ++q, lane = lane + 1 == n ? 0 : lane + 1) {
            const uint64_t j = j0 + q;
            const int i = slot[lane];
            if (i < 0) continue;
            int lo = 0, hi = 0;
            if (counts) {
                lo = 65535;
                for (uint64_t jj = j; jj < j1; jj += n) {
                    uint16_t v;
                    std::memcpy(&v, counts + 2 * jj, 2);
                    lo = v < lo ? v : lo;
                    hi = v > hi ? v : hi;
                }
            }
            if (lo < runMin[i]) { runMin[i] = lo; minSector[i] = L; }
            if (hi > runMax[i]) { runMax[i] = hi; maxSector[i] = L; }
        }
    }
    auto locate = [&](uint64_t L, uint64_t c, int target) -> uint64_t {
        const uint64_t base = L * kSectorCounts;
        const uint64_t j0 = std::max(g0, base) - base, j1 = std::min(g1, base + kSectorCounts) - base;
        const uint8_t* counts = SectorCounts(L);
        // The channel's first count in the sector, then every n-th.
        const uint64_t lane = (base + j0 - phase) % n;
        for (uint64_t j = j0 + (c + n - lane) % n; j < j1; j += n) {
            uint16_t v = 0;
            if (counts) std::memcpy(&v, counts + 2 * j, 2);
            if (v == target) return (base + j - phase) / n;
        }
        return a;
    };
    for (int i = 0; i < count; ++i) {
        const uint64_t c = static_cast<uint64_t>(channels[i]);
        if (runMin[i] <= 65535) minPos[i] = locate(minSector[i], c, runMin[i]);
        if (runMax[i] >= 0) maxPos[i] = locate(maxSector[i], c, runMax[i]);
    }
}

const uint8_t* CRecordingSource::SectorCounts(uint64_t L) const {
    const uint32_t* map = m_file->SectorMap();
    if (!map || L >= m_file->LogicalSectors() || map[L] == 0xFFFFFFFFu) return nullptr;
    return m_file->DataArea() + 256ull * map[L] + 8;
}

} // namespace vistrel

namespace vistrel {

void CRecordingSource::ReadValues(uint64_t k0, size_t rows, int c, double* out) const {
    const uint64_t N = Samples();
    const size_t inside = k0 < N ? static_cast<size_t>(std::min<uint64_t>(rows, N - k0)) : 0;
    std::fill(out + inside, out + rows, 0.0);
    if (!m_file || !m_file->DataArea() || c < 0 || c >= Channels() || inside == 0) {
        ISampleSource::ReadValues(k0, inside, c, out);
        return;
    }
    if (m_file->Type() == 1) {
        const uint64_t n = static_cast<uint64_t>(m_file->Channels());
        const float* p = reinterpret_cast<const float*>(m_file->DataArea()) + k0 * n + static_cast<unsigned>(c);
        for (size_t i = 0; i < inside; ++i) out[i] = p[i * n];
        return;
    }
    // SD image: through the conversion tables, a sector at a time.
    long double buf[256];
    for (size_t done = 0; done < inside;) {
        const size_t part = std::min<size_t>(256, inside - done);
        m_file->ReadRun(k0 + done, part, c, buf);
        for (size_t i = 0; i < part; ++i) out[done + i] = static_cast<double>(buf[i]);
        done += part;
    }
}

void CRecordingSource::FindMoments(const int* channels, int count, uint64_t a, uint64_t b, Moments* out) const {
    if (!m_file || !m_file->DataArea() || b > Samples() || count <= 0 || count > 256) {
        ISampleSource::FindMoments(channels, count, a, b, out);
        return;
    }
    // Runs of 256 rows, every listed channel at once (in two passes over the run while it
    // sits in the cache), merged in order: float recordings straight from the mapping, SD
    // images through one walk of their sectors per run for all channels.
    constexpr uint64_t kRun = 256;
    const uint64_t n = static_cast<uint64_t>(m_file->Channels());
    bool inOrder = true;
    for (int i = 0; i < count; ++i) inOrder &= channels[i] == i;
    auto listed = [channels](int i) { return channels[i]; };
    Moments run[256];
    for (int i = 0; i < count; ++i) out[i] = Moments{};
    if (m_file->Type() == 1) {
        const float* data = reinterpret_cast<const float*>(m_file->DataArea());
        for (uint64_t k = a; k < b; k += kRun) {
            const size_t rows = static_cast<size_t>(std::min(kRun, b - k));
            if (inOrder)
                RowRunMomentsInOrder(data + k * n, rows, static_cast<size_t>(n), count, run);
            else
                RowRunMoments(data + k * n, rows, static_cast<size_t>(n), count, listed, run);
            for (int i = 0; i < count; ++i) out[i].Merge(run[i]);
        }
        return;
    }
    // The values as ReadValues gives them (SampleValue, then double), rows of `count`.
    // Kept by each thread between calls: the summary build asks for one run at a time.
    thread_local std::vector<long double> exact;
    thread_local std::vector<double> values;
    exact.resize(std::max(exact.size(), kRun * static_cast<size_t>(count)));
    values.resize(exact.size());
    for (uint64_t k = a; k < b; k += kRun) {
        const size_t rows = static_cast<size_t>(std::min(kRun, b - k));
        m_file->ReadRows(k, rows, channels, count, exact.data());
        for (size_t j = 0; j < rows * static_cast<size_t>(count); ++j) values[j] = static_cast<double>(exact[j]);
        RowRunMomentsInOrder(values.data(), rows, static_cast<size_t>(count), count, run);
        for (int i = 0; i < count; ++i) out[i].Merge(run[i]);
    }
}

} // namespace vistrel
