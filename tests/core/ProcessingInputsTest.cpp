// Inputs of the operations: number texts, text-table clock times, output format by extension,
// parameter files with odd line ends or non-numbers, and the command line's numeric options.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "ProcessingTestUtil.h"
#include "core/common/TextFormat.h"
#include "core/processing/FileUtil.h"
#include "core/processing/LinearCoeffs.h"
#include "core/processing/TableFunction.h"
#include "core/view/ReadOut.h"
#include "TestPlatform.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

std::string ReadText(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteText(const std::filesystem::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

// The n-th line (0-based) of a CR LF text.
std::string LineOf(const std::string& text, int n) {
    size_t from = 0;
    for (int i = 0; i < n; ++i)
        from = text.find("\r\n", from) + 2;
    return text.substr(from, text.find("\r\n", from) - from);
}

struct CliRun {
    int status = -1;
    std::string output; // stdout and stderr
};

CliRun RunCli(const std::filesystem::path& dir, const std::string& args) {
    const ProcessRun run = RunProcess(CliProgram(), SplitArgs(args), dir);
    return {run.status, run.out + run.err};
}

FloatFixture Small(double rate) {
    FloatFixture fx;
    fx.layout.channels = 2;
    fx.layout.rate = rate;
    fx.samples = 4096;
    fx.fileTime = 133'000'000'000'000'000LL;
    fx.value = [](uint64_t k, int c) { return static_cast<float>(k % 7) + static_cast<float>(c); };
    return fx;
}

} // namespace

TEST(ProcessingInputs, ExponentsKeepTheirZeros) {
    std::string a = "1.5e+10", b = "2.50000e+20", c = "1.0E-10", d = "3.1400";
    TrimZeros(a), TrimZeros(b), TrimZeros(c), TrimZeros(d);
    EXPECT_EQ(a, "1.5e+10");
    EXPECT_EQ(b, "2.50000e+20");
    EXPECT_EQ(c, "1.0E-10");
    EXPECT_EQ(d, "3.14");
    EXPECT_EQ(FormatValue(1.5e10), "1.5e+10");
    EXPECT_EQ(FormatValue(2.5e20), "2.5e+20");
    EXPECT_EQ(FormatValue(-1e30), "-1e+30");
    EXPECT_EQ(FormatValue(12345.0), "12345");
    EXPECT_EQ(FormatValue(0.00005), "0.00005");
    // The read-out shows what FormatValue shows.
    ReadOutInput in;
    in.Y1 = 1.5e10f;
    in.Y2 = 2.5e20f;
    in.rate = 1000.0f;
    const std::string text = BuildReadOut(in);
    EXPECT_NE(text.find("Y1=1.5e+10 "), std::string::npos) << text;
    EXPECT_NE(text.find("Y2=2.5e+20 "), std::string::npos) << text;
}

TEST(ProcessingInputs, TextTableClockTimeFollowsThePosition) {
    BiasGuard bias(-330);
    struct Case {
        double rate;
        int64_t position;
        const char* first;  // the row at `position`
        const char* second; // the next row
    };
    // Ten minutes in at 48 kHz and 44.1 kHz; past 2^31 samples at 44.1 kHz (18 h 53 min
    // 47.2108843 s after noon).
    const Case cases[] = {
        {48000.0, 48000LL * 600, "01-02-23 12:10:00,00000", "01-02-23 12:10:00,00002"},
        {44100.0, 44100LL * 600, "01-02-23 12:10:00,00000", "01-02-23 12:10:00,00002"},
        {44100.0, 3'000'000'000LL, "02-02-23 06:53:47,21088", "02-02-23 06:53:47,21090"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.rate);
        Source s(Small(k.rate));
        CalendarFields noon;
        noon.year = 2023, noon.month = 2, noon.day = 1, noon.hour = 12;
        ASSERT_TRUE(FieldsToFileTime(noon, s.job.m_startTime));
        s.job.m_timeStyle = 0;
        s.job.m_cursor1 = k.position, s.job.m_cursor2 = k.position + 2;
        s.Run(OP_SAVE_FRAGMENT, "clock.txt");
        ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
        const std::string text = ReadText(s.dir / "clock.txt");
        EXPECT_EQ(LineOf(text, 1).substr(0, 23), k.first);
        EXPECT_EQ(LineOf(text, 2).substr(0, 23), k.second);
    }
}

TEST(ProcessingInputs, OutputFormatByTheFileNameExtension) {
    EXPECT_TRUE(HasRecordingExtension("a/b.kvf"));
    EXPECT_TRUE(HasRecordingExtension("b.KvF"));
    EXPECT_FALSE(HasRecordingExtension("exports.kvf.d/table.txt"));
    EXPECT_FALSE(HasRecordingExtension("b.kvf.txt"));
    EXPECT_FALSE(HasRecordingExtension("b.kvfx"));
    EXPECT_TRUE(HasTextExtension("exports.kvf.d/table.TXT"));

    TempDir dir;
    ASSERT_TRUE(WriteFloatFixture(dir / "s.kvf", Small(1000.0)));
    std::filesystem::create_directory(dir / "exports.kvf.d");
    CliRun r = RunCli(dir.Path(), "save-fragment s.kvf --from 0 --to 3 --out exports.kvf.d/table.txt");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(ReadText(dir / "exports.kvf.d" / "table.txt").substr(0, 8), "Date    ");
    r = RunCli(dir.Path(), "save-fragment s.kvf --from 0 --to 3 --out UPPER.KvF");
    ASSERT_EQ(r.status, 0) << r.output;
    const Result rec = ReadResult(dir / "UPPER.KvF");
    ASSERT_TRUE(rec.ok);
    EXPECT_EQ(rec.samples, 3);
}

TEST(ProcessingInputs, ParameterFilesRefuseNonNumbersAndReadOldMacLines) {
    TempDir dir;
    // Coefficients: CR-only lines are read; NaN or infinity is refused with its line, and
    // nothing is stored then.
    float a[256], b[256];
    std::fill(a, a + 256, 1.0f);
    std::fill(b, b + 256, 0.0f);
    WriteText(dir / "mac.txt", "#Linear Transformation Coeffs#\r1;2.5;3\r2;4;-0.5\r");
    std::vector<int> changed;
    ASSERT_EQ(ReadCoeffFile((dir / "mac.txt").string(), a, b, &changed), CoeffFileStatus::Ok);
    EXPECT_EQ(changed, (std::vector<int>{0, 1}));
    EXPECT_EQ(a[0], 2.5f);
    EXPECT_EQ(b[1], -0.5f);
    for (const char* bad : {"nan", "inf", "-INF", "1e39"}) {
        SCOPED_TRACE(bad);
        WriteText(dir / "bad.txt", std::string("#Linear Transformation Coeffs#\r\n3;7;1\r\n4;") + bad + ";1\r\n");
        int line = 0;
        changed.clear();
        EXPECT_EQ(ReadCoeffFile((dir / "bad.txt").string(), a, b, &changed, &line), CoeffFileStatus::BadNumber);
        EXPECT_EQ(line, 3);
        EXPECT_TRUE(changed.empty());
        EXPECT_EQ(a[2], 1.0f); // line 2 was not stored either
    }

    // Points: the same.
    TableFunction t;
    WriteText(dir / "p.txt", "0 0\r10 1\r20 2\r");
    ASSERT_TRUE(ReadPointsFile((dir / "p.txt").string(), t));
    ASSERT_EQ(t.m_count, 3);
    EXPECT_EQ(static_cast<double>(TableLookup(t, 1.5f)), 15.0);
    WriteText(dir / "q.txt", "0 0\n10 1\n5 nan\n");
    int line = 0;
    EXPECT_FALSE(ReadPointsFile((dir / "q.txt").string(), t, &line));
    EXPECT_EQ(line, 3);
    EXPECT_EQ(t.m_count, 0);
    EXPECT_FALSE(ReadPointsFile((dir / "none.txt").string(), t, &line));
    EXPECT_EQ(line, 0);

    // Through the command line: a clear message and no result.
    ASSERT_TRUE(WriteFloatFixture(dir / "s.kvf", Small(1000.0)));
    CliRun r = RunCli(dir.Path(), "axb s.kvf --coeffs bad.txt --out a.kvf");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("line 3"), std::string::npos) << r.output;
    r = RunCli(dir.Path(), "tablefunc s.kvf --table 1=q.txt --out t.kvf");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("line 3"), std::string::npos) << r.output;
    r = RunCli(dir.Path(), "tablefunc s.kvf --table 1=p.txt --out t.kvf");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_FALSE(std::filesystem::exists(dir / "a.kvf"));
}

