#pragma once
// What tells one file's state apart from another's: the file itself (device and inode, or
// volume and file id), its size and its modification and change times.

#include <cstdint>
#include <filesystem>

namespace vistrel::platform {

struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    std::int64_t size = 0;
    std::int64_t writeTime = 0;    // nanoseconds (POSIX) or 100-ns units (Windows)
    std::int64_t changeTime = 0;   // status change (POSIX ctime) or Windows change time
};

// False when the file cannot be examined.
bool GetFileIdentity(const std::filesystem::path& path, FileIdentity& identity);

// The folder for this program's rebuildable caches: $XDG_CACHE_HOME/vistrel, else
// ~/.cache/vistrel (Windows: the local application-data folder). Not created here; empty
// when no such folder can be named.
std::filesystem::path UserCacheFolder();

} // namespace vistrel::platform
