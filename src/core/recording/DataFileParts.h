#pragma once
// Helpers shared by the parts of CDataFile (opening, SD rings, header writers).

#include "core/common/DebugLog.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace vistrel::datafile {

inline void LogValue(std::string_view key, std::int32_t value)
{
    if (g_log) g_log->WriteValue(key, value);
}

// Sequential reader over the bytes of the header.
struct Cursor {
    const std::uint8_t* data;
    std::uint64_t size;
    std::uint64_t pos = 0;

    bool Read(void* dst, std::uint64_t n)
    {
        if (n > size || pos > size - n) return false;
        std::memcpy(dst, data + pos, static_cast<size_t>(n));
        pos += n;
        return true;
    }
    bool Has(std::uint64_t n) const { return n <= size && pos <= size - n; }
};

inline bool NameStartsWithTilde(const std::filesystem::path& path)
{
    auto name = path.filename().native();
    return !name.empty() && name[0] == '~';
}

} // namespace vistrel::datafile
