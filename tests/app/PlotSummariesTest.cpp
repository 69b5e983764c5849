// A plot window builds its recording's min/max summaries after the first paint and the
// min-max view then reads them; a reloaded window builds them for the new plot.
#include <QDeadlineTimer>
#include <QImage>
#include <QMdiSubWindow>

#include "ShellTestSupport.h"
#include "plot/PlotWindow.h"
#include "plot/PlotWnd.h"
#include "shell/PlotLink.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

template <typename F>
bool WaitFor(F&& done, int ms = 20000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

CPlotWnd* PlotOf(QMdiSubWindow* sub) {
    auto* w = sub ? qobject_cast<PlotWindow*>(sub->widget()) : nullptr;
    return w ? w->Plot() : nullptr;
}

QImage Grab(QMdiSubWindow* sub) { return PlotCanvas(sub)->grab().toImage(); }

} // namespace

TEST(PlotSummaries, BuiltAfterFirstPaintAndUsedByTheMinMaxView) {
    ShellEnv env;
    FloatFixture f;
    f.layout.channels = 2;
    f.layout.rate = 44100.0;
    f.samples = 400000;
    f.value = [](uint64_t k, int c) { return k % 1013 == 17 ? (c ? -7.0f : 7.0f) : static_cast<float>(k % 5) * 0.1f; };
    const QString path = env.File(QStringLiteral("sum.kvf"));
    ASSERT_TRUE(WriteFloatFixture(path.toStdString(), f));
    ASSERT_TRUE(env.Start({path}));
    ASSERT_EQ(g_app->m_windowCount, 1);
    QMdiSubWindow* sub = g_app->m_windows[0];
    CPlotWnd* plot = PlotOf(sub);
    ASSERT_NE(plot, nullptr);

    ASSERT_TRUE(WaitFor([&] { return plot->m_summaryBuilder.Ready(); }));
    EXPECT_FALSE(plot->m_summaryBuilder.FromCache());
    EXPECT_EQ(plot->m_summaryBuilder.Progress(), 1.0);
    auto minMaxPicture = [&] {
        plot->m_cache->Invalidate();
        plot->m_minMaxPass.Cancel();
        PlotSetMinMax(sub, true);
        PlotRepaint(sub);
        EXPECT_TRUE(WaitFor([&] { return plot->m_cache->minMax && plot->MinMaxComplete(); }));
        return Grab(sub);
    };
    // The min-max view as the scan draws it, then from the summaries.
    plot->m_useSummaries = false;
    const QImage scanned = minMaxPicture();
    plot->m_useSummaries = true;
    const QImage summarized = minMaxPicture();
    EXPECT_TRUE(plot->m_summarized.HasSummaries());
    EXPECT_EQ(&plot->MinMaxSource(), &plot->m_summarized);
    EXPECT_TRUE(summarized == scanned);

    // A reloaded window gets a new plot whose summaries come from the cache.
    ASSERT_TRUE(PlotReload(sub));
    CPlotWnd* fresh = PlotOf(sub);
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(PlotMinMax(sub));   // the min-max mode stays on through the reload
    ASSERT_TRUE(WaitFor([&] { return fresh->m_summaryBuilder.Ready(); }));
    EXPECT_TRUE(fresh->m_summaryBuilder.FromCache());
}
