// SD-card images (sample type 6): ring order, holes, phase, calibration, start time.

#include "core/common/DebugLog.h"
#include "core/common/StringIds.h"
#include "core/recording/DataFile.h"
#include "core/recording/DisplayDefaults.h"
#include "core/recording/TimeBase.h"
#include "platform/TimeZone.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <limits>
#include <map>

using namespace vistrel;
using namespace vistrel::test;
using namespace vistrel::kvf;

namespace {

struct RecordingObserver : IOpenObserver {
    std::vector<int> titles, percents, errors;
    void ProgressTitle(int id) override { titles.push_back(id); }
    void Progress(int p) override { percents.push_back(p); }
    void Error(int id) override { errors.push_back(id); }
};

std::uint16_t CountOf(std::uint64_t g) { return static_cast<std::uint16_t>((g * 7 + 3) & 0xFFFF); }

SdFixture Fixture(int channels, std::vector<std::uint32_t> numbers)
{
    SdFixture fx;
    fx.descriptors.clear();
    for (int i = 0; i < channels; ++i) fx.descriptors.push_back(0);
    fx.sectorNumbers = std::move(numbers);
    fx.count = CountOf;
    return fx;
}

std::int64_t SdLocal(const SdFixture& fx)
{
    return UtcFileTime(2000 + fx.time[5], fx.time[4], fx.time[3], fx.time[2], fx.time[1], fx.time[0]);
}

// Every sample must be the count at its place in the recorder's stream, whatever the ring.
void ExpectStreamConsistent(const CDataFile& f, std::uint64_t firstStreamPos, int samplesToCheck)
{
    const int n = f.Channels();
    ASSERT_EQ(firstStreamPos % static_cast<std::uint64_t>(n), 0u);
    for (int k = 0; k < samplesToCheck && k < f.Samples(); ++k)
        for (int c = 0; c < n; ++c)
            ASSERT_EQ(f.RawCount(k, c), CountOf(firstStreamPos + std::uint64_t(k) * n + c)) << k << "," << c;
}

// Tests that override the time zone get it reset even when an ASSERT ends them early.
class RecordingSd : public ::testing::Test {
protected:
    void TearDown() override { platform::OverrideTimeZoneBias(std::nullopt); }
};

} // namespace

TEST_F(RecordingSd, FilledOnceWithoutWrapping)
{
    TempDir dir;
    std::vector<std::uint32_t> numbers(50);
    for (std::uint32_t i = 0; i < 50; ++i) numbers[i] = i;
    auto fx = Fixture(2, numbers);
    ASSERT_TRUE(WriteSdFixture(dir / "a.kvf", fx));
    RecordingObserver obs;
    CDataFile f(&obs);
    ASSERT_EQ(f.Open(dir / "a.kvf"), 1);
    EXPECT_EQ(f.Type(), 6);
    EXPECT_EQ(f.Devices(), 1);
    EXPECT_EQ(f.ChannelsPerDevice(), 2);
    EXPECT_EQ(f.HeaderLength(), 512u);
    EXPECT_EQ(f.Sectors(), 50u);
    EXPECT_EQ(f.LogicalSectors(), 50u);
    EXPECT_EQ(f.Phase(), 0u);
    EXPECT_EQ(f.Samples(), 124 * 50 / 2);
    for (std::uint32_t i = 0; i < 50; ++i) EXPECT_EQ(f.SectorMap()[i], i);
    EXPECT_TRUE(obs.titles.empty());
    EXPECT_TRUE(obs.percents.empty());
    ExpectStreamConsistent(f, 0, static_cast<int>(f.Samples()));
    EXPECT_EQ(f.RawCount(f.Samples(), 0), 0);
}

TEST_F(RecordingSd, FilledUpToSectorNine)
{
    TempDir dir;
    auto fx = Fixture(1, RingNumbers(40, 0, 0, 10));
    ASSERT_TRUE(WriteSdFixture(dir / "a.kvf", fx));
    platform::OverrideTimeZoneBias(-180);
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "a.kvf"), 1);
    EXPECT_EQ(f.Sectors(), 40u);
    EXPECT_EQ(f.LogicalSectors(), 10u);
    EXPECT_EQ(f.Samples(), 1240);
    // Local start is the SD header's clock time, whatever the zone.
    EXPECT_EQ(f.StartTime(), SdLocal(fx) - 180 * kUnitsPerMinute);
    EXPECT_EQ(ToLocalTime(f.StartTime()), UtcFileTime(2023, 2, 1, 10, 20, 30));
    platform::OverrideTimeZoneBias(300);
    EXPECT_EQ(f.Open(dir / "a.kvf"), 1);
    EXPECT_EQ(ToLocalTime(f.StartTime()), UtcFileTime(2023, 2, 1, 10, 20, 30));
    platform::OverrideTimeZoneBias(std::nullopt);
    ExpectStreamConsistent(f, 0, 1240);
}

