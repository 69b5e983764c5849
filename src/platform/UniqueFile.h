#pragma once
// Files created exclusively: a name is taken only when nothing of that name exists, so two
// runs (or a user's own file) never end up sharing one file.

#include <filesystem>
#include <string>

#include "platform/FileCheck.h"

namespace vistrel::platform {

enum class CreateOutcome { Created, Exists, Failed };

// Creates an empty regular file at path, failing when anything of that name exists
// (O_CREAT|O_EXCL, CREATE_NEW). `problem` gets the reason of a failure.
CreateOutcome CreateExclusiveFile(const std::filesystem::path& path, FileProblem* problem = nullptr);

// Marker in the names of temporary files, ".<target name>.vistrel-XXXXXX.part".
inline constexpr const char* kTempMarker = ".vistrel-";
inline constexpr const char* kTempSuffix = ".part";

// Creates a new empty temporary file beside `target` named ".<target name>.vistrel-XXXXXX.part"
// with a random XXXXXX. Empty path (and `problem` set) when none can be created.
std::filesystem::path CreateTempBeside(const std::filesystem::path& target,
                                       FileProblem* problem = nullptr);

// True when the file name has the pattern of CreateTempBeside.
bool IsTempFileName(const std::filesystem::path& path);

// The reason of the last failed system call of this thread (errno, GetLastError).
FileProblem LastSystemProblem();

} // namespace vistrel::platform
