// Reading a recording from the keyboard and the wheel, the lasting min-max view, the legend,
// the value scale and the read-out of a plot window.
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "plot/Cursors.h"
#include "core/recording/DataFile.h"
#include "plot/PlotWindow.h"
#include "shell/UiUtils.h"
#include "support/Fixtures.h"

using namespace vistrel;

namespace {

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// 3 channels at 48 kHz, 10 s: a ramp with spikes, a sine, noise-like steps. Channel ranges
// differ (±10, 0..1000, ±0.5) so that the scales of the channels differ.
std::filesystem::path WriteRecording(const test::TempDir& dir, const std::string& name, double rate = 48000.0,
                                     uint64_t samples = 480000) {
    test::FloatFixture f;
    f.layout.channels = 3;
    f.layout.rate = rate;
    f.layout.entries = {{1, -10.0, 10.0}, {2, 0.0, 1000.0}, {3, -0.5, 0.5}};
    f.samples = samples;
    f.value = [](uint64_t k, int c) {
        switch (c) {
        case 0: return static_cast<float>(k % 9001) / 900.0f - 5.0f + (k % 7919 == 3 ? 4.0f : 0.0f);
        case 1: return 500.0f + 400.0f * static_cast<float>(std::sin(static_cast<double>(k) / 3000.0));
        default: return static_cast<float>((k * 2654435761u) % 1000) / 1000.0f - 0.5f;
        }
    };
    f.fileTime = test::UtcFileTime(2023, 2, 1, 10, 0, 0);
    const auto path = dir / name;
    EXPECT_TRUE(test::WriteFloatFixture(path, f));
    return path;
}

template <typename F>
bool WaitFor(F&& done, int ms = 20000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

void Wheel(QWidget* target, int delta, Qt::KeyboardModifiers modifiers, QPointF at = QPointF(50, 50)) {
    QWheelEvent e(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                  Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(target, &e);
}

struct Silent {
    Silent() {
        SetMessageBoxAnswerer([](BoxKind, const QString&, const QString&) { return false; });
    }
    ~Silent() { SetMessageBoxAnswerer({}); }
};

// A plot window in an MDI area, painted once.
struct Window {
    test::TempDir dir;
    QMdiArea area;
    Silent silent;
    PlotWindow* w = nullptr;
    CPlotWnd* p = nullptr;
    explicit Window(double rate = 48000.0, uint64_t samples = 480000) {
        area.resize(1400, 1000);
        area.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&area));
        w = PlotWindow::Create(&area, Q(WriteRecording(dir, "nav.kvf", rate, samples)));
        if (!w) return;
        w->SubWindow()->resize(1200, 800);
        p = w->Plot();
        w->Canvas()->repaint();
    }
    void Key(int key, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(w->Canvas(), static_cast<Qt::Key>(key), m); }
    double Division() const { return p->WindowLength() / p->m_hDivisions; }
    // A thumb position whose view starts two and a half divisions in: between divisions.
    int HalfDivisionThumb() const {
        return static_cast<int>(std::lround((p->WindowLength() / 2 + 2.5 * Division()) / p->FullLength() * 65535));
    }
};

} // namespace

