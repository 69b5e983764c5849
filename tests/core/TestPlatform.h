#pragma once
// What the core tests need from the operating system, the same on POSIX systems and on Windows:
// child processes, environment variables, FIFOs. Tests that need what Windows lacks (fork,
// SIGBUS, FIFOs) use POSIX_ONLY_TEST, which compiles their body only on POSIX systems and
// reports them skipped, with the reason, on Windows.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#ifdef _WIN32
#define POSIX_ONLY_TEST(suite, name, reason, ...) \
    TEST(suite, name) { GTEST_SKIP() << "POSIX only: " << reason; }
#else
#define POSIX_ONLY_TEST(suite, name, reason, ...) TEST(suite, name) __VA_ARGS__
#endif

namespace vistrel::test {

#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

// Name of a program file: "name.exe" on Windows.
std::filesystem::path ProgramFile(std::filesystem::path path);

// Splits a command line at blanks; '...' and "..." quote (as a POSIX shell without escapes).
std::vector<std::string> SplitArgs(const std::string& line);

struct ProcessRun {
    int status = -1000; // exit code; -signal when killed by one; -1000 when it did not start
    std::string out;
    std::string err;
};

// A child process whose standard output and error go to files (UTF-8 paths and arguments).
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // dir empty: the current folder. errFile empty: stderr into outFile too.
    bool Start(const std::filesystem::path& program, const std::vector<std::string>& args,
               const std::filesystem::path& dir, const std::filesystem::path& outFile,
               const std::filesystem::path& errFile = {});
    // Waits at most timeoutSeconds (then kills it and returns -1001); see ProcessRun::status.
    int Wait(int timeoutSeconds = 300);
    // Asks the process to stop: SIGINT/SIGTERM on POSIX; false on Windows.
    bool Signal(int signal);
    long Id() const;

private:
#ifdef _WIN32
    void* m_process = nullptr;
#else
    pid_t m_pid = -1;
#endif
};

// Runs program to its end and returns its exit status and output.
ProcessRun RunProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const std::filesystem::path& dir = {}, int timeoutSeconds = 300);

// The command-line tool built beside the tests.
std::filesystem::path CliProgram();

// Sets (value) or removes (nullopt) an environment variable for the rest of the process.
void SetEnvVar(const char* name, const std::optional<std::string>& value);

// An environment variable changed for a scope and restored at its end.
class ScopedEnvVar {
public:
    ScopedEnvVar(const char* name, const std::optional<std::string>& value);
    ~ScopedEnvVar();
    ScopedEnvVar(const ScopedEnvVar&) = delete;
    ScopedEnvVar& operator=(const ScopedEnvVar&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// Another spelling of an existing file: a symbolic link at `link` where the system lets this
// process make one, else (Windows without the privilege) the name in upper case, which names
// the same file on Windows' case-insensitive file systems.
std::filesystem::path LinkOrOtherSpelling(const std::filesystem::path& file, const std::filesystem::path& link);

// Creates a FIFO; false where the system has none (Windows).
bool MakeFifo(const std::filesystem::path& path);

// Opens a FIFO for writing without waiting and closes it again: releases a blocked reader.
void OpenFifoBriefly(const std::filesystem::path& path);

// Marks a file read-only (the write bits, or the read-only attribute) or writable again.
bool SetReadOnly(const std::filesystem::path& path, bool readOnly);

// Bytes of a code page decoded by the system itself (MultiByteToWideChar; iconv on POSIX
// systems); nullopt when it cannot.
std::optional<std::u16string> SystemDecode(int codePage, const std::string& bytes);

// The system's 8-bit ("ANSI") code page: GetACP() on Windows, 1251 on POSIX systems (the
// platform layer's choice there).
int AnsiCodePage();

// True when the process runs with a superuser's rights (POSIX root); false on Windows.
bool RunsAsSuperuser();

} // namespace vistrel::test
