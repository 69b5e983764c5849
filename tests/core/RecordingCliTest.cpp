// vistrel-cli info / dump / demo as a user runs them.

#include "core/recording/DataFile.h"
#include "core/recording/TimeBase.h"
#include "platform/FileTimes.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "TestPlatform.h"

using namespace vistrel;
using namespace vistrel::test;
using namespace vistrel::kvf;

namespace {

struct CliRun {
    int status = -1;
    std::string out, err;
};

CliRun Cli(const TempDir&, const std::string& args)
{
    const ProcessRun run = RunProcess(CliProgram(), SplitArgs(args));
    return {run.status, run.out, run.err};
}

std::string Q(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

} // namespace

TEST(RecordingCli, InfoAndDumpOfFloatRecording)
{
    TempDir dir;
    FloatFixture fx;
    fx.layout.channels = 4;
    fx.layout.devices = 2;
    fx.layout.rate = 0.1; // not exact in single precision
    fx.layout.mode = 4;
    fx.layout.adcFlags = kAdcAlways | kAdcColours | kAdcWidths | kAdcHidden;
    fx.layout.selected = 3;
    fx.layout.colours = {1, 2, 3, 4};
    fx.layout.widthWords = {0x12, 1, 1, 3};
    fx.layout.entries = {{5, -1, 1}, {6, -2.5, 2.5}, {7, 0, 1e-3}, {8, -100, 100}};
    fx.samples = 5;
    fx.fileTime = UtcFileTime(2024, 1, 2, 3, 4, 5);
    fx.value = [](std::uint64_t k, int c) { return static_cast<float>(k) / 3.0f - static_cast<float>(c); };
    ASSERT_TRUE(WriteFloatFixture(dir / "a.kvf", fx));

    CliRun r = Cli(dir, "info " + Q(dir / "a.kvf"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty());
    const std::string expected =
        "{\"type\":1,\"channels\":4,\"devices\":2,\"channels_per_device\":2,\"rate\":0.1,"
        "\"samples\":5,\"header_length\":" + std::to_string(240 + 80 + 48) +
        ",\"mode\":4,\"start_utc\":" + std::to_string(*fx.fileTime) +
        ",\"start_local\":" + std::to_string(ToLocalTime(*fx.fileTime)) +
        ",\"channel_entries\":[{\"number\":5,\"low\":-1,\"high\":1},{\"number\":6,\"low\":-2.5,\"high\":2.5},"
        "{\"number\":7,\"low\":0,\"high\":0.001},{\"number\":8,\"low\":-100,\"high\":100}],"
        "\"display\":{\"selected\":3,\"colors\":[1,2,3,4],\"widths\":[2,1,1,3],"
        "\"hidden\":[true,false,false,false]},\"adc_flags\":23}\n";
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(std::strtof("0.1", nullptr), static_cast<float>(0.1));

    r = Cli(dir, "dump " + Q(dir / "a.kvf") + " --from 3 --count 5");
    ASSERT_EQ(r.status, 0);
    std::ostringstream want;
    char line[256];
    for (int k = 3; k < 5; ++k) {
        std::snprintf(line, sizeof line, "%.17g %.17g %.17g %.17g\n", double(fx.value(k, 0)), double(fx.value(k, 1)),
                      double(fx.value(k, 2)), double(fx.value(k, 3)));
        want << line;
    }
    EXPECT_EQ(r.out, want.str());
    r = Cli(dir, "dump " + Q(dir / "a.kvf"));
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 5);
    r = Cli(dir, "dump " + Q(dir / "a.kvf") + " --from 9");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.empty());
}

TEST(RecordingCli, InfoOfSdImage)
{
    TempDir dir;
    SdFixture fx;
    fx.twoChannel = true;
    fx.descriptors = {0x0000 | 1 << 8 | 2 << 11};
    fx.sectorNumbers = RingNumbers(30, 5, 1, 30);
    ASSERT_TRUE(WriteSdFixture(dir / "sd.kvf", fx));
    CliRun r = Cli(dir, "info " + Q(dir / "sd.kvf"));
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* part : {"\"type\":6,\"channels\":2,\"devices\":1,\"channels_per_device\":1,\"rate\":1000,",
                             "\"samples\":1860,\"header_length\":512,\"mode\":4,",
                             "\"sectors\":30,\"logical_sectors\":30,\"phase\":0,\"first_sector\":5,",
                             "\"gains\":[1,2],\"cal_sets\":[0,1]}",
                             "{\"number\":1,\"low\":-5,\"high\":5},{\"number\":2,\"low\":-2.5,\"high\":2.5}"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
    r = Cli(dir, "dump " + Q(dir / "sd.kvf") + " --count 1");
    EXPECT_EQ(r.status, 0);
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "sd.kvf"), 1);
    char want[128];
    std::snprintf(want, sizeof want, "%.17g %.17g\n", double(f.SampleValue(0, 0)), double(f.SampleValue(0, 1)));
    EXPECT_EQ(r.out, want);
}