TEST(PlotKeys, ArrowsPagesHomeEndAndVerticalKeysMoveTheView) {
    Window f;
    ASSERT_NE(f.p, nullptr);
    CPlotWnd* p = f.p;
    const double L0 = p->FullLength();
    // At the whole range the horizontal keys have nothing to move.
    f.Key(Qt::Key_Right);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, 0);
    // In until three pages and a bit fit in the recording; each + is one step of the table.
    for (int i = 1; 4 * p->WindowLength() >= L0; ++i) {
        f.Key(Qt::Key_Plus);
        ASSERT_EQ(p->m_hZoom, i);
    }
    f.Key(Qt::Key_Home);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, 0);
    const double L = p->WindowLength();
    ASSERT_LT(3 * L, L0);
    f.Key(Qt::Key_Right);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, L / 6);
    f.Key(Qt::Key_PageDown);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, L / 6 + L);
    f.Key(Qt::Key_Left);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, L);
    f.Key(Qt::Key_PageUp);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, 0);
    f.Key(Qt::Key_End);
    EXPECT_DOUBLE_EQ(p->m_visibleEnd, L0);
    EXPECT_EQ(f.w->HScrollBar()->value(), f.w->HScrollBar()->maximum());   // the thumb at the end
    f.Key(Qt::Key_Home);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, 0);

    // Up and down scroll the values only; a view between divisions stays where it is.
    p->m_vZoom = 3;
    p->Recompute();
    f.w->OnHScroll(kScrollThumbPosition, f.HalfDivisionThumb());
    const double start = p->m_visibleStart;
    ASSERT_GT(std::fabs(std::remainder(start, f.Division())), 1.0);
    const double vc = p->m_vCenter;
    f.Key(Qt::Key_Down);
    EXPECT_LT(p->m_vCenter, vc);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, start);
    f.Key(Qt::Key_Up);
    EXPECT_NEAR(p->m_vCenter, vc, 1e-9);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, start);
    // The vertical thumb: the top of the view's share of the value range.
    EXPECT_EQ(f.w->VScrollBar()->value(),
              std::lround((1000.0 - p->m_vCenter - 500.0 / p->VZoomFactor()) / 1000.0 * 65535));
}

TEST(PlotKeys, ZoomKeysWholeRecordingAndZoomBack) {
    Window f;
    ASSERT_NE(f.p, nullptr);
    CPlotWnd* p = f.p;
    const int history = p->m_zoomHistory.count;
    f.Key(Qt::Key_Plus);
    f.Key(Qt::Key_Equal);   // + without Shift on most layouts
    f.Key(Qt::Key_Plus, Qt::KeypadModifier);
    ASSERT_EQ(p->m_hZoom, 3);
    EXPECT_EQ(p->m_zoomHistory.count, history + 3);
    const double centre = p->m_hCenter;
    // Out keeps the middle of the view as far as the recording allows.
    f.Key(Qt::Key_Minus);
    EXPECT_EQ(p->m_hZoom, 2);
    EXPECT_NEAR(p->m_hCenter, centre, 1e-6);
    // F shows the whole recording; Backspace brings back the view before it, then the steps in.
    f.Key(Qt::Key_F);
    EXPECT_EQ(p->m_hZoom, 0);
    EXPECT_DOUBLE_EQ(p->m_visibleEnd, p->FullLength());
    f.Key(Qt::Key_Backspace);
    EXPECT_EQ(p->m_hZoom, 2);
    f.Key(Qt::Key_Backspace);
    EXPECT_EQ(p->m_hZoom, 2);   // the view before the third step in
    f.Key(Qt::Key_Backspace);
    EXPECT_EQ(p->m_hZoom, 1);
    // Keys with Ctrl or Alt are left to the menus.
    EXPECT_FALSE(f.w->HandleKey(Qt::Key_F, Qt::ControlModifier));
    EXPECT_FALSE(f.w->HandleKey(Qt::Key_Right, Qt::AltModifier));
}

