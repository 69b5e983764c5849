// Cancelling a running job from its progress box: no result window, no file, the frame takes
// input again and the source stays as it was.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTranslator>

#include <cmath>

#include "ShellTestSupport.h"
#define VISTREL_QSTRING_PRINTTO
#include "DialogTestUtil.h"
#include "core/common/StringIds.h"
#include "plot/Cursors.h"
#include "plot/PlotWindow.h"
#include "shell/JobRunner.h"
#include "shell/PlotLink.h"
#include "shell/ProgressBox.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

constexpr uint64_t kSamples = 1'000'000;

QStringList FilesOf(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

struct CancelSession {
    ShellEnv env;
    QMdiSubWindow* source = nullptr;
    PlotWindow* window = nullptr;
    QString path;

    bool Open() {
        if (!env.Start()) return false;
        FloatRecordingLayout layout;
        layout.channels = 3;
        layout.rate = 48000.0;
        path = env.File(QStringLiteral("src.kvf"));
        if (!WriteFloatRecording(path.toStdString(), layout, kSamples, [](uint64_t k, float* row) {
                row[0] = float(std::sin(double(k) / 50.0));
                row[1] = float(k % 480) / 480.0f;
                row[2] = -2.0f;
            }))
            return false;
        source = g_app->OpenRecording(path, -1, kNoVCenter);
        if (!source) return false;
        window = qobject_cast<PlotWindow*>(source->widget());
        window->OnFirstTimer();
        window->Plot()->m_timeCursor1->m_sample = 0;
        window->Plot()->m_timeCursor2->m_sample = kSamples;
        CJobRunner::SetStartDelay(0);
        return true;
    }
    ~CancelSession() {
        CJobRunner::SetStartDelay(500);
        SetDialogTestHook({});
        (void)QTest::qWaitFor([] { return !CJobRunner::Running(); }, 60000);
        for (int i = 0; i < 64; ++i) env.answers.append(true);
        if (g_app) g_app->CloseAllWindows();
        QCoreApplication::processEvents();
    }
    // The box of the running job, once the job has reported `percent`.
    CProgressBox* BoxAt(unsigned percent) {
        CProgressBox* found = nullptr;
        (void)QTest::qWaitFor([&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* b = qobject_cast<CProgressBox*>(w); b && b->isVisible() && b->Percent() >= percent)
                    found = b;
            return found != nullptr || !CJobRunner::Running();
        }, 20000);
        return found;
    }
};

} // namespace

