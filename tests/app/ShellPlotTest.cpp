// The frame with real plot windows: open, menu states, save checks, restoring windows across a
// restart, a job started from the frame opening its result.
#include <QAction>
#include <QDeadlineTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

#include "ShellTestSupport.h"
#include "core/common/StringIds.h"
#include "core/recording/DataFile.h"
#include "dialogs/DialogCommon.h"
#include "dialogs/HistoryDialog.h"
#include "plot/Cursors.h"
#include "plot/PlotWindow.h"
#include "shell/FrameDialogs.h"
#include "shell/JobRunner.h"
#include "shell/PlotLink.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

QString WriteRecording(ShellEnv& env, const QString& name, int channels, int devices, uint64_t samples = 2000) {
    FloatFixture f;
    f.layout.channels = channels;
    f.layout.devices = devices;
    f.layout.rate = 1000.0;
    f.samples = samples;
    const QString path = env.File(name);
    EXPECT_TRUE(WriteFloatFixture(path.toStdString(), f));
    return path;
}

QMdiSubWindow* OpenByCommand(ShellEnv& env, const QString& path) {
    env.paths = {path};
    const int before = g_app->m_windowCount;
    env.Frame()->OnCommand(cmd::Open);
    return g_app->m_windowCount > before ? g_app->m_windows[g_app->m_windowCount - 1] : nullptr;
}

