// The statistics dock: it follows the time cursors while one is dragged, computes the crossing
// frequency off the interface thread after the drag, describes the visible range on its second
// tab, copies a tab as tab-separated text, and is reached through View > Statistics.
#include <QApplication>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "ShellTestSupport.h"
#include "core/recording/DataFile.h"
#include "plot/Cursors.h"
#include "plot/PlotWindow.h"
#include "plot/StatisticsDock.h"
#include "shell/PlotLink.h"

using namespace vistrel;

namespace {

constexpr uint64_t kSamples = 20000;

// Channel 1: a sawtooth of period 1000 (one upward mean crossing per period, 1 Hz at 1 kHz);
// channel 2: constant; channel 3: NaN in every seventh sample, else the sample number.
float Sample(uint64_t k, int c) {
    if (c == 0) return static_cast<float>(k % 1000) * 0.01f - 5.0f;
    if (c == 1) return 2.5f;
    return k % 7 == 0 ? std::numeric_limits<float>::quiet_NaN() : static_cast<float>(k);
}

template <typename F>
bool WaitFor(F&& done, int ms = 20000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class StatisticsDockTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(env.Start());   // the program's English texts
        test::FloatFixture fx;
        fx.layout.channels = 3;
        fx.layout.rate = 1000.0;
        fx.samples = kSamples;
        fx.value = Sample;
        const auto path = dir / "stats.kvf";
        ASSERT_TRUE(test::WriteFloatFixture(path, fx));
        QString error;
        window = PlotWindow::CreateDetached(QString::fromStdString(path.string()), &error);
        ASSERT_TRUE(window) << error.toStdString();
        window->resize(1000, 600);
        window->show();
        window->LayoutChildren();
        window->Canvas()->repaint();
        window->OnFirstTimer();
        window->Canvas()->repaint();
        plot = window->Plot();
        dock = std::make_unique<StatisticsDock>();
        dock->SetWindow(window.get());
        dock->resize(900, 300);
        dock->show();
    }
    void TearDown() override {
        dock.reset();
        window.reset();
    }
    void Send(QEvent::Type type, QPoint pt, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(pt), QPointF(window->Canvas()->mapToGlobal(pt)), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(window->Canvas(), &e);
    }
    QString Cell(int tab, int row, int column) const {
        const QTableWidgetItem* item = dock->Table(tab)->item(row, column);
        return item ? item->text() : QStringLiteral("<none>");
    }
    // The cursors' tab against a scan of the samples between the cursors.
    void ExpectCursorsRow(int row, int channel) {
        const uint64_t c1 = plot->m_timeCursor1->m_sample, c2 = plot->m_timeCursor2->m_sample;
        const uint64_t a = std::min(c1, c2), b = std::max(c1, c2);
        ASSERT_EQ(dock->Range(StatisticsDock::kCursors), std::make_pair(a, b));
        long double mn = INFINITY, mx = -INFINITY, sum = 0;
        uint64_t count = 0, mnAt = a;
        for (uint64_t k = a; k < b; ++k) {
            const float v = Sample(k, channel);
            if (std::isnan(v)) continue;
            ++count, sum += v;
            if (v < mn) mn = v, mnAt = k;
            mx = std::max<long double>(mx, v);
        }
        EXPECT_EQ(Cell(0, row, 1), QString::number(count)) << row;
        EXPECT_EQ(Cell(0, row, 2), QString::number(b - a - count)) << row;
        EXPECT_EQ(Cell(0, row, 3), QString::number(static_cast<double>(mn), 'g', 10)) << row;
        EXPECT_EQ(Cell(0, row, 4), QString::number(mnAt)) << row;
        EXPECT_EQ(Cell(0, row, 5), QString::number(static_cast<double>(mx), 'g', 10)) << row;
        EXPECT_EQ(Cell(0, row, 7), QString::number(static_cast<double>(sum / count), 'g', 10)) << row;
    }

    test::ShellEnv env;
    test::TempDir dir;
    std::unique_ptr<PlotWindow> window;
    std::unique_ptr<StatisticsDock> dock;
    CPlotWnd* plot = nullptr;
};

} // namespace

