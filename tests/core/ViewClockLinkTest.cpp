// Clock time of views: linked windows at different rates show the same instants, a span that
// misses a recording leaves it alone, and the "go to time" entry reads clock times and seconds.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "core/recording/TimeBase.h"
#include "core/view/Canvas.h"
#include "core/view/ClockLink.h"

using namespace vistrel;

namespace {

int64_t LocalTime(int y, int mo, int d, int h, int mi, int s) {
    FileTimeParts p;
    p.year = y, p.month = mo, p.day = d, p.hour = h, p.minute = mi, p.second = s;
    int64_t t = 0;
    EXPECT_TRUE(MakeFileTime(p, t));
    return t;
}

} // namespace

TEST(ClockLink, SamplesOfTheSameInstantAtTwoRates) {
    // The second recording starts 0.25 s after the first, at another rate; an instant read back
    // from one into the other lands on the sample of the same clock time.
    const int64_t t0 = LocalTime(2026, 12, 8, 8, 16, 40);
    const ClockTimeline a{t0, 48000.0, 48000 * 60};
    const ClockTimeline b{t0 + kUnitsPerSecond / 4, 44100.0, 44100 * 60};
    for (double sample : {0.0, 12000.0, 12001.5, 2879999.0}) {
        SCOPED_TRACE(sample);
        const ClockPoint p = ClockOfSample(a, sample);
        EXPECT_NEAR(SampleOfClock(b, p), (sample / 48000.0 - 0.25) * 44100.0, 1e-6);
        EXPECT_NEAR(SampleOfClock(a, p), sample, 1e-9);
    }
    // Offsets far below a microsecond survive next to file times of 10^17.
    EXPECT_NEAR(ClockDifference(ClockOfSample(a, 1.0), ClockOfSample(b, 0.0)), 0.25 - 1.0 / 48000.0, 1e-12);
}

TEST(ClockLink, FollowsASpanOrKeepsTheView) {
    const int64_t t0 = LocalTime(2026, 12, 8, 8, 0, 0);
    // 100 s at 1000 Hz; windows of 120, 60, 30, 12, 6 s.
    const double lengths[] = {120000, 60000, 30000, 12000, 6000};
    const ClockTimeline t{t0, 1000.0, 100000};
    struct Case {
        const char* name;
        double fromSeconds;   // clock offset from the recording's start
        double seconds;
        std::optional<LinkedView> want;
    };
    const Case cases[] = {
        {"nearest window by ratio", 10.0, 25.0, LinkedView{2, 10000.0}},
        {"longer than all", 0.0, 1000.0, LinkedView{0, 0.0}},
        {"starts before, overlaps", -5.0, 12.0, LinkedView{3, -5000.0}},
        {"wholly before", -20.0, 12.0, std::nullopt},
        {"ends at the start", -12.0, 12.0, std::nullopt},
        {"wholly after", 100.0, 6.0, std::nullopt},
        {"no length", 10.0, 0.0, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto got = FollowClockSpan(t, lengths, 5, ClockPoint{t0, c.fromSeconds}, c.seconds);
        ASSERT_EQ(got.has_value(), c.want.has_value());
        if (!got) continue;
        EXPECT_EQ(got->zoom, c.want->zoom);
        EXPECT_NEAR(got->start, c.want->start, 1e-6);
    }
    EXPECT_FALSE(FollowClockSpan(ClockTimeline{t0, 0.0, 100}, lengths, 5, ClockPoint{t0, 0.0}, 1.0));
}

TEST(ClockLink, ShowViewAtKeepsTheStartUnsnapped) {
    double lengths[] = {6000, 3000, 1200, 600};
    float ranges[2] = {-1.0f, 1.0f};
    CCanvasView view(6, 4);
    view.AttachView(1, 6000, ranges, 4, lengths);
    struct Case {
        int zoom;
        double start;
        double wantStart;
    };
    // A start between divisions stays put; one past either end is held inside the recording;
    // zoom 0 is the whole recording.
    const Case cases[] = {{2, 1234.5, 1234.5}, {3, -50.0, 0.0}, {1, 5000.0, 3000.0}, {0, 777.0, 0.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        ShowViewAt(view, c.zoom, c.start);
        EXPECT_EQ(view.m_hZoom, c.zoom);
        EXPECT_DOUBLE_EQ(view.m_visibleStart, c.wantStart);
        EXPECT_DOUBLE_EQ(view.m_visibleEnd - view.m_visibleStart, lengths[c.zoom]);
    }
}

TEST(ClockLink, GoToEntryReadsClockTimesAndSeconds) {
    // A recording from 2026-12-08 23:59:00 local, two minutes long: it runs past midnight.
    const int64_t start = LocalTime(2026, 12, 8, 23, 59, 0);
    struct Case {
        const char* text;
        bool comma;
        std::optional<double> seconds;   // from the start; nothing: refused
    };
    const Case cases[] = {
        {"12.5", false, 12.5},
        {" 12 ", false, 12.0},
        {"12,5", true, 12.5},
        {"12,5", false, std::nullopt},
        {"23:59:47.25", false, 47.25},
        {"23:59:47,25", true, 47.25},
        {"0:00:30", false, 90.0},                     // after midnight: the second day
        {"23:59", false, 0.0},
        {"08:16:47.25", false, -56532.75},            // not inside: the first day, before the start
        {"2026-12-09T00:00:30.5", false, 90.5},
        {"2026-12-09 00:00:30.5", false, 90.5},
        {"2026-12-08T08:16:47.25", false, -56532.75},
        {"0.0000001", false, 1e-7},
        {"", false, std::nullopt},
        {"abc", false, std::nullopt},
        {"-3", false, std::nullopt},
        {"12.", false, std::nullopt},
        {"1.2.3", false, std::nullopt},
        {"0.00000001", false, std::nullopt},
        {"24:00:00", false, std::nullopt},
        {"12:60", false, std::nullopt},
        {"12:30:5", false, std::nullopt},
        {"12:30:00x", false, std::nullopt},
        {"2026-02-30T10:00", false, std::nullopt},
        {"2026-12-8T10:00", false, std::nullopt},
        {"2026-12-08T", false, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        const auto got = ParseGoToTime(c.text, c.comma);
        ASSERT_EQ(got.has_value(), c.seconds.has_value());
        if (got) {
            EXPECT_NEAR(GoToSeconds(*got, start, 120.0), *c.seconds, 1e-9);
        }
    }
}
