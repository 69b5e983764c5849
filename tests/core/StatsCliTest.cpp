// vistrel-cli stats as a user runs it: the JSON of a known fragment, null for values that do
// not exist, --quick, the fragment and channel checks, and the summaries taken from the cache.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>

#include "core/measure/Statistics.h"
#include "core/recording/DataFile.h"
#include "core/view/RecordingSource.h"
#include "support/Fixtures.h"
#include "TestPlatform.h"

using namespace vistrel;
namespace fs = std::filesystem;

namespace {

const char* const kCacheVar = test::kWindows ? "LOCALAPPDATA" : "XDG_CACHE_HOME";

test::ProcessRun Stats(const std::string& args) {
    return test::RunProcess(test::CliProgram(), test::SplitArgs("stats " + args));
}

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

} // namespace

TEST(StatsCli, PrintsTheFragmentsStatisticsAsJson) {
    test::TempDir dir;
    const test::ScopedEnvVar cache(kCacheVar, (dir / "cache").string());
    test::FloatFixture fx;
    fx.layout.channels = 3;
    fx.layout.rate = 1000.0;
    fx.samples = 8;
    // Channel 1 alternates 0, 1 (upward crossings of 0.5 at 1, 3, 5, 7: 3 periods in 6 samples,
    // 500 Hz); channel 2 holds no number; channel 3 is 3 but for an infinity at 2 and 0 at 4.
    fx.value = [](uint64_t k, int c) {
        if (c == 0) return static_cast<float>(k % 2);
        if (c == 1) return std::numeric_limits<float>::quiet_NaN();
        return k == 2 ? std::numeric_limits<float>::infinity() : k == 4 ? 0.0f : 3.0f;
    };
    const fs::path rec = dir / "a.kvf";
    ASSERT_TRUE(test::WriteFloatFixture(rec, fx));
    const std::string one =
        "{\"channel\":1,\"count\":8,\"non_finite\":0,\"min\":0,\"min_at\":0,\"max\":1,\"max_at\":1,\"mean\":0.5,"
        "\"rms\":0.70710678118654757,\"std\":0.5,\"p2p\":1,\"mean_abs\":0.5";
    const std::string none =
        "{\"channel\":2,\"count\":0,\"non_finite\":8,\"min\":null,\"min_at\":null,\"max\":null,\"max_at\":null,"
        "\"mean\":null,\"rms\":null,\"std\":null,\"p2p\":null,\"mean_abs\":null";
    // Samples 1 .. 4 of channel 3: 3, inf, 3, 0 (mean 2, variance 2); no upward crossing.
    const std::string three =
        "{\"channel\":3,\"count\":3,\"non_finite\":1,\"min\":0,\"min_at\":4,\"max\":3,\"max_at\":1,"
        "\"mean\":2,\"rms\":2.4494897427831779,\"std\":1.4142135623730951,\"p2p\":3,\"mean_abs\":2";
    struct Case {
        std::string args;
        int status;
        std::string out;   // exact standard output, or empty
        std::string err;   // a part of standard error, or empty
    };
    const Case cases[] = {
        {Q(rec) + " --channel 1 --channel 2", 0,
         "{\"from\":0,\"to\":8,\"channels\":[" + one + ",\"frequency\":500}," + none + ",\"frequency\":null}]}\n", ""},
        {Q(rec) + " --quick --channel 1", 0, "{\"from\":0,\"to\":8,\"channels\":[" + one + "}]}\n", ""},
        // Either order of the ends; B - 1 is the last sample.
        {Q(rec) + " --from 5 --to 1 --channel 3", 0,
         "{\"from\":1,\"to\":5,\"channels\":[" + three + ",\"frequency\":null}]}\n", ""},
        {Q(rec) + " --from 3 --to 3", 2, "", "the fragment is empty"},
        {Q(rec) + " --to 9", 2, "", "--to"},
        {Q(rec) + " --channel 4", 2, "", "a channel must be an integer from 1 to 3"},
        {Q(rec) + " --hide 1", 2, "", "unknown option --hide"},
        {Q(dir / "missing.kvf"), 2, "", "missing.kvf"},
    };
    for (const Case& c : cases) {
        const test::ProcessRun r = Stats(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        if (!c.out.empty()) { EXPECT_EQ(r.out, c.out) << c.args; }
        if (c.status != 0) { EXPECT_TRUE(r.out.empty()) << c.args; }
        if (!c.err.empty()) { EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << "\n" << r.err; }
    }
    // Every channel without --channel.
    const test::ProcessRun all = Stats(Q(rec) + " --quick");
    ASSERT_EQ(all.status, 0);
    EXPECT_NE(all.out.find("{\"channel\":3,"), std::string::npos);
}

// A long fragment builds the summaries into the cache; the next run takes them from there and
// prints the same numbers, which are those of the engine on the plain recording.
TEST(StatsCli, LongFragmentUsesTheCachedSummaries) {
    test::TempDir dir;
    const test::ScopedEnvVar cache(kCacheVar, (dir / "cache").string());
    test::FloatFixture fx;
    fx.layout.channels = 2;
    fx.layout.rate = 2000.0;
    fx.samples = 5 * 65536 + 333;
    fx.value = [](uint64_t k, int c) {
        return 1000.0f + static_cast<float>(std::sin(k * 0.05 + c)) + static_cast<float>(k % 7) * 1e-3f;
    };
    const fs::path rec = dir / "long.kvf";
    ASSERT_TRUE(test::WriteFloatFixture(rec, fx));
    const test::ProcessRun first = Stats(Q(rec) + " --from 100");
    ASSERT_EQ(first.status, 0) << first.err;
    size_t entries = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir / "cache"))
        entries += e.path().extension() == ".vsum";
    EXPECT_EQ(entries, 1u);
    const test::ProcessRun second = Stats(Q(rec) + " --from 100");
    EXPECT_EQ(second.out, first.out);
    CDataFile file;
    ASSERT_EQ(file.Open(rec), 1);
    CRecordingSource src(&file);
    auto s = QuickStatistics(src, {0, 1}, 100, fx.samples);
    ASSERT_TRUE(AddCrossingFrequency(src, 100, fx.samples, 2000.0, s));
    char rms[40], hz[40];
    std::snprintf(rms, sizeof rms, "%.17g", s[1].rms);
    std::snprintf(hz, sizeof hz, "%.17g", s[1].frequency);
    // The summaries' merge and the plain runs may differ in the last bits; the printed RMS
    // agrees to 1e-12.
    const size_t at = first.out.find("\"channel\":2,");
    ASSERT_NE(at, std::string::npos);
    const double printedRms = std::strtod(first.out.c_str() + first.out.find("\"rms\":", at) + 6, nullptr);
    EXPECT_NEAR(printedRms, s[1].rms, 1e-12 * s[1].rms) << rms;
    EXPECT_NE(first.out.find(std::string("\"frequency\":") + hz, at), std::string::npos) << first.out;
    file.Close();
}