TEST_F(RecordingSd, WrappedRingStartsAtTheOldestSector)
{
    TempDir dir;
    for (int n : {4, 3}) {
        auto fx = Fixture(n, RingNumbers(1000, 700, 5000, 1000));
        ASSERT_TRUE(WriteSdFixture(dir / "w.kvf", fx));
        platform::OverrideTimeZoneBias(0);
        RecordingObserver obs;
        CDataFile f(&obs);
        ASSERT_EQ(f.Open(dir / "w.kvf"), 1) << n;
        platform::OverrideTimeZoneBias(std::nullopt);
        EXPECT_EQ(f.LogicalSectors(), 1000u);
        EXPECT_EQ(f.SectorMap()[0], 700u);
        EXPECT_EQ(f.SectorMap()[299], 999u);
        EXPECT_EQ(f.SectorMap()[300], 0u);
        EXPECT_TRUE(obs.percents.empty());
        // Sample 0 is the first whole frame of the stream: recorder frame ceil(5000·124 / n).
        const std::int64_t skipped = (5000 * 124 + n - 1) / n;
        EXPECT_EQ(f.StartTime(), SdLocal(fx) + TruncToInt64(static_cast<double>(skipped) / 1000.0 * 1e7)) << n;
        // The phase follows the stream position of the oldest sector.
        const std::uint64_t first = 5000ULL * 124 + f.Phase();
        ExpectStreamConsistent(f, first, 400);
    }
}

TEST_F(RecordingSd, RunToTheLastSectorTakesSectorZeroAsOldest)
{
    TempDir dir;
    auto fx = Fixture(1, RingNumbers(64, 0, 300, 64));
    ASSERT_TRUE(WriteSdFixture(dir / "a.kvf", fx));
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "a.kvf"), 1);
    EXPECT_EQ(f.LogicalSectors(), 64u);
    EXPECT_EQ(f.SectorMap()[0], 0u);
    EXPECT_EQ(f.SectorMap()[63], 63u);
    ExpectStreamConsistent(f, 300ULL * 124, 500);
}

TEST_F(RecordingSd, HolesAndStraySectors)
{
    TempDir dir;
    std::vector<std::uint32_t> numbers(60, kUnwritten);
    for (std::uint32_t p = 0; p < 20; ++p) numbers[p] = p;
    for (std::uint32_t p = 20; p < 38; ++p) numbers[p] = p + 2; // numbers 20 and 21 missing
    numbers[10] = 500;                                          // stray number
    auto fx = Fixture(1, numbers);
    ASSERT_TRUE(WriteSdFixture(dir / "a.kvf", fx));
    RecordingObserver obs;
    CDebugLog log(dir / "Debug.txt");
    g_log = &log;
    CDataFile f(&obs);
    const int rc = f.Open(dir / "a.kvf");
    g_log = nullptr;
    ASSERT_EQ(rc, 1);
    EXPECT_EQ(f.LogicalSectors(), 40u);
    EXPECT_EQ(f.SectorMap()[9], 9u);
    EXPECT_EQ(f.SectorMap()[10], kUnwritten);
    EXPECT_EQ(f.SectorMap()[20], kUnwritten);
    EXPECT_EQ(f.SectorMap()[21], kUnwritten);
    EXPECT_EQ(f.SectorMap()[22], 20u);
    EXPECT_EQ(f.SectorMap()[39], 37u);
    ASSERT_EQ(obs.titles, std::vector<int>{IDS_PROGRESS_READ});
    ASSERT_FALSE(obs.percents.empty());
    EXPECT_EQ(obs.percents.front(), 0);
    EXPECT_EQ(obs.percents.back(), 100);
    // A hole reads as count 0: -32768 counts converted (R = 10, unit gain).
    EXPECT_EQ(f.RawCount(10 * 124 + 5, 0), 0);
    EXPECT_EQ(f.SampleValue(10 * 124 + 5, 0), -10.0L);
    EXPECT_EQ(f.RawCount(22 * 124, 0), CountOf(22 * 124));

    auto bytes = ReadAll(dir / "Debug.txt");
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("Number of 256-bytes sectors in SD file =        60(0000003c)\r\n"), std::string::npos);
    EXPECT_NE(text.find("Number of data sectors include holes  =        40(00000028)\r\n"), std::string::npos);
    EXPECT_NE(text.find("Number of data sectors exclude holes =        38(00000026)\r\n"), std::string::npos);
    EXPECT_NE(text.find("Date from SD file  01.02.23\r\nTime from SD file 10:20:30\r\n"), std::string::npos);
    EXPECT_NE(text.find("2-channel mode=0(0)\r\n"), std::string::npos);
    EXPECT_NE(text.find("Chan.=00 K1=0 K2=0 NGain=0\r\n"), std::string::npos);
    EXPECT_NE(text.find("Kdev=1     1     2     4     8     \r\n"), std::string::npos);
    EXPECT_NE(text.find("ADC Range = 10.000  \r\n"), std::string::npos);
    EXPECT_NE(text.find("K1cal=1.000    1.000    1.000    1.000    1.000    \r\n"), std::string::npos);
    EXPECT_NE(text.find("7680 counts in a file"), std::string::npos);
}

