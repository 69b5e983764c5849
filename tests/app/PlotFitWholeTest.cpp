// Fitting the value scales (once, per lane, automatically) on long recordings, and the
// whole-recording view that spans the recording exactly.
#include <QDeadlineTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

#include "core/recording/DataFile.h"
#include "core/view/PlotLayout.h"
#include "plot/Cursors.h"
#include "plot/PlotWindow.h"
#include "shell/UiUtils.h"
#include "support/Fixtures.h"

using namespace vistrel;

namespace {

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

struct Silent {
    Silent() { SetMessageBoxAnswerer([](BoxKind, const QString&, const QString&) { return false; }); }
    ~Silent() { SetMessageBoxAnswerer({}); }
};

constexpr uint64_t kFar = uint64_t(1) << 31;

// A one-channel float recording whose samples are a hole of the file system but for the
// values given, written at their places.
bool WriteSparse(const std::filesystem::path& path, uint64_t samples, const std::map<uint64_t, float>& values) {
    test::FloatFixture f;
    f.layout.channels = 1;
    f.layout.rate = 1000.0;
    f.layout.entries = {{1, -1.0, 1.0}};
    f.samples = 0;
    if (!test::WriteFloatFixture(path, f)) return false;
    const uint64_t header = std::filesystem::file_size(path);
    std::error_code ec;
    std::filesystem::resize_file(path, header + 4 * samples, ec);
    if (ec) return false;
    std::fstream out(path, std::ios::in | std::ios::out | std::ios::binary);
    for (const auto& [k, v] : values) {
        out.seekp(static_cast<std::streamoff>(header + 4 * k));
        out.write(reinterpret_cast<const char*>(&v), sizeof v);
    }
    return static_cast<bool>(out);
}

// Extremes of channel c over the samples the view shows, read one by one, with the 5 % margin.
void ScannedRange(const CPlotWnd& p, int c, double& low, double& high) {
    const CDataFile* file = p.File();
    const uint64_t a = static_cast<uint64_t>(std::floor(p.m_visibleStart));
    const uint64_t b = std::min<uint64_t>(file->Samples(), static_cast<uint64_t>(std::ceil(p.m_visibleEnd)));
    double lo = INFINITY, hi = -INFINITY;
    for (uint64_t k = a; k < b; ++k) {
        const double v = static_cast<double>(file->SampleValue(k, c));
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    low = lo - 0.05 * (hi - lo);
    high = hi + 0.05 * (hi - lo);
}

void ExpectFitted(const CPlotWnd& p, int c) {
    double low = 0, high = 0;
    ScannedRange(p, c, low, high);
    EXPECT_FLOAT_EQ(p.m_ranges[2 * c], static_cast<float>(low)) << "channel " << c;
    EXPECT_FLOAT_EQ(p.m_ranges[2 * c + 1], static_cast<float>(high)) << "channel " << c;
}

} // namespace

// 2^31 + 2^26 samples (8.6 GB, sparse): the fit of a view far beyond 2^31 equals a scan of the
// view; the automatic fit follows the view, and of a long view without the summaries it waits
// rather than scanning on the interface thread.
TEST(PlotFit, LongRecordingFitsTheViewAsAScanAndWaitsOnLongViews) {
    test::TempDir dir;
    const uint64_t samples = kFar + (uint64_t(1) << 26);
    const auto path = dir / "far.kvf";
    const std::map<uint64_t, float> values = {
        {kFar + 100, 1000.0f},          // before the view
        {kFar + 5'000'003, 7.5f},       // in it
        {kFar + 5'400'011, -3.25f},
        {kFar + 30'000'017, -900.0f},   // where the view moves later
        {kFar + 30'200'029, 2.5f},
    };
    if (!WriteSparse(path, samples, values)) GTEST_SKIP() << "no sparse file of 8.6 GB here";
    QString error;
    auto w = PlotWindow::CreateDetached(Q(path), &error);
    ASSERT_NE(w, nullptr) << error.toStdString();
    CPlotWnd* p = w->Plot();
    ASSERT_EQ(p->File()->Samples(), static_cast<int64_t>(samples));

    // The whole view without the summaries: the automatic fit waits; nothing is read.
    p->m_useSummaries = false;
    const float stored[2] = {p->m_ranges[0], p->m_ranges[1]};
    w->SetAutoFit(true);
    w->AutoFitBeforePaint();
    EXPECT_EQ(p->m_ranges[0], stored[0]);
    EXPECT_EQ(p->m_ranges[1], stored[1]);
    EXPECT_FALSE(p->m_summaryBuilder.Started());

    // A view of one to three million samples around the two values in it: fitted.
    while (p->m_hZoom + 1 < p->m_windowLengthCount && p->WindowLength() > 3.0e6) ++p->m_hZoom;
    ASSERT_GT(p->WindowLength(), 1.0e6);
    p->m_hCenter = static_cast<double>(kFar) + 5.2e6;
    p->Recompute();
    ASSERT_LT(p->m_visibleStart, static_cast<double>(kFar + 5'000'003));
    ASSERT_GT(p->m_visibleEnd, static_cast<double>(kFar + 5'400'011));
    ASSERT_GT(p->m_visibleStart, static_cast<double>(kFar + 100));
    w->AutoFitBeforePaint();
    ExpectFitted(*p, 0);
    EXPECT_FLOAT_EQ(p->m_ranges[1], static_cast<float>(7.5 + 0.05 * 10.75));

    // The view moves: the next paint fits again; a paint of the same view does not.
    const double to = static_cast<double>(kFar) + 30.1e6 - p->WindowLength() / 2;
    ASSERT_TRUE(p->ScrollHorizontalTo(to));
    w->AutoFitBeforePaint();
    ExpectFitted(*p, 0);
    EXPECT_FLOAT_EQ(p->m_ranges[0], static_cast<float>(-900.0 - 0.05 * 902.5));
    p->m_ranges[0] = -1;
    w->AutoFitBeforePaint();
    EXPECT_EQ(p->m_ranges[0], -1.0f);

    // Once, by key, with the mode off; the recording's own display range stays.
    w->SetAutoFit(false);
    ASSERT_TRUE(p->ScrollHorizontalTo(static_cast<double>(kFar) + 5.2e6 - p->WindowLength() / 2));
    w->AutoFitBeforePaint();
    EXPECT_EQ(p->m_ranges[0], -1.0f);
    w->HandleKey(Qt::Key_Y, Qt::NoModifier);
    ExpectFitted(*p, 0);
    EXPECT_DOUBLE_EQ(p->File()->Channel(0).low, -1.0);
    EXPECT_DOUBLE_EQ(p->File()->Channel(0).high, 1.0);
}

// A double-click on a lane's value scale fits that lane's channel only; in the plot it still
// places a cursor. The fit keeps a view scrolled between divisions where it is.
TEST(PlotFit, DoubleClickOnALaneScaleFitsThatLaneOnly) {
    test::TempDir dir;
    test::FloatFixture fx;
    fx.layout.channels = 3;
    fx.layout.rate = 1000.0;
    fx.layout.entries = {{1, -400.0, 400.0}, {2, -10.0, 10.0}, {3, 0.0, 1.0}};
    fx.samples = 200000;
    fx.value = [](uint64_t k, int c) {
        return static_cast<float>((c + 1) * std::sin(static_cast<double>(k) / 700.0) * (1.0 + k / 50000.0));
    };
    ASSERT_TRUE(test::WriteFloatFixture(dir / "three.kvf", fx));
    QMdiArea area;
    Silent silent;
    area.resize(1400, 1000);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    PlotWindow* w = PlotWindow::Create(&area, Q(dir / "three.kvf"));
    ASSERT_NE(w, nullptr);
    w->SubWindow()->resize(1200, 800);
    CPlotWnd* p = w->Plot();
    w->OnFirstTimer();
    w->SetLanes(true);
    w->Canvas()->repaint();
    for (int i = 0; i < 3; ++i) w->ZoomStep(1);
    ASSERT_TRUE(p->ScrollHorizontalTo(p->m_visibleStart + p->WindowLength() / 7));
    const double start = p->m_visibleStart;
    w->Canvas()->repaint();

    const CLaneLayout& lanes = p->LaneLayout();
    ASSERT_EQ(lanes.Count(), 3);
    const float before[6] = {p->m_ranges[0], p->m_ranges[1], p->m_ranges[2], p->m_ranges[3], p->m_ranges[4], p->m_ranges[5]};
    const uint64_t cursor = p->TimeCursor(1)->m_sample;
    const int y = (lanes.LaneTop(1) + lanes.LaneBottom(1)) / 2;
    QTest::mouseDClick(w->Canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(p->m_plotRect.left - 10, y));
    ExpectFitted(*p, 1);
    for (int i : {0, 1, 4, 5}) EXPECT_EQ(p->m_ranges[i], before[i]) << i;
    EXPECT_EQ(p->TimeCursor(1)->m_sample, cursor);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, start);
    EXPECT_DOUBLE_EQ(p->File()->Channel(1).high, 10.0);

