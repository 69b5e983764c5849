// Proportional scroll bars of a plot window, and level cursors grabbed without Shift.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "core/recording/DataFile.h"
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

struct Window {
    test::TempDir dir;
    QMdiArea area;
    Silent silent;
    PlotWindow* w = nullptr;
    CPlotWnd* p = nullptr;
    Window(int channels, uint64_t samples, int height = 800) {
        test::FloatFixture f;
        f.layout.channels = channels;
        f.layout.rate = 1000.0;
        f.samples = samples;
        f.value = [](uint64_t k, int c) { return static_cast<float>(std::sin(static_cast<double>(k) / (50.0 + c))); };
        EXPECT_TRUE(test::WriteFloatFixture(dir / "scroll.kvf", f));
        area.resize(1400, height + 200);
        area.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&area));
        w = PlotWindow::Create(&area, Q(dir / "scroll.kvf"));
        if (!w) return;
        w->SubWindow()->resize(1200, height);
        p = w->Plot();
        w->Canvas()->repaint();
    }
};

// The thumb as shares of the track: its size and its place.
double SizeShare(const QScrollBar* b) { return static_cast<double>(b->pageStep()) / (b->maximum() + b->pageStep()); }
double PlaceShare(const QScrollBar* b) { return static_cast<double>(b->value()) / (b->maximum() + b->pageStep()); }

// The horizontal thumb against the view: size the visible share, place the view's start.
void ExpectThumbFollows(const QScrollBar* bar, const CPlotWnd& p) {
    const double L0 = p.FullLength();
    const double tolerance = 1.0 / kScrollRangeMax;
    EXPECT_EQ(bar->maximum() + bar->pageStep(), kScrollRangeMax);
    EXPECT_NEAR(SizeShare(bar), (p.m_visibleEnd - p.m_visibleStart) / L0, tolerance);
    EXPECT_NEAR(PlaceShare(bar), p.m_visibleStart / L0, tolerance);
    if (p.m_visibleStart == 0) {
        EXPECT_EQ(bar->value(), 0);
    }
    if (p.m_visibleEnd >= L0) {
        EXPECT_EQ(bar->value(), bar->maximum());
    }
}

} // namespace

TEST(PlotScrollBars, ThumbSizeAndPlaceFollowTheView) {
    Window f(2, 600000);
    ASSERT_NE(f.p, nullptr);
    CPlotWnd* p = f.p;
    QScrollBar* bar = f.w->HScrollBar();
    struct Step {
        const char* what;
        std::function<void()> act;
    };
    const Step steps[] = {
        {"whole", [&] { QTest::keyClick(f.w->Canvas(), Qt::Key_F); }},
        {"zoomed in", [&] { for (int i = 0; i < 4; ++i) QTest::keyClick(f.w->Canvas(), Qt::Key_Plus); }},
        {"End", [&] { QTest::keyClick(f.w->Canvas(), Qt::Key_End); }},
        {"a division back", [&] { QTest::keyClick(f.w->Canvas(), Qt::Key_Left); }},
        {"Home", [&] { QTest::keyClick(f.w->Canvas(), Qt::Key_Home); }},
        {"a page on", [&] { QTest::keyClick(f.w->Canvas(), Qt::Key_PageDown); }},
        {"zoomed in further", [&] { for (int i = 0; i < 3; ++i) QTest::keyClick(f.w->Canvas(), Qt::Key_Plus); }},
        {"thumb dropped mid-track", [&] { f.w->OnHThumb(bar->maximum() / 2); }},
        {"thumb dropped at the end", [&] { f.w->OnHThumb(bar->maximum()); }},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        s.act();
        f.w->Canvas()->repaint();
        ExpectThumbFollows(bar, *p);
    }
    EXPECT_DOUBLE_EQ(p->m_visibleEnd, p->FullLength());
    // The whole view: a thumb filling the track.
    QTest::keyClick(f.w->Canvas(), Qt::Key_F);
    EXPECT_EQ(bar->maximum(), 0);
    // A dropped thumb moves the view to the place it stands for, between divisions too.
    QTest::keyClick(f.w->Canvas(), Qt::Key_Plus);
    QTest::keyClick(f.w->Canvas(), Qt::Key_Plus);
    f.w->OnHThumb(bar->maximum() / 3);
    EXPECT_NEAR(p->m_visibleStart, static_cast<double>(bar->maximum() / 3) / kScrollRangeMax * p->FullLength(), 1e-6);
}

