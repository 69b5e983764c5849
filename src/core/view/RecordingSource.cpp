#include "core/view/RecordingSource.h"

#include <algorithm>
#include <cstring>
#include <limits>

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
    // Float recordings: one pass over the rows of [a, b) for all channels at once.
    b = std::min(b, Samples());
    const uint64_t n = static_cast<uint64_t>(m_file->Channels());
    const uint8_t* data = m_file->DataArea();
    float mn[256], mx[256];
    for (int i = 0; i < count; ++i) {
        mn[i] = std::numeric_limits<float>::infinity();
        mx[i] = -mn[i];
        minPos[i] = maxPos[i] = a;
    }
    for (uint64_t k = a; k < b; ++k) {
        const uint8_t* row = data + 4 * k * n;
        for (int i = 0; i < count; ++i) {
            float v;
            std::memcpy(&v, row + 4 * static_cast<unsigned>(channels[i]), 4);
            if (v < mn[i]) { mn[i] = v; minPos[i] = k; }
            if (v > mx[i]) { mx[i] = v; maxPos[i] = k; }
        }
    }
}

void CRecordingSource::RawExtremes(const int* channels, int count, uint64_t a, uint64_t b,
                                   uint64_t* minPos, uint64_t* maxPos) const {
    // SD-card images: walk the count stream sector by sector instead of looking up every
    // count; a count of a hole or past the last sector reads as 0, as single reads do.
    b = std::min(b, Samples());
    const int n = m_file->Channels();
    int slot[256];
    std::fill(slot, slot + n, -1);
    uint16_t mn[256], mx[256];
    for (int i = 0; i < count; ++i) {
        slot[channels[i]] = i;
        mn[i] = 65535;
        mx[i] = 0;
        minPos[i] = maxPos[i] = a;
    }
    if (a >= b) return;
    const uint32_t* map = m_file->SectorMap();
    const uint64_t logical = m_file->LogicalSectors();
    const uint8_t* data = m_file->DataArea();
    uint64_t g = a * static_cast<uint64_t>(n) + m_file->Phase();
    const uint64_t end = b * static_cast<uint64_t>(n) + m_file->Phase();
    uint64_t k = a;
    int c = 0;
    while (g < end) {
        const uint64_t L = g / kSectorCounts;
        uint64_t r = g % kSectorCounts;
        const uint64_t stop = std::min<uint64_t>(end - g, kSectorCounts - r);
        const uint8_t* counts = nullptr;
        if (map && L < logical && map[L] != 0xFFFFFFFFu) counts = data + 256ull * map[L] + 8;
        for (uint64_t j = 0; j < stop; ++j, ++r) {
            const int i = slot[c];
            if (i >= 0) {
                uint16_t v = 0;
                if (counts) std::memcpy(&v, counts + 2 * r, 2);
                if (v < mn[i]) { mn[i] = v; minPos[i] = k; }
                if (v > mx[i]) { mx[i] = v; maxPos[i] = k; }
            }
            if (++c == n) { c = 0; ++k; }
        }
        g += stop;
    }
}

} // namespace vistrel