template <typename F>
bool WaitFor(F&& done, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace

TEST(ShellPlot, OpenMenuStatesAndHistory) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    const QString one = WriteRecording(env, "one.kvf", 2, 1, 60000);
    const QString two = WriteRecording(env, "two.kvf", 4, 2);
    CMainFrame* f = env.Frame();

    QMdiSubWindow* a = OpenByCommand(env, one);
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(env.boxes.isEmpty());
    EXPECT_EQ(PlotPath(a), one);
    ASSERT_EQ(g_app->m_history.count, 1);
    EXPECT_EQ(g_app->m_history.entries[0].size, "60000x2");
    EXPECT_EQ(g_app->m_history.entries[0].rate, "1000");
    EXPECT_EQ(g_app->m_history.entries[0].duration, "60.0");
    for (int id : {cmd::Average, cmd::MovingAverage, cmd::Rms, cmd::Linear, cmd::AddSub, cmd::SaveFragment,
                   cmd::Close, cmd::Parameters})
        EXPECT_TRUE(f->Action(id)->isEnabled()) << id;

    // Show Min-Max turns the active plot's min-max view on, and again off; the item is checked
    // while it is on.
    auto* pa = qobject_cast<PlotWindow*>(a->widget());
    f->OnCommand(cmd::MinMax);
    EXPECT_EQ(pa->Plot()->m_minMaxMode, 1);
    EXPECT_TRUE(f->Action(cmd::MinMax)->isChecked());
    f->OnCommand(cmd::MinMax);
    EXPECT_EQ(pa->Plot()->m_minMaxMode, 0);
    EXPECT_FALSE(f->Action(cmd::MinMax)->isChecked());
    f->OnCommand(cmd::MinMax);

    QMdiSubWindow* b = OpenByCommand(env, two);
    ASSERT_NE(b, nullptr);
    f->MdiArea()->setActiveSubWindow(b);
    f->UpdateMenuState();
    // Two devices grey the operations on the recording's own channels only.
    for (int id : {cmd::Average, cmd::MovingAverage, cmd::Rms, cmd::Linear}) EXPECT_FALSE(f->Action(id)->isEnabled()) << id;
    for (int id : {cmd::AddSub, cmd::TableFunction, cmd::Spectrum, cmd::SaveChannels})
        EXPECT_TRUE(f->Action(id)->isEnabled()) << id;
    EXPECT_EQ(g_app->m_windowMenu->actions().size(), 2);
    // The mode belongs to each window: the item follows the active one.
    EXPECT_FALSE(f->Action(cmd::MinMax)->isChecked());
    f->MdiArea()->setActiveSubWindow(a);
    f->UpdateMenuState();
    EXPECT_TRUE(f->Action(cmd::MinMax)->isChecked());
    f->MdiArea()->setActiveSubWindow(b);
    f->UpdateMenuState();

    // A file that is not a recording: the window's error, no window, no history entry.
    QFile junk(env.File("junk.kvf"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a recording");
    junk.close();
    EXPECT_EQ(OpenByCommand(env, env.File("junk.kvf")), nullptr);
    ASSERT_FALSE(env.boxes.isEmpty());
    EXPECT_EQ(env.boxes.last().text, GetUiString(213) + QLatin1Char('\n') + env.File("junk.kvf") + QLatin1Char('\n') +
                                         GetUiString(IDS_OPEN_BAD_SIGNATURE));
    EXPECT_EQ(g_app->m_history.count, 2);
    EXPECT_EQ(g_app->m_windowCount, 2);
}

TEST(ShellPlot, SaveFragmentChecks) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    const QString one = WriteRecording(env, "one.kvf", 2, 1);
    const QString other = WriteRecording(env, "other.kvf", 2, 1);
    QMdiSubWindow* a = OpenByCommand(env, one);
    ASSERT_NE(a, nullptr);
    QMdiSubWindow* b = OpenByCommand(env, other);
    ASSERT_NE(b, nullptr);
    env.Frame()->MdiArea()->setActiveSubWindow(a);
    env.boxes.clear();

    // A target open in another window: 229 with the path.
    env.paths = {other};
    env.Frame()->OnCommand(cmd::SaveFragment);
    ASSERT_EQ(env.boxes.size(), 1);
    EXPECT_EQ(env.boxes[0].caption, GetUiString(229));
    EXPECT_EQ(env.boxes[0].text, other);
    // Only the extensions .kvf and .txt (any case) name a format: .kvfz and .dat are refused
    // with 210.
    env.boxes.clear();
    env.paths = {env.File("x.kvfz"), env.File("x.dat")};
    env.Frame()->OnCommand(cmd::SaveFragment);
    env.Frame()->OnCommand(cmd::SaveFragment);
    ASSERT_EQ(env.boxes.size(), 2);
    EXPECT_EQ(env.boxes[0].caption, GetUiString(210));
    EXPECT_EQ(env.boxes[1].text, env.File("x.dat"));
    // Save channels accepts .KVF but refuses .txt.
    env.boxes.clear();
    int dialogs = 0;
    SetProcessDialogOverride([&](int id, const QString& parameter, ProcessJob*) {
        EXPECT_EQ(id, cmd::SaveChannels);
        EXPECT_EQ(parameter, GetUiString(203));
        ++dialogs;
        return 0;
    });
    env.paths = {env.File("y.txt"), env.File("y.KVF")};
    env.Frame()->OnCommand(cmd::SaveChannels);
    env.Frame()->OnCommand(cmd::SaveChannels);
    SetProcessDialogOverride({});
    ASSERT_EQ(env.boxes.size(), 1);
    EXPECT_EQ(env.boxes[0].caption, GetUiString(210));
    EXPECT_EQ(dialogs, 1);
    // An existing target asks 219; No ends the command.
    env.boxes.clear();
    QFile existing(env.File("exists.txt"));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    env.answers = {false};
    env.paths = {env.File("exists.txt")};
    env.Frame()->OnCommand(cmd::SaveFragment);
    ASSERT_EQ(env.boxes.size(), 1);
    EXPECT_EQ(env.boxes[0].text, GetUiString(219));
    EXPECT_FALSE(CJobRunner::Running());
}

TEST(ShellPlot, SaveFragmentOfTwoDevicesAsksForDevices) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    const QString two = WriteRecording(env, "two.kvf", 6, 3);
    QMdiSubWindow* a = OpenByCommand(env, two);
    ASSERT_NE(a, nullptr);
    int shown = 0;
    SetShellDialogHook([&](QDialog& d) {
        if (d.objectName() != QLatin1String("SELECTDEVS")) return;
        ++shown;
        d.close(); // closed without saving: the mask stays 0 and nothing is written
    });
    env.paths = {env.File("frag.kvf")};
    env.Frame()->OnCommand(cmd::SaveFragment);
    EXPECT_EQ(shown, 1);
    // The extension in capitals names a recording too: the devices are asked for.
    env.paths = {env.File("frag.KVF")};
    env.Frame()->OnCommand(cmd::SaveFragment);
    EXPECT_EQ(shown, 2);
    EXPECT_FALSE(CJobRunner::Running());
    EXPECT_FALSE(QFile::exists(env.File("frag.kvf")));

    // Devices 1 and 3 chosen: the fragment keeps their channels only.
    SetShellDialogHook([&](QDialog& d) {
        if (d.objectName() != QLatin1String("SELECTDEVS")) return;
        d.findChild<QCheckBox*>(QStringLiteral("1144"))->setChecked(false);
        d.findChild<QPushButton*>(QStringLiteral("1"))->click();
    });
    auto* pw = qobject_cast<PlotWindow*>(a->widget());
    pw->OnFirstTimer();
    pw->Plot()->m_timeCursor1->m_sample = 0;
    pw->Plot()->m_timeCursor2->m_sample = 50;
    CJobRunner::SetStartDelay(0);
    env.paths = {env.File("frag.kvf")};
    env.Frame()->OnCommand(cmd::SaveFragment);
    ASSERT_TRUE(WaitFor([] { return !CJobRunner::Running(); }));
    CJobRunner::SetStartDelay(500);
    CDataFile saved;
    ASSERT_EQ(saved.Open(env.File("frag.kvf").toStdString()), 1);
    EXPECT_EQ(saved.Channels(), 4);
    EXPECT_EQ(saved.Samples(), 50);
}

