#pragma once
// Helpers shared by the subcommands of vistrel-cli.

#include "core/common/FileProblemText.h"
#include "core/processing/FileUtil.h"
#include "core/processing/ProcessJob.h"
#include "core/recording/DataFile.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

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

// A command run inside another program (the Python module) on this thread: what the command
// would print goes to these strings instead of the standard streams, its progress to
// `progress`, and `stop` (or a false return of `progress`) stops it as Ctrl-C does.
struct Capture {
    std::string out;
    std::string err;
    std::function<bool(int percent)> progress;
    std::atomic<bool> stop{false};
};
// Sets (or with nullptr clears) the capture of the calling thread.
void SetCapture(Capture* capture);
// The running operation's progress, reported to the capture when there is one.
void ReportProgress(int percent);
// True when the operation should stop: a signal arrived or the capture asked for it.
bool StopRequested();
// StopRequested of the command running on this thread, for worker threads to call.
std::function<bool()> StopCheck();

// Feedback of a running operation: progress to the capture, stopped by StopRequested().
class CommandObserver : public IProcessObserver {
public:
    void ProgressTitle(int) override {}
    void Progress(int percent) override { ReportProgress(percent); }
    void Failed(const std::string&) override {}
    void OpenResult(const std::filesystem::path&) override {}
    bool StopRequested() override { return cli::StopRequested(); }
};

// Prints "vistrel-cli: <text>" on stderr (or into the capture).
void Note(const std::string& text);
// Prints "vistrel-cli: <file>: <reason>" on stderr and returns exit status 2.
int Fail(const std::filesystem::path& file, const std::string& reason);
// Prints "vistrel-cli: <reason>" on stderr and returns exit status 2.
int Fail(const std::string& reason);

// Opens a recording or prints why it cannot be opened; returns false on failure.
bool OpenRecording(CDataFile& file, const std::filesystem::path& path);

// Values read from a file that changed meanwhile are not printed: this text, exit status 2.
inline constexpr const char* kChangedOnDisk = kChangedOnDiskEnglish;
// False (and the message printed) when the recording changed on disk since it was opened.
bool UnchangedOnDisk(const CDataFile& file);

// Standard output of the tool. Every write is checked: a full disk, a closed pipe or a standard
// output closed at the start makes the command fail with a message instead of exiting 0.
// Called once at the start: see platform::GuardStandardStreams.
void GuardStandardOutput();
// Writes the bytes; false (the reason kept for FinishOutput) once any write failed.
bool WriteOutput(std::string_view text);
// Flushes standard output: 0 when everything reached it, else prints "vistrel-cli: <what>:
// <reason>" and returns 2.
int FinishOutput(const std::string& what = "cannot write the output");
// Tests: forgets an earlier failure and whether standard output was closed.
void ResetOutputForTest();

// After RunProcessJob: prints the result's name and returns 0, or says why there is no result
// and returns non-zero. A result renamed over its target is kept: the engine's check of the
// source, made just before the rename, decides.
int ReportJob(const ProcessJob& job, const std::filesystem::path& source);

// The exit status of a stopped run: 130 after Ctrl-C or a stop asked through the capture,
// 143 after SIGTERM or SIGHUP.
int InterruptedStatus();

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
