#pragma once
// Helpers shared by the subcommands of vistrel-cli.

#include "core/recording/DataFile.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace vistrel::cli {

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

} // namespace vistrel::cli
