#include "platform/TimeZone.h"

#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace vistrel::platform {

namespace {
constexpr int kNoOverride = 0x7FFFFFFF;
std::atomic<int> g_override{kNoOverride};
}

int TimeZoneBiasMinutes()
{
    int o = g_override.load(std::memory_order_relaxed);
    if (o != kNoOverride) return o;
#ifdef _WIN32
    TIME_ZONE_INFORMATION tzi{};
    GetTimeZoneInformation(&tzi);
    return static_cast<int>(tzi.Bias);
#else
    tzset();
    return static_cast<int>(timezone / 60);
#endif
}

void OverrideTimeZoneBias(std::optional<int> minutes)
{
    g_override.store(minutes ? *minutes : kNoOverride, std::memory_order_relaxed);
}

} // namespace vistrel::platform
