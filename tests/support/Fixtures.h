#pragma once
// Test fixtures: float recordings and SD-card images written into a temporary folder.

#include "core/recording/KvfWriter.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vistrel::test {

// A fresh folder under the system's temporary directory, removed by the destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// Float recording whose sample k of channel c is value(k, c).
struct FloatFixture {
    FloatRecordingLayout layout;
    std::uint64_t samples = 100;
    std::function<float(std::uint64_t k, int c)> value = [](std::uint64_t k, int c) {
        return static_cast<float>(k) + static_cast<float>(c) / 100.0f;
    };
    std::optional<std::int64_t> fileTime; // UTC file time stamped on the file
    std::uint64_t trailingBytes = 0;      // extra bytes after the last whole row
};
bool WriteFloatFixture(const std::filesystem::path& path, const FloatFixture& fixture);

// SD-card image. Physical sector p carries sectorNumbers[p]; the counts of a sector with
// number s are count(s * 124 + r), r = 0..123, so the count stream is consistent with the
// sector numbers. Sectors numbered 0xFFFFFFFF are filled with 0xFFFF.
struct SdFixture {
    double rate = 1000.0;
    bool twoChannel = false;
    std::uint8_t extraModeFlags = 0;
    std::vector<std::uint16_t> descriptors = {0x0000};
    std::uint32_t kdev[5] = {1, 1, 2, 4, 8};
    float b1cal[5] = {0, 0, 0, 0, 0};
    float k1cal[5] = {1, 1, 1, 1, 1};
    float b2cal[5] = {0, 0, 0, 0, 0};
    float k2cal[5] = {1, 1, 1, 1, 1};
    float adcRange = 10.0f;
    // second, minute, hour, day, month, year - 2000 (local time of sector number 0)
    std::uint8_t time[6] = {30, 20, 10, 1, 2, 23};
    std::vector<std::uint8_t> adcBlock; // written behind the SD header when not empty
    std::vector<std::uint32_t> sectorNumbers;
    std::function<std::uint16_t(std::uint64_t streamPos)> count = [](std::uint64_t g) {
        return static_cast<std::uint16_t>(g & 0xFFFF);
    };
    std::int8_t descriptorCountOverride = 0; // writes this count instead of descriptors.size()
    std::uint64_t trailingBytes = 0;
};
bool WriteSdFixture(const std::filesystem::path& path, const SdFixture& fixture);

// Sector numbers of a ring of S sectors whose oldest sector is at physical index oldestAt
// and carries oldestNumber, written for `written` sectors in all (the rest 0xFFFFFFFF).
std::vector<std::uint32_t> RingNumbers(std::uint32_t S, std::uint32_t oldestAt, std::uint32_t oldestNumber,
                                       std::uint32_t written);

// An ADC block image for n channels.
std::vector<std::uint8_t> MakeAdcBlock(std::uint32_t flags, std::int32_t selected,
                                       const std::vector<std::uint32_t>& colours,
                                       const std::vector<std::uint32_t>& widthWords);

// File time of a UTC calendar time.
std::int64_t UtcFileTime(int year, int month, int day, int hour, int minute, int second, int ms = 0);

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path);
void WriteAll(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

} // namespace vistrel::test
