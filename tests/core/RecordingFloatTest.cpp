// Float recordings (sample type 1): layouts, channel word, display settings, bad input.

#include "core/common/DebugLog.h"
#include "core/recording/DataFile.h"
#include "core/recording/DisplayDefaults.h"
#include "core/recording/TimeBase.h"
#include "platform/FileTimes.h"
#include "platform/TimeZone.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

using namespace vistrel;
using namespace vistrel::test;
using namespace vistrel::kvf;

namespace {

struct DisplayTables {
    int selected = 0;
    std::uint32_t colours[256];
    int visible[256];
    int widths[256];
    DisplayTables()
    {
        for (int i = 0; i < 256; ++i) {
            colours[i] = DefaultTraceColour(i);
            visible[i] = 1;
            widths[i] = 1;
        }
    }
    void Apply(CDataFile& f) { f.ApplyDisplaySettings(&selected, colours, visible, widths); }
};

// Header bytes put together by hand at their documented offsets.
std::vector<std::uint8_t> HandMadeHeader(std::uint32_t channelWord, double rate, std::uint8_t type,
                                         std::int8_t mode)
{
    std::vector<std::uint8_t> h(84, 0);
    std::memset(h.data(), ' ', 24);
    std::memcpy(h.data(), "TORVENFFS", 9);
    std::memset(h.data() + 32, ' ', 24);
    std::memcpy(h.data() + 32, "SAMPLES_FORMAT", 14);
    Put<std::int64_t>(h.data() + 56, 20);
    Put<std::int32_t>(h.data() + 64, 7);
    Put<std::uint32_t>(h.data() + 68, channelWord);
    Put<double>(h.data() + 72, rate);
    h[80] = type;
    h[83] = static_cast<std::uint8_t>(mode);
    return h;
}

void AppendHead(std::vector<std::uint8_t>& h, const char* name, std::int64_t payload)
{
    std::uint8_t head[32];
    PutBlockHead(head, name, payload);
    h.insert(h.end(), head, head + 32);
}

} // namespace

TEST(RecordingFloat, HandMadeLongLayoutAtDocumentedOffsets)
{
    TempDir dir;
    // n = 3, no ADC block: header length 240 + 60 = 300.
    auto h = HandMadeHeader(3, 500.0, 1, 4);
    std::vector<std::uint8_t> chInfoHeader(52, 0);
    PutBlockHead(chInfoHeader.data(), "CHANNELS_INFO_HEADER", 20);
    Put<std::int32_t>(chInfoHeader.data() + 32, 3);
    h.insert(h.end(), chInfoHeader.begin(), chInfoHeader.end());
    AppendHead(h, "CHANNELS_INFO", 60);
    for (int i = 0; i < 3; ++i) {
        std::uint8_t e[20];
        Put<std::int32_t>(e, 11 + i);
        Put<double>(e + 4, -1.5 * (i + 1));
        Put<double>(e + 12, 2.5 * (i + 1));
        h.insert(h.end(), e, e + 20);
    }
    h.insert(h.end(), 40, 0xAB); // carried block
    AppendHead(h, "SAMPLES_RECORD", 0);
    ASSERT_EQ(h.size(), 300u);
    h.resize(300 + 4 * 3 * 20, 0);
    Put<float>(h.data() + 428, 123.25f); // sample 10 of channel 2
    h.insert(h.end(), {1, 2, 3});        // trailing partial frame
    WriteAll(dir / "h.kvf", h);

    CDataFile f;
    ASSERT_EQ(f.Open(dir / "h.kvf"), 1);
    EXPECT_EQ(f.Type(), 1);
    EXPECT_EQ(f.HeaderLength(), 300u);
    EXPECT_EQ(f.Channels(), 3);
    EXPECT_EQ(f.Devices(), 1);
    EXPECT_EQ(f.Mode(), 4);
    EXPECT_TRUE(f.TwoChannelMode());
    EXPECT_EQ(f.Rate(), 500.0f);
    EXPECT_EQ(f.Samples(), 20);
    EXPECT_EQ(f.SampleValue(10, 2), 123.25L);
    EXPECT_EQ(f.FloatAt(32), 123.25f);
    EXPECT_EQ(f.Channel(1).number, 12);
    EXPECT_EQ(f.Channel(1).low, -3.0);
    EXPECT_EQ(f.Channel(1).high, 5.0);
    EXPECT_EQ(f.AdcBlockSize(), 0);
    // Outside the recording: 0 without touching the data.
    EXPECT_EQ(f.SampleValue(20, 0), 0.0L);
    EXPECT_EQ(f.SampleValue(0, 3), 0.0L);
    EXPECT_EQ(f.SampleValue(0, -1), 0.0L);
    EXPECT_EQ(f.SampleValue(std::numeric_limits<std::uint64_t>::max(), 0), 0.0L);
}

