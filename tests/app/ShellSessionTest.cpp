// A session kept whole: the instance channel in a folder of the user's own and deaf to other
// users, the saved windows surviving a start with a file, one history entry per file, the
// close question of many temporary results, messages that name the file and the reason.
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QMdiSubWindow>
#include <QPushButton>

#include <filesystem>
#include <functional>
#include <optional>

#include "ShellTestSupport.h"
#include "core/common/StringIds.h"
#include "core/processing/ProcessJob.h"
#include "core/recording/TempResults.h"
#include "platform/UserIdentity.h"
#include "shell/FrameDialogs.h"
#include "shell/InstanceChannel.h"
#include "shell/PlotLink.h"

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace vistrel;
using namespace vistrel::test;

namespace {

// Sets an environment variable for the scope (unset with an empty optional).
class EnvGuard {
public:
    EnvGuard(const char* name, std::optional<QByteArray> value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        if (value) qputenv(name, *value);
        else qunsetenv(name);
    }
    ~EnvGuard() {
        if (m_had) qputenv(m_name, m_old);
        else qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

QString WriteRecording(const QString& path, uint64_t samples = 2000, int devices = 1) {
    FloatFixture f;
    f.layout.channels = 2 * devices;
    f.layout.devices = devices;
    f.layout.rate = 1000.0;
    f.samples = samples;
    EXPECT_TRUE(WriteFloatFixture(path.toStdString(), f));
    return path;
}

bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QByteArray WindowBlocks(const QByteArray& cfg) {
    const qsizetype from = cfg.indexOf("\nWindow=");
    return from < 0 ? QByteArray() : cfg.mid(from, cfg.indexOf(";HistoryBegin") - from);
}

#ifndef _WIN32
constexpr uid_t kOtherUid = 65534;
#endif

} // namespace

#ifndef _WIN32
TEST(ShellSession, ChannelLivesInAFolderOfTheUsersOwn) {
    TempDir tmp;
    EnvGuard noRuntime("XDG_RUNTIME_DIR", std::nullopt);
    EnvGuard tmpdir("TMPDIR", QByteArray::fromStdString(tmp.Path().string()));
    const QString folder = QString::fromStdString((tmp / ("vistrel-" + platform::CurrentUserTag())).string());
    const auto modeOf = [](const QString& p) {
        struct stat st {};
        return ::lstat(QFile::encodeName(p).constData(), &st) == 0 ? (st.st_mode & 07777) : 0u;
    };
    const auto logOf = [](ShellEnv& env) { return env.Read("Debug.txt"); };

    // Created 0700 with mkdir; the channel's socket lies inside and works.
    {
        ShellEnv env;
        EXPECT_TRUE(InstanceServerName().startsWith(folder + QLatin1Char('/'))) << InstanceServerName().toStdString();
        EXPECT_EQ(modeOf(folder), 0700u);
        ASSERT_TRUE(env.Start());
        EXPECT_EQ(ProbeInstance(InstanceServerName(), 2000), InstanceState::Running);
        EXPECT_FALSE(logOf(env).contains("no instance channel")) << logOf(env).toStdString();
    }

    // Anything else under the folder's name: no channel, the program runs and the log says why.
    struct Case {
        const char* what;
        std::function<void()> prepare;
        bool needsRoot;
    };
    const QByteArray f = QFile::encodeName(folder);
    const Case cases[] = {
        {"open to others", [&] { ::mkdir(f.constData(), 0700), ::chmod(f.constData(), 0755); }, false},
        {"another user's", [&] { ::mkdir(f.constData(), 0700), (void)::chown(f.constData(), kOtherUid, kOtherUid); }, true},
        {"a file", [&] { QFile file(folder); (void)file.open(QIODevice::WriteOnly); }, false},
        {"a link to a folder of ours",
         [&] {
             QDir().mkpath(QString::fromStdString((tmp / "mine").string()));
             ::chmod((tmp / "mine").c_str(), 0700);
             QFile::link(QString::fromStdString((tmp / "mine").string()), folder);
         },
         false},
    };
    for (const Case& c : cases) {
        if (c.needsRoot && ::geteuid() != 0) {
            std::cout << "skipped without root (a second uid is needed): " << c.what << "\n";
            continue;
        }
        std::filesystem::remove_all(folder.toStdString());
        c.prepare();
        ShellEnv env;
        EXPECT_TRUE(InstanceServerName().isEmpty()) << c.what;
        ASSERT_TRUE(env.Start()) << c.what;
        EXPECT_TRUE(logOf(env).contains("no instance channel: " + QFile::encodeName(folder))) << c.what;
        env.Stop();
    }
    std::filesystem::remove_all(folder.toStdString());

    // A folder standing at the socket's path: the same, a run without the channel and a reason.
    {
        ShellEnv env;
        const QString name = InstanceServerName();
        ASSERT_TRUE(QDir().mkpath(name));
        ASSERT_TRUE(env.Start());
        EXPECT_TRUE(logOf(env).contains("no instance channel: " + QFile::encodeName(name))) << logOf(env).toStdString();
        EXPECT_TRUE(QFileInfo(name).isDir());
    }

    // XDG_RUNTIME_DIR is taken when it is private, passed over when it is open to others; a
    // deep one keeps the socket path within the limit.
    TempDir runtime;
    // A folder path of 75 bytes: the full socket name would pass the limit, a shortened one fits.
    const int room = 75 - static_cast<int>(runtime.Path().string().size()) - 1;
    ASSERT_GT(room, 0);
    const QString deep = QString::fromStdString((runtime / std::string(static_cast<size_t>(room), 'r')).string());
    ASSERT_EQ(::mkdir(QFile::encodeName(deep).constData(), 0700), 0);
    ::chmod(runtime.Path().c_str(), 0700);
    {
        EnvGuard xdg("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.Path().string()));
        EXPECT_TRUE(InstanceServerName().startsWith(QString::fromStdString(runtime.Path().string()) + "/"));
        ::chmod(runtime.Path().c_str(), 0755);
        EXPECT_TRUE(InstanceServerName().startsWith(folder + QLatin1Char('/'))) << InstanceServerName().toStdString();
    }
    {
        EnvGuard xdg("XDG_RUNTIME_DIR", QFile::encodeName(deep));
        ShellEnv env;
        const QString name = InstanceServerName();
        EXPECT_TRUE(name.startsWith(deep + QLatin1Char('/'))) << name.toStdString();
        EXPECT_LE(QFile::encodeName(name).size(), 107 - 9); // room for Qt's temporary name
        EXPECT_TRUE(name.contains(QStringLiteral("Vis Trel")));
        ASSERT_TRUE(env.Start());
        EXPECT_EQ(ProbeInstance(name, 2000), InstanceState::Running);
        // Whatever the length of the full name, the channel can listen where it is placed.
        for (const int total : {95, 98, 99, 103, 107, 108, 140}) {
            const QString base = QStringLiteral("Vis Trel ") + QString(total - 76 - 9, QLatin1Char('t'));
            const QString placed = FindInstanceLocation(base).serverName;
            QLocalServer probe;
            probe.setSocketOptions(QLocalServer::UserAccessOption);
            EXPECT_TRUE(probe.listen(placed)) << total << ": " << probe.errorString().toStdString();
        }
    }
}

// Both ends ask who is on the other side: a listener of another user is told nothing, a
// sender of another user is not heard.
TEST(ShellSession, ChannelTalksOnlyToItsOwnUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as a second uid (65534)";
    TempDir shared;
    ::chmod(shared.Path().c_str(), 0777);

    // The listening end: a request from uid 65534 is dropped, the same from this user is read.
    const QString ours = QString::fromStdString((shared / "ours").string());
    QLocalServer server;
    server.setSocketOptions(QLocalServer::WorldAccessOption);
    ASSERT_TRUE(server.listen(ours));
    auto* listener = new CInstanceListener(&server);
    QList<QStringList> heard;
    QObject::connect(listener, &CInstanceListener::openRequested, [&](const QStringList& p) { heard.append(p); });
    const QByteArray request = EncodeOpenRequest({QStringLiteral("/data/r.kvf")});
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", QFile::encodeName(ours).constData());
    for (const uid_t uid : {kOtherUid, ::geteuid()}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (uid != ::geteuid() && (::setgid(kOtherUid) != 0 || ::setuid(uid) != 0)) ::_exit(2);
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) ::_exit(3);
            if (::write(fd, request.constData(), static_cast<size_t>(request.size())) != request.size()) ::_exit(4);
            ::close(fd);
            ::_exit(0);
        }
        int status = -1;
        bool reaped = false;
        ASSERT_TRUE(WaitFor([&] { return reaped = reaped || ::waitpid(child, &status, WNOHANG) == child; }));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << uid;
        const bool same = uid == ::geteuid();
        WaitFor([&] { return heard.size() == (same ? 1 : 0) && same; }, same ? 5000 : 500);
        EXPECT_EQ(heard.size(), same ? 1 : 0) << uid;
    }

