// The operations through the engine on recordings the tests write.
#include <gtest/gtest.h>

#include <cmath>

#include "ProcessingTestUtil.h"
#include "core/common/StringIds.h"
#include "core/common/TextFormat.h"
#include "core/recording/TempResults.h"
#include "core/recording/TimeBase.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

const int64_t kStartUtc = 133'000'000'000'000'000LL; // a whole second

FloatFixture Ramp(int channels, uint64_t samples, double rate = 1000.0) {
    FloatFixture fx;
    fx.layout.channels = channels;
    fx.layout.rate = rate;
    fx.samples = samples;
    fx.value = [](uint64_t k, int c) { return static_cast<float>(k) + 1000.0f * static_cast<float>(c); };
    fx.fileTime = kStartUtc;
    return fx;
}

} // namespace

TEST(ProcessingEngine, MovingAverageAndAveraging) {
    BiasGuard bias(-180);
    Source s(Ramp(3, 100));
    s.job.m_channelShown[1] = 0; // hidden channels are not in the result
    s.job.m_selected = 2;        // channel 3: the second result channel
    s.job.m_widths[2] = 3;
    s.job.m_colours[2] = 0x123456;
    s.job.m_cursor1 = 13;        // either order
    s.job.m_cursor2 = 10;
    s.job.m_averagingFactor = 2;
    RecordingObserver obs = s.Run(OP_MOVING_AVERAGE);
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    EXPECT_EQ(obs.titles, std::vector<int>{IDS_PROGRESS_AVERAGE});
    EXPECT_EQ(obs.percents.back(), 100);
    ASSERT_EQ(obs.opened.size(), 1u);
    EXPECT_EQ(s.job.m_saved, 0);
    EXPECT_TRUE(IsTempResult(s.dir / "~result.KVF"));
    Result r = ReadResult(s.dir / "~result.KVF");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.channelWord, 2u);
    ASSERT_EQ(r.samples, 3);
    EXPECT_EQ(r.rate, 1000.0f);
    EXPECT_EQ(r.at(0, 0), 10.5f);
    EXPECT_EQ(r.at(2, 0), 12.5f);
    EXPECT_EQ(r.at(0, 1), 2010.5f); // channel 3
    EXPECT_EQ(r.selected, 1);
    EXPECT_EQ(r.widths[1], 3);
    EXPECT_EQ(r.colours[1], 0x123456u);
    EXPECT_EQ(r.entries[1].number, 3);
    // Starts at the source start plus 10 samples.
    EXPECT_EQ(r.startUtc, kStartUtc + 10 * 10'000);
    EXPECT_EQ(FilesIn(s.dir.Path()), (std::vector<std::string>{"src.kvf"})); // closing deleted it

    s.job.m_cursor1 = 10;
    s.job.m_cursor2 = 13;
    s.Run(OP_AVERAGE);
    r = ReadResult(s.dir / "~result.KVF");
    ASSERT_EQ(r.samples, 2);
    EXPECT_EQ(r.rate, 500.0f);
    EXPECT_EQ(r.at(0, 0), 10.5f);
    EXPECT_EQ(r.at(1, 0), 12.5f); // x(12) and x(13): two consecutive samples

    // Odd factor: every output p is the mean of x(p - 1) .. x(p + 1), the first one too.
    s.job.m_averagingFactor = 3;
    s.Run(OP_MOVING_AVERAGE);
    r = ReadResult(s.dir / "~result.KVF");
    ASSERT_EQ(r.samples, 3);
    EXPECT_FLOAT_EQ(r.at(0, 0), 10.0f);
    EXPECT_FLOAT_EQ(r.at(2, 0), 12.0f); // x(11..13)
    // From position 0 the positions before the recording read 0.
    s.job.m_cursor1 = 0;
    s.job.m_cursor2 = 1;
    s.job.m_averagingFactor = 4;
    s.Run(OP_MOVING_AVERAGE);
    r = ReadResult(s.dir / "~result.KVF");
    ASSERT_EQ(r.samples, 1);
    EXPECT_EQ(r.at(0, 0), (0.0f + 0.0f + 1.0f + 2.0f) / 4.0f);
}