TEST(RecordingFloat, ShortLayoutGetsNumbersAndDefaultRanges)
{
    TempDir dir;
    FloatFixture fx;
    fx.layout.channels = 4;
    fx.layout.shortLayout = true;
    fx.samples = 7;
    ASSERT_TRUE(WriteFloatFixture(dir / "s.kvf", fx));
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "s.kvf"), 1);
    EXPECT_EQ(f.HeaderLength(), 116u);
    EXPECT_EQ(f.Samples(), 7);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(f.Channel(i).number, i + 1);
        EXPECT_EQ(f.Channel(i).low, -10.0);
        EXPECT_EQ(f.Channel(i).high, 10.0);
    }
    EXPECT_EQ(static_cast<float>(f.SampleValue(6, 3)), fx.value(6, 3));
    DisplayTables t;
    t.Apply(f);
    EXPECT_EQ(t.colours[2], DefaultTraceColour(2));
}

TEST(RecordingFloat, ChannelWordDevices)
{
    TempDir dir;
    FloatFixture fx;
    fx.layout.channels = 24;
    fx.layout.devices = 3;
    ASSERT_TRUE(WriteFloatFixture(dir / "a.kvf", fx));
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "a.kvf"), 1);
    EXPECT_EQ(f.Channels(), 24);
    EXPECT_EQ(f.Devices(), 3);
    EXPECT_EQ(f.ChannelsPerDevice(), 8);

    fx.layout.channels = 16;
    fx.layout.devices = 1;
    ASSERT_TRUE(WriteFloatFixture(dir / "b.kvf", fx));
    CDataFile g;
    ASSERT_EQ(g.Open(dir / "b.kvf"), 1);
    EXPECT_EQ(g.Channels(), 16);
    EXPECT_EQ(g.Devices(), 1);
    EXPECT_EQ(g.ChannelsPerDevice(), 16);
}

TEST(RecordingFloat, BadHeadersAreRefused)
{
    TempDir dir;
    auto expectRefused = [&](const std::vector<std::uint8_t>& bytes, OpenError why, const char* what) {
        WriteAll(dir / "bad.kvf", bytes);
        CDataFile f;
        EXPECT_EQ(f.Open(dir / "bad.kvf"), 0) << what;
        EXPECT_EQ(f.LastError(), why) << what;
        EXPECT_FALSE(f.IsOpen());
        EXPECT_EQ(f.Samples(), 0);
        EXPECT_EQ(f.SampleValue(0, 0), 0.0L);
    };
    auto shortFile = [](std::uint32_t word, double rate, std::uint8_t type) {
        auto h = HandMadeHeader(word, rate, type, 0);
        AppendHead(h, "SAMPLES_RECORD", 0);
        h.resize(h.size() + 64, 0);
        return h;
    };
    expectRefused({}, OpenError::CannotOpen, "empty file"); // LastProblem() says why
    expectRefused({'T', 'O', 'R'}, OpenError::BadSignature, "3 bytes");
    auto wrongSig = shortFile(2, 100, 1);
    wrongSig[8] = 'X';
    expectRefused(wrongSig, OpenError::BadSignature, "signature");
    expectRefused(shortFile(2, 100, 0), OpenError::BadType, "type 0");
    expectRefused(shortFile(2, 100, 2), OpenError::BadType, "type 2");
    expectRefused(shortFile(2, 100, 0x86), OpenError::BadType, "type -122");
    expectRefused(shortFile(0, 100, 1), OpenError::BadChannels, "n = 0");
    expectRefused(shortFile(300, 100, 1), OpenError::BadChannels, "n = 300");
    expectRefused(shortFile(4 | 8u << 16, 100, 1), OpenError::BadDevices, "D > n");
    expectRefused(shortFile(10 | 3u << 16, 100, 1), OpenError::BadDevices, "D does not divide n");
    expectRefused(shortFile(2, 0.0, 1), OpenError::BadRate, "rate 0");
    expectRefused(shortFile(2, -5.0, 1), OpenError::BadRate, "negative rate");
    expectRefused(shortFile(2, std::nan(""), 1), OpenError::BadRate, "NaN rate");
    expectRefused(shortFile(2, 1e300, 1), OpenError::BadRate, "rate beyond float");

    auto full = shortFile(2, 100, 1);
    for (size_t cut : {9u, 31u, 40u, 83u, 100u}) {
        std::vector<std::uint8_t> t(full.begin(), full.begin() + cut);
        expectRefused(t, OpenError::Truncated, "truncated");
    }

    // An ADC block over 8192 bytes.
    FloatFixture fx;
    fx.layout.channels = 2;
    fx.layout.rawAdcBlock.assign(8193, 0);
    std::memcpy(fx.layout.rawAdcBlock.data(), "ADCBLOCK", 8);
    ASSERT_TRUE(WriteFloatFixture(dir / "adc.kvf", fx));
    CDataFile f;
    EXPECT_EQ(f.Open(dir / "adc.kvf"), 0);
    EXPECT_EQ(f.LastError(), OpenError::AdcBlockTooLong);
    // Exactly 8192 bytes is fine.
    fx.layout.rawAdcBlock.resize(8192);
    ASSERT_TRUE(WriteFloatFixture(dir / "adc2.kvf", fx));
    EXPECT_EQ(f.Open(dir / "adc2.kvf"), 1);

    // The long layout cut inside the channel entries or the carried block.
    auto bytes = ReadAll(dir / "adc2.kvf");
    for (size_t cut : {150u, 200u, 5000u, 168u + 40u + 8192u + 20u}) {
        std::vector<std::uint8_t> t(bytes.begin(), bytes.begin() + cut);
        expectRefused(t, OpenError::Truncated, "long layout cut");
    }
    CDataFile missing;
    EXPECT_EQ(missing.Open(dir / "nope.kvf"), 0);
    EXPECT_EQ(missing.LastError(), OpenError::CannotOpen);
}

