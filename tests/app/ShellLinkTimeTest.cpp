// Windows that work together: Tile and Cascade arrange the plot windows, and Link time makes
// their horizontal views and time cursors follow each other by clock time, at any rates.
#include "ShellTestSupport.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <functional>

#include "core/recording/DataFile.h"
#include "core/recording/TimeBase.h"
#include "plot/Cursors.h"
#include "plot/PlotWindow.h"
#include "shell/UserSettings.h"
#include "shell/WindowLink.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

const int64_t kStart = UtcFileTime(2026, 12, 8, 7, 16, 40);

// A two-channel sine recording of `seconds` at `rate`, starting `offset` seconds after kStart.
QString Record(const ShellEnv& env, const char* name, double rate, double seconds, double offset) {
    FloatFixture f;
    f.layout.channels = 2;
    f.layout.rate = rate;
    f.samples = static_cast<uint64_t>(rate * seconds);
    f.fileTime = kStart + static_cast<int64_t>(offset * kUnitsPerSecond);
    f.value = [rate](uint64_t k, int c) { return static_cast<float>(std::sin(k / rate * (3.0 + c))); };
    const QString path = env.File(QString::fromLatin1(name));
    EXPECT_TRUE(WriteFloatFixture(std::filesystem::path(path.toStdString()), f));
    return path;
}

PlotWindow* Open(ShellEnv& env, const QString& path) {
    QMdiSubWindow* sub = env.Frame()->OpenPath(path);
    return sub ? qobject_cast<PlotWindow*>(sub->widget()) : nullptr;
}

template <typename F>
bool WaitFor(F&& done, int ms = 20000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// Lets every queued paint run: the link looks at a window when it paints.
void Settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Seconds from kStart of a sample of a window's recording.
double Clock(const PlotWindow* w, double sample) {
    return static_cast<double>(w->File()->StartTime() - kStart) / kUnitsPerSecond + sample / w->File()->Rate();
}

struct View {
    int zoom;
    double start, end;
    uint64_t c1, c2;
    bool operator==(const View&) const = default;
};
View ViewOf(const PlotWindow* w) {
    const CPlotWnd* p = w->Plot();
    return {p->m_hZoom, p->m_visibleStart, p->m_visibleEnd, p->TimeCursor(1)->m_sample, p->TimeCursor(2)->m_sample};
}

void SetCursors(PlotWindow* w, double first, double second) {
    CPlotWnd* p = w->Plot();
    p->TimeCursor(1)->m_sample = static_cast<uint64_t>(first * w->File()->Rate());
    p->TimeCursor(2)->m_sample = static_cast<uint64_t>(second * w->File()->Rate());
    p->FollowView();
    p->InvalidateCanvas();
}

// Three windows: 48 kHz and 44.1 kHz made at nearly the same time, and one an hour later.
struct Frame {
    ShellEnv env;
    PlotWindow* a = nullptr;
    PlotWindow* b = nullptr;
    PlotWindow* later = nullptr;
    Frame() {
        OpenUserSettings()->remove(QStringLiteral("frame"));
        if (!env.Start()) return;
        const QString pa = Record(env, "a48k.kvf", 48000.0, 60.0, 0.0);
        const QString pb = Record(env, "b44k.kvf", 44100.0, 60.0, 0.25);
        const QString pc = Record(env, "later.kvf", 1000.0, 10.0, 3600.0);
        a = Open(env, pa);
        b = Open(env, pb);
        later = Open(env, pc);
        if (!a || !b || !later) return;
        // Every window visible beside the others, and each with its cursors placed.
        env.Frame()->Action(cmd::Tile)->trigger();
        EXPECT_TRUE(WaitFor([&] { return !a->CursorTimerActive() && !b->CursorTimerActive() && !later->CursorTimerActive(); }));
        Settle();
    }
    ~Frame() { OpenUserSettings()->remove(QStringLiteral("frame")); }
    bool Ready() const { return a && b && later; }
};

} // namespace

