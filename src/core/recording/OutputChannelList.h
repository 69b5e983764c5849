#pragma once
// Output channels of a processing operation or of a channel selection: filled by the
// operation's dialog, read by the operation and by CDataFile::WriteResultHeader.

#include <cstdint>

namespace vistrel {

inline constexpr int kMaxOutputChannels = 32;

struct OutputChannelList {
    std::int32_t count = 0;                          // output channels, 0..32
    std::int32_t coefficients[kMaxOutputChannels]{}; // per-operation slots (signs of sums/differences)
    std::int32_t sources[kMaxOutputChannels]{};      // 1-based absolute source channel numbers
    float rangeLow[kMaxOutputChannels]{};            // lower display limit of each output
    float rangeHigh[kMaxOutputChannels]{};           // upper display limit of each output
    std::uint32_t colours[kMaxOutputChannels]{};     // 0x00BBGGRR
    std::int32_t widths[kMaxOutputChannels]{};       // pen width words
    std::int32_t spectrumPoints = 0;                 // point count of a spectrum, 0 otherwise

    void Clear() { *this = OutputChannelList{}; }
};

} // namespace vistrel
