#include "core/recording/DataFile.h"

#include "core/common/DebugLog.h"
#include "core/common/StringIds.h"
#include "core/recording/DisplayDefaults.h"
#include "core/recording/TempResults.h"
#include "core/recording/TimeBase.h"
#include "platform/FileTimes.h"
#include "platform/TimeZone.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <new>
#include <string>

namespace vistrel {

using namespace kvf;

const char* OpenErrorText(OpenError error)
{
    switch (error) {
    case OpenError::None: return "no error";
    case OpenError::CannotOpen: return "the file cannot be opened";
    case OpenError::BadSignature: return "not a recording (wrong signature)";
    case OpenError::BadType: return "unknown sample type (only 1 and 6 are read)";
    case OpenError::BadChannels: return "invalid channel count (must be 1 to 256)";
    case OpenError::BadDevices: return "invalid device count (must divide the channel count)";
    case OpenError::BadDescriptors: return "invalid SD channel descriptor count (must be 1 to 53)";
    case OpenError::AdcBlockTooLong: return "display settings block longer than 8192 bytes";
    case OpenError::Truncated: return "the file is shorter than its header";
    case OpenError::BadRate: return "invalid sampling rate";
    case OpenError::MappingFailed: return "the file cannot be mapped into memory";
    case OpenError::SdNoSectors: return "SD image without data sectors";
    case OpenError::SdEmpty: return "SD image whose first sector was never written";
    case OpenError::SdBadRing: return "SD sector numbers do not form a ring";
    }
    return "unknown error";
}

namespace {

void LogValue(std::string_view key, std::int32_t value)
{
    if (g_log) g_log->WriteValue(key, value);
}

// Sequential reader over the bytes of the header.
struct Cursor {
    const std::uint8_t* data;
    std::uint64_t size;
    std::uint64_t pos = 0;