TEST(ProcessingInputs, CommandLineNumbersSayTheirRange) {
    TempDir dir;
    ASSERT_TRUE(WriteFloatFixture(dir / "s.kvf", Small(1000.0)));
    struct Case {
        const char* args;
        const char* message;
    };
    const Case cases[] = {
        {"movavg s.kvf --factor 2147483648", "--factor must be an integer from 2 to 2147483647"},
        {"movavg s.kvf --factor 12abc", "--factor must be an integer from 2 to 2147483647"},
        {"average s.kvf", "--factor must be an integer from 2 to 2147483647"},
        {"movavg s.kvf --factor 4 --from 1x", "--from must be an integer from 0 to 4096"},
        {"movavg s.kvf --factor 4 --to 4097", "--to must be an integer from 0 to 4096"},
        {"movavg s.kvf --factor 4 --select 3", "--select must be an integer from 1 to 2"},
        {"movavg s.kvf --factor 4 --time-style 2", "--time-style must be an integer from 0 to 1"},
        {"movavg s.kvf --factor 4 --hide 9", "a channel must be an integer from 1 to 2"},
        {"rms s.kvf --freq nan", "--freq must be a number above 0"},
        {"rms s.kvf --freq inf", "--freq must be a number above 0"},
        {"spectrum s.kvf --channel 1 --points 0", "--points must be an integer from 1 to 2147483647"},
        {"spectrum s.kvf --channel 1 --window 5", "--window must be an integer from 0 to 4"},
        {"spectrum s.kvf --channel 3", "--channel must be an integer from 1 to 2"},
        {"spectrum s.kvf --channel 1 --low-hz nan", "--low-hz must be a number"},
        {"spectrum s.kvf --channel 1 --low-hz 86400", "below 86400"},
        {"spectrum s.kvf --channel 1 --high-hz inf", "--high-hz must be a number above 0"},
        {"spectrum s.kvf --channel 1 --high-hz 1e-40", "no usable rows per hertz"},
        {"save-fragment s.kvf --devices 2 --out x.kvf", "a device must be an integer from 1 to 1"},
        {"dump s.kvf --count 5z", "--count must be an integer from 0 to"},
        {"demo d.kvf --rate inf", "--rate must be a number above 0"},
        {"demo d.kvf --channels 257", "--channels must be an integer from 1 to 256"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.args);
        const CliRun r = RunCli(dir.Path(), k.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.output.find(k.message), std::string::npos) << r.output;
    }
    // Nothing but the source is left.
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"s.kvf"});
}
