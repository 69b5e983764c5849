// Header writers: derived recordings (fragments, channel selections) and result recordings.

#include "core/recording/DataFile.h"
#include "core/recording/DisplayDefaults.h"
#include "core/recording/TempResults.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

using namespace vistrel;
using namespace vistrel::test;
using namespace vistrel::kvf;

namespace {

struct Window {
    int selected = 0;
    std::uint32_t colours[256];
    int visible[256];
    int widths[256];
    Window()
    {
        for (int i = 0; i < 256; ++i) colours[i] = 0x010000u * i + 7, visible[i] = 1, widths[i] = 1 + i % 3;
    }
};

struct Written {
    std::vector<std::uint8_t> bytes;
    std::uint32_t word() const { return Get<std::uint32_t>(bytes.data() + 68); }
    std::int64_t payload() const { return Get<std::int64_t>(bytes.data() + 136 + 24); }
    int entries() const { return static_cast<int>(word() & 0x1FF); }
    std::int32_t number(int j) const { return Get<std::int32_t>(bytes.data() + 168 + 20 * j); }
    double low(int j) const { return Get<double>(bytes.data() + 168 + 20 * j + 4); }
    double high(int j) const { return Get<double>(bytes.data() + 168 + 20 * j + 12); }
    const std::uint8_t* adc() const { return bytes.data() + 168 + 20 * entries(); }
    std::uint32_t flags() const { return Get<std::uint32_t>(adc() + 8); }
    std::int32_t selected() const { return Get<std::int32_t>(adc() + 12); }
    std::uint32_t colour(int j) const { return Get<std::uint32_t>(adc() + 16 + 4 * j); }
    std::uint32_t widthWord(int j) const { return Get<std::uint32_t>(adc() + 16 + 4 * entries() + 4 * j); }
    double rate() const { return Get<double>(bytes.data() + 72); }
};

Written Read(const std::filesystem::path& p) { return Written{ReadAll(p)}; }

// Opens a fixture of devices x perDevice channels and hands the window tables to it.
void OpenSource(TempDir& dir, CDataFile& f, Window& w, int devices, int perDevice)
{
    FloatFixture fx;
    fx.layout.channels = devices * perDevice;
    fx.layout.devices = devices;
    fx.layout.carried[0] = 0x5C;
    for (int i = 0; i < fx.layout.channels; ++i)
        fx.layout.entries.push_back({100 + i, -1.0 - i, 2.0 + i});
    ASSERT_TRUE(WriteFloatFixture(dir / "src.kvf", fx));
    ASSERT_EQ(f.Open(dir / "src.kvf"), 1);
    f.ApplyDisplaySettings(&w.selected, w.colours, w.visible, w.widths);
}

} // namespace

