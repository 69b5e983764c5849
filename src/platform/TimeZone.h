#pragma once
// Base bias of the current time zone in minutes (UTC = local + bias), without any
// daylight-saving correction: POSIX `timezone` after tzset(), Windows TIME_ZONE_INFORMATION::Bias.

#include <optional>

namespace vistrel::platform {

int TimeZoneBiasMinutes();

// Replaces the system's bias (tests); std::nullopt restores it.
void OverrideTimeZoneBias(std::optional<int> minutes);

} // namespace vistrel::platform