TEST(ShellPlot, WindowsRestoredAcrossRestart) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    const QString one = WriteRecording(env, "one.kvf", 3, 1);
    const QString two = WriteRecording(env, "two.kvf", 2, 1);
    QMdiSubWindow* a = OpenByCommand(env, one);
    QMdiSubWindow* b = OpenByCommand(env, two);
    ASSERT_TRUE(a && b);
    a->setGeometry(10, 20, 400, 300);
    b->setGeometry(60, 70, 500, 350);
    auto* pa = qobject_cast<PlotWindow*>(a->widget());
    ASSERT_NE(pa, nullptr);
    pa->Plot()->SetSelectedChannel(2);
    pa->Plot()->m_channelShown[1] = 0;
    pa->Plot()->SetChannelColour(0, 0x123456, 3);
    env.Stop();

    const QByteArray cfg = env.Read("Vistrel.cfg");
    EXPECT_TRUE(cfg.startsWith(" 2\r\n")) << cfg.left(200).toStdString();
    EXPECT_TRUE(cfg.contains("TitleW='" + one.toLocal8Bit() + "'\r\n"));
    EXPECT_TRUE(cfg.contains("ScaleChan=2\r\n"));
    EXPECT_TRUE(cfg.contains("Colors=|123456|"));

    ASSERT_TRUE(env.Start());
    ASSERT_EQ(g_app->m_windowCount, 2);
    EXPECT_EQ(PlotPath(g_app->m_windows[0]), one);
    EXPECT_EQ(PlotPath(g_app->m_windows[1]), two);
    EXPECT_EQ(g_app->m_windows[0]->geometry(), QRect(10, 20, 400, 300));
    EXPECT_EQ(g_app->m_windows[1]->geometry(), QRect(60, 70, 500, 350));
    auto* ra = qobject_cast<PlotWindow*>(g_app->m_windows[0]->widget());
    ASSERT_NE(ra, nullptr);
    EXPECT_EQ(ra->Plot()->m_selectedChannel, 2);
    EXPECT_EQ(ra->Plot()->m_channelShown[1], 0);
    EXPECT_EQ(ra->Plot()->m_penColors[0], 0x123456u);
    EXPECT_EQ(ra->Plot()->m_penWidths[0], 3);
    EXPECT_EQ(g_app->m_history.count, 2);
    env.Stop();

    // A command line restores no window, keeps the history and leaves the saved windows as
    // they were.
    ASSERT_TRUE(env.Start({env.File("absent.kvf")}));
    EXPECT_EQ(g_app->m_windowCount, 0);
    EXPECT_EQ(g_app->m_history.count, 2);
    env.Stop();
    EXPECT_TRUE(env.Read("Vistrel.cfg").startsWith(" 2\r\n"));
    EXPECT_TRUE(env.Read("Vistrel.cfg").contains(one.toLocal8Bit() + ";\r\n;HistoryEnd"));
}

