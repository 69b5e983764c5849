#pragma once
// What the per-user instance channel needs from the system: a folder only this user can
// enter, the user on the other end of a connected local socket, the length limit of socket
// paths.

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace vistrel::platform {

// Whether local sockets are files in a folder (POSIX) rather than named pipes (Windows, where
// pipes are per session and need no folder).
bool LocalSocketsAreFiles();

enum class FolderTrust {
    Private,      // a folder of this user that no one else may enter or change
    NotFolder,    // something else (a file, a symbolic link) stands under the name
    OtherOwner,   // the folder belongs to another user
    OpenToOthers, // group or others have access to it
    CannotCreate, // it is missing and cannot be created
};

// English words for the log.
const char* FolderTrustEnglish(FolderTrust trust);

// Checks an existing folder without following a symbolic link at its name.
FolderTrust CheckPrivateFolder(const std::filesystem::path& folder);

// Creates the folder with mode 0700 when it is missing (one mkdir, so a name taken meanwhile
// by someone else is not adopted), then checks it as CheckPrivateFolder does. Windows:
// creates it when missing; Private when it is a folder.
FolderTrust MakePrivateFolder(const std::filesystem::path& folder);

// Whether the process at the other end of a connected local socket runs as this user
// (SO_PEERCRED, getpeereid). False when it cannot be told. Windows: true.
bool PeerIsCurrentUser(std::intptr_t socketDescriptor);

// The longest path a local socket can be bound to (bytes, without the terminating NUL).
std::size_t MaxLocalSocketPath();

} // namespace vistrel::platform
