#include "platform/Memory.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#endif

namespace vistrel::platform {

std::uint64_t AvailableMemoryBytes()
{
#ifdef _WIN32
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return 0;
    return static_cast<std::uint64_t>(status.ullAvailPhys);
#else
    std::uint64_t available = 0;
    if (std::FILE* f = std::fopen("/proc/meminfo", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f)) {
            unsigned long long kb = 0;
            if (std::sscanf(line, "MemAvailable: %llu kB", &kb) == 1) {
                available = static_cast<std::uint64_t>(kb) * 1024u;
                break;
            }
        }
        std::fclose(f);
    }
    return available;
#endif
}

} // namespace vistrel::platform
