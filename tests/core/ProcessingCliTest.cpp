// The operations through vistrel-cli.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "ProcessingTestUtil.h"
#include "core/processing/LinearCoeffs.h"
#include "core/processing/TableFunction.h"
#include "TestPlatform.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

struct CliRun {
    int status = -1;
    std::string out;
};

// Runs vistrel-cli in `dir` with the arguments; stdout captured. A run longer than
// timeoutSeconds is killed and gets status -1001.
CliRun RunCli(const std::filesystem::path& dir, const std::string& args, int timeoutSeconds = 300) {
    const ProcessRun run = RunProcess(CliProgram(), SplitArgs(args), dir, timeoutSeconds);
    return {run.status, run.out};
}

std::string Trim(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
        s.pop_back();
    return s;
}

FloatFixture Signal() {
    FloatFixture fx;
    fx.layout.channels = 3;
    fx.layout.rate = 1000.0;
    fx.layout.entries = {{1, -2, 2}, {2, -3, 3}, {3, -4, 4}};
    fx.samples = 2000;
    fx.fileTime = 133'000'000'000'000'000LL;
    fx.value = [](uint64_t k, int c) {
        return static_cast<float>((c + 1) * std::sin(kTwoPi * 50.0 * k / 1000.0));
    };
    return fx;
}

} // namespace

TEST(ProcessingCli, EveryOperationWritesItsResult) {
    TempDir dir;
    ASSERT_TRUE(WriteFloatFixture(dir / "s.kvf", Signal()));

    CliRun r = RunCli(dir.Path(), "movavg s.kvf --factor 4 --from 200 --to 100 --hide 2 --out m.kvf");
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(Trim(r.out), "m.kvf");
    Result m = ReadResult(dir / "m.kvf");
    EXPECT_EQ(m.channels, 2);
    EXPECT_EQ(m.samples, 100);

    r = RunCli(dir.Path(), "average s.kvf --factor 10");
    ASSERT_EQ(r.status, 0);
    const std::string name = Trim(r.out);
    EXPECT_EQ(name.rfind("~average", 0), 0u);
    EXPECT_EQ(name.substr(name.size() - 4), ".KVF");
    m = ReadResult(dir / name);
    EXPECT_EQ(m.samples, 200);
    EXPECT_EQ(m.rate, 100.0f);

    { std::ofstream(dir / "c.txt", std::ios::binary) << "#Linear Transformation Coeffs#\r\n2;10;1\r\n"; }
    r = RunCli(dir.Path(), "axb s.kvf --coeffs c.txt --from 0 --to 10 --out a.kvf");
    ASSERT_EQ(r.status, 0);
    m = ReadResult(dir / "a.kvf");
    ASSERT_EQ(m.channels, 3);
    EXPECT_FLOAT_EQ(m.at(3, 1), static_cast<float>(2 * std::sin(kTwoPi * 50.0 * 3 / 1000.0) * 10 + 1));
    EXPECT_EQ(m.entries[1].low, -29.0);

    r = RunCli(dir.Path(), "rms s.kvf --freq 50 --from 0 --to 1000 --out e.kvf");
    ASSERT_EQ(r.status, 0);
    m = ReadResult(dir / "e.kvf");
    EXPECT_EQ(m.samples, 51);
    EXPECT_NEAR(m.at(40, 2), 3.0 / std::sqrt(2.0), 0.02);

    r = RunCli(dir.Path(), "addsub s.kvf --output +1-1 --output -3+2@-9,9 --out d.kvf");
    ASSERT_EQ(r.status, 0);
    m = ReadResult(dir / "d.kvf");
    ASSERT_EQ(m.channels, 2);
    EXPECT_EQ(m.at(5, 0), 0.0f);
    EXPECT_EQ(m.entries[0].low, -4.0); // the operands' limits added
    EXPECT_EQ(m.entries[1].high, 9.0);
    EXPECT_EQ(m.colours[0], 0xFF0000u);

    { std::ofstream(dir / "p.txt", std::ios::binary) << "0 -1\r\n10 1\r\n"; }
    r = RunCli(dir.Path(), "tablefunc s.kvf --table 1=p.txt --table 2=p.txt --out t.kvf");
    ASSERT_EQ(r.status, 0);
    m = ReadResult(dir / "t.kvf");
    ASSERT_EQ(m.channels, 2);
    EXPECT_NEAR(m.at(5, 0), (std::sin(kTwoPi * 50.0 * 5 / 1000.0) + 1) * 5, 1e-5);
    EXPECT_EQ(m.at(5, 1), 10.0f); // 2 is beyond the last argument
    EXPECT_EQ(m.entries[1].low, 0.0); // the range of the table's values
    EXPECT_EQ(m.entries[1].high, 10.0);

    r = RunCli(dir.Path(), "spectrum s.kvf --channel 1 --channel 3 --from 0 --to 1000 --high-hz 100 --points 101 --out f.kvf");
    ASSERT_EQ(r.status, 0);
    m = ReadResult(dir / "f.kvf");
    ASSERT_EQ(m.samples, 101);
    EXPECT_EQ(m.at(50, 1), 0.0f);

    r = RunCli(dir.Path(), "spectrum s.kvf --channel 2 --from 500 --to 1500 --fft --low-hz -5 --high-hz 5000 --window 3");
    ASSERT_EQ(r.status, 0);
    m = ReadResult(dir / Trim(r.out));
    EXPECT_EQ(m.samples, 513); // 0 .. half the sampling rate, both ends included

    r = RunCli(dir.Path(), "save-fragment s.kvf --from 10 --to 12 --out frag.txt --time-style 1");
    ASSERT_EQ(r.status, 0);
    std::ifstream txt(dir / "frag.txt", std::ios::binary);
    std::string first;
    std::getline(txt, first);
    EXPECT_EQ(first, "From Begin (mks)    Chan# 01    Chan# 02    Chan# 03\r");

    r = RunCli(dir.Path(), "save-channels s.kvf --out ch.kvf --channel 3@-1,1 --channel 1 --from 0 --to 5");
    ASSERT_EQ(r.status, 0);
    m = ReadResult(dir / "ch.kvf");
    ASSERT_EQ(m.channels, 2);
    EXPECT_EQ(m.samples, 5);
    EXPECT_EQ(m.entries[0].high, 1.0);
    EXPECT_EQ(m.entries[1].high, 2.0);
}

