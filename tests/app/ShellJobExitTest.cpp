// Jobs and exit: the source of a running job stays alive, the progress box stays usable, the
// result becomes the active window with its source's view, temporary results and the exit.
#include <QApplication>
#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTest>

#include <atomic>
#include <cmath>
#include <thread>

#include "ShellTestSupport.h"
#define VISTREL_QSTRING_PRINTTO
#include "DialogTestUtil.h"
#include "core/recording/DataFile.h"
#include "plot/Cursors.h"
#include "plot/PlotWindow.h"
#include "shell/JobRunner.h"
#include "shell/PlotLink.h"
#include "shell/ProgressBox.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

QString WriteRamp(ShellEnv& env, const QString& name, uint64_t samples = 4000) {
    FloatRecordingLayout layout;
    layout.channels = 2;
    const QString path = env.File(name);
    EXPECT_TRUE(WriteFloatRecording(path.toStdString(), layout, samples, [](uint64_t k, float* row) {
        row[0] = float(std::sin(double(k) / 50.0));
        row[1] = 3.0f;
    }));
    return path;
}

struct JobSession {
    ShellEnv env;
    QMdiSubWindow* source = nullptr;
    PlotWindow* window = nullptr;

    bool Open(int startDelayMs) {
        if (!env.Start()) return false;
        source = g_app->OpenRecording(WriteRamp(env, "src.kvf"), -1, kNoVCenter);
        if (!source) return false;
        window = qobject_cast<PlotWindow*>(source->widget());
        window->OnFirstTimer();
        window->Plot()->m_timeCursor1->m_sample = 1000;
        window->Plot()->m_timeCursor2->m_sample = 2000;
        CJobRunner::SetStartDelay(startDelayMs);
        return true;
    }
    ~JobSession() {
        CJobRunner::SetStartDelay(500);
        CJobRunner::SetStartedHook({});
        SetDialogTestHook({});
        (void)QTest::qWaitFor([] { return !CJobRunner::Running(); }, 20000);
        for (int i = 0; i < 64; ++i) env.answers.append(true);
        if (g_app) g_app->CloseAllWindows();
        QCoreApplication::processEvents();
    }
    // Starts a moving average on the source through the menu; returns at once.
    void StartMovingAverage() {
        env.Frame()->MdiArea()->setActiveSubWindow(source);
        SetDialogTestHook([](QDialog& d) { Click(&d, 1); });
        env.Frame()->OnCommand(cmd::MovingAverage);
        SetDialogTestHook({});
    }
    bool WaitForJob() {
        const bool ended = QTest::qWaitFor([] { return !CJobRunner::Running(); }, 20000);
        QCoreApplication::processEvents();
        return ended;
    }
};

} // namespace

TEST(ShellJob, SourceStaysOpenAndBoxUsableFromTheStart) {
    JobSession s;
    ASSERT_TRUE(s.Open(400));
    bool hookRan = false;
    CJobRunner::SetStartedHook([&](CJobRunner& runner) {
        hookRan = true;
        // While the worker runs the box takes input; the frame does not (the box is modal).
        QWidget* box = runner.ProgressBoxWidget();
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->isEnabled());
        EXPECT_EQ(QApplication::activeModalWidget(), box);
        EXPECT_FALSE(runner.SourceWindow()->close());
    });
    const int before = g_app->m_windowCount;
    s.StartMovingAverage();
    ASSERT_TRUE(CJobRunner::Running());
    // Within the worker's first pause: the source refuses to close, also through the menu.
    EXPECT_NE(qobject_cast<QWidget*>(QApplication::activeModalWidget()), nullptr);
    EXPECT_FALSE(s.source->close());
    s.env.Frame()->OnCommand(cmd::Close);
    s.env.Frame()->OnCommand(cmd::CloseAll);
    EXPECT_GE(g_app->IndexOfWindow(s.source), 0);
    EXPECT_TRUE(s.window->JobRunning());
    // An exit asked for meanwhile neither happens nor stays armed.
    s.env.answers = {true, true};
    const int questions = s.env.CountBoxes(BoxKind::Question);
    s.env.Frame()->OnCommand(cmd::Exit);
    s.env.Frame()->close();
    EXPECT_FALSE(g_exitConfirmed);
    EXPECT_FALSE(s.env.Frame()->ExitRequested());

    ASSERT_TRUE(s.WaitForJob());
    EXPECT_TRUE(hookRan);
    EXPECT_EQ(s.env.CountBoxes(BoxKind::Question), questions);
    EXPECT_EQ(g_app->m_windowCount, before + 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(s.window->JobRunning());
    // The next close of the frame asks again.
    s.env.answers = {false};
    s.env.Frame()->close();
    EXPECT_EQ(s.env.CountBoxes(BoxKind::Question), questions + 1);
    EXPECT_FALSE(s.env.Frame()->ExitRequested());
    // Once the job has ended the source closes normally.
    EXPECT_TRUE(s.source->close());
}

