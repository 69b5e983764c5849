#include <gtest/gtest.h>

#include <set>

#include "core/view/PlotLayout.h"

using namespace vistrel;

TEST(PlotLayout, TimeWindowTable) {
    const int64_t* w = TimeWindowTable();
    EXPECT_EQ(w[0], 300);
    EXPECT_EQ(w[11], 2400);
    EXPECT_EQ(w[12], 3000);
    EXPECT_EQ(w[23], 24000);
    EXPECT_EQ(w[143], 2400LL * 100000000000LL);
    for (int i = 1; i < kTimeWindowCount; ++i)
        EXPECT_LT(w[i - 1], w[i]);
}

TEST(PlotLayout, DurationAndFirstWindow) {
    EXPECT_EQ(RecordingDuration(1000.0f, 60000), 600000000);   // 60 s
    EXPECT_EQ(RecordingDuration(0.0f, 100), 0);
    EXPECT_EQ(RecordingDuration(-5.0f, 100), 0);
    const int64_t* w = TimeWindowTable();
    EXPECT_EQ(FirstWindowIndex(w, 0), 0);
    EXPECT_EQ(FirstWindowIndex(w, 300), 0);
    EXPECT_EQ(FirstWindowIndex(w, 301), 1);
    // 60 s = 6e8: the table has 6e8 at 600 x 10^6 (index 4 + 6 x 12 = 76)
    EXPECT_EQ(w[76], 600000000);
    EXPECT_EQ(FirstWindowIndex(w, 600000000), 76);
    EXPECT_EQ(FirstWindowIndex(w, w[143] + 1), kTimeWindowCount);
}

TEST(PlotLayout, DisplayRangeAlignment) {
    const int64_t* w = TimeWindowTable();
    const int64_t D = 600000000;   // 60 s; entry 76, divisions of 10 s
    const int64_t day = 864000000000LL;
    // Duration equal to an entry, start on a whole division: that entry.
    DisplayRange r = ChooseDisplayRange(w, 76, day + 100000000, D);
    EXPECT_EQ(r.index, 76);
    EXPECT_EQ(r.begin, day + 100000000);
    EXPECT_EQ(r.end, day + 700000000);
    EXPECT_EQ(r.division, 100000000);
    // Same duration starting off a division: a longer entry.
    r = ChooseDisplayRange(w, 76, day + 100000001, D);
    EXPECT_GT(r.index, 76);
    EXPECT_LE(r.begin, day + 100000001);
    EXPECT_GE(r.end, day + 100000001 + D);
    EXPECT_EQ(r.begin % r.division, 0);
    // A short recording starting just before a division boundary of its shortest window.
    const int64_t start = day + 100000000 - 1;   // 1 tick before a 10 s boundary
    r = ChooseDisplayRange(w, FirstWindowIndex(w, 1000), start, 1000);
    EXPECT_GT(r.index, FirstWindowIndex(w, 1000));
    EXPECT_GE(r.end, start + 1000);
    // Longer than the whole table: the last window, flagged.
    r = ChooseDisplayRange(w, kTimeWindowCount, day, w[143] * 2);
    EXPECT_EQ(r.index, kTimeWindowCount - 1);
    EXPECT_TRUE(r.tooLong);
}

TEST(PlotLayout, WindowSamplesEndAtThirtySamples) {
    const int64_t* w = TimeWindowTable();
    double out[kTimeWindowCount];
    // 1000 Hz, 60000 samples, display entry 76 (60 s): 60000, 50000, 40000, ...
    const int n = BuildWindowSamples(w, 76, 60000, 600000000, out);
    EXPECT_DOUBLE_EQ(out[0], 60000);
    EXPECT_DOUBLE_EQ(out[1], 48000);   // 480 x 10^6 ticks
    for (int i = 0; i < n; ++i)
        EXPECT_GE(out[i], kMinWindowSamples);
    // The next entry would be below 30 samples.
    const int64_t next = w[76 - n];
    EXPECT_LT(static_cast<double>(next) * 60000 / 600000000, kMinWindowSamples);
    // A tiny recording still gets its whole range as zoom index 0.
    EXPECT_EQ(BuildWindowSamples(w, 0, 5, 50000, out), 1);
    EXPECT_DOUBLE_EQ(out[0], 1.0 * 300 * 5 / 50000 < 1 ? 1.0 : 0.0);
    EXPECT_EQ(BuildWindowSamples(w, 10, 100, 0, out), 1);
}

TEST(PlotLayout, DefaultColours) {
    // The first channels: blue, red, green (0x00BBGGRR).
    EXPECT_EQ(DefaultChannelColour(0), 0xFF6431u);
    EXPECT_EQ(DefaultChannelColour(1), 0x0000E8u);
    EXPECT_EQ(DefaultChannelColour(2), 0x0C9000u);
    std::set<uint32_t> distinct;
    for (int c = 32; c < 256; ++c) {
        const uint32_t v = DefaultChannelColour(c);
        EXPECT_EQ(v & 0xFF000000u, 0u);
        // Never near-white: readable on the white plot.
        EXPECT_LT((v & 0xFF) + ((v >> 8) & 0xFF) + ((v >> 16) & 0xFF), 3u * 230u);
        distinct.insert(v);
    }
    EXPECT_GT(distinct.size(), 200u);
}