    // In the plot a double-click still places a time cursor.
    const int x = (p->m_plotRect.left + p->m_plotRect.right) / 2;
    QTest::mouseDClick(w->Canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
    EXPECT_NE(p->TimeCursor(1)->m_sample, cursor);
}

// The whole-recording view is the recording exactly; its label step is that of the smallest
// table entry not shorter than it, a step in goes to the next shorter entry, and saved views
// keep their window lengths.
TEST(PlotWholeSpan, FShowsExactlyTheRecordingAndZoomsThroughTheTable) {
    test::TempDir dir;
    test::FloatFixture fx;
    fx.layout.channels = 1;
    fx.layout.rate = 1000.0;
    fx.samples = 47000;   // 47 s: between two table entries
    // Starting 7 s after a whole minute: the aligned display window is longer than the first
    // entry that holds the recording.
    fx.fileTime = test::UtcFileTime(2023, 2, 1, 10, 0, 7);
    ASSERT_TRUE(test::WriteFloatFixture(dir / "whole.kvf", fx));
    QString error;
    auto w = PlotWindow::CreateDetached(Q(dir / "whole.kvf"), &error);
    ASSERT_NE(w, nullptr) << error.toStdString();
    CPlotWnd* p = w->Plot();
    const int64_t* table = TimeWindowTable();
    const int64_t duration = RecordingDuration(1000.0f, 47000);
    const int first = p->m_firstWindow;
    ASSERT_GE(table[first], duration);
    ASSERT_LT(table[first - 1], duration);
    ASSERT_GT(p->m_displayWindow, first);

    w->ZoomStep(2);
    w->HandleKey(Qt::Key_F, Qt::NoModifier);
    EXPECT_EQ(p->m_hZoom, 0);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, 0.0);
    EXPECT_DOUBLE_EQ(p->m_visibleEnd, 47000.0);
    EXPECT_EQ(ZoomWindowIndex(first, p->m_hZoom), first);   // label step: entry / 6
    w->HandleKey(Qt::Key_Plus, Qt::NoModifier);
    EXPECT_DOUBLE_EQ(p->WindowLength(), std::trunc(static_cast<double>(table[first - 1]) * 47000 / duration));
    w->HandleKey(Qt::Key_Backspace, Qt::NoModifier);
    EXPECT_EQ(p->m_hZoom, 0);
    EXPECT_DOUBLE_EQ(p->m_visibleEnd, 47000.0);

