#pragma once
// Texts that say why a file cannot be used: the language-module id of each reason, and the
// English wording the command-line tool prints.

#include "core/common/StringIds.h"
#include "platform/FileCheck.h"

namespace vistrel {

StringId FileProblemStringId(platform::FileProblem problem);
const char* FileProblemEnglish(platform::FileProblem problem);

} // namespace vistrel
