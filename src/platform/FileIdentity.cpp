#include "platform/FileIdentity.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vistrel::platform {

#ifdef _WIN32

bool GetFileIdentity(const std::filesystem::path& path, FileIdentity& identity) {
    HANDLE h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    FILE_BASIC_INFO basic;
    const bool ok = GetFileInformationByHandle(h, &info) &&
                    GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic);
    CloseHandle(h);
    if (!ok) return false;
    identity.device = info.dwVolumeSerialNumber;
    identity.file = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    identity.writeTime = basic.LastWriteTime.QuadPart;
    identity.changeTime = basic.ChangeTime.QuadPart;
    return true;
}

std::filesystem::path UserCacheFolder() {
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    if (!local || !*local) return {};
    return std::filesystem::path(local) / L"vistrel";
}

#else

bool GetFileIdentity(const std::filesystem::path& path, FileIdentity& identity) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    identity.device = static_cast<std::uint64_t>(st.st_dev);
    identity.file = static_cast<std::uint64_t>(st.st_ino);
    identity.size = static_cast<std::int64_t>(st.st_size);
    identity.writeTime = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    identity.changeTime = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return true;
}

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
