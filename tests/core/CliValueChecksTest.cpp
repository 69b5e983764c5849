// vistrel-cli refuses values that cannot be meant, with the reason, before anything is written;
// its help states the defaults it uses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <regex>

#include "ProcessingTestUtil.h"
#include "TestPlatform.h"
#include "cli/CliArgs.h"
#include "core/common/HelpPages.h"
#include "core/processing/ParamChecks.h"
#include "core/recording/DataFile.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

FloatFixture Recording(double rate) {
    FloatFixture fx;
    fx.layout.channels = 2;
    fx.layout.rate = rate;
    fx.layout.entries = {{1, -2, 2}, {2, -1, 1e30}};
    fx.samples = 200;
    fx.fileTime = 133'000'000'000'000'000LL;
    fx.value = [](uint64_t k, int c) { return static_cast<float>(k % 7) - static_cast<float>(c); };
    return fx;
}

cli::Args OutArgs(const std::string& out) {
    cli::Args a;
    a.file = "s.kvf";
    a.values.emplace("--out", out);
    return a;
}

} // namespace

TEST(CliValueChecks, CoreChecksAtTheirLimits) {
    struct Case {
        double a, b, lo, hi;
        bool fits;
    };
    const Case linear[] = {
        {1, 0, -1, 1, true},
        {1.7e38, 0, -2, 2, true},       // 3.4e38 is the largest float
        {1.8e38, 0, -2, 2, false},
        {-1.8e38, 0, -2, 2, false},     // the low end overflows downwards
        {1, 3.4e38, -1, 1e37, false},   // B pushes the high end out
        {1e39, 0, 0, 0, false},         // A itself is no float
        {1, HUGE_VAL, 0, 1, false},
        {1, 0, -1e30, 1e30, true},
    };
    for (const Case& c : linear)
        EXPECT_EQ(LinearFitsChannel(c.a, c.b, c.lo, c.hi), c.fits) << c.a << " " << c.b << " " << c.hi;
    struct Rms {
        double f, rate;
        bool ok;
    };
    for (const Rms& r : {Rms{500, 1000, true}, Rms{500.001, 1000, false}, Rms{1e9, 1000, false},
                         Rms{0, 1000, false}, Rms{-1, 1000, false}, Rms{NAN, 1000, false}, Rms{0.001, 0.01, true}})
        EXPECT_EQ(RmsFrequencyAllowed(r.f, r.rate), r.ok) << r.f << " at " << r.rate;
    EXPECT_TRUE(RangeOrdered(-1, 1));
    EXPECT_FALSE(RangeOrdered(1, 1));
    EXPECT_FALSE(RangeOrdered(2, 1));
    EXPECT_FALSE(RangeOrdered(-INFINITY, 1));
}

TEST(CliValueChecks, OutNamesThatSayWhatIsWritten) {
    struct Case {
        const char* command;
        const char* out;
        const char* problem; // a part of the message; empty: taken
    };
    const Case cases[] = {
        {"movavg", "", "--out needs a file name"},
        {"save-fragment", "", "--out needs a file name"},
        {"save-fragment", "noext", ".kvf (a recording) or .txt (a text table)"},
        {"save-fragment", "a.kvf.bak", ".kvf (a recording) or .txt (a text table)"},
        {"save-fragment", "dir.kvf/x", ".kvf (a recording) or .txt (a text table)"},
        {"save-fragment", "T.TXT", ""},
        {"save-fragment", "r.Kvf", ""},
        {"save-channels", "x.txt", "save-channels writes a recording"},
        {"save-channels", "x", "save-channels writes a recording"},
        {"save-channels", "X.KVF", ""},
        {"movavg", "result.dat", ""}, // operations always write recordings, whatever the name
    };
    for (const Case& c : cases) {
        const std::string problem = cli::OutNameProblem(c.command, OutArgs(c.out));
        if (*c.problem == '\0')
            EXPECT_EQ(problem, "") << c.command << " " << c.out;
        else
            EXPECT_NE(problem.find(c.problem), std::string::npos) << c.command << " '" << c.out << "': " << problem;
    }
    cli::Args none;
    none.file = "s.kvf";
    EXPECT_EQ(cli::OutNameProblem("save-fragment", none), "");
}

