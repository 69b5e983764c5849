// Export to the formats other tools read: the pieces of the byte formats, and export jobs with
// their result files, failures and stops.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "ProcessingTestUtil.h"
#include "TestPlatform.h"
#include "core/common/StringIds.h"
#include "core/export/Export.h"
#include "core/processing/Engine.h"
#include "core/recording/TimeBase.h"

using namespace vistrel;
using namespace vistrel::exporting;
using namespace vistrel::test;

namespace {

std::string ReadText(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct StopAfter : RecordingObserver {
    int polls = 0;
    int stopAt = 0; // the poll that asks to stop (1-based); 0: never
    bool StopRequested() override { return stopAt != 0 && ++polls >= stopAt; }
};

// An export of the fixture's recording into the test folder.
struct Exporter {
    Source src;
    ExportJob job;
    explicit Exporter(const FloatFixture& fx) : src(fx) {
        job.source = &src.data;
        job.to = src.data.Samples();
        for (int c = 0; c < src.data.Channels(); ++c)
            job.channels.push_back(c);
    }
    RecordingObserver Run(const std::string& name, IProcessObserver* observer = nullptr) {
        RecordingObserver obs;
        job.target = src.dir / name;
        RunExport(job, observer ? *observer : obs);
        return obs;
    }
};

FloatFixture Small(int channels, uint64_t samples, double rate) {
    FloatFixture fx;
    fx.layout.channels = channels;
    fx.layout.rate = rate;
    fx.samples = samples;
    fx.fileTime = UtcFileTime(2024, 3, 5, 6, 7, 8, 250);
    fx.value = [](uint64_t k, int c) { return static_cast<float>(k) * 0.5f - static_cast<float>(c + 1) / 3.0f; };
    return fx;
}

} // namespace

TEST(ExportFormats, NpyHeaderMatchesNumpy) {
    // numpy.save's own header of a (3, 2) float32 array, byte for byte.
    const std::string numpy = std::string("\x93NUMPY\x01\x00\x76\x00", 10) +
                              "{'descr': '<f4', 'fortran_order': False, 'shape': (3, 2), }" +
                              std::string(58, ' ') + "\n";
    EXPECT_EQ(NpyHeader(3, 2), numpy);
    // Any size: the data starts 64-byte aligned and the length field says where.
    for (const auto& [rows, cols] : std::vector<std::pair<uint64_t, size_t>>{
             {0, 1}, {1, 256}, {99999, 3}, {123456789012ULL, 17}, {UINT64_MAX, 1000}}) {
        const std::string h = NpyHeader(rows, cols);
        SCOPED_TRACE(h);
        EXPECT_EQ(h.size() % 64, 0u);
        const size_t len = static_cast<unsigned char>(h[8]) | (static_cast<unsigned char>(h[9]) << 8);
        EXPECT_EQ(len + 10, h.size());
        EXPECT_EQ(h.back(), '\n');
        EXPECT_NE(h.find("(" + std::to_string(rows) + ", " + std::to_string(cols) + ")"), std::string::npos);
    }
}

TEST(ExportFormats, CsvFieldsQuoteAsRfc4180) {
    const struct {
        const char* text;
        char sep;
        const char* expected;
    } cases[] = {
        {"ch1", ',', "ch1"},
        {"a,b", ',', "\"a,b\""},
        {"a,b", ';', "a,b"},          // a comma is plain text under semicolons
        {"a;b", ';', "\"a;b\""},
        {"say \"hi\"", ',', "\"say \"\"hi\"\"\""},
        {"two\nlines", ';', "\"two\nlines\""},
        {"cr\r", ',', "\"cr\r\""},
        {"", ',', ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CsvField(c.text, c.sep), c.expected) << c.text;
}

TEST(ExportFormats, CsvFloatsPrintAsPercent9gAndReadBack) {
    // Oracle: printf's "%.9g" on random bit patterns (every class: normal, subnormal, zero,
    // infinite, NaN), plus the decimal-comma form.
    std::mt19937 gen(7);
    std::vector<float> values = {0.0f, -0.0f, 1.0f, 0.1f, 1e-45f, 3.4028235e38f, -123456789.0f, 1e9f, 1e-5f};
    for (int i = 0; i < 20000; ++i)
        values.push_back(std::bit_cast<float>(static_cast<uint32_t>(gen())));
    for (const float v : values) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.9g", static_cast<double>(v));
        if (std::isnan(v))
            std::strcpy(expected, "nan");   // one spelling for every NaN, on every C library
        std::string point, comma;
        AppendCsvFloat(point, v, false);
        AppendCsvFloat(comma, v, true);
        ASSERT_EQ(point, expected);
        std::string swapped = expected;
        std::replace(swapped.begin(), swapped.end(), '.', ',');
        ASSERT_EQ(comma, swapped);
        if (std::isnan(v))
            continue;
        ASSERT_EQ(std::bit_cast<uint32_t>(std::strtof(point.c_str(), nullptr)), std::bit_cast<uint32_t>(v)) << point;
    }
}

TEST(ExportFormats, IsoTimes) {
    EXPECT_EQ(IsoTime(UtcFileTime(2024, 3, 5, 6, 7, 8, 250)), "2024-03-05T06:07:08.250000");
    EXPECT_EQ(IsoTime(UtcFileTime(2000, 2, 29, 23, 59, 59) + 9999999), "2000-02-29T23:59:59.999999");
    EXPECT_EQ(IsoTime(0), "1601-01-01T00:00:00.000000");
}

TEST(ExportFormats, FormatByExtension) {
    const struct {
        const char* name;
        ExportFormat format;
    } cases[] = {{"a.csv", ExportFormat::Csv}, {"A.CSV", ExportFormat::Csv}, {"x.Wav", ExportFormat::Wav},
                 {"d/x.h5", ExportFormat::Hdf5}, {"x.MAT", ExportFormat::Mat}, {"x.npy", ExportFormat::Npy},
                 {"x.kvf", ExportFormat::None}, {"csv", ExportFormat::None}, {"x.csv.txt", ExportFormat::None}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatFromPath(c.name), c.format) << c.name;
}

TEST(ExportFormats, CsvDialectsAndTimeColumns) {
    BiasGuard bias(-120); // local = UTC + 2 h
    Exporter e(Small(3, 6, 4.0));
    e.job.from = 5, e.job.to = 2; // either order; rows 2, 3, 4
    e.job.channels = {2, 0};
    const struct {
        CsvDialect dialect;
        TimeColumn time;
        const char* expected;
    } cases[] = {
        {CsvDialect::Comma, TimeColumn::Relative,
         "time_s,ch3,ch1\n0,0,0.666666627\n0.25,0.5,1.16666663\n0.5,1,1.66666663\n"},
        {CsvDialect::Semicolon, TimeColumn::Relative,
         "time_s;ch3;ch1\n0;0;0,666666627\n0,25;0,5;1,16666663\n0,5;1;1,66666663\n"},
        {CsvDialect::Comma, TimeColumn::Absolute,
         "time,ch3,ch1\n2024-03-05T08:07:08.750000,0,0.666666627\n2024-03-05T08:07:09.000000,0.5,1.16666663\n"
         "2024-03-05T08:07:09.250000,1,1.66666663\n"},
        {CsvDialect::Semicolon, TimeColumn::None, "ch3;ch1\n0;0,666666627\n0,5;1,16666663\n1;1,66666663\n"},
    };
    for (const auto& c : cases) {
        e.job.dialect = c.dialect;
        e.job.time = c.time;
        RecordingObserver obs = e.Run("t.CSV");
        ASSERT_TRUE(e.job.succeeded) << e.job.error;
        EXPECT_TRUE(obs.opened.empty());
        EXPECT_EQ(obs.percents.back(), 100);
        EXPECT_EQ(ReadText(e.src.dir / "t.CSV"), c.expected);
    }
    EXPECT_EQ(FilesIn(e.src.dir.Path()), (std::vector<std::string>{"src.kvf", "t.CSV"}));
}

TEST(ExportFormats, NpyHoldsTheValuesOfEveryKindOfRecording) {
    // A float recording large enough for several blocks, and an SD image, whose converted
    // values are exported: the data after the header are SampleValue rounded to float.
    Exporter f(Small(5, 40000, 1000.0));
    f.job.channels = {4, 1, 1};
    TempDir sdDir;
    SdFixture sd;
    sd.descriptors = {0x0000, 0x0101};
    sd.k1cal[0] = 0.5f;
    sd.b1cal[0] = -3.0f;
    sd.sectorNumbers = {0, 1, 2, 3};
    ASSERT_TRUE(WriteSdFixture(sdDir / "sd.kvf", sd));
    CDataFile sdData;
    ASSERT_EQ(sdData.Open(sdDir / "sd.kvf"), 1);
    ExportJob sdJob;
    sdJob.source = &sdData;
    sdJob.to = sdData.Samples();
    sdJob.channels = {1, 0};
    sdJob.target = sdDir / "sd.npy";
    for (ExportJob* job : {&f.job, &sdJob}) {
        if (job == &f.job)
            f.Run("v.npy");
        else {
            RecordingObserver obs;
            RunExport(sdJob, obs);
        }
        ASSERT_TRUE(job->succeeded) << job->error;
        const std::string bytes = ReadText(job->target);
        const uint64_t rows = static_cast<uint64_t>(job->to - job->from);
        const std::string header = NpyHeader(rows, job->channels.size());
        ASSERT_EQ(bytes.size(), header.size() + rows * job->channels.size() * 4);
        EXPECT_EQ(bytes.substr(0, header.size()), header);
        size_t at = header.size();
        for (uint64_t k = 0; k < rows; ++k)
            for (const int c : job->channels) {
                float v;
                std::memcpy(&v, bytes.data() + at, 4);
                at += 4;
                ASSERT_EQ(v, static_cast<float>(job->source->SampleValue(k, c))) << k << " " << c;
            }
    }
}

TEST(ExportFormats, RefusedTargetsLeaveNothing) {
    Exporter e(Small(2, 10, 100.0));
    { std::ofstream(e.src.dir / "old.npy", std::ios::binary) << "old"; }
    const bool fifo = MakeFifo(e.src.dir / "pipe.csv");
    struct Case {
        std::string name;
        std::vector<int> channels;
        const char* reason;
        bool skip;
    };
    const Case cases[] = {
        {"src.kvf", {0}, "is the source recording itself", false},
        {"x.txt", {0}, "unknown export format", false},
        {"x.csv", {}, "No channel to export", false},
        {"x.npy", {0, 2}, "Channel 3 is not a channel", false},
        {"pipe.csv", {0}, "not a regular file", !fifo},
        {"nodir/x.csv", {0}, "Cannot create", false},
    };
    for (const Case& c : cases) {
        if (c.skip)
            continue;
        e.job.channels = c.channels;
        RecordingObserver obs = e.Run(c.name);
        EXPECT_FALSE(e.job.succeeded) << c.name;
        ASSERT_EQ(obs.failures.size(), 1u) << c.name;
        EXPECT_NE(obs.failures[0].find(c.reason), std::string::npos) << obs.failures[0];
        EXPECT_EQ(obs.percents.back(), 100);
    }
    // Every write failing as on a full disk: the old file stays, the message names it.
    e.job.channels = {0, 1};
    engine::FailResultWritesForTest(0, platform::FileProblem::DiskFull);
    RecordingObserver obs = e.Run("old.npy");
    engine::FailResultWritesForTest(-1, platform::FileProblem::None);
    ASSERT_EQ(obs.failures.size(), 1u);
    EXPECT_NE(obs.failures[0].find("old.npy"), std::string::npos) << obs.failures[0];
    EXPECT_EQ(e.job.fileProblem, platform::FileProblem::DiskFull);
    EXPECT_EQ(e.job.errorId, IDS_RESULT_WRITE_FAILED);
    EXPECT_EQ(ReadText(e.src.dir / "old.npy"), "old");
    std::vector<std::string> expected = {"old.npy", "src.kvf"};
    if (fifo)
        expected.insert(expected.begin() + 1, "pipe.csv");
    EXPECT_EQ(FilesIn(e.src.dir.Path()), expected);
}

TEST(ExportFormats, StopsLeaveNoFile) {
    // Stops at the start, inside the block loop and at the rename, for a byte format and for
    // each library format built in.
    Exporter e(Small(4, 300000, 1000.0));
    std::vector<std::string> names = {"s.csv", "s.npy"};
    for (const char* lib : {"s.wav", "s.h5", "s.mat"})
        if (FormatAvailable(FormatFromPath(lib)))
            names.push_back(lib);
    for (const std::string& name : names)
        for (const int stopAt : {1, 3, 40}) {
            StopAfter obs;
            obs.stopAt = stopAt;
            e.Run(name, &obs);
            EXPECT_FALSE(e.job.succeeded) << name << " " << stopAt;
            EXPECT_TRUE(e.job.interrupted) << name << " " << stopAt << " " << e.job.error;
            EXPECT_EQ(FilesIn(e.src.dir.Path()), std::vector<std::string>{"src.kvf"}) << name;
            // The run ends soon after the stop instead of writing on to the end.
            int reached = 0;
            for (const int p : obs.percents)
                if (p < 100)
                    reached = std::max(reached, p);
            EXPECT_LT(reached, 60) << name << " " << stopAt;
        }
}

TEST(ExportFormats, LibraryFormatsWriteOrRefuse) {
    Exporter e(Small(2, 50, 0.5));
    for (const char* name : {"x.wav", "x.h5", "x.mat"}) {
        const ExportFormat format = FormatFromPath(name);
        RecordingObserver obs = e.Run(name);
        if (!FormatAvailable(format)) {
            ASSERT_EQ(obs.failures.size(), 1u);
            EXPECT_NE(obs.failures[0].find(std::string("built without ") + FormatLibrary(format)), std::string::npos);
            continue;
        }
        // Sound needs a rate of at least 1 Hz: a spectrum-like rate is refused.
        if (format == ExportFormat::Wav) {
            ASSERT_EQ(obs.failures.size(), 1u);
            EXPECT_NE(obs.failures[0].find("at least 1 Hz"), std::string::npos);
        } else {
            EXPECT_TRUE(e.job.succeeded) << name << " " << e.job.error;
        }
    }
}

TEST(ExportFormats, CommandLine) {
    // vistrel-cli export: the options' refusals name the problem; the default columns are the
    // shown channels less --hide, and the printed name is the target.
    TempDir dir;
    ASSERT_TRUE(WriteFloatFixture(dir / "rec.kvf", Small(3, 8, 50.0)));
    const struct {
        std::string args;
        int status;
        const char* text; // in stdout (status 0) or stderr
    } cases[] = {
        {"export rec.kvf --out a.txt", 2, "give a name ending in .csv, .wav, .h5, .mat or .npy"},
        {"export rec.kvf", 2, "--out is required"},
        {"export rec.kvf --out a.csv --time local", 2, "--time must be relative, absolute or none"},
        {"export rec.kvf --out a.csv --csv tab", 2, "--csv must be comma or semicolon"},
        {"export rec.kvf --out a.csv --channel 4", 2, "a channel must be an integer from 1 to 3"},
        {"export rec.kvf --out a.csv --from 3 --to 3", 2, "the fragment is empty"},
        {"export rec.kvf --out a.csv --hide 1,2,3", 2, "no channel to export"},
        {"export rec.kvf --out a.h5 --h5-compression lzf", 2, "--h5-compression must be none or deflate"},
        {"export rec.kvf --out a.npy --h5-compression none", 2, "--h5-compression applies to .h5 files only"},
        {"export rec.kvf --out b.CSV --hide 2 --time none --from 6", 0, "b.CSV"},
    };
    for (const auto& c : cases) {
        const ProcessRun run = RunProcess(CliProgram(), SplitArgs(c.args), dir.Path());
        EXPECT_EQ(run.status, c.status) << c.args;
        EXPECT_NE((c.status == 0 ? run.out : run.err).find(c.text), std::string::npos) << c.args << ": " << run.err;
    }
    EXPECT_EQ(ReadText(dir / "b.CSV"), "ch1,ch3\n2.66666675,2\n3.16666675,2.5\n");
}
