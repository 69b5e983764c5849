// The main window's shortcuts, the keys dialog in both languages, the legend command and
// recordings dropped onto the window.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QTableWidget>
#include <QTest>
#include <QUrl>

#include "ShellTestSupport.h"
#include "core/common/StringIds.h"
#include "plot/PlotWindow.h"
#include "shell/KeysDialog.h"
#include "shell/PlotLink.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

QString WriteRecording(ShellEnv& env, const QString& name) {
    FloatFixture f;
    f.layout.channels = 2;
    f.layout.rate = 48000.0;
    f.samples = 96000;
    const QString path = env.File(name);
    EXPECT_TRUE(WriteFloatFixture(path.toStdString(), f));
    return path;
}

// Drags `paths` over the frame and drops them; returns whether the drag was accepted.
bool Drop(CMainFrame* frame, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& p : paths) urls.append(QUrl::fromLocalFile(p));
    data.setUrls(urls);
    const QPoint at(frame->width() / 2, frame->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame, &drop);
    return drop.isAccepted();
}

} // namespace

TEST(ShellKeys, ShortcutsOfTheCommands) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    CMainFrame* f = env.Frame();
    EXPECT_EQ(f->Action(cmd::Open)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(f->Action(cmd::Close)->shortcut(), QKeySequence(QStringLiteral("Ctrl+W")));
    EXPECT_EQ(f->Action(cmd::Exit)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    // F1 opens the help's contents, whose keys page lists the keys too.
    EXPECT_EQ(f->Action(cmd::HelpContents)->shortcut(), QKeySequence(QStringLiteral("F1")));
    EXPECT_TRUE(f->Action(cmd::Keys)->shortcut().isEmpty());
    EXPECT_TRUE(f->Action(cmd::MinMax)->isCheckable());
    EXPECT_TRUE(f->Action(cmd::Legend)->isCheckable());
    EXPECT_FALSE(f->Action(cmd::Legend)->isChecked());
}

TEST(ShellKeys, KeysDialogInBothLanguages) {
    for (int lang : {1033, 1049}) {
        ShellEnv env;
        ASSERT_TRUE(env.Start({}, lang));
        QString title;
        int rows = 0;
        QStringList actions;
        SetShellDialogHook([&](QDialog& d) {
            title = d.windowTitle();
            auto* table = d.findChild<QTableWidget*>(QStringLiteral("keys"));
            ASSERT_NE(table, nullptr);
            rows = table->rowCount();
            for (int i = 0; i < rows; ++i) actions.append(table->item(i, 1)->text());
        });
        env.Frame()->OnCommand(cmd::Keys);
        SetShellDialogHook({});
        EXPECT_EQ(title, lang == 1033 ? QStringLiteral("Keys and mouse") : QStringLiteral("Клавиши и мышь"));
        EXPECT_EQ(rows, 28);
        // Every mouse action has its row: grabbing a level cursor without Shift among them.
        EXPECT_TRUE(actions.contains(lang == 1033 ? QStringLiteral("Level cursors: point within 4 px of one and drag it (no Shift needed)")
                                                  : QStringLiteral("Курсоры уровня: наведите указатель ближе 4 пикселей и перетащите (Shift не нужен)")));
        for (const QString& a : actions) EXPECT_FALSE(a.at(0).isDigit()) << a.toStdString();   // no bare ids
        EXPECT_TRUE(actions.contains(lang == 1033 ? QStringLiteral("The whole recording") : QStringLiteral("Вся запись")));
        EXPECT_TRUE(actions.contains(lang == 1033 ? QStringLiteral("Time cursor 1 to the next / previous upward crossing of level cursor 1 by the selected channel")
                                                  : QStringLiteral("Курсор времени 1 к следующему / предыдущему пересечению уровня курсора 1 выбранным каналом снизу вверх")));
        EXPECT_EQ(env.Frame()->Action(cmd::Legend)->text(), lang == 1033 ? QStringLiteral("&Legend") : QStringLiteral("&Легенда"));
        EXPECT_EQ(env.Frame()->Action(cmd::Lanes)->text(), lang == 1033 ? QStringLiteral("La&nes") : QStringLiteral("&Дорожки"));
    }
}

TEST(ShellKeys, DroppedRecordingsOpenAsFileOpenOpensThem) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    CMainFrame* f = env.Frame();
    const QString one = WriteRecording(env, "one.kvf");
    const QString two = WriteRecording(env, "TWO.KVF");
    // Nothing to open among the files: the drag is refused.
    EXPECT_FALSE(Drop(f, {env.File("notes.txt")}));
    EXPECT_EQ(g_app->m_windowCount, 0);

    ASSERT_TRUE(Drop(f, {one, env.File("notes.txt"), two}));
    ASSERT_EQ(g_app->m_windowCount, 2);
    EXPECT_EQ(PlotPath(g_app->m_windows[0]), one);
    EXPECT_EQ(PlotPath(g_app->m_windows[1]), two);
    ASSERT_EQ(g_app->m_history.count, 2);
    EXPECT_EQ(g_app->m_history.entries[0].size, "96000x2");
    EXPECT_TRUE(env.boxes.isEmpty());

    // A missing recording: the same message as File > Open gives, no window.
    ASSERT_TRUE(Drop(f, {env.File("gone.kvf")}));
    EXPECT_EQ(g_app->m_windowCount, 2);
    ASSERT_EQ(env.boxes.size(), 1);
    EXPECT_EQ(env.boxes[0].text, GetUiString(221) + QLatin1Char('\n') + env.File("gone.kvf"));
    // A file that is no recording: the window's own error, nothing opened, nothing lost.
    QFile junk(env.File("junk.kvf"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a recording");
    junk.close();
    ASSERT_TRUE(Drop(f, {env.File("junk.kvf")}));
    EXPECT_EQ(g_app->m_windowCount, 2);
    EXPECT_GE(env.CountBoxes(BoxKind::Error), 2);
    EXPECT_EQ(env.Read(QStringLiteral("junk.kvf")), QByteArray("not a recording"));
}

TEST(ShellKeys, LegendCommandShowsItInEveryWindowAndNewOnes) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    CMainFrame* f = env.Frame();
    ASSERT_TRUE(Drop(f, {WriteRecording(env, "a.kvf")}));
    ASSERT_EQ(g_app->m_windowCount, 1);
    auto legendOf = [](QMdiSubWindow* w) { return qobject_cast<PlotWindow*>(w->widget())->LegendShown(); };
    EXPECT_FALSE(legendOf(g_app->m_windows[0]));
    f->OnCommand(cmd::Legend);
    EXPECT_TRUE(f->Action(cmd::Legend)->isChecked());
    EXPECT_TRUE(legendOf(g_app->m_windows[0]));
    ASSERT_TRUE(Drop(f, {WriteRecording(env, "b.kvf")}));
    ASSERT_EQ(g_app->m_windowCount, 2);
    EXPECT_TRUE(legendOf(g_app->m_windows[1]));
    f->OnCommand(cmd::Legend);
    EXPECT_FALSE(legendOf(g_app->m_windows[0]));
    EXPECT_FALSE(legendOf(g_app->m_windows[1]));
    EXPECT_FALSE(PlotWindow::LegendDefault());
}

TEST(ShellKeys, CtrlWClosesTheActiveWindowThroughItsShortcut) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    CMainFrame* f = env.Frame();
    ASSERT_TRUE(Drop(f, {WriteRecording(env, "a.kvf"), WriteRecording(env, "b.kvf")}));
    ASSERT_EQ(g_app->m_windowCount, 2);
    f->activateWindow();
    if (!QTest::qWaitForWindowActive(f)) GTEST_SKIP() << "no active window on this platform";
    QMdiSubWindow* active = f->ActiveWindow();
    ASSERT_NE(active, nullptr);
    QTest::keyClick(active->widget(), Qt::Key_W, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(g_app->m_windowCount, 1);
    EXPECT_EQ(f->MdiArea()->subWindowList().size(), 1);
}
