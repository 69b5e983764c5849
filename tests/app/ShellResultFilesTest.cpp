// The frame deciding "the same file" by identity, refusing read-only targets, giving reasons
// of failed result files and keeping results begun in the same second apart.
#include <QDeadlineTimer>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <filesystem>

#include "ShellTestSupport.h"
#include "core/common/StringIds.h"
#include "core/processing/Engine.h"
#include "core/recording/DataFile.h"
#include "plot/Cursors.h"
#include "plot/PlotWindow.h"
#include "shell/FrameDialogs.h"
#include "shell/JobRunner.h"
#include "shell/PlotLink.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

QString WriteRecording(ShellEnv& env, const QString& name, uint64_t samples = 2000) {
    FloatFixture f;
    f.layout.channels = 2;
    f.layout.rate = 48000.0;
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

// Places the time cursors of the window's plot on `from` and `to`.
void PlaceCursors(QMdiSubWindow* w, int64_t from, int64_t to) {
    auto* pw = qobject_cast<PlotWindow*>(w->widget());
    ASSERT_NE(pw, nullptr);
    pw->OnFirstTimer();
    pw->Plot()->m_timeCursor1->m_sample = from;
    pw->Plot()->m_timeCursor2->m_sample = to;
}

template <typename F>
bool WaitFor(F&& done, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class ShellResultFiles : public ::testing::Test {
protected:
    void TearDown() override {
        engine::FailResultWritesForTest(-1, platform::FileProblem::None);
        CJobRunner::SetStartDelay(500);
        SetProcessDialogOverride({});
    }
};

} // namespace

TEST_F(ShellResultFiles, OpenFileIsRecognisedUnderAnySpelling) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    const QString one = WriteRecording(env, "one.kvf");
    const QByteArray before = env.Read("one.kvf");
    std::filesystem::create_symlink(one.toStdString(), env.File("link.kvf").toStdString());
    QMdiSubWindow* a = OpenByCommand(env, one);
    ASSERT_NE(a, nullptr);
    for (const QString& spelling : {one, QStringLiteral("one.kvf"), QStringLiteral("./one.kvf"), env.File("link.kvf")})
        EXPECT_TRUE(IsFileOpen(spelling)) << spelling.toStdString();
    EXPECT_FALSE(IsFileOpen(env.File("other.kvf")));

    // Saving the fragment over the open file through a link or a relative path is refused.
    env.Frame()->MdiArea()->setActiveSubWindow(a);
    for (const QString& target : {env.File("link.kvf"), QStringLiteral("./one.kvf")}) {
        env.boxes.clear();
        env.answers = {true, true};
        env.paths = {target};
        env.Frame()->OnCommand(cmd::SaveFragment);
        ASSERT_EQ(env.boxes.size(), 1);
        EXPECT_EQ(env.boxes[0].caption, GetUiString(229));
        EXPECT_FALSE(CJobRunner::Running());
    }
    EXPECT_EQ(env.Read("one.kvf"), before);
}

TEST_F(ShellResultFiles, ReadOnlyTargetIsRefusedWithTheReason) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    ASSERT_NE(OpenByCommand(env, WriteRecording(env, "one.kvf")), nullptr);
    QFile ro(env.File("ro.kvf"));
    ASSERT_TRUE(ro.open(QIODevice::WriteOnly));
    ro.write("keep");
    ro.close();
    std::filesystem::permissions(env.File("ro.kvf").toStdString(), std::filesystem::perms::owner_read);
    for (int command : {cmd::SaveFragment, cmd::SaveChannels}) {
        env.boxes.clear();
        env.answers = {true};
        env.paths = {env.File("ro.kvf")};
        env.Frame()->OnCommand(command);
        ASSERT_EQ(env.boxes.size(), 1); // refused before the overwrite question
        EXPECT_EQ(env.boxes[0].caption, GetUiString(IDS_RESULT_CANNOT_CREATE));
        EXPECT_TRUE(env.boxes[0].text.startsWith(env.File("ro.kvf")));
        EXPECT_TRUE(env.boxes[0].text.contains(GetUiString(IDS_FILE_READ_ONLY))) << env.boxes[0].text.toStdString();
        EXPECT_FALSE(CJobRunner::Running());
    }
    std::filesystem::permissions(env.File("ro.kvf").toStdString(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(env.Read("ro.kvf"), QByteArray("keep"));
}

TEST_F(ShellResultFiles, FullDiskIsToldInTheUsersLanguage) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    QMdiSubWindow* a = OpenByCommand(env, WriteRecording(env, "one.kvf", 100000));
    ASSERT_NE(a, nullptr);
    PlaceCursors(a, 0, 90000);
    engine::FailResultWritesForTest(0, platform::FileProblem::DiskFull);
    CJobRunner::SetStartDelay(0);
    env.boxes.clear();
    env.paths = {env.File("frag.kvf")};
    env.Frame()->OnCommand(cmd::SaveFragment);
    ASSERT_TRUE(WaitFor([] { return !CJobRunner::Running(); }));
    ASSERT_EQ(env.boxes.size(), 1);
    EXPECT_EQ(env.boxes[0].caption, GetUiString(IDS_RESULT_WRITE_FAILED));
    EXPECT_TRUE(env.boxes[0].text.contains(GetUiString(IDS_FILE_DISK_FULL))) << env.boxes[0].text.toStdString();
    EXPECT_FALSE(QFile::exists(env.File("frag.kvf")));
    for (const QString& name : QDir(env.Dir()).entryList(QDir::Files | QDir::Hidden))
        EXPECT_FALSE(name.endsWith(QLatin1String(".part"))) << name.toStdString();
}

TEST_F(ShellResultFiles, ResultsBegunInTheSameSecondKeepTheirOwnFiles) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    QMdiSubWindow* a = OpenByCommand(env, WriteRecording(env, "one.kvf"));
    ASSERT_NE(a, nullptr);
    PlaceCursors(a, 100, 500);
    CJobRunner::SetStartDelay(0);
    SetProcessDialogOverride([](int, const QString&, ProcessJob*) { return 4; });
    QStringList results;
    for (int i = 0; i < 2; ++i) {
        env.Frame()->MdiArea()->setActiveSubWindow(a);
        env.Frame()->OnCommand(cmd::MovingAverage);
        ASSERT_TRUE(WaitFor([] { return !CJobRunner::Running(); }));
        ASSERT_EQ(g_app->m_windowCount, 2 + i);
        results << PlotPath(g_app->m_windows[1 + i]);
    }
    ASSERT_NE(results[0], results[1]);
    ASSERT_TRUE(QFile::exists(results[0]));
    ASSERT_TRUE(QFile::exists(results[1]));
    // Closing the first result deletes its own file and leaves the second.
    env.answers = {true};
    env.Frame()->MdiArea()->setActiveSubWindow(g_app->m_windows[1]);
    env.Frame()->OnCommand(cmd::Close);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(QFile::exists(results[0]));
    EXPECT_TRUE(QFile::exists(results[1]));
    CDataFile second;
    EXPECT_EQ(second.Open(results[1].toStdString()), 1);
}