TEST_F(RecordingSd, SectorCountAndPhaseAddressing)
{
    TempDir dir;
    // 10 240 bytes: 38 data sectors; a partial sector at the end is not counted.
    auto fx = Fixture(1, RingNumbers(38, 0, 0, 38));
    ASSERT_TRUE(WriteSdFixture(dir / "a.kvf", fx));
    ASSERT_EQ(std::filesystem::file_size(dir / "a.kvf"), 10240u);
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "a.kvf"), 1);
    EXPECT_EQ(f.Sectors(), 38u);
    fx.trailingBytes = 100;
    ASSERT_TRUE(WriteSdFixture(dir / "b.kvf", fx));
    ASSERT_EQ(f.Open(dir / "b.kvf"), 1);
    EXPECT_EQ(f.Sectors(), 38u);

    // n = 3 and phase 2: sample 0 of channel 0 is count 2 of logical sector 0, sample 40 of
    // channel 1 its last count, sample 40 of channel 2 the first count of logical sector 1.
    auto gx = Fixture(3, RingNumbers(30, 5, 1, 30));
    ASSERT_TRUE(WriteSdFixture(dir / "c.kvf", gx));
    ASSERT_EQ(f.Open(dir / "c.kvf"), 1);
    EXPECT_EQ(f.Phase(), 2u);
    EXPECT_EQ(f.SectorMap()[0], 5u);
    EXPECT_EQ(f.RawCount(0, 0), CountOf(124 + 2));
    EXPECT_EQ(f.RawCount(40, 1), CountOf(124 + 123));
    EXPECT_EQ(f.RawCount(40, 2), CountOf(2 * 124));
}

TEST_F(RecordingSd, LongAdcBlockDoesNotCountSectorsPastTheEnd)
{
    // 53 descriptors with colours and widths make a 440-byte ADC block: the sector count of
    // a plain header would then reach past the end of the file.
    TempDir dir;
    auto fx = Fixture(53, RingNumbers(20, 0, 0, 20));
    fx.adcBlock = MakeAdcBlock(kAdcAlways | kAdcColours | kAdcWidths, 0, std::vector<std::uint32_t>(53, 0x123456),
                               std::vector<std::uint32_t>(53, 2));
    ASSERT_EQ(fx.adcBlock.size(), 440u);
    ASSERT_TRUE(WriteSdFixture(dir / "a.kvf", fx));
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "a.kvf"), 1);
    EXPECT_EQ(f.HeaderLength(), 952u);
    EXPECT_EQ(f.Sectors(), 20u);
    const std::int64_t last = f.Samples() - 1;
    EXPECT_EQ(f.RawCount(last, 52), CountOf(std::uint64_t(last) * 53 + 52));
}

