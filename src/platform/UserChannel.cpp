#include "platform/UserChannel.h"

#ifdef _WIN32
#include <system_error>
#else
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace vistrel::platform {

const char* FolderTrustEnglish(FolderTrust trust) {
    switch (trust) {
    case FolderTrust::Private: return "private folder";
    case FolderTrust::NotFolder: return "not a folder (a file or a symbolic link stands there)";
    case FolderTrust::OtherOwner: return "the folder belongs to another user";
    case FolderTrust::OpenToOthers: return "the folder is open to other users";
    case FolderTrust::CannotCreate: return "the folder cannot be created";
    }
    return "unknown";
}

#ifdef _WIN32

bool LocalSocketsAreFiles() { return false; }

FolderTrust CheckPrivateFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    return std::filesystem::is_directory(folder, ec) ? FolderTrust::Private : FolderTrust::NotFolder;
}

FolderTrust MakePrivateFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directory(folder, ec);
    if (!std::filesystem::exists(folder, ec)) return FolderTrust::CannotCreate;
    return CheckPrivateFolder(folder);
}

bool PeerIsCurrentUser(std::intptr_t) { return true; }

std::size_t MaxLocalSocketPath() { return 255; }

#else

bool LocalSocketsAreFiles() { return true; }

FolderTrust CheckPrivateFolder(const std::filesystem::path& folder) {
    struct stat st;
    if (::lstat(folder.c_str(), &st) != 0) return FolderTrust::CannotCreate;
    if (!S_ISDIR(st.st_mode)) return FolderTrust::NotFolder;
    if (st.st_uid != ::geteuid()) return FolderTrust::OtherOwner;
    if ((st.st_mode & 077) != 0) return FolderTrust::OpenToOthers;
    return FolderTrust::Private;
}

FolderTrust MakePrivateFolder(const std::filesystem::path& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return FolderTrust::CannotCreate;
    return CheckPrivateFolder(folder);
}

bool PeerIsCurrentUser(std::intptr_t socketDescriptor) {
    if (socketDescriptor < 0) return false;
    const int fd = static_cast<int>(socketDescriptor);
#if defined(SO_PEERCRED) && defined(__linux__)
    struct ucred cred {};
    socklen_t size = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0 || size != sizeof cred) return false;
    return cred.uid == ::geteuid();
#else
    uid_t uid = 0;
    gid_t gid = 0;
    if (::getpeereid(fd, &uid, &gid) != 0) return false;
    return uid == ::geteuid();
#endif
}

std::size_t MaxLocalSocketPath() { return sizeof(sockaddr_un::sun_path) - 1; }

#endif

} // namespace vistrel::platform
