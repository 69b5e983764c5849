#include "platform/Memory.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#include <unistd.h>
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

std::uint64_t ResidentBytes()
{
#ifdef __linux__
    unsigned long long size = 0, resident = 0;
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    const bool ok = std::fscanf(f, "%llu %llu", &size, &resident) == 2;
    std::fclose(f);
    const long page = sysconf(_SC_PAGESIZE);
    return ok && page > 0 ? static_cast<std::uint64_t>(resident) * static_cast<std::uint64_t>(page) : 0;
#else
    return 0;
#endif
}

} // namespace vistrel::platform
