// Fast sample access: SD conversion tables, run and row readers, and paging hints. Every
// value must be bit-for-bit the one of the calibration formula.

#include "core/recording/DataFile.h"
#include "platform/MappedFile.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>

using namespace vistrel;
using namespace vistrel::test;
using namespace vistrel::kvf;

namespace {

// Compares the value bits only: an x87 long double carries padding bytes after its 80 bits.
bool SameBits(long double a, long double b)
{
    constexpr std::size_t bytes = std::numeric_limits<long double>::digits == 64 ? 10 : sizeof(long double);
    return std::memcmp(&a, &b, bytes) == 0;
}

// The formula written out independently of the recording code.
long double Formula(std::uint16_t count, float B, float K, float range)
{
    const long double x = static_cast<long double>(count) - 32768.0L;
    return (x - static_cast<long double>(B)) / static_cast<long double>(K) *
           (static_cast<long double>(range) / 32768.0L);
}

// Awkward calibration: values without an exact binary form, a negative divisor, a tiny one.
void AwkwardCalibration(SdFixture& fx)
{
    const float b1[5] = {0.1f, -7.3f, 12.7f, -0.33f, 1e-3f};
    const float k1[5] = {1.1f, 0.97f, -1.3f, 3e-3f, 7.77f};
    const float b2[5] = {-0.7f, 5.5f, 0.2f, -99.9f, 3.3f};
    const float k2[5] = {0.9f, 1.01f, 2.3f, -0.45f, 1e-2f};
    for (int e = 0; e < 5; ++e) {
        fx.b1cal[e] = b1[e];
        fx.k1cal[e] = k1[e];
        fx.b2cal[e] = b2[e];
        fx.k2cal[e] = k2[e];
    }
    fx.adcRange = 2.7f;
}

} // namespace

TEST(SdConversionTables, EveryCountOfEveryCalibrationMatchesTheFormula)
{
    // Two-channel mode with four descriptors: eight channels covering both calibration sets
    // with all four gains. Sample k of every channel carries count k.
    TempDir dir;
    SdFixture fx;
    fx.twoChannel = true;
    fx.descriptors.clear();
    for (int i = 0; i < 4; ++i)
        fx.descriptors.push_back(static_cast<std::uint16_t>(i | i << 8 | ((i + 1) % 4) << 11));
    AwkwardCalibration(fx);
    constexpr int n = 8;
    const std::uint32_t sectors = (65536 * n + 123) / 124;
    fx.sectorNumbers = RingNumbers(sectors, 0, 0, sectors);
    fx.count = [](std::uint64_t g) { return static_cast<std::uint16_t>((g / n) & 0xFFFF); };
    ASSERT_TRUE(WriteSdFixture(dir / "all.kvf", fx));
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "all.kvf"), 1) << OpenErrorText(f.LastError());
    ASSERT_EQ(f.Channels(), n);
    ASSERT_GE(f.Samples(), 65536);
    EXPECT_EQ(f.SdTableBytes(), 8u * 65536u * (sizeof(long double) + sizeof(float)));

    std::vector<long double> run(65536);
    for (int c = 0; c < n; ++c) {
        const int e = f.GainIndex(c) + 1;
        const bool second = f.CalSet(c) == 1;
        const float B = second ? fx.b2cal[e] : fx.b1cal[e];
        const float K = second ? fx.k2cal[e] : fx.k1cal[e];
        f.ReadRun(0, run.size(), c, run.data());
        for (std::uint32_t v = 0; v < 65536; ++v) {
            ASSERT_EQ(f.RawCount(v, c), v);
            const long double want = Formula(static_cast<std::uint16_t>(v), B, K, fx.adcRange);
            ASSERT_TRUE(SameBits(f.SampleValue(v, c), want)) << "channel " << c << " count " << v;
            ASSERT_TRUE(SameBits(f.SdValueByFormula(v, c), want)) << "channel " << c << " count " << v;
            ASSERT_TRUE(SameBits(run[v], want)) << "channel " << c << " count " << v;
        }
    }
    // Channels of one calibration share a table.
    SdFixture same;
    same.descriptors = {0x0000, 0x0001, 0x0102};
    same.sectorNumbers = RingNumbers(4, 0, 0, 4);
    ASSERT_TRUE(WriteSdFixture(dir / "same.kvf", same));
    ASSERT_EQ(f.Open(dir / "same.kvf"), 1);
    EXPECT_EQ(f.SdTableBytes(), 2u * 65536u * (sizeof(long double) + sizeof(float)));
    f.Close();
    EXPECT_EQ(f.SdTableBytes(), 0u);
}

