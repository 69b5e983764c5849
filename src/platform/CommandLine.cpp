#include "platform/CommandLine.h"

#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>
#else
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vistrel::platform {

#ifdef _WIN32

std::vector<std::string> Utf8Arguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string s(n > 0 ? static_cast<size_t>(n - 1) : 0, '\0');
        if (n > 1) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, s.data(), n, nullptr, nullptr);
        args.push_back(std::move(s));
    }
    LocalFree(wide);
    return args;
}

void UseBinaryStandardStreams()
{
    std::fflush(stdout);
    std::fflush(stderr);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool GuardStandardStreams()
{
    // Windows has no SIGPIPE; a console program started without standard output has no valid
    // handle behind descriptor 1 (the CRT gives -2 for it).
    const int fd = _fileno(stdout);
    return fd >= 0 && _get_osfhandle(fd) >= 0;
}

#else

std::vector<std::string> Utf8Arguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

void UseBinaryStandardStreams() {}

bool GuardStandardStreams()
{
    std::signal(SIGPIPE, SIG_IGN);
    bool outputOpen = true;
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1) continue;
        if (fd == 1) outputOpen = false;
        // open() takes the lowest free number: the closed stream's own.
        const int null = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
    return outputOpen;
}

#endif

} // namespace vistrel::platform