TEST_F(RecordingSd, TwoChannelModeGainsAndCalibration)
{
    TempDir dir;
    SdFixture fx;
    fx.twoChannel = true;
    // Pair 0: physical 0 -> numbers 1, 2; gain codes 1 and 2. Pair 1: p = 3 -> numbers 7, 8;
    // gain codes 3 and 0.
    fx.descriptors = {0x0000 | 1 << 8 | 2 << 11, 0x0003 | 3 << 8 | 0 << 11};
    fx.kdev[0] = 99;
    fx.kdev[1] = 1;
    fx.kdev[2] = 2;
    fx.kdev[3] = 4;
    fx.kdev[4] = 8;
    for (int e = 0; e < 5; ++e) {
        fx.b1cal[e] = 10.0f * e;
        fx.k1cal[e] = 1.0f + e;
        fx.b2cal[e] = -5.0f * e;
        fx.k2cal[e] = 0.5f * (e + 1);
    }
    fx.adcRange = 5.0f;
    fx.sectorNumbers = RingNumbers(10, 0, 0, 10);
    fx.count = CountOf;
    ASSERT_TRUE(WriteSdFixture(dir / "a.kvf", fx));
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "a.kvf"), 1);
    ASSERT_EQ(f.Channels(), 4);
    EXPECT_EQ(f.ChannelsPerDevice(), 2);
    EXPECT_EQ(f.Devices(), 1);
    EXPECT_TRUE(f.TwoChannelMode());
    const int numbers[4] = {1, 2, 7, 8};
    const int gains[4] = {1, 2, 3, 0};
    const int sets[4] = {0, 1, 0, 1};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(f.Channel(c).number, numbers[c]);
        EXPECT_EQ(f.GainIndex(c), gains[c]);
        EXPECT_EQ(f.CalSet(c), sets[c]);
        const int e = gains[c] + 1;
        EXPECT_EQ(f.Channel(c).high, 5.0 / fx.kdev[e]);
        EXPECT_EQ(f.Channel(c).low, -5.0 / fx.kdev[e]);
        for (std::uint64_t k : {0ULL, 17ULL, 309ULL}) {
            const long double x = static_cast<long double>(f.RawCount(k, c)) - 32768.0L;
            const long double B = sets[c] ? fx.b2cal[e] : fx.b1cal[e];
            const long double K = sets[c] ? fx.k2cal[e] : fx.k1cal[e];
            EXPECT_EQ(f.SampleValue(k, c), (x - B) / K * (5.0L / 32768.0L)) << c;
        }
    }
}

TEST_F(RecordingSd, CountConversionEdges)
{
    TempDir dir;
    auto fx = Fixture(1, RingNumbers(2, 0, 0, 2));
    fx.count = [](std::uint64_t g) { return static_cast<std::uint16_t>(g == 0 ? 32768 : 65535); };
    fx.adcRange = 8.0f;
    ASSERT_TRUE(WriteSdFixture(dir / "a.kvf", fx));
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "a.kvf"), 1);
    EXPECT_EQ(f.SampleValue(0, 0), 0.0L);
    EXPECT_EQ(f.SampleValue(1, 0), 8.0L * 32767.0L / 32768.0L);
}

TEST_F(RecordingSd, StartTimeOfLargeCardIsNotTruncatedTo32Bits)
{
    TempDir dir;
    const std::uint32_t oldest = 40000000; // 40e6 x 124 counts exceed 2^32
    auto fx = Fixture(1, RingNumbers(20, 3, oldest, 20));
    ASSERT_TRUE(WriteSdFixture(dir / "a.kvf", fx));
    platform::OverrideTimeZoneBias(0);
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "a.kvf"), 1);
    platform::OverrideTimeZoneBias(std::nullopt);
    EXPECT_EQ(f.StartTime() - SdLocal(fx), 4960000LL * kUnitsPerSecond);
    ExpectStreamConsistent(f, std::uint64_t(oldest) * 124, 300);
}

