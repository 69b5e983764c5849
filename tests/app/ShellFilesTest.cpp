// Files the shell meets: an unreadable or short configuration, FIFOs and line breaks in paths,
// a recording changed on disk, the per-user instance channel, and the picture written by --png.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLocalServer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QAction>

#include <sys/stat.h>

#include <cmath>

#include "ShellTestSupport.h"
#include "core/recording/DataFile.h"
#include "plot/PlotWindow.h"
#include "plot/PngRender.h"
#include "platform/UserIdentity.h"
#include "shell/JobRunner.h"
#include "shell/PlotLink.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

QString WriteRec(ShellEnv& env, const QString& name, uint64_t samples = 2000) {
    FloatRecordingLayout layout;
    layout.channels = 1;
    const QString path = env.File(name);
    EXPECT_TRUE(WriteFloatRecording(path.toStdString(), layout, samples,
                                    [](uint64_t k, float* row) { row[0] = float(k % 7); }));
    return path;
}

void WriteCfg(ShellEnv& env, const QByteArray& text) {
    QFile f(env.File("Vistrel.cfg"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QByteArray Block(const QString& path) {
    return "Window=  10   10  400  300\r\nScaleChan=0\r\nTitleW='" + path.toLocal8Bit() +
           "'\r\nScales=0 0 0 0\r\nColors=|000000\r\nVisible=1|\r\nWidths=1|\r\nTimeScale=0\r\n";
}

PlotWindow* PlotOf(QMdiSubWindow* w) { return qobject_cast<PlotWindow*>(w->widget()); }

} // namespace

TEST(ShellConfigFile, FolderInItsPlaceIsReportedOnceAndLeftAlone) {
    ShellEnv env;
    ASSERT_TRUE(QDir(env.Dir()).mkdir("Vistrel.cfg"));
    ASSERT_TRUE(env.Start());
    ASSERT_EQ(env.CountBoxes(BoxKind::Error), 1);
    EXPECT_TRUE(env.boxes[0].text.contains(GetUiString(243))) << env.boxes[0].text.toStdString();
    EXPECT_TRUE(env.Frame()->isVisible());
    EXPECT_EQ(g_app->m_mainRect, kDefaultMainRect);
    env.Stop();
    EXPECT_TRUE(QFileInfo(env.File("Vistrel.cfg")).isDir());
    EXPECT_FALSE(QFile::exists(env.File("Vistrel.bak")));
}

TEST(ShellConfigFile, FifoInItsPlaceDoesNotBlock) {
    ShellEnv env;
    ASSERT_EQ(::mkfifo(env.File("Vistrel.cfg").toLocal8Bit().constData(), 0600), 0);
    ASSERT_TRUE(env.Start());
    ASSERT_EQ(env.CountBoxes(BoxKind::Error), 1);
    EXPECT_TRUE(env.boxes[0].text.contains(GetUiString(244))) << env.boxes[0].text.toStdString();
    env.Stop();
    struct stat st {};
    ASSERT_EQ(::stat(env.File("Vistrel.cfg").toLocal8Bit().constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_FALSE(QFile::exists(env.File("Vistrel.bak")));
}

TEST(ShellConfigFile, ShortFileGivesOneBoxNamingTheLostWindows) {
    ShellEnv env;
    const QString good = WriteRec(env, "good.kvf");
    const QString gone = env.File("gone.kvf");
    const QByteArray crlf = "32\r\nMainWindow=-1920   40 1280  960\r\n" + Block(good) + Block(gone) +
                            ";HistoryBegin\r\n01.02.26;03:04;5x1;10.0;0.5;" + good.toLocal8Bit() +
                            ";\r\n;HistoryEnd\r\n";
    QByteArray cr = crlf;
    cr.replace("\r\n", "\r");
    for (const QByteArray& text : {crlf, cr}) {
        WriteCfg(env, text);
        env.boxes.clear();
        ASSERT_TRUE(env.Start());
        EXPECT_EQ(g_app->m_windowCount, 1);
        ASSERT_EQ(env.boxes.size(), 1);
        EXPECT_TRUE(env.boxes[0].text.startsWith(GetUiString(321)));
        EXPECT_TRUE(env.boxes[0].text.contains(gone));
        EXPECT_FALSE(env.boxes[0].text.contains(good));
        EXPECT_EQ(g_app->m_history.count, 1);
        // A main window left of the primary monitor keeps its five-character position.
        EXPECT_EQ(g_app->m_mainRect.left, -1920);
        env.Stop();
    }
}

TEST(ShellConfigFile, FifoAsSavedWindowHistoryEntryAndOpenedFile) {
    ShellEnv env;
    const QString fifo = env.File("pipe.kvf");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    WriteCfg(env, " 1\r\nMainWindow=  20   40 1280  960\r\n" + Block(fifo) + ";HistoryBegin\r\na;b;c;d;e;" +
                      fifo.toLocal8Bit() + ";\r\n;HistoryEnd\r\n");
    ASSERT_TRUE(env.Start());
    EXPECT_EQ(g_app->m_windowCount, 0);
    ASSERT_EQ(env.boxes.size(), 1);
    EXPECT_TRUE(env.boxes[0].text.contains(fifo));
    EXPECT_TRUE(env.boxes[0].text.contains(GetUiString(244)));
    // The History dialog's check marks it missing without opening it.
    g_app->CheckHistoryFiles();
    EXPECT_EQ(g_app->m_history.entries[0].missing, 1);
    // File > Open refuses it with the reason; nothing is added to the history.
    env.paths = {fifo};
    env.Frame()->OnCommand(cmd::Open);
    EXPECT_EQ(g_app->m_windowCount, 0);
    ASSERT_EQ(env.boxes.size(), 2);
    EXPECT_TRUE(env.boxes[1].text.contains(GetUiString(244)));
    EXPECT_EQ(g_app->m_history.count, 1);
}

TEST(ShellConfigFile, PathWithALineBreakIsRefused) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    for (const char* name : {"line\nbreak.kvf", "carriage\rreturn.kvf"}) {
        const QString path = WriteRec(env, QString::fromLatin1(name));
        ASSERT_TRUE(QFile::exists(path));
        env.paths = {path};
        env.boxes.clear();
        env.Frame()->OnCommand(cmd::Open);
        EXPECT_EQ(g_app->m_windowCount, 0);
        ASSERT_EQ(env.boxes.size(), 1);
        EXPECT_TRUE(env.boxes[0].text.contains(GetUiString(322)));
        EXPECT_EQ(g_app->m_history.count, 0);
    }
    env.Stop();
    EXPECT_TRUE(env.Read("Vistrel.cfg").endsWith(";HistoryBegin\r\n;HistoryEnd\r\n"));
}

TEST(ShellChangedOnDisk, AskedOnceThenReloadedOrClosed) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    const QString path = WriteRec(env, "grow.kvf", 2000);
    QMdiSubWindow* w = g_app->OpenRecording(path, -1, kNoVCenter);
    ASSERT_NE(w, nullptr);
    PlotWindow* pw = PlotOf(w);
    pw->Plot()->m_channelShown[0] = 1;
    pw->Plot()->m_penColors[0] = 0x0000FF;
    EXPECT_FALSE(pw->PollChangedOnDisk());
    // The recording grows on disk: asked once, Yes reloads it with the new length, keeping the
    // display settings.
    WriteRec(env, "grow.kvf", 3000);
    env.answers = {true};
    EXPECT_TRUE(pw->PollChangedOnDisk());
    EXPECT_FALSE(pw->PollChangedOnDisk());
    EXPECT_EQ(env.CountBoxes(BoxKind::Question), 1);
    EXPECT_TRUE(env.boxes.last().text.contains(GetUiString(323)));
    EXPECT_EQ(pw->File()->Samples(), 3000);
    EXPECT_EQ(pw->Plot()->m_penColors[0], 0x0000FFu);
    EXPECT_EQ(g_app->IndexOfWindow(w), 0);

    // A job is not started on a changed source: a message instead.
    WriteRec(env, "grow.kvf", 3500);
    env.boxes.clear();
    env.Frame()->MdiArea()->setActiveSubWindow(w);
    env.Frame()->OnCommand(cmd::MovingAverage);
    EXPECT_FALSE(CJobRunner::Running());
    ASSERT_EQ(env.CountBoxes(BoxKind::Error), 1);
    EXPECT_TRUE(env.boxes[0].text.contains(GetUiString(324)));
    // File > Reload takes the new contents; then No to the next change closes the window.
    env.Frame()->OnCommand(cmd::Reload);
    EXPECT_EQ(pw->File()->Samples(), 3500);
    EXPECT_FALSE(pw->PollChangedOnDisk());
    WriteRec(env, "grow.kvf", 4000);
    env.answers = {false};
    EXPECT_TRUE(pw->PollChangedOnDisk());
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(g_app->m_windowCount, 0);
    EXPECT_TRUE(QFile::exists(path));
}

TEST(ShellChangedOnDisk, ReloadCommandInBothLanguages) {
    ShellEnv env;
    ASSERT_TRUE(env.Start({}, 1033));
    EXPECT_EQ(env.Frame()->Action(cmd::Reload)->text(), QStringLiteral("&Reload"));
    EXPECT_FALSE(env.Frame()->Action(cmd::Reload)->isEnabled());
    for (int id = 320; id <= 325; ++id) EXPECT_NE(GetUiString(id), QString::number(id)) << id;
    env.Stop();
    ASSERT_TRUE(env.Start({}, 1049));
    EXPECT_EQ(env.Frame()->Action(cmd::Reload)->text(), QStringLiteral("Пере&читать"));
    // The window list still lands at position 8 of the File menu.
    ASSERT_NE(g_app->OpenRecording(WriteRec(env, "r.kvf"), -1, kNoVCenter), nullptr);
    EXPECT_EQ(env.Frame()->FileMenu()->actions().at(8)->menu(), g_app->m_windowMenu);
    EXPECT_TRUE(env.Frame()->Action(cmd::Reload)->isEnabled());
}

TEST(ShellInstance, ChannelIsPerUserAndALiveOneIsKept) {
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    TempDir runtime;
    // A runtime folder belongs to its user alone; one open to others is passed over.
    QFile::setPermissions(QString::fromStdString(runtime.Path().string()),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.Path().string().c_str());
    EXPECT_TRUE(InstanceServerName().startsWith(QString::fromStdString(runtime.Path().string()) + "/"));
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_TRUE(InstanceServerName().contains(QString::fromStdString(platform::CurrentUserTag())));
    EXPECT_TRUE(InstanceServerName().contains(QStringLiteral("Vis Trel")));
    qputenv("XDG_RUNTIME_DIR", runtime.Path().string().c_str());
    {
        ShellEnv env;
        const QString name = InstanceServerName();
        // A stale socket file nobody listens on is replaced.
        {
            QFile stale(name);
            ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        }
        EXPECT_EQ(ProbeInstance(name, 200), InstanceState::None);
        ASSERT_TRUE(env.Start());
        EXPECT_EQ(ProbeInstance(name, 2000), InstanceState::Running);
        env.Stop();
        // A live one (another instance of this user) stops the start and stays.
        QLocalServer live;
        ASSERT_TRUE(live.listen(name));
        EXPECT_FALSE(env.Start());
        EXPECT_TRUE(live.isListening());
        EXPECT_EQ(ProbeInstance(name, 2000), InstanceState::Running);
        env.app.reset();
    }
    if (oldRuntime.isEmpty()) qunsetenv("XDG_RUNTIME_DIR");
    else qputenv("XDG_RUNTIME_DIR", oldRuntime);
}

TEST(PngWrite, FailedWriteKeepsTheOldPictureAndFails) {
    TempDir dir;
    FloatFixture fx;
    fx.samples = 5000;
    const auto kvf = dir / "p.kvf";
    ASSERT_TRUE(WriteFloatFixture(kvf, fx));
    const QString png = QString::fromStdString((dir / "out.png").string());
    {
        QFile old(png);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("OLD PICTURE");
    }
    // The disk fills after 100 bytes: non-zero, the old picture intact, no leftovers.
    SetPngWriteFaultForTest(100);
    EXPECT_NE(RenderPlotToPng(QString::fromStdString(kvf.string()), png, QSize(320, 200)), 0);
    SetPngWriteFaultForTest(-1);
    QFile check(png);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray("OLD PICTURE"));
    check.close();
    EXPECT_EQ(QDir(QString::fromStdString(dir.Path().string())).entryList(QDir::Files).size(), 2);
    // Without a fault the picture replaces the old file completely.
    EXPECT_EQ(RenderPlotToPng(QString::fromStdString(kvf.string()), png, QSize(320, 200)), 0);
    QImage img(png);
    EXPECT_EQ(img.size(), QSize(320, 200));
    // A FIFO as the recording is refused at once.
    const auto fifo = dir / "f.kvf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(RenderPlotToPng(QString::fromStdString(fifo.string()), png, QSize(320, 200)), 2);
}
