// Result files through vistrel-cli: the source never overwritten, runs at once, signals.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <memory>
#include <thread>

#include "ProcessingTestUtil.h"
#include "TestPlatform.h"
#include "platform/UniqueFile.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

// Starts vistrel-cli in `dir`; stdout and stderr go to files there.
std::unique_ptr<ChildProcess> StartCli(const std::filesystem::path& dir, const std::vector<std::string>& args,
                                       const std::string& out) {
    auto child = std::make_unique<ChildProcess>();
    if (!child->Start(CliProgram(), args, dir, dir / out, dir / (out + ".err")))
        child.reset();
    return child;
}

// Exit status, or -signal when the process was killed.
int Wait(const std::unique_ptr<ChildProcess>& child) {
    return child ? child->Wait() : -1000;
}

int RunCli(const std::filesystem::path& dir, const std::vector<std::string>& args) {
    return Wait(StartCli(dir, args, "cli_out.txt"));
}

std::string Text(const std::filesystem::path& p) {
    const std::vector<uint8_t> b = ReadAll(p);
    return std::string(b.begin(), b.end());
}

std::string Trim(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
        s.pop_back();
    return s;
}

std::vector<std::string> Temporaries(const std::filesystem::path& dir) {
    std::vector<std::string> found;
    for (const std::string& name : FilesIn(dir))
        if (platform::IsTempFileName(name) || name.find(".part") != std::string::npos)
            found.push_back(name);
    return found;
}

bool WriteSignal(const std::filesystem::path& path, int channels, uint64_t samples) {
    FloatFixture fx;
    fx.layout.channels = channels;
    fx.layout.rate = 44100.0;
    fx.samples = samples;
    fx.value = [](uint64_t k, int c) { return static_cast<float>((k * 7 + c * 13) % 1000) * 0.01f; };
    return WriteFloatFixture(path, fx);
}

} // namespace

TEST(ResultFilesCli, ResultOverItsOwnSourceIsRefused) {
    TempDir dir;
    ASSERT_TRUE(WriteSignal(dir / "~a.kvf", 2, 1000));
    const std::string before = Text(dir / "~a.kvf");
    // Symbolic links need a privilege on Windows: without one the link spellings are left out.
    std::error_code noLink;
    std::filesystem::create_symlink("~a.kvf", dir / "link.kvf", noLink);
    std::vector<std::string> outs = {"~a.kvf", "./~a.kvf", (dir / "~a.kvf").string()};
    if (!noLink) outs.push_back("link.kvf");
    const std::string linked = noLink ? "~a.kvf" : "link.kvf";
    for (const std::string& out : outs) {
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"movavg", "~a.kvf", "--factor", "4", "--out", out},
              std::vector<std::string>{"save-fragment", "~a.kvf", "--out", out},
              std::vector<std::string>{"save-channels", linked, "--channel", "1", "--out", out}}) {
            EXPECT_EQ(RunCli(dir.Path(), command), 2) << command[0] << " --out " << out;
            EXPECT_NE(Text(dir / "cli_out.txt.err").find("source recording itself"), std::string::npos)
                << Text(dir / "cli_out.txt.err");
            ASSERT_TRUE(std::filesystem::exists(dir / "~a.kvf"));
            EXPECT_EQ(Text(dir / "~a.kvf"), before);
        }
    }
    EXPECT_TRUE(Temporaries(dir.Path()).empty());
}

TEST(ResultFilesCli, ReadOnlyTargetIsRefusedWithTheReason) {
    TempDir dir;
    ASSERT_TRUE(WriteSignal(dir / "s.kvf", 2, 1000));
    { std::ofstream(dir / "ro.kvf", std::ios::binary) << "keep"; }
    ASSERT_TRUE(SetReadOnly(dir / "ro.kvf", true));
    EXPECT_EQ(RunCli(dir.Path(), {"movavg", "s.kvf", "--factor", "3", "--out", "ro.kvf"}), 2);
    EXPECT_NE(Text(dir / "cli_out.txt.err").find("read-only"), std::string::npos) << Text(dir / "cli_out.txt.err");
    EXPECT_EQ(Text(dir / "ro.kvf"), "keep");
    SetReadOnly(dir / "ro.kvf", false);
}

