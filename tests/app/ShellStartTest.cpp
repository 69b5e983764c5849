// Start-up, language modules, single instance, exit question, configuration across restarts.
#include <QAction>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QProcessEnvironment>

#include "ShellTestSupport.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {
QList<QByteArray> LogLines(const QByteArray& log) {
    QList<QByteArray> lines = log.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (QByteArray& l : lines) {
        EXPECT_TRUE(l.endsWith('\r')) << l.toStdString();
        l.chop(1);
    }
    return lines;
}
} // namespace

TEST(ShellStart, LogLinesRussianWithCommandLine) {
    ShellEnv env;
    const QString missing = env.File("absent.kvf");
    ASSERT_TRUE(env.Start({missing}, 1049));
    const QList<QByteArray> lines = LogLines(env.Read("Debug.txt"));
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines[0], "Test messages");
    EXPECT_EQ(lines[1], "(int)lang=1049(419)");
    EXPECT_EQ(lines[2], "russian");
    EXPECT_EQ(lines[3], "DLL load OK");
    EXPECT_EQ(lines[4], "Menu load OK");
    EXPECT_EQ(lines[5], missing.toLocal8Bit());
    // The frame carries string 202 with "Vis Trel"; the recording could not be opened.
    EXPECT_TRUE(env.Frame()->windowTitle().contains(QStringLiteral("Vis Trel")));
    EXPECT_EQ(env.Frame()->FileMenu()->title(), QStringLiteral("&Файл"));
    ASSERT_FALSE(env.boxes.isEmpty());
    EXPECT_EQ(env.boxes.last().caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(g_app->m_cmdLineLength, missing.toLocal8Bit().size());
    env.Stop();
    // A command line switches the saved windows off: the exit writes none.
    EXPECT_TRUE(env.Read("Vistrel.cfg").startsWith(" 0\r\nMainWindow="));
}

TEST(ShellStart, EnglishAndLanguageIds) {
    EXPECT_EQ(LanguageIdFromLocale(QStringLiteral("ru_RU")), 1049);
    EXPECT_EQ(LanguageIdFromLocale(QStringLiteral("en_US")), 1033);
    EXPECT_EQ(LanguageIdFromLocale(QStringLiteral("ru_RU.UTF-8")), 1049);
    EXPECT_EQ(LanguageIdFromLocale(QStringLiteral("C")), 1033);
    EXPECT_TRUE(IsRussianLanguage(LanguageIdFromLocale(QStringLiteral("ru_UA"))));
    // Other Cyrillic languages get the English module.
    EXPECT_FALSE(IsRussianLanguage(LanguageIdFromLocale(QStringLiteral("uk_UA"))));
    EXPECT_FALSE(IsRussianLanguage(LanguageIdFromLocale(QStringLiteral("be_BY"))));

    ShellEnv env;
    ASSERT_TRUE(env.Start({}, 1033));
    const QList<QByteArray> lines = LogLines(env.Read("Debug.txt"));
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines[1], "(int)lang=1033(409)");
    EXPECT_EQ(lines[2], "nonrussian");
    EXPECT_EQ(GetUiString(214), QStringLiteral("Error"));
    EXPECT_EQ(env.Frame()->Action(cmd::Open)->text(), QStringLiteral("&Open..."));
    // Every string id has a text in both languages.
    for (int id = 200; id <= 237; ++id) EXPECT_FALSE(GetUiString(id).isEmpty()) << id;
    EXPECT_TRUE(GetUiString(226).contains(QStringLiteral("%d")));
    EXPECT_TRUE(env.boxes.isEmpty());
}

TEST(ShellStart, MissingModuleFallsBackToBuiltInRussian) {
    ShellEnv env;
    ASSERT_TRUE(env.Start({}, 1033, env.File("noLangHere")));
    const QList<QByteArray> lines = LogLines(env.Read("Debug.txt"));
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines[3], "DLL load ERROR");
    EXPECT_EQ(lines[4], "Menu load ERROR");
    ASSERT_EQ(env.boxes.size(), 1);
    EXPECT_EQ(env.boxes[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(env.boxes[0].text, QStringLiteral("Language Resource DLL not found in current dir"));
    // Every text still has words: the built-in Russian catalogue.
    EXPECT_EQ(GetUiString(200), QStringLiteral("Открытие файла данных"));
    EXPECT_EQ(GetUiString(214), QStringLiteral("Ошибка"));
    EXPECT_EQ(env.Frame()->Action(cmd::Exit)->text(), QStringLiteral("В&ыход"));
}

TEST(ShellStart, SecondInstanceExitsSilently) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    TempDir other;
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    e.insert(QStringLiteral("VISTREL_INSTANCE_TAG"), QString::fromUtf8(qgetenv("VISTREL_INSTANCE_TAG")));
    p.setProcessEnvironment(e);
    p.setWorkingDirectory(QString::fromStdString(other.Path().string()));
    p.start(QStringLiteral(VISTREL_APP_PATH), {});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_FALSE(std::filesystem::exists(other / "Debug.txt"));
    EXPECT_FALSE(std::filesystem::exists(other / "Vistrel.cfg"));
    // In-process, a second start is refused the same way.
    CApplication second;
    StartOptions o;
    o.languageDir = QStringLiteral(VISTREL_LANG_DIR);
    EXPECT_FALSE(second.Start(o));
}