TEST_F(StatisticsDockTest, FollowsTheCursorsWhileDraggedAndScansAfterwards) {
    ASSERT_TRUE(plot);
    ASSERT_EQ(dock->Table(0)->rowCount(), 3);
    ExpectCursorsRow(0, 0);
    ExpectCursorsRow(2, 2);
    // The frequency is computed behind the interface: "…" first, then 1 Hz.
    ASSERT_TRUE(WaitFor([&] { return !dock->FrequencyPending(); }));
    EXPECT_EQ(Cell(0, 0, 12), QStringLiteral("1"));
    EXPECT_EQ(Cell(0, 1, 12), QString());   // a constant never crosses its mean

    // Drag the first cursor to the right; while the button is held the quick values follow.
    const int y = (plot->m_plotRect.top + plot->m_plotRect.bottom) / 2;
    const int x = plot->m_timeCursor1->m_position;
    Send(QEvent::MouseButtonPress, {x, y}, Qt::LeftButton, Qt::LeftButton);
    Send(QEvent::MouseMove, {x + 40, y}, Qt::NoButton, Qt::LeftButton);
    Send(QEvent::MouseMove, {x + 80, y}, Qt::NoButton, Qt::LeftButton);
    ASSERT_NE(plot->m_cursorDrag, 0);
    ExpectCursorsRow(0, 0);
    ExpectCursorsRow(2, 2);
    EXPECT_EQ(Cell(0, 0, 12), QStringLiteral("…"));
    Send(QEvent::MouseButtonRelease, {x + 80, y}, Qt::LeftButton, Qt::NoButton);
    window->Canvas()->repaint();
    ASSERT_TRUE(WaitFor([&] { return !dock->FrequencyPending(); }));
    ExpectCursorsRow(0, 0);
    EXPECT_EQ(Cell(0, 0, 12), QStringLiteral("1"));

    // The second tab: the visible range, here the whole recording.
    const auto visible = dock->Range(StatisticsDock::kVisible);
    EXPECT_EQ(visible.first, static_cast<uint64_t>(std::floor(plot->m_visibleStart)));
    EXPECT_EQ(visible.second, std::min<uint64_t>(kSamples, static_cast<uint64_t>(std::ceil(plot->m_visibleEnd))));
    EXPECT_EQ(Cell(1, 1, 3), QStringLiteral("2.5"));
    EXPECT_EQ(Cell(1, 0, 12), QStringLiteral("1"));

    // A hidden channel leaves the table.
    plot->m_channelShown[1] = 0;
    dock->Refresh();
    ASSERT_EQ(dock->Table(0)->rowCount(), 2);
    EXPECT_EQ(dock->Table(0)->item(1, 0)->data(Qt::UserRole).toInt(), 2);
}

TEST_F(StatisticsDockTest, CopyPutsTheTabOnTheClipboardAsTabSeparatedText) {
    ASSERT_TRUE(plot);
    ASSERT_TRUE(WaitFor([&] { return !dock->FrequencyPending(); }));
    QApplication::clipboard()->clear();
    dock->Tabs()->setCurrentIndex(StatisticsDock::kVisible);
    dock->CopyButton()->click();
    const QString text = QApplication::clipboard()->text();
    EXPECT_EQ(text, dock->TableText(StatisticsDock::kVisible));
    const QStringList lines = text.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 5);   // header, three channels, and the empty piece after the last LF
    EXPECT_EQ(lines[0], QStringLiteral("Channel\tCount\tNon-finite\tMinimum\tMinimum at\tMaximum\tMaximum at\tMean\t"
                                       "RMS\tStd. deviation\tPeak-to-peak\tMean of |x|\tFrequency, Hz"));
    EXPECT_TRUE(lines[4].isEmpty());
    // Constant channel 2 over the whole recording: every value known exactly.
    const QStringList two = lines[2].split(QLatin1Char('\t'));
    ASSERT_EQ(two.size(), 13);
    EXPECT_EQ(two.mid(1), (QStringList{QString::number(kSamples), "0", "2.5", "0", "2.5", "0", "2.5", "2.5", "0",
                                       "0", "2.5", ""}));
    // Ctrl+C in the table does the same for the current tab.
    dock->Tabs()->setCurrentIndex(StatisticsDock::kCursors);
    QApplication::clipboard()->clear();
    dock->activateWindow();
    dock->Table(0)->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dock.get()));
    QTest::keyClick(dock->Table(0), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), dock->TableText(StatisticsDock::kCursors));
}

