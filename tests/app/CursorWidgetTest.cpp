#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>

#include <memory>

#include "plot/Cursors.h"
#include "plot/PlotWindow.h"
#include "plot/PlotWnd.h"
#include "core/recording/DataFile.h"
#include "core/view/CursorMath.h"
#include "support/Fixtures.h"

using namespace vistrel;

namespace {

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

class CursorWidget : public ::testing::Test {
protected:
    void SetUp() override {
        test::FloatFixture fx;
        fx.layout.channels = 2;
        fx.layout.rate = 1000.0;
        fx.samples = 20000;
        fx.value = [](uint64_t k, int c) { return c == 0 ? static_cast<float>(k % 1000) * 0.01f - 5.0f : 2.5f; };
        path = dir / "cursors.kvf";
        ASSERT_TRUE(test::WriteFloatFixture(path, fx));
        QString error;
        window = PlotWindow::CreateDetached(QString::fromStdString(path.string()), &error);
        ASSERT_TRUE(window) << error.toStdString();
        window->resize(1000, 600);
        window->show();
        window->LayoutChildren();
        Repaint();
        window->OnFirstTimer();
        Repaint();
        plot = window->Plot();
    }
    void TearDown() override { window.reset(); }

    void Repaint() {
        window->Canvas()->repaint();
        QCoreApplication::processEvents();
    }
    void Send(QEvent::Type type, QPoint pt, Qt::MouseButton button, Qt::MouseButtons buttons, bool shift) {
        QMouseEvent e(type, QPointF(pt), QPointF(window->Canvas()->mapToGlobal(pt)), button, buttons,
                      shift ? Qt::ShiftModifier : Qt::NoModifier);
        QCoreApplication::sendEvent(window->Canvas(), &e);
    }
    // Press on `from`, move to `to` with the button held, release there.
    void Drag(QPoint from, QPoint to, bool shiftPress, bool shiftRelease) {
        Send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, shiftPress);
        Send(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton, shiftPress);
        Send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, shiftRelease);
        Send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, shiftRelease);
        Repaint();
    }
    void DoubleClick(QPoint pt, bool shift) {
        Send(QEvent::MouseButtonDblClick, pt, Qt::LeftButton, Qt::LeftButton, shift);
        Send(QEvent::MouseButtonRelease, pt, Qt::LeftButton, Qt::NoButton, shift);
        Repaint();
    }
    int MidY() const { return (plot->m_plotRect.top + plot->m_plotRect.bottom) / 2; }
    int MidX() const { return (plot->m_plotRect.left + plot->m_plotRect.right) / 2; }

    test::TempDir dir;
    std::filesystem::path path;
    std::unique_ptr<PlotWindow> window;
    CPlotWnd* plot = nullptr;
};

} // namespace

TEST_F(CursorWidget, InitialPlacementAndReadOut) {
    ASSERT_TRUE(plot);
    const CursorGeometry g = plot->Geometry();
    const int W = g.right - g.left;
    // Dropped at client x = W / 3: the first column of the next sample.
    const uint64_t s0 = g.SampleAt(W / 3);
    EXPECT_EQ(plot->m_timeCursor1->m_sample, s0 + 1);
    // Once painted it stands on the column of its sample.
    EXPECT_EQ(plot->m_timeCursor1->m_position, g.ColumnOf(s0 + 1));
    EXPECT_EQ(plot->m_timeCursor2->m_sample, g.SampleAt(2 * W / 3) + 1);
    EXPECT_FLOAT_EQ(plot->m_timeCursor1->m_value,
                    static_cast<float>(plot->File()->SampleValue(plot->m_timeCursor1->m_sample, 0)));
    EXPECT_LT(plot->m_levelCursor1->m_position, plot->m_levelCursor2->m_position);
    const QString text = window->StatusText(1);
    EXPECT_TRUE(text.startsWith("Y1=")) << text.toStdString();
    EXPECT_TRUE(text.contains("F(Hz)=1000 T=20 Samples:20000x2")) << text.toStdString();
}

