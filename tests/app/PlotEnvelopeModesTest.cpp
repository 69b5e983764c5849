// Settings > Envelope when dense, and the window's own modes kept per user across sessions.
#include "ShellTestSupport.h"

#include <QDeadlineTimer>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "core/recording/DataFile.h"
#include "plot/PlotWindow.h"
#include "shell/UserSettings.h"
#include "support/Fixtures.h"

using namespace vistrel;

namespace {

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// Identical bursts, each a few columns wide at the whole view: a column pass takes one sample
// per column and draws them differently; the envelope draws each burst whole.
std::filesystem::path WriteBursts(const std::filesystem::path& path, int channels = 2) {
    test::FloatFixture f;
    f.layout.channels = channels;
    f.layout.rate = 10000.0;
    f.samples = 400000;
    f.value = [](uint64_t k, int c) {
        const uint64_t phase = k % 20000;
        return phase < 1500 ? static_cast<float>(std::sin(static_cast<double>(phase) * 0.9) * (c + 1) * 0.4) : 0.0f;
    };
    EXPECT_TRUE(test::WriteFloatFixture(path, f));
    return path;
}

template <typename F>
bool WaitFor(F&& done, int ms = 20000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

struct Area {
    QMdiArea area;
    Area() {
        SetMessageBoxAnswerer([](BoxKind, const QString&, const QString&) { return false; });
        area.resize(1300, 900);
        area.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&area));
    }
    ~Area() { SetMessageBoxAnswerer({}); }
    PlotWindow* Open(const QString& path) {
        PlotWindow* w = PlotWindow::Create(&area, path);
        if (!w) return nullptr;
        w->SubWindow()->resize(1100, 700);
        w->Canvas()->repaint();
        return w;
    }
};

QImage Grab(PlotWindow* w) { return w->Canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

PlotWindow* PlotOf(QMdiSubWindow* sub) { return sub ? qobject_cast<PlotWindow*>(sub->widget()) : nullptr; }

} // namespace

TEST(PlotEnvelopeDense, DenseViewsDrawTheEnvelopeOnceTheSummariesAreReady) {
    OpenUserSettings()->remove(QStringLiteral("view/envelopeDense"));
    test::TempDir dir;
    const QString path = Q(WriteBursts(dir / "bursts.kvf"));
    Area a;
    EXPECT_TRUE(PlotWindow::EnvelopeDenseSetting());   // on when never set

    // Off: the view of today, picture for picture.
    PlotWindow::SetEnvelopeDenseSetting(false);
    PlotWindow* off = a.Open(path);
    ASSERT_NE(off, nullptr);
    off->OnFirstTimer();
    CPlotWnd* p0 = off->Plot();
    p0->StartSummaries();
    ASSERT_TRUE(p0->WaitForSummaries());
    off->Canvas()->repaint();
    EXPECT_FALSE(p0->EnvelopeDense());
    EXPECT_FALSE(p0->m_cache->minMax);
    const QImage columnPass = Grab(off);

    // On, as stored for the user: the column pass until the summaries are ready, then the
    // envelope of the same columns the min-max mode draws.
    PlotWindow::SetEnvelopeDenseSetting(true);
    PlotWindow* on = a.Open(path);
    ASSERT_NE(on, nullptr);
    on->OnFirstTimer();
    CPlotWnd* p = on->Plot();
    EXPECT_TRUE(p->EnvelopeDense());
    struct Case {
        const char* what;
        bool summaries, envelope, minMaxMode;
    };
    for (const Case c : {Case{"no summaries yet", false, true, false}, Case{"summaries, setting on", true, true, false},
                         Case{"summaries, setting off", true, false, false},
                         Case{"min-max mode, setting off", true, false, true}}) {
        SCOPED_TRACE(c.what);
        p->m_useSummaries = c.summaries;
        p->SetEnvelopeDense(c.envelope);
        p->m_minMaxMode = c.minMaxMode ? 1 : 0;
        if (c.summaries) {
            p->StartSummaries();
            ASSERT_TRUE(p->WaitForSummaries());
        }
        p->m_cache->Invalidate();
        on->Canvas()->repaint();
        ASSERT_TRUE(WaitFor([&] { return p->MinMaxComplete(); }));
        on->Canvas()->repaint();
        EXPECT_EQ(p->m_cache->minMax, (c.summaries && c.envelope) || c.minMaxMode);
        if (!c.minMaxMode && !(c.summaries && c.envelope)) {
            EXPECT_TRUE(Grab(on) == columnPass);
        }
    }
    // Envelope when dense equals the min-max mode's picture.
    p->m_minMaxMode = 1;
    p->m_cache->Invalidate();
    on->Canvas()->repaint();
    const QImage minMax = Grab(on);
    p->m_minMaxMode = 0;
    p->SetEnvelopeDense(true);
    p->m_cache->Invalidate();
    on->Canvas()->repaint();
    EXPECT_TRUE(p->m_cache->minMax);
    EXPECT_TRUE(Grab(on) == minMax);
    EXPECT_FALSE(Grab(on) == columnPass);

    // A zoom to fewer than three samples per column: the column pass again.
    while (p->WindowLength() > 2 * (p->m_plotRect.right - p->m_plotRect.left)) on->ZoomStep(1);
    on->Canvas()->repaint();
    EXPECT_FALSE(p->m_cache->minMax);

    // A picture of the command line ignores the user's setting.
    auto detached = PlotWindow::CreateDetached(path, nullptr);
    ASSERT_NE(detached, nullptr);
    EXPECT_FALSE(detached->Plot()->EnvelopeDense());
    OpenUserSettings()->remove(QStringLiteral("view/envelopeDense"));
}