TEST(ShellJob, ResultIsActiveWithTheSourceViewWhileAnotherWindowIsActive) {
    JobSession s;
    ASSERT_TRUE(s.Open(0));
    // A second recording, maximised windows, and the source with a vertical view of its own.
    QMdiSubWindow* other = g_app->OpenRecording(WriteRamp(s.env, "other.kvf"), -1, kNoVCenter);
    ASSERT_NE(other, nullptr);
    s.window->ApplyVerticalView(3, 400.0);
    s.source->showMaximized();
    // Another top-level window is active: the MDI area has no active window then.
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    (void)QTest::qWaitFor([&] { return QApplication::activeWindow() == &elsewhere; }, 2000);
    const int before = g_app->m_windowCount;
    s.env.Frame()->MdiArea()->setActiveSubWindow(s.source);
    SetDialogTestHook([](QDialog& d) { Click(&d, 1); });
    s.env.Frame()->OnCommand(cmd::MovingAverage);
    SetDialogTestHook({});
    elsewhere.activateWindow();
    ASSERT_TRUE(s.WaitForJob());
    ASSERT_EQ(g_app->m_windowCount, before + 1);
    QMdiSubWindow* result = g_app->m_windows[before];
    int vZoom = -1;
    double vCenter = 0;
    ASSERT_TRUE(PlotVerticalView(result, &vZoom, &vCenter));
    EXPECT_EQ(vZoom, 3);
    EXPECT_DOUBLE_EQ(vCenter, 400.0);
    EXPECT_EQ(s.env.Frame()->MdiArea()->currentSubWindow(), result);
    EXPECT_EQ(s.env.Frame()->ActiveWindow() ? s.env.Frame()->ActiveWindow() : result, result);
}

TEST(ShellJob, ProgressPostedFromAWorkerWhileTheBoxGoes) {
    // A worker posts while the user-interface thread deletes the box: every post either
    // reaches the living box or is dropped; none touches a deleted one.
    QWidget owner;
    for (int round = 0; round < 50; ++round) {
        QPointer<CProgressBox> box = new CProgressBox(&owner);
        std::atomic<bool> done{false};
        std::thread worker([box, &done] {
            for (unsigned p = 1; p <= 20; ++p) PostProgressPercent(box, p);
            PostProgressTitle(box, QStringLiteral("t"));
            done = true;
        });
        if (round % 2) QCoreApplication::processEvents();
        delete box.data();
        while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        worker.join();
        EXPECT_TRUE(box.isNull());
    }
    // Posts that arrive reach the box on its own thread and show.
    QPointer<CProgressBox> box = new CProgressBox(&owner);
    std::thread worker([box] { PostProgressPercent(box, 42); });
    (void)QTest::qWaitFor([&] { return box && box->Percent() == 42; }, 5000);
    worker.join();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->Percent(), 42u);
    delete box.data();
}

TEST(ShellExit, NoToATemporaryResultStopsTheExitAndKeepsIt) {
    JobSession s;
    ASSERT_TRUE(s.Open(0));
    s.StartMovingAverage();
    ASSERT_TRUE(s.WaitForJob());
    ASSERT_EQ(g_app->m_windowCount, 2);
    QMdiSubWindow* result = g_app->m_windows[1];
    const QString file = s.env.File(PlotPath(result));
    ASSERT_TRUE(QFile::exists(file));

    // Exit: Yes; the result's own question: No.
    s.env.answers = {true, false};
    s.env.Frame()->OnCommand(cmd::Exit);
    EXPECT_EQ(s.env.CountBoxes(BoxKind::Question), 2);
    EXPECT_TRUE(s.env.boxes.last().text.endsWith(GetUiString(215)));
    EXPECT_FALSE(s.env.Frame()->ExitRequested());
    EXPECT_FALSE(g_exitConfirmed);
    EXPECT_EQ(g_app->IndexOfWindow(result), 1);
    EXPECT_TRUE(QFile::exists(file));

    // Exit again, Yes to both: the result closes, its file goes, the program ends.
    s.env.answers = {true, true};
    s.env.Frame()->OnCommand(cmd::Exit);
    EXPECT_TRUE(s.env.Frame()->ExitRequested());
    QCoreApplication::processEvents();
    EXPECT_EQ(g_app->m_windowCount, 1);
    EXPECT_FALSE(QFile::exists(file));
    s.env.Stop();
    // Only the source window is saved.
    const QByteArray cfg = s.env.Read("Vistrel.cfg");
    EXPECT_TRUE(cfg.startsWith(" 1\r\n")) << cfg.left(40).toStdString();
    EXPECT_FALSE(cfg.contains("~movavg"));
}

TEST(ShellExit, TemporaryResultsAreNotSavedAsWindows) {
    JobSession s;
    ASSERT_TRUE(s.Open(0));
    s.StartMovingAverage();
    ASSERT_TRUE(s.WaitForJob());
    ASSERT_EQ(g_app->m_windowCount, 2);
    const QString name = PlotPath(g_app->m_windows[1]);
    s.env.answers = {true};
    s.env.Stop();
    const QByteArray cfg = s.env.Read("Vistrel.cfg");
    EXPECT_TRUE(cfg.startsWith(" 1\r\n")) << cfg.left(40).toStdString();
    EXPECT_TRUE(cfg.contains("src.kvf"));
    EXPECT_FALSE(cfg.contains(name.toLocal8Bit()));
    // The next start restores the source without any error box.
    s.env.boxes.clear();
    ASSERT_TRUE(s.env.Start());
    EXPECT_EQ(g_app->m_windowCount, 1);
    EXPECT_EQ(s.env.CountBoxes(BoxKind::Error), 0);
}
