#include "platform/FileTimes.h"

#include <chrono>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#endif

namespace vistrel::platform {

#ifdef _WIN32

static FILETIME ToFt(std::int64_t t)
{
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(t & 0xFFFFFFFF);
    ft.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(t) >> 32);
    return ft;
}

bool GetLastWriteTime(const std::filesystem::path& path, std::int64_t& fileTime)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    fileTime = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                         data.ftLastWriteTime.dwLowDateTime);
    return true;
}

bool SetFileTimes(const std::filesystem::path& path, std::int64_t creation, std::int64_t access,
                  std::int64_t write)
{
    HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    FILETIME c = ToFt(creation), a = ToFt(access), w = ToFt(write);
    BOOL ok = SetFileTime(h, &c, &a, &w);
    CloseHandle(h);
    return ok != 0;
}

std::int64_t CurrentFileTime()
{
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode)
{
    std::wstring wmode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wmode.c_str());
}

#else

static std::int64_t FromTimespec(const timespec& ts)
{
    return static_cast<std::int64_t>(ts.tv_sec) * 10000000LL + ts.tv_nsec / 100 + kUnixEpochFileTime;
}

static timespec ToTimespec(std::int64_t ft)
{
    std::int64_t u = ft - kUnixEpochFileTime;
    std::int64_t sec = u / 10000000LL;
    std::int64_t rem = u % 10000000LL;
    if (rem < 0) {
        rem += 10000000LL;
        --sec;
    }
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(sec);
    ts.tv_nsec = static_cast<long>(rem * 100);
    return ts;
}

bool GetLastWriteTime(const std::filesystem::path& path, std::int64_t& fileTime)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    fileTime = FromTimespec(st.st_mtim);
    return true;
}

bool SetFileTimes(const std::filesystem::path& path, std::int64_t /*creation*/, std::int64_t access,
                  std::int64_t write)
{
    // POSIX keeps no creation time that a program may set.
    timespec times[2] = {ToTimespec(access), ToTimespec(write)};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

std::int64_t CurrentFileTime()
{
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return FromTimespec(ts);
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}

#endif

} // namespace vistrel::platform