// Lanes, lane heights and the automatic fit are saved with the session and come back with the
// window of the same recording at the same place; another recording there keeps the defaults.
TEST(PlotWindowModes, SavedWithTheSessionAndRestoredForTheSamePathOnly) {
    OpenUserSettings()->remove(QStringLiteral("windows"));
    test::ShellEnv env;
    const QString first = Q(WriteBursts(std::filesystem::path(env.File("first.kvf").toStdString()), 3));
    const QString second = Q(WriteBursts(std::filesystem::path(env.File("second.kvf").toStdString()), 3));
    ASSERT_TRUE(env.Start());
    PlotWindow* w = PlotOf(env.Frame()->OpenPath(first));
    ASSERT_NE(w, nullptr);
    w->SetLanes(true);
    w->Canvas()->repaint();
    ASSERT_TRUE(w->Plot()->SetLaneEdges({0.0, 0.5, 0.75, 1.0}));
    w->SetAutoFit(true);
    env.Stop();

    ASSERT_TRUE(env.Start());
    ASSERT_EQ(g_app->m_windowCount, 1);
    w = PlotOf(g_app->m_windows[0]);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->Plot()->Lanes());
    EXPECT_TRUE(w->AutoFit());
    EXPECT_EQ(w->Plot()->LaneLayout().Edges(), (std::vector<double>{0.0, 0.5, 0.75, 1.0}));

    // The modes saved for one recording do not go to another one's window.
    const QString group = WindowSettingsGroup(first, 0);
    PlotWindow* other = PlotOf(env.Frame()->OpenPath(second));
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(other->RestoreModes(group));
    EXPECT_FALSE(other->Plot()->Lanes());
    EXPECT_FALSE(other->AutoFit());

    // Turned off and saved again: the defaults come back.
    w->SetLanes(false);
    w->SetAutoFit(false);
    env.Stop();
    ASSERT_TRUE(env.Start());
    ASSERT_EQ(g_app->m_windowCount, 2);
    for (int i = 0; i < 2; ++i) {
        PlotWindow* restored = PlotOf(g_app->m_windows[i]);
        ASSERT_NE(restored, nullptr);
        EXPECT_FALSE(restored->Plot()->Lanes()) << i;
        EXPECT_FALSE(restored->AutoFit()) << i;
    }
    env.Stop();
    OpenUserSettings()->remove(QStringLiteral("windows"));
}
