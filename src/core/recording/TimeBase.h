#pragma once
// Time base: every time is a 64-bit count of 100 ns since 1 January 1601. Stored start
// times are UTC; shown times are local by the time zone's base bias only (no daylight saving).

#include <cstdint>

namespace vistrel {

inline constexpr std::int64_t kUnitsPerSecond = 10000000LL;
inline constexpr std::int64_t kUnitsPerMinute = 600000000LL;

// Local file time = UTC - bias x 600 000 000 (bias in minutes, UTC = local + bias).
std::int64_t ToLocalTime(std::int64_t utcFileTime);
// The inverse: UTC = local + bias x 600 000 000.
std::int64_t ToUtcTime(std::int64_t localFileTime);

// Converts a double to int64 truncating toward zero; NaN gives 0, out-of-range values clamp.
std::int64_t TruncToInt64(double value);

// a + b, held at the int64 limits instead of overflowing.
std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b);

// Time of sample position s from origin: origin + trunc(s x 10^7 / rate).
std::int64_t SampleTime(std::int64_t origin, double position, float rate);
// 100-ns units per sample: trunc(10^7 / rate).
std::int64_t UnitsPerSample(float rate);
// Duration of samples samples: trunc(10^7 / rate x samples).
std::int64_t Duration(float rate, std::int64_t samples);
// Sample position (fractional) of a time, from origin.
double PositionOfTime(std::int64_t origin, std::int64_t time, float rate);

// Calendar parts of a file time (no zone conversion).
struct FileTimeParts {
    int year = 1601, month = 1, day = 1, hour = 0, minute = 0, second = 0, millisecond = 0;
    int dayOfWeek = 1; // 0 = Sunday
};
FileTimeParts SplitFileTime(std::int64_t fileTime);
// Builds a file time from calendar parts; false (and 0) when a part is out of range.
bool MakeFileTime(const FileTimeParts& parts, std::int64_t& fileTime);

} // namespace vistrel