TEST(ShellPlot, MissingSavedWindowKeepsOthersRectangles) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    const QString one = WriteRecording(env, "one.kvf", 1, 1);
    const QString two = WriteRecording(env, "two.kvf", 1, 1);
    QMdiSubWindow* a = OpenByCommand(env, one);
    QMdiSubWindow* b = OpenByCommand(env, two);
    ASSERT_TRUE(a && b);
    a->setGeometry(0, 0, 300, 200);
    b->setGeometry(100, 90, 350, 250);
    env.Stop();
    QFile::remove(one);
    ASSERT_TRUE(env.Start());
    ASSERT_EQ(g_app->m_windowCount, 1);
    EXPECT_EQ(g_app->m_windows[0]->geometry(), QRect(100, 90, 350, 250));
    EXPECT_EQ(env.CountBoxes(BoxKind::Error), 1);
}

TEST(ShellPlot, JobFromFrameOpensResult) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    const QString one = WriteRecording(env, "src.kvf", 2, 1, 1000);
    QMdiSubWindow* a = OpenByCommand(env, one);
    ASSERT_NE(a, nullptr);
    auto* pw = qobject_cast<PlotWindow*>(a->widget());
    pw->OnFirstTimer();
    pw->Plot()->m_timeCursor1->m_sample = 100;
    pw->Plot()->m_timeCursor2->m_sample = 300;
    pw->Plot()->m_vZoom = 2;
    pw->Plot()->m_vCenter = 400.0;
    CJobRunner::SetStartDelay(0);
    QString title;
    SetProcessDialogOverride([&](int id, const QString& parameter, ProcessJob* job) {
        EXPECT_EQ(id, cmd::MovingAverage);
        title = parameter;
        EXPECT_EQ(job->m_cursor1, 100);
        EXPECT_EQ(job->m_cursor2, 300);
        return 5;
    });
    env.Frame()->OnCommand(cmd::MovingAverage);
    SetProcessDialogOverride({});
    EXPECT_EQ(title, GetUiString(205));
    ASSERT_TRUE(WaitFor([] { return !CJobRunner::Running(); }));
    CJobRunner::SetStartDelay(500);
    ASSERT_EQ(g_app->m_windowCount, 2) << (env.boxes.isEmpty() ? std::string() : env.boxes.last().text.toStdString());
    QMdiSubWindow* r = g_app->m_windows[1];
    const QString resultPath = PlotPath(r);
    EXPECT_TRUE(resultPath.startsWith(QStringLiteral("~movavg"))) << resultPath.toStdString();
    EXPECT_EQ(LastPath(), resultPath);
    EXPECT_TRUE(env.Frame()->isEnabled());
    EXPECT_EQ(pw->Plot()->m_progressWnd, nullptr);
    EXPECT_EQ(pw->Plot()->m_averagingFactor, 5);
    int vZoom = -1;
    double vCenter = 0;
    ASSERT_TRUE(PlotVerticalView(r, &vZoom, &vCenter));
    EXPECT_EQ(vZoom, 2);
    EXPECT_DOUBLE_EQ(vCenter, 400.0);
    CDataFile* result = PlotRecording(r);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Samples(), 200);
    // Closing the temporary result asks; No keeps it, Yes closes it and deletes the file.
    ASSERT_TRUE(QFile::exists(resultPath));
    env.answers = {false};
    env.Frame()->MdiArea()->setActiveSubWindow(r);
    env.Frame()->OnCommand(cmd::Close);
    EXPECT_EQ(g_app->m_windowCount, 2);
    env.answers = {true};
    env.Frame()->OnCommand(cmd::Close);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(g_app->m_windowCount, 1);
    EXPECT_FALSE(QFile::exists(resultPath));
}