    bool Read(void* dst, std::uint64_t n)
    {
        if (n > size || pos > size - n) return false;
        std::memcpy(dst, data + pos, static_cast<size_t>(n));
        pos += n;
        return true;
    }
    bool Has(std::uint64_t n) const { return n <= size && pos <= size - n; }
};

bool NameStartsWithTilde(const std::filesystem::path& path)
{
    auto name = path.filename().native();
    return !name.empty() && name[0] == '~';
}

} // namespace

CDataFile::CDataFile(IOpenObserver* owner) : m_hOwner(owner)
{
    Reset();
    m_bOpen = 0;
    std::memset(&m_save, 0, sizeof m_save);
}

CDataFile::~CDataFile() { Close(); }

void CDataFile::Reset()
{
    m_szPath.clear();
    std::memset(m_signature, 0, sizeof m_signature);
    std::memset(m_format, 0, sizeof m_format);
    std::memset(m_chInfoHeader, 0, sizeof m_chInfoHeader);
    std::memset(m_chInfoHead, 0, sizeof m_chInfoHead);
    std::memset(m_channels, 0, sizeof m_channels);
    std::memset(m_carried, 0, sizeof m_carried);
    std::memset(m_sdHeader, 0, sizeof m_sdHeader);
    std::memset(m_samplesRecord, 0, sizeof m_samplesRecord);
    std::memset(m_adcBlock, 0xFF, sizeof m_adcBlock);
    std::memset(m_gainIndex, 0, sizeof m_gainIndex);
    std::memset(m_calSet, 0, sizeof m_calSet);
    for (int i = 0; i < kMaxChannels; ++i) {
        m_calB[i] = 0;
        m_calK[i] = 1;
    }
    m_countScale = 0;
    m_nAdcBlockSize = 0;
    m_nAdcFlags = 0;
    m_nChannels = 0;
    m_nDevices = 0;
    m_nChannelsPerDevice = 0;
    m_nType = 0;
    m_nSamples = 0;
    m_nHeaderLength = 0;
    m_deviceMask = 0;
    m_pSectorMap.clear();
    m_pSectorMap.shrink_to_fit();
    m_nSectors = 0;
    m_nLogicalSectors = 0;
    m_nPhase = 0;
    m_nFileSize = 0;
    m_pData = nullptr;
    m_fRate = 0.0f;
    m_ftStart = 0;
    m_lastError = OpenError::None;
}

int CDataFile::Fail(OpenError error, int stringId)
{
    m_lastError = error;
    if (stringId && m_hOwner) m_hOwner->Error(stringId);
    m_map.Close();
    m_pSectorMap.clear();
    m_pData = nullptr;
    m_nSamples = 0;
    m_bOpen = 0;
    return 0;
}

int CDataFile::Mode() const
{
    if (m_nType == 6) return m_sdHeader[kSdMode];
    return static_cast<std::int8_t>(m_format[kFmtMode]);
}

ChannelEntry CDataFile::Channel(int i) const
{
    ChannelEntry e;
    if (i < 0 || i >= kMaxChannels) return e;
    const std::uint8_t* p = m_channels + i * kChannelEntrySize;
    e.number = Get<std::int32_t>(p);
    e.low = Get<double>(p + 4);
    e.high = Get<double>(p + 12);
    return e;
}

void CDataFile::SetChannel(int i, std::int32_t number, double low, double high)
{
    std::uint8_t* p = m_channels + i * kChannelEntrySize;
    Put(p, number);
    Put(p + 4, low);
    Put(p + 12, high);
}

int CDataFile::Open(const std::filesystem::path& path)
{
    m_map.Close();
    Reset();
    m_szPath = path;

    // The header is parsed from an ordinary read of the file's first bytes; the samples are
    // reached later through the mapping only.
    std::FILE* f = platform::OpenFile(path, "rb");
    if (!f) return Fail(OpenError::CannotOpen);
    constexpr size_t kHeadMax = 16384; // larger than any valid header
    std::vector<std::uint8_t> head(kHeadMax);
    size_t got = std::fread(head.data(), 1, head.size(), f);
    std::fclose(f);
    if (!platform::GetLastWriteTime(path, m_ftStart)) return Fail(OpenError::CannotOpen);
    m_openWriteTime = m_ftStart;

    Cursor cur{head.data(), got};
    if (got < 9 || std::memcmp(head.data(), "TORVENFFS", 9) != 0) return Fail(OpenError::BadSignature);
    if (!cur.Read(m_signature, kSignatureSize)) return Fail(OpenError::Truncated);
    if (!cur.Read(m_format, kFormatSize)) return Fail(OpenError::Truncated);
    m_nHeaderLength = static_cast<std::uint32_t>(cur.pos);

    const double rate64 = Get<double>(m_format + kFmtRate);
    m_fRate = static_cast<float>(rate64);
    m_nType = static_cast<std::int8_t>(m_format[kFmtType]);
    LogValue("******** File Head length ******** ", static_cast<std::int32_t>(m_nHeaderLength));
    std::memset(m_adcBlock, 0xFF, sizeof m_adcBlock);
    if (m_nType != 1 && m_nType != 6) return Fail(OpenError::BadType);
    if (!std::isfinite(m_fRate) || !(m_fRate > 0.0f)) return Fail(OpenError::BadRate);

    int rc = m_nType == 1 ? ParseType1(head.data(), got) : ParseType6(head.data(), got);
    if (!rc) return 0;

    int err = 0;
    if (!m_map.Open(path, &err)) return Fail(OpenError::MappingFailed, IDS_MAPPING_FAILED);
    m_nFileSize = m_map.Size();
    m_openSize = static_cast<std::int64_t>(m_nFileSize);
    if (m_nFileSize < m_nHeaderLength) return Fail(OpenError::Truncated);
    m_pData = m_map.Data() + m_nHeaderLength;

    const std::uint64_t dataBytes = m_nFileSize - m_nHeaderLength;
    if (g_log)
        g_log->WriteFormat("%.0lf counts in a file(incl. 8-bytes numsect in case 2-byte counts)",
                           static_cast<double>(dataBytes) * (m_nType == 1 ? 0.25 : 0.5));
    std::uint64_t samples;
    if (m_nType == 1) {
        samples = dataBytes / 4;
    } else {
        const std::uint8_t* t = m_sdHeader + kSdTime;
        if (g_log)
            g_log->WriteFormat("Date from SD file  %02u.%02u.%02u\nTime from SD file %02u:%02u:%02u",
                               unsigned(t[3]), unsigned(t[4]), unsigned(t[5]), unsigned(t[2]),
                               unsigned(t[1]), unsigned(t[0]));
        if (!BuildSectorMap(m_map.Data())) return 0;
        samples = static_cast<std::uint64_t>(kCountsPerSector) * m_nLogicalSectors;
    }
    m_nSamples = static_cast<std::int64_t>(samples / static_cast<std::uint64_t>(m_nChannels));
    m_bOpen = 1;
    return 1;
}

bool CDataFile::ChangedOnDisk() const
{
    if (!m_bOpen) return false;
    std::int64_t writeTime = 0;
    if (!platform::GetLastWriteTime(m_szPath, writeTime)) return true;
    return writeTime != m_openWriteTime || platform::FileSize(m_szPath) != m_openSize;
}

int CDataFile::ParseType1(const std::uint8_t* data, std::uint64_t size)
{
    Cursor cur{data, size, m_nHeaderLength};
    const std::uint32_t word = Get<std::uint32_t>(m_format + kFmtChannelWord);
    const int n = static_cast<int>(word & 0x1FF);
    int devices = static_cast<int>(word >> 16);
    Put<std::uint32_t>(m_format + kFmtChannelWord, static_cast<std::uint32_t>(n));
    LogValue(LogKey("Число каналов"), n);
    if (devices != 0) LogValue(LogKey("Число устройств MK410"), devices);
    if (devices == 0) devices = 1;
    if (n == 0 || n > kMaxChannels) return Fail(OpenError::BadChannels);
    if (devices > n || n % devices != 0) return Fail(OpenError::BadDevices);
    m_nChannels = n;
    m_nDevices = devices;
    m_nChannelsPerDevice = n / devices;
    LogValue(LogKey("Число каналов на устройство"), m_nChannelsPerDevice);
    LogValue("m_mode", static_cast<std::int8_t>(m_format[kFmtMode]));

    for (int i = 0; i < n; ++i) SetChannel(i, i + 1, -10.0, 10.0);

    if (!cur.Has(24)) return Fail(OpenError::Truncated);
    if (std::memcmp(data + cur.pos, "SAMPLES_RECORD", 14) != 0) {
        if (!cur.Read(m_chInfoHeader, kChInfoHeaderSize) || !cur.Read(m_chInfoHead, kChInfoHeadSize) ||
            !cur.Read(m_channels, static_cast<std::uint64_t>(n) * kChannelEntrySize))
            return Fail(OpenError::Truncated);
        const std::int64_t payload = Get<std::int64_t>(m_chInfoHead + 24);
        if (payload > 20LL * n) {
            const std::int64_t extra = payload - 20LL * n;
            if (extra > kAdcBlockMax) return Fail(OpenError::AdcBlockTooLong);
            if (!cur.Read(m_adcBlock, static_cast<std::uint64_t>(extra))) return Fail(OpenError::Truncated);
            m_nAdcBlockSize = static_cast<int>(extra);
        }
        if (!cur.Read(m_carried, kCarriedSize)) return Fail(OpenError::Truncated);
    }
    if (!cur.Read(m_samplesRecord, kSamplesRecordSize)) return Fail(OpenError::Truncated);
    m_nHeaderLength = static_cast<std::uint32_t>(cur.pos);
    if (std::memcmp(m_adcBlock, "ADCBLOCK", 8) == 0 && m_nAdcBlockSize >= 12)
        m_nAdcFlags = Get<std::uint32_t>(m_adcBlock + 8);
    return 1;
}

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
        // Samples overwritten before the oldest sector still present (64-bit: large cards
        // exceed 2^32 counts).
        const std::uint64_t skipped = std::uint64_t(oldest) * kCountsPerSector / std::uint64_t(m_nChannels);
        timeOffset = TruncToInt64(static_cast<double>(skipped) / static_cast<double>(m_fRate) * 1e7);
    }
    // A sector map far longer than the card holds sectors means stray sector numbers; it
    // would also ask for an absurd amount of memory.
    if (m == 0 || std::uint64_t(m) > 2ULL * S + 16) return Fail(OpenError::SdBadRing);

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
    // Channel of the first count of logical sector 0, from its position in the count stream.
    const std::uint64_t n = static_cast<std::uint64_t>(m_nChannels);
    const std::uint32_t phi = static_cast<std::uint32_t>((std::uint64_t(B) * kCountsPerSector) % n);
    m_nPhase = static_cast<std::uint32_t>((n - phi) % n);

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