TEST(SdConversionTables, RandomReadsOfWrappedThreeChannelRingsWithHoles)
{
    // A wrapped ring of 90 sectors, oldest at physical 40, whose numbers skip 3 and then 2:
    // five holes in a map of 95 logical sectors; three channels with a phase.
    TempDir dir;
    constexpr std::uint32_t S = 90, oldestAt = 40;
    std::vector<std::uint32_t> numbers(S);
    for (std::uint32_t i = 0; i < S; ++i)
        numbers[(oldestAt + i) % S] = 1001 + i + (i >= 30 ? 3 : 0) + (i >= 70 ? 2 : 0);
    SdFixture fx;
    fx.descriptors = {0x0000, 0x0201, 0x0302};
    AwkwardCalibration(fx);
    fx.rate = 44100.0;
    fx.sectorNumbers = numbers;
    fx.count = [](std::uint64_t g) { return static_cast<std::uint16_t>((g * 40503u + 17) & 0xFFFF); };
    ASSERT_TRUE(WriteSdFixture(dir / "ring.kvf", fx));
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "ring.kvf"), 1) << OpenErrorText(f.LastError());
    ASSERT_EQ(f.Channels(), 3);
    ASSERT_EQ(f.LogicalSectors(), 95u);
    ASSERT_EQ(f.SectorMap()[30], kUnwritten);
    ASSERT_NE(f.Phase(), 0u);
    const std::uint64_t N = static_cast<std::uint64_t>(f.Samples());

    std::mt19937_64 rng(12345);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t k = rng() % (N + 50); // some beyond the end
        const int c = static_cast<int>(rng() % 3);
        ASSERT_TRUE(SameBits(f.SampleValue(k, c), f.SdValueByFormula(k, c))) << k << "," << c;
    }
    // A hole reads as count 0 converted by the channel's calibration.
    const std::uint64_t inHole = (30 * 124) / 3 + 5;
    EXPECT_EQ(f.RawCount(inHole, 1), 0);
    EXPECT_TRUE(SameBits(f.SampleValue(inHole, 1), Formula(0, fx.b1cal[3], fx.k1cal[3], fx.adcRange)));

    // Runs of any length from any start, across sector borders, holes and the end.
    std::vector<long double> run(700);
    for (int i = 0; i < 400; ++i) {
        const std::uint64_t k0 = rng() % (N + 10);
        const std::size_t len = static_cast<std::size_t>(rng() % run.size());
        const int c = static_cast<int>(rng() % 3);
        f.ReadRun(k0, len, c, run.data());
        for (std::size_t j = 0; j < len; ++j)
            ASSERT_TRUE(SameBits(run[j], f.SampleValue(k0 + j, c))) << k0 << "+" << j << "," << c;
    }
    // Rows of chosen channels, in any order, a channel twice and one that does not exist.
    const int channels[5] = {2, 0, 2, 1, 7};
    long double row[5];
    for (int i = 0; i < 3000; ++i) {
        const std::uint64_t k = rng() % (N + 5);
        f.ReadRow(k, channels, 5, row);
        for (int j = 0; j < 5; ++j) ASSERT_TRUE(SameBits(row[j], f.SampleValue(k, channels[j]))) << k << "," << j;
    }
    // Blocks of rows (the operations' reader): rows split across sector borders and holes,
    // exact values and values rounded once to float.
    // Whole rows (every channel in order) take a path of their own.
    const int picked[4] = {2, 0, 2, 1};
    const int whole[3] = {0, 1, 2};
    std::vector<long double> exact(4 * 500);
    std::vector<float> rounded(4 * 500);
    for (int i = 0; i < 600; ++i) {
        const int* chosen = i % 2 ? picked : whole;
        const int width = i % 2 ? 4 : 3;
        const std::uint64_t k0 = rng() % (N + 10);
        const std::size_t rows = static_cast<std::size_t>(rng() % 500);
        f.ReadRows(k0, rows, chosen, width, exact.data());
        f.ReadRows(k0, rows, chosen, width, rounded.data());
        for (std::size_t r = 0; r < rows; ++r)
            for (int j = 0; j < width; ++j) {
                const long double want = f.SampleValue(k0 + r, chosen[j]);
                ASSERT_TRUE(SameBits(exact[r * width + j], want)) << k0 << "+" << r << "," << j;
                ASSERT_EQ(rounded[r * width + j], static_cast<float>(want)) << k0 << "+" << r << "," << j;
            }
    }
    // A channel that does not exist reads 0 in every row.
    const int missing[2] = {1, 9};
    f.ReadRows(7, 100, missing, 2, exact.data());
    for (std::size_t r = 0; r < 100; ++r) {
        ASSERT_TRUE(SameBits(exact[2 * r], f.SampleValue(7 + r, 1)));
        ASSERT_EQ(exact[2 * r + 1], 0.0L);
    }
}