TEST(LinkTime, LinkedWindowsShareClockTimeAtTwoRates) {
    Frame f;
    ASSERT_TRUE(f.Ready());
    CMainFrame* frame = f.env.Frame();
    const View laterBefore = ViewOf(f.later);
    frame->ActivatePlotWindow(f.a->SubWindow());
    frame->Action(cmd::LinkTime)->trigger();
    ASSERT_TRUE(frame->Link()->Enabled());
    EXPECT_TRUE(frame->Action(cmd::LinkTime)->isChecked());
    EXPECT_TRUE(UserSetting(QStringLiteral("frame/linkTime"), false).toBool());
    Settle();

    const double oneSample = 1.0 / 44100.0;   // of the slower rate
    struct Move {
        const char* name;
        std::function<PlotWindow*(Frame&)> act;   // returns the window that moved
    };
    // Each span lies inside both recordings, so neither view is held at an end.
    const Move moves[] = {
        {"zoom in on the 48 kHz window", [](Frame& f) { f.a->ZoomStep(12, 0.37); return f.a; }},
        {"scroll the 44.1 kHz window", [](Frame& f) { f.b->OnHScroll(kScrollLineDown); return f.b; }},
        {"zoom out on the 44.1 kHz window", [](Frame& f) { f.b->ZoomStep(-1); return f.b; }},
        {"page the 48 kHz window", [](Frame& f) { f.a->OnHScroll(kScrollPageDown); return f.a; }},
        {"cursors of the 48 kHz window", [](Frame& f) { SetCursors(f.a, 20.5, 21.125); return f.a; }},
        {"cursors of the 44.1 kHz window", [](Frame& f) { SetCursors(f.b, 30.75, 31.0); return f.b; }},
    };
    for (const Move& m : moves) {
        SCOPED_TRACE(m.name);
        PlotWindow* leader = m.act(f);
        PlotWindow* follower = leader == f.a ? f.b : f.a;
        const View led = ViewOf(leader);
        Settle();

        // The window moved by the user stays where it was put: nothing comes back to it.
        EXPECT_EQ(ViewOf(leader), led);
        const CPlotWnd* lp = leader->Plot();
        const CPlotWnd* fp = follower->Plot();
        ASSERT_GT(Clock(leader, lp->m_visibleStart), 0.25);
        ASSERT_LT(Clock(leader, lp->m_visibleEnd), 60.0);
        EXPECT_NEAR(Clock(follower, fp->m_visibleStart), Clock(leader, lp->m_visibleStart), oneSample);
        EXPECT_NEAR(fp->WindowLength() / follower->File()->Rate(), lp->WindowLength() / leader->File()->Rate(),
                    oneSample);
        for (int c = 1; c <= 2; ++c)
            EXPECT_NEAR(Clock(follower, static_cast<double>(fp->TimeCursor(c)->m_sample)),
                        Clock(leader, static_cast<double>(lp->TimeCursor(c)->m_sample)), oneSample)
                << "cursor " << c;
        // The recording made an hour later meets none of these spans: it keeps its view.
        EXPECT_EQ(ViewOf(f.later), laterBefore);
    }

    // Unlinked, the windows are independent again.
    frame->Action(cmd::LinkTime)->trigger();
    EXPECT_FALSE(frame->Link()->Enabled());
    EXPECT_FALSE(UserSetting(QStringLiteral("frame/linkTime"), true).toBool());
    const View bBefore = ViewOf(f.b);
    f.a->ZoomStep(1);
    SetCursors(f.a, 5.0, 6.0);
    Settle();
    EXPECT_EQ(ViewOf(f.b), bBefore);
}

TEST(LinkTime, WindowOpenedWhileLinkedTakesTheSharedView) {
    Frame f;
    ASSERT_TRUE(f.Ready());
    CMainFrame* frame = f.env.Frame();
    frame->ActivatePlotWindow(f.a->SubWindow());
    frame->Action(cmd::LinkTime)->trigger();
    f.a->ZoomStep(5, 0.6);
    SetCursors(f.a, 40.0, 41.5);
    Settle();
    const View led = ViewOf(f.a);
    PlotWindow* c = Open(f.env, Record(f.env, "c44k.kvf", 44100.0, 60.0, 0.5));
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(WaitFor([&] { return !c->CursorTimerActive(); }));
    Settle();
    // The new window neither drags the others to its whole view nor to its first cursors.
    EXPECT_EQ(ViewOf(f.a), led);
    EXPECT_NEAR(Clock(c, c->Plot()->m_visibleStart), Clock(f.a, f.a->Plot()->m_visibleStart), 1.0 / 44100.0);
    EXPECT_NEAR(Clock(c, static_cast<double>(c->Plot()->TimeCursor(2)->m_sample)), 41.5, 1.0 / 44100.0);
}

TEST(WindowMenu, TileAndCascadeArrangeThePlotWindows) {
    Frame f;
    ASSERT_TRUE(f.Ready());
    CMainFrame* frame = f.env.Frame();
    const QList<QMdiSubWindow*> subs = frame->MdiArea()->subWindowList();
    ASSERT_EQ(subs.size(), 3);
    struct Case {
        int id;
        std::function<void(const QRect&, const QRect&)> pair;   // each earlier window against a later one
    };
    const Case cases[] = {
        {cmd::Cascade, [](const QRect& x, const QRect& y) {
             EXPECT_TRUE(x.intersects(y));
             EXPECT_LT(x.top(), y.top());
             EXPECT_LT(x.left(), y.left());
         }},
        {cmd::Tile, [](const QRect& x, const QRect& y) { EXPECT_FALSE(x.intersects(y)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        ASSERT_TRUE(frame->Action(c.id)->isEnabled());
        frame->Action(c.id)->trigger();
        Settle();
        QList<QMdiSubWindow*> order = frame->MdiArea()->subWindowList(QMdiArea::StackingOrder);
        std::sort(order.begin(), order.end(),
                  [](QMdiSubWindow* x, QMdiSubWindow* y) { return x->geometry().top() < y->geometry().top() ||
                                                                  (x->geometry().top() == y->geometry().top() &&
                                                                   x->geometry().left() < y->geometry().left()); });
        for (int i = 0; i < order.size(); ++i) {
            EXPECT_TRUE(frame->MdiArea()->viewport()->rect().contains(order[i]->geometry().topLeft()));
            for (int j = i + 1; j < order.size(); ++j) c.pair(order[i]->geometry(), order[j]->geometry());
        }
    }
    // Without windows there is nothing to arrange.
    frame->OnCommand(cmd::CloseAll);
    EXPECT_FALSE(frame->Action(cmd::Tile)->isEnabled());
    EXPECT_FALSE(frame->Action(cmd::Cascade)->isEnabled());
}
