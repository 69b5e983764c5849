// Lanes of a plot window: each shown channel on its own scale in a band of its own, drawn from
// the same column cache as the overlaid view; the level cursors in the selected channel's lane,
// separators that resize their neighbours, and the vertical scroll bar through many lanes.
#include <QDeadlineTimer>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

#include "core/recording/DataFile.h"
#include "plot/Cursors.h"
#include "plot/PlotWindow.h"
#include "plot/PngRender.h"
#include "shell/UiUtils.h"
#include "support/Fixtures.h"

using namespace vistrel;

namespace {

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// Channels with ranges that differ by orders of magnitude, in colours no cursor or grid uses.
const std::vector<ChannelEntry> kRanges = {{1, -400.0, 400.0}, {2, -10.0, 10.0}, {3, 0.0, 1.0}, {4, -5.0, 5.0}};
const std::vector<uint32_t> kColours = {0x0000C0, 0x00A000, 0xC00000, 0x00A0A0};

// Each channel at its high limit in the first half and at its low limit in the second.
float Steps(uint64_t k, int c, uint64_t samples) {
    return static_cast<float>(k < samples / 2 ? kRanges[c].high : kRanges[c].low);
}

// Within its range, something different in every column, growing along the recording so that
// the extremes of a part are not those of the whole.
float Noise(uint64_t k, int c, uint64_t samples) {
    const double lo = kRanges[c].low, hi = kRanges[c].high;
    const double u = static_cast<double>((k * 2654435761u + 977u * c) % 10007) / 10007.0;
    const double wave = 0.5 + 0.3 * std::sin(static_cast<double>(k) / (900.0 + 300.0 * c));
    const double growth = 0.5 + 0.5 * static_cast<double>(k) / static_cast<double>(samples);
    return static_cast<float>(lo + (hi - lo) * (0.8 * wave + 0.2 * u) * growth);
}

std::filesystem::path WriteLanes(const test::TempDir& dir, float (*value)(uint64_t, int, uint64_t), uint64_t samples,
                                 int channels = 4) {
    test::FloatFixture f;
    f.layout.channels = channels;
    f.layout.rate = 1000.0;
    for (int c = 0; c < channels; ++c) {
        f.layout.entries.push_back(c < 4 ? kRanges[c] : ChannelEntry{c + 1, -1.0, 1.0});
        f.layout.colours.push_back(c < 4 ? kColours[c] : 0x808080);
    }
    f.samples = samples;
    f.fileTime = test::UtcFileTime(2023, 2, 1, 10, 0, 0);
    f.value = [value, samples](uint64_t k, int c) { return c < 4 ? value(k, c, samples) : 0.0f; };
    const auto path = dir / "lanes.kvf";
    EXPECT_TRUE(test::WriteFloatFixture(path, f));
    return path;
}

struct Silent {
    Silent() { SetMessageBoxAnswerer([](BoxKind, const QString&, const QString&) { return false; }); }
    ~Silent() { SetMessageBoxAnswerer({}); }
};

struct Window {
    test::TempDir dir;
    QMdiArea area;
    Silent silent;
    PlotWindow* w = nullptr;
    CPlotWnd* p = nullptr;
    Window(float (*value)(uint64_t, int, uint64_t), uint64_t samples, int channels = 4, int height = 800) {
        area.resize(1400, height + 200);
        area.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&area));
        w = PlotWindow::Create(&area, Q(WriteLanes(dir, value, samples, channels)));
        if (!w) return;
        w->SubWindow()->resize(1200, height);
        p = w->Plot();
        w->Canvas()->repaint();
    }
    QImage Grab() { return w->Canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

template <typename F>
bool WaitFor(F&& done, int ms = 20000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// As drawn on the white background: a stored colour that reads too faintly on it is darkened.
QRgb ChannelRgb(int c) { return ColorFromRef(DisplayColour(kColours[c], 0xFFFFFF)).rgb(); }

// Rows of column x in the channel's colour, from `top` to `bottom` (inclusive).
std::vector<int> ColouredRows(const QImage& img, int x, int top, int bottom, QRgb colour) {
    std::vector<int> rows;
    for (int y = std::max(top, 0); y <= bottom && y < img.height(); ++y)
        if (img.pixel(x, y) == colour) rows.push_back(y);
    return rows;
}

} // namespace

TEST(PlotLanes, EachChannelOnItsOwnScaleInItsOwnLane) {
    Window f(Steps, 40000);
    ASSERT_NE(f.p, nullptr);
    CPlotWnd* p = f.p;
    f.w->OnFirstTimer();
    QTest::keyClick(f.w->Canvas(), Qt::Key_L);
    ASSERT_TRUE(p->Lanes());
    f.w->Canvas()->repaint();
    const QImage img = f.Grab();
    const CanvasRect r = p->m_plotRect;
    const CLaneLayout& lanes = p->LaneLayout();
    ASSERT_EQ(lanes.Count(), 4);
    EXPECT_EQ(lanes.LaneTop(0), r.top);
    EXPECT_EQ(lanes.LaneBottom(3) - 1, r.bottom);
    // Columns well inside each half of the recording, away from the time cursors at a third and
    // two thirds of the plot.
    const CursorGeometry g = p->Geometry();
    const int high = g.ColumnOf(40000 / 10), low = g.ColumnOf(40000 * 9 / 10);
    ASSERT_GT(high, r.left + 40);
    ASSERT_LT(low, r.right);
    for (int lane = 0; lane < 4; ++lane) {
        SCOPED_TRACE(testing::Message() << "lane " << lane);
        const int c = lanes.Channel(lane);
        EXPECT_EQ(c, lane);
        const int top = lanes.LaneTop(lane), bottom = lanes.LaneBottom(lane) - 1;
        EXPECT_EQ(ColouredRows(img, high, r.top, r.bottom, ChannelRgb(c)), std::vector<int>{top});
        EXPECT_EQ(ColouredRows(img, low, r.top, r.bottom, ChannelRgb(c)), std::vector<int>{bottom});
    }
    // The level cursors live in the selected channel's lane; clicking a lane selects its channel.
    const int lane2 = (lanes.LaneTop(2) + lanes.LaneBottom(2)) / 2;
    QTest::mouseClick(f.w->Canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(high, lane2));
    EXPECT_EQ(p->m_selectedChannel, 2);
    f.w->Canvas()->repaint();
    for (int n : {1, 2}) {
        const int y = p->LevelCursor(n)->m_position;
        EXPECT_GE(y, lanes.LaneTop(2));
        EXPECT_LT(y, lanes.LaneBottom(2));
    }
    // The time cursors still span the whole plot; L again is the overlaid view as before.
    EXPECT_LE(p->TimeCursor(1)->m_grabRect.top, r.top);
    EXPECT_GE(p->TimeCursor(1)->m_grabRect.bottom, r.bottom);
    QTest::keyClick(f.w->Canvas(), Qt::Key_L);
    EXPECT_FALSE(p->Lanes());
}

TEST(PlotLanes, MinMaxLanesDrawTheOverlaidColumnsWithoutReadingAgain) {
    Window f(Noise, 600000);
    ASSERT_NE(f.p, nullptr);
    CPlotWnd* p = f.p;
    // The samples are scanned (no summaries): a pass that starts again would still be running.
    p->m_useSummaries = false;
    p->m_minMaxMode = 1;
    p->m_cache->Invalidate();
    f.w->Canvas()->repaint();
    ASSERT_TRUE(WaitFor([&] { return p->m_cache->minMax && p->MinMaxComplete(); }));
    f.w->Canvas()->repaint();
    const CanvasRect overlaid = p->m_plotRect;
    const CColumnCache& cache = *p->m_cache;
    const int columns = cache.Columns();
    std::vector<float> values(&cache.values[0][0], &cache.values[0][0] + static_cast<size_t>(columns) * kMaxChannels);
    std::vector<int32_t> flags(cache.flags, cache.flags + columns);

    f.w->SetLanes(true);
    f.w->Canvas()->repaint();
    EXPECT_FALSE(p->m_minMaxPass.Active());
    EXPECT_TRUE(p->m_cache->minMax);
    EXPECT_EQ(p->m_plotRect.left, overlaid.left);
    EXPECT_EQ(p->m_plotRect.right, overlaid.right);
    EXPECT_EQ(std::memcmp(values.data(), &cache.values[0][0], values.size() * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(flags.data(), cache.flags, flags.size() * sizeof(int32_t)), 0);

    // Column by column: each lane's band spans the rows its channel's least and greatest value
    // map to in that lane, and no other lane shows the channel.
    const QImage img = f.Grab();
    const CLaneLayout& lanes = p->LaneLayout();
    const CanvasRect r = p->m_plotRect;
    std::vector<EnvelopeBar> bars(MaxEnvelopeBars(columns));
    for (int lane = 0; lane < lanes.Count(); ++lane) {
        const int c = lanes.Channel(lane);
        const int top = lanes.LaneTop(lane), bottom = lanes.LaneBottom(lane) - 1;
        const int n = BuildEnvelope(cache, c, bottom, bottom - top, p->m_valueTop[c], p->m_valueBottom[c], bars.data());
        ASSERT_GT(n, 10);
        int checked = 0;
        for (int i = 0; i < n; ++i) {
            const EnvelopeBar& b = bars[i];
            if (b.link) continue;
            for (int x = b.x; x < b.x + b.width; x += 7) {
                if (x <= r.left + 60 || x >= r.right - 2) continue;   // the scale's texts, the border
                const std::vector<int> rows = ColouredRows(img, x, r.top, r.bottom, ChannelRgb(c));
                if (rows.empty()) continue;   // under a cursor line
                EXPECT_GE(rows.front(), std::max(top, b.yTop)) << "lane " << lane << " column " << x;
                EXPECT_LE(rows.back(), std::min(bottom, b.yBottom)) << "lane " << lane << " column " << x;
                EXPECT_GE(rows.front(), top);
                EXPECT_LE(rows.back(), bottom);
                ++checked;
            }
        }
        EXPECT_GT(checked, 20) << "lane " << lane;
    }
}

TEST(PlotLanes, SeparatorDragAndScrollingThroughManyLanes) {
    // 64 channels in a plot of about 1000 rows: lanes of the minimum height, scrolled.
    Window f(Steps, 2000, 64, 1100);
    ASSERT_NE(f.p, nullptr);
    CPlotWnd* p = f.p;
    f.w->SetLanes(true);
    f.w->Canvas()->repaint();
    const CLaneLayout& lanes = p->LaneLayout();
    ASSERT_EQ(lanes.Count(), 64);
    ASSERT_GT(lanes.MaxScroll(), 0);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(lanes.LaneHeight(i), kMinLaneHeight);
    QScrollBar* bar = f.w->VScrollBar();
    f.w->OnVScroll(kScrollBottom, 0);
    EXPECT_EQ(lanes.Scroll(), lanes.MaxScroll());
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_EQ(lanes.LaneBottom(63) - 1, p->m_plotRect.bottom);
    f.w->OnVScroll(kScrollLineUp, 0);
    EXPECT_EQ(lanes.Scroll(), lanes.MaxScroll() - kMinLaneHeight);
    f.w->OnVScroll(kScrollThumbPosition, 0);
    EXPECT_EQ(lanes.Scroll(), 0);
    EXPECT_EQ(bar->value(), 0);

    // Few lanes: a separator dragged by the mouse resizes the two lanes beside it.
    f.w->SetLanes(false);
    for (int c = 2; c < 64; ++c) p->m_channelShown[c] = 0;
    f.w->SetLanes(true);
    f.w->Canvas()->repaint();
    ASSERT_EQ(lanes.Count(), 2);
    const int h0 = lanes.LaneHeight(0), h1 = lanes.LaneHeight(1);
    const int y = lanes.LaneBottom(0) - 1, x = (p->m_plotRect.left + p->m_plotRect.right) / 2;
    QTest::mousePress(f.w->Canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
    QMouseEvent move(QEvent::MouseMove, QPointF(x, y + 40), f.w->Canvas()->mapToGlobal(QPointF(x, y + 40)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.w->Canvas(), &move);
    QTest::mouseRelease(f.w->Canvas(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y + 40));
    EXPECT_EQ(lanes.LaneHeight(0), h0 + 40);
    EXPECT_EQ(lanes.LaneHeight(1), h1 - 40);
    EXPECT_EQ(p->m_hZoom, 0);   // the drag was no zoom rectangle
}

TEST(PlotLanes, PictureOfTheLanesHasEachTraceInItsOwnBand) {
    test::TempDir dir;
    const auto recording = WriteLanes(dir, Steps, 40000);
    const QString png = Q(dir / "lanes.png");
    QProcess proc;
    proc.setProcessChannelMode(QProcess::ForwardedChannels);
    proc.start(VISTREL_APP_PATH, {"--png", png, "--size", "1000x700", "--lanes", Q(recording)});
    ASSERT_TRUE(proc.waitForFinished(120000));
    ASSERT_EQ(proc.exitCode(), 0);
    const QImage img = QImage(png).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(img.size(), QSize(1000, 700));
    // Each channel steps from its high limit to its low limit: its pixels fill one band from
    // the lane's top to its bottom. The bands follow each other top to bottom without overlap,
    // each about a quarter of the picture.
    int previousBottom = -1;
    for (int c = 0; c < 4; ++c) {
        SCOPED_TRACE(testing::Message() << "channel " << c);
        int top = img.height(), bottom = -1;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) == ChannelRgb(c)) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        ASSERT_GE(bottom, 0);
        EXPECT_GT(top, previousBottom);
        EXPECT_GT(bottom - top, img.height() / 6);
        EXPECT_LT(bottom - top, img.height() / 4 + 2);
        previousBottom = bottom;
    }
}

TEST(PlotLanes, FitValuesTakesTheVisibleExtremesAndFResetsTheVerticalZoom) {
    Window f(Noise, 600000);
    ASSERT_NE(f.p, nullptr);
    CPlotWnd* p = f.p;
    ASSERT_TRUE(WaitFor([&] { return p->m_summaryBuilder.Ready(); }));
    f.w->Canvas()->repaint();
    ASSERT_EQ(&p->MinMaxSource(), &p->m_summarized);   // the extremes come from the summaries
    for (int i = 0; i < 3; ++i) QTest::keyClick(f.w->Canvas(), Qt::Key_Plus);
    QTest::keyClick(f.w->Canvas(), Qt::Key_Right);
    p->m_vZoom = 2;
    p->Recompute();
    const CDataFile* file = f.w->File();
    const uint64_t a = static_cast<uint64_t>(std::floor(p->m_visibleStart));
    const uint64_t b = std::min<uint64_t>(600000, static_cast<uint64_t>(std::ceil(p->m_visibleEnd)));
    ASSERT_GT(a, 0u);
    ASSERT_LT(b, 600000u);
    const float stored[2] = {p->m_ranges[2], p->m_ranges[3]};
    p->m_channelShown[1] = 0;   // a hidden channel keeps its range
    QTest::keyClick(f.w->Canvas(), Qt::Key_Y);
    EXPECT_EQ(p->m_vZoom, 0);
    for (int c = 0; c < 4; ++c) {
        SCOPED_TRACE(testing::Message() << "channel " << c);
        if (c == 1) {
            EXPECT_EQ(p->m_ranges[2], stored[0]);
            EXPECT_EQ(p->m_ranges[3], stored[1]);
            continue;
        }
        double lo = INFINITY, hi = -INFINITY;
        for (uint64_t k = a; k < b; ++k) {
            const double v = static_cast<double>(file->SampleValue(k, c));
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        EXPECT_FLOAT_EQ(p->m_ranges[2 * c], static_cast<float>(lo - 0.05 * (hi - lo)));
        EXPECT_FLOAT_EQ(p->m_ranges[2 * c + 1], static_cast<float>(hi + 0.05 * (hi - lo)));
        EXPECT_DOUBLE_EQ(p->m_valueTop[c], p->m_ranges[2 * c + 1]);
    }
    // The recording's own display ranges stay as they were.
    EXPECT_DOUBLE_EQ(file->Channel(0).high, 400.0);

    // F: the whole recording with nothing hidden vertically.
    p->m_vZoom = 3;
    p->Recompute();
    QTest::keyClick(f.w->Canvas(), Qt::Key_F);
    EXPECT_EQ(p->m_vZoom, 0);
    EXPECT_EQ(p->m_hZoom, 0);
}