TEST(ShellStart, ExitQuestionAskedOnce) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    // The close button asks; No keeps the program.
    env.answers = {false};
    env.Frame()->close();
    ASSERT_EQ(env.CountBoxes(BoxKind::Question), 1);
    EXPECT_EQ(env.boxes.last().text, GetUiString(211));
    EXPECT_EQ(env.boxes.last().caption, QStringLiteral("?"));
    EXPECT_FALSE(g_exitConfirmed);
    // Exit asks once, Yes confirms, and the resulting close does not ask again.
    env.answers = {true};
    env.Frame()->OnCommand(cmd::Exit);
    EXPECT_EQ(env.CountBoxes(BoxKind::Question), 2);
    EXPECT_TRUE(g_exitConfirmed);
    env.Frame()->close();
    EXPECT_EQ(env.CountBoxes(BoxKind::Question), 2);
}

TEST(ShellStart, MenuStateWithoutWindows) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    CMainFrame* f = env.Frame();
    for (int id : {cmd::Open, cmd::History, cmd::Exit, cmd::About}) EXPECT_TRUE(f->Action(id)->isEnabled()) << id;
    for (int id : {cmd::Parameters, cmd::SaveFragment, cmd::Close, cmd::CloseAll, cmd::MinMax, cmd::MovingAverage,
                   cmd::Average, cmd::Linear, cmd::Rms, cmd::AddSub, cmd::TableFunction, cmd::Spectrum,
                   cmd::SaveChannels})
        EXPECT_FALSE(f->Action(id)->isEnabled()) << id;
    // File menu: positions 0..7 fixed, then Exit; no window list yet.
    EXPECT_EQ(g_app->m_windowMenu, nullptr);
    const QList<QAction*> items = f->FileMenu()->actions();
    ASSERT_GT(items.size(), 8);
    EXPECT_EQ(items[8]->data().toInt(), 0); // separator before Exit
}

TEST(ShellStart, ConfigurationHistoryAcrossRestart) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    // The first start created the file with the defaults.
    EXPECT_EQ(env.Read("Vistrel.cfg"), QByteArray(" 0\r\nMainWindow=  20   40 1280  960\r\n"));
    g_app->AddToHistory(QStringLiteral("/data/one.kvf"), 60000, 2, 1000.0f);
    g_app->AddToHistory(QStringLiteral("/data/two.kvf"), 500, 1, 250.0f);
    env.Frame()->move(33, 44);
    env.Frame()->resize(900, 700);
    env.Stop();
    EXPECT_TRUE(env.Read("Vistrel.bak").startsWith(" 0\r\nMainWindow=  20   40 1280  960\r\n"));
    const QByteArray cfg = env.Read("Vistrel.cfg");
    EXPECT_TRUE(cfg.contains(";HistoryBegin\r\n")) << cfg.toStdString();
    EXPECT_TRUE(cfg.contains(";250.0;2.0;/data/two.kvf;\r\n")) << cfg.toStdString();

    ASSERT_TRUE(env.Start());
    EXPECT_EQ(g_app->m_history.count, 2);
    EXPECT_EQ(g_app->m_history.entries[0].path, "/data/two.kvf");
    EXPECT_EQ(g_app->m_history.entries[1].size, "60000x2");
    EXPECT_EQ(g_app->m_mainRect, (ConfigRect{33, 44, 933, 744}));
    EXPECT_EQ(env.Frame()->geometry().size(), QSize(900, 700));
    // A count out of range drops windows and history; the next exit writes an empty history.
    env.Stop();
    QFile f(env.File("Vistrel.cfg"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("33\r\nMainWindow=  20   40 1280  960\r\n;HistoryBegin\r\na;b;c;d;e;/x.kvf;\r\n;HistoryEnd\r\n");
    f.close();
    ASSERT_TRUE(env.Start());
    EXPECT_EQ(g_app->m_history.count, 0);
    env.Stop();
    EXPECT_TRUE(env.Read("Vistrel.cfg").endsWith(";HistoryBegin\r\n;HistoryEnd\r\n"));
}
