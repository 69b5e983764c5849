#pragma once
// One open recording (.kvf): header, channels and devices, SD-card calibration and ring
// order, time base, and read-only access to the samples through a mapping of the whole file.

#include "core/recording/KvfFormat.h"
#include "core/recording/OutputChannelList.h"
#include "platform/FileCheck.h"
#include "platform/MappedFile.h"

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>

namespace vistrel {

struct ChannelEntry {
    std::int32_t number = 0; // shown to the user, 1-based
    double low = -10.0;      // lower limit of the display range
    double high = 10.0;      // upper limit
};

// Feedback of Open: the GUI shows the "PERSENT" box and error boxes, the CLI prints to stderr.
class IOpenObserver {
public:
    virtual ~IOpenObserver() = default;
    virtual void ProgressTitle(int stringId) = 0;
    virtual void Progress(int percent) = 0; // 100 or more ends the progress display
    virtual void Error(int stringId) = 0;   // a failure text, by string id
};

// Why Open returned 0 (for messages of the command-line tool and the log).
enum class OpenError {
    None,
    CannotOpen,      // the file cannot be opened or examined (the reason in LastProblem())
    BadSignature,    // the first nine bytes are not "TORVENFFS"
    BadType,         // sample type other than 1 and 6
    BadChannels,     // no channels, or more than 256
    BadDevices,      // device count larger than the channel count or not dividing it
    BadDescriptors,  // SD descriptor count not in 1..53
    AdcBlockTooLong, // ADC block over 8192 bytes
    Truncated,       // the file is shorter than its header
    BadRate,         // sampling rate not a positive finite number
    MappingFailed,   // the read-only mapping cannot be created (string 224)
    SdNoSectors,     // SD image without a data sector
    SdEmpty,         // SD image whose first sector was never written (string 225)
    SdBadRing,       // SD sector numbers that cannot form a ring
    SdMapTooLarge,   // SD sector numbers spread wider than the sector map may grow
};
const char* OpenErrorText(OpenError error);

// Which channels a derived header keeps of those hidden in the window.
enum class HiddenChannels { ByName, LeaveOut, Keep };

class CDataFile;
// The English reason of a failed Open: the file problem when there is one, else the parse error.
const char* OpenFailureEnglish(const CDataFile& file);

// Largest sector map of an SD image (entries of 4 bytes): a map may always cover twice the
// card plus 16 sectors, and up to this many entries when sector numbers leave wide gaps.
inline constexpr std::uint32_t kMaxSectorMapEntries = 1u << 25; // 128 MiB

// The display tables of a plot window or a job as the derived-header writer reads them:
// selected channel, and 256 entries each of colours, visibility and pen widths.
struct HeaderDisplay {
    int selected = 0;
    const std::uint32_t* colours = nullptr;
    const int* visible = nullptr;
    const int* widths = nullptr;
    std::uint8_t deviceMask = 0; // devices to save, bit j = device j; 0 = all
};

class CDataFile {
public:
    explicit CDataFile(IOpenObserver* owner = nullptr);
    ~CDataFile();
    CDataFile(const CDataFile&) = delete;
    CDataFile& operator=(const CDataFile&) = delete;

    void SetOwner(IOpenObserver* owner) { m_hOwner = owner; }
    void Reset();
    // 1 = ready for reading, 0 = refused (reason in LastError(); reported through the owner
    // where a text exists).
    int Open(const std::filesystem::path& path);
    // Unmaps; deletes the file when it is a temporary result registered by this process.
    void Close();
    // Records the plot window's tables (selected: one int; the others 256 entries each) and
    // copies the recording's stored display settings into them.
    // Called on the thread that owns the recording (the plot window's).
    void ApplyDisplaySettings(int* selected, std::uint32_t* colours, int* visible, int* widths);
    // The same copy of the stored display settings into the tables, without recording them.
    void ReadDisplaySettings(int* selected, std::uint32_t* colours, int* visible, int* widths) const;

