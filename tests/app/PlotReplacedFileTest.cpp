// A plot window whose recording is replaced on disk: its 300 ms check notices another file at
// the path (even one of the same size and modification time), and closing it after a "No"
// never waits on whatever now lies at the path.
#include <QMdiSubWindow>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "ShellTestSupport.h"
#include "core/recording/DataFile.h"
#include "plot/PlotWindow.h"
#include "plot/PlotWnd.h"

using namespace vistrel;
using namespace vistrel::test;
namespace fs = std::filesystem;

namespace {

// One channel, 4000 samples; same size for every scale.
QString WriteScaled(ShellEnv& env, const QString& name, float scale) {
    FloatRecordingLayout layout;
    layout.channels = 1;
    const QString path = env.File(name);
    EXPECT_TRUE(WriteFloatRecording(path.toStdString(), layout, 4000,
                                    [scale](uint64_t k, float* row) { row[0] = scale * float(k % 7); }));
    return path;
}

PlotWindow* PlotOf(QMdiSubWindow* w) { return qobject_cast<PlotWindow*>(w->widget()); }

fs::path FsPath(const QString& p) { return fs::path(p.toStdU16String()); }

} // namespace

TEST(PlotReplacedFile, TwinOfTheSameSizeAndTimeRenamedOverIsAskedAbout) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows refuses to replace an open recording";
#else
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    const QString path = WriteScaled(env, "r.kvf", 1.0f);
    const QString twin = WriteScaled(env, "twin.kvf", -2.0f);
    fs::last_write_time(FsPath(twin), fs::last_write_time(FsPath(path)));
    QMdiSubWindow* w = g_app->OpenRecording(path, -1, kNoVCenter);
    ASSERT_NE(w, nullptr);
    PlotWindow* pw = PlotOf(w);
    EXPECT_FALSE(pw->PollChangedOnDisk());
    fs::rename(FsPath(twin), FsPath(path));
    env.answers = {true};
    EXPECT_TRUE(pw->PollChangedOnDisk());
    EXPECT_EQ(env.CountBoxes(BoxKind::Question), 1);
    // Yes reloaded the twin.
    EXPECT_EQ(pw->File()->SampleValue(3, 0), -6.0L);
    EXPECT_FALSE(pw->PollChangedOnDisk());
#endif
}

TEST(PlotReplacedFile, FifoInThePlaceAndNoClosesTheWindowPromptly) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no FIFOs";
#else
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    const QString path = WriteScaled(env, "r.kvf", 1.0f);
    QMdiSubWindow* w = g_app->OpenRecording(path, -1, kNoVCenter);
    ASSERT_NE(w, nullptr);
    PlotWindow* pw = PlotOf(w);
    const fs::path fifo = FsPath(env.File("fifo"));
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::rename(fifo, FsPath(path));
    pw->Plot()->StartSummaries();   // as the first timer does

    // Should the close wait on the FIFO, a writer opened now and then releases it, and the
    // test fails instead of hanging.
    std::atomic<bool> closed{false}, released{false};
    std::thread watchdog([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!closed && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        while (!closed) {
            released = true;
            const int fd = ::open(FsPath(path).c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    env.answers = {false};
    EXPECT_TRUE(pw->PollChangedOnDisk());
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    closed = true;
    watchdog.join();
    EXPECT_EQ(g_app->m_windowCount, 0);
    EXPECT_FALSE(released) << "closing the window waited for a writer to the FIFO";
#endif
}
