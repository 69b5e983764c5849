#pragma once
// Memory the system can give a job now without swapping.
#include <cstdint>

namespace vistrel::platform {

// Bytes of physical memory available to new allocations (Linux: MemAvailable; Windows: the
// available physical memory); 0 when the system does not say.
std::uint64_t AvailableMemoryBytes();

// Bytes of this process's memory resident now (Linux: /proc/self/statm); 0 where the system
// does not say.
std::uint64_t ResidentBytes();

} // namespace vistrel::platform