TEST(ShellJobCancel, CancelInTheProgressBoxStopsTheJobWithoutATrace) {
    CancelSession s;
    ASSERT_TRUE(s.Open());
    const QByteArray sourceBytes = s.env.Read(QStringLiteral("src.kvf"));
    const QStringList before = FilesOf(s.env.Dir());
    const int windows = g_app->m_windowCount;
    const int errors = s.env.CountBoxes(BoxKind::Error);
    // A moving average of factor 20 000 over a million rows: many seconds of work.
    s.env.Frame()->MdiArea()->setActiveSubWindow(s.source);
    SetDialogTestHook([](QDialog& d) {
        Edit(&d, 1069)->setText(QStringLiteral("20000"));
        Click(&d, 1);
    });
    s.env.Frame()->OnCommand(cmd::MovingAverage);
    SetDialogTestHook({});
    ASSERT_TRUE(CJobRunner::Running());

    CProgressBox* box = s.BoxAt(1);
    ASSERT_NE(box, nullptr) << "the job ended before it reported progress";
    ASSERT_TRUE(CJobRunner::Running());
    QPointer<CProgressBox> guard(box);
    auto* cancel = box->findChild<QPushButton*>(QStringLiteral("2"));
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), GetUiString(IDS_PROGRESS_CANCEL));
    EXPECT_TRUE(cancel->isEnabled());
    EXPECT_EQ(QApplication::activeModalWidget(), box); // the frame takes no input meanwhile
    QTest::mouseClick(cancel, Qt::LeftButton);
    if (guard) {
        EXPECT_TRUE(box->CancelPressed());
        EXPECT_FALSE(cancel->isEnabled());
        EXPECT_EQ(cancel->text(), GetUiString(IDS_PROGRESS_STOPPING));
    }

    // The worker stops long before the average could be done.
    ASSERT_TRUE(QTest::qWaitFor([] { return !CJobRunner::Running(); }, 10000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(guard.isNull() || !guard->isVisible());
    EXPECT_EQ(g_app->m_windowCount, windows);
    EXPECT_EQ(s.env.CountBoxes(BoxKind::Error), errors);
    EXPECT_EQ(FilesOf(s.env.Dir()), before);
    EXPECT_EQ(s.env.Read(QStringLiteral("src.kvf")), sourceBytes);
    // The frame takes input again and the source is free.
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(s.env.Frame()->isEnabled());
    EXPECT_FALSE(s.window->JobRunning());
    EXPECT_EQ(s.window->Plot()->m_saved, 0);

    // The next job runs to its end as before.
    s.window->Plot()->m_timeCursor2->m_sample = 5000;
    s.env.Frame()->MdiArea()->setActiveSubWindow(s.source);
    SetDialogTestHook([](QDialog& d) {
        Edit(&d, 1069)->setText(QStringLiteral("4"));
        Click(&d, 1);
    });
    s.env.Frame()->OnCommand(cmd::MovingAverage);
    SetDialogTestHook({});
    ASSERT_TRUE(QTest::qWaitFor([] { return !CJobRunner::Running(); }, 20000));
    QCoreApplication::processEvents();
    EXPECT_EQ(g_app->m_windowCount, windows + 1);
}

TEST(ShellJobCancel, BoxesWithoutAJobHaveNoCancelButton) {
    // The box shown while a recording is read cannot stop anything: no button there.
    QWidget owner;
    QPointer<CProgressBox> plain = new CProgressBox(&owner);
    EXPECT_EQ(plain->findChild<QPushButton*>(), nullptr);
    delete plain.data();
    QPointer<CProgressBox> box = new CProgressBox(&owner, Qt::NonModal, CProgressBox::Stop::Cancellable);
    int requests = 0;
    QObject::connect(box, &CProgressBox::cancelRequested, [&] { ++requests; });
    const auto buttons = box->findChildren<QPushButton*>(QStringLiteral("2"));
    ASSERT_EQ(buttons.size(), 1);
    // The button lies inside the shown box, below the bar.
    const QRect inside = QRect(QPoint(0, 0), box->size());
    EXPECT_TRUE(inside.contains(buttons[0]->geometry())) << buttons[0]->geometry().y() << " " << box->height();
    EXPECT_TRUE(buttons[0]->isVisible());
    buttons[0]->click();
    buttons[0]->click(); // disabled now: no second request
    EXPECT_EQ(requests, 1);
    box->setPercent(100);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(box.isNull());
}

TEST(ShellJobCancel, CancelButtonSpeaksBothLanguages) {
    QWidget owner;
    const struct {
        const char* module;
        QString cancel, stopping;
    } modules[] = {{"LangRsRu.qm", QStringLiteral("Отмена"), QStringLiteral("Остановка…")},
                   {"LangRsEn.qm", QStringLiteral("Cancel"), QStringLiteral("Stopping…")}};
    for (const auto& m : modules) {
        QTranslator tr;
        ASSERT_TRUE(tr.load(QStringLiteral(VISTREL_LANG_DIR "/") + QLatin1String(m.module))) << m.module;
        QCoreApplication::installTranslator(&tr);
        CProgressBox box(&owner, Qt::NonModal, CProgressBox::Stop::Cancellable);
        auto* cancel = box.findChild<QPushButton*>(QStringLiteral("2"));
        ASSERT_NE(cancel, nullptr);
        EXPECT_EQ(cancel->text(), m.cancel) << m.module;
        cancel->click();
        EXPECT_EQ(cancel->text(), m.stopping) << m.module;
        QCoreApplication::removeTranslator(&tr);
    }
}
