#pragma once
// Why a file cannot be used, told apart so the user reads the reason instead of a generic
// "cannot be opened". The checks never block: a FIFO or a device is refused before any open.

#include <filesystem>

namespace vistrel::platform {

enum class FileProblem {
    None,
    NotFound,
    PermissionDenied,
    IsDirectory,
    NotRegular,     // FIFO, socket, device
    SymlinkLoop,
    PathTooLong,
    Empty,
    DiskFull,
    ReadOnly,       // read-only file or file system as a target
    Other,
};

// The problem an errno (POSIX) or GetLastError code (Windows) stands for.
FileProblem ProblemFromSystemError(int error);

// The problem of a failed call on path: as ProblemFromSystemError, except that a name past the
// system's limits is PathTooLong (Windows reports such a name as not found).
FileProblem ProblemFromPathError(const std::filesystem::path& path, int error);

// Checks that path names an existing regular file that this process may read. An empty file
// is a problem only when allowEmpty is false.
FileProblem CheckReadableFile(const std::filesystem::path& path, bool allowEmpty = true);

// Checks that path may become a regular file written by this process: it is either absent (with
// its folder present) or an existing regular file that is not read-only.
FileProblem CheckWritableTarget(const std::filesystem::path& path);

// True when both paths name the same existing file (hard links, symbolic links and different
// spellings included).
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

} // namespace vistrel::platform