TEST(RecordingFloat, DisplaySettingsFromAdcBlock)
{
    TempDir dir;
    FloatFixture fx;
    fx.layout.channels = 3;
    fx.layout.adcFlags = kAdcAlways | kAdcColours | kAdcWidths | kAdcHidden;
    fx.layout.selected = 2;
    fx.layout.colours = {0x112233, 0x445566, 0x778899};
    fx.layout.widthWords = {0x13, 0x02, 0x10};
    ASSERT_TRUE(WriteFloatFixture(dir / "a.kvf", fx));
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "a.kvf"), 1);
    DisplayTables t;
    t.Apply(f);
    EXPECT_EQ(t.selected, 2);
    EXPECT_EQ(t.colours[0], 0x112233u);
    EXPECT_EQ(t.colours[2], 0x778899u);
    EXPECT_EQ(t.colours[3], DefaultTraceColour(3));
    EXPECT_EQ(t.widths[0], 3);
    EXPECT_EQ(t.visible[0], 0);
    EXPECT_EQ(t.widths[1], 2);
    EXPECT_EQ(t.visible[1], 1);
    EXPECT_EQ(t.widths[2], 0);
    EXPECT_EQ(t.visible[2], 0);
    EXPECT_EQ(f.AdcFlags(), fx.layout.adcFlags);

    // Without flag 16 the hidden marks are not honoured.
    fx.layout.adcFlags = kAdcAlways | kAdcColours | kAdcWidths;
    ASSERT_TRUE(WriteFloatFixture(dir / "b.kvf", fx));
    CDataFile g;
    ASSERT_EQ(g.Open(dir / "b.kvf"), 1);
    DisplayTables u;
    u.Apply(g);
    EXPECT_EQ(u.widths[0], 3);
    EXPECT_EQ(u.visible[0], 1);

    // A stored selected channel beyond the channels is not taken.
    fx.layout.selected = 7;
    ASSERT_TRUE(WriteFloatFixture(dir / "c.kvf", fx));
    CDataFile h;
    ASSERT_EQ(h.Open(dir / "c.kvf"), 1);
    DisplayTables v;
    v.selected = 1;
    v.Apply(h);
    EXPECT_EQ(v.selected, 1);

    // A block of another name is ignored whole.
    fx.layout.rawAdcBlock = MakeAdcBlock(kAdcAlways | kAdcColours, 1, {1, 2, 3}, {});
    std::memcpy(fx.layout.rawAdcBlock.data(), "ADCBLOCX", 8);
    ASSERT_TRUE(WriteFloatFixture(dir / "d.kvf", fx));
    CDataFile k;
    ASSERT_EQ(k.Open(dir / "d.kvf"), 1);
    DisplayTables w;
    w.Apply(k);
    EXPECT_EQ(w.selected, 0);
    EXPECT_EQ(w.colours[1], DefaultTraceColour(1));

    // Flags that promise more than the block holds: the missing part is not read.
    fx.layout.rawAdcBlock = MakeAdcBlock(kAdcAlways | kAdcColours | kAdcWidths, 1, {5, 6, 7}, {});
    ASSERT_TRUE(WriteFloatFixture(dir / "e.kvf", fx));
    CDataFile m;
    ASSERT_EQ(m.Open(dir / "e.kvf"), 1);
    DisplayTables x;
    x.Apply(m);
    EXPECT_EQ(x.selected, 1);
    EXPECT_EQ(x.colours[2], 7u);
    EXPECT_EQ(x.widths[2], 1);
}

