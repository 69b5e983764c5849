#pragma once
// Registry of the temporary result files this process has written. Closing a recording
// deletes its file only when it is registered here, so a user's own file is never deleted
// just because its name begins with '~'.

#include <filesystem>

namespace vistrel {

void RegisterTempResult(const std::filesystem::path& path);
bool IsTempResult(const std::filesystem::path& path);
void UnregisterTempResult(const std::filesystem::path& path);

} // namespace vistrel
