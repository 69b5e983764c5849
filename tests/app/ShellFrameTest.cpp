// Frame commands without plot windows, window list, device selection, progress box.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>

#include "ShellTestSupport.h"
#include "shell/AboutBox.h"
#include "shell/ProgressBox.h"

using namespace vistrel;
using namespace vistrel::test;

TEST(ShellFrame, OpenCancelAndMissingFile) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    // Cancel: nothing happens.
    env.Frame()->OnCommand(cmd::Open);
    EXPECT_TRUE(env.boxes.isEmpty());
    ASSERT_EQ(env.dialogTitles.size(), 1);
    EXPECT_EQ(env.dialogTitles[0], GetUiString(200));
    EXPECT_EQ(env.dialogFolders[0], QDir::currentPath());
    ASSERT_EQ(env.lastFilters.size(), 1);
    EXPECT_EQ(env.lastFilters[0].text, GetUiString(201) + QStringLiteral("(*.kvf)"));
    // A file that does not exist: string 221 and the path, captioned 214; no history entry.
    env.paths = {env.File("sub/none.kvf")};
    env.Frame()->OnCommand(cmd::Open);
    ASSERT_EQ(env.boxes.size(), 1);
    EXPECT_EQ(env.boxes[0].caption, GetUiString(214));
    EXPECT_EQ(env.boxes[0].text, GetUiString(221) + QLatin1Char('\n') + env.File("sub/none.kvf"));
    EXPECT_EQ(g_app->m_history.count, 0);
    // The next dialog starts in the folder of the previous answer; the current directory stays.
    env.Frame()->OnCommand(cmd::Open);
    EXPECT_EQ(env.dialogFolders.last(), env.File("sub"));
    EXPECT_EQ(QDir::currentPath(), env.Dir());
}

TEST(ShellFrame, SaveDialogAddsFilterExtension) {
    ShellEnv env;
    env.paths = {env.File("out"), env.File("name.dat")};
    env.chosenFilter = 1;
    const QList<FileFilter> filters{{QStringLiteral("A(*.kvf)"), QStringLiteral("*.kvf")},
                                    {QStringLiteral("B(*.txt)"), QStringLiteral("*.txt")}};
    EXPECT_EQ(RunFileDialog(FileDialogMode::Save, nullptr, QStringLiteral("t"), filters, QStringLiteral("\\File")),
              env.File("out.txt"));
    EXPECT_EQ(LastPath(), env.File("out.txt"));
    EXPECT_EQ(RunFileDialog(FileDialogMode::Save, nullptr, QStringLiteral("t"), filters, QStringLiteral("\\File")),
              env.File("name.dat"));
    EXPECT_TRUE(RunFileDialog(FileDialogMode::Open, nullptr, QStringLiteral("t"), filters, QString()).isEmpty());
}

TEST(ShellFrame, WindowListAndCloseAll) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    CMainFrame* f = env.Frame();
    QList<QMdiSubWindow*> subs;
    for (int i = 0; i < 3; ++i) {
        auto* w = f->MdiArea()->addSubWindow(new QWidget);
        w->setWindowTitle(QStringLiteral("/rec/%1.kvf").arg(i));
        w->show();
        g_app->RegisterPlotWindow(w);
        g_app->RegisterPlotWindow(w); // listed once
        subs << w;
    }
    EXPECT_EQ(g_app->m_windowCount, 3);
    ASSERT_NE(g_app->m_windowMenu, nullptr);
    // The list sits at position 8 of the File menu with ids 50000 + i in opening order.
    EXPECT_EQ(f->FileMenu()->actions().at(8), g_app->m_windowMenu->menuAction());
    EXPECT_EQ(g_app->m_windowMenu->title(), GetUiString(237));
    QList<QAction*> items = g_app->m_windowMenu->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[1]->text(), QStringLiteral("/rec/1.kvf"));
    EXPECT_EQ(items[1]->data().toInt(), 50001);
    EXPECT_TRUE(IsFileOpen(QStringLiteral("/rec/2.kvf")));
    EXPECT_FALSE(IsFileOpen(QStringLiteral("/REC/2.kvf")));

    f->OnCommand(50000);
    EXPECT_EQ(f->MdiArea()->activeSubWindow(), subs[0]);
    EXPECT_TRUE(f->Action(cmd::Close)->isEnabled());
    // Closing one keeps the order of the others.
    delete subs[1];
    EXPECT_EQ(g_app->m_windowCount, 2);
    items = g_app->m_windowMenu->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[1]->text(), QStringLiteral("/rec/2.kvf"));
    EXPECT_EQ(items[1]->data().toInt(), 50001);
    // Close all empties the list and removes the submenu from position 8.
    for (QMdiSubWindow* w : {subs[0], subs[2]}) w->setAttribute(Qt::WA_DeleteOnClose);
    f->OnCommand(cmd::CloseAll);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    EXPECT_EQ(g_app->m_windowCount, 0);
    EXPECT_EQ(g_app->m_windowMenu, nullptr);
    EXPECT_EQ(f->FileMenu()->actions().at(8)->menu(), nullptr);
    EXPECT_TRUE(f->MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(f->MdiArea()->activeSubWindow(), nullptr);
    EXPECT_FALSE(f->Action(cmd::Close)->isEnabled());
}