    // Physical value of sample k of channel c; 0 outside the recording. Lock-free, const,
    // safe for concurrent readers.
    long double SampleValue(std::uint64_t k, int c) const;
    // ADC count of an SD-card image; 0 where there is no data.
    std::uint16_t RawCount(std::uint64_t k, int c) const;
    // Values of channel c for samples k0 .. k0 + count - 1 into out (0 outside the recording),
    // the same numbers as SampleValue. Walks an SD image a sector at a time: the fast way to
    // read a run of one channel.
    void ReadRun(std::uint64_t k0, std::size_t count, int c, long double* out) const;
    // Values of the listed channels at sample k: out[i] = SampleValue(k, channels[i]).
    void ReadRow(std::uint64_t k, const int* channels, int count, long double* out) const;
    // Rows k0 .. k0 + rows - 1 of the listed channels, row after row: out[r * count + i] =
    // SampleValue(k0 + r, channels[i]), as float rounded once from that value. Walks an SD
    // image a sector at a time through the conversion tables.
    void ReadRows(std::uint64_t k0, std::size_t rows, const int* channels, int count, long double* out) const;
    void ReadRows(std::uint64_t k0, std::size_t rows, const int* channels, int count, float* out) const;
    // SD images: the conversion of a count by the calibration formula itself, without the
    // tables (the reference the tables are checked against).
    long double SdValueByFormula(std::uint64_t k, int c) const;
    // Bytes held by the SD conversion tables (one table of 65 536 values per calibration set
    // and gain in use).
    std::size_t SdTableBytes() const
    {
        return m_sdTableStore.size() * sizeof(long double) + m_sdFloatStore.size() * sizeof(float);
    }

    // Access hints to the system's paging (errors ignored): the plot reads scattered samples
    // of the whole data area; a job reads samples k0 .. k1 - 1 once, in order.
    void AdviseRandom() const;
    void AdviseSequential(std::uint64_t k0, std::uint64_t k1) const;
    // Starts reading samples [k0, k1) ahead without changing the mapping's access pattern.
    void AdviseWillNeed(std::uint64_t k0, std::uint64_t k1) const;
    // Maps samples [k0, k1) of the data area into the process now (see CMappedFile::Advise).
    void AdvisePopulate(std::uint64_t k0, std::uint64_t k1) const;
    // Samples [k0, k1) have been read and will not be again soon: their pages leave the
    // process (see CMappedFile::Advise). Whole-file passes call it through CPageDropper.
    void AdviseDone(std::uint64_t k0, std::uint64_t k1) const;
    // Element i of the float data area / word w of the 16-bit data area (0 beyond the file).
    float FloatAt(std::uint64_t i) const;
    std::uint16_t WordAt(std::uint64_t w) const;

    // Header writers: 1 = written, 0 = the file could not be created. They build the new
    // header from a copy of the header images and never change this object, so a worker
    // thread may call them while other threads read samples. WriteDerivedHeader takes the
    // display tables and device mask from `display`, or, when it is null, from the tables
    // recorded by ApplyDisplaySettings and from DeviceMask(). Hidden channels are left out
    // when `hidden` says so, or by default when the file name begins with '~'.
    int WriteDerivedHeader(const std::filesystem::path& path, int divisor, const float* gains = nullptr,
                           const float* offsets = nullptr, const float* rate = nullptr,
                           const HeaderDisplay* display = nullptr,
                           HiddenChannels hidden = HiddenChannels::ByName) const;
    int WriteResultHeader(const std::filesystem::path& path, const OutputChannelList& list, float rate) const;
    // Copy the header images to a save area of this object and back.
    void SaveHeader();
    void RestoreHeader();

    // True when the file on disk is no longer what was opened: the path names another file
    // (device and inode, or volume and file id), or one of another size or last-write time,
    // or nothing; or a read found a page of the mapping missing (another program truncated
    // it; such reads return zeros instead of crashing). Values read since the change may be
    // wrong. One stat call, which never opens the path: cheap enough for a 300 ms timer, and
    // a FIFO put in the recording's place does not block it; safe to call from any thread
    // while others read samples.
    bool ChangedOnDisk() const;
    // The identity of the mapped file, taken from the open file itself when it was mapped.
    const platform::FileIdentity& OpenIdentity() const { return m_map.Identity(); }
    // True while the mapped file itself (whatever its path names now) still has the size and
    // last-write time it had when it was opened, and no read found a page missing: what
    // was read from the mapping since Open belongs to OpenIdentity().
    bool MappedFileUnchanged() const;
    // Only the damaged-mapping part of ChangedOnDisk (no system call).
    bool MappingDamaged() const { return m_map.Damaged(); }