TEST(PlotKeys, CtrlWheelZoomsAroundTheMouseAndShiftWheelScrollsOnlyVertically) {
    Window f(44100.0, 441000);
    ASSERT_NE(f.p, nullptr);
    CPlotWnd* p = f.p;
    const CanvasRect r = p->m_plotRect;
    const int x = r.left + (r.right - r.left) / 5;
    auto sampleAt = [&](int column) {
        return p->m_visibleStart + static_cast<double>(column - r.left) / (r.right - r.left) * p->WindowLength();
    };
    const double anchored = sampleAt(x);
    Wheel(f.w->Canvas(), 120, Qt::ControlModifier, QPointF(x, 100));
    EXPECT_EQ(p->m_hZoom, 1);
    Wheel(f.w->Canvas(), 240, Qt::ControlModifier, QPointF(x, 100));
    EXPECT_EQ(p->m_hZoom, 3);
    EXPECT_NEAR(sampleAt(x), anchored, 1e-6);
    Wheel(f.w->Canvas(), -120, Qt::ControlModifier, QPointF(x, 100));
    EXPECT_EQ(p->m_hZoom, 2);
    EXPECT_NEAR(sampleAt(x), anchored, 1e-6);
    // A view between divisions stays so through Shift+wheel.
    p->m_vZoom = 2;
    p->Recompute();
    f.w->OnHScroll(kScrollThumbPosition, f.HalfDivisionThumb());
    const double scrolled = p->m_visibleStart;
    ASSERT_GT(std::fabs(std::remainder(scrolled, f.Division())), 1.0);
    const double vc = p->m_vCenter;
    Wheel(f.w->Canvas(), -120, Qt::ShiftModifier);
    EXPECT_LT(p->m_vCenter, vc);
    EXPECT_DOUBLE_EQ(p->m_visibleStart, scrolled);
}

namespace {

// The min-max groups of the plot's cache against a plain scan of the recording.
void ExpectGroupsHoldTheirExtremes(PlotWindow* w) {
    CPlotWnd* p = w->Plot();
    const CColumnCache& cache = *p->m_cache;
    ASSERT_TRUE(cache.minMax);
    TraceView v;
    v.x0 = p->m_plotRect.left;
    v.x1 = p->m_plotRect.right;
    v.F = p->m_visibleStart;
    v.L = p->m_visibleEnd;
    ASSERT_EQ(cache.viewF, v.F);
    ASSERT_EQ(cache.viewL, v.L);
    const uint64_t N = static_cast<uint64_t>(w->File()->Samples());
    int groups = 0;
    for (int c = cache.groupStart; c + 3 <= cache.rightLimit; c += 3) {
        const uint64_t a = static_cast<uint64_t>(ColumnSample(v, c));
        const uint64_t b = std::min<uint64_t>(static_cast<uint64_t>(ColumnSample(v, c + 3)), N);
        if (a >= b) continue;
        ASSERT_TRUE(cache.flags[c] && cache.flags[c + 1] && cache.flags[c + 2]) << c;
        for (int ch = 0; ch < 3; ++ch) {
            float lo = static_cast<float>(w->File()->SampleValue(a, ch)), hi = lo;
            for (uint64_t k = a; k < b; ++k) {
                const float s = static_cast<float>(w->File()->SampleValue(k, ch));
                lo = std::min(lo, s);
                hi = std::max(hi, s);
            }
            EXPECT_EQ(cache.values[c + 1][ch], lo) << "group " << c << " channel " << ch;
            EXPECT_EQ(cache.values[c + 2][ch], hi) << "group " << c << " channel " << ch;
        }
        ++groups;
    }
    EXPECT_GT(groups, (cache.rightLimit - cache.groupStart) / 3 - 2);
    EXPECT_GT(groups, 100);
}

} // namespace

