#include "platform/Interrupt.h"

#include <atomic>
#include <csignal>
#include <mutex>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#endif

namespace vistrel::platform {

namespace {

// The exit code the signal asks for; lock-free so a handler may store it.
std::atomic<int> g_exitCode{0};
static_assert(std::atomic<int>::is_always_lock_free);

#ifdef _WIN32
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    g_exitCode.store(event == CTRL_C_EVENT ? 130 : 143);
    return TRUE;
}
#else
extern "C" void OnSignal(int signal)
{
    g_exitCode.store(signal == SIGINT ? 130 : 143);
}
#endif

} // namespace

void InstallInterruptHandlers()
{
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
    struct sigaction action{};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
#endif
}

bool InterruptRequested()
{
    return g_exitCode.load(std::memory_order_relaxed) != 0;
}

int InterruptExitCode()
{
    return g_exitCode.load();
}

void ClearInterrupt()
{
    g_exitCode.store(0);
}

namespace {
std::mutex g_scopeMutex;
int g_scopes = 0;
#ifndef _WIN32
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_hostActions[3];
#endif
} // namespace

InterruptScope::InterruptScope()
{
    std::lock_guard<std::mutex> lock(g_scopeMutex);
    if (g_scopes++ > 0) return;
    ClearInterrupt();
#ifndef _WIN32
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], nullptr, &g_hostActions[i]);
#endif
    InstallInterruptHandlers();
}

InterruptScope::~InterruptScope()
{
    std::lock_guard<std::mutex> lock(g_scopeMutex);
    if (--g_scopes > 0) return;
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
#else
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &g_hostActions[i], nullptr);
#endif
}

} // namespace vistrel::platform
