#include "core/common/FileProblemText.h"

namespace vistrel {

using platform::FileProblem;

StringId FileProblemStringId(FileProblem problem)
{
    switch (problem) {
    case FileProblem::None: return IDS_FILE_OK;
    case FileProblem::NotFound: return IDS_FILE_NOT_FOUND_REASON;
    case FileProblem::PermissionDenied: return IDS_FILE_PERMISSION_DENIED;
    case FileProblem::IsDirectory: return IDS_FILE_IS_DIRECTORY;
    case FileProblem::NotRegular: return IDS_FILE_NOT_REGULAR;
    case FileProblem::SymlinkLoop: return IDS_FILE_SYMLINK_LOOP;
    case FileProblem::PathTooLong: return IDS_FILE_PATH_TOO_LONG;
    case FileProblem::Empty: return IDS_FILE_EMPTY;
    case FileProblem::DiskFull: return IDS_FILE_DISK_FULL;
    case FileProblem::ReadOnly: return IDS_FILE_READ_ONLY;
    case FileProblem::Other: break;
    }
    return IDS_FILE_OTHER_PROBLEM;
}

const char* FileProblemEnglish(FileProblem problem)
{
    switch (problem) {
    case FileProblem::None: return "no problem";
    case FileProblem::NotFound: return "the file or its folder does not exist";
    case FileProblem::PermissionDenied: return "permission denied";
    case FileProblem::IsDirectory: return "it is a folder, not a file";
    case FileProblem::NotRegular: return "it is not a regular file (a pipe, socket or device)";
    case FileProblem::SymlinkLoop: return "too many levels of symbolic links";
    case FileProblem::PathTooLong: return "the path is too long";
    case FileProblem::Empty: return "the file is empty";
    case FileProblem::DiskFull: return "the disk is full";
    case FileProblem::ReadOnly: return "the file or the disk is read-only";
    case FileProblem::Other: break;
    }
    return "the system refused access to the file";
}

} // namespace vistrel
