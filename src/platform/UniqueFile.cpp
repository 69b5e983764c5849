#include "platform/UniqueFile.h"

#include <atomic>
#include <chrono>
#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vistrel::platform {

namespace {

// Six characters from [0-9a-z], different on every call and in every process.
std::string RandomSuffix()
{
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937_64 engine([] {
        std::random_device device;
        const auto now = static_cast<unsigned long long>(
            std::chrono::high_resolution_clock::now().time_since_epoch().count());
        std::seed_seq seq{device(), device(), static_cast<unsigned>(now), static_cast<unsigned>(now >> 32)};
        return std::mt19937_64(seq);
    }());
    unsigned long long value = engine() ^ (static_cast<unsigned long long>(counter++) << 40);
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string s(6, '0');
    for (char& c : s) {
        c = digits[value % 36];
        value /= 36;
    }
    return s;
}

} // namespace

#ifdef _WIN32

CreateOutcome CreateExclusiveFile(const std::filesystem::path& path, FileProblem* problem)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (problem) *problem = ProblemFromSystemError(static_cast<int>(error));
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? CreateOutcome::Exists
                                                                          : CreateOutcome::Failed;
    }
    CloseHandle(h);
    if (problem) *problem = FileProblem::None;
    return CreateOutcome::Created;
}

FileProblem LastSystemProblem()
{
    return ProblemFromSystemError(static_cast<int>(GetLastError()));
}

#else

CreateOutcome CreateExclusiveFile(const std::filesystem::path& path, FileProblem* problem)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        if (problem) *problem = ProblemFromSystemError(error);
        return error == EEXIST ? CreateOutcome::Exists : CreateOutcome::Failed;
    }
    ::close(fd);
    if (problem) *problem = FileProblem::None;
    return CreateOutcome::Created;
}

FileProblem LastSystemProblem()
{
    return ProblemFromSystemError(errno);
}

#endif

std::filesystem::path CreateTempBeside(const std::filesystem::path& target, FileProblem* problem)
{
    const std::filesystem::path folder = target.parent_path();
    std::filesystem::path name = ".";
    name += target.filename();
    name += kTempMarker;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path candidate = name;
        candidate += RandomSuffix();
        candidate += kTempSuffix;
        const std::filesystem::path path = folder / candidate;
        FileProblem why = FileProblem::None;
        switch (CreateExclusiveFile(path, &why)) {
        case CreateOutcome::Created:
            if (problem) *problem = FileProblem::None;
            return path;
        case CreateOutcome::Exists: continue;
        case CreateOutcome::Failed:
            if (problem) *problem = why;
            return {};
        }
    }
    if (problem) *problem = FileProblem::Other;
    return {};
}

bool IsTempFileName(const std::filesystem::path& path)
{
    const std::u8string s = path.filename().u8string();
    const std::u8string marker(reinterpret_cast<const char8_t*>(kTempMarker));
    const std::u8string suffix(reinterpret_cast<const char8_t*>(kTempSuffix));
    const size_t at = s.rfind(marker);
    return !s.empty() && s[0] == u8'.' && at != std::u8string::npos &&
           s.size() == at + marker.size() + 6 + suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace vistrel::platform
