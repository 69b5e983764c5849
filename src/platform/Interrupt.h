#pragma once
// Interruption of a command-line run: SIGINT, SIGTERM and SIGHUP (Ctrl-C, Ctrl-Break and the
// closing of the console on Windows) only set a flag; the running operation polls it, removes
// its temporary file and the program exits with InterruptExitCode().

namespace vistrel::platform {

// Installs the handlers. Safe to call more than once.
void InstallInterruptHandlers();
// True once one of the signals arrived.
bool InterruptRequested();
// 130 after SIGINT (Ctrl-C), 143 after SIGTERM or SIGHUP (other console events); 0 without one.
int InterruptExitCode();
// Forgets a received signal (tests).
void ClearInterrupt();

// The handlers while a run inside another program (the Python module) is active on any
// thread: the first scope clears an earlier signal, saves the host's handlers and installs
// these; the last one to end puts the host's handlers back.
class InterruptScope {
public:
    InterruptScope();
    ~InterruptScope();
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;
};

} // namespace vistrel::platform