TEST_F(RecordingSd, SampleIndicesBeyondTwoToThe32)
{
    // A sparse card image with more than 2^32 counts of one channel: sector 0 is numbered 0
    // and the last one S - 1, so the ring is taken as filled once; only the last sector holds
    // counts. Nothing may truncate the sample index.
    TempDir dir;
    const std::uint64_t S = (1ULL << 32) / 124 + 1000;
    auto fx = Fixture(1, {0});
    ASSERT_TRUE(WriteSdFixture(dir / "big.kvf", fx));
    std::error_code ec;
    std::filesystem::resize_file(dir / "big.kvf", 512 + S * 256, ec);
    if (ec) GTEST_SKIP() << "no room for a sparse file";
    {
        std::fstream out(dir / "big.kvf", std::ios::in | std::ios::out | std::ios::binary);
        out.seekp(static_cast<std::streamoff>(512 + (S - 1) * 256));
        std::uint8_t sector[256];
        std::memset(sector, 0, sizeof sector);
        Put<std::uint32_t>(sector, static_cast<std::uint32_t>(S - 1));
        for (int r = 0; r < 124; ++r) Put<std::uint16_t>(sector + 8 + 2 * r, static_cast<std::uint16_t>(1000 + r));
        out.write(reinterpret_cast<const char*>(sector), sizeof sector);
        ASSERT_TRUE(out.good());
    }
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "big.kvf"), 1);
    EXPECT_EQ(f.Samples(), static_cast<std::int64_t>(124 * S));
    EXPECT_GT(f.Samples(), std::int64_t(1) << 32);
    EXPECT_EQ(f.RawCount(124 * S - 1, 0), 1123);
    EXPECT_EQ(f.RawCount(124 * (S - 1), 0), 1000);
    EXPECT_EQ(f.RawCount(124 * (S - 1) - 1, 0), 0);
    // A run from the zero sectors into the last one and past the end, as single reads give it.
    std::vector<long double> run(300);
    const std::uint64_t k0 = 124 * (S - 1) - 100;
    f.ReadRun(k0, run.size(), 0, run.data());
    for (std::size_t j = 0; j < run.size(); ++j) ASSERT_EQ(run[j], f.SampleValue(k0 + j, 0)) << j;
    EXPECT_EQ(run[100], f.SdValueByFormula(124 * (S - 1), 0));
    EXPECT_NE(run[100], run[99]);
}

TEST_F(RecordingSd, TinyRateOfAWrappedCardDoesNotOverflowTheStartTime)
{
    TempDir dir;
    auto fx = Fixture(1, RingNumbers(20, 3, 100, 20));
    fx.rate = 1e-30;
    ASSERT_TRUE(WriteSdFixture(dir / "a.kvf", fx));
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "a.kvf"), 1);
    EXPECT_EQ(f.StartTime(), std::numeric_limits<std::int64_t>::max());
}

TEST_F(RecordingSd, DisplaySettingsBlock)
{
    TempDir dir;
    auto fx = Fixture(2, RingNumbers(4, 0, 0, 4));
    fx.adcBlock = MakeAdcBlock(kAdcAlways | kAdcColours | kAdcWidths | kAdcHidden, 1, {0xAA, 0xBB}, {0x14, 0x03});
    ASSERT_TRUE(WriteSdFixture(dir / "a.kvf", fx));
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "a.kvf"), 1);
    EXPECT_EQ(f.HeaderLength(), 512u + 32u);
    int selected = 0, visible[256], widths[256];
    std::uint32_t colours[256];
    for (int i = 0; i < 256; ++i) visible[i] = widths[i] = 1, colours[i] = DefaultTraceColour(i);
    f.ApplyDisplaySettings(&selected, colours, visible, widths);
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(colours[1], 0xBBu);
    EXPECT_EQ(widths[0], 4);
    EXPECT_EQ(visible[0], 0);
    EXPECT_EQ(widths[1], 3);
    EXPECT_EQ(visible[1], 1);
    ExpectStreamConsistent(f, 0, 248);

    // Widths without colours end up where the display settings read them.
    fx.adcBlock = MakeAdcBlock(kAdcAlways | kAdcWidths, 0, {}, {0x05, 0x06});
    ASSERT_TRUE(WriteSdFixture(dir / "b.kvf", fx));
    ASSERT_EQ(f.Open(dir / "b.kvf"), 1);
    EXPECT_EQ(f.HeaderLength(), 512u + 20u);
    f.ApplyDisplaySettings(&selected, colours, visible, widths);
    EXPECT_EQ(widths[0], 5);
    EXPECT_EQ(widths[1], 6);
    ExpectStreamConsistent(f, 0, 248);
}

