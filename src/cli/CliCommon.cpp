#include "CliCommon.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vistrel::cli {

int Fail(const std::filesystem::path& file, const std::string& reason)
{
    std::fprintf(stderr, "vistrel-cli: %s: %s\n", PathToUtf8(file).c_str(), reason.c_str());
    return 2;
}

int Fail(const std::string& reason)
{
    std::fprintf(stderr, "vistrel-cli: %s\n", reason.c_str());
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
