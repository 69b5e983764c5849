// The desktop side of the program: files handed from a second start to the running one, the
// desktop start's working folder, Qt's own texts and the read-out's unit words per language.
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QRegularExpression>
#include <QThread>
#include <QTranslator>

#include <functional>

#include "ShellTestSupport.h"
#include "plot/PlotWindow.h"
#include "shell/AboutBox.h"
#include "shell/InstanceChannel.h"
#include "core/common/StringIds.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

// Runs the event loop until the condition holds or the time is up.
bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(5);
    }
    return true;
}

// Lets the event loop run for a while (for things that must NOT happen).
void Pump(int ms) { WaitFor([] { return false; }, ms); }

QString MakeRecording(const std::filesystem::path& path) {
    FloatFixture f;
    f.layout.channels = 3;
    f.layout.rate = 44100.0f;
    f.samples = 100;
    EXPECT_TRUE(WriteFloatFixture(path, f));
    return QString::fromStdString(path.string());
}

// Starts the real program as a second start in `dir` with the given arguments.
int RunSecondStart(const QString& dir, const QStringList& args) {
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    e.insert(QStringLiteral("VISTREL_INSTANCE_TAG"), QString::fromUtf8(qgetenv("VISTREL_INSTANCE_TAG")));
    p.setProcessEnvironment(e);
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral(VISTREL_APP_PATH), args);
    if (!p.waitForFinished(20000) || p.exitStatus() != QProcess::NormalExit) return -1;
    return p.exitCode();
}

void Send(const QByteArray& message) {
    QLocalSocket s;
    s.connectToServer(InstanceServerName());
    ASSERT_TRUE(s.waitForConnected(2000));
    s.write(message);
    s.waitForBytesWritten(2000);
    s.disconnectFromServer();
}

// XDG_DATA_HOME pointed at a temporary folder; the old value comes back even after a failure.
class DesktopStart : public ::testing::Test {
protected:
    void SetUp() override {
        m_old = qgetenv("XDG_DATA_HOME");
        m_had = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        m_oldConfig = qgetenv("XDG_CONFIG_HOME");
        m_hadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((m_data / "data home").string()));
        // The user's folders are what is tested here: the test location of the other tests is
        // left for a temporary one, the per-user settings included.
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((m_data / "config home").string()));
        QStandardPaths::setTestModeEnabled(false);
    }
    void TearDown() override {
        QStandardPaths::setTestModeEnabled(true);
        if (m_had)
            qputenv("XDG_DATA_HOME", m_old);
        else
            qunsetenv("XDG_DATA_HOME");
        if (m_hadConfig)
            qputenv("XDG_CONFIG_HOME", m_oldConfig);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    TempDir m_data;
    QByteArray m_old, m_oldConfig;
    bool m_had = false, m_hadConfig = false;
};

} // namespace

TEST(InstanceRequest, OnlyWellFormedRequestsAreRead) {
    const QStringList paths{QStringLiteral("/data/a b.kvf"), QStringLiteral("/data/дата/c.KVF")};
    const auto back = DecodeOpenRequest(EncodeOpenRequest(paths));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, paths);
    // No paths: a request that only raises the window.
    ASSERT_TRUE(DecodeOpenRequest(EncodeOpenRequest({})).has_value());
    EXPECT_TRUE(DecodeOpenRequest(EncodeOpenRequest({}))->isEmpty());
    for (const char* bad : {"", "hello", "{", "[]", "{\"request\":\"vistrel-open\"}",
                            "{\"request\":\"vistrel-open\",\"paths\":\"/a.kvf\"}",
                            "{\"request\":\"vistrel-close\",\"paths\":[]}",
                            "{\"request\":\"vistrel-open\",\"paths\":[1]}",
                            "{\"request\":\"vistrel-open\",\"paths\":[],\"run\":\"rm\"}"})
        EXPECT_FALSE(DecodeOpenRequest(QByteArray(bad)).has_value()) << bad;
    // A bad path does not spoil the request: it stays in the list and is refused on its own.
    const std::pair<QString, int> paths2[] = {{QStringLiteral("/a.kvf"), 0},
                                              {QStringLiteral("rel.kvf"), IDS_PATH_NOT_ABSOLUTE},
                                              {QString(), IDS_PATH_NOT_ABSOLUTE},
                                              {QStringLiteral("/a\nb.kvf"), IDS_PATH_HAS_LINE_BREAK},
                                              {QStringLiteral("/a\rb.kvf"), IDS_PATH_HAS_LINE_BREAK}};
    for (const auto& [path, problem] : paths2) {
        const auto decoded = DecodeOpenRequest(EncodeOpenRequest({QStringLiteral("/x.kvf"), path}));
        ASSERT_TRUE(decoded.has_value()) << path.toStdString();
        EXPECT_EQ(*decoded, (QStringList{QStringLiteral("/x.kvf"), path}));
        EXPECT_EQ(HandedOverPathProblem(path), problem) << path.toStdString();
    }
    // Relative arguments are made absolute against the current directory of the sender.
    EXPECT_EQ(AbsoluteRecordingPaths({QStringLiteral("x.kvf"), QString()}),
              QStringList{QDir::current().absoluteFilePath(QStringLiteral("x.kvf"))});
}