TEST(SdConversionTables, FloatRecordingsReadRunsAndRowsLikeSingleReads)
{
    TempDir dir;
    FloatFixture fx;
    fx.layout.channels = 3;
    fx.layout.rate = 48000.0;
    fx.samples = 500;
    fx.value = [](std::uint64_t k, int c) { return static_cast<float>(k) * 0.1f - static_cast<float>(c); };
    ASSERT_TRUE(WriteFloatFixture(dir / "f.kvf", fx));
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "f.kvf"), 1);
    EXPECT_EQ(f.SdTableBytes(), 0u);
    std::vector<long double> run(600);
    f.ReadRun(450, run.size(), 2, run.data());
    for (std::size_t j = 0; j < run.size(); ++j) ASSERT_TRUE(SameBits(run[j], f.SampleValue(450 + j, 2))) << j;
    EXPECT_EQ(run[49], static_cast<long double>(499 * 0.1f - 2.0f));
    EXPECT_EQ(run[50], 0.0L);
    f.ReadRun(0, 10, 3, run.data()); // no such channel
    for (int j = 0; j < 10; ++j) EXPECT_EQ(run[j], 0.0L);
    const int channels[3] = {1, 2, 0};
    long double row[3];
    f.ReadRow(123, channels, 3, row);
    for (int j = 0; j < 3; ++j) EXPECT_EQ(row[j], f.SampleValue(123, channels[j]));
}

TEST(MappingHints, HintsOnMappedEmptyAndClosedFiles)
{
    TempDir dir;
    std::vector<std::uint8_t> bytes(3 * 4096 + 77, 5);
    WriteAll(dir / "f.bin", bytes);
    platform::CMappedFile map;
    using Access = platform::CMappedFile::Access;
    EXPECT_FALSE(map.Advise(0, 100, Access::Random)); // not open
    ASSERT_TRUE(map.Open(dir / "f.bin"));
    EXPECT_TRUE(map.Advise(0, map.Size(), Access::Random));
    EXPECT_TRUE(map.Advise(4097, 5000, Access::Sequential)); // start not on a page
    EXPECT_TRUE(map.Advise(100, ~0ULL, Access::WillNeed));   // clipped to the file
    EXPECT_FALSE(map.Advise(map.Size(), 10, Access::Random));
    EXPECT_FALSE(map.Advise(0, 0, Access::Random));
    EXPECT_EQ(map.Data()[4096 + 3], 5); // reads still work after the hints
    map.Close();
    EXPECT_FALSE(map.Advise(0, 100, Access::Sequential));
    WriteAll(dir / "empty.bin", {});
    ASSERT_TRUE(map.Open(dir / "empty.bin"));
    EXPECT_FALSE(map.Advise(0, 100, Access::WillNeed));

    // The recording's hints over its data area, on both kinds and on a closed recording.
    SdFixture sd;
    sd.descriptors = {0x0000, 0x0001, 0x0002};
    sd.sectorNumbers = RingNumbers(60, 25, 70, 60);
    ASSERT_TRUE(WriteSdFixture(dir / "sd.kvf", sd));
    CDataFile f;
    f.AdviseRandom();
    f.AdviseSequential(0, 100);
    ASSERT_EQ(f.Open(dir / "sd.kvf"), 1);
    const std::uint16_t before = f.RawCount(1000, 2);
    f.AdviseRandom();
    f.AdviseSequential(0, static_cast<std::uint64_t>(f.Samples())); // wraps the ring
    f.AdviseSequential(100, 50);                                     // empty fragment
    f.AdviseSequential(f.Samples() - 3, ~0ULL);
    EXPECT_EQ(f.RawCount(1000, 2), before);
    FloatFixture fl;
    ASSERT_TRUE(WriteFloatFixture(dir / "fl.kvf", fl));
    ASSERT_EQ(f.Open(dir / "fl.kvf"), 1);
    f.AdviseRandom();
    f.AdviseSequential(10, 20);
    EXPECT_EQ(f.SampleValue(12, 0), 12.0L);
    f.Close();
    f.AdviseRandom();
    f.AdviseSequential(0, 10);
}
