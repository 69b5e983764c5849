// CDataFile: SD-card images: the SD header and calibration, the rebuilding of the
// ring order into a sector map, and the reading of counts through that map.
#include "core/recording/DataFile.h"

#include "core/common/StringIds.h"
#include "core/recording/DataFileParts.h"
#include "core/recording/TimeBase.h"
#include "platform/TimeZone.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>

namespace vistrel {

using namespace kvf;
using datafile::Cursor;
using datafile::LogValue;

int CDataFile::ParseType6(const std::uint8_t* data, std::uint64_t size)
{
    Cursor cur{data, size, m_nHeaderLength};
    m_nDevices = 1;
    if (!cur.Read(m_sdHeader, kSdHeaderSize)) return Fail(OpenError::Truncated);
    const std::uint8_t modeFlags = m_sdHeader[kSdMode];
    const bool twoChannel = (modeFlags & 4) != 0;
    LogValue("2-channel mode", modeFlags & 4);

    const int d = static_cast<std::int8_t>(m_sdHeader[kSdDescCount]);
    if (d <= 0 || d > kMaxDescriptors) return Fail(OpenError::BadDescriptors);
    const int n = twoChannel ? 2 * d : d;
    m_nChannels = n;
    m_nChannelsPerDevice = d;

    const float adcRange = Get<float>(m_sdHeader + kSdAdcRange);
    auto kdev = [&](int e) { return Get<std::uint32_t>(m_sdHeader + kSdKdev + 4 * e); };
    auto table = [&](int offset, int e) { return Get<float>(m_sdHeader + offset + 4 * e); };
    auto descriptor = [&](int i) { return Get<std::uint16_t>(m_sdHeader + kSdDescriptors + 2 * i); };

    for (int i = 0; i < n; ++i) {
        const std::uint16_t desc = descriptor(twoChannel ? i / 2 : i);
        const int p = desc & 0xFF;
        int number, gain, set;
        if (!twoChannel || i % 2 == 0) {
            number = twoChannel ? 2 * p + 1 : p + 1;
            gain = (desc >> 8) & 3;
            set = 0;
        } else {
            number = 2 * p + 2;
            gain = (desc >> 11) & 3;
            set = 1;
        }
        if (p == 0) number = i + 1;
        m_gainIndex[i] = gain;
        m_calSet[i] = set;
        const int e = gain + 1;
        m_calB[i] = set == 0 ? table(kSdB1cal, e) : table(kSdB2cal, e);
        m_calK[i] = set == 0 ? table(kSdK1cal, e) : table(kSdK2cal, e);
        // A zero divisor would give an infinite range; the channel then shows the full ADC range.
        const std::uint32_t div = kdev(e);
        const double range = div ? static_cast<double>(adcRange) / div : static_cast<double>(adcRange);
        SetChannel(i, number, -range, range);
    }
    m_countScale = static_cast<long double>(adcRange) / 32768.0L;

    if (g_log) {
        for (int i = 0; i < n; ++i) {
            const std::uint16_t desc = descriptor(i);
            g_log->WriteFormat("Chan.=%02d K1=%d K2=%d NGain=%d", desc & 0xFF, (desc >> 8) & 3,
                               (desc >> 11) & 3, m_gainIndex[i]);
        }
        std::string line = "Kdev=";
        char buf[64];
        for (int e = 0; e < 5; ++e) {
            std::snprintf(buf, sizeof buf, "%-5u ", kdev(e));
            line += buf;
        }
        g_log->WriteLine(line);
        g_log->WriteFormat("ADC Range = %-8.3f", static_cast<double>(adcRange));
        const std::pair<const char*, int> tables[] = {
            {"K1cal=", kSdK1cal}, {"B1cal=", kSdB1cal}, {"K2cal=", kSdK2cal}, {"B2cal=", kSdB2cal}};
        for (auto [name, offset] : tables) {
            line = name;
            for (int e = 0; e < 5; ++e) {
                std::snprintf(buf, sizeof buf, "%-8.3f ", static_cast<double>(table(offset, e)));
                line += buf;
            }
            g_log->WriteLine(line);
        }
    }

    // Optional ADC block with the display settings.
    if (!cur.Has(12)) return Fail(OpenError::Truncated);
    if (std::memcmp(data + cur.pos, "ADCBLOCK", 8) == 0) {
        cur.Read(m_adcBlock, 12);
        m_nAdcFlags = Get<std::uint32_t>(m_adcBlock + 8);
        int imageSize = 12;
        if (m_nAdcFlags & kAdcColours) {
            if (!cur.Read(m_adcBlock + 12, 4ULL * n + 4)) return Fail(OpenError::Truncated);
            imageSize += 4 * n + 4;
        }
        if (m_nAdcFlags & kAdcWidths) {
            // Width words follow the colours; without colours they still go to the place
            // where the display settings are read from (behind the selected channel slot).
            if (imageSize == 12) imageSize = 16;
            if (!cur.Read(m_adcBlock + imageSize, 4ULL * n)) return Fail(OpenError::Truncated);
            imageSize += 4 * n;
        }
        m_nAdcBlockSize = imageSize;
    }
    if (!cur.Read(m_samplesRecord, kSamplesRecordSize)) return Fail(OpenError::Truncated);
    m_nHeaderLength = static_cast<std::uint32_t>(cur.pos);
    return 1;
}

int CDataFile::BuildSectorMap(const std::uint8_t* data)
{
    const std::uint64_t size = m_nFileSize;
    const std::uint64_t H = m_nHeaderLength;
    // Sectors counted from the end of a plain 512-byte header, but never more than lie
    // wholly inside the file behind the actual header (an ADC block makes it longer).
    std::uint64_t s64 = size / kSectorBytes >= 2 ? size / kSectorBytes - 2 : 0;
    s64 = std::min<std::uint64_t>(s64, (size - H) / kSectorBytes);
    if (s64 == 0) return Fail(OpenError::SdNoSectors);
    if (s64 >= kUnwritten) return Fail(OpenError::SdBadRing);
    const std::uint32_t S = static_cast<std::uint32_t>(s64);
    m_nSectors = S;
    const std::uint8_t* sectors = data + H;
    auto sn = [&](std::uint64_t k) { return Get<std::uint32_t>(sectors + kSectorBytes * k); };

    const std::uint32_t first = sn(0);
    if (first == kUnwritten) return Fail(OpenError::SdEmpty, IDS_SD_EMPTY);

    std::uint32_t lo = 0, hi = S - 1, b;
    if (first == 0 && sn(hi) != kUnwritten) {
        b = S;
    } else {
        while (hi - lo > 16) {
            const std::uint32_t mid = static_cast<std::uint32_t>((std::uint64_t(lo) + hi) / 2);
            const std::uint32_t v = sn(mid);
            if (v == kUnwritten || v < sn(lo))
                hi = mid;
            else
                lo = mid;
        }
        const std::uint32_t base = sn(lo);
        b = lo + 1;
        while (b <= hi) {
            const std::uint32_t v = sn(b);
            if (v - base > S / 2 || v < base) break;
            ++b;
        }
    }

    std::uint32_t m, last, f, B;
    std::int64_t timeOffset = 0;
    const bool wrapped = first != 0;
    if (!wrapped) {
        last = b - 1;
        m = sn(last) + 1;
        f = 0;
        B = 0;
    } else {
        const std::uint32_t newest = sn(b - 1);
        f = b % S;
        const std::uint32_t oldest = sn(f);
        m = newest - oldest + 1;
        last = S - 1;
        B = oldest;
        if (newest < oldest) m = 0;
    }
    if (m == 0) return Fail(OpenError::SdBadRing);
    // Gaps in the sector numbers become holes; the map is bounded all the same.
    const std::uint64_t mapLimit = std::max<std::uint64_t>(2ULL * S + 16, kMaxSectorMapEntries);
    if (std::uint64_t(m) > mapLimit) return Fail(OpenError::SdMapTooLarge, IDS_SD_MAP_TOO_LARGE);
    // The stream of logical sector 0 begins at count B·124 of the recording; its first whole
    // frame (sample 0) is recorder frame ceil(B·124 / n), which sets the phase and the start
    // time. 64-bit: large cards exceed 2^32 counts.
    const std::uint64_t n = static_cast<std::uint64_t>(m_nChannels);
    const std::uint64_t streamStart = std::uint64_t(B) * kCountsPerSector;
    m_nPhase = static_cast<std::uint32_t>((n - streamStart % n) % n);
    if (wrapped) {
        const std::uint64_t skipped = (streamStart + m_nPhase) / n;
        timeOffset = TruncToInt64(static_cast<double>(skipped) / static_cast<double>(m_fRate) * 1e7);
    }

    try {
        m_pSectorMap.assign(m, kUnwritten);
    } catch (const std::bad_alloc&) {
        return Fail(OpenError::SdBadRing);
    }
    if (last == m - 1) {
        std::uint32_t p = f;
        for (std::uint32_t i = 0; i <= last; ++i) {
            m_pSectorMap[i] = p;
            if (++p == S) p = 0;
        }
    } else {
        if (m_hOwner) m_hOwner->ProgressTitle(IDS_PROGRESS_READ);
        int shown = -1;
        const std::uint64_t total = std::uint64_t(last) + 1;
        std::uint32_t p = f;
        for (std::uint32_t i = 0; i <= last; ++i, p = (p + 1 == S) ? 0 : p + 1) {
            const std::uint32_t e = sn(p) - B;
            if (e < m) m_pSectorMap[e] = p;
            const int pct = static_cast<int>(std::uint64_t(i) * 100 / total);
            if (pct != shown) {
                shown = pct;
                if (m_hOwner) m_hOwner->Progress(pct);
            }
        }
        if (m_hOwner) m_hOwner->Progress(100);
    }

    if (g_log) {
        g_log->WriteFormat("Number of 256-bytes sectors in SD file =%10u(%08x)", S, S);
        g_log->WriteFormat("Number of data sectors include holes  =%10u(%08x)", m, m);
        if (wrapped)
            g_log->WriteFormat("The first sector of cyclebuffer =%10u(%08x)", f, f);
        else
            g_log->WriteFormat("Number of data sectors exclude holes =%10u(%08x)", last + 1, last + 1);
    }

    m_nLogicalSectors = m;

    // Start time: the local time of the SD header made UTC by the base bias, plus the
    // duration of the overwritten part. An impossible date keeps the file's own time.
    const std::uint8_t* t = m_sdHeader + kSdTime;
    FileTimeParts parts;
    parts.year = 2000 + t[5];
    parts.month = t[4];
    parts.day = t[3];
    parts.hour = t[2];
    parts.minute = t[1];
    parts.second = t[0];
    std::int64_t local = 0;
    const std::int64_t bias = static_cast<std::int64_t>(platform::TimeZoneBiasMinutes()) * kUnitsPerMinute;
    if (MakeFileTime(parts, local))
        m_ftStart = SaturatingAdd(local + bias, timeOffset);
    else
        m_ftStart = SaturatingAdd(m_ftStart, timeOffset);
    return 1;
}

// The calibration formula in extended precision, in this order: subtract, divide, multiply.
// The tables hold exactly these values.
long double CDataFile::SdConvert(std::uint16_t count, int c) const
{
    const long double x = static_cast<long double>(count) - 32768.0L;
    switch (m_calSet[c]) {
    case 0:
    case 1: return (x - m_calB[c]) / m_calK[c] * m_countScale;
    default: return x;
    }
}

long double CDataFile::SdValueByFormula(std::uint64_t k, int c) const
{
    if (m_nType != 6 || k >= static_cast<std::uint64_t>(m_nSamples) ||
        static_cast<unsigned>(c) >= static_cast<unsigned>(m_nChannels))
        return 0;
    return SdConvert(RawCount(k, c), c);
}

// One table of 65 536 values per (calibration set, gain) that some channel uses; channels
// of one combination share it. Without the memory the formula serves every read.
void CDataFile::BuildSdTables()
{
    constexpr std::size_t kCounts = 65536;
    int key[kMaxChannels];
    int firstOf[kMaxChannels];
    int tables = 0;
    for (int c = 0; c < m_nChannels; ++c) {
        key[c] = -1;
        for (int t = 0; t < tables; ++t)
            if (m_calSet[firstOf[t]] == m_calSet[c] && m_gainIndex[firstOf[t]] == m_gainIndex[c]) key[c] = t;
        if (key[c] < 0) {
            firstOf[tables] = c;
            key[c] = tables++;
        }
    }
    try {
        m_sdTableStore.assign(kCounts * static_cast<std::size_t>(tables), 0.0L);
        m_sdFloatStore.assign(kCounts * static_cast<std::size_t>(tables), 0.0f);
    } catch (const std::bad_alloc&) {
        m_sdTableStore.clear();
        m_sdFloatStore.clear();
        return;
    }
    for (int t = 0; t < tables; ++t) {
        long double* table = m_sdTableStore.data() + kCounts * static_cast<std::size_t>(t);
        float* rounded = m_sdFloatStore.data() + kCounts * static_cast<std::size_t>(t);
        for (std::size_t v = 0; v < kCounts; ++v) {
            table[v] = SdConvert(static_cast<std::uint16_t>(v), firstOf[t]);
            rounded[v] = static_cast<float>(table[v]);
        }
    }
    for (int c = 0; c < m_nChannels; ++c) {
        m_sdTable[c] = m_sdTableStore.data() + kCounts * static_cast<std::size_t>(key[c]);
        m_sdFloatTable[c] = m_sdFloatStore.data() + kCounts * static_cast<std::size_t>(key[c]);
    }
}

void CDataFile::ReleaseSdTables()
{
    for (const long double*& table : m_sdTable) table = nullptr;
    for (const float*& table : m_sdFloatTable) table = nullptr;
    m_sdTableStore.clear();
    m_sdTableStore.shrink_to_fit();
    m_sdFloatStore.clear();
    m_sdFloatStore.shrink_to_fit();
}

std::uint16_t CDataFile::RawCount(std::uint64_t k, int c) const
{
    if (m_nType != 6 || k >= static_cast<std::uint64_t>(m_nSamples) ||
        static_cast<unsigned>(c) >= static_cast<unsigned>(m_nChannels))
        return 0;
    return SdCountAt(k * static_cast<std::uint64_t>(m_nChannels) + m_nPhase + static_cast<unsigned>(c));
}

// Counts of logical sector L, or null for a hole or a sector past the last one.
const std::uint8_t* CDataFile::SdSectorCounts(std::uint64_t L) const
{
    if (L >= m_nLogicalSectors) return nullptr;
    const std::uint32_t p = m_pSectorMap[L];
    if (p == kUnwritten) return nullptr;
    return m_pData + std::uint64_t(kSectorBytes) * p + 8;
}

} // namespace vistrel