TEST(RecordingCli, ErrorsGoToStderrWithStatusTwo)
{
    TempDir dir;
    WriteAll(dir / "junk.kvf", {'n', 'o', 't', ' ', 'k', 'v', 'f'});
    const std::string cases[] = {
        "info " + Q(dir / "missing.kvf"),
        "info " + Q(dir / "junk.kvf"),
        "dump " + Q(dir / "junk.kvf"),
        "dump " + Q(dir / "junk.kvf") + " --count x",
        "info",
        "frobnicate",
        "demo " + Q(dir / "d.kvf") + " --channels 0",
        "demo " + Q(dir / "d.kvf") + " --channels 6 --devices 4",
        "demo " + Q(dir / "no" / "d.kvf") + " --seconds 0.01",
    };
    for (const auto& args : cases) {
        CliRun r = Cli(dir, args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_TRUE(r.out.empty()) << args;
        EXPECT_FALSE(r.err.empty()) << args;
    }
    CliRun r = Cli(dir, "info " + Q(dir / "junk.kvf"));
    EXPECT_NE(r.err.find("junk.kvf"), std::string::npos);
    EXPECT_NE(r.err.find("signature"), std::string::npos);
}

TEST(RecordingCli, DemoWritesARealisticRecording)
{
    TempDir dir;
    CliRun r = Cli(dir, "demo " + Q(dir / "d.kvf") + " --channels 12 --devices 3 --rate 2000 --seconds 1.5");
    ASSERT_EQ(r.status, 0) << r.err;
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "d.kvf"), 1);
    EXPECT_EQ(f.Channels(), 12);
    EXPECT_EQ(f.Devices(), 3);
    EXPECT_EQ(f.Rate(), 2000.0f);
    EXPECT_EQ(f.Samples(), 3000);
    // Every channel moves and stays near its range.
    for (int c = 0; c < 12; ++c) {
        long double lo = 1e30L, hi = -1e30L;
        for (std::int64_t k = 0; k < f.Samples(); ++k) {
            lo = std::min(lo, f.SampleValue(k, c));
            hi = std::max(hi, f.SampleValue(k, c));
        }
        EXPECT_LT(lo, hi) << c;
        const double span = f.Channel(c).high - f.Channel(c).low;
        EXPECT_GE(lo, f.Channel(c).low - span) << c;
        EXPECT_LE(hi, f.Channel(c).high + span) << c;
    }
    // Stamped with the current time.
    EXPECT_LT(std::llabs(f.StartTime() - platform::CurrentFileTime()), 3600 * kUnitsPerSecond);
    r = Cli(dir, "demo " + Q(dir / "e.kvf"));
    ASSERT_EQ(r.status, 0);
    ASSERT_EQ(f.Open(dir / "e.kvf"), 1);
    EXPECT_EQ(f.Channels(), 6);
    EXPECT_EQ(f.Devices(), 1);
    EXPECT_EQ(f.Samples(), 600000);
    EXPECT_EQ(f.Rate(), 10000.0f);
}

namespace {

// Where channel c's samples fall in the plot's height at the default view (0 top, 1 bottom):
// every trace is drawn on the scale of the selected channel, channel 0 at first.
struct Band {
    double top = 1e30, bottom = -1e30;
};
std::vector<Band> Bands(const CDataFile& f)
{
    std::vector<Band> bands(static_cast<size_t>(f.Channels()));
    for (int c = 0; c < f.Channels(); ++c) {
        const double lo = f.Channel(0).low, hi = f.Channel(0).high;
        for (std::int64_t k = 0; k < f.Samples(); ++k) {
            const double y = (hi - static_cast<double>(f.SampleValue(k, c))) / (hi - lo);
            bands[c].top = std::min(bands[c].top, y);
            bands[c].bottom = std::max(bands[c].bottom, y);
        }
    }
    return bands;
}

} // namespace