    // Saved and restored: the same window length and place. A saved index counts from the
    // aligned display entry as it always did.
    w->ZoomStep(2);
    ASSERT_TRUE(p->ScrollHorizontalTo(9000));
    p->m_hCenter = p->m_visibleStart + p->WindowLength() / 2;
    WindowSettings s;
    w->ExtractSettings(s);
    EXPECT_EQ(table[p->m_displayWindow - s.hZoom], table[first - 2]);
    auto again = PlotWindow::CreateDetached(Q(dir / "whole.kvf"), &error);
    ASSERT_NE(again, nullptr);
    again->ApplySettings(s);
    EXPECT_DOUBLE_EQ(again->Plot()->WindowLength(), p->WindowLength());
    EXPECT_NEAR(again->Plot()->m_hCenter, p->m_hCenter, p->WindowLength() / 6);
}

// A view of more values than are scanned on the interface thread: the automatic fit starts
// the summaries, waits for them, and fits from them as soon as they are ready.
TEST(PlotFit, AutomaticFitOfALongViewFollowsTheSummaries) {
    test::TempDir dir;
    test::FloatFixture fx;
    fx.layout.channels = 8;
    fx.layout.rate = 1000.0;
    fx.samples = 600000;   // 4.8 million values in the whole view
    fx.value = [](uint64_t k, int c) { return static_cast<float>((c + 1) * std::cos(static_cast<double>(k) / 9000.0)); };
    ASSERT_TRUE(test::WriteFloatFixture(dir / "eight.kvf", fx));
    QMdiArea area;
    Silent silent;
    area.resize(1200, 900);
    area.show();
    PlotWindow* w = PlotWindow::Create(&area, Q(dir / "eight.kvf"));
    ASSERT_NE(w, nullptr);
    CPlotWnd* p = w->Plot();
    ASSERT_GT(static_cast<uint64_t>(p->m_visibleEnd - p->m_visibleStart) * 8, CPlotWnd::kAutoFitScanValues);
    const float stored = p->m_ranges[1];
    w->SetAutoFit(true);
    if (!p->m_summarized.HasSummaries()) {
        EXPECT_EQ(p->m_ranges[1], stored);   // waits for them
    }
    EXPECT_TRUE(p->m_summaryBuilder.Started());
    QDeadlineTimer deadline(30000);
    while (p->m_ranges[1] == stored && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(p->m_summarized.HasSummaries());
    for (int c = 0; c < 8; ++c) ExpectFitted(*p, c);
}
