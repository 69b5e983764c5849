#pragma once
// Generated result names taken atomically: two runs started in the same second, in one
// process or in two, never write the same file.
#include <filesystem>

#include "platform/FileCheck.h"

namespace vistrel {

// Reserves `name` (for example "~movavg03_140509.KVF"), or when a file of that name exists the
// first free "~movavg03_140509_2.KVF", "_3", ..., by creating it empty and exclusively. Returns
// the reserved path, or an empty path with `problem` set when no file can be created there.
std::filesystem::path ReserveResultName(const std::filesystem::path& name,
                                        platform::FileProblem* problem = nullptr);

} // namespace vistrel