TEST(RecordingCli, DemoWithoutChannelsDrawsEachSignalAtALevelOfItsOwn)
{
    TempDir dir;
    CliRun r = Cli(dir, "demo " + Q(dir / "p.kvf") + " --rate 2000 --seconds 36");
    ASSERT_EQ(r.status, 0) << r.err;
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "p.kvf"), 1);
    ASSERT_EQ(f.Channels(), 6);
    EXPECT_EQ(f.Samples(), 72000);
    const std::vector<Band> bands = Bands(f);
    for (int c = 0; c < 6; ++c) {
        SCOPED_TRACE(c);
        // Inside the plot, in its own sixth, top to bottom, and not a flat line.
        EXPECT_GE(bands[c].top, c / 6.0);
        EXPECT_LE(bands[c].bottom, (c + 1) / 6.0);
        EXPECT_GT(bands[c].bottom - bands[c].top, c == 4 ? 0.005 : 0.3 / 6.0);
        // The same scale on every channel: choosing another channel keeps the picture.
        EXPECT_EQ(f.Channel(c).low, f.Channel(0).low);
        EXPECT_EQ(f.Channel(c).high, f.Channel(0).high);
    }
    // Devices that do not divide six: one channel per device, still in separate bands.
    r = Cli(dir, "demo " + Q(dir / "q.kvf") + " --devices 4 --rate 1000 --seconds 30");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(f.Open(dir / "q.kvf"), 1);
    ASSERT_EQ(f.Channels(), 4);
    EXPECT_EQ(f.Devices(), 4);
    const std::vector<Band> four = Bands(f);
    for (int c = 0; c < 4; ++c) {
        EXPECT_GE(four[c].top, c / 4.0) << c;
        EXPECT_LE(four[c].bottom, (c + 1) / 4.0) << c;
    }
    // --channels keeps the eight kinds of signal over the whole height.
    r = Cli(dir, "demo " + Q(dir / "g.kvf") + " --channels 6 --rate 1000 --seconds 2");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(f.Open(dir / "g.kvf"), 1);
    EXPECT_EQ(f.Channel(0).low, -6.0);
    EXPECT_EQ(f.Channel(1).high, 400.0);
}

POSIX_ONLY_TEST(RecordingCli, DumpOfAFileCutMeanwhileSaysSoAndExitsTwo,
                "Windows refuses to truncate a file while another program maps it", {
    TempDir dir;
    FloatFixture fx;
    fx.layout.channels = 2;
    fx.samples = 300000; // far more output than a pipe holds: dump waits for the reader
    fx.value = [](std::uint64_t k, int c) { return static_cast<float>(k) + 0.5f + static_cast<float>(c); };
    ASSERT_TRUE(WriteFloatFixture(dir / "big.kvf", fx));
    const auto errFile = dir / "stderr.txt";
    const std::string cmd = std::string("'") + VISTREL_CLI_PATH + "' dump " + Q(dir / "big.kvf") + " 2>'" +
                            errFile.string() + "'";
    std::FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char line[256];
    ASSERT_NE(std::fgets(line, sizeof line, p), nullptr);
    EXPECT_STREQ(line, "0.5 1.5\n");
    // The dump is blocked on the full pipe; another program cuts the recording.
    CDataFile probe;
    ASSERT_EQ(probe.Open(dir / "big.kvf"), 1);
    ASSERT_EQ(::truncate((dir / "big.kvf").c_str(), static_cast<off_t>(probe.HeaderLength()) + 4096), 0);
    std::string rest;
    size_t n;
    char buf[4096];
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) rest.append(buf, n);
    const int st = pclose(p);
    ASSERT_TRUE(WIFEXITED(st)) << "the dump died by a signal";
    EXPECT_EQ(WEXITSTATUS(st), 2);
    auto e = ReadAll(errFile);
    const std::string err(e.begin(), e.end());
    EXPECT_NE(err.find("the file changed on disk while it was read"), std::string::npos) << err;
    // No printed line is a value the file no longer holds: every line is its sample's.
    std::istringstream lines(std::string(line) + rest);
    std::string l;
    std::uint64_t k = 0;
    while (std::getline(lines, l)) {
        char want[64];
        std::snprintf(want, sizeof want, "%.17g %.17g", double(fx.value(k, 0)), double(fx.value(k, 1)));
        ASSERT_EQ(l, want) << k;
        ++k;
    }
    EXPECT_LT(k, fx.samples);
})

TEST(RecordingCli, OpenFailuresNameTheReason)
{
    TempDir dir;
    WriteAll(dir / "empty.kvf", {});
    std::vector<std::pair<std::string, std::string>> cases = {
        {"info " + Q(dir / "empty.kvf"), "the file is empty"},
        {"info " + Q(dir.Path()), "it is a folder"},
        {"info " + Q(dir / "missing.kvf"), "does not exist"},
    };
    if (MakeFifo(dir / "f.kvf")) { // no FIFOs on Windows
        cases.push_back({"info " + Q(dir / "f.kvf"), "not a regular file"});
        cases.push_back({"dump " + Q(dir / "f.kvf"), "not a regular file"});
    }
    for (const auto& [args, reason] : cases) {
        CliRun r = Cli(dir, args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find(reason), std::string::npos) << args << ": " << r.err;
    }
}
