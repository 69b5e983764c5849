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

// False when the file cannot be examined. Never opens the file for reading (a FIFO or a
// device does not block).
bool GetFileIdentity(const std::filesystem::path& path, FileIdentity& identity);

// The identity of an already open file: a POSIX descriptor, or a Windows HANDLE. False when
// the system cannot tell.
bool GetOpenFileIdentity(std::intptr_t handle, FileIdentity& identity);

// Whether b is the same file with the same contents as far as the file system tells: device,
// inode (file id), size and modification time. The change time is left out: a chmod, a new
// hard link or the unlinking of another name moves it without touching the contents.
bool SameFileState(const FileIdentity& a, const FileIdentity& b);

// Whether a process of this id runs on this machine. True when that cannot be told (Windows,
// an id of 0 or below): callers that clean up after dead processes then fall back to age.
bool ProcessMayBeAlive(long long pid);

// This process's id.
long long CurrentProcessId();

// The folder for this program's rebuildable caches: $XDG_CACHE_HOME/vistrel, else
// ~/.cache/vistrel (Windows: the local application-data folder). Not created here; empty
// when no such folder can be named.
std::filesystem::path UserCacheFolder();

} // namespace vistrel::platform