    // The sending end: a listener of uid 65534 under the name gets no paths, and is no instance.
    const std::string theirs = (shared / "theirs").string();
    int ready[2], told[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(told), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(kOtherUid) != 0 || ::setuid(kOtherUid) != 0) ::_exit(2);
        const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::snprintf(a.sun_path, sizeof a.sun_path, "%s", theirs.c_str());
        if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s, 4) != 0) ::_exit(3);
        ::chmod(theirs.c_str(), 0777);
        (void)!::write(ready[1], "r", 1);
        long total = 0;
        for (int n = 0; n < 2; ++n) { // the hand-over, then the probe
            const int c = ::accept(s, nullptr, nullptr);
            char buf[4096];
            ssize_t got;
            while (c >= 0 && (got = ::read(c, buf, sizeof buf)) > 0) total += got;
            if (c >= 0) ::close(c);
        }
        (void)!::write(told[1], &total, sizeof total);
        ::_exit(0);
    }
    char r;
    ASSERT_EQ(::read(ready[0], &r, 1), 1);
    EXPECT_FALSE(HandOverToInstance(QString::fromStdString(theirs), {QStringLiteral("/secret/path.kvf")}, 2000));
    EXPECT_EQ(ProbeInstance(QString::fromStdString(theirs), 2000), InstanceState::Unknown);
    long total = -1;
    ASSERT_EQ(::read(told[0], &total, sizeof total), static_cast<ssize_t>(sizeof total));
    EXPECT_EQ(total, 0);
    ::waitpid(child, nullptr, 0);
    for (int fd : {ready[0], ready[1], told[0], told[1]}) ::close(fd);
}
#endif