TEST_F(RecordingSd, BadImagesAreRefused)
{
    TempDir dir;
    auto refused = [&](const SdFixture& fx, OpenError why, const char* what) -> RecordingObserver {
        EXPECT_TRUE(WriteSdFixture(dir / "bad.kvf", fx));
        RecordingObserver obs;
        CDataFile f(&obs);
        EXPECT_EQ(f.Open(dir / "bad.kvf"), 0) << what;
        EXPECT_EQ(f.LastError(), why) << what;
        EXPECT_EQ(f.SampleValue(0, 0), 0.0L);
        return obs;
    };
    auto obs = refused(Fixture(1, RingNumbers(10, 0, 0, 0)), OpenError::SdEmpty, "never written");
    EXPECT_EQ(obs.errors, std::vector<int>{IDS_SD_EMPTY});
    refused(Fixture(1, {}), OpenError::SdNoSectors, "no sector");
    auto fx = Fixture(1, RingNumbers(10, 0, 0, 10));
    fx.descriptorCountOverride = 54;
    refused(fx, OpenError::BadDescriptors, "54 descriptors");
    fx.descriptorCountOverride = -3;
    refused(fx, OpenError::BadDescriptors, "negative count");
    fx.descriptors.clear();
    fx.descriptorCountOverride = 0;
    refused(fx, OpenError::BadDescriptors, "no descriptor");
    // Stray numbers that would ask for a huge sector map.
    auto gx = Fixture(1, RingNumbers(10, 0, 0, 10));
    gx.sectorNumbers[9] = 0xFFFFFFF0u;
    obs = refused(gx, OpenError::SdMapTooLarge, "huge last number");
    EXPECT_EQ(obs.errors, std::vector<int>{IDS_SD_MAP_TOO_LARGE});
    gx.sectorNumbers = {7, 3, 5, 6};
    // Numbers out of order: sector 3 is the oldest, 4 is missing, 7 is the newest.
    CDataFile g;
    ASSERT_TRUE(WriteSdFixture(dir / "odd.kvf", gx));
    ASSERT_EQ(g.Open(dir / "odd.kvf"), 1) << OpenErrorText(g.LastError());
    ASSERT_EQ(g.LogicalSectors(), 5u);
    const std::uint32_t expected[] = {1, kUnwritten, 2, 3, 0};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(g.SectorMap()[i], expected[i]) << i;
    // A file cut inside the SD header.
    auto bytes = ReadAll(dir / "bad.kvf");
    bytes.resize(300);
    WriteAll(dir / "cut.kvf", bytes);
    CDataFile h;
    EXPECT_EQ(h.Open(dir / "cut.kvf"), 0);
    EXPECT_EQ(h.LastError(), OpenError::Truncated);
}

namespace {

// The oracle: the raw bytes of the image, sectors put in order of their numbers, the count
// stream rebuilt count by count from the oldest number, and cut into whole frames.
struct StreamOracle {
    std::uint64_t firstFrame = 0; // recorder frame of sample 0
    std::vector<std::vector<std::uint16_t>> samples;
};

StreamOracle RebuildStream(const std::filesystem::path& path, int n)
{
    const auto bytes = ReadAll(path);
    const std::size_t S = bytes.size() / 256 - 2;
    std::map<std::uint32_t, std::size_t> byNumber;
    for (std::size_t p = 0; p < S; ++p) {
        const std::uint32_t sn = Get<std::uint32_t>(bytes.data() + 512 + 256 * p);
        if (sn != kUnwritten) byNumber[sn] = p;
    }
    std::vector<std::pair<std::uint64_t, std::uint16_t>> stream; // (position, count)
    for (std::uint32_t sn = byNumber.begin()->first; sn <= byNumber.rbegin()->first; ++sn) {
        auto it = byNumber.find(sn);
        for (int r = 0; r < 124; ++r) {
            const std::uint16_t count =
                it == byNumber.end() ? 0 : Get<std::uint16_t>(bytes.data() + 512 + 256 * it->second + 8 + 2 * r);
            stream.emplace_back(std::uint64_t(sn) * 124 + r, count);
        }
    }
    StreamOracle o;
    std::size_t i = 0;
    while (i < stream.size() && stream[i].first % n != 0) ++i;
    o.firstFrame = i < stream.size() ? stream[i].first / n : 0;
    for (; i + n <= stream.size(); i += n) {
        std::vector<std::uint16_t> frame;
        for (int c = 0; c < n; ++c) frame.push_back(stream[i + c].second);
        o.samples.push_back(frame);
    }
    return o;
}

} // namespace