TEST(RecordingWriter, DerivedHeaderHiddenChannelsAndTildeRule)
{
    TempDir dir;
    CDataFile f;
    Window w;
    OpenSource(dir, f, w, 1, 8);
    w.visible[2] = 0;
    w.visible[5] = 0;
    w.selected = 4;

    ASSERT_EQ(f.WriteDerivedHeader(dir / "~avg.KVF", 1), 1);
    auto t = Read(dir / "~avg.KVF");
    EXPECT_EQ(t.word(), 6u); // device count 0, six channels
    EXPECT_EQ(t.payload(), 20 * 6 + 16 + 8 * 6);
    EXPECT_EQ(t.bytes.size(), 240u + 20 * 6 + 16 + 8 * 6);
    const int kept[6] = {0, 1, 3, 4, 6, 7};
    for (int j = 0; j < 6; ++j) {
        EXPECT_EQ(t.number(j), 100 + kept[j]);
        EXPECT_EQ(t.low(j), -1.0 - kept[j]);
        EXPECT_EQ(t.colour(j), w.colours[kept[j]]);
        EXPECT_EQ(t.widthWord(j), static_cast<std::uint32_t>(w.widths[kept[j]]));
    }
    EXPECT_EQ(t.flags(), 7u);
    EXPECT_EQ(t.selected(), 3); // channel 4 is the fourth written
    EXPECT_EQ(t.bytes[168 + 120 + 64], 0x5C); // carried block follows the ADC block
    EXPECT_EQ(std::memcmp(t.bytes.data() + 208 + 120 + 64, "SAMPLES_RECORD", 14), 0);

    ASSERT_EQ(f.WriteDerivedHeader(dir / "fragment.kvf", 2), 1);
    auto u = Read(dir / "fragment.kvf");
    EXPECT_EQ(u.word(), 8u);
    EXPECT_EQ(u.flags(), 1u | 2u | 4u | 16u);
    EXPECT_EQ(u.widthWord(2), 0x10u | static_cast<std::uint32_t>(w.widths[2]));
    EXPECT_EQ(u.widthWord(5), 0x10u | static_cast<std::uint32_t>(w.widths[5]));
    EXPECT_EQ(u.widthWord(0), static_cast<std::uint32_t>(w.widths[0]));
    EXPECT_EQ(u.selected(), 4);
    EXPECT_EQ(u.rate(), 500.0);

    // The written header reads back, and the source's images are untouched.
    std::ofstream(dir / "fragment.kvf", std::ios::binary | std::ios::app).write("\0\0\x80\x3f\0\0\0\0", 8);
    CDataFile g;
    ASSERT_EQ(g.Open(dir / "fragment.kvf"), 1);
    EXPECT_EQ(g.Channels(), 8);
    EXPECT_EQ(g.Rate(), 500.0f);
    EXPECT_EQ(g.Samples(), 0);
    ASSERT_EQ(f.WriteDerivedHeader(dir / "fragment2.kvf", 2), 1);
    EXPECT_EQ(ReadAll(dir / "fragment2.kvf"), u.bytes);
    EXPECT_EQ(f.Channel(3).number, 103);
    EXPECT_EQ(f.Channels(), 8);
}

TEST(RecordingWriter, DerivedHeaderDeviceMask)
{
    TempDir dir;
    CDataFile f;
    Window w;
    OpenSource(dir, f, w, 3, 4);
    w.selected = 9;

    f.SetDeviceMask(5);
    ASSERT_EQ(f.WriteDerivedHeader(dir / "a.kvf", 1), 1);
    EXPECT_EQ(f.DeviceMask(), 5); // the writer only reads the recording
    auto a = Read(dir / "a.kvf");
    EXPECT_EQ(a.word(), 8u | 2u << 16);
    const int kept[8] = {0, 1, 2, 3, 8, 9, 10, 11};
    for (int j = 0; j < 8; ++j) EXPECT_EQ(a.number(j), 100 + kept[j]);
    EXPECT_EQ(a.selected(), 5);

    w.selected = 5; // device 1, not saved
    f.SetDeviceMask(5);
    ASSERT_EQ(f.WriteDerivedHeader(dir / "b.kvf", 1), 1);
    EXPECT_EQ(Read(dir / "b.kvf").selected(), 0);

    f.SetDeviceMask(2);
    ASSERT_EQ(f.WriteDerivedHeader(dir / "c.kvf", 1), 1);
    auto c = Read(dir / "c.kvf");
    EXPECT_EQ(c.word(), 4u);
    EXPECT_EQ(c.number(0), 104);
    EXPECT_EQ(c.selected(), 1);

    // No mask: all devices, the device count kept.
    f.SetDeviceMask(0);
    ASSERT_EQ(f.WriteDerivedHeader(dir / "d.kvf", 1), 1);
    EXPECT_EQ(Read(dir / "d.kvf").word(), 12u | 3u << 16);

    // A temporary result of several devices with a hidden channel: the channel count is the
    // number of entries and the file still opens.
    w.visible[1] = 0;
    ASSERT_EQ(f.WriteDerivedHeader(dir / "~e.KVF", 1), 1);
    auto e = Read(dir / "~e.KVF");
    EXPECT_EQ(e.word(), 11u);
    CDataFile g;
    EXPECT_EQ(g.Open(dir / "~e.KVF"), 1);
}

