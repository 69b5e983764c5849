#include "core/recording/TempResults.h"

#include <mutex>
#include <set>

namespace vistrel {

namespace {

std::mutex g_mutex;
std::set<std::filesystem::path>& Registry()
{
    static std::set<std::filesystem::path> paths;
    return paths;
}

std::filesystem::path Key(const std::filesystem::path& path)
{
    std::error_code ec;
    auto abs = std::filesystem::absolute(path, ec);
    if (ec) abs = path;
    auto canon = std::filesystem::weakly_canonical(abs, ec);
    return (ec ? abs : canon).lexically_normal();
}

} // namespace

void RegisterTempResult(const std::filesystem::path& path)
{
    auto key = Key(path);
    std::lock_guard lock(g_mutex);
    Registry().insert(key);
}

bool IsTempResult(const std::filesystem::path& path)
{
    auto key = Key(path);
    std::lock_guard lock(g_mutex);
    return Registry().count(key) != 0;
}

void UnregisterTempResult(const std::filesystem::path& path)
{
    auto key = Key(path);
    std::lock_guard lock(g_mutex);
    Registry().erase(key);
}

} // namespace vistrel
