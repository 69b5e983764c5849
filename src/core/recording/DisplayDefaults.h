#pragma once
// Trace settings a new plot window starts with before the recording's own settings apply.

#include <cstdint>

namespace vistrel {

// Default trace colours of channels 0-31 (0x00BBGGRR); channel i >= 32 takes entry i mod 32.
extern const std::uint32_t kDefaultTraceColours[32];

inline std::uint32_t DefaultTraceColour(int channel) { return kDefaultTraceColours[channel & 31]; }

} // namespace vistrel