TEST_F(CursorWidget, DragAndDropEachCursor) {
    ASSERT_TRUE(plot);
    // Time cursor 1 without Shift: it lands on the first column of the next sample.
    const int x1 = plot->m_timeCursor1->m_position;
    Drag({x1, MidY()}, {x1 + 150, MidY() + 20}, false, false);
    const CursorGeometry g = plot->Geometry();
    EXPECT_EQ(plot->m_timeCursor1->m_sample, g.SampleAt(x1 + 150) + 1);
    EXPECT_EQ(plot->m_cursorDrag, 0);
    EXPECT_FALSE(plot->m_dragging);
    EXPECT_EQ(plot->m_zoomHistory.count, 0);  // no zoom happened

    // Time cursor 2.
    const int x2 = plot->m_timeCursor2->m_position;
    Drag({x2, MidY()}, {x2 - 40, MidY()}, false, false);
    EXPECT_EQ(plot->m_timeCursor2->m_sample, g.SampleAt(x2 - 40) + 1);

    // Level cursors with Shift: they take the value at the release row.
    const int y1 = plot->m_levelCursor1->m_position;
    Drag({MidX(), y1}, {MidX(), y1 + 30}, true, true);
    EXPECT_EQ(plot->m_levelCursor1->m_position, y1 + 30);
    EXPECT_FLOAT_EQ(plot->m_levelCursor1->m_value, static_cast<float>(g.ValueAt(y1 + 30)));
    const int y2 = plot->m_levelCursor2->m_position;
    Drag({MidX() + 50, y2}, {MidX() + 50, y2 - 10}, true, true);
    EXPECT_FLOAT_EQ(plot->m_levelCursor2->m_value, static_cast<float>(g.ValueAt(y2 - 10)));
    EXPECT_NEAR(plot->m_levelCursor2->m_position, y2 - 10, 1);

    // The read-out follows: dT of the two time cursors.
    const QString text = window->StatusText(1);
    EXPECT_TRUE(text.contains("dT=")) << text.toStdString();
}

TEST_F(CursorWidget, WrongShiftStateStartsRubberBand) {
    ASSERT_TRUE(plot);
    // Shift on a time cursor: not a cursor grab, the canvas starts a rubber band.
    const int x1 = plot->m_timeCursor1->m_position;
    const int y = plot->m_levelCursor1->m_position + 40;
    Send(QEvent::MouseButtonPress, {x1, y}, Qt::LeftButton, Qt::LeftButton, true);
    EXPECT_EQ(plot->m_cursorDrag, 0);
    EXPECT_TRUE(plot->m_dragging);
    Send(QEvent::MouseButtonRelease, {x1 + 2, y + 2}, Qt::LeftButton, Qt::NoButton, true);
    EXPECT_FALSE(plot->m_dragging);

    // No Shift on a level cursor: grabbed all the same; a few rows farther a rubber band.
    const int ly = plot->m_levelCursor2->m_position;
    Send(QEvent::MouseButtonPress, {MidX() + 7, ly}, Qt::LeftButton, Qt::LeftButton, false);
    EXPECT_EQ(plot->m_cursorDrag, 4);
    EXPECT_FALSE(plot->m_dragging);
    Send(QEvent::MouseButtonRelease, {MidX() + 7, ly}, Qt::LeftButton, Qt::NoButton, false);
    EXPECT_EQ(plot->m_levelCursor2->m_position, ly);
    Send(QEvent::MouseButtonPress, {MidX() + 7, ly + 12}, Qt::LeftButton, Qt::LeftButton, false);
    EXPECT_EQ(plot->m_cursorDrag, 0);
    EXPECT_TRUE(plot->m_dragging);
    Send(QEvent::MouseButtonRelease, {MidX() + 7, ly + 12}, Qt::LeftButton, Qt::NoButton, false);

    // A drag started without Shift and released with it leaves the cursor where the last move put it.
    const int x2 = plot->m_timeCursor2->m_position;
    Drag({x2, MidY()}, {x2 + 60, MidY()}, false, true);
    const CursorGeometry g = plot->Geometry();
    EXPECT_EQ(plot->m_timeCursor2->m_sample, g.LimitSample(g.SampleAt(x2 + 60) + 1));
    EXPECT_EQ(plot->m_cursorDrag, 0);
}

