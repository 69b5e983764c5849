// The frame's toolbar: its buttons are the menus' own commands (one code path, one checked
// state following the active window), it is shown or hidden by View > Toolbar and kept per
// user, and its "go to time" field takes a clock time or seconds from the start.
#include "ShellTestSupport.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <cmath>
#include <functional>

#include "core/common/StringIds.h"
#include "core/recording/DataFile.h"
#include "core/recording/TimeBase.h"
#include "plot/Cursors.h"
#include "plot/PlotWindow.h"
#include "shell/UserSettings.h"
#include "shell/WindowLink.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

QString Record(const ShellEnv& env, const char* name) {
    FloatFixture f;
    f.layout.channels = 2;
    f.layout.rate = 1000.0;
    f.samples = 60000;   // one minute
    f.fileTime = UtcFileTime(2026, 12, 8, 7, 16, 40);
    f.value = [](uint64_t k, int c) { return static_cast<float>(std::sin(k / 1000.0 * (3.0 + c))); };
    const QString path = env.File(QString::fromLatin1(name));
    EXPECT_TRUE(WriteFloatFixture(std::filesystem::path(path.toStdString()), f));
    return path;
}

template <typename F>
bool WaitFor(F&& done, int ms = 20000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

struct Frame {
    ShellEnv env;
    PlotWindow* w = nullptr;
    explicit Frame(int language = 1033, bool open = true) {
        OpenUserSettings()->remove(QStringLiteral("frame"));
        Start(language, open);
    }
    ~Frame() { OpenUserSettings()->remove(QStringLiteral("frame")); }
    void Start(int language = 1033, bool open = true) {
        w = nullptr;
        if (!env.Start({}, language) || !open) return;
        QMdiSubWindow* sub = env.Frame()->OpenPath(Record(env, "rec.kvf"));
        w = sub ? qobject_cast<PlotWindow*>(sub->widget()) : nullptr;
        if (w) EXPECT_TRUE(WaitFor([&] { return !w->CursorTimerActive(); }));
    }
    CMainFrame* F() const { return env.Frame(); }
    CPlotWnd* P() const { return w->Plot(); }
    // Clicks the toolbar's button of a command.
    void Click(int id) {
        QToolBar* bar = F()->ToolBar();
        QAction* a = F()->Action(id);
        auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(a));
        ASSERT_NE(button, nullptr) << id;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // Types into the "go to time" field and presses Enter.
    void GoTo(const QString& text) {
        QLineEdit* field = F()->GoToField();
        field->clear();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
    double CentreSeconds() const { return (P()->m_visibleStart + P()->m_visibleEnd) / 2 / 1000.0; }
};

} // namespace

TEST(Toolbar, ButtonsRunTheMenusCommands) {
    Frame f;
    ASSERT_NE(f.w, nullptr);
    CPlotWnd* p = f.P();
    QToolBar* bar = f.F()->ToolBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    struct Step {
        int id;
        std::function<void()> check;   // what the command did, read right after the click
    };
    int zoom = 0;
    bool flag = false;
    const Step steps[] = {
        {cmd::ZoomIn, [&] { EXPECT_EQ(p->m_hZoom, 1); }},
        {cmd::ZoomIn, [&] { EXPECT_EQ(p->m_hZoom, 2); zoom = 2; }},
        {cmd::ZoomOut, [&] { EXPECT_EQ(p->m_hZoom, zoom - 1); }},
        {cmd::WholeRecording, [&] { EXPECT_EQ(p->m_hZoom, 0); EXPECT_EQ(p->m_vZoom, 0); }},
        {cmd::ZoomBack, [&] { EXPECT_EQ(p->m_hZoom, zoom - 1); }},
        {cmd::Lanes, [&] { EXPECT_TRUE(p->Lanes()); EXPECT_TRUE(f.F()->Action(cmd::Lanes)->isChecked()); }},
        {cmd::Lanes, [&] { EXPECT_FALSE(p->Lanes()); EXPECT_FALSE(f.F()->Action(cmd::Lanes)->isChecked()); }},
        {cmd::FitValues, [&] {
             // Sines of amplitude 1 on a range of ±10: the scale closes in on them.
             EXPECT_LT(p->m_ranges[1], 2.0f);
             EXPECT_GT(p->m_ranges[0], -2.0f);
         }},
        {cmd::MinMax, [&] { EXPECT_TRUE(p->m_minMaxMode); EXPECT_TRUE(f.F()->Action(cmd::MinMax)->isChecked()); }},
        {cmd::Legend, [&] { flag = f.w->LegendShown(); EXPECT_TRUE(flag); }},
        {cmd::Legend, [&] { EXPECT_FALSE(f.w->LegendShown()); }},
        {cmd::LinkTime, [&] {
             EXPECT_TRUE(f.F()->Link()->Enabled());
             EXPECT_TRUE(f.F()->Action(cmd::LinkTime)->isChecked());
         }},
        {cmd::ZoomIn, [&] { f.w->OnHScroll(kScrollBottom); }},   // the cursors are now out of sight
        {cmd::CursorsToView, [&] {
             for (int c = 1; c <= 2; ++c) {
                 const double s = static_cast<double>(p->TimeCursor(c)->m_sample);
                 EXPECT_GT(s, p->m_visibleStart) << c;
                 EXPECT_LT(s, p->m_visibleEnd) << c;
             }
         }},
        {cmd::Open, [&] { EXPECT_EQ(f.env.dialogTitles.size(), 1); }},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.id);
        // The button is the menu's own action, with an icon and a tooltip of its own.
        QAction* a = f.F()->Action(s.id);
        ASSERT_NE(a, nullptr);
        EXPECT_TRUE(bar->actions().contains(a));
        EXPECT_FALSE(a->icon().isNull());
        EXPECT_FALSE(a->icon().pixmap(24, 24).isNull());
        EXPECT_NE(a->toolTip(), a->text().remove(QLatin1Char('&')));
        f.Click(s.id);
        s.check();
    }
}

