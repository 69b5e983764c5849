#pragma once
// Texts that say why a file cannot be used: the language-module id of each reason, and the
// English wording the command-line tool prints.

#include "core/common/StringIds.h"
#include "platform/FileCheck.h"

namespace vistrel {

StringId FileProblemStringId(platform::FileProblem problem);
const char* FileProblemEnglish(platform::FileProblem problem);

// What the command-line outputs say, with exit status 2, when the values they were about to
// keep were read from a recording that changed on disk meanwhile.
inline constexpr const char* kChangedOnDiskEnglish = "the file changed on disk while it was read";

} // namespace vistrel