TEST(CliValueChecks, RefusedRunsSayWhyAndWriteNothing) {
    TempDir dir;
    ASSERT_TRUE(WriteFloatFixture(dir / "s.kvf", Recording(1000.0)));
    ASSERT_TRUE(WriteFloatFixture(dir / "slow.kvf", Recording(60.0)));
    { std::ofstream(dir / "big.txt", std::ios::binary) << "#Linear Transformation Coeffs#\r\n1;2e38;0\r\n"; }
    { std::ofstream(dir / "wide.txt", std::ios::binary) << "#Linear Transformation Coeffs#\r\n2;1e9;0\r\n"; }
    const std::vector<std::string> inputs{"big.txt", "s.kvf", "slow.kvf", "wide.txt"};
    struct Case {
        const char* args;
        const char* reason;
    };
    const Case cases[] = {
        {"rms s.kvf --freq 1e9 --out r.kvf", "--freq must be a number above 0 and at most 500 (half the sampling rate)"},
        {"rms s.kvf --freq 500.5 --out r.kvf", "at most 500 (half"},
        {"rms slow.kvf --out r.kvf", "the default 50 Hz is above half the sampling rate"},
        {"addsub s.kvf --output +1-2@5,5 --out r.kvf", "LOW must be below its HIGH"},
        {"addsub s.kvf --output +1+1 --output +1-2@6,-6 --out r.kvf", "'+1-2@6,-6'"},
        {"axb s.kvf --coeffs big.txt --out r.kvf", "channel 1: A*X+B over the channel's range -2 .. 2 leaves the float range"},
        {"axb s.kvf --coeffs wide.txt --out r.kvf", "channel 2: A*X+B over the channel's range -1 .. 1e+30"},
        {"save-channels s.kvf --out x.txt --channel 1", "give a name ending in .kvf"},
        {"save-fragment s.kvf --out noext", "give a name ending in .kvf (a recording) or .txt (a text table)"},
        {"save-fragment s.kvf --out ''", "save-fragment: --out needs a file name"},
        {"movavg s.kvf --factor 3 --out ''", "movavg: --out needs a file name"},
        {"demo ''", "demo needs a file name"},
    };
    for (const Case& c : cases) {
        const ProcessRun r = RunProcess(CliProgram(), SplitArgs(c.args), dir.Path());
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_EQ(FilesIn(dir.Path()), inputs) << c.args;
    }

    // At the limits, and with the overflowing channel hidden, the runs go ahead.
    for (const char* args : {"rms s.kvf --freq 500 --out a.kvf", "addsub s.kvf --output +1-2@-5,5 --out b.kvf",
                             "axb s.kvf --coeffs big.txt --hide 1 --out c.kvf", "save-fragment s.kvf --out D.TXT"}) {
        const ProcessRun r = RunProcess(CliProgram(), SplitArgs(args), dir.Path());
        EXPECT_EQ(r.status, 0) << args << "\n" << r.err;
    }
}

TEST(CliValueChecks, DemoHelpStatesTheDefaultsWritten) {
    TempDir dir;
    const ProcessRun run = RunProcess(CliProgram(), {"demo", "d.kvf"}, dir.Path());
    ASSERT_EQ(run.status, 0) << run.err;
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "d.kvf"), 1);
    const double written[] = {double(f.Channels()), double(f.Devices()), double(f.Rate()),
                              double(f.Samples()) / double(f.Rate())};
    const char* options[] = {"--channels", "--devices", "--rate", "--seconds"};
    const help::Page* demo = help::FindCommand(help::Cli(), "demo");
    ASSERT_NE(demo, nullptr);
    const std::regex stated("\\(default ([0-9.]+)");
    for (int i = 0; i < 4; ++i) {
        const auto o = std::find_if(demo->options.begin(), demo->options.end(),
                                    [&](const help::Option& x) { return x.name == options[i]; });
        ASSERT_NE(o, demo->options.end()) << options[i];
        std::smatch m;
        ASSERT_TRUE(std::regex_search(o->text, m, stated)) << o->text;
        EXPECT_DOUBLE_EQ(std::stod(m[1].str()), written[i]) << options[i] << ": " << o->text;
    }
}