TEST(Toolbar, CheckedStatesFollowTheActiveWindow) {
    Frame f;
    ASSERT_NE(f.w, nullptr);
    QMdiSubWindow* first = f.w->SubWindow();
    QMdiSubWindow* second = f.F()->OpenPath(Record(f.env, "second.kvf"));
    ASSERT_NE(second, nullptr);
    f.F()->ActivatePlotWindow(first);
    f.Click(cmd::Lanes);
    f.Click(cmd::MinMax);
    struct Case {
        QMdiSubWindow* active;
        bool on;
    };
    for (const Case& c : {Case{second, false}, Case{first, true}, Case{second, false}}) {
        f.F()->ActivatePlotWindow(c.active);
        for (int id : {cmd::Lanes, cmd::MinMax}) EXPECT_EQ(f.F()->Action(id)->isChecked(), c.on) << id;
    }
    // Without a window the window's commands and the field rest.
    f.F()->OnCommand(cmd::CloseAll);
    for (int id : {cmd::ZoomIn, cmd::ZoomOut, cmd::WholeRecording, cmd::ZoomBack, cmd::CursorsToView, cmd::Lanes})
        EXPECT_FALSE(f.F()->Action(id)->isEnabled()) << id;
    EXPECT_FALSE(f.F()->GoToField()->isEnabled());
}

TEST(Toolbar, ShownStateAndLinkTimeAreKeptPerUser) {
    Frame f(1033, false);
    struct Case {
        int id;
        const char* key;
        std::function<bool(CMainFrame*)> on;
        bool initially;
    };
    const Case cases[] = {
        {cmd::Toolbar, "frame/toolbar", [](CMainFrame* m) { return !m->ToolBar()->isHidden(); }, true},
        {cmd::LinkTime, "frame/linkTime", [](CMainFrame* m) { return m->Link()->Enabled(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(c.on(f.F()), c.initially);
        EXPECT_EQ(f.F()->Action(c.id)->isChecked(), c.initially);
        f.F()->Action(c.id)->trigger();
        EXPECT_EQ(c.on(f.F()), !c.initially);
        EXPECT_EQ(UserSetting(QString::fromLatin1(c.key), c.initially).toBool(), !c.initially);
        // The next start of the program finds it as it was left.
        f.Start(1033, false);
        EXPECT_EQ(c.on(f.F()), !c.initially);
        EXPECT_EQ(f.F()->Action(c.id)->isChecked(), !c.initially);
    }
}

TEST(Toolbar, GoToFieldTakesClockTimesAndSecondsAndRefusesJunk) {
    Frame f;
    ASSERT_NE(f.w, nullptr);
    f.w->ZoomStep(15);   // a view of a few seconds
    const double window = f.P()->WindowLength() / 1000.0;
    ASSERT_LT(window, 10.0);
    // Local clock times of the recording written as the field reads them.
    auto at = [&](double seconds, bool withDate) {
        const FileTimeParts t = SplitFileTime(f.P()->m_startTime + static_cast<int64_t>(seconds * kUnitsPerSecond));
        const QString date = QString::asprintf("%04d-%02d-%02dT", t.year, t.month, t.day);
        return (withDate ? date : QString()) +
               QString::asprintf("%02d:%02d:%02d.%03d", t.hour, t.minute, t.second, t.millisecond);
    };
    struct Case {
        QString text;
        double centre;   // seconds from the start; < 0: refused with a message
        QString message;  // part of the message
    };
    const Case cases[] = {
        {QStringLiteral("12.5"), 12.5, {}},
        {at(20.25, false), 20.25, {}},
        {at(31.5, true), 31.5, {}},
        {QStringLiteral(" 45 "), 45.0, {}},
        {QStringLiteral("abc"), -1, QStringLiteral("\"abc\"")},
        {QStringLiteral("12,5"), -1, QStringLiteral("\"12,5\"")},
        {QStringLiteral("99:00"), -1, QStringLiteral("99:00")},
        {QStringLiteral("61"), -1, f.w->Path()},
        {at(-1.0, true), -1, f.w->Path()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const double before = f.CentreSeconds();
        const int boxes = f.env.boxes.size();
        f.GoTo(c.text);
        if (c.centre >= 0) {
            EXPECT_EQ(f.env.boxes.size(), boxes);
            EXPECT_NEAR(f.CentreSeconds(), c.centre, 1e-3);
            EXPECT_NEAR(f.P()->WindowLength() / 1000.0, window, 1e-9);   // the zoom is kept
        } else {
            ASSERT_EQ(f.env.boxes.size(), boxes + 1);
            EXPECT_EQ(f.env.boxes.last().kind, BoxKind::Error);
            EXPECT_TRUE(f.env.boxes.last().text.contains(c.message)) << f.env.boxes.last().text.toStdString();
            EXPECT_EQ(f.CentreSeconds(), before);
        }
    }
    // A Russian interface writes a decimal comma, and the field takes it.
    f.Start(1049);
    ASSERT_NE(f.w, nullptr);
    f.w->ZoomStep(15);
    const int boxes = f.env.boxes.size();
    f.GoTo(QStringLiteral("12,5"));
    EXPECT_NEAR(f.CentreSeconds(), 12.5, 1e-3);
    EXPECT_EQ(f.env.boxes.size(), boxes);
}
