// Texts of the time-axis labels: what the lower and the upper label carry for each label
// step and time style, and the upper labels written only where they change.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/common/TextFormat.h"
#include "core/recording/TimeBase.h"
#include "core/view/AxisLabels.h"
#include "platform/TimeZone.h"

using namespace vistrel;

namespace {

constexpr int64_t kSecond = 10000000;

int64_t At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    CalendarFields f;
    f.year = y;
    f.month = mo;
    f.day = d;
    f.hour = h;
    f.minute = mi;
    f.second = s;
    f.millisecond = ms;
    int64_t t = 0;
    EXPECT_TRUE(FieldsToFileTime(f, t));
    return t;
}

struct Written {
    std::string lower, upper;
};

// Labels of a view of `seconds` seconds at 1000 Hz from `origin`, as a plot draws them.
std::vector<Written> Labels(int64_t origin, int seconds, int64_t windowLength, bool relative, bool wide = true) {
    TimeAxisParams p;
    p.left = 0;
    p.right = 600;
    p.origin = origin;
    p.F = 0.0;
    p.L = seconds * 1000.0;
    p.rate = 1000.0f;
    p.windowLength = windowLength;
    p.hDivisions = 6;
    p.wide = wide;
    CAxisLabeller labeller(LabelStep(p), false, relative);
    std::vector<Written> out;
    WalkTimeAxis(p, [&](const TimeMark& m) {
        if (m.kind != TimeMark::Label) return;
        const AxisLabelTexts t = labeller.Next(m.time, m.withText);
        if (m.withText) out.push_back({t.lower, t.upper});
    });
    return out;
}

} // namespace

TEST(ViewAxisLabels, TextsCarryWhatTheStepNeeds) {
    struct Case {
        const char* name;
        int64_t t, step;
        bool decibel, relative;
        const char* lower;
        const char* upper;
    };
    const int64_t day1 = 0;   // relative times count from the file-time epoch
    const Case cases[] = {
        {"clock, 1 s step", At(2023, 2, 1, 10, 0, 1), kSecond, false, false, "1", "01-02-23 10:00"},
        {"clock, 10 s step, full minute", At(2023, 2, 1, 10, 1, 0), 10 * kSecond, false, false, "0", "01-02-23 10:01"},
        {"clock, 100 s step", At(2023, 2, 1, 10, 1, 40), 100 * kSecond, false, false, "10:01:40", "01-02-23"},
        {"clock, 1 min step", At(2023, 2, 1, 23, 59, 0), 60 * kSecond, false, false, "23:59:00", "01-02-23"},
        {"clock, hour step", At(2023, 2, 1, 12, 0, 0), 3600 * kSecond, false, false, "12:00:00", "01-02-23"},
        {"relative, within the first minute", day1 + 30 * kSecond, 10 * kSecond, false, true, "30", ""},
        {"relative, past a minute", day1 + 60 * kSecond, 10 * kSecond, false, true, "1:00", ""},
        {"relative, fraction past a minute", day1 + 65 * kSecond + kSecond / 2, kSecond / 2, false, true, "1:05.5", ""},
        {"relative, 90 s step", day1 + 90 * kSecond, 90 * kSecond, false, true, "1:30", ""},
        {"relative, start with a minute step", day1, 100 * kSecond, false, true, "0:00", ""},
        {"relative, hours", day1 + 5000 * kSecond, 5000 * kSecond, false, true, "1:23:20", ""},
        {"relative, past an hour, small step", day1 + 3 * 3600 * kSecond, 10 * kSecond, false, true, "3:00:00", ""},
        {"relative, second day", day1 + (86400 + 10) * kSecond, 10 * kSecond, false, true, "0:00:10", "02-01"},
        {"spectrum", At(2023, 2, 1, 0, 2, 5), 10 * kSecond, true, false, "125", "01-02-23"},
        {"spectrum, wide step", At(2023, 2, 1, 0, 20, 0), 600 * kSecond, true, false, "1200", "01-02-23"},
    };
    for (const Case& c : cases) {
        const AxisLabelTexts t = AxisTimeLabels(c.t, c.step, c.decibel, c.relative);
        EXPECT_EQ(t.lower, c.lower) << c.name;
        EXPECT_EQ(t.upper, c.upper) << c.name;
    }
}

TEST(ViewAxisLabels, TenMinuteViewReadsDistinctTimesAndOneDate) {
    // A 10-minute window: labels 100 s apart, each with its own time, the date written once.
    const std::vector<Written> clock = Labels(At(2023, 2, 1, 10, 0, 0), 600, 6000000000, false);
    const std::vector<std::string> lower = {"10:00:00", "10:01:40", "10:03:20", "10:05:00",
                                            "10:06:40", "10:08:20", "10:10:00"};
    ASSERT_EQ(clock.size(), lower.size());
    for (size_t i = 0; i < clock.size(); ++i) {
        EXPECT_EQ(clock[i].lower, lower[i]) << i;
        EXPECT_EQ(clock[i].upper, i == 0 ? "01-02-23" : "") << i;
    }

    // Relative: on past the minute, never back to 0.
    const std::vector<Written> relative = Labels(0, 600, 6000000000, true);
    ASSERT_EQ(relative.size(), lower.size());
    EXPECT_EQ(relative[0].lower, "0:00");
    EXPECT_EQ(relative[1].lower, "1:40");
    EXPECT_EQ(relative[6].lower, "10:00");

    // A 6 s view within one minute: the date and hh:mm once; a new minute is written again.
    const std::vector<Written> seconds = Labels(At(2023, 2, 1, 10, 0, 57), 6, 60000000, false);
    ASSERT_EQ(seconds.size(), 7u);
    EXPECT_EQ(seconds[0].upper, "01-02-23 10:00");
    EXPECT_EQ(seconds[1].upper, "");
    EXPECT_EQ(seconds[3].lower, "0");
    EXPECT_EQ(seconds[3].upper, "01-02-23 10:01");
    EXPECT_EQ(seconds[4].upper, "");

    // Narrow plots write every other label; the date is still written on the first.
    const std::vector<Written> narrow = Labels(At(2023, 2, 1, 10, 0, 0), 600, 6000000000, false, false);
    ASSERT_EQ(narrow.size(), 4u);
    EXPECT_EQ(narrow[0].upper, "01-02-23");
    EXPECT_EQ(narrow[1].lower, "10:03:20");
    EXPECT_EQ(narrow[1].upper, "");
}

TEST(ViewAxisLabels, ClockLabelsInAHalfHourZone) {
    // UTC+5:30: a recording started at 04:25 UTC shows local times on round local steps.
    platform::OverrideTimeZoneBias(-330);
    const int64_t local = ToLocalTime(At(2023, 2, 1, 4, 25, 0));
    platform::OverrideTimeZoneBias(std::nullopt);
    const std::vector<Written> labels = Labels(local, 600, 6000000000, false);
    ASSERT_EQ(labels.size(), 7u);
    EXPECT_EQ(labels[0].lower, "09:55:00");
    EXPECT_EQ(labels[1].lower, "09:56:40");
    EXPECT_EQ(labels[0].upper, "01-02-23");
    // One-minute steps: every label on a whole local minute.
    const std::vector<Written> minutes = Labels(local, 360, 3600000000, false);
    ASSERT_EQ(minutes.size(), 7u);
    EXPECT_EQ(minutes[2].lower, "09:57:00");
}