TEST(InstanceChannel, SecondStartHandsItsRecordingToTheRunningOne) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    TempDir other;
    const QString recording = MakeRecording(other / "second.kvf");
    // The path is relative to the second start's own folder, not to the first's.
    EXPECT_EQ(RunSecondStart(QString::fromStdString(other.Path().string()), {QStringLiteral("second.kvf")}), 0);
    ASSERT_TRUE(WaitFor([] { return g_app->m_windowCount == 1; }));
    EXPECT_TRUE(IsSamePath(g_app->WindowPath(g_app->m_windows[0]), recording));
    // Opened as File > Open opens: it enters the history.
    ASSERT_EQ(g_app->m_history.count, 1);
    // The second start wrote nothing.
    EXPECT_FALSE(std::filesystem::exists(other / "Debug.txt"));
    EXPECT_FALSE(std::filesystem::exists(other / "Vistrel.cfg"));
    // Without arguments it only raises the window; a missing file gets File > Open's message.
    EXPECT_EQ(RunSecondStart(QString::fromStdString(other.Path().string()), {}), 0);
    Pump(300);
    EXPECT_EQ(g_app->m_windowCount, 1);
    EXPECT_TRUE(env.boxes.isEmpty());
    EXPECT_EQ(RunSecondStart(QString::fromStdString(other.Path().string()), {QStringLiteral("absent.kvf")}), 0);
    ASSERT_TRUE(WaitFor([&] { return !env.boxes.isEmpty(); }));
    EXPECT_EQ(env.boxes.last().kind, BoxKind::Error);
    EXPECT_EQ(g_app->m_windowCount, 1);
}