long double CDataFile::SdValue(std::uint64_t k, int c) const
{
    const long double x = static_cast<long double>(RawCount(k, c)) - 32768.0L;
    switch (m_calSet[c]) {
    case 0:
    case 1: return (x - m_calB[c]) / m_calK[c] * m_countScale;
    default: return x;
    }
}

std::uint16_t CDataFile::RawCount(std::uint64_t k, int c) const
{
    if (m_nType != 6 || k >= static_cast<std::uint64_t>(m_nSamples) ||
        static_cast<unsigned>(c) >= static_cast<unsigned>(m_nChannels))
        return 0;
    const std::uint64_t g = k * static_cast<std::uint64_t>(m_nChannels) + m_nPhase + static_cast<unsigned>(c);
    const std::uint64_t L = g / kCountsPerSector;
    const std::uint64_t r = g % kCountsPerSector;
    if (L >= m_nLogicalSectors) return 0;
    const std::uint32_t p = m_pSectorMap[L];
    if (p == kUnwritten) return 0;
    return Get<std::uint16_t>(m_pData + std::uint64_t(kSectorBytes) * p + 8 + 2 * r);
}

float CDataFile::FloatAt(std::uint64_t i) const
{
    if (!m_pData || i >= (m_nFileSize - m_nHeaderLength) / 4) return 0.0f;
    return Get<float>(m_pData + 4 * i);
}

