// From the menu command through the dialog to the opened result window, for every command
// whose dialog this program shows, on a recording the test writes.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QTreeWidget>
#include <cmath>

#include "ShellTestSupport.h"
#define VISTREL_QSTRING_PRINTTO
#include "DialogTestUtil.h"
#include "core/recording/DataFile.h"
#include "dialogs/AddSubDialog.h"
#include "dialogs/SaveChasDialog.h"
#include "dialogs/SpectrDialog.h"
#include "dialogs/TableFuncDialog.h"
#include "plot/Cursors.h"
#include "plot/PlotWindow.h"
#include "shell/JobRunner.h"
#include "shell/PlotLink.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

// A 1000 Hz recording of 2 channels: a 50 Hz sine of amplitude 2 and a constant 3.
QString WriteSine(ShellEnv& env, const QString& name) {
    FloatRecordingLayout layout;
    layout.channels = 2;
    const QString path = env.File(name);
    EXPECT_TRUE(WriteFloatRecording(path.toStdString(), layout, 4000, [](uint64_t k, float* row) {
        row[0] = float(2.0 * std::sin(2 * 3.141592653589793 * 50.0 * double(k) / 1000.0));
        row[1] = 3.0f;
    }));
    return path;
}

struct Session {
    ShellEnv env;
    QMdiSubWindow* source = nullptr;
    PlotWindow* window = nullptr;

    bool Open() {
        if (!env.Start()) return false;
        source = g_app->OpenRecording(WriteSine(env, "src.kvf"), -1, kNoVCenter);
        if (!source) return false;
        window = qobject_cast<PlotWindow*>(source->widget());
        window->OnFirstTimer();
        window->Plot()->m_timeCursor1->m_sample = 1000;
        window->Plot()->m_timeCursor2->m_sample = 2000;
        CJobRunner::SetStartDelay(0);
        return true;
    }
    ~Session() {
        CJobRunner::SetStartDelay(500);
        SetDialogTestHook({});
        // Temporary results ask before closing: answer yes so that every window goes.
        for (int i = 0; i < 64; ++i) env.answers.append(true);
        if (g_app) g_app->CloseAllWindows();
        QCoreApplication::processEvents();
    }
    // Runs a menu command on the source window with the hook driving its dialog; returns the
    // window the result opened in, or null.
    QMdiSubWindow* Run(int id, DialogHook hook) {
        env.Frame()->MdiArea()->setActiveSubWindow(source);
        const int before = g_app->m_windowCount;
        bool shown = false;
        SetDialogTestHook([&](QDialog& d) {
            shown = true;
            hook(d);
        });
        env.Frame()->OnCommand(id);
        SetDialogTestHook({});
        EXPECT_TRUE(shown) << id;
        EXPECT_TRUE(QTest::qWaitFor([] { return !CJobRunner::Running(); }, 20000));
        QCoreApplication::processEvents();
        if (g_app->m_windowCount != before + 1) return nullptr;
        return g_app->m_windows[before];
    }
};

} // namespace

TEST(DialogMenu, AveragesRmsAndLinearOpenTheirResults) {
    Session s;
    ASSERT_TRUE(s.Open());
    QMdiSubWindow* r = s.Run(32775, [](QDialog& d) {
        Edit(&d, 1069)->setText("4");
        Click(&d, 1);
    });
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(PlotPath(r).startsWith("~movavg"));
    EXPECT_EQ(PlotRecording(r)->Samples(), 1000);
    EXPECT_NEAR(double(PlotRecording(r)->SampleValue(10, 1)), 3.0, 1e-6);

    r = s.Run(32776, [](QDialog& d) {
        EXPECT_EQ(Edit(&d, 1069)->text(), "10");
        Click(&d, 1);
    });
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(PlotPath(r).startsWith("~average"));
    EXPECT_EQ(PlotRecording(r)->Samples(), 100);
    EXPECT_FLOAT_EQ(PlotRecording(r)->Rate(), 100.0f);

    r = s.Run(32790, [](QDialog& d) {
        EXPECT_EQ(Edit(&d, 1141)->text(), "50");
        Click(&d, 1142);
    });
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(PlotPath(r).startsWith("~efu"));
    EXPECT_NEAR(double(PlotRecording(r)->SampleValue(30, 0)), std::sqrt(2.0), 0.01);

    r = s.Run(32788, [](QDialog& d) {
        Edit(&d, 1073)->setText("2");  // channel 2: 2 x 3 - 1
        Edit(&d, 1074)->setText("-1");
        Click(&d, 1138);
    });
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(PlotPath(r).startsWith("~axb"));
    EXPECT_EQ(PlotRecording(r)->SampleValue(5, 1), 5.0L);
    EXPECT_FLOAT_EQ(g_app->m_coeffA[1], 2.0f);

    // A closed dialog starts nothing.
    const int count = g_app->m_windowCount;
    EXPECT_EQ(s.Run(32775, [](QDialog& d) { d.reject(); }), nullptr);
    EXPECT_EQ(g_app->m_windowCount, count);
}