TEST(InstanceChannel, TwoSecondStartsAtOnceBothDeliver) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    TempDir other;
    const QString a = MakeRecording(other / "a.kvf");
    const QString b = MakeRecording(other / "b.kvf");
    // One path spelled through a symbolic link and "./".
    std::filesystem::create_symlink(other / "b.kvf", other / "link.kvf");
    const QString folder = QString::fromStdString(other.Path().string());
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    e.insert(QStringLiteral("VISTREL_INSTANCE_TAG"), QString::fromUtf8(qgetenv("VISTREL_INSTANCE_TAG")));
    QProcess p1, p2;
    for (QProcess* p : {&p1, &p2}) {
        p->setProcessEnvironment(e);
        p->setWorkingDirectory(folder);
    }
    p1.start(QStringLiteral(VISTREL_APP_PATH), {QStringLiteral("a.kvf")});
    p2.start(QStringLiteral(VISTREL_APP_PATH), {QStringLiteral("./link.kvf")});
    // The running instance keeps serving its channel while both wait.
    ASSERT_TRUE(WaitFor([&] { return p1.state() == QProcess::NotRunning && p2.state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(p1.exitCode(), 0);
    EXPECT_EQ(p2.exitCode(), 0);
    ASSERT_TRUE(WaitFor([] { return g_app->m_windowCount == 2; }));
    QStringList opened{g_app->WindowPath(g_app->m_windows[0]), g_app->WindowPath(g_app->m_windows[1])};
    const bool aFirst = IsSamePath(opened[0], a);
    EXPECT_TRUE(IsSamePath(opened[aFirst ? 0 : 1], a));
    EXPECT_TRUE(IsSamePath(opened[aFirst ? 1 : 0], b));
    EXPECT_TRUE(env.boxes.isEmpty());
}

TEST(InstanceChannel, MalformedMessagesAreIgnored) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    const QString recording = MakeRecording(std::filesystem::path(env.Dir().toStdString()) / "r.kvf");
    for (const QByteArray& bad :
         {QByteArray("garbage"), QByteArray("{\"request\":\"vistrel-open\",\"paths\":[7]}"),
          QByteArray("{\"request\":\"other\",\"paths\":[\"") + recording.toUtf8() + "\"]}",
          QByteArray(2 << 20, '{'), QByteArray()}) {
        Send(bad);
        Pump(200);
        EXPECT_EQ(g_app->m_windowCount, 0) << bad.left(60).toStdString();
    }
    EXPECT_TRUE(env.boxes.isEmpty());
    // The channel still works after them.
    Send(EncodeOpenRequest({recording}));
    ASSERT_TRUE(WaitFor([] { return g_app->m_windowCount == 1; }));
    EXPECT_TRUE(env.boxes.isEmpty());
}

// Every file a second start names is opened; a bad path among them is refused alone, with a
// message naming it.
TEST(InstanceChannel, EveryHandedOverFileOpensAndABadPathIsRefusedAlone) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    TempDir other;
    const QString folder = QString::fromStdString(other.Path().string());
    for (const char* name : {"a.kvf", "b.kvf", "c.kvf", "d.kvf"}) MakeRecording(other / name);
    const QString broken = folder + QStringLiteral("/bro\nken.kvf");
    struct Case {
        const char* what;
        std::function<void()> send;
        int windows;          // open after the request
        QStringList refused;  // parts of the one error box; empty: none
    };
    const Case cases[] = {
        {"a real second start with two files",
         [&] { EXPECT_EQ(RunSecondStart(folder, {QStringLiteral("a.kvf"), QStringLiteral("b.kvf")}), 0); }, 2, {}},
        {"a line break in the middle",
         [&] { Send(EncodeOpenRequest({folder + QStringLiteral("/c.kvf"), broken, folder + QStringLiteral("/d.kvf")})); },
         4, {broken, GetUiString(IDS_PATH_HAS_LINE_BREAK)}},
        {"a relative path",
         [&] { Send(EncodeOpenRequest({QStringLiteral("r.kvf")})); }, 4, {QStringLiteral("r.kvf"), GetUiString(IDS_PATH_NOT_ABSOLUTE)}},
    };
    for (const Case& c : cases) {
        env.boxes.clear();
        c.send();
        ASSERT_TRUE(WaitFor([&] { return g_app->m_windowCount == c.windows && env.boxes.size() == (c.refused.isEmpty() ? 0 : 1); }))
            << c.what << ": " << g_app->m_windowCount << " windows";
        Pump(200);
        ASSERT_EQ(env.boxes.size(), c.refused.isEmpty() ? 0 : 1) << c.what;
        for (const QString& part : c.refused) EXPECT_TRUE(env.boxes.last().text.contains(part)) << c.what;
    }
    // A first start with several files opens them all.
    g_app->CloseAllWindows();
    env.Stop();
    ASSERT_TRUE(env.Start({folder + QStringLiteral("/a.kvf"), folder + QStringLiteral("/b.kvf")}));
    EXPECT_EQ(g_app->m_windowCount, 2);
}

TEST_F(DesktopStart, RunsInTheUserFolderAndKeepsTheSavedWindows) {
    ShellEnv env;
    const QString recording = MakeRecording(std::filesystem::path(env.Dir().toStdString()) / "desk.kvf");
    // The user's data folder: $XDG_DATA_HOME of the fixture.
    const QString work = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/vistrel");
    {
        CApplication app;
        StartOptions o;
        o.languageDir = QStringLiteral(VISTREL_LANG_DIR);
        o.languageId = 1033;
        o.desktop = true;
        o.arguments = {recording};
        ASSERT_TRUE(app.Start(o));
        EXPECT_EQ(DesktopWorkingFolder(), work);
        EXPECT_EQ(QDir::currentPath(), work);
        EXPECT_TRUE(QFileInfo::exists(work + QStringLiteral("/Debug.txt")));
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(env.Dir().toStdString()) / "Debug.txt"));
        // Files from the desktop keep the saved windows on and enter the history.
        EXPECT_EQ(g_app->m_cmdLineLength, 0);
        ASSERT_EQ(g_app->m_windowCount, 1);
        EXPECT_EQ(g_app->m_history.count, 1);
        // File dialogs start in the documents folder.
        g_app->m_frame->OnCommand(cmd::Open);
        ASSERT_FALSE(env.dialogFolders.isEmpty());
        EXPECT_EQ(env.dialogFolders.last(), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
        app.Shutdown();
    }
    // The window was saved, so the next plain start brings it back.
    QFile cfg(work + QStringLiteral("/Vistrel.cfg"));
    ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(cfg.readAll().startsWith(" 1\r\n"));
    // A start from a terminal leaves the dialogs in the current directory again.
    QDir::setCurrent(env.Dir());
    ASSERT_TRUE(env.Start({}, 1033));
    g_app->m_frame->OnCommand(cmd::Open);
    EXPECT_EQ(env.dialogFolders.last(), QDir::currentPath());
}