TEST(PlotScrollBars, VerticalThumbOfTheValuesAndOfManyLanes) {
    Window f(64, 4000, 1100);
    ASSERT_NE(f.p, nullptr);
    CPlotWnd* p = f.p;
    QScrollBar* bar = f.w->VScrollBar();
    // Overlaid: the thumb is the share of the value range the vertical zoom shows.
    EXPECT_EQ(bar->maximum(), 0);
    p->m_vZoom = 2;   // x5
    p->Recompute();
    f.w->SyncScrollBar(1);
    EXPECT_NEAR(SizeShare(bar), 0.2, 1.0 / kScrollRangeMax);
    EXPECT_NEAR(PlaceShare(bar), 0.4, 1.0 / kScrollRangeMax);   // centred
    f.w->OnVThumb(0);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_DOUBLE_EQ(p->m_valueTop[0], p->m_ranges[1]);   // the top of the range at the top
    f.w->OnVScroll(kScrollLineDown);
    EXPECT_NEAR(PlaceShare(bar), (p->m_ranges[1] - p->m_valueTop[0]) / (p->m_ranges[1] - p->m_ranges[0]),
                1.0 / kScrollRangeMax);
    f.w->OnVThumb(bar->maximum());
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_DOUBLE_EQ(p->m_valueBottom[0], p->m_ranges[0]);
    p->m_vZoom = 0;
    p->Recompute();

    // 64 lanes that scroll: the thumb is the share of the lanes in view.
    f.w->SetLanes(true);
    f.w->Canvas()->repaint();
    const CLaneLayout& lanes = p->LaneLayout();
    ASSERT_GT(lanes.MaxScroll(), 0);
    const double content = lanes.ViewportHeight() + lanes.MaxScroll();
    struct Step {
        const char* what;
        int request;
        double start;
    };
    for (const Step& s : {Step{"top", kScrollTop, 0}, Step{"a line", kScrollLineDown, kMinLaneHeight},
                          Step{"bottom", kScrollBottom, static_cast<double>(lanes.MaxScroll())}}) {
        SCOPED_TRACE(s.what);
        f.w->OnVScroll(s.request);
        EXPECT_EQ(lanes.Scroll(), s.start);
        EXPECT_NEAR(SizeShare(bar), lanes.ViewportHeight() / content, 1.0 / kScrollRangeMax);
        EXPECT_NEAR(PlaceShare(bar), s.start / content, 1.0 / kScrollRangeMax);
    }
    EXPECT_EQ(bar->value(), bar->maximum());
    f.w->OnVThumb(bar->maximum() / 2);
    EXPECT_NEAR(lanes.Scroll(), lanes.MaxScroll() / 2.0, content / kScrollRangeMax + 1);
}

// 1.2e10 samples (sparse): the thumb stays in the int range and follows views past 2^31.
TEST(PlotScrollBars, RecordingsBeyondTwoToTheThirtyOneSamples) {
    test::TempDir dir;
    const uint64_t samples = 12'000'000'000ULL;
    test::FloatFixture fx;
    fx.layout.channels = 1;
    fx.layout.rate = 48000.0;
    fx.samples = 0;
    const auto path = dir / "long.kvf";
    ASSERT_TRUE(test::WriteFloatFixture(path, fx));
    std::error_code ec;
    std::filesystem::resize_file(path, std::filesystem::file_size(path) + 4 * samples, ec);
    if (ec) GTEST_SKIP() << "no sparse file of 48 GB here";
    QString error;
    auto w = PlotWindow::CreateDetached(Q(path), &error);
    ASSERT_NE(w, nullptr) << error.toStdString();
    CPlotWnd* p = w->Plot();
    QScrollBar* bar = w->HScrollBar();
    p->m_hZoom = p->m_windowLengthCount - 3;
    p->m_hCenter = 7.5e9;
    p->Recompute();
    w->SyncScrollBar(0);
    ExpectThumbFollows(bar, *p);
    EXPECT_GE(bar->pageStep(), 1);
    w->HandleKey(Qt::Key_End, Qt::NoModifier);
    ExpectThumbFollows(bar, *p);
    w->OnHThumb(bar->maximum() / 4);
    EXPECT_NEAR(p->m_visibleStart, static_cast<double>(bar->maximum() / 4) / kScrollRangeMax * p->FullLength(), 1.0);
    ExpectThumbFollows(bar, *p);
}

// A press within four rows of a level cursor grabs it without Shift; farther away a press
// keeps its old meaning. Shift + double-click still places a level cursor.
TEST(PlotCursorGrab, LevelCursorsGrabbedWithinFourRowsWithoutShift) {
    Window f(1, 60000);
    ASSERT_NE(f.p, nullptr);
    CPlotWnd* p = f.p;
    QWidget* canvas = f.w->Canvas();
    const int x = (p->m_plotRect.left + p->m_plotRect.right) / 2;   // between the time cursors
    struct Case {
        int offset;
        bool grabbed;
    };
    for (const Case c : {Case{0, true}, Case{4, true}, Case{-4, true}, Case{5, false}, Case{-7, false}}) {
        SCOPED_TRACE(c.offset);
        f.w->OnFirstTimer();
        const int y0 = p->LevelCursor(1)->m_position;
        const float v0 = p->LevelCursor(1)->m_value;
        const int y = y0 + c.offset, to = y0 + 40;
        QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
        QMouseEvent move(QEvent::MouseMove, QPointF(x, to), canvas->mapToGlobal(QPointF(x, to)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(canvas, &move);
        QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, QPoint(x, to));
        if (c.grabbed) {
            EXPECT_EQ(p->LevelCursor(1)->m_position, to);
            EXPECT_FLOAT_EQ(p->LevelCursor(1)->m_value, static_cast<float>(p->Geometry().ValueAt(to)));
        } else {
            EXPECT_EQ(p->LevelCursor(1)->m_value, v0);
        }
        QTest::keyClick(canvas, Qt::Key_F);   // a zoom rectangle of the plain press, undone
    }
    // Between a time cursor and a level cursor the nearer line is taken.
    f.w->OnFirstTimer();
    const int tx = p->TimeCursor(1)->m_position, ly = p->LevelCursor(2)->m_position;
    EXPECT_EQ(p->PreLButtonDown(0, tx + 3, ly + 1), 4);
    EXPECT_EQ(p->PreLButtonDown(0, tx + 1, ly + 3), 1);
    p->PreLButtonUp(0, tx + 1, ly + 3);
    // Shift + double-click places the next level cursor where it is.
    const int place = (p->m_plotRect.top + p->m_plotRect.bottom) / 2 + 13;
    QTest::mouseDClick(canvas, Qt::LeftButton, Qt::ShiftModifier, QPoint(x, place));
    EXPECT_TRUE(p->LevelCursor(1)->m_position == place || p->LevelCursor(2)->m_position == place);
}