TEST(ProcessingEngine, EmptyFragmentAndBadParameters) {
    Source s(Ramp(2, 50));
    s.job.m_cursor1 = s.job.m_cursor2 = 7;
    for (ProcessOp op : {OP_MOVING_AVERAGE, OP_LINEAR, OP_RMS, OP_SAVE_FRAGMENT, OP_SPECTRUM_FFT}) {
        RecordingObserver obs = s.Run(op);
        EXPECT_FALSE(s.job.m_succeeded);
        EXPECT_TRUE(obs.failures.empty()); // ends quietly
        EXPECT_EQ(obs.percents, std::vector<int>{100});
        EXPECT_TRUE(obs.opened.empty());
    }
    EXPECT_EQ(FilesIn(s.dir.Path()), (std::vector<std::string>{"src.kvf"}));

    // A factor too large for memory ends like a failed file open.
    Source wide(Ramp(256, 30));
    wide.job.m_cursor2 = 20;
    wide.job.m_averagingFactor = INT32_MAX;
    RecordingObserver obs = wide.Run(OP_AVERAGE);
    EXPECT_FALSE(wide.job.m_succeeded);
    ASSERT_EQ(obs.failures.size(), 1u);
    EXPECT_EQ(obs.percents.back(), 100);
    EXPECT_TRUE(obs.opened.empty());
    EXPECT_EQ(FilesIn(wide.dir.Path()), (std::vector<std::string>{"src.kvf"}));
    // A spectrum too large for memory, likewise.
    s.job.m_cursor2 = 20;
    s.job.m_outputs.count = 32;
    for (int i = 0; i < 32; ++i)
        s.job.m_outputs.sources[i] = 1;
    s.job.m_outputs.spectrumPoints = INT32_MAX;
    obs = s.Run(OP_SPECTRUM);
    EXPECT_FALSE(s.job.m_succeeded);
    EXPECT_EQ(obs.failures.size(), 1u);
    // No point, no rows: refused with a message.
    s.job.m_outputs.spectrumPoints = 0;
    obs = s.Run(OP_SPECTRUM);
    EXPECT_EQ(obs.failures.size(), 1u);
    // A target folder that does not exist.
    s.job.m_averagingFactor = 2;
    obs = s.Run(OP_MOVING_AVERAGE, "missing/~r.KVF");
    EXPECT_EQ(obs.failures.size(), 1u);
    EXPECT_EQ(FilesIn(s.dir.Path()), (std::vector<std::string>{"src.kvf"}));
}

