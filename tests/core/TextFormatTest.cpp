#include <gtest/gtest.h>

#include <cstdio>

#include "core/common/TextFormat.h"

using namespace vistrel;

namespace {
int64_t Ft(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    CalendarFields f;
    f.year = y, f.month = mo, f.day = d, f.hour = h, f.minute = mi, f.second = s, f.millisecond = ms;
    int64_t t = 0;
    EXPECT_TRUE(FieldsToFileTime(f, t));
    return t;
}
std::string Fmt(double x) {
    char buf[128];
    std::snprintf(buf, sizeof buf, ValueFormat(static_cast<float>(x)), x);
    return buf;
}
} // namespace

TEST(TextFormat, TrimZeros) {
    std::string a = "3.1400", b = "5.000", c = "120", d = "0.000000", e = "100.0", f = "-250.00";
    TrimZeros(a), TrimZeros(b), TrimZeros(c), TrimZeros(d), TrimZeros(e), TrimZeros(f);
    EXPECT_EQ(a, "3.14");
    EXPECT_EQ(b, "5");
    EXPECT_EQ(c, "120"); // no point: zeros of an integer stay
    EXPECT_EQ(d, "0");
    EXPECT_EQ(e, "100");
    EXPECT_EQ(f, "-250");
}

TEST(TextFormat, ValueFormatByMagnitude) {
    EXPECT_STREQ(ValueFormat(0.0f), "%f");
    EXPECT_STREQ(ValueFormat(0.00005f), "%f");
    EXPECT_EQ(Fmt(0.00005), "0.000050");
    EXPECT_EQ(FormatValue(0.00005), "0.00005");
    EXPECT_STREQ(ValueFormat(0.0005f), "%9.7f");
    EXPECT_STREQ(ValueFormat(-0.5f), "%6.5f");
    EXPECT_STREQ(ValueFormat(1.0f), "%5.4f");
    EXPECT_STREQ(ValueFormat(99.9f), "%5.3f");
    EXPECT_STREQ(ValueFormat(-250.0f), "%5.2f");
    EXPECT_EQ(Fmt(-250.0), "-250.00");
    EXPECT_EQ(FormatValue(-250.0), "-250");
    EXPECT_STREQ(ValueFormat(1000.0f), "%5.1f");
    EXPECT_STREQ(ValueFormat(12345.0f), "%g");
}

TEST(TextFormat, TimeLabels) {
    EXPECT_EQ(TimeLabel(125'000'000, false), "12.5");
    EXPECT_EQ(TimeLabel(600'000'000, false), "0"); // a full minute
    const int64_t t = Ft(2023, 2, 1, 10, 0, 1);
    EXPECT_EQ(TimeLabel(t, false), "1");
    EXPECT_EQ(DateLabel(t, false, false), "01-02-23 10:00");
    // Decibel recordings: seconds of the day (the frequency) and the date alone.
    const int64_t f = Ft(2023, 2, 1, 0, 20, 34);
    EXPECT_EQ(TimeLabel(f, true), "1234");
    EXPECT_EQ(DateLabel(f, true, false), "01-02-23");
    // Relative mode counts from the epoch: the first day drops its date.
    EXPECT_EQ(DateLabel(Ft(1601, 1, 1, 3, 7, 0), false, true), "03:07");
    EXPECT_EQ(DateLabel(Ft(1601, 1, 2, 3, 7, 0), false, true), "02-01 03:07");
}

TEST(TextFormat, CalendarRoundTrip) {
    const CalendarFields f = FileTimeToFields(Ft(2024, 2, 29, 23, 59, 58, 123));
    EXPECT_EQ(f.year, 2024);
    EXPECT_EQ(f.month, 2);
    EXPECT_EQ(f.day, 29);
    EXPECT_EQ(f.hour, 23);
    EXPECT_EQ(f.minute, 59);
    EXPECT_EQ(f.second, 58);
    EXPECT_EQ(f.millisecond, 123);
    EXPECT_EQ(Ft(1970, 1, 1, 0, 0, 0), 116444736000000000LL);
    CalendarFields bad = f;
    bad.minute = 60;
    int64_t t = 0;
    EXPECT_FALSE(FieldsToFileTime(bad, t));
    bad = f;
    bad.year = 2023; // 29 February of a common year
    EXPECT_FALSE(FieldsToFileTime(bad, t));
}

TEST(TextFormat, TableDateTimeYears) {
    // Two-digit years only where they cannot be mistaken: 2000 to 2099.
    struct Case {
        int year, month, day, hour, minute, second, ms;
        const char* expected;
    };
    const Case cases[] = {
        {2000, 1, 1, 0, 0, 0, 0, "01-01-00 00:00:00,00000"},
        {2023, 2, 1, 12, 0, 0, 250, "01-02-23 12:00:00,25000"},
        {2099, 12, 31, 23, 59, 59, 999, "31-12-99 23:59:59,99900"},
        {1999, 12, 13, 8, 5, 1, 0, "13-12-1999 08:05:01,00000"},
        {2100, 1, 1, 0, 0, 0, 0, "01-01-2100 00:00:00,00000"},
        {2446, 5, 10, 6, 30, 0, 1, "10-05-2446 06:30:00,00100"},
        {1601, 1, 1, 0, 0, 0, 0, "01-01-1601 00:00:00,00000"},
    };
    for (const Case& c : cases) {
        const int64_t t = Ft(c.year, c.month, c.day, c.hour, c.minute, c.second, c.ms);
        EXPECT_EQ(TableDateTime(t), c.expected) << c.year;
    }
    // The fraction counts 10-us units below the millisecond too.
    EXPECT_EQ(TableDateTime(Ft(2023, 2, 1, 12, 0, 0) + 100), "01-02-23 12:00:00,00001");
}
