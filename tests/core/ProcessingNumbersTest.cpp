// Values a user checks against `vistrel-cli dump`: averaging windows, spectra up to half the
// sampling rate, parameter files that are refused instead of read as zeros, table ranges.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>

#include "ProcessingTestUtil.h"
#include "TestPlatform.h"
#include "core/processing/LinearCoeffs.h"
#include "core/processing/TableFunction.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

ProcessRun Cli(const TempDir& dir, const std::string& args) {
    return RunProcess(CliProgram(), SplitArgs(args), dir.Path(), 120);
}

void WriteBytes(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

bool SameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

// The demo's 5 Hz sine at 100 Hz: each output is the mean of its own N consecutive samples.
TEST(ProcessingNumbers, AveragesOfTheDemoSineAreMeansOfTheirOwnSamples) {
    TempDir dir;
    ASSERT_EQ(Cli(dir, "demo one.kvf --channels 1 --rate 100 --seconds 1").status, 0);
    struct Case {
        const char* args;
        int64_t rows;
        float rate;
        int64_t row;
        double expected; // from x(k) = 5 sin(2 pi 5 k / 100)
    } cases[] = {
        // Averaging by 2, output 1: the mean of x(2) and x(3).
        {"average one.kvf --factor 2 --out a.kvf", 50, 50.0f, 1, 3.4920},
        // Moving average by 3, output 1: the mean of x(0), x(1) and x(2).
        {"movavg one.kvf --factor 3 --out m.kvf", 100, 100.0f, 1, 1.4947},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const ProcessRun r = Cli(dir, c.args);
        ASSERT_EQ(r.status, 0) << r.err;
        const Result m = ReadResult(dir / SplitArgs(c.args).back());
        ASSERT_TRUE(m.ok);
        EXPECT_EQ(m.samples, c.rows);
        EXPECT_EQ(m.rate, c.rate);
        EXPECT_NEAR(m.at(c.row, 0), c.expected, 5e-5);
    }
}

// Averaging is the moving average taken every N positions, bit for bit, for odd and even N
// and fragments that reach past either end of the recording.
TEST(ProcessingNumbers, AveragingIsTheMovingAverageEveryNPositions) {
    FloatFixture fx;
    fx.layout.channels = 2;
    fx.layout.rate = 1000.0;
    fx.samples = 60;
    fx.fileTime = 133'000'000'000'000'000LL;
    fx.value = [](uint64_t k, int c) {
        return static_cast<float>(std::sin(0.7 * static_cast<double>(k) + c) * 100.0 + 0.37 * static_cast<double>(k * k % 11));
    };
    Source s(fx);
    struct Case {
        int N;
        int64_t from, to;
    } cases[] = {{2, 10, 40}, {3, 0, 60}, {4, 7, 60}, {5, 1, 33}, {8, 0, 17}, {7, 50, 60}};
    for (const Case& c : cases) {
        SCOPED_TRACE("N=" + std::to_string(c.N) + " from " + std::to_string(c.from));
        s.job.m_averagingFactor = c.N;
        s.job.m_cursor1 = c.from;
        s.job.m_cursor2 = c.to;
        s.Run(OP_MOVING_AVERAGE, "~m.KVF");
        s.Run(OP_AVERAGE, "~a.KVF");
        const Result m = ReadResult(s.dir / "~m.KVF"), a = ReadResult(s.dir / "~a.KVF");
        ASSERT_TRUE(m.ok && a.ok);
        ASSERT_EQ(a.samples, (c.to - c.from + c.N - 1) / c.N);
        for (int64_t j = 0; j < a.samples; ++j)
            for (int ch = 0; ch < 2; ++ch)
                EXPECT_TRUE(SameBits(a.at(j, ch), m.at(j * c.N, ch))) << "output " << j << " channel " << ch;
    }
}

// Nothing above half the sampling rate: the upper limit is lowered (with a note on stderr and
// the run going on), and the FFT keeps the bins up to and including half the rate.
TEST(ProcessingNumbers, SpectraStopAtHalfTheSamplingRate) {
    TempDir dir;
    FloatFixture fx;
    fx.layout.channels = 1;
    fx.layout.rate = 1000.0;
    fx.samples = 4096;
    fx.fileTime = 133'000'000'000'000'000LL;
    fx.value = [](uint64_t k, int) { return static_cast<float>(std::sin(kTwoPi * 120.0 * static_cast<double>(k) / 1000.0)); };
    ASSERT_TRUE(WriteFloatFixture(dir / "s.kvf", fx));
    struct Case {
        const char* options;
        bool note;
        int64_t rows;     // FFT: -1 means N / 2 + 1 (every bin up to half the rate)
        float rowsPerHz;  // direct sums: J / (upper - lower); 0 for the FFT
    } cases[] = {
        {"--fft --high-hz 800", true, -1, 0.0f},
        {"--fft --high-hz 500", false, -1, 0.0f},
        {"--fft --low-hz 100 --high-hz 1e6", true, -2, 0.0f},
        {"--points 100 --high-hz 800", true, 100, 100.0f / 500.0f},
        {"--points 100 --high-hz 250", false, 100, 100.0f / 250.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        const ProcessRun r = Cli(dir, std::string("spectrum s.kvf --channel 1 --from 0 --to 1000 --out f.kvf ") + c.options);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err.find("lowered to 500 Hz") != std::string::npos, c.note) << r.err;
        const Result m = ReadResult(dir / "f.kvf");
        ASSERT_TRUE(m.ok);
        if (c.rowsPerHz > 0.0f) {
            EXPECT_EQ(m.samples, c.rows);
            EXPECT_FLOAT_EQ(m.rate, c.rowsPerHz);
            continue;
        }
        const int64_t n = std::llround(m.rate * 1000.0);
        ASSERT_EQ(n, 1024);
        // From the first bin at or above the lower limit through bin n / 2 (500 Hz).
        const int64_t first = c.rows == -2 ? (100 * n + 999) / 1000 : 0;
        EXPECT_EQ(m.samples, n / 2 + 1 - first);
    }

    // An FFT job that names a higher limit directly still ends its band at half the rate.
    Source s(fx);
    s.job.m_cursor1 = 0;
    s.job.m_cursor2 = 1000;
    s.job.m_outputs.count = 1;
    s.job.m_outputs.sources[0] = 1;
    s.job.m_spectrum.m_lowerW = 0.0;
    s.job.m_spectrum.m_upperW = kTwoPi * 900.0;
    s.job.m_spectrum.m_fft = 1;
    s.Run(OP_SPECTRUM_FFT, "~d.KVF");
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    EXPECT_EQ(ReadResult(s.dir / "~d.KVF").samples, 513);
}

// Every line that is read must begin with the numbers its format needs; blank and short
// lines are skipped; a line is read whole however long it is.
TEST(ProcessingNumbers, ParameterFileLinesWithoutNumbersAreRefused) {
    TempDir dir;
    const std::string pad(300, ' ');
    struct PointsCase {
        std::string text;
        PointsFileStatus status;
        int line, points;
    } points[] = {
        {"0 0\n# value argument\n10 1\n", PointsFileStatus::NotNumbers, 2, 0},
        {"0 0\nten one\n", PointsFileStatus::NotNumbers, 2, 0},
        {std::string("\x01\x02\xff\x00 7\n", 7), PointsFileStatus::NotNumbers, 1, 0},
        {"12\n", PointsFileStatus::NotNumbers, 1, 0},
        {"0 0\n13e 1\n", PointsFileStatus::NotNumbers, 2, 0}, // "13e" is no number
        {"1 2" + pad + "\n3 4\n", PointsFileStatus::Ok, 0, 2},
        {"1 2 " + std::string(300, 'x') + " 5 6\n", PointsFileStatus::Ok, 0, 1},
        {"4 2 the only point\r\n\r\n", PointsFileStatus::Ok, 0, 1},
        {"\n5\n  \t \n4 2\n", PointsFileStatus::Ok, 0, 1},
        {"", PointsFileStatus::NoPoints, 0, 0},
        {"\r\n \r\n", PointsFileStatus::NoPoints, 0, 0},
    };
    for (const PointsCase& c : points) {
        SCOPED_TRACE(c.text.substr(0, 40));
        WriteBytes(dir / "p.txt", c.text);
        TableFunction t;
        int line = -1;
        EXPECT_EQ(LoadPointsFile((dir / "p.txt").string(), t, &line), c.status);
        EXPECT_EQ(line, c.line);
        EXPECT_EQ(t.m_count, c.points);
    }

    const std::string header = "#Linear Transformation Coeffs#\r\n";
    struct CoeffCase {
        std::string lines;
        CoeffFileStatus status;
        int line;
        std::vector<int> changed;
        float a0, b0; // channel 1 afterwards (1 and 0 when untouched)
    } coeffs[] = {
        {"1;2;3\r\n# gains of the bridge\r\n", CoeffFileStatus::NotNumbers, 3, {}, 1, 0},
        {"1;2;3\r\nchannel;A;B\r\n", CoeffFileStatus::NotNumbers, 3, {}, 1, 0},
        {"1;2;3\r\n;8;1\r\n", CoeffFileStatus::NotNumbers, 3, {}, 1, 0},
        {std::string("\xff\xfe\x00\x01\r\n", 6), CoeffFileStatus::NotNumbers, 2, {}, 1, 0},
        {"12;\r\n", CoeffFileStatus::NotNumbers, 2, {}, 1, 0},
        {"1;2\r\n", CoeffFileStatus::Ok, 0, {0}, 2, 0},
        {"1;2;3" + pad + "\r\n", CoeffFileStatus::Ok, 0, {0}, 2, 3},
        {"1;\r\n \t  \r\n1;5;6 volts\r\n", CoeffFileStatus::Ok, 0, {0}, 5, 6},
    };
    for (const CoeffCase& c : coeffs) {
        SCOPED_TRACE(c.lines.substr(0, 40));
        WriteBytes(dir / "c.txt", header + c.lines);
        float a[kMaxCoeffChannels], b[kMaxCoeffChannels];
        std::fill(a, a + kMaxCoeffChannels, 1.0f);
        std::fill(b, b + kMaxCoeffChannels, 0.0f);
        std::vector<int> changed;
        int line = 0;
        EXPECT_EQ(ReadCoeffFile((dir / "c.txt").string(), a, b, &changed, &line), c.status);
        EXPECT_EQ(line, c.line);
        EXPECT_EQ(changed, c.changed);
        EXPECT_EQ(a[0], c.a0);
        EXPECT_EQ(b[0], c.b0);
    }
}

// A points file named on the command line must give a table; the output range is the range
// of the table's values.
TEST(ProcessingNumbers, TableFilesOnTheCommandLine) {
    TempDir dir;
    FloatFixture fx;
    fx.layout.channels = 1;
    fx.layout.rate = 100.0;
    fx.layout.entries = {{1, -40.0, 60.0}};
    fx.samples = 20;
    fx.fileTime = 133'000'000'000'000'000LL;
    fx.value = [](uint64_t k, int) { return static_cast<float>(k); };
    ASSERT_TRUE(WriteFloatFixture(dir / "s.kvf", fx));
    WriteBytes(dir / "empty.txt", "\r\n");
    WriteBytes(dir / "words.txt", "85 0\r\nninety-six at one\r\n");
    WriteBytes(dir / "two.txt", "85 0\r\n96 1\r\n");
    WriteBytes(dir / "one.txt", "90 0\r\n");
    WriteBytes(dir / "flat.txt", "7 0\r\n7 1\r\n7 2\r\n7 3\r\n");
    struct Case {
        const char* file;
        const char* message; // empty: the run succeeds
        double low, high;
    } cases[] = {
        {"typo.txt", "typo.txt cannot be read", 0, 0},
        {"empty.txt", "empty.txt holds no point", 0, 0},
        {"words.txt", "words.txt, line 2", 0, 0},
        {"two.txt", "", 85, 96},
        {"one.txt", "", 89, 91},
        {"flat.txt", "", 6, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::filesystem::remove(dir / "t.kvf");
        const ProcessRun r = Cli(dir, std::string("tablefunc s.kvf --table 1=") + c.file + " --out t.kvf");
        if (*c.message) {
            EXPECT_EQ(r.status, 2);
            EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
            EXPECT_FALSE(std::filesystem::exists(dir / "t.kvf"));
            continue;
        }
        ASSERT_EQ(r.status, 0) << r.err;
        const Result m = ReadResult(dir / "t.kvf");
        ASSERT_TRUE(m.ok);
        EXPECT_EQ(m.entries[0].low, c.low);
        EXPECT_EQ(m.entries[0].high, c.high);
    }
}