TEST(ProcessingCli, FailuresLeaveNoFile) {
    TempDir dir;
    ASSERT_TRUE(WriteFloatFixture(dir / "s.kvf", Signal()));
    const char* bad[] = {
        "movavg s.kvf --factor 1",
        "movavg s.kvf --factor 4 --from 5 --to 5",
        "movavg missing.kvf --factor 4",
        "axb s.kvf --coeffs none.txt",
        "rms s.kvf --freq 0",
        "addsub s.kvf --output +1*2",
        "addsub s.kvf --output +1-4",
        "tablefunc s.kvf --table 9=p.txt",
        "spectrum s.kvf --channel 1 --window 5",
        "spectrum s.kvf --channel 1 --points 0",
        "save-fragment s.kvf",
        "save-fragment s.kvf --out x.kvf --devices 2",
        "save-channels s.kvf --out y.kvf",
        "movavg s.kvf --factor 4 --hide 7",
        "movavg s.kvf --factor 4 --bogus 1",
        "movavg s.kvf --factor 4 --from -1",
        "movavg s.kvf --factor 4 --to 2001",
    };
    for (const char* args : bad) {
        const CliRun r = RunCli(dir.Path(), args);
        EXPECT_NE(r.status, 0) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"s.kvf"})) << args;
    }
}

POSIX_ONLY_TEST(ProcessingCli, WriteFailureRemovesThePartialResult,
                "Windows has no file-size limit per process (ulimit -f)", {
    TempDir dir;
    FloatFixture fx = Signal();
    fx.samples = 200000;
    ASSERT_TRUE(WriteFloatFixture(dir / "s.kvf", fx));
    { std::ofstream(dir / "out.kvf", std::ios::binary) << "previous"; }
    // A file-size limit of 1 MiB makes the writes fail part way (as a full disk would).
    const std::string command = "cd \"" + dir.Path().string() + "\" && trap '' XFSZ; ulimit -f 2048; \"" +
                                CliProgram().string() + "\" movavg s.kvf --factor 2 --out out.kvf 2>/dev/null";
    const int rc = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(rc));
    EXPECT_EQ(WEXITSTATUS(rc), 2);
    EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"out.kvf", "s.kvf"}));
    std::ifstream in(dir / "out.kvf");
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "previous");
})

TEST(ProcessingCli, ParameterFilesThatAreFifosAreRefusedAtOnce) {
    TempDir dir;
    ASSERT_TRUE(WriteFloatFixture(dir / "s.kvf", Signal()));
    if (!MakeFifo(dir / "c.txt")) GTEST_SKIP() << "The system has no FIFOs";
    ASSERT_TRUE(MakeFifo(dir / "p.txt"));
    // Without the type check the reader waits for a writer forever, until killed (-1001).
    CliRun r = RunCli(dir.Path(), "axb s.kvf --coeffs c.txt --out a.kvf", 20);
    EXPECT_EQ(r.status, 2);
    r = RunCli(dir.Path(), "tablefunc s.kvf --table 1=p.txt --out t.kvf", 20);
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "a.kvf"));
    EXPECT_FALSE(std::filesystem::exists(dir / "t.kvf"));

    float a[kMaxCoeffChannels] = {}, b[kMaxCoeffChannels] = {};
    platform::FileProblem problem = platform::FileProblem::None;
    EXPECT_EQ(ReadCoeffFile((dir / "c.txt").string(), a, b, nullptr, nullptr, &problem),
              CoeffFileStatus::NotFound);
    EXPECT_EQ(problem, platform::FileProblem::NotRegular);
    TableFunction table;
    EXPECT_FALSE(ReadPointsFile((dir / "p.txt").string(), table, nullptr, &problem));
    EXPECT_EQ(problem, platform::FileProblem::NotRegular);
    EXPECT_FALSE(ReadPointsFile((dir / "none.txt").string(), table, nullptr, &problem));
    EXPECT_EQ(problem, platform::FileProblem::NotFound);
}