TEST(RecordingWriter, DerivedHeaderGainsOffsetsAndRate)
{
    TempDir dir;
    CDataFile f;
    Window w;
    OpenSource(dir, f, w, 1, 2);
    const float gains[2] = {2.0f, -1.0f};
    const float offsets[2] = {0.5f, 3.0f};
    const float rate = 123.5f;
    ASSERT_EQ(f.WriteDerivedHeader(dir / "a.kvf", 4, gains, offsets, &rate), 1);
    auto a = Read(dir / "a.kvf");
    EXPECT_EQ(a.low(0), 2.0 * -1.0 + 0.5);
    EXPECT_EQ(a.high(0), 2.0 * 2.0 + 0.5);
    EXPECT_EQ(a.low(1), -1.0 * -2.0 + 3.0);
    EXPECT_EQ(a.rate(), 123.5);
    ASSERT_EQ(f.WriteDerivedHeader(dir / "b.kvf", 4), 1);
    EXPECT_EQ(Read(dir / "b.kvf").rate(), 250.0);
    // A folder that does not exist: 0 and nothing changes.
    EXPECT_EQ(f.WriteDerivedHeader(dir / "no" / "x.kvf", 1), 0);
    EXPECT_EQ(f.Channel(0).low, -1.0);
}

TEST(RecordingWriter, ResultHeader)
{
    TempDir dir;
    CDataFile f;
    Window w;
    OpenSource(dir, f, w, 1, 4);
    OutputChannelList list;
    list.count = 3;
    for (int i = 0; i < 3; ++i) {
        list.rangeLow[i] = -0.5f * i;
        list.rangeHigh[i] = 1.25f * (i + 1);
        list.colours[i] = 0xABC000u + i;
        list.widths[i] = 2;
    }
    ASSERT_EQ(f.WriteResultHeader(dir / "~sum.KVF", list, 0.0f), 1);
    auto a = Read(dir / "~sum.KVF");
    EXPECT_EQ(a.word(), 3u);
    EXPECT_EQ(a.rate(), 1000.0);
    EXPECT_EQ(a.flags(), 7u);
    EXPECT_EQ(a.selected(), 0);
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(a.number(j), j + 1);
        EXPECT_EQ(a.low(j), static_cast<double>(list.rangeLow[j]));
        EXPECT_EQ(a.high(j), static_cast<double>(list.rangeHigh[j]));
        EXPECT_EQ(a.colour(j), list.colours[j]);
        EXPECT_EQ(a.widthWord(j), 2u);
    }
    list.spectrumPoints = 400;
    ASSERT_EQ(f.WriteResultHeader(dir / "~spectr.KVF", list, 8.0f), 1);
    auto b = Read(dir / "~spectr.KVF");
    EXPECT_EQ(b.flags(), 15u);
    EXPECT_EQ(b.rate(), 8.0);
    CDataFile g;
    ASSERT_EQ(g.Open(dir / "~spectr.KVF"), 1);
    EXPECT_TRUE(g.IsSpectrum());
    list.count = 33;
    EXPECT_EQ(f.WriteResultHeader(dir / "c.kvf", list, 0.0f), 0);
}

TEST(RecordingWriter, SaveAndRestoreHeader)
{
    TempDir dir;
    CDataFile f;
    Window w;
    OpenSource(dir, f, w, 1, 2);
    const std::vector<std::uint8_t> adc(f.AdcBlock(), f.AdcBlock() + 8192);
    const int adcSize = f.AdcBlockSize();
    f.SaveHeader();
    // Another recording replaces every header image; RestoreHeader brings the saved ones back.
    FloatFixture other;
    other.layout.channels = 3;
    for (int i = 0; i < 3; ++i) other.layout.entries.push_back({7 + i, -50.0, 50.0});
    other.layout.selected = 2;
    other.layout.colours = {1, 2, 3};
    ASSERT_TRUE(WriteFloatFixture(dir / "other.kvf", other));
    ASSERT_EQ(f.Open(dir / "other.kvf"), 1);
    ASSERT_EQ(f.Channel(1).number, 8);
    f.RestoreHeader();
    EXPECT_EQ(f.Channel(1).number, 101);
    EXPECT_EQ(f.Channel(1).high, 3.0);
    EXPECT_EQ(f.AdcBlockSize(), adcSize);
    EXPECT_EQ(std::vector<std::uint8_t>(f.AdcBlock(), f.AdcBlock() + 8192), adc);
}