TEST_F(RecordingSd, WrappedRingsWithAChannelPhaseReadWholeFramesOnly)
{
    TempDir dir;
    platform::OverrideTimeZoneBias(-330);
    struct Ring {
        int n;
        std::uint32_t S, oldestAt, oldestNumber;
    };
    const Ring rings[] = {{3, 97, 40, 1001}, {5, 61, 60, 7}, {6, 50, 1, 4099}, {7, 83, 82, 123457},
                          {7, 64, 20, 3}, {3, 40, 39, 2}};
    for (const Ring& ring : rings) {
        SCOPED_TRACE(ring.n);
        auto fx = Fixture(ring.n, RingNumbers(ring.S, ring.oldestAt, ring.oldestNumber, ring.S));
        fx.rate = 44100.0;
        ASSERT_TRUE(WriteSdFixture(dir / "r.kvf", fx));
        CDataFile f;
        ASSERT_EQ(f.Open(dir / "r.kvf"), 1) << OpenErrorText(f.LastError());
        const StreamOracle o = RebuildStream(dir / "r.kvf", ring.n);
        ASSERT_EQ(f.Samples(), static_cast<std::int64_t>(o.samples.size()));
        for (std::size_t k = 0; k < o.samples.size(); ++k)
            for (int c = 0; c < ring.n; ++c)
                ASSERT_EQ(f.RawCount(k, c), o.samples[k][c]) << k << "," << c;
        // The last sample is a real frame: none of its channels reads the -R of a missing count.
        for (int c = 0; c < ring.n; ++c) EXPECT_NE(f.RawCount(f.Samples() - 1, c), 0) << c;
        const std::int64_t offset =
            TruncToInt64(static_cast<double>(o.firstFrame) / static_cast<double>(f.Rate()) * 1e7);
        EXPECT_EQ(f.StartTime(), SdLocal(fx) - 330 * kUnitsPerMinute + offset);
    }
}

TEST_F(RecordingSd, WideGapsInSectorNumbersBecomeHoles)
{
    TempDir dir;
    // Sectors 0..18, then the recorder skipped to 200: far beyond 2·S + 16.
    std::vector<std::uint32_t> numbers(20);
    for (std::uint32_t p = 0; p < 19; ++p) numbers[p] = p;
    numbers[19] = 200;
    auto fx = Fixture(2, numbers);
    ASSERT_TRUE(WriteSdFixture(dir / "gap.kvf", fx));
    RecordingObserver obs;
    CDataFile f(&obs);
    ASSERT_EQ(f.Open(dir / "gap.kvf"), 1) << OpenErrorText(f.LastError());
    ASSERT_EQ(f.LogicalSectors(), 201u);
    EXPECT_EQ(f.SectorMap()[18], 18u);
    EXPECT_EQ(f.SectorMap()[19], kUnwritten);
    EXPECT_EQ(f.SectorMap()[199], kUnwritten);
    EXPECT_EQ(f.SectorMap()[200], 19u);
    EXPECT_EQ(f.Samples(), 201 * 124 / 2);
    EXPECT_EQ(f.RawCount(200 * 62, 1), CountOf(200 * 124 + 1));
    EXPECT_EQ(f.SampleValue(100 * 62, 0), -10.0L); // a hole
    EXPECT_TRUE(obs.errors.empty());

    // A wrapped ring with a wide gap between its oldest and newest numbers.
    std::vector<std::uint32_t> wrapped(30);
    for (std::uint32_t p = 0; p < 30; ++p) wrapped[p] = p < 10 ? 5000 + p : 40 + p; // 50..69, then 5000..5009
    fx = Fixture(1, wrapped);
    ASSERT_TRUE(WriteSdFixture(dir / "wrap.kvf", fx));
    CDataFile w;
    ASSERT_EQ(w.Open(dir / "wrap.kvf"), 1) << OpenErrorText(w.LastError());
    EXPECT_EQ(w.LogicalSectors(), 5010u - 50u);
    EXPECT_EQ(w.SectorMap()[0], 10u);
    EXPECT_EQ(w.SectorMap()[5000 - 50], 0u);
    EXPECT_EQ(w.RawCount((5009 - 50) * 124 + 3, 0), CountOf(5009 * 124 + 3));

    // Beyond the bound of the sector map: refused with the message.
    numbers[19] = kMaxSectorMapEntries + 5;
    fx = Fixture(1, numbers);
    ASSERT_TRUE(WriteSdFixture(dir / "huge.kvf", fx));
    RecordingObserver refusedObs;
    CDataFile h(&refusedObs);
    EXPECT_EQ(h.Open(dir / "huge.kvf"), 0);
    EXPECT_EQ(h.LastError(), OpenError::SdMapTooLarge);
    EXPECT_EQ(refusedObs.errors, std::vector<int>{IDS_SD_MAP_TOO_LARGE});
}
