#pragma once
// Layout constants of .kvf recordings (little-endian, packed).

#include <cstdint>
#include <cstring>

namespace vistrel::kvf {

inline constexpr int kMaxChannels = 256;
inline constexpr int kMaxDescriptors = 53;
inline constexpr int kAdcBlockMax = 8192;
inline constexpr int kSectorBytes = 256;
inline constexpr int kCountsPerSector = 124;
inline constexpr std::uint32_t kUnwritten = 0xFFFFFFFFu;

inline constexpr int kBlockHeadSize = 32;
inline constexpr int kSignatureSize = 32;
inline constexpr int kFormatSize = 52;
inline constexpr int kChInfoHeaderSize = 52;
inline constexpr int kChInfoHeadSize = 32;
inline constexpr int kChannelEntrySize = 20;
inline constexpr int kCarriedSize = 40;
inline constexpr int kSdHeaderSize = 396;
inline constexpr int kSamplesRecordSize = 32;

inline constexpr int kFormatOffset = 32;
inline constexpr int kSdHeaderOffset = 84;
inline constexpr int kSdHeaderLength = 512; // SD image header without an ADC block

// Offsets inside the format block image (file offset - 32).
inline constexpr int kFmtVersion = 32;     // int32 7
inline constexpr int kFmtChannelWord = 36; // uint32
inline constexpr int kFmtRate = 40;        // float64
inline constexpr int kFmtType = 48;        // uint8
inline constexpr int kFmtMode = 51;        // int8

// Offsets inside the SD header image (file offset - 84).
inline constexpr int kSdMode = 36;
inline constexpr int kSdDescCount = 37;
inline constexpr int kSdDescriptors = 38;
inline constexpr int kSdKdev = 144;
inline constexpr int kSdB1cal = 164;
inline constexpr int kSdK1cal = 184;
inline constexpr int kSdB2cal = 204;
inline constexpr int kSdK2cal = 224;
inline constexpr int kSdAdcRange = 260;
inline constexpr int kSdTime = 390; // second, minute, hour, day, month, year - 2000

// ADC block flags.
inline constexpr std::uint32_t kAdcAlways = 1;
inline constexpr std::uint32_t kAdcColours = 2;
inline constexpr std::uint32_t kAdcWidths = 4;
inline constexpr std::uint32_t kAdcDecibel = 8;
inline constexpr std::uint32_t kAdcHidden = 16;

inline constexpr std::uint32_t kWidthMask = 0xF;
inline constexpr std::uint32_t kHiddenBit = 0x10;

template <typename T>
inline T Get(const void* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T>
inline void Put(void* p, T v)
{
    std::memcpy(p, &v, sizeof v);
}

// Writes a block head: the name padded with spaces to 24 bytes and the payload length.
inline void PutBlockHead(std::uint8_t* head, const char* name, std::int64_t payload)
{
    std::memset(head, ' ', 24);
    std::memcpy(head, name, std::strlen(name));
    Put<std::int64_t>(head + 24, payload);
}

} // namespace vistrel::kvf