TEST(ShellPlot, CommandLineOpensIntoTheHistory) {
    ShellEnv env;
    const QString one = WriteRecording(env, "cmd.kvf", 1, 1);
    ASSERT_TRUE(env.Start({one}));
    ASSERT_EQ(g_app->m_windowCount, 1);
    EXPECT_EQ(PlotPath(g_app->m_windows[0]), one);
    ASSERT_EQ(g_app->m_history.count, 1);
    EXPECT_EQ(QString::fromLocal8Bit(g_app->m_history.entries[0].path.c_str()), one);
    EXPECT_TRUE(env.boxes.isEmpty());
}

TEST(ShellPlot, SaveFragmentOfOneDeviceWritesWithoutAsking) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    const QString one = WriteRecording(env, "one.kvf", 2, 1, 500);
    QMdiSubWindow* a = OpenByCommand(env, one);
    ASSERT_NE(a, nullptr);
    auto* pw = qobject_cast<PlotWindow*>(a->widget());
    pw->OnFirstTimer();
    pw->Plot()->m_timeCursor1->m_sample = 300;
    pw->Plot()->m_timeCursor2->m_sample = 100;
    int dialogs = 0;
    SetShellDialogHook([&](QDialog&) { ++dialogs; });
    CJobRunner::SetStartDelay(0);
    env.paths = {env.File("frag")}; // no extension typed: the chosen filter's is added
    env.Frame()->OnCommand(cmd::SaveFragment);
    ASSERT_TRUE(WaitFor([] { return !CJobRunner::Running(); }));
    CJobRunner::SetStartDelay(500);
    EXPECT_EQ(dialogs, 0);
    EXPECT_TRUE(QFile::exists(env.File("frag.kvf")));
    EXPECT_EQ(g_app->m_windowCount, 1); // a saved fragment is not opened
    EXPECT_EQ(pw->Plot()->m_saved, 1);
    CDataFile saved;
    ASSERT_EQ(saved.Open(env.File("frag.kvf").toStdString()), 1);
    EXPECT_EQ(saved.Samples(), 200);
    EXPECT_EQ(saved.Channels(), 2);
}

TEST(ShellPlot, HistoryCommandOpensOrReportsMissing) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    const QString one = WriteRecording(env, "hist.kvf", 1, 1);
    const QString gone = env.File("gone.kvf");
    g_app->AddToHistory(gone, 10, 1, 100.0f);
    g_app->AddToHistory(one, 10, 1, 100.0f);
    int row = 0;
    SetDialogTestHook([&row](QDialog& d) {
        auto* h = dynamic_cast<HistoryDialog*>(&d);
        ASSERT_NE(h, nullptr);
        QTreeWidgetItem* item = h->List()->topLevelItem(row);
        ASSERT_NE(item, nullptr);
        emit h->List()->itemDoubleClicked(item, 0);
    });
    env.Frame()->OnCommand(cmd::History);
    ASSERT_EQ(g_app->m_windowCount, 1);
    EXPECT_EQ(PlotPath(g_app->m_windows[0]), one);
    EXPECT_EQ(g_app->m_history.count, 2); // opening from the history adds no entry
    row = 1;
    env.Frame()->OnCommand(cmd::History);
    SetDialogTestHook({});
    ASSERT_EQ(env.boxes.size(), 1);
    EXPECT_EQ(env.boxes[0].caption, GetUiString(221));
    EXPECT_EQ(env.boxes[0].text, gone);
    EXPECT_EQ(g_app->m_windowCount, 1);
}
