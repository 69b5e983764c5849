// What vistrel-cli keeps and reports around its outputs: a result renamed over its target stays
// whatever happens to the source afterwards, and a failed write to standard output (a full disk,
// a closed pipe, a closed stream) is a failure with a message, never exit status 0.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <string>

#include "ProcessingTestUtil.h"
#include "TestPlatform.h"
#include "cli/CliCommon.h"
#include "core/processing/Engine.h"
#include "platform/FileTimes.h"

using namespace vistrel;
using namespace vistrel::test;
namespace fs = std::filesystem;

namespace {

FloatFixture Wave(std::uint64_t samples) {
    FloatFixture fx;
    fx.layout.channels = 3;
    fx.layout.rate = 1000.0;
    fx.samples = samples;
    fx.value = [](std::uint64_t k, int c) { return static_cast<float>((c + 1) * std::sin(0.01 * static_cast<double>(k))); };
    return fx;
}

// Another program touches the source: its time of last write moves on by a second (also
// where an open recording cannot be written to by others).
void Touch(const fs::path& file) {
    std::int64_t t = 0;
    ASSERT_TRUE(platform::GetLastWriteTime(file, t));
    ASSERT_TRUE(platform::SetFileTimes(file, t, t, t + 10'000'000));
}

std::string Bytes(const fs::path& file) {
    const std::vector<std::uint8_t> b = ReadAll(file);
    return std::string(b.begin(), b.end());
}

// The source changes at one of two moments: before the engine's last check (no result, the old
// target stays) or between that check and the rename (the result stands and is reported).
struct SourceChange {
    const char* name;
    bool beforeTheCheck;
    int status;
    bool resultKept;
};

const SourceChange kSourceChanges[] = {
    {"before the last check", true, 2, false},
    {"after the last check", false, 0, true},
};

} // namespace

TEST(CliResult, TheCheckBeforeTheRenameDecidesWhatIsKept) {
    for (const SourceChange& c : kSourceChanges) {
        SCOPED_TRACE(c.name);
        Source src(Wave(2000));
        const fs::path target = src.dir / "old.kvf";
        { std::ofstream(target, std::ios::binary) << "OLD"; }
        src.job.m_averagingFactor = 4;
        if (c.beforeTheCheck)
            engine::SetBeforeResultRenameForTest([] { ADD_FAILURE() << "renamed a result of a changed source"; });
        else
            engine::SetBeforeResultRenameForTest([&] { Touch(src.file); });
        if (c.beforeTheCheck)
            Touch(src.file);
        src.Run(OP_MOVING_AVERAGE, "old.kvf");
        engine::SetBeforeResultRenameForTest({});
        EXPECT_TRUE(src.data.ChangedOnDisk());
        cli::ResetOutputForTest();
        EXPECT_EQ(cli::ReportJob(src.job, src.file), c.status);
        if (c.resultKept) {
            const Result r = ReadResult(target);
            ASSERT_TRUE(r.ok);
            EXPECT_EQ(r.samples, 2000);
        } else {
            EXPECT_EQ(Bytes(target), "OLD");
        }
        EXPECT_EQ(FilesIn(src.dir.Path()), (std::vector<std::string>{"old.kvf", "src.kvf"}));
    }
}

namespace {

// One command with its standard output sent somewhere that cannot take it.
struct OutputCase {
    const char* name;
    const char* args;     // after the program, in the folder of s.kvf
    const char* redirect; // of the command's standard output; empty: a pipe closed early
    const char* reason;   // in the message on standard error
};

const OutputCase kOutputCases[] = {
    {"dump to a full disk", "dump s.kvf", "> /dev/full", "No space left on device"},
    {"info to a full disk", "info s.kvf", "> /dev/full", "No space left on device"},
    {"help to a full disk", "--help", "> /dev/full", "No space left on device"},
    {"a result's name to a full disk", "movavg s.kvf --factor 4 --out r.kvf", "> /dev/full",
     "r.kvf was written, but its name cannot be printed: No space left on device"},
    {"dump to a closed output", "dump s.kvf", ">&-", "standard output is closed"},
    {"info to a closed output", "info s.kvf", ">&-", "standard output is closed"},
    {"a result's name to a closed output", "movavg s.kvf --factor 4 --out r.kvf", ">&-",
     "r.kvf was written, but its name cannot be printed: standard output is closed"},
    {"dump to a reader that went away", "dump s.kvf", "", "Broken pipe"},
};

} // namespace

POSIX_ONLY_TEST(CliOutput, FailedWritesToStandardOutputFailTheCommand,
                "needs /dev/full, a POSIX shell and closed descriptors", {
    TempDir dir;
    // Far more text than a pipe holds, so the writer meets the closed pipe.
    ASSERT_TRUE(WriteFloatFixture(dir / "s.kvf", Wave(20000)));
    const std::string recording = Bytes(dir / "s.kvf");
    for (const OutputCase& c : kOutputCases) {
        SCOPED_TRACE(c.name);
        fs::remove(dir / "r.kvf");
        // The command's status goes to standard error after its own messages.
        const std::string script = std::string("{ \"$0\" ") + c.args + " " + c.redirect +
                                   "; echo \"status=$?\" >&2; } | head -c 1 > /dev/null";
        const ProcessRun run = RunProcess("/bin/sh", {"-c", script, CliProgram().string()}, dir.Path());
        ASSERT_EQ(run.status, 0) << run.err;
        const size_t at = run.err.rfind("status=");
        ASSERT_NE(at, std::string::npos) << run.err;
        EXPECT_EQ(std::stoi(run.err.substr(at + 7)), 2) << run.err;
        EXPECT_NE(run.err.find(std::string("vistrel-cli: ")), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
        // Nothing meant for the terminal landed in a file that took the closed stream's place.
        EXPECT_EQ(Bytes(dir / "s.kvf"), recording);
        if (std::string(c.args).find("--out") != std::string::npos) {
            EXPECT_TRUE(ReadResult(dir / "r.kvf").ok);
        }
    }
})
