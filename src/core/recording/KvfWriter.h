#pragma once
// Writer of new float recordings (sample type 1) from a description: the demo generator
// and the tests use it. Results derived from an open recording use CDataFile's writers.

#include "core/recording/DataFile.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace vistrel {

struct FloatRecordingLayout {
    int channels = 1;
    int devices = 1;     // written as 0 for one device
    double rate = 1000.0;
    std::int8_t mode = 0;
    bool shortLayout = false;             // "SAMPLES_RECORD" directly behind the format block
    std::vector<ChannelEntry> entries;    // empty: numbers 1..n, range -10..+10
    bool adcBlock = true;
    std::uint32_t adcFlags = kvf::kAdcAlways | kvf::kAdcColours | kvf::kAdcWidths;
    std::int32_t selected = 0;
    std::vector<std::uint32_t> colours;    // empty: default trace colours
    std::vector<std::uint32_t> widthWords; // empty: width 1, shown
    std::vector<std::uint8_t> rawAdcBlock; // written instead of the block above when not empty
    std::uint8_t carried[kvf::kCarriedSize]{};
};

// Header bytes of a new recording.
std::vector<std::uint8_t> BuildFloatRecordingHeader(const FloatRecordingLayout& layout);

// Fills one row (layout.channels floats) for sample k.
using RowFunction = std::function<void(std::uint64_t k, float* row)>;

// Writes header and samples rows; stamps creation, access and write times with fileTime
// (UTC file time) when given. Returns false when the file cannot be written completely.
bool WriteFloatRecording(const std::filesystem::path& path, const FloatRecordingLayout& layout,
                         std::uint64_t samples, const RowFunction& row,
                         std::optional<std::int64_t> fileTime = std::nullopt);

} // namespace vistrel
