#include "platform/FileIdentity.h"

#include <cerrno>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vistrel::platform {

bool SameFileState(const FileIdentity& a, const FileIdentity& b) {
    return a.device == b.device && a.file == b.file && a.size == b.size && a.writeTime == b.writeTime;
}

#ifdef _WIN32

bool GetOpenFileIdentity(std::intptr_t handle, FileIdentity& identity) {
    const HANDLE h = reinterpret_cast<HANDLE>(handle);
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO basic;
    if (!GetFileInformationByHandle(h, &info) || !GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic))
        return false;
    identity.device = info.dwVolumeSerialNumber;
    identity.file = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    identity.writeTime = basic.LastWriteTime.QuadPart;
    identity.changeTime = basic.ChangeTime.QuadPart;
    return true;
}

bool GetFileIdentity(const std::filesystem::path& path, FileIdentity& identity) {
    // Attributes only: no read access is asked for, so no sharing conflict with a mapping.
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetOpenFileIdentity(reinterpret_cast<std::intptr_t>(h), identity);
    CloseHandle(h);
    return ok;
}

bool ProcessMayBeAlive(long long) { return true; }

long long CurrentProcessId() { return static_cast<long long>(GetCurrentProcessId()); }

std::filesystem::path UserCacheFolder() {
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    if (!local || !*local) return {};
    return std::filesystem::path(local) / L"vistrel";
}

#else

namespace {

void FromStat(const struct stat& st, FileIdentity& identity) {
    identity.device = static_cast<std::uint64_t>(st.st_dev);
    identity.file = static_cast<std::uint64_t>(st.st_ino);
    identity.size = static_cast<std::int64_t>(st.st_size);
    identity.writeTime = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    identity.changeTime = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
}

} // namespace

bool GetFileIdentity(const std::filesystem::path& path, FileIdentity& identity) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    FromStat(st, identity);
    return true;
}

bool GetOpenFileIdentity(std::intptr_t handle, FileIdentity& identity) {
    struct stat st;
    if (::fstat(static_cast<int>(handle), &st) != 0) return false;
    FromStat(st, identity);
    return true;
}

bool ProcessMayBeAlive(long long pid) {
    if (pid <= 0 || static_cast<long long>(static_cast<pid_t>(pid)) != pid) return true;
    // Signal 0 only checks: EPERM means a process of another user holds the id.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

long long CurrentProcessId() { return static_cast<long long>(::getpid()); }

std::filesystem::path UserCacheFolder() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    // XDG_CACHE_HOME counts only when it is an absolute path; a relative one is ignored.
    if (xdg && *xdg == '/') return std::filesystem::path(xdg) / "vistrel";
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const struct passwd* pw = ::getpwuid(::getuid());
        home = pw ? pw->pw_dir : nullptr;
    }
    if (!home || !*home) return {};
    return std::filesystem::path(home) / ".cache" / "vistrel";
}

#endif

} // namespace vistrel::platform