// A start naming a file keeps the saved windows of the file for the next plain start; the
// file enters the history as File > Open puts it there.
TEST(ShellSession, FileArgumentLeavesTheSavedWindowsAsTheyWere) {
    ShellEnv env;
    const QString kept = WriteRecording(env.File("kept.kvf"));
    const QString named = WriteRecording(env.File("named.kvf"));
    ASSERT_TRUE(env.Start());
    ASSERT_NE(env.Frame()->OpenPath(kept), nullptr);
    env.Stop();
    const QByteArray saved = env.Read("Vistrel.cfg");
    ASSERT_TRUE(saved.startsWith(" 1\r\n")) << saved.left(40).toStdString();

    ASSERT_TRUE(env.Start({QStringLiteral("named.kvf")}));
    ASSERT_EQ(g_app->m_windowCount, 1);
    EXPECT_TRUE(IsSamePath(g_app->WindowPath(g_app->m_windows[0]), named));
    ASSERT_EQ(g_app->m_history.count, 2);
    EXPECT_TRUE(IsSamePath(QString::fromStdString(g_app->m_history.entries[0].path), named));
    env.Stop();
    const QByteArray after = env.Read("Vistrel.cfg");
    EXPECT_TRUE(after.startsWith(" 1\r\n")) << after.left(40).toStdString();
    EXPECT_EQ(WindowBlocks(after), WindowBlocks(saved));
    EXPECT_TRUE(after.contains("named.kvf;\r\n"));

    // The next plain start brings the kept window back.
    ASSERT_TRUE(env.Start());
    ASSERT_EQ(g_app->m_windowCount, 1);
    EXPECT_TRUE(IsSamePath(g_app->WindowPath(g_app->m_windows[0]), kept));
}