TEST(DialogMenu, ChannelDialogsOpenTheirResults) {
    AddSubDialog::ForgetRemembered();
    TableFuncDialog::ForgetRemembered();
    SpectrDialog::ForgetRemembered();
    SaveChasDialog::ForgetRemembered();
    Session s;
    ASSERT_TRUE(s.Open());
    QMdiSubWindow* r = s.Run(32792, [](QDialog& d) {
        Choose(&d, 1002, "2");
        Choose(&d, 1005, "2");  // ch2 + ch2 = 6
        Click(&d, 1);
    });
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(PlotPath(r).startsWith("~addsub"));
    EXPECT_EQ(PlotRecording(r)->SampleValue(0, 0), 6.0L);

    r = s.Run(32794, [](QDialog& d) {
        Choose(&d, 1146, "2");  // no table: passes channel 2 through
        Click(&d, 1);
    });
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(PlotPath(r).startsWith("~tablefun"));
    EXPECT_EQ(PlotRecording(r)->SampleValue(0, 0), 3.0L);

    r = s.Run(32800, [](QDialog& d) {
        Edit(&d, 1071)->setText("101");
        Edit(&d, 1070)->setText("100");
        Click(&d, 1);
    });
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(PlotPath(r).startsWith("~spectr"));
    EXPECT_FALSE(PlotPath(r).startsWith("~spectrFFT"));
    EXPECT_EQ(PlotRecording(r)->Samples(), 101);

    // FFT: the dialog shows the span length, the run moves the cursors onto it.
    r = s.Run(32800, [](QDialog& d) {
        Check(&d, 1246)->setChecked(true);
        EXPECT_EQ(Edit(&d, 1071)->text(), "1024");
        Click(&d, 1);
    });
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(PlotPath(r).startsWith("~spectrFFT"));
    EXPECT_EQ(s.window->Plot()->m_timeCursor2->m_sample - s.window->Plot()->m_timeCursor1->m_sample, 1024);

    // Save channels: the file dialog, then "SAVECHAS"; the result is not opened.
    const QString target = s.env.File("chosen.kvf");
    s.env.paths = {target};
    const int count = g_app->m_windowCount;
    EXPECT_EQ(s.Run(32796, [](QDialog& d) {
        Choose(&d, 1146, "2");
        Click(&d, 1);
    }), nullptr);
    EXPECT_EQ(g_app->m_windowCount, count);
    CDataFile saved;
    ASSERT_EQ(saved.Open(target.toStdString()), 1);
    EXPECT_EQ(saved.Channels(), 1);
    EXPECT_EQ(saved.SampleValue(0, 0), 3.0L);
}

TEST(DialogMenu, ParametersAndHistoryFromTheMenu) {
    Session s;
    ASSERT_TRUE(s.Open());
    bool shown = false;
    SetDialogTestHook([&](QDialog& d) {
        shown = true;
        Check(&d, 1003)->setChecked(false);
        Click(&d, 1071);
        Click(&d, 1068);
    });
    s.env.Frame()->OnCommand(32778);
    SetDialogTestHook({});
    EXPECT_TRUE(shown);
    EXPECT_EQ(s.window->Plot()->m_channelShown[1], 0);
    EXPECT_EQ(s.window->Data().timeLabelStyle, 1);

    // The history lists the recording opened by the Open command; a double-click reopens it.
    const QString path = WriteSine(s.env, "again.kvf");
    s.env.paths = {path};
    s.env.Frame()->OnCommand(32777);
    const int count = g_app->m_windowCount;
    SetDialogTestHook([&](QDialog& d) {
        auto* list = d.findChild<QTreeWidget*>("historyList");
        ASSERT_NE(list, nullptr);
        ASSERT_GE(list->topLevelItemCount(), 1);
        EXPECT_EQ(list->topLevelItem(0)->text(0), path);
        emit list->itemDoubleClicked(list->topLevelItem(0), 0);
    });
    s.env.Frame()->OnCommand(32798);
    SetDialogTestHook({});
    EXPECT_EQ(g_app->m_windowCount, count + 1);
}

TEST(DialogMenu, ShutdownWithADeclinedTemporaryResult) {
    Session s;
    ASSERT_TRUE(s.Open());
    QMdiSubWindow* r = s.Run(32775, [](QDialog& d) { Click(&d, 1); });
    ASSERT_NE(r, nullptr);
    const QString name = PlotPath(r);
    // The program ends without its loop (no exit question): the result's close question is
    // answered No. The program still ends cleanly, the declined result keeps its file, and the
    // configuration names only the source window.
    s.env.answers = {false};
    const int questions = s.env.CountBoxes(BoxKind::Question);
    s.env.Stop();
    EXPECT_EQ(s.env.CountBoxes(BoxKind::Question), questions + 1);
    EXPECT_EQ(g_app, nullptr);
    EXPECT_TRUE(QFile::exists(s.env.File(name)));
    const QByteArray cfg = s.env.Read("Vistrel.cfg");
    EXPECT_TRUE(cfg.startsWith(" 1\r\n")) << cfg.left(40).toStdString();
    EXPECT_FALSE(cfg.contains(name.toLocal8Bit()));
}