TEST(PlotMinMaxMode, LastsThroughScrollAndZoomAndKeepsEachGroupsExtremes) {
    Window f;
    ASSERT_NE(f.p, nullptr);
    CPlotWnd* p = f.p;
    PlotWindow* w = f.w;
    auto complete = [&] {
        w->Canvas()->repaint();
        return p->m_cache->minMax && p->MinMaxComplete();
    };
    ASSERT_TRUE(WaitFor([&] { return p->m_summaryBuilder.Ready(); }));
    p->m_minMaxMode = 1;
    f.Key(Qt::Key_Plus);
    ASSERT_TRUE(WaitFor(complete));
    EXPECT_TRUE(p->m_summarized.HasSummaries());   // drawn from the summaries once they came
    ExpectGroupsHoldTheirExtremes(w);

    f.Key(Qt::Key_Right);
    ASSERT_TRUE(WaitFor(complete));
    ExpectGroupsHoldTheirExtremes(w);
    f.Key(Qt::Key_Plus);
    ASSERT_TRUE(WaitFor(complete));
    ExpectGroupsHoldTheirExtremes(w);
    f.Key(Qt::Key_Down);
    ASSERT_TRUE(WaitFor(complete));
    EXPECT_EQ(p->m_minMaxMode, 1);

    // The band: every column of a group is covered from its minimum to its maximum.
    p->m_channelShown[1] = p->m_channelShown[2] = 0;
    p->m_cache->Invalidate();
    ASSERT_TRUE(WaitFor(complete));
    const QImage image = w->Canvas()->grab().toImage();
    const CColumnCache& cache = *p->m_cache;
    const CanvasRect& r = p->m_plotRect;
    const double T = p->m_valueTop[p->m_selectedChannel], B = p->m_valueBottom[p->m_selectedChannel];
    auto nearCursor = [&](int x, int y) {
        for (int n : {1, 2})
            if (std::abs(x - p->TimeCursor(n)->m_position) < 14 || std::abs(y - p->LevelCursor(n)->m_position) < 14)
                return true;
        return false;
    };
    int checked = 0;
    for (int g = 12;; g += 7) {
        const int c = cache.groupStart + 3 * g;
        if (c + 3 > std::min(cache.rightLimit, r.right - 40)) break;
        const int y0 = std::max(r.top + 30, ValueRow(cache.values[c + 2][0], r.bottom, r.bottom - r.top, T, B));
        const int y1 = std::min(r.bottom - 30, ValueRow(cache.values[c + 1][0], r.bottom, r.bottom - r.top, T, B));
        for (int x = c; x < c + 3; ++x)
            for (int y = y0; y <= y1; ++y)
                if (!nearCursor(x, y))
                    ASSERT_EQ(image.pixelColor(x, y), ColorFromRef(p->m_penColors[0])) << x << "," << y;
        ++checked;
    }
    EXPECT_GT(checked, 10);

    // Off again (and the envelope of dense views off): the column pass on the next paint.
    p->m_minMaxMode = 0;
    p->SetEnvelopeDense(false);
    w->Canvas()->repaint();
    EXPECT_FALSE(p->m_cache->minMax);
}

TEST(PlotMinMaxMode, WithoutSummariesShowsTheColumnPassThenFillsIn) {
    Window f(48000.0, 2400000);
    ASSERT_NE(f.p, nullptr);
    CPlotWnd* p = f.p;
    // Summaries being built: the column pass is shown meanwhile; once ready the window repaints
    // by itself and the min-max view appears.
    p->m_summaryBuilder.Stop();
    p->StartSummaries();
    p->m_minMaxMode = 1;
    const bool pending = p->SummariesPending();
    f.w->Canvas()->repaint();
    if (pending) EXPECT_FALSE(p->m_cache->minMax);
    ASSERT_TRUE(WaitFor([&] { return p->m_cache->minMax && p->MinMaxComplete(); }));   // no repaint asked here
}

