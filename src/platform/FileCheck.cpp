#include "platform/FileCheck.h"

#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vistrel::platform {

#ifdef _WIN32

FileProblem ProblemFromSystemError(int error)
{
    switch (error) {
    case 0: return FileProblem::None;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE: return FileProblem::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return FileProblem::PermissionDenied;
    case ERROR_DIRECTORY: return FileProblem::IsDirectory;
    case ERROR_CANT_RESOLVE_FILENAME: return FileProblem::SymlinkLoop;
    case ERROR_FILENAME_EXCED_RANGE: return FileProblem::PathTooLong;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return FileProblem::DiskFull;
    case ERROR_WRITE_PROTECT: return FileProblem::ReadOnly;
    default: return FileProblem::Other;
    }
}

FileProblem ProblemFromPathError(const std::filesystem::path& path, int error)
{
    const FileProblem problem = ProblemFromSystemError(error);
    if (problem != FileProblem::NotFound && error != ERROR_INVALID_NAME) return problem;
    // Without the "\\?\" prefix a path holds fewer than MAX_PATH characters, a name at most 255.
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    const std::wstring& text = ec ? path.native() : full.native();
    bool tooLong = text.size() >= MAX_PATH && text.rfind(L"\\\\?\\", 0) != 0;
    for (const auto& part : path)
        tooLong = tooLong || part.native().size() > 255;
    return tooLong ? FileProblem::PathTooLong : problem;
}

FileProblem CheckReadableFile(const std::filesystem::path& path, bool allowEmpty)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return ProblemFromPathError(path, static_cast<int>(GetLastError()));
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return FileProblem::IsDirectory;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return ProblemFromPathError(path, static_cast<int>(GetLastError()));
    FileProblem problem = FileProblem::None;
    if (GetFileType(file) != FILE_TYPE_DISK) {
        problem = FileProblem::NotRegular;
    } else {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file, &size))
            problem = ProblemFromSystemError(static_cast<int>(GetLastError()));
        else if (size.QuadPart == 0 && !allowEmpty)
            problem = FileProblem::Empty;
    }
    CloseHandle(file);
    return problem;
}

FileProblem CheckWritableTarget(const std::filesystem::path& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND || ProblemFromPathError(path, static_cast<int>(error)) != FileProblem::NotFound)
            return ProblemFromPathError(path, static_cast<int>(error));
        const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : L".";
        const DWORD folderAttributes = GetFileAttributesW(folder.c_str());
        if (folderAttributes == INVALID_FILE_ATTRIBUTES)
            return ProblemFromSystemError(static_cast<int>(GetLastError()));
        return (folderAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FileProblem::None
                                                             : FileProblem::NotFound;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return FileProblem::IsDirectory;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return FileProblem::ReadOnly;
    return FileProblem::None;
}

#else

FileProblem ProblemFromPathError(const std::filesystem::path&, int error)
{
    return ProblemFromSystemError(error);
}

FileProblem ProblemFromSystemError(int error)
{
    switch (error) {
    case 0: return FileProblem::None;
    case ENOENT:
    case ENOTDIR: return FileProblem::NotFound;
    case EACCES:
    case EPERM: return FileProblem::PermissionDenied;
    case EISDIR: return FileProblem::IsDirectory;
    case ELOOP: return FileProblem::SymlinkLoop;
    case ENAMETOOLONG: return FileProblem::PathTooLong;
    case ENOSPC:
    case EDQUOT: return FileProblem::DiskFull;
    case EROFS: return FileProblem::ReadOnly;
    case ENXIO:
    case ENODEV: return FileProblem::NotRegular;
    default: return FileProblem::Other;
    }
}

FileProblem CheckReadableFile(const std::filesystem::path& path, bool allowEmpty)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0)
        return ProblemFromSystemError(errno);
    if (S_ISDIR(st.st_mode))
        return FileProblem::IsDirectory;
    if (!S_ISREG(st.st_mode))
        return FileProblem::NotRegular;
    // O_NONBLOCK keeps a file swapped for a FIFO after the stat from hanging the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return ProblemFromSystemError(errno);
    FileProblem problem = FileProblem::None;
    struct stat opened{};
    if (::fstat(fd, &opened) != 0)
        problem = ProblemFromSystemError(errno);
    else if (!S_ISREG(opened.st_mode))
        problem = FileProblem::NotRegular;
    else if (opened.st_size == 0 && !allowEmpty)
        problem = FileProblem::Empty;
    ::close(fd);
    return problem;
}

FileProblem CheckWritableTarget(const std::filesystem::path& path)
{
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return ProblemFromSystemError(errno);
        const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
        struct stat dir{};
        if (::stat(folder.c_str(), &dir) != 0)
            return ProblemFromSystemError(errno);
        if (!S_ISDIR(dir.st_mode))
            return FileProblem::NotFound;
        if (::access(folder.c_str(), W_OK) != 0)
            return ProblemFromSystemError(errno);
        return FileProblem::None;
    }
    if (S_ISDIR(st.st_mode))
        return FileProblem::IsDirectory;
    if (!S_ISREG(st.st_mode))
        return FileProblem::NotRegular;
    // A file without any write bit is read-only even for a superuser, as on Windows.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return FileProblem::ReadOnly;
    if (::access(path.c_str(), W_OK) != 0)
        return errno == EACCES ? FileProblem::ReadOnly : ProblemFromSystemError(errno);
    return FileProblem::None;
}

#endif

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code ec;
    const bool same = std::filesystem::equivalent(a, b, ec);
    return !ec && same;
}

} // namespace vistrel::platform
