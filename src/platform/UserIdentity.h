#pragma once
// Who runs the program, as a short tag for names that must differ between users (the
// single-instance channel).

#include <string>

namespace vistrel::platform {

// The numeric user id on POSIX systems, the user name on Windows; never empty.
std::string CurrentUserTag();

} // namespace vistrel::platform