// View > Statistics shows the dock for the active window, in the frame's language.
TEST(StatisticsDockFrame, CommandShowsTheDockForTheActiveWindowInBothLanguages) {
    for (int lang : {1033, 1049}) {
        test::ShellEnv env;
        ASSERT_TRUE(env.Start({}, lang));
        CMainFrame* f = env.Frame();
        test::FloatFixture fx;
        fx.layout.channels = 2;
        fx.samples = 5000;
        const QString path = env.File(QStringLiteral("a.kvf"));
        ASSERT_TRUE(test::WriteFloatFixture(path.toStdString(), fx));
        QMdiSubWindow* w = f->OpenPath(path);
        ASSERT_NE(w, nullptr);
        auto* dock = f->findChild<StatisticsDock*>();
        ASSERT_NE(dock, nullptr);
        EXPECT_TRUE(dock->isHidden());
        f->OnCommand(cmd::Statistics);
        EXPECT_FALSE(dock->isHidden());
        EXPECT_TRUE(f->Action(cmd::Statistics)->isChecked());
        EXPECT_EQ(dock->Window(), qobject_cast<PlotWindow*>(w->widget()));
        EXPECT_EQ(dock->windowTitle(), lang == 1033 ? QStringLiteral("Statistics") : QStringLiteral("Статистика"));
        EXPECT_EQ(dock->Tabs()->tabText(1), lang == 1033 ? QStringLiteral("Visible range") : QStringLiteral("Видимый интервал"));
        EXPECT_EQ(f->Action(cmd::Statistics)->text(), lang == 1033 ? QStringLiteral("&Statistics") : QStringLiteral("С&татистика"));
        // Closing the window while the dock shows it leaves the dock empty, not reading a closed file.
        f->OnCommand(cmd::Close);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        EXPECT_EQ(dock->Window(), nullptr);
        f->OnCommand(cmd::Statistics);
        EXPECT_TRUE(dock->isHidden());
        EXPECT_FALSE(f->Action(cmd::Statistics)->isChecked());
    }
}

// F3 / Shift+F3 step time cursor 1 through the upward crossings of level cursor 1 by the
// selected channel (the sawtooth), moving the view when the crossing lies outside it; the
// read-out names the next one.
TEST_F(StatisticsDockTest, F3StepsTimeCursor1ThroughTheLevelCrossings) {
    ASSERT_TRUE(plot);
    plot->m_selectedChannel = 0;
    plot->m_levelCursor1->m_value = 1.234f;
    // The oracle: the sawtooth rises through the level once per period.
    auto next = [](uint64_t after, bool forward) -> int64_t {
        const float level = 1.234f;
        if (forward) {
            for (uint64_t k = after + 1; k < kSamples; ++k)
                if (k > 0 && Sample(k - 1, 0) < level && Sample(k, 0) >= level) return static_cast<int64_t>(k);
        } else {
            for (uint64_t k = after; k-- > 1;)
                if (Sample(k - 1, 0) < level && Sample(k, 0) >= level) return static_cast<int64_t>(k);
        }
        return -1;
    };
    for (int i = 0; i < 4; ++i) window->ZoomStep(1);   // a view shorter than a period or two
    window->Canvas()->repaint();
    uint64_t s = plot->m_timeCursor1->m_sample;
    for (const bool forward : {true, true, true, false, false}) {
        const int64_t want = next(s, forward);
        ASSERT_GE(want, 0);
        window->HandleKey(Qt::Key_F3, forward ? Qt::NoModifier : Qt::ShiftModifier);
        s = plot->m_timeCursor1->m_sample;
        EXPECT_EQ(static_cast<int64_t>(s), want) << forward;
        EXPECT_LE(plot->m_visibleStart, static_cast<double>(s));
        EXPECT_GT(plot->m_visibleEnd, static_cast<double>(s));
        EXPECT_TRUE(window->StatusText(1).contains(QStringLiteral(" X1="))) << window->StatusText(1).toStdString();
    }
    // No crossing before the first one: nothing moves.
    plot->m_timeCursor1->m_sample = 100;
    window->HandleKey(Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(plot->m_timeCursor1->m_sample, 100u);
}

// Hiding the dock stops a scan; showing it again finishes the frequency.
TEST_F(StatisticsDockTest, HiddenWhileScanningFinishesWhenShownAgain) {
    ASSERT_TRUE(plot);
    ASSERT_TRUE(dock->FrequencyPending());
    dock->hide();
    dock->show();
    ASSERT_TRUE(WaitFor([&] { return !dock->FrequencyPending(); }, 5000));
    EXPECT_EQ(Cell(0, 0, 12), QStringLiteral("1"));
}