TEST(ShellFrame, SelectDevices) {
    ShellEnv env;
    // Three devices: boxes 4..8 disabled; checking 1 and 3 gives mask 5.
    SetShellDialogHook([](QDialog& d) {
        for (int id = 1143; id <= 1150; ++id) {
            auto* box = d.findChild<QCheckBox*>(QString::number(id));
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->isEnabled(), id < 1146) << id;
            EXPECT_EQ(box->isChecked(), id < 1146) << id;
        }
        d.findChild<QCheckBox*>(QStringLiteral("1144"))->setChecked(false);
        d.findChild<QPushButton*>(QStringLiteral("1"))->click();
    });
    EXPECT_EQ(RunSelectDevsDialog(nullptr, 3), 5);
    // Nothing checked, or the box closed without button 1: mask 0 (a refusal).
    SetShellDialogHook([](QDialog& d) {
        for (int id = 1143; id <= 1145; ++id) d.findChild<QCheckBox*>(QString::number(id))->setChecked(false);
        d.findChild<QPushButton*>(QStringLiteral("1"))->click();
    });
    EXPECT_EQ(RunSelectDevsDialog(nullptr, 3), 0);
    SetShellDialogHook([](QDialog& d) { d.close(); });
    EXPECT_EQ(RunSelectDevsDialog(nullptr, 2), 0);
}

TEST(ShellFrame, AboutBoxWithAndWithoutPicture) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    int width = 0;
    SetShellDialogHook([&](QDialog& d) {
        auto& box = static_cast<CAboutBox&>(d);
        EXPECT_EQ(d.objectName(), QStringLiteral("103"));
        width = box.Picture().width();
        if (!box.Picture().isNull()) {
            EXPECT_EQ(d.width(), box.Picture().width() + 10);
            // Two strips: the program's name, version and licence, then the build stamp.
            EXPECT_EQ(d.height(), box.Picture().height() + 2 * box.StripHeight() + 10);
        }
    });
    env.Frame()->OnCommand(cmd::About); // no picture: still shown
    EXPECT_EQ(width, 0);
    QImage img(300, 120, QImage::Format_RGB32);
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(env.File("LogoADC.bmp"), "BMP"));
    env.Frame()->OnCommand(cmd::About);
    EXPECT_EQ(width, 300);
}

TEST(ShellFrame, ProgressBoxFromWorker) {
    QWidget owner;
    owner.resize(400, 300);
    owner.show();
    QPointer<CProgressBox> box = new CProgressBox(&owner);
    auto* number = box->findChild<QLabel*>(QStringLiteral("1067"));
    auto* bar = box->findChild<QProgressBar*>(QStringLiteral("1068"));
    ASSERT_NE(number, nullptr);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    std::atomic<int> step{0};
    QThread* worker = QThread::create([&] {
        PostProgressTitle(box, QStringLiteral("Working"));
        PostProgressPercent(box, 42);
        step = 1;
    });
    worker->start();
    while (step == 0) QCoreApplication::processEvents();
    worker->wait();
    delete worker;
    EXPECT_EQ(number->text(), QStringLiteral("42"));
    EXPECT_EQ(bar->value(), 42);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Working"));
    box->close(); // a running job cannot be cancelled by closing
    EXPECT_TRUE(box->isVisible());
    PostProgressPercent(box, 100);
    EXPECT_FALSE(box->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(box.isNull());
    PostProgressPercent(box, 10); // a box already gone is ignored
}

TEST(ShellFrame, WindowListKeepsAmpersandsAndMenusHaveMnemonics) {
    for (int lang : {1049, 1033}) {
        ShellEnv env;
        ASSERT_TRUE(env.Start({}, lang));
        CMainFrame* f = env.Frame();
        auto* w = f->MdiArea()->addSubWindow(new QWidget);
        w->setWindowTitle(QStringLiteral("/rec/R&D/a&&b.kvf"));
        w->show();
        g_app->RegisterPlotWindow(w);
        ASSERT_NE(g_app->m_windowMenu, nullptr);
        const QList<QAction*> items = g_app->m_windowMenu->actions();
        ASSERT_EQ(items.size(), 1);
        EXPECT_EQ(items[0]->text(), QStringLiteral("/rec/R&&D/a&&&&b.kvf"));
        EXPECT_EQ(items[0]->iconText(), QStringLiteral("/rec/R&D/a&&b.kvf"));

        // Every menu and command carries one mnemonic, unique within its menu.
        for (QAction* top : f->menuBar()->actions()) {
            if (!top->menu() || top->menu() == g_app->m_windowMenu) continue;
            EXPECT_EQ(top->text().count(QLatin1Char('&')), 1) << top->text().toStdString();
            QSet<QChar> keys;
            for (QAction* a : top->menu()->actions()) {
                if (a->isSeparator() || a->menu()) continue;
                const QString t = a->text();
                const qsizetype amp = t.indexOf(QLatin1Char('&'));
                ASSERT_GE(amp, 0) << t.toStdString();
                ASSERT_LT(amp + 1, t.size());
                const QChar key = t.at(amp + 1).toLower();
                EXPECT_FALSE(keys.contains(key)) << t.toStdString();
                keys.insert(key);
            }
        }
        delete w;
    }
}