TEST(RecordingFloat, StartTimeIsLastWriteTimeAndLocalUsesBaseBias)
{
    TempDir dir;
    FloatFixture fx;
    fx.fileTime = UtcFileTime(2024, 7, 15, 9, 0, 0);
    ASSERT_TRUE(WriteFloatFixture(dir / "a.kvf", fx));
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "a.kvf"), 1);
    EXPECT_EQ(f.StartTime(), *fx.fileTime);
    platform::OverrideTimeZoneBias(-180);
    EXPECT_EQ(ToLocalTime(f.StartTime()), UtcFileTime(2024, 7, 15, 12, 0, 0));
    platform::OverrideTimeZoneBias(std::nullopt);
}

TEST(RecordingFloat, OpenWritesTheLogLines)
{
    TempDir dir;
    FloatFixture fx;
    fx.layout.channels = 6;
    fx.layout.devices = 2;
    fx.layout.mode = 4;
    fx.samples = 10;
    ASSERT_TRUE(WriteFloatFixture(dir / "a.kvf", fx));
    CDebugLog log(dir / "Debug.txt");
    g_log = &log;
    CDataFile f;
    const int rc = f.Open(dir / "a.kvf");
    g_log = nullptr;
    ASSERT_EQ(rc, 1);
    auto bytes = ReadAll(dir / "Debug.txt");
    const std::string text(bytes.begin(), bytes.end());
    const std::string expected = "Test messages\r\n"
                                 "******** File Head length ******** =84(54)\r\n" +
                                 LogKey("Число каналов") + "=6(6)\r\n" + LogKey("Число устройств MK410") +
                                 "=2(2)\r\n" + LogKey("Число каналов на устройство") +
                                 "=3(3)\r\n"
                                 "m_mode=4(4)\r\n"
                                 "60 counts in a file(incl. 8-bytes numsect in case 2-byte counts)\r\n";
    EXPECT_EQ(text, expected);
    // The Russian keys are Windows-1251 bytes.
    EXPECT_NE(text.find("\xD7\xE8\xF1\xEB\xEE"), std::string::npos);
}

TEST(RecordingFloat, SampleIndicesBeyondFourGigabytes)
{
    // A sparse file of just over 5 GiB: the last samples lie past 2^32 bytes and, with one
    // channel, past 2^30 sample indices; nothing may truncate the index.
    TempDir dir;
    FloatFixture fx;
    fx.layout.channels = 1;
    fx.samples = 0;
    ASSERT_TRUE(WriteFloatFixture(dir / "big.kvf", fx));
    const std::uint64_t H = std::filesystem::file_size(dir / "big.kvf");
    const std::uint64_t samples = (5ULL << 30) / 4 + 3;
    std::error_code ec;
    std::filesystem::resize_file(dir / "big.kvf", H + 4 * samples, ec);
    if (ec) GTEST_SKIP() << "no room for a sparse file";
    {
        std::fstream out(dir / "big.kvf", std::ios::in | std::ios::out | std::ios::binary);
        out.seekp(static_cast<std::streamoff>(H + 4 * (samples - 1)));
        const float v = 42.5f;
        out.write(reinterpret_cast<const char*>(&v), 4);
        ASSERT_TRUE(out.good());
    }
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "big.kvf"), 1);
    EXPECT_EQ(f.Samples(), static_cast<std::int64_t>(samples));
    EXPECT_EQ(f.SampleValue(samples - 1, 0), 42.5L);
    EXPECT_EQ(f.SampleValue(samples - 2, 0), 0.0L);
    EXPECT_EQ(f.SampleValue(samples, 0), 0.0L);
}