TEST(ProcessingEngine, LinearTransformation) {
    BiasGuard bias(0);
    FloatFixture fx = Ramp(3, 20);
    fx.layout.entries = {{1, -1.0, 2.0}, {2, -10.0, 10.0}, {3, 0.0, 5.0}};
    Source s(fx);
    s.job.m_coeffA[0] = 2.0f, s.job.m_coeffB[0] = 1.0f;
    s.job.m_coeffA[1] = -0.5f, s.job.m_coeffB[1] = 3.0f;
    s.job.m_channelShown[2] = 0;
    s.job.m_cursor1 = 5, s.job.m_cursor2 = 8;
    RecordingObserver obs = s.Run(OP_LINEAR, "plain.kvf"); // a name without '~': still 2 channels
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    EXPECT_EQ(obs.titles, std::vector<int>{IDS_PROGRESS_PROCESS});
    EXPECT_EQ(s.job.m_saved, 1);
    EXPECT_FALSE(IsTempResult(s.dir / "plain.kvf"));
    Result r = ReadResult(s.dir / "plain.kvf");
    ASSERT_EQ(r.channels, 2);
    ASSERT_EQ(r.samples, 3);
    EXPECT_EQ(r.at(0, 0), 11.0f);
    EXPECT_EQ(r.at(2, 1), -0.5f * 1007.0f + 3.0f);
    EXPECT_EQ(r.entries[0].low, -1.0);
    EXPECT_EQ(r.entries[0].high, 5.0);
    EXPECT_EQ(r.entries[1].low, 8.0); // a negative A reverses the range
    EXPECT_EQ(r.entries[1].high, -2.0);
    EXPECT_EQ(r.startUtc, kStartUtc + 5 * 10'000);
}

TEST(ProcessingEngine, RmsRowsAndValues) {
    FloatFixture fx;
    fx.layout.channels = 2;
    fx.layout.rate = 1000.0;
    fx.samples = 3000;
    fx.fileTime = kStartUtc;
    fx.value = [](uint64_t k, int c) {
        return c == 0 ? static_cast<float>(3.0 * std::sin(kTwoPi * 50.0 * (k + 0.25) / 1000.0))
                      : 2.0f; // never crosses zero
    };
    Source s(fx);
    s.job.m_ratedFrequency = 50.0f;
    s.job.m_cursor1 = 0, s.job.m_cursor2 = 1000;
    RecordingObserver obs = s.Run(OP_RMS);
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    EXPECT_EQ(s.job.m_saved, 0);
    Result r = ReadResult(s.dir / "~result.KVF");
    EXPECT_EQ(r.rate, 50.0f);
    ASSERT_EQ(r.samples, 51);
    EXPECT_EQ(r.at(0, 0), fx.value(0, 0)); // start value until a period completes
    for (int64_t k = 5; k < 51; ++k) {
        EXPECT_NEAR(r.at(k, 0), 3.0 / std::sqrt(2.0), 0.02) << k;
        EXPECT_EQ(r.at(k, 1), 2.0f);
    }
    // Noise crossing zero within three quarters of a period is ignored.
    fx.value = [](uint64_t k, int) {
        const double base = std::sin(kTwoPi * 50.0 * (k + 0.25) / 1000.0);
        return static_cast<float>(k % 20 == 1 ? -0.05 : base); // dips below zero after a crossing
    };
    Source n(fx);
    n.job.m_cursor1 = 0, n.job.m_cursor2 = 400;
    n.Run(OP_RMS);
    r = ReadResult(n.dir / "~result.KVF");
    ASSERT_EQ(r.samples, 21);
    for (int64_t k = 3; k < 21; ++k)
        EXPECT_NEAR(r.at(k, 0), 1.0 / std::sqrt(2.0), 0.05) << k;
}

TEST(ProcessingEngine, AddSubTableAndSaveChannels) {
    BiasGuard bias(-180);
    FloatFixture fx = Ramp(4, 30);
    fx.layout.entries = {{1, -1, 1}, {2, -2, 2}, {3, -3, 3}, {4, -4, 4}};
    Source s(fx);
    s.job.m_channelShown[0] = 0; // hidden channels may be used
    s.job.m_cursor1 = 2, s.job.m_cursor2 = 5;
    OutputChannelList& l = s.job.m_outputs;
    l.count = 2;
    l.coefficients[0] = 1, l.coefficients[1] = -1, l.sources[0] = 1, l.sources[1] = 1; // x - x
    l.coefficients[2] = -1, l.coefficients[3] = 1, l.sources[2] = 1, l.sources[3] = 4;
    l.rangeLow[0] = -5, l.rangeHigh[0] = 5, l.colours[0] = 0xFF0000;
    l.rangeLow[1] = -6, l.rangeHigh[1] = 7, l.colours[1] = 0x008000;
    for (int i = 0; i < 32; ++i)
        l.widths[i] = 1;
    s.Run(OP_ADD_SUB);
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    Result r = ReadResult(s.dir / "~result.KVF");
    ASSERT_EQ(r.channels, 2);
    ASSERT_EQ(r.samples, 3);
    EXPECT_EQ(r.at(1, 0), 0.0f);
    EXPECT_EQ(r.at(1, 1), 3000.0f);
    EXPECT_EQ(r.entries[1].low, -6.0);
    EXPECT_EQ(r.entries[1].high, 7.0);
    EXPECT_EQ(r.colours[1], 0x008000u);
    EXPECT_EQ(r.entries[0].number, 1);
    EXPECT_EQ(r.entries[1].number, 2);

    // Table function: channel 2 through a two-point table, channel 3 passed through.
    l.Clear();
    l.count = 2;
    l.sources[0] = 2, l.sources[1] = 3;
    s.job.m_tables[0].Clear();
    s.job.m_tables[0].m_count = 2;
    s.job.m_tables[0].m_values[0] = 0, s.job.m_tables[0].m_args[0] = 1000;
    s.job.m_tables[0].m_values[1] = 10, s.job.m_tables[0].m_args[1] = 1010;
    s.job.m_tables[1].Clear();
    s.Run(OP_TABLE_FUNCTION);
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    r = ReadResult(s.dir / "~result.KVF");
    ASSERT_EQ(r.samples, 3);
    EXPECT_EQ(r.at(0, 0), 2.0f);
    EXPECT_EQ(r.at(2, 0), 4.0f);
    EXPECT_EQ(r.at(2, 1), 2004.0f);
    EXPECT_EQ(s.job.m_saved, 1);

    // Saving channels: any order, own ranges, the user's name kept, not opened.
    l.Clear();
    l.count = 3;
    l.sources[0] = 4, l.sources[1] = 1, l.sources[2] = 4;
    l.rangeLow[0] = -40, l.rangeHigh[0] = 40;
    RecordingObserver obs = s.Run(OP_SAVE_CHANNELS, "chosen.kvf");
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    EXPECT_TRUE(obs.opened.empty());
    EXPECT_FALSE(IsTempResult(s.dir / "chosen.kvf"));
    r = ReadResult(s.dir / "chosen.kvf");
    ASSERT_EQ(r.channels, 3);
    EXPECT_EQ(r.at(0, 0), 3002.0f);
    EXPECT_EQ(r.at(0, 1), 2.0f);
    EXPECT_EQ(r.entries[0].low, -40.0);
    EXPECT_EQ(r.startUtc, kStartUtc + 2 * 10'000);

    // An output naming a channel the recording does not have.
    l.sources[2] = 5;
    obs = s.Run(OP_SAVE_CHANNELS, "bad.kvf");
    EXPECT_EQ(obs.failures.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(s.dir / "bad.kvf"));
}

TEST(ProcessingEngine, SpectrumByDirectSums) {
    BiasGuard bias(-180);
    FloatFixture fx;
    fx.layout.channels = 1;
    fx.layout.rate = 1000.0;
    fx.samples = 1000;
    fx.fileTime = kStartUtc;
    fx.value = [](uint64_t k, int) { return static_cast<float>(std::sin(kTwoPi * 50.0 * k / 1000.0)); };
    Source s(fx);
    OutputChannelList& l = s.job.m_outputs;
    l.count = 1;
    l.sources[0] = 1;
    l.spectrumPoints = 101;
    s.job.m_spectrum.m_lowerW = 0;
    s.job.m_spectrum.m_upperW = kTwoPi * 100;
    RecordingObserver obs = s.Run(OP_SPECTRUM);
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    EXPECT_EQ(obs.percents.front(), 2);
    Result r = ReadResult(s.dir / "~result.KVF");
    ASSERT_EQ(r.samples, 101);
    EXPECT_EQ(r.at(50, 0), 0.0f);
    EXPECT_EQ(r.at(51, 0), 0.0f);
    EXPECT_LT(r.at(30, 0), -20.0f);
    EXPECT_NE(r.adcFlags & 8u, 0u); // decibel flag
    EXPECT_EQ(r.entries[0].high, 0.0);
    EXPECT_LT(r.entries[0].low, -20.0);
    EXPECT_EQ(std::fmod(r.entries[0].low, 20.0), 0.0);
    EXPECT_FLOAT_EQ(r.rate, 1.01f);
    // Stamped so that the local time of day reads the lower limit: 00:00:00.
    CalendarFields local = FileTimeToFields(ToLocalTime(r.startUtc));
    EXPECT_EQ(local.hour, 0);
    EXPECT_EQ(local.minute, 0);
    EXPECT_EQ(local.second, 0);

    // 400 points over 0..400 Hz: one point per hertz; a lower limit of 1234 Hz reads 00:20:34.
    l.spectrumPoints = 400;
    s.job.m_spectrum.m_upperW = kTwoPi * 400;
    s.Run(OP_SPECTRUM);
    r = ReadResult(s.dir / "~result.KVF");
    EXPECT_EQ(r.samples, 400);
    EXPECT_EQ(r.rate, 1.0f);
    l.spectrumPoints = 4;
    s.job.m_spectrum.m_lowerW = kTwoPi * 1234;
    s.job.m_spectrum.m_upperW = kTwoPi * 1238;
    s.Run(OP_SPECTRUM);
    r = ReadResult(s.dir / "~result.KVF");
    local = FileTimeToFields(ToLocalTime(r.startUtc));
    EXPECT_EQ(local.hour, 0);
    EXPECT_EQ(local.minute, 20);
    EXPECT_EQ(local.second, 34);
}

TEST(ProcessingEngine, SpectrumByFft) {
    BiasGuard bias(-180);
    FloatFixture fx;
    fx.layout.channels = 2;
    fx.layout.rate = 1024.0;
    fx.samples = 5000;
    fx.fileTime = kStartUtc;
    fx.value = [](uint64_t k, int c) {
        return static_cast<float>((c + 1) * std::sin(kTwoPi * 64.0 * k / 1024.0));
    };
    Source s(fx);
    OutputChannelList& l = s.job.m_outputs;
    l.count = 2;
    l.sources[0] = 1, l.sources[1] = 2;
    s.job.m_spectrum.m_lowerW = kTwoPi * 10;
    s.job.m_spectrum.m_upperW = kTwoPi * 100;
    s.job.m_spectrum.m_window = WINDOW_HANN;
    s.job.m_cursor1 = 2000, s.job.m_cursor2 = 3000;
    RecordingObserver obs = s.Run(OP_SPECTRUM_FFT);
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    // 1000 apart: 1024 samples around the old middle; the cursors follow.
    EXPECT_TRUE(s.job.m_cursorsMoved);
    EXPECT_EQ(obs.cursor1, 2500 - 512);
    EXPECT_EQ(obs.cursor2, 2500 + 512);
    Result r = ReadResult(s.dir / "~result.KVF");
    EXPECT_EQ(r.rate, 1.0f);  // 1024 bins over 1024 Hz
    ASSERT_EQ(r.samples, 90); // bins 10 .. 99
    EXPECT_EQ(r.at(54, 0), 0.0f); // 64 Hz
    EXPECT_EQ(r.at(54, 1), 0.0f);
    EXPECT_LT(r.at(20, 0), -100.0f);
    EXPECT_NE(r.adcFlags & 8u, 0u);
    const CalendarFields local = FileTimeToFields(ToLocalTime(r.startUtc));
    EXPECT_EQ(local.minute, 0);
    EXPECT_EQ(local.second, 10);
}

TEST(ProcessingEngine, ResultStampsAndThread) {
    BiasGuard bias(-180);
    // Start time + bias + offset of the first position.
    EXPECT_EQ(ResultStartStamp(1'000'000'000, 1000, 500.0f), 1'000'000'000 - 180 * 600'000'000LL + 20'000'000);
    // A lower limit of an hour reads 01:00:00 local time on the stamp's local day.
    const CalendarFields hour = FileTimeToFields(ToLocalTime(SpectrumStamp(kStartUtc, 3600.0)));
    const CalendarFields day = FileTimeToFields(ToLocalTime(kStartUtc));
    EXPECT_EQ(hour.day, day.day);
    EXPECT_EQ(hour.hour, 1);
    EXPECT_EQ(hour.minute, 0);
    EXPECT_EQ(hour.second, 0);

    Source s(Ramp(1, 40));
    s.job.m_op = OP_LINEAR;
    s.job.m_resultName = s.dir / "~t.KVF";
    s.job.m_startDelayMs = 1;
    struct Ordered : RecordingObserver {
        std::vector<std::string> events;
        void JobStarted() override { events.push_back("start"); }
        void JobEnded() override { events.push_back("end"); }
        void OpenResult(const std::filesystem::path& p) override { events.push_back("open"); RecordingObserver::OpenResult(p); }
    } obs;
    std::thread t = StartProcessThread(s.job, obs);
    t.join();
    EXPECT_EQ(obs.events, (std::vector<std::string>{"start", "open", "end"}));
    EXPECT_TRUE(s.job.m_succeeded);
}

// A job only reads its source: the window's tables recorded in the recording stay the ones the
// UI-thread writers use after the job is gone.
TEST(ProcessingEngine, JobLeavesTheSourceRecordingAlone) {
    FloatFixture fx;
    fx.layout.channels = 3;
    Source s(fx);
    int selected = 2, shown[256], widths[256];
    uint32_t colours[256];
    for (int i = 0; i < 256; ++i)
        shown[i] = 1, widths[i] = 2, colours[i] = 0x112233u;
    s.data.ApplyDisplaySettings(&selected, colours, shown, widths);
    selected = 2;
    for (int i = 0; i < 256; ++i)
        shown[i] = 1, widths[i] = 2, colours[i] = 0x112233u;
    s.job.m_channelShown[1] = 0;
    s.job.m_averagingFactor = 2;
    auto obs = s.Run(OP_MOVING_AVERAGE);
    ASSERT_TRUE(obs.failures.empty());
    Result job = ReadResult(s.dir / "~result.KVF");
    ASSERT_TRUE(job.ok);
    EXPECT_EQ(job.channels, 2); // the job's hidden channel left out
    // The job's tables change after the run; the recording must not follow them.
    for (int i = 0; i < 256; ++i)
        s.job.m_colours[i] = 0x445566u, s.job.m_channelShown[i] = 0;
    ASSERT_EQ(s.data.WriteDerivedHeader(s.dir / "~window.KVF", 1), 1);
    Result window = ReadResult(s.dir / "~window.KVF");
    ASSERT_TRUE(window.ok);
    EXPECT_EQ(window.channels, 3);
    EXPECT_EQ(window.selected, 2);
    ASSERT_EQ(window.colours.size(), 3u);
    EXPECT_EQ(window.colours[0], 0x112233u);
}
