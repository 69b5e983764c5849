#include "platform/Threads.h"

#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace vistrel::platform {

#ifdef _WIN32

bool LowerCurrentThreadPriority()
{
    return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST) != 0;
}

bool IsCurrentThreadPriorityLowest()
{
    return GetThreadPriority(GetCurrentThread()) == THREAD_PRIORITY_LOWEST;
}

#else

namespace {
constexpr int kLowestNice = 19;
// On Linux the "process" of setpriority with a thread id is that thread alone.
id_t CurrentThreadId() { return static_cast<id_t>(syscall(SYS_gettid)); }
} // namespace

bool LowerCurrentThreadPriority()
{
    return setpriority(PRIO_PROCESS, CurrentThreadId(), kLowestNice) == 0;
}

bool IsCurrentThreadPriorityLowest()
{
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, CurrentThreadId());
    return errno == 0 && nice == kLowestNice;
}

#endif

int AvailableCores()
{
#ifdef __linux__
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
#endif
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware > 0 ? static_cast<int>(hardware) : 1;
}

} // namespace vistrel::platform