    bool IsOpen() const { return m_bOpen != 0; }
    OpenError LastError() const { return m_lastError; }
    // Why the file could not be opened or read when LastError() is CannotOpen (or
    // MappingFailed): not found, permission denied, a folder, not a regular file (FIFO,
    // device), symbolic-link loop, path too long, empty. None otherwise.
    platform::FileProblem LastProblem() const { return m_lastProblem; }
    const std::filesystem::path& Path() const { return m_szPath; }
    int Channels() const { return m_nChannels; }
    int Devices() const { return m_nDevices; }
    int ChannelsPerDevice() const { return m_nChannelsPerDevice; }
    int Type() const { return m_nType; }
    std::int64_t Samples() const { return m_nSamples; }
    float Rate() const { return m_fRate; }
    std::int64_t StartTime() const { return m_ftStart; } // UTC file time of sample 0
    std::uint32_t HeaderLength() const { return m_nHeaderLength; }
    std::uint64_t FileSize() const { return m_nFileSize; }
    // The format block's mode byte for sample type 1, the SD mode flags for sample type 6.
    int Mode() const;
    bool TwoChannelMode() const { return (Mode() & 4) != 0; }
    ChannelEntry Channel(int i) const;
    std::uint32_t AdcFlags() const { return m_nAdcFlags; }
    bool IsSpectrum() const { return (m_nAdcFlags & kvf::kAdcDecibel) != 0; }
    const std::uint8_t* AdcBlock() const { return m_adcBlock; }
    int AdcBlockSize() const { return m_nAdcBlockSize; }
    std::uint8_t DeviceMask() const { return m_deviceMask; }
    void SetDeviceMask(std::uint8_t mask) { m_deviceMask = mask; }

    // SD-card images.
    std::uint32_t Sectors() const { return m_nSectors; }
    std::uint32_t LogicalSectors() const { return m_nLogicalSectors; }
    std::uint32_t Phase() const { return m_nPhase; }
    const std::uint32_t* SectorMap() const { return m_pSectorMap.empty() ? nullptr : m_pSectorMap.data(); }
    int GainIndex(int c) const { return (c >= 0 && c < kvf::kMaxChannels) ? m_gainIndex[c] : 0; }
    int CalSet(int c) const { return (c >= 0 && c < kvf::kMaxChannels) ? m_calSet[c] : 0; }
    // Raw SD header image (396 bytes, offsets from file offset 84).
    const std::uint8_t* SdHeader() const { return m_sdHeader; }

    // The mapped file (whole file) and the start of its data area.
    const std::uint8_t* MappedData() const { return m_map.Data(); }
    const std::uint8_t* DataArea() const { return m_pData; }
    // Appends bytes offset .. offset + length - 1 of the open file (the one mapped, whatever
    // its path names now) to `out`, as platform::CMappedFile::CopyTo does.
    std::uint64_t CopyBytesTo(std::FILE* out, std::uint64_t offset, std::uint64_t length, int* error) const {
        return m_map.CopyTo(out, offset, length, error);
    }

private:
    void AdviseRange(std::uint64_t k0, std::uint64_t k1, platform::CMappedFile::Access access) const;
    struct HeaderImages {
        std::uint8_t signature[kvf::kSignatureSize];
        std::uint8_t format[kvf::kFormatSize];
        std::uint8_t chInfoHeader[kvf::kChInfoHeaderSize];
        std::uint8_t chInfoHead[kvf::kChInfoHeadSize];
        std::uint8_t channels[kvf::kMaxChannels * kvf::kChannelEntrySize];
        std::uint8_t carried[kvf::kCarriedSize];
        std::uint8_t samplesRecord[kvf::kSamplesRecordSize];
        std::uint8_t adcBlock[kvf::kAdcBlockMax];
        std::int32_t adcBlockSize;
    };

    struct Display {
        int selected = 0;
        std::uint32_t colours[kvf::kMaxChannels];
        int visible[kvf::kMaxChannels];
        int widths[kvf::kMaxChannels];
    };

    long double SdConvert(std::uint16_t count, int c) const;
    std::uint16_t SdCountAt(std::uint64_t g) const;
    const std::uint8_t* SdSectorCounts(std::uint64_t L) const;
    void BuildSdTables();
    void ReleaseSdTables();
    void CopyValue(long double* out, const long double* table, std::uint16_t count, int c) const;
    template <class T>
    void ReadSdRows(std::uint64_t k0, std::size_t rows, const int* channels, int count, T* out) const;
    int Fail(OpenError error, int stringId = 0);
    int ParseType1(const std::uint8_t* data, std::uint64_t size);
    int ParseType6(const std::uint8_t* data, std::uint64_t size);
    int BuildSectorMap(const std::uint8_t* data);
    void ApplyAdcBlock(Display& d) const;
    Display CurrentDisplay(const HeaderDisplay* display) const;
    HeaderImages Images() const;
    void SetImages(const HeaderImages& images);
    static int WriteImages(const HeaderImages& img, const std::filesystem::path& path, int entries);
    void SetChannel(int i, std::int32_t number, double low, double high);

