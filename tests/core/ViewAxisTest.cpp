#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/common/TextFormat.h"
#include "core/view/AxisLabels.h"
#include "core/view/CursorMath.h"

using namespace vistrel;

namespace {

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

std::vector<TimeMark> Walk(const TimeAxisParams& p) {
    std::vector<TimeMark> marks;
    WalkTimeAxis(p, [&](const TimeMark& m) { marks.push_back(m); });
    return marks;
}

} // namespace

TEST(ViewAxis, GridRows) {
    std::vector<int> rows;
    for (int i = 0; i <= 20; ++i) rows.push_back(GridRow(i, 10, 110, 4));
    EXPECT_EQ(rows.size(), 21u);
    EXPECT_EQ(rows[0], 10);
    EXPECT_EQ(rows[5], 35);
    EXPECT_EQ(rows[20], 110);
    EXPECT_EQ(GridRow(1, 0, 333, 4), 16);
}

TEST(ViewAxis, RoundTimeLabelsMinorLinesAndNarrowPlots) {
    // One-second step: a 6 s window of 1000 Hz starting at 10:00:00.3.
    TimeAxisParams p;
    p.left = 0;
    p.right = 600;
    p.top = 20;
    p.bottom = 220;
    p.origin = At(2023, 2, 1, 10, 0, 0, 300);
    p.F = 0.0;
    p.L = 6000.0;
    p.rate = 1000.0f;
    p.windowLength = 60000000;
    p.hDivisions = 6;
    auto marks = Walk(p);
    std::vector<TimeMark> labels;
    for (const auto& m : marks)
        if (m.kind == TimeMark::Label) labels.push_back(m);
    ASSERT_EQ(labels.size(), 6u);
    EXPECT_EQ(labels[0].x, 70);
    EXPECT_EQ(labels[0].time, At(2023, 2, 1, 10, 0, 1));
    EXPECT_EQ(TimeLabel(labels[0].time, false), "1");
    EXPECT_EQ(DateLabel(labels[0].time, false, false), "01-02-23 10:00");
    EXPECT_EQ(labels[5].x, 570);
    for (const auto& l : labels) EXPECT_TRUE(l.withText);

    // Four single minor lines between two labels, none within 3 pixels of an edge.
    int between = 0;
    for (const auto& m : marks) {
        if (m.kind != TimeMark::Minor) continue;
        EXPECT_GT(m.x - p.left, 3);
        EXPECT_GT(p.right - m.x, 1);
        if (m.x > labels[1].x + 1 && m.x < labels[2].x) ++between;
    }
    EXPECT_EQ(between, 4);

    // Narrow plots write every other label; every label line stays.
    p.wide = false;
    labels.clear();
    for (const auto& m : Walk(p))
        if (m.kind == TimeMark::Label) labels.push_back(m);
    ASSERT_EQ(labels.size(), 6u);
    for (size_t i = 0; i < labels.size(); ++i) EXPECT_EQ(labels[i].withText, i % 2 == 0) << i;

    // Relative time: labels from 0 at sample 0, the first at the left edge.
    p.origin = 0;
    labels.clear();
    for (const auto& m : Walk(p))
        if (m.kind == TimeMark::Label) labels.push_back(m);
    ASSERT_EQ(labels.size(), 7u);
    EXPECT_EQ(labels[0].x, 0);
    EXPECT_EQ(labels[3].time, 30000000);
    EXPECT_EQ(TimeLabel(labels[3].time, false), "3");
    EXPECT_EQ(DateLabel(labels[3].time, false, true), "00:00");

    // Spectra: the lower label is the frequency (seconds of the day).
    EXPECT_EQ(TimeLabel(At(2023, 2, 1, 0, 2, 5), true), "125");

    // A view of centuries keeps to defined arithmetic and still yields labels.
    TimeAxisParams huge = p;
    huge.rate = 1e-6f;
    huge.F = 0.0;
    huge.L = 1e6;
    huge.windowLength = INT64_C(3000000000000000000);
    int hugeLabels = 0;
    for (const auto& m : Walk(huge)) hugeLabels += m.kind == TimeMark::Label;
    EXPECT_GE(hugeLabels, 1);

    // Degenerate parameters draw nothing.
    p.windowLength = 3;
    EXPECT_TRUE(Walk(p).empty());
}

TEST(ViewAxis, LabelPlacementAndScaleTexts) {
    EXPECT_EQ(KeepInside(100, 40, 0, 600), 80);
    EXPECT_EQ(KeepInside(5, 40, 0, 600), 0);
    EXPECT_EQ(KeepInside(595, 40, 0, 600), 560);

    char buf[256];
    int used = BuildScaleTexts(10.0, -10.0, 4, false, buf, sizeof buf);
    std::vector<std::string> texts;
    for (int i = 0; i < used; i += static_cast<int>(std::string(buf + i).size()) + 1) texts.push_back(buf + i);
    EXPECT_EQ(texts, (std::vector<std::string>{"-10", "-5", "0", "5", "U,V 10"}));

    used = BuildScaleTexts(0.000000004, -120.0, 4, true, buf, sizeof buf);
    texts.clear();
    for (int i = 0; i < used; i += static_cast<int>(std::string(buf + i).size()) + 1) texts.push_back(buf + i);
    EXPECT_EQ(texts, (std::vector<std::string>{"-120", "-90", "-60", "-30", "Db, 0"}));

    // A small buffer is never overrun.
    used = BuildScaleTexts(1.0, 0.0, 4, false, buf, 8);
    EXPECT_LE(used, 8);
}

TEST(ViewCursor, MappingsWith64BitSamples) {
    CursorGeometry g;
    g.left = 10;
    g.right = 510;
    g.top = 0;
    g.bottom = 200;
    g.S0 = 5e9;
    g.S1 = 5e9 + 1000;
    g.T = 10.0;
    g.B = -10.0;
    EXPECT_EQ(g.SampleAt(20), 5000000020ull);
    EXPECT_EQ(g.ColumnOf(5000000020ull), 20);
    EXPECT_EQ(g.RowOf(0.0), 100);
    EXPECT_DOUBLE_EQ(g.ValueAt(100), 0.0);
    EXPECT_DOUBLE_EQ(g.ValueAt(50), 5.0);
    EXPECT_EQ(g.LimitSample(1), 5000000000ull);
    EXPECT_EQ(g.LimitSample(6000000000ull), 5000001000ull);

    // Zoomed out (2 samples per column): one column right, the sample under the mouse + 1.
    int x = 0;
    uint64_t s = 0;
    g.SnapDrop(22, x, s);
    EXPECT_EQ(x, 23);
    EXPECT_EQ(s, 5000000025ull);

    // Zoomed in (5 columns per sample): the first column of the next sample.
    g.S0 = 0;
    g.S1 = 100;
    g.SnapDrop(22, x, s);
    EXPECT_EQ(x, 25);
    EXPECT_EQ(s, 3u);
    g.SnapDrop(509, x, s);
    EXPECT_EQ(x, 510);
    EXPECT_EQ(s, 100u);

    // A level dropped on a row and kept as a float maps back to that row.
    for (double top : {10.0, 0.37, 1e4}) {
        g.T = top;
        g.B = -top / 3;
        for (int y = g.top + 1; y < g.bottom; ++y) ASSERT_EQ(g.RowOf(static_cast<float>(g.ValueAt(y))), y) << top;
    }

    int px = 1000, py = -5;
    g.ClampPoint(px, py);
    EXPECT_EQ(px, 509);
    EXPECT_EQ(py, 1);
}
