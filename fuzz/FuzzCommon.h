#pragma once
// Helpers of the libFuzzer targets: a per-process work file in a memory-backed folder.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace vistrel::fuzz {

inline std::filesystem::path WorkDir()
{
    std::error_code ec;
    if (std::filesystem::is_directory("/dev/shm", ec)) return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

// A file of this process named after `tag`.
inline std::filesystem::path WorkFile(const char* tag)
{
    return WorkDir() / ("vistrel-fuzz-" + std::to_string(getpid()) + "-" + tag);
}

inline bool WriteBytes(const std::filesystem::path& path, const std::uint8_t* data, size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

} // namespace vistrel::fuzz