std::uint16_t CDataFile::WordAt(std::uint64_t w) const
{
    if (!m_pData || w >= (m_nFileSize - m_nHeaderLength) / 2) return 0;
    return Get<std::uint16_t>(m_pData + 2 * w);
}

void CDataFile::Close()
{
    m_pSectorMap.clear();
    m_pSectorMap.shrink_to_fit();
    m_map.Close();
    m_pData = nullptr;
    const bool wasOpen = m_bOpen && m_nChannels > 0;
    m_nSamples = 0;
    if (!wasOpen) return;
    m_bOpen = 0;
    // Only a temporary result written by this process is deleted, never a user's file.
    if (NameStartsWithTilde(m_szPath) && IsTempResult(m_szPath)) {
        std::error_code ec;
        std::filesystem::remove(m_szPath, ec);
        UnregisterTempResult(m_szPath);
    }
}

void CDataFile::ApplyAdcBlock(Display& d) const
{
    if (std::memcmp(m_adcBlock, "ADCBLOCK", 8) != 0) return;
    const std::uint32_t flags = Get<std::uint32_t>(m_adcBlock + 8);
    const int n = m_nChannels;
    const int blockSize = m_nAdcBlockSize;
    // The stored selected channel is an index into the window's tables: only a valid one is taken.
    if (blockSize >= 16) {
        const std::int32_t sel = Get<std::int32_t>(m_adcBlock + 12);
        if (sel >= 0 && sel < n) d.selected = sel;
    }
    int running = 16;
    if (flags & kAdcColours) {
        if (running + 4 * n <= blockSize)
            for (int i = 0; i < n; ++i) d.colours[i] = Get<std::uint32_t>(m_adcBlock + 16 + 4 * i);
        running += 4 * n;
    }
    if (flags & kAdcWidths) {
        if (running + 4 * n <= blockSize)
            for (int i = 0; i < n; ++i) {
                const std::uint32_t w = Get<std::uint32_t>(m_adcBlock + running + 4 * i);
                d.widths[i] = static_cast<int>(w & kWidthMask);
                if ((flags & kAdcHidden) && (w & kHiddenBit)) d.visible[i] = 0;
            }
        running += 4 * n;
    }
}