TEST(PlotLegend, RowsPerShownChannelAndAClickSelectsTheChannel) {
    Window f;
    ASSERT_NE(f.p, nullptr);
    CPlotWnd* p = f.p;
    PlotWindow* w = f.w;
    EXPECT_FALSE(w->LegendShown());
    p->m_channelShown[1] = 0;
    w->SetLegendShown(true);
    QListWidget* legend = w->Legend();
    ASSERT_TRUE(legend->isVisible());
    ASSERT_EQ(legend->count(), 2);
    EXPECT_TRUE(legend->item(1)->text().contains(QStringLiteral("3")));
    EXPECT_TRUE(legend->item(1)->text().contains(QStringLiteral("-0.5")));
    EXPECT_TRUE(legend->item(1)->text().contains(QStringLiteral("0.5")));
    EXPECT_LE(w->Canvas()->geometry().right(), legend->geometry().left());

    // Level cursors placed; channel 3 (range ±0.5) chosen from the legend.
    f.w->OnFirstTimer();
    const int row1 = p->LevelCursor(1)->m_position;
    const int row2 = p->LevelCursor(2)->m_position;
    QTest::mouseClick(legend->viewport(), Qt::LeftButton, Qt::NoModifier,
                      legend->visualItemRect(legend->item(1)).center());
    EXPECT_EQ(p->m_selectedChannel, 2);
    // The level cursors stay where they were, inside the plot, with values of the new scale.
    for (int n : {1, 2}) {
        const CLevelCursor* c = p->LevelCursor(n);
        EXPECT_EQ(c->m_position, n == 1 ? row1 : row2);
        EXPECT_GE(c->m_value, -0.5f);
        EXPECT_LE(c->m_value, 0.5f);
    }
    w->Canvas()->repaint();
    for (int n : {1, 2}) {
        EXPECT_GT(p->LevelCursor(n)->m_position, p->m_plotRect.top);
        EXPECT_LT(p->LevelCursor(n)->m_position, p->m_plotRect.bottom);
    }
    // The selected row is bold; hiding a channel takes its row away on the next paint.
    EXPECT_TRUE(legend->item(1)->font().bold());
    p->m_channelShown[1] = 1;
    w->Canvas()->repaint();
    EXPECT_EQ(legend->count(), 3);
    w->SetLegendShown(false);
    EXPECT_FALSE(legend->isVisible());
}

TEST(PlotScale, UprightInTheTextColourWithTheChannelsMark) {
    Window f;
    ASSERT_NE(f.p, nullptr);
    CPlotWnd* p = f.p;
    p->SetChannelColour(1, 0x0000FF, 1);   // red
    p->SetSelectedChannel(1);
    f.w->Canvas()->repaint();
    const QImage image = f.w->Canvas()->grab().toImage();
    const CanvasRect& r = p->m_plotRect;
    // The scale's texts fit beside the plot: "1000" is the widest.
    EXPECT_GE(r.left, QFontMetrics(p->m_scaleFont).horizontalAdvance(QStringLiteral("1000")));
    EXPECT_GE(p->m_scaleFont.pixelSize(), 12);
    int red = 0, dark = 0;
    const int mark = p->ScaleMarkSize();
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = 0; x < r.left - 1; ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 60 && c.blue() < 60) ++red;
            if (c.red() < 140 && c.green() < 140 && c.blue() < 140) ++dark;
        }
    EXPECT_EQ(red, 0);      // no text in the trace colour
    EXPECT_GT(dark, 30);    // the texts in the text colour
    // The mark above the scale has the channel's colour.
    const QColor m = image.pixelColor(2 + mark / 2, r.top - 2 - mark / 2);
    EXPECT_EQ(m, QColor(255, 0, 0));
}

TEST(PlotReadOut, StatusShowsWhatFitsTooltipAndClipboardHoldTheWholeLine) {
    Window f;
    ASSERT_NE(f.p, nullptr);
    f.w->SubWindow()->resize(420, 400);
    f.w->OnFirstTimer();
    f.w->Canvas()->repaint();
    const QString full = f.w->StatusText(1);
    ASSERT_GT(full.size(), 40);
    QLabel* label = f.w->ReadOutLabel();
    EXPECT_EQ(label->toolTip(), full);
    EXPECT_LT(label->text().size(), full.size());
    EXPECT_TRUE(label->text().endsWith(QChar(0x2026)));
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), f.w->StatusBar()->width());
    QGuiApplication::clipboard()->clear();
    f.Key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), full);
    // A wider window shows more of it.
    const int narrow = label->text().size();
    f.w->SubWindow()->resize(1300, 400);
    f.w->Canvas()->repaint();
    EXPECT_GT(label->text().size(), narrow);
}