TEST(ShellSession, HistoryHoldsEachFileOnce) {
    ShellEnv env;
    WriteRecording(env.File("h.kvf"));
    ASSERT_TRUE(QDir().mkpath(env.File("sub")));
    ASSERT_TRUE(env.Start());
    for (const QString& spelling : {env.File("h.kvf"), env.File("./h.kvf"), env.File("sub/../h.kvf")}) {
        ASSERT_NE(env.Frame()->OpenPath(spelling), nullptr);
        g_app->CloseAllWindows();
    }
    ASSERT_EQ(g_app->m_history.count, 1);
    EXPECT_EQ(QString::fromLocal8Bit(g_app->m_history.entries[0].path.c_str()), env.File("sub/../h.kvf"));
}

// Several temporary results ask once each unless a "to all" answer settles the rest; the last
// one asked offers no "to all".
TEST(ShellSession, CloseQuestionOffersYesAndNoToAll) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    QList<bool> offered;
    QList<RowAnswer> replies;
    SetRowAnswerer([&](const QString& text, bool more) {
        EXPECT_TRUE(text.endsWith(GetUiString(IDS_CLOSE_TEMP_QUESTION))) << text.toStdString();
        offered.append(more);
        return replies.isEmpty() ? RowAnswer::No : replies.takeFirst();
    });
    struct Restore {
        ~Restore() { SetRowAnswerer({}); }
    } restore;
    const auto openTemp = [&](int i) {
        const QString path = WriteRecording(env.File(QStringLiteral("~result%1.kvf").arg(i)));
        RegisterTempResult(std::filesystem::path(path.toStdString()));
        ASSERT_NE(g_app->OpenRecording(path, -1, kNoVCenter), nullptr);
    };
    for (int i = 0; i < 3; ++i) openTemp(i);
    ASSERT_NE(g_app->OpenRecording(WriteRecording(env.File("plain.kvf")), -1, kNoVCenter), nullptr);

    struct Step {
        QList<RowAnswer> replies;
        QList<bool> offered; // "to all" offered, per question asked
        int windowsLeft;
    };
    const Step steps[] = {
        {{RowAnswer::NoToAll}, {true}, 3},                 // one question keeps all three
        {{RowAnswer::No, RowAnswer::YesToAll}, {true, true}, 1}, // the first stays, the rest go
        {{RowAnswer::Yes}, {false}, 0},                    // a single one: Yes and No only
    };
    for (const Step& s : steps) {
        offered.clear();
        replies = s.replies;
        env.Frame()->OnCommand(cmd::CloseAll);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(offered, s.offered);
        EXPECT_EQ(g_app->m_windowCount, s.windowsLeft);
    }
    EXPECT_EQ(env.CountBoxes(BoxKind::Question), 0);

    // The exit: Yes to all closes every temporary result with one question and ends the run.
    for (int i = 3; i < 5; ++i) openTemp(i);
    offered.clear();
    replies = {RowAnswer::YesToAll};
    env.answers = {true};
    env.Frame()->OnCommand(cmd::Exit);
    EXPECT_EQ(offered, QList<bool>{true});
    EXPECT_TRUE(env.Frame()->ExitRequested());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(g_app->m_windowCount, 0);
    EXPECT_FALSE(QFile::exists(env.File("~result3.kvf")));
}