void CDataFile::ApplyDisplaySettings(int* selected, std::uint32_t* colours, int* visible, int* widths)
{
    m_pSelected = selected;
    m_pColours = colours;
    m_pVisible = visible;
    m_pWidths = widths;
    if (std::memcmp(m_adcBlock, "ADCBLOCK", 8) != 0) return;
    m_nAdcFlags = Get<std::uint32_t>(m_adcBlock + 8);
    Display d;
    d.selected = selected ? *selected : 0;
    for (int i = 0; i < kMaxChannels; ++i) {
        d.colours[i] = colours ? colours[i] : DefaultTraceColour(i);
        d.visible[i] = visible ? visible[i] : 1;
        d.widths[i] = widths ? widths[i] : 1;
    }
    ApplyAdcBlock(d);
    if (selected) *selected = d.selected;
    for (int i = 0; i < m_nChannels; ++i) {
        if (colours) colours[i] = d.colours[i];
        if (visible) visible[i] = d.visible[i];
        if (widths) widths[i] = d.widths[i];
    }
}

CDataFile::Display CDataFile::CurrentDisplay() const
{
    // The plot window's tables when it recorded them, otherwise what a new window would show.
    Display d;
    d.selected = 0;
    for (int i = 0; i < kMaxChannels; ++i) {
        d.colours[i] = DefaultTraceColour(i);
        d.visible[i] = 1;
        d.widths[i] = 1;
    }
    if (!m_pSelected && !m_pColours && !m_pVisible && !m_pWidths) ApplyAdcBlock(d);
    if (m_pSelected) d.selected = *m_pSelected;
    for (int i = 0; i < kMaxChannels; ++i) {
        if (m_pColours) d.colours[i] = m_pColours[i];
        if (m_pVisible) d.visible[i] = m_pVisible[i];
        if (m_pWidths) d.widths[i] = m_pWidths[i];
    }
    return d;
}

void CDataFile::SaveHeader()
{
    std::memcpy(m_save.signature, m_signature, sizeof m_signature);
    std::memcpy(m_save.format, m_format, sizeof m_format);
    std::memcpy(m_save.chInfoHeader, m_chInfoHeader, sizeof m_chInfoHeader);
    std::memcpy(m_save.chInfoHead, m_chInfoHead, sizeof m_chInfoHead);
    std::memcpy(m_save.channels, m_channels, sizeof m_channels);
    std::memcpy(m_save.carried, m_carried, sizeof m_carried);
    std::memcpy(m_save.samplesRecord, m_samplesRecord, sizeof m_samplesRecord);
    std::memcpy(m_save.adcBlock, m_adcBlock, sizeof m_adcBlock);
    m_save.adcBlockSize = m_nAdcBlockSize;
}

void CDataFile::RestoreHeader()
{
    std::memcpy(m_signature, m_save.signature, sizeof m_signature);
    std::memcpy(m_format, m_save.format, sizeof m_format);
    std::memcpy(m_chInfoHeader, m_save.chInfoHeader, sizeof m_chInfoHeader);
    std::memcpy(m_chInfoHead, m_save.chInfoHead, sizeof m_chInfoHead);
    std::memcpy(m_channels, m_save.channels, sizeof m_channels);
    std::memcpy(m_carried, m_save.carried, sizeof m_carried);
    std::memcpy(m_samplesRecord, m_save.samplesRecord, sizeof m_samplesRecord);
    std::memcpy(m_adcBlock, m_save.adcBlock, sizeof m_adcBlock);
    m_nAdcBlockSize = m_save.adcBlockSize;
}

