#pragma once
// Helpers shared by the subcommands of vistrel-cli.

#include "core/processing/FileUtil.h"
#include "core/recording/DataFile.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace vistrel::cli {

// Largest finite float: numbers stored as floats must not exceed it.
inline constexpr double kFloatMax = 3.4028234663852886e38;

// Open feedback on the command line: failures are printed by the caller from LastError().
class StderrOpenObserver : public IOpenObserver {
public:
    void ProgressTitle(int) override {}
    void Progress(int) override {}
    void Error(int) override {}
};

// Prints "vistrel-cli: <file>: <reason>" on stderr and returns exit status 2.
int Fail(const std::filesystem::path& file, const std::string& reason);
// Prints "vistrel-cli: <reason>" on stderr and returns exit status 2.
int Fail(const std::string& reason);

// Opens a recording or prints why it cannot be opened; returns false on failure.
bool OpenRecording(CDataFile& file, const std::filesystem::path& path);

// Values read from a file that changed meanwhile are not printed: this text, exit status 2.
inline constexpr const char* kChangedOnDisk = "the file changed on disk while it was read";
// False (and the message printed) when the recording changed on disk since it was opened.
bool UnchangedOnDisk(const CDataFile& file);

// Strict number parsing for options; false when text is not a whole valid number.
bool ParseInt64(const char* text, std::int64_t& value);
bool ParseDouble(const char* text, double& value);

// The message of a numeric option out of its range: "--factor must be an integer from 2 to
// 2147483647".
std::string IntegerRangeText(const std::string& option, std::int64_t lo, std::int64_t hi);
// Parses an integer option within lo..hi; on failure `problem` gets IntegerRangeText.
bool ParseIntegerOption(const std::string& option, const char* text, std::int64_t lo,
                        std::int64_t hi, std::int64_t& value, std::string& problem);
// Parses a finite number option within lo..hi (inclusive unless the flags say otherwise);
// on failure `problem` says the range.
bool ParseNumberOption(const std::string& option, const char* text, double lo, double hi,
                       double& value, std::string& problem, bool loExclusive = false,
                       bool hiExclusive = false);

} // namespace vistrel::cli