    IOpenObserver* m_hOwner = nullptr;
    std::vector<std::uint32_t> m_pSectorMap;
    int m_bOpen = 0;
    std::uint32_t m_nHeaderLength = 0;
    platform::CMappedFile m_map;
    const std::uint8_t* m_pData = nullptr; // data area in the mapping
    int m_nChannels = 0;
    int m_nDevices = 0;
    int m_nChannelsPerDevice = 0;
    int m_nType = 0;
    std::int64_t m_nSamples = 0;
    std::filesystem::path m_szPath;

    std::uint8_t m_signature[kvf::kSignatureSize];
    std::uint8_t m_format[kvf::kFormatSize];
    std::uint8_t m_chInfoHeader[kvf::kChInfoHeaderSize];
    std::uint8_t m_chInfoHead[kvf::kChInfoHeadSize];
    std::uint8_t m_channels[kvf::kMaxChannels * kvf::kChannelEntrySize];
    std::uint8_t m_carried[kvf::kCarriedSize];
    std::uint8_t m_sdHeader[kvf::kSdHeaderSize];
    std::uint8_t m_samplesRecord[kvf::kSamplesRecordSize];
    HeaderImages m_save;

    std::uint64_t m_nFileSize = 0;
    std::int64_t m_ftStart = 0;
    float m_fRate = 0.0f;
    std::int32_t m_gainIndex[kvf::kMaxChannels];
    std::int32_t m_calSet[kvf::kMaxChannels];
    long double m_calB[kvf::kMaxChannels]; // offset of each channel's calibration
    long double m_calK[kvf::kMaxChannels]; // divisor of each channel's calibration
    long double m_countScale = 0;          // ADC range / 32768
    // Value of every count of each channel's calibration: a table per (set, gain) in use;
    // null before Open or when the memory was not there (the formula is used then).
    const long double* m_sdTable[kvf::kMaxChannels];
    std::vector<long double> m_sdTableStore;
    const float* m_sdFloatTable[kvf::kMaxChannels]; // the same tables rounded to float
    std::vector<float> m_sdFloatStore;
    std::uint32_t m_nSectors = 0;
    std::uint32_t m_nLogicalSectors = 0;
    std::uint32_t m_nPhase = 0;
    std::uint8_t m_adcBlock[kvf::kAdcBlockMax];
    int m_nAdcBlockSize = 0;
    int* m_pSelected = nullptr;
    std::uint32_t* m_pColours = nullptr;
    int* m_pWidths = nullptr;
    int* m_pVisible = nullptr;
    std::uint32_t m_nAdcFlags = 0;
    std::uint8_t m_deviceMask = 0;
    OpenError m_lastError = OpenError::None;
    platform::FileProblem m_lastProblem = platform::FileProblem::None;
};

inline long double CDataFile::SampleValue(std::uint64_t k, int c) const
{
    if (k >= static_cast<std::uint64_t>(m_nSamples) ||
        static_cast<unsigned>(c) >= static_cast<unsigned>(m_nChannels))
        return 0;
    if (m_nType == 1) {
        float v;
        std::memcpy(&v, m_pData + 4 * (k * static_cast<std::uint64_t>(m_nChannels) + static_cast<unsigned>(c)), 4);
        return v;
    }
    const std::uint64_t g = k * static_cast<std::uint64_t>(m_nChannels) + m_nPhase + static_cast<unsigned>(c);
    const long double* table = m_sdTable[c];
    return table ? table[SdCountAt(g)] : SdConvert(SdCountAt(g), c);
}

// Count at position g of the count stream; 0 for a hole or past the last sector. The divide
// by the constant sector length compiles to a multiply.
inline std::uint16_t CDataFile::SdCountAt(std::uint64_t g) const
{
    const std::uint64_t L = g / kvf::kCountsPerSector;
    if (L >= m_nLogicalSectors) return 0;
    const std::uint32_t p = m_pSectorMap[L];
    if (p == kvf::kUnwritten) return 0;
    std::uint16_t v;
    std::memcpy(&v, m_pData + std::uint64_t(kvf::kSectorBytes) * p + 8 + 2 * (g - L * kvf::kCountsPerSector), 2);
    return v;
}

} // namespace vistrel