int CDataFile::WriteImages(const std::filesystem::path& path, int entries)
{
    std::FILE* f = platform::OpenFile(path, "wb");
    if (!f) return 0;
    bool ok = std::fwrite(m_signature, 1, kSignatureSize, f) == size_t(kSignatureSize);
    ok = ok && std::fwrite(m_format, 1, kFormatSize, f) == size_t(kFormatSize);
    ok = ok && std::fwrite(m_chInfoHeader, 1, kChInfoHeaderSize, f) == size_t(kChInfoHeaderSize);
    ok = ok && std::fwrite(m_chInfoHead, 1, kChInfoHeadSize, f) == size_t(kChInfoHeadSize);
    const size_t entryBytes = size_t(entries) * kChannelEntrySize;
    ok = ok && std::fwrite(m_channels, 1, entryBytes, f) == entryBytes;
    ok = ok && std::fwrite(m_adcBlock, 1, size_t(m_nAdcBlockSize), f) == size_t(m_nAdcBlockSize);
    ok = ok && std::fwrite(m_carried, 1, kCarriedSize, f) == size_t(kCarriedSize);
    ok = ok && std::fwrite(m_samplesRecord, 1, kSamplesRecordSize, f) == size_t(kSamplesRecordSize);
    ok = (std::fclose(f) == 0) && ok;
    // A header that could not be written completely is no recording: report the failure.
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
    return ok ? 1 : 0;
}

int CDataFile::WriteDerivedHeader(const std::filesystem::path& path, int divisor, const float* gains,
                                  const float* offsets, const float* rate, HiddenChannels hidden)
{
    if (m_nChannels <= 0) return 0;
    const Display disp = CurrentDisplay();
    SaveHeader();

    const int n = m_nChannels;
    const int D = m_nDevices;
    const int P = D != 0 ? n / D : n;
    // Bits of devices the recording does not have are ignored.
    std::uint32_t M = m_deviceMask;
    if (D < 8) M &= (1u << D) - 1;
    int Dp, Np;
    if (M != 0) {
        Dp = std::popcount(M);
        Np = P * Dp;
    } else {
        Dp = D;
        Np = n;
    }
    if (Dp == 1) {
        Dp = 0;
        Np = P;
    }
    (void)Np;

    PutBlockHead(m_signature, "", 0);
    std::memcpy(m_signature, "TORVENFFS", 9);

    PutBlockHead(m_format, "SAMPLES_FORMAT", 20);
    Put<std::int32_t>(m_format + kFmtVersion, 7);
    double newRate = static_cast<double>(m_fRate) / (divisor != 0 ? divisor : 1);
    if (rate) newRate = *rate;
    Put<double>(m_format + kFmtRate, newRate);
    m_format[kFmtType] = 1;
    m_format[kFmtType + 1] = 0;
    m_format[kFmtType + 2] = 0;

    PutBlockHead(m_chInfoHeader, "CHANNELS_INFO_HEADER", 20);
    Put<std::int32_t>(m_chInfoHeader + 32, 3);

    const bool tilde = hidden == HiddenChannels::ByName ? NameStartsWithTilde(path)
                                                        : hidden == HiddenChannels::LeaveOut;
    int included[kMaxChannels];
    int count = 0;
    const HeaderImages& src = m_save;
    for (int i = 0; i < n; ++i) {
        const bool shown = !tilde || disp.visible[i];
        const int dev = i / P;
        const bool device = M == 0 || (dev < 8 && ((M >> dev) & 1));
        if (!(shown && device)) continue;
        const std::uint8_t* e = src.channels + i * kChannelEntrySize;
        double lo = Get<double>(e + 4), hi = Get<double>(e + 12);
        if (gains) {
            const double off = offsets ? offsets[i] : 0.0;
            lo = gains[i] * lo + off;
            hi = gains[i] * hi + off;
        }
        std::uint8_t* out = m_channels + count * kChannelEntrySize;
        Put<std::int32_t>(out, Get<std::int32_t>(e));
        Put<double>(out + 4, lo);
        Put<double>(out + 12, hi);
        included[count++] = i;
    }
    // The channel count always equals the entries written; the device split is kept only
    // while the written channels still fill whole devices.
    if (!(Dp >= 2 && count == P * Dp)) Dp = 0;
    const std::uint32_t word = static_cast<std::uint32_t>(count) | (static_cast<std::uint32_t>(Dp) << 16);
    Put<std::uint32_t>(m_format + kFmtChannelWord, word);

    const int A = 16 + 8 * count;
    PutBlockHead(m_chInfoHead, "CHANNELS_INFO", 20LL * (word & 0x1FF) + A);

    std::int32_t selected = M != 0 ? 0
                           : (std::memcmp(src.adcBlock, "ADCBLOCK", 8) == 0 ? Get<std::int32_t>(src.adcBlock + 12) : 0);
    for (int j = 0; j < count; ++j)
        if (included[j] == disp.selected) selected = j;
    if (selected < 0 || selected >= count) selected = 0;
    std::memset(m_adcBlock, 0, sizeof m_adcBlock);
    std::memcpy(m_adcBlock, "ADCBLOCK", 8);
    Put<std::uint32_t>(m_adcBlock + 8, kAdcAlways | kAdcColours | kAdcWidths | (tilde ? 0 : kAdcHidden));
    Put<std::int32_t>(m_adcBlock + 12, selected);
    for (int j = 0; j < count; ++j) {
        const int i = included[j];
        Put<std::uint32_t>(m_adcBlock + 16 + 4 * j, disp.colours[i]);
        std::uint32_t w = static_cast<std::uint32_t>(disp.widths[i]) & kWidthMask;
        if (!disp.visible[i]) w |= kHiddenBit;
        Put<std::uint32_t>(m_adcBlock + 16 + 4 * count + 4 * j, w);
    }
    m_nAdcBlockSize = A;

    const int rc = WriteImages(path, count);
    if (rc) m_deviceMask = 0;
    RestoreHeader();
    return rc;
}