TEST(ResultFilesCli, TwoRunsIntoOneTargetEachWriteAWholeResult) {
    TempDir dir;
    ASSERT_TRUE(WriteSignal(dir / "s.kvf", 4, 400000));
    const std::vector<std::string> args = {"movavg", "s.kvf", "--factor", "5", "--out", "same.kvf"};
    ASSERT_EQ(RunCli(dir.Path(), args), 0);
    std::filesystem::rename(dir / "same.kvf", dir / "alone.kvf");
    const std::string alone = Text(dir / "alone.kvf");
    const auto a = StartCli(dir.Path(), args, "a.txt");
    const auto b = StartCli(dir.Path(), args, "b.txt");
    EXPECT_EQ(Wait(a), 0) << Text(dir / "a.txt.err");
    EXPECT_EQ(Wait(b), 0) << Text(dir / "b.txt.err");
    EXPECT_TRUE(Text(dir / "same.kvf") == alone);
    EXPECT_TRUE(Temporaries(dir.Path()).empty());
}

TEST(ResultFilesCli, TwoRunsWithGeneratedNamesAtOnceKeepBothResults) {
    TempDir dir;
    ASSERT_TRUE(WriteSignal(dir / "s.kvf", 3, 100000));
    const std::vector<std::string> args = {"average", "s.kvf", "--factor", "4"};
    const auto a = StartCli(dir.Path(), args, "a.txt");
    const auto b = StartCli(dir.Path(), args, "b.txt");
    ASSERT_EQ(Wait(a), 0) << Text(dir / "a.txt.err");
    ASSERT_EQ(Wait(b), 0) << Text(dir / "b.txt.err");
    const std::string nameA = Trim(Text(dir / "a.txt")), nameB = Trim(Text(dir / "b.txt"));
    ASSERT_EQ(nameA.rfind("~average", 0), 0u);
    ASSERT_EQ(nameB.rfind("~average", 0), 0u);
    EXPECT_NE(nameA, nameB);
    const std::string resultA = Text(dir / nameA);
    EXPECT_EQ(ReadResult(dir / nameA).samples, 25000);
    EXPECT_TRUE(resultA == Text(dir / nameB));
    EXPECT_TRUE(Temporaries(dir.Path()).empty());
}

POSIX_ONLY_TEST(ResultFilesCli, SignalStopsTheRunAndLeavesNoTemporary,
                "Windows sends no signals to another process (console events reach only its console)", {
    TempDir dir;
    // A slow run: a wide moving average over a few megabytes.
    ASSERT_TRUE(WriteSignal(dir / "s.kvf", 2, 600000));
    { std::ofstream(dir / "out.kvf", std::ios::binary) << "untouched"; }
    for (const auto& [signal, code] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}, std::pair{SIGHUP, 143}}) {
        const auto child = StartCli(dir.Path(), {"movavg", "s.kvf", "--factor", "20000", "--out", "out.kvf"}, "o.txt");
        // Wait until the temporary file exists: the operation is writing.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (Temporaries(dir.Path()).empty() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_FALSE(Temporaries(dir.Path()).empty()) << "the run did not start writing";
        ASSERT_TRUE(child && child->Signal(signal));
        EXPECT_EQ(Wait(child), code) << "signal " << signal;
        EXPECT_NE(Text(dir / "o.txt.err").find("interrupted"), std::string::npos);
        EXPECT_TRUE(Temporaries(dir.Path()).empty());
        EXPECT_EQ(Text(dir / "out.kvf"), "untouched");
    }
})