TEST(ShellLanguage, QtTextsAndUnitWordsFollowTheModule) {
    ShellEnv env;
    ASSERT_TRUE(env.Start({}, 1049));
    // Standard buttons of message boxes and file dialogs come from Qt's own Russian catalogue.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Да"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "&Open"), QStringLiteral("&Открыть"));
    EXPECT_EQ(UiTimeUnitWords().micro, "мкс");
    EXPECT_EQ(UiTimeUnitWords().second, "с");
    env.Stop();
    ASSERT_TRUE(env.Start({}, 1033));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Yes"));
    EXPECT_EQ(UiTimeUnitWords().micro, "µs");
    EXPECT_EQ(UiTimeUnitWords().milli, "ms");
    EXPECT_EQ(UiTimeUnitWords().second, "s");
    // The installed language modules are searched after the ones beside the program.
    const QStringList folders = LanguageModuleFolders();
    ASSERT_EQ(folders.size(), 2);
    EXPECT_EQ(folders[0], QCoreApplication::applicationDirPath() + QStringLiteral("/LangDLLs"));
    EXPECT_TRUE(folders[1].endsWith(QStringLiteral("/share/vistrel/LangDLLs")));
    EXPECT_EQ(QDir(folders[1]).absolutePath(),
              QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/vistrel/LangDLLs")).absolutePath());
}

TEST(ShellLanguage, ReadOutShowsTheUnitWordsOfTheModule) {
    TempDir dir;
    FloatFixture f;
    f.layout.channels = 3;
    f.layout.rate = 48000.0;
    f.samples = 48000;
    ASSERT_TRUE(WriteFloatFixture(dir / "units.kvf", f));
    const std::pair<const char*, const char*> cases[] = {{"LangRsEn.qm", "(µs|ms|s)"}, {"LangRsRu.qm", "(мкс|мс|с)"}};
    for (const auto& [module, units] : cases) {
        QTranslator tr;
        ASSERT_TRUE(tr.load(QStringLiteral(VISTREL_LANG_DIR "/") + QLatin1String(module)));
        QCoreApplication::installTranslator(&tr);
        QString error;
        auto window = PlotWindow::CreateDetached(QString::fromStdString((dir / "units.kvf").string()), &error);
        ASSERT_TRUE(window) << error.toStdString();
        window->resize(1000, 600);
        window->show();
        window->LayoutChildren();
        window->Canvas()->repaint();
        QCoreApplication::processEvents();
        window->OnFirstTimer();
        window->Canvas()->repaint();
        QCoreApplication::processEvents();
        const QString text = window->StatusText(1);
        EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("dT=-?[0-9.]+ %1 ").arg(QString::fromUtf8(units)))))
            << module << ": " << text.toStdString();
        window.reset();
        QCoreApplication::removeTranslator(&tr);
    }
}

TEST(ShellInstalled, AboutBoxTakesTheInstalledPictureAfterTheCurrentDirectory) {
    EXPECT_EQ(QDir(InstalledPictureFolder()).absolutePath(),
              QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/vistrel")).absolutePath());
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    TempDir installed;
    QImage img(200, 80, QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(QString::fromStdString((installed / "LogoADC.bmp").string()), "BMP"));
    struct Restore {
        ~Restore() { SetInstalledPictureFolder(QString()); }
    } restore; // also after a failed assertion
    SetInstalledPictureFolder(QString::fromStdString(installed.Path().string()));
    int width = -1;
    SetShellDialogHook([&](QDialog& d) { width = static_cast<CAboutBox&>(d).Picture().width(); });
    env.Frame()->OnCommand(cmd::About);
    EXPECT_EQ(width, 200);
    // The current directory's picture wins.
    img = QImage(300, 120, QImage::Format_RGB32);
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(env.File("LogoADC.bmp"), "BMP"));
    env.Frame()->OnCommand(cmd::About);
    EXPECT_EQ(width, 300);
    SetShellDialogHook({});
}
