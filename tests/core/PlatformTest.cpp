#include "core/recording/TimeBase.h"
#include "platform/Encoding.h"
#include "platform/FileTimes.h"
#include "platform/MappedFile.h"
#include "platform/TimeZone.h"
#include "support/Fixtures.h"
#include "TestPlatform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using namespace vistrel;
using namespace vistrel::test;

TEST(Platform, Cp1251AndUtf16Conversions)
{
    const std::string utf8 = "Привет, Ёж №5 €";
    const std::string cp = platform::Utf8ToCp1251(utf8);
    EXPECT_EQ(cp, "\xCF\xF0\xE8\xE2\xE5\xF2, \xA8\xE6 \xB9" "5 \x88");
    EXPECT_EQ(platform::Cp1251ToUtf8(cp), utf8);
    EXPECT_EQ(platform::Utf16ToUtf8(platform::Utf8ToUtf16(utf8)), utf8);
    EXPECT_EQ(platform::Utf8ToCp1251("日本"), "??");
    EXPECT_EQ(platform::Utf8ToCp1251("a\xFF" "b"), "a?b"); // malformed UTF-8
    EXPECT_EQ(platform::Utf16ToUtf8(u"\U0001F600"), "\U0001F600");
    for (int b = 0; b < 256; ++b) {
        if (b == 0x98) continue; // the one unassigned byte
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(platform::Utf8ToCp1251(platform::Cp1251ToUtf8(one)), one) << b;
    }
}

TEST(Platform, FileTimesMappingAndTimeZone)
{
    TempDir dir;
    WriteAll(dir / "f.bin", {1, 2, 3, 4, 5});
    const std::int64_t t = UtcFileTime(2021, 3, 4, 5, 6, 7, 890);
    ASSERT_TRUE(platform::SetFileTimes(dir / "f.bin", t, t, t));
    std::int64_t got = 0;
    ASSERT_TRUE(platform::GetLastWriteTime(dir / "f.bin", got));
    EXPECT_EQ(got, t);
    EXPECT_FALSE(platform::GetLastWriteTime(dir / "none", got));
    EXPECT_GT(platform::CurrentFileTime(), UtcFileTime(2020, 1, 1, 0, 0, 0));

    platform::CMappedFile map;
    ASSERT_TRUE(map.Open(dir / "f.bin"));
    ASSERT_EQ(map.Size(), 5u);
    EXPECT_EQ(map.Data()[4], 5);
    WriteAll(dir / "empty.bin", {});
    ASSERT_TRUE(map.Open(dir / "empty.bin"));
    EXPECT_EQ(map.Size(), 0u);
    int err = 0;
    EXPECT_FALSE(map.Open(dir / "none", &err));
    EXPECT_NE(err, 0);
    EXPECT_FALSE(map.Open(dir.Path(), &err)); // a folder

    platform::OverrideTimeZoneBias(-180);
    EXPECT_EQ(platform::TimeZoneBiasMinutes(), -180);
    platform::OverrideTimeZoneBias(std::nullopt);
}

POSIX_ONLY_TEST(Platform, TimeZoneBiasIgnoresDaylightSaving,
                "Windows reads its zone once from the system, not from TZ (see TimeZoneBiasOfTheSystem)", {
    // Only the base offset counts, never daylight saving.
    ScopedEnvVar tz("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(platform::TimeZoneBiasMinutes(), -60);
    const std::int64_t summer = UtcFileTime(2023, 7, 1, 10, 0, 0);
    EXPECT_EQ(ToLocalTime(summer), UtcFileTime(2023, 7, 1, 11, 0, 0));
})

// scripts/windows.sh runs the tests in a known zone and names its bias in VISTREL_TEST_TZ_BIAS
// (Asia/Kathmandu: UTC+5:45, bias -345): the system's own value, through the system's call.
TEST(Platform, TimeZoneBiasOfTheSystem)
{
    const char* expected = std::getenv("VISTREL_TEST_TZ_BIAS");
    if (!expected) GTEST_SKIP() << "VISTREL_TEST_TZ_BIAS not set: the zone of this run is unknown";
    platform::OverrideTimeZoneBias(std::nullopt);
    const int bias = std::atoi(expected);
    EXPECT_EQ(platform::TimeZoneBiasMinutes(), bias);
    const std::int64_t utc = UtcFileTime(2024, 7, 1, 12, 0, 0);
    EXPECT_EQ(ToLocalTime(utc), utc - static_cast<std::int64_t>(bias) * 60 * 10000000);
}

TEST(TimeBase, ConversionsUseTheSinglePrecisionRate)
{
    // Sample 1000 of a 500 Hz recording lies two seconds past the start.
    EXPECT_EQ(SampleTime(0, 1000, 500.0f), 20000000);
    EXPECT_EQ(SampleTime(5, 1, 3.0f), 5 + 3333333);
    EXPECT_EQ(UnitsPerSample(3.0f), 3333333);
    EXPECT_EQ(Duration(1000.0f, 1500), 15000000);
    // The float rate, not the double one: 0.1 Hz as float is slightly more than 0.1.
    const float r = static_cast<float>(0.1);
    EXPECT_EQ(UnitsPerSample(r), static_cast<std::int64_t>(1e7 / static_cast<double>(r)));
    EXPECT_NE(UnitsPerSample(r), 100000000);
    EXPECT_DOUBLE_EQ(PositionOfTime(0, 20000000, 500.0f), 1000.0);
    EXPECT_EQ(TruncToInt64(std::nan("")), 0);
    EXPECT_EQ(TruncToInt64(1e300), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(TruncToInt64(-2.9), -2);

    const std::int64_t ft = UtcFileTime(2023, 2, 1, 10, 20, 30, 456);
    const FileTimeParts p = SplitFileTime(ft);
    EXPECT_EQ(p.year, 2023);
    EXPECT_EQ(p.month, 2);
    EXPECT_EQ(p.day, 1);
    EXPECT_EQ(p.hour, 10);
    EXPECT_EQ(p.minute, 20);
    EXPECT_EQ(p.second, 30);
    EXPECT_EQ(p.millisecond, 456);
    EXPECT_EQ(p.dayOfWeek, 3); // a Wednesday
    EXPECT_EQ(UtcFileTime(1970, 1, 1, 0, 0, 0), platform::kUnixEpochFileTime);
    EXPECT_EQ(UtcFileTime(1601, 1, 1, 0, 0, 0), 0);
    std::int64_t x = 1;
    FileTimeParts bad;
    bad.year = 2023;
    bad.month = 2;
    bad.day = 29;
    EXPECT_FALSE(MakeFileTime(bad, x));
    bad.year = 2024;
    EXPECT_TRUE(MakeFileTime(bad, x));
    bad.month = 13;
    EXPECT_FALSE(MakeFileTime(bad, x));
}