TEST(RecordingWriter, WritersLeaveTheRecordingAsItWas)
{
    TempDir dir;
    CDataFile f;
    Window w;
    OpenSource(dir, f, w, 2, 3);
    w.visible[1] = 0;
    f.SetDeviceMask(2);
    // Tables given to the writer win over the recorded ones and leave the mask alone.
    int shown[256], widths[256];
    std::uint32_t colours[256];
    for (int i = 0; i < 256; ++i) shown[i] = 1, widths[i] = 5, colours[i] = 0xABCDEFu;
    HeaderDisplay job{0, colours, shown, widths, 0};
    ASSERT_EQ(f.WriteDerivedHeader(dir / "~j.KVF", 1, nullptr, nullptr, nullptr, &job), 1);
    auto j = Read(dir / "~j.KVF");
    EXPECT_EQ(j.entries(), 6);
    EXPECT_EQ(j.colour(1), 0xABCDEFu);
    EXPECT_EQ(j.widthWord(1), 5u);
    EXPECT_EQ(f.DeviceMask(), 2);
    // Without tables: the window's, and the recording's device mask.
    ASSERT_EQ(f.WriteDerivedHeader(dir / "~w.KVF", 1), 1);
    auto u = Read(dir / "~w.KVF");
    EXPECT_EQ(u.entries(), 3);
    EXPECT_EQ(u.number(0), 103);
    EXPECT_EQ(u.colour(0), w.colours[3]);
    EXPECT_EQ(f.Channels(), 6);
    EXPECT_EQ(f.Channel(5).number, 105);
}

TEST(RecordingClose, DeletesOnlyRegisteredTemporaryResults)
{
    TempDir dir;
    FloatFixture fx;
    ASSERT_TRUE(WriteFloatFixture(dir / "~user.kvf", fx));
    ASSERT_TRUE(WriteFloatFixture(dir / "~result.KVF", fx));
    ASSERT_TRUE(WriteFloatFixture(dir / "plain.kvf", fx));
    RegisterTempResult(dir / "~result.KVF");
    RegisterTempResult(dir / "plain.kvf");
    for (const char* name : {"~user.kvf", "~result.KVF", "plain.kvf"}) {
        CDataFile f;
        ASSERT_EQ(f.Open(dir / name), 1);
        f.Close();
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "~user.kvf"));
    EXPECT_FALSE(std::filesystem::exists(dir / "~result.KVF"));
    EXPECT_FALSE(IsTempResult(dir / "~result.KVF"));
    EXPECT_TRUE(std::filesystem::exists(dir / "plain.kvf"));
    UnregisterTempResult(dir / "plain.kvf");
    // A recording that failed to open is never deleted.
    WriteAll(dir / "~broken.KVF", {1, 2, 3});
    RegisterTempResult(dir / "~broken.KVF");
    {
        CDataFile f;
        EXPECT_EQ(f.Open(dir / "~broken.KVF"), 0);
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "~broken.KVF"));
    UnregisterTempResult(dir / "~broken.KVF");
}

TEST(RecordingWriter, DeviceMaskWithManyDevices)
{
    // 40 devices of one channel each: the mask reaches devices 0-7 only.
    TempDir dir;
    CDataFile f;
    Window w;
    OpenSource(dir, f, w, 40, 1);
    f.SetDeviceMask(0x81);
    ASSERT_EQ(f.WriteDerivedHeader(dir / "a.kvf", 1), 1);
    auto a = Read(dir / "a.kvf");
    EXPECT_EQ(a.word(), 2u | 2u << 16);
    EXPECT_EQ(a.number(0), 100);
    EXPECT_EQ(a.number(1), 107);
}
