// CDataFile: reading runs and rows of samples, and access hints for the mapping.
#include "core/recording/DataFile.h"

#include <algorithm>
#include <type_traits>

namespace vistrel {

using namespace kvf;

namespace {

// Rows of n counts (every channel, in order) into floats through each channel's table. With
// the width fixed at compile time the channel loop unrolls: no lane counter, and the loads of
// consecutive rows overlap.
template <unsigned N>
void LookUpRows(const std::uint16_t* counts, std::size_t rows, const float* const* tables, float* out)
{
    const float* t[N];
    for (unsigned c = 0; c < N; ++c) t[c] = tables[c];
    for (std::size_t k = 0; k < rows; ++k, counts += N, out += N)
        for (unsigned c = 0; c < N; ++c) out[c] = t[c][counts[c]];
}

void LookUpRows(unsigned n, const std::uint16_t* counts, std::size_t rows, const float* const* tables, float* out)
{
    switch (n) {
    case 1: return LookUpRows<1>(counts, rows, tables, out);
    case 2: return LookUpRows<2>(counts, rows, tables, out);
    case 3: return LookUpRows<3>(counts, rows, tables, out);
    case 4: return LookUpRows<4>(counts, rows, tables, out);
    case 6: return LookUpRows<6>(counts, rows, tables, out);
    case 8: return LookUpRows<8>(counts, rows, tables, out);
    default:
        for (std::size_t k = 0; k < rows; ++k, counts += n, out += n)
            for (unsigned c = 0; c < n; ++c) out[c] = tables[c][counts[c]];
    }
}

} // namespace

// The table entry is copied as bytes: loading and storing an extended-precision value through
// the floating-point unit costs several times more.
inline void CDataFile::CopyValue(long double* out, const long double* table, std::uint16_t count, int c) const
{
    if (table)
        std::memcpy(out, table + count, sizeof(long double));
    else
        *out = SdConvert(count, c);
}

void CDataFile::ReadRun(std::uint64_t k0, std::size_t count, int c, long double* out) const
{
    const std::uint64_t N = m_nSamples > 0 ? static_cast<std::uint64_t>(m_nSamples) : 0;
    std::size_t inside = 0;
    if (k0 < N && static_cast<unsigned>(c) < static_cast<unsigned>(m_nChannels))
        inside = static_cast<std::size_t>(std::min<std::uint64_t>(count, N - k0));
    std::fill(out + inside, out + count, 0.0L);
    if (inside == 0) return;
    const std::uint64_t n = static_cast<std::uint64_t>(m_nChannels);
    if (m_nType == 1) {
        const std::uint8_t* p = m_pData + 4 * (k0 * n + static_cast<unsigned>(c));
        for (std::size_t i = 0; i < inside; ++i, p += 4 * n) {
            float v;
            std::memcpy(&v, p, 4);
            out[i] = v;
        }
        return;
    }
    // SD image: position (L, r) in the count stream, stepped by n counts; a step crosses at
    // most one sector border since n < 124.
    const std::uint64_t g = k0 * n + m_nPhase + static_cast<unsigned>(c);
    std::uint64_t L = g / kCountsPerSector;
    std::uint64_t r = g - L * kCountsPerSector;
    const std::uint8_t* counts = SdSectorCounts(L);
    const long double* table = m_sdTable[c];
    for (std::size_t i = 0; i < inside; ++i) {
        std::uint16_t v = 0;
        if (counts) std::memcpy(&v, counts + 2 * r, 2);
        CopyValue(out + i, table, v, c);
        r += n;
        while (r >= static_cast<std::uint64_t>(kCountsPerSector)) {
            r -= kCountsPerSector;
            counts = SdSectorCounts(++L);
        }
    }
}

void CDataFile::ReadRow(std::uint64_t k, const int* channels, int count, long double* out) const
{
    ReadSdRows(k, 1, channels, count, out);
}

void CDataFile::ReadRows(std::uint64_t k0, std::size_t rows, const int* channels, int count, long double* out) const
{
    ReadSdRows(k0, rows, channels, count, out);
}

void CDataFile::ReadRows(std::uint64_t k0, std::size_t rows, const int* channels, int count, float* out) const
{
    ReadSdRows(k0, rows, channels, count, out);
}

template <class T>
void CDataFile::ReadSdRows(std::uint64_t k0, std::size_t rows, const int* channels, int count, T* out) const
{
    const std::uint64_t N = m_nSamples > 0 ? static_cast<std::uint64_t>(m_nSamples) : 0;
    const std::size_t inside = k0 < N ? static_cast<std::size_t>(std::min<std::uint64_t>(rows, N - k0)) : 0;
    std::fill(out + inside * static_cast<std::size_t>(count), out + rows * static_cast<std::size_t>(count), T(0));
    bool tables = m_nType == 6 && m_sdTable[0] != nullptr;
    for (int i = 0; i < count; ++i)
        tables = tables && static_cast<unsigned>(channels[i]) < static_cast<unsigned>(m_nChannels);
    if (!tables) {
        for (std::size_t r = 0; r < inside; ++r)
            for (int i = 0; i < count; ++i)
                *out++ = static_cast<T>(SampleValue(k0 + r, channels[i]));
        return;
    }
    // Each row's n counts are copied out of the count stream (split where a row crosses a
    // sector border, zeros for holes), then looked up in the channel's table.
    const long double* exact[kMaxChannels];
    const float* rounded[kMaxChannels];
    for (int i = 0; i < count; ++i) {
        exact[i] = m_sdTable[channels[i]];
        rounded[i] = m_sdFloatTable[channels[i]];
    }
    const unsigned n = static_cast<unsigned>(m_nChannels);
    const std::uint64_t g = k0 * n + m_nPhase;
    std::uint64_t L = g / kCountsPerSector;
    unsigned r = static_cast<unsigned>(g - L * kCountsPerSector);
    const std::uint8_t* sector = SdSectorCounts(L);
    bool wholeRows = count == m_nChannels;
    for (int i = 0; wholeRows && i < count; ++i) wholeRows = channels[i] == i;
    if constexpr (std::is_same_v<T, float>) {
        if (wholeRows) {
            // A block of rows' counts is gathered out of its sectors (zeros for holes) into one
            // run, then converted row by row.
            constexpr std::size_t kBlockCounts = 8192;
            std::uint16_t block[kBlockCounts];
            const std::size_t blockRows = kBlockCounts / n;
            for (std::size_t done = 0; done < inside;) {
                const std::size_t rows = std::min(blockRows, inside - done);
                std::size_t have = 0;
                while (have < rows * n) {
                    const std::size_t take = std::min<std::size_t>(rows * n - have, kCountsPerSector - r);
                    if (sector)
                        std::memcpy(block + have, sector + 2 * r, 2 * take);
                    else
                        std::fill(block + have, block + have + take, std::uint16_t(0));
                    have += take;
                    r += static_cast<unsigned>(take);
                    if (r == static_cast<unsigned>(kCountsPerSector)) {
                        r = 0;
                        sector = SdSectorCounts(++L);
                    }
                }
                LookUpRows(n, block, rows, rounded, out);
                out += rows * n;
                done += rows;
            }
            return;
        }
    }
    if (wholeRows) {
        // Every channel in order: the output follows the count stream itself, a sector at a
        // time, each count looked up in the table of its channel.
        std::uint64_t left = static_cast<std::uint64_t>(inside) * n;
        unsigned lane = 0;
        while (left > 0) {
            const unsigned take = static_cast<unsigned>(
                std::min<std::uint64_t>(left, static_cast<unsigned>(kCountsPerSector) - r));
            static const std::uint8_t zeros[2 * kCountsPerSector] = {};
            const std::uint8_t* counts = (sector ? sector : zeros) + 2 * r; // a hole reads zeros
            for (unsigned j = 0; j < take; ++j) {
                std::uint16_t v;
                std::memcpy(&v, counts + 2 * j, 2);
                if constexpr (std::is_same_v<T, float>)
                    *out++ = rounded[lane][v];
                else
                    std::memcpy(out++, exact[lane] + v, sizeof(long double));
                lane = lane + 1 == n ? 0 : lane + 1;
            }
            left -= take;
            r += take;
            if (r == static_cast<unsigned>(kCountsPerSector)) {
                r = 0;
                sector = SdSectorCounts(++L);
            }
        }
        return;
    }
    std::uint16_t row[kMaxChannels];
    for (std::size_t k = 0; k < inside; ++k) {
        unsigned done = 0;
        while (done < n) {
            const unsigned take = std::min(n - done, static_cast<unsigned>(kCountsPerSector) - r);
            if (sector)
                std::memcpy(row + done, sector + 2 * r, 2 * take);
            else
                std::fill(row + done, row + done + take, std::uint16_t(0));
            done += take;
            r += take;
            if (r == static_cast<unsigned>(kCountsPerSector)) {
                r = 0;
                sector = SdSectorCounts(++L);
            }
        }
        for (int i = 0; i < count; ++i) {
            const std::uint16_t v = row[channels[i]];
            if constexpr (std::is_same_v<T, float>)
                *out++ = rounded[i][v];
            else
                std::memcpy(out++, exact[i] + v, sizeof(long double));
        }
    }
}

void CDataFile::AdviseRandom() const
{
    if (!m_bOpen || m_nFileSize <= m_nHeaderLength) return;
    m_map.Advise(m_nHeaderLength, m_nFileSize - m_nHeaderLength, platform::CMappedFile::Access::Random);
}

void CDataFile::AdviseSequential(std::uint64_t k0, std::uint64_t k1) const
{
    AdviseRange(k0, k1, platform::CMappedFile::Access::Sequential);
}

void CDataFile::AdviseWillNeed(std::uint64_t k0, std::uint64_t k1) const
{
    AdviseRange(k0, k1, platform::CMappedFile::Access::WillNeed);
}

void CDataFile::AdvisePopulate(std::uint64_t k0, std::uint64_t k1) const
{
    AdviseRange(k0, k1, platform::CMappedFile::Access::Populate);
}

void CDataFile::AdviseDone(std::uint64_t k0, std::uint64_t k1) const
{
    AdviseRange(k0, k1, platform::CMappedFile::Access::Done);
}

void CDataFile::AdviseRange(std::uint64_t k0, std::uint64_t k1, platform::CMappedFile::Access access) const
{
    const std::uint64_t N = m_nSamples > 0 ? static_cast<std::uint64_t>(m_nSamples) : 0;
    k1 = std::min(k1, N);
    if (!m_bOpen || k0 >= k1) return;
        const std::uint64_t n = static_cast<std::uint64_t>(m_nChannels);
    if (m_nType == 1) {
        m_map.Advise(m_nHeaderLength + 4 * k0 * n, 4 * (k1 - k0) * n, access);
        return;
    }
    // SD image: the logical sectors of the fragment, as runs of consecutive physical sectors
    // (two runs where the ring wraps, more around holes).
    const std::uint64_t L0 = (k0 * n + m_nPhase) / kCountsPerSector;
    const std::uint64_t L1 = std::min<std::uint64_t>((k1 * n + m_nPhase - 1) / kCountsPerSector + 1, m_nLogicalSectors);
    std::uint64_t runStart = 0, runEnd = 0; // physical sectors [runStart, runEnd)
    auto flush = [&] {
        if (runEnd > runStart)
            m_map.Advise(m_nHeaderLength + kSectorBytes * runStart, kSectorBytes * (runEnd - runStart),
                         access);
    };
    for (std::uint64_t L = L0; L < L1; ++L) {
        const std::uint32_t p = m_pSectorMap[L];
        if (p == kUnwritten) continue;
        if (p != runEnd) {
            flush();
            runStart = p;
        }
        runEnd = std::uint64_t(p) + 1;
    }
    flush();
}

} // namespace vistrel