int CDataFile::WriteResultHeader(const std::filesystem::path& path, const OutputChannelList& list, float rate)
{
    if (list.count < 0 || list.count > kMaxOutputChannels) return 0;
    const int count = list.count;
    SaveHeader();

    PutBlockHead(m_signature, "", 0);
    std::memcpy(m_signature, "TORVENFFS", 9);

    PutBlockHead(m_format, "SAMPLES_FORMAT", 20);
    Put<std::int32_t>(m_format + kFmtVersion, 7);
    Put<std::uint32_t>(m_format + kFmtChannelWord, static_cast<std::uint32_t>(count));
    Put<double>(m_format + kFmtRate, static_cast<double>(rate != 0.0f ? rate : m_fRate));
    m_format[kFmtType] = 1;
    m_format[kFmtType + 1] = 0;
    m_format[kFmtType + 2] = 0;

    PutBlockHead(m_chInfoHeader, "CHANNELS_INFO_HEADER", 20);
    Put<std::int32_t>(m_chInfoHeader + 32, 3);

    for (int i = 0; i < count; ++i) {
        std::uint8_t* out = m_channels + i * kChannelEntrySize;
        Put<std::int32_t>(out, i + 1);
        Put<double>(out + 4, static_cast<double>(list.rangeLow[i]));
        Put<double>(out + 12, static_cast<double>(list.rangeHigh[i]));
    }
    const int A = 16 + 8 * count;
    PutBlockHead(m_chInfoHead, "CHANNELS_INFO", 20LL * count + A);

    std::memset(m_adcBlock, 0, sizeof m_adcBlock);
    std::memcpy(m_adcBlock, "ADCBLOCK", 8);
    std::uint32_t flags = list.spectrumPoints != 0 ? (kAdcAlways | kAdcDecibel) : kAdcAlways;
    Put<std::uint32_t>(m_adcBlock + 8, flags | kAdcColours | kAdcWidths);
    Put<std::int32_t>(m_adcBlock + 12, 0);
    for (int i = 0; i < count; ++i) {
        Put<std::uint32_t>(m_adcBlock + 16 + 4 * i, list.colours[i]);
        Put<std::int32_t>(m_adcBlock + 16 + 4 * count + 4 * i, list.widths[i]);
    }
    m_nAdcBlockSize = A;

    const int rc = WriteImages(path, count);
    RestoreHeader();
    return rc;
}

} // namespace vistrel
