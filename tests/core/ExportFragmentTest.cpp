// Saving fragments as recordings and text tables.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ProcessingTestUtil.h"
#include "core/common/StringIds.h"
#include "core/common/TextFormat.h"
#include "core/processing/Engine.h"
#include "core/recording/TempResults.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {
std::string ReadText(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t from = 0;
    while (from < text.size()) {
        const size_t at = text.find("\r\n", from);
        if (at == std::string::npos) {
            lines.push_back(text.substr(from) + "<no CR LF>");
            break;
        }
        lines.push_back(text.substr(from, at - from));
        from = at + 2;
    }
    return lines;
}
FloatFixture Devices(int devices, int perDevice, uint64_t samples, double rate) {
    FloatFixture fx;
    fx.layout.channels = devices * perDevice;
    fx.layout.devices = devices;
    fx.layout.rate = rate;
    fx.samples = samples;
    fx.value = [](uint64_t k, int c) { return static_cast<float>(k) + 100.0f * static_cast<float>(c + 1); };
    return fx;
}
} // namespace

TEST(ExportFragment, RecordingByDevices) {
    BiasGuard bias(-180);
    FloatFixture fx = Devices(2, 4, 20, 1000);
    fx.fileTime = 133'000'000'000'000'000LL;
    Source s(fx);
    s.job.m_channelShown[5] = 0; // hidden channels stay in a .kvf under a plain name
    s.job.m_cursor1 = 9, s.job.m_cursor2 = 6;
    s.job.m_deviceMask = 2; // device 2 alone
    RecordingObserver obs = s.Run(OP_SAVE_FRAGMENT, "frag.kvf");
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    EXPECT_EQ(obs.titles, std::vector<int>{IDS_PROGRESS_SAVE});
    EXPECT_TRUE(obs.opened.empty());
    EXPECT_EQ(s.job.m_saved, 1);
    EXPECT_FALSE(IsTempResult(s.dir / "frag.kvf"));
    Result r = ReadResult(s.dir / "frag.kvf");
    EXPECT_EQ(r.channelWord, 4u); // one device: written as 0 devices
    ASSERT_EQ(r.channels, 4);
    ASSERT_EQ(r.samples, 3);
    EXPECT_EQ(r.dataBytes, 3u * 4u * 4u);
    EXPECT_EQ(r.at(0, 0), 506.0f);
    EXPECT_EQ(r.at(2, 3), 808.0f);
    EXPECT_EQ(r.visible[1], 0); // channel 6 marked hidden
    EXPECT_EQ(r.startUtc, fx.fileTime.value() + 6 * 10'000);
    EXPECT_EQ(s.data.DeviceMask(), 0);

    // Under a '~' name the hidden channel is left out of the header and of the rows alike.
    s.job.m_deviceMask = 0;
    s.Run(OP_SAVE_FRAGMENT, "~frag.kvf");
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    r = ReadResult(s.dir / "~frag.kvf");
    ASSERT_EQ(r.channels, 7);
    EXPECT_EQ(r.dataBytes, 3u * 7u * 4u);
    EXPECT_EQ(r.at(0, 5), 706.0f); // channel 7 follows channel 5
    EXPECT_TRUE(std::filesystem::exists(s.dir / "~frag.kvf")); // not a temporary result

    // Devices 1 and 3 of three.
    Source t(Devices(3, 4, 10, 1000));
    t.job.m_cursor1 = 0, t.job.m_cursor2 = 2;
    t.job.m_deviceMask = 5;
    t.Run(OP_SAVE_FRAGMENT, "two.KVF");
    r = ReadResult(t.dir / "two.KVF");
    EXPECT_EQ(r.channelWord, 8u | (2u << 16));
    ASSERT_EQ(r.channels, 8);
    EXPECT_EQ(r.at(1, 4), 901.0f); // channel 9
}

TEST(ExportFragment, TextTables) {
    BiasGuard bias(0);
    FloatFixture fx = Devices(1, 3, 30, 1000);
    fx.value = [](uint64_t k, int c) {
        return c == 0 ? static_cast<float>(k) * 0.5f : (c == 1 ? -250.0f : 0.00005f);
    };
    Source s(fx);
    s.job.m_channelShown[1] = 0; // hidden channels are missing from a text table
    s.job.m_cursor1 = 10, s.job.m_cursor2 = 13;
    s.job.m_timeStyle = 1;
    s.Run(OP_SAVE_FRAGMENT, "table.txt");
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    auto lines = Lines(ReadText(s.dir / "table.txt"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "From Begin (mks)    Chan# 01    Chan# 03");
    EXPECT_EQ(lines[1], "             0.0      5.0000    0.000050");
    EXPECT_EQ(lines[2], "          1000.0      5.5000    0.000050");
    EXPECT_EQ(lines[3], "          2000.0      6.0000    0.000050");

    // Clock times: noon plus 100 us steps at 10 kHz.
    FloatFixture ten = Devices(1, 1, 5, 10000);
    ten.value = [](uint64_t, int) { return -250.0f; };
    Source c(ten);
    CalendarFields noon;
    noon.year = 2023, noon.month = 2, noon.day = 1, noon.hour = 12;
    ASSERT_TRUE(FieldsToFileTime(noon, c.job.m_startTime));
    c.job.m_cursor1 = 0, c.job.m_cursor2 = 2;
    c.job.m_timeStyle = 0;
    c.Run(OP_SAVE_FRAGMENT, "clock.dat");
    lines = Lines(ReadText(c.dir / "clock.dat"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Date     Time              Chan# 01");
    EXPECT_EQ(lines[1], "01-02-23 12:00:00,00000     -250.00");
    EXPECT_EQ(lines[2], "01-02-23 12:00:00,00010     -250.00");

    // A start outside 2000-2099 gets a four-digit year in every row.
    Source old(ten);
    CalendarFields eve = noon;
    eve.year = 1999, eve.month = 12, eve.day = 31;
    ASSERT_TRUE(FieldsToFileTime(eve, old.job.m_startTime));
    old.job.m_cursor1 = 0, old.job.m_cursor2 = 1;
    old.job.m_timeStyle = 0;
    old.Run(OP_SAVE_FRAGMENT, "old.txt");
    lines = Lines(ReadText(old.dir / "old.txt"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "31-12-1999 12:00:00,00000     -250.00");

    // Any other style: no time column.
    c.job.m_timeStyle = 2;
    c.Run(OP_SAVE_FRAGMENT, "bare.txt");
    lines = Lines(ReadText(c.dir / "bare.txt"));
    EXPECT_EQ(lines[0], "    Chan# 01");
    EXPECT_EQ(lines[1], "     -250.00");
}

TEST(ExportFragment, FailedSaveKeepsTheOldFile) {
    Source s(Devices(1, 2, 10, 1000));
    const auto target = s.dir / "keep.kvf";
    { std::ofstream(target, std::ios::binary) << "old contents"; }
    // Every write of the result fails as on a full disk.
    engine::FailResultWritesForTest(0, platform::FileProblem::DiskFull);
    RecordingObserver obs = s.Run(OP_SAVE_FRAGMENT, "keep.kvf");
    engine::FailResultWritesForTest(-1, platform::FileProblem::None);
    EXPECT_FALSE(s.job.m_succeeded);
    ASSERT_EQ(obs.failures.size(), 1u);
    EXPECT_EQ(ReadText(target), "old contents");
    EXPECT_EQ(s.job.m_saved, 0);
    // Saving again without the failure replaces the old file.
    s.Run(OP_SAVE_FRAGMENT, "keep.kvf");
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    EXPECT_EQ(ReadResult(target).samples, 10);
}