// Messages that say which file and why, where there was none or a bare one.
TEST(ShellSession, MessagesNameTheFileAndTheReason) {
    ShellEnv env;
    ASSERT_TRUE(env.Start({}, 1049));
    for (int id = IDS_PATH_NOT_ABSOLUTE; id <= IDS_OPEN_SD_MAP_TOO_LARGE; ++id)
        EXPECT_NE(GetUiString(id), QString::number(id)) << id;
    env.Stop();
    ASSERT_TRUE(env.Start({}, 1033));
    for (int id = IDS_PATH_NOT_ABSOLUTE; id <= IDS_OPEN_SD_MAP_TOO_LARGE; ++id)
        EXPECT_NE(GetUiString(id), QString::number(id)) << id;
    {
        QFile bad(env.File("bad.kvf"));
        ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(4096, 'z'));
    }
    WriteRecording(env.File("one.kvf"), 1);
    WriteRecording(env.File("two.kvf"), 2000, 2);
    int dialogs = 0;
    SetProcessDialogOverride([&](int, const QString&, ProcessJob*) { return ++dialogs, 0; });
    struct Restore {
        ~Restore() { SetProcessDialogOverride({}); }
    } restore;
    const auto untickAll = [](bool save) {
        SetShellDialogHook([save](QDialog& d) {
            for (QCheckBox* box : d.findChildren<QCheckBox*>()) box->setChecked(false);
            if (save) d.findChild<QPushButton*>(QStringLiteral("1"))->click();
            else d.close();
        });
    };

    struct Case {
        const char* what;
        std::function<void()> act;
        QStringList expected; // parts of the one error box; empty: no box
    };
    const Case cases[] = {
        {"not a recording", [&] { env.Frame()->OpenPath(env.File("bad.kvf")); },
         {GetUiString(IDS_CANNOT_OPEN), env.File("bad.kvf"), GetUiString(IDS_OPEN_BAD_SIGNATURE)}},
        {"missing", [&] { env.Frame()->OpenPath(env.File("gone.kvf")); }, {GetUiString(221), env.File("gone.kvf")}},
        {"averaging one sample",
         [&] {
             ASSERT_NE(env.Frame()->OpenPath(env.File("one.kvf")), nullptr);
             env.Frame()->OnCommand(cmd::Average);
         },
         {env.File("one.kvf"), GetUiString(IDS_AVERAGE_ONE_SAMPLE)}},
        {"save fragment, no device ticked",
         [&] {
             ASSERT_NE(env.Frame()->OpenPath(env.File("two.kvf")), nullptr);
             untickAll(true);
             env.paths = {env.File("frag.kvf")};
             env.Frame()->OnCommand(cmd::SaveFragment);
         },
         {GetUiString(IDS_NO_DEVICE_TICKED)}},
        {"save fragment, devices box closed",
         [&] {
             untickAll(false);
             env.paths = {env.File("frag.kvf")};
             env.Frame()->OnCommand(cmd::SaveFragment);
         },
         {}},
    };
    for (const Case& c : cases) {
        env.boxes.clear();
        c.act();
        ASSERT_EQ(env.CountBoxes(BoxKind::Error), c.expected.isEmpty() ? 0 : 1) << c.what;
        for (const QString& part : c.expected)
            EXPECT_TRUE(env.boxes.last().text.contains(part)) << c.what << ": " << env.boxes.last().text.toStdString();
    }
    EXPECT_EQ(dialogs, 0); // the averaging dialog never came up
    EXPECT_FALSE(QFile::exists(env.File("frag.kvf")));
}
