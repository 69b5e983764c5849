#include "CliCommon.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/processing/ProcessJob.h"
#include "platform/CommandLine.h"
#include "platform/Interrupt.h"

namespace vistrel::cli {

namespace {
thread_local Capture* t_capture = nullptr;
} // namespace

void SetCapture(Capture* capture)
{
    t_capture = capture;
}

void ReportProgress(int percent)
{
    if (t_capture && t_capture->progress && !t_capture->progress(percent)) t_capture->stop = true;
}

bool StopRequested()
{
    return platform::InterruptRequested() || (t_capture && t_capture->stop.load());
}

std::function<bool()> StopCheck()
{
    Capture* capture = t_capture;
    return [capture] { return platform::InterruptRequested() || (capture && capture->stop.load()); };
}

void Note(const std::string& text)
{
    if (t_capture)
        t_capture->err += text + "\n";
    else
        std::fprintf(stderr, "vistrel-cli: %s\n", text.c_str());
}

int Fail(const std::filesystem::path& file, const std::string& reason)
{
    Note(PathToUtf8(file) + ": " + reason);
    return 2;
}

int Fail(const std::string& reason)
{
    Note(reason);
    return 2;
}

bool OpenRecording(CDataFile& file, const std::filesystem::path& path)
{
    if (!file.Open(path)) {
        Fail(path, std::string("cannot open recording: ") + OpenFailureEnglish(file));
        return false;
    }
    return true;
}

bool UnchangedOnDisk(const CDataFile& file)
{
    if (!file.ChangedOnDisk()) return true;
    Fail(file.Path(), kChangedOnDisk);
    return false;
}

namespace {
bool g_outputClosed = false;
std::string g_outputError; // the first failed write's reason
} // namespace

void GuardStandardOutput()
{
    g_outputClosed = !platform::GuardStandardStreams();
}

void ResetOutputForTest()
{
    g_outputClosed = false;
    g_outputError.clear();
}

bool WriteOutput(std::string_view text)
{
    if (t_capture) {
        t_capture->out.append(text);
        return true;
    }
    if (!g_outputError.empty()) return false;
    if (g_outputClosed) {
        g_outputError = "standard output is closed";
        return false;
    }
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size()) return true;
    const int error = errno;
    g_outputError = error ? std::strerror(error) : "write error";
    return false;
}

int FinishOutput(const std::string& what)
{
    if (t_capture) return 0;
    if (g_outputError.empty() && g_outputClosed) g_outputError = "standard output is closed";
    if (g_outputError.empty()) {
        errno = 0;
        // A failed earlier write leaves the stream's error flag even when nothing is pending.
        if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
        const int error = errno;
        g_outputError = error ? std::strerror(error) : "write error";
    }
    Note(what + ": " + g_outputError);
    return 2;
}

int ReportJob(const ProcessJob& job, const std::filesystem::path& source)
{
    if (job.m_interrupted || (!job.m_succeeded && StopRequested())) {
        Note("interrupted; no result was kept");
        return InterruptedStatus();
    }
    if (!job.m_succeeded) return Fail(source, job.m_error.empty() ? "the operation failed" : job.m_error);
    const std::string name = PathToUtf8(job.m_resultName);
    WriteOutput(name + "\n");
    if (const int status = FinishOutput(name + " was written, but its name cannot be printed"); status != 0)
        return status;
    if (StopRequested())
        return InterruptedStatus(); // the result was complete before the signal
    return 0;
}

int InterruptedStatus()
{
    const int code = platform::InterruptExitCode();
    return code != 0 ? code : 130;
}

bool ParseInt64(const char* text, std::int64_t& value)
{
    if (!text || !*text) return false;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0') return false;
    value = v;
    return true;
}

bool ParseDouble(const char* text, double& value)
{
    if (!text || !*text) return false;
    errno = 0;
    char* end = nullptr;
    double v = std::strtod(text, &end);
    // ERANGE with a finite result is an underflow toward 0: the number itself is valid.
    if (end == text || *end != '\0' || !std::isfinite(v) || (errno != 0 && errno != ERANGE)) return false;
    value = v;
    return true;
}

std::string IntegerRangeText(const std::string& option, std::int64_t lo, std::int64_t hi)
{
    return option + " must be an integer from " + std::to_string(lo) + " to " + std::to_string(hi);
}

bool ParseIntegerOption(const std::string& option, const char* text, std::int64_t lo,
                        std::int64_t hi, std::int64_t& value, std::string& problem)
{
    std::int64_t v = 0;
    if (!ParseInt64(text, v) || v < lo || v > hi) {
        problem = IntegerRangeText(option, lo, hi);
        return false;
    }
    value = v;
    return true;
}

namespace {
std::string NumberText(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    return buf;
}
} // namespace

bool ParseNumberOption(const std::string& option, const char* text, double lo, double hi,
                       double& value, std::string& problem, bool loExclusive, bool hiExclusive)
{
    double v = 0;
    const bool ok = ParseDouble(text, v) && (loExclusive ? v > lo : v >= lo) &&
                    (hiExclusive ? v < hi : v <= hi);
    if (!ok) {
        problem = option + " must be a number " + (loExclusive ? "above " : "from ") + NumberText(lo) +
                  (hiExclusive ? " to below " : " to ") + NumberText(hi);
        return false;
    }
    value = v;
    return true;
}

} // namespace vistrel::cli
