#pragma once
// File times as 64-bit counts of 100 ns since 1 January 1601 (UTC).

#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace vistrel::platform {

// 100-ns units between 1601-01-01 and 1970-01-01.
inline constexpr std::int64_t kUnixEpochFileTime = 116444736000000000LL;

// Last-write time of a file; false when the file cannot be examined.
bool GetLastWriteTime(const std::filesystem::path& path, std::int64_t& fileTime);

// Sets creation (where the system keeps one), last-access and last-write times.
bool SetFileTimes(const std::filesystem::path& path, std::int64_t creation,
                  std::int64_t access, std::int64_t write);

// Current UTC time as a file time.
std::int64_t CurrentFileTime();

// fopen with a path that may hold any characters the system allows.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

} // namespace vistrel::platform
