#include <gtest/gtest.h>

#include "core/common/TextFormat.h"
#include "core/view/ReadOut.h"

using namespace vistrel;

namespace {
int64_t At(int y, int mo, int d, int h, int mi, int s) {
    CalendarFields f;
    f.year = y;
    f.month = mo;
    f.day = d;
    f.hour = h;
    f.minute = mi;
    f.second = s;
    int64_t t = 0;
    EXPECT_TRUE(FieldsToFileTime(f, t));
    return t;
}
} // namespace

TEST(ViewReadOut, OrdinaryRecording) {
    ReadOutInput in;
    in.Y1 = 1.5f;
    in.Y2 = 2.25f;
    in.L1 = 0.5f;
    in.L2 = -0.25f;
    in.s1 = 1000;
    in.s2 = 1500;
    in.rate = 500.0f;
    in.origin = At(2023, 2, 1, 10, 20, 30);
    in.samples = 5000;
    in.channels = 3;
    EXPECT_EQ(BuildReadOut(in),
              "Y1=1.5  Y2=2.25  dY=0.75 * L1=0.5 L2=-0.25 dL=0.75 *** dT=1 с  T1=01-02-23 10:20:32"
              "  T2=01-02-23 10:20:33  F(Hz)=500 T=10 Samples:5000x3");

    // Cursor 2 left of cursor 1: a negative difference; relative times; a 64-bit sample count.
    in.s1 = 1500;
    in.s2 = 1000;
    in.Y1 = 0.00005f;
    in.Y2 = -250.0f;
    in.origin = 0;
    in.relative = true;
    in.samples = 6000000000ull;
    in.rate = 1000.0f;
    EXPECT_EQ(BuildReadOut(in),
              "Y1=0.00005  Y2=-250  dY=-250 * L1=0.5 L2=-0.25 dL=0.75 *** dT=-500 мс  T1=00:00:1.5"
              "  T2=00:00:1  F(Hz)=1000 T=6000000 Samples:6000000000x3");
}

TEST(ViewReadOut, TimeDifferenceUnitsAndTrimming) {
    EXPECT_EQ(TimeDifferenceText(125.0), "12.5 мкс");
    EXPECT_EQ(TimeDifferenceText(0.0), "0 мкс");
    EXPECT_EQ(TimeDifferenceText(9999.0), "999.9 мкс");
    EXPECT_EQ(TimeDifferenceText(10000.0), "1 мс");
    EXPECT_EQ(TimeDifferenceText(30000.0), "3 мс");
    EXPECT_EQ(TimeDifferenceText(12345678.0), "1.234568 с");
    EXPECT_EQ(TimeDifferenceText(-100000000.0), "-10 с");
}

TEST(ViewReadOut, SpectrumRecording) {
    // A spectrum of 10 points per hertz starting at frequency 0 (relative origin).
    ReadOutInput in;
    in.decibel = true;
    in.Y1 = -20.4f;
    in.Y2 = -60.0f;
    in.L1 = -10.0f;
    in.L2 = -30.0f;
    in.s1 = 500;
    in.s2 = 1500;
    in.rate = 10.0f;
    in.samples = 5000;
    in.channels = 2;
    in.S0 = 0.0;
    in.S1 = 5000.0;
    EXPECT_EQ(BuildReadOut(in),
              "Y1=-20dB(50.0Hz) Y2=-60dB(150.0Hz) dY=-40dB(100.0Hz) L1=-10dB L2=-30dB dL=20dB WL=0.0Hz"
              " WR=500.0Hz SamplesW:5000x2");
    EXPECT_DOUBLE_EQ(SpectrumFrequency(At(2023, 2, 1, 0, 0, 0), 25.0, 10.0f), 2.5);

    // Four points per hertz: quarter hertz apart, not rounded to whole hertz.
    in.rate = 4.0f;
    in.s1 = 49;
    in.s2 = 50;
    in.S1 = 400.0;
    EXPECT_EQ(BuildReadOut(in),
              "Y1=-20dB(12.25Hz) Y2=-60dB(12.50Hz) dY=-40dB(0.25Hz) L1=-10dB L2=-30dB dL=20dB WL=0.00Hz"
              " WR=100.00Hz SamplesW:5000x2");
}

TEST(ViewReadOut, SpectrumFrequencyDecimalsFollowTheStep) {
    struct Case {
        float pointsPerHz;
        int decimals;
    };
    const Case cases[] = {
        {1.0f, 0},      {0.5f, 0},     {0.01f, 0},  // whole-hertz steps and wider
        {4.0f, 2},      {10.0f, 1},    {2.0f, 1},   {8.0f, 3}, {1000.0f, 3},
        {8.192f, 2},    // 0.1220703125 Hz (8192 bins over 1000 Hz): a tenth of the step
        {0.0f, 0},      {-3.0f, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(FrequencyDecimals(c.pointsPerHz), c.decimals) << c.pointsPerHz;
}
