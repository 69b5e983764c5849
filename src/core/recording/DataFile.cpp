// CDataFile: opening, the float layouts, sample access and closing.
#include "core/recording/DataFile.h"

#include "core/common/FileProblemText.h"
#include "core/common/StringIds.h"
#include "core/recording/DataFileParts.h"
#include "core/recording/TempResults.h"
#include "platform/FileTimes.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace vistrel {

using namespace kvf;
using datafile::Cursor;
using datafile::LogValue;
using datafile::NameStartsWithTilde;

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
    case OpenError::SdMapTooLarge: return "SD sector numbers span more sectors than can be mapped";
    }
    return "unknown error";
}

const char* OpenFailureEnglish(const CDataFile& file)
{
    if (file.LastProblem() != platform::FileProblem::None) return FileProblemEnglish(file.LastProblem());
    return OpenErrorText(file.LastError());
}


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
    ReleaseSdTables();
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
    m_lastProblem = platform::FileProblem::None;
}

int CDataFile::Fail(OpenError error, int stringId)
{
    m_lastError = error;
    if (stringId && m_hOwner) m_hOwner->Error(stringId);
    m_map.Close();
    m_pSectorMap.clear();
    ReleaseSdTables();
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

    // The file type is checked first: a FIFO or a device would block or never end. The
    // header is parsed from an ordinary read of the file's first bytes; the samples are
    // reached later through the mapping only.
    m_lastProblem = platform::CheckReadableFile(path, false);
    if (m_lastProblem != platform::FileProblem::None) return Fail(OpenError::CannotOpen);
    constexpr size_t kHeadMax = 16384; // larger than any valid header
    std::vector<std::uint8_t> head;
    m_lastProblem = platform::ReadFileHead(path, kHeadMax, head);
    if (m_lastProblem != platform::FileProblem::None) return Fail(OpenError::CannotOpen);
    const size_t got = head.size();
    if (!platform::GetLastWriteTime(path, m_ftStart)) return Fail(OpenError::CannotOpen);

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
    if (!m_map.Open(path, &err)) {
        m_lastProblem = platform::ProblemFromSystemError(err);
        return Fail(OpenError::MappingFailed, IDS_MAPPING_FAILED);
    }
    m_nFileSize = m_map.Size();
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
        BuildSdTables();
        // Whole frames only: the counts before the first channel 0 belong to a frame
        // that began in an overwritten sector.
        samples = static_cast<std::uint64_t>(kCountsPerSector) * m_nLogicalSectors - m_nPhase;
    }
    m_nSamples = static_cast<std::int64_t>(samples / static_cast<std::uint64_t>(m_nChannels));
    m_bOpen = 1;
    return 1;
}

bool CDataFile::ChangedOnDisk() const
{
    if (!m_bOpen) return false;
    if (m_map.Damaged()) return true;
    // A same-size replacement by rename that kept the modification time is another inode.
    platform::FileIdentity now;
    if (!platform::GetFileIdentity(m_szPath, now)) return true;
    return !platform::SameFileState(now, m_map.Identity());
}

bool CDataFile::MappedFileUnchanged() const
{
    if (!m_bOpen || m_map.Damaged()) return false;
    platform::FileIdentity now;
    return m_map.CurrentIdentity(now) && platform::SameFileState(now, m_map.Identity());
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
    ReleaseSdTables();
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

} // namespace vistrel
