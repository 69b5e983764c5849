#include "CliCommon.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vistrel::cli {

int Fail(const std::filesystem::path& file, const std::string& reason)
{
    std::fprintf(stderr, "vistrel-cli: %s: %s\n", file.string().c_str(), reason.c_str());
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
    if (errno != 0 || *end != '\0' || !std::isfinite(v)) return false;
    value = v;
    return true;
}

} // namespace vistrel::cli