TEST_F(CursorWidget, DoubleClicksAlternate) {
    ASSERT_TRUE(plot);
    const CursorGeometry g = plot->Geometry();
    DoubleClick({g.left + 100, MidY()}, false);
    EXPECT_EQ(plot->m_timeCursor1->m_sample, g.SampleAt(g.left + 100) + 1);
    DoubleClick({g.left + 200, MidY()}, false);
    EXPECT_EQ(plot->m_timeCursor2->m_sample, g.SampleAt(g.left + 200) + 1);
    // The alternation is shared by both pairs: the next one moves level cursor 1.
    DoubleClick({MidX(), g.top + 50}, true);
    EXPECT_FLOAT_EQ(plot->m_levelCursor1->m_value, static_cast<float>(g.ValueAt(g.top + 50)));
    DoubleClick({MidX(), g.top + 80}, true);
    EXPECT_FLOAT_EQ(plot->m_levelCursor2->m_value, static_cast<float>(g.ValueAt(g.top + 80)));
    DoubleClick({g.left + 300, MidY()}, false);
    EXPECT_EQ(plot->m_timeCursor1->m_sample, g.SampleAt(g.left + 300) + 1);
}

TEST_F(CursorWidget, ResizeShowsStarUntilRepaintAndIdleWindowStaysIdle) {
    ASSERT_TRUE(plot);
    window->resize(900, 500);
    EXPECT_EQ(window->StatusText(1), "*");
    Repaint();
    EXPECT_TRUE(window->StatusText(1).startsWith("Y1="));

    // After a paint nothing asks for the next one.
    PaintCounter counter;
    window->Canvas()->installEventFilter(&counter);
    window->Canvas()->repaint();
    const int afterRepaint = counter.paints;
    EXPECT_EQ(afterRepaint, 1);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, afterRepaint);

    // Also after zooming in and scrolling (the scroll boxes are reported on every paint).
    plot->m_hZoom = std::min(3, plot->m_windowLengthCount - 1);
    plot->Recompute();
    window->OnHScroll(kScrollLineDown);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    const int settled = counter.paints;
    EXPECT_GE(settled, afterRepaint + 1);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, settled);
    window->Canvas()->removeEventFilter(&counter);
}

TEST_F(CursorWidget, MinMaxViewIsComputedInSlicesAndThenKept) {
    ASSERT_TRUE(plot);
    plot->m_minMaxMode = 1;
    window->Canvas()->repaint();
    QElapsedTimer t;
    t.start();
    auto done = [&] { return plot->m_cache->minMax && plot->MinMaxComplete(); };
    while (!done() && t.elapsed() < 10000) QCoreApplication::processEvents();
    ASSERT_TRUE(done());
    // Columns of every group: its random sample, its minimum and its maximum.
    const auto& p = plot->m_plotRect;
    int flagged = 0;
    const int right = plot->m_cache->rightLimit;
    EXPECT_GT(right, p.left + 100);
    for (int c = p.left; c + 2 < right; c += 3) {
        flagged += plot->m_cache->flags[c] && plot->m_cache->flags[c + 1] && plot->m_cache->flags[c + 2];
        EXPECT_LE(plot->m_cache->values[c + 1][0], plot->m_cache->values[c + 2][0]);
    }
    EXPECT_GE(flagged, (right - p.left) / 3 - 1);
    // Repaints keep it while the view stays.
    Repaint();
    EXPECT_TRUE(plot->m_cache->flags[p.left + 2]);
    EXPECT_TRUE(plot->m_cache->flags[p.left]);   // the first group starts at the left edge
}
