// What a session keeps across runs: one history entry per file whatever its spelling, the saved
// windows of a run that does not save its own, and the private folder and peer check of the
// per-user instance channel.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "TestPlatform.h"
#include "core/config/Configuration.h"
#include "platform/UserChannel.h"
#include "support/Fixtures.h"

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/un.h>
#endif

using namespace vistrel;
namespace fs = std::filesystem;

namespace {

void Touch(const fs::path& p) { std::ofstream(p, std::ios::binary) << "x"; }

std::vector<std::string> Paths(const History& h) {
    std::vector<std::string> out;
    for (int i = 0; i < h.count; ++i) out.push_back(h.entries[i].path);
    return out;
}

// Oracle: the paths pushed one after another, newest first, one per file, at most twelve.
TEST(SessionHistory, OneEntryPerFileUnderAnySpelling) {
    test::TempDir t;
    const fs::path d = t.Path();
    Touch(d / "a.kvf");
    Touch(d / "b.kvf");
    fs::create_directory(d / "sub");
    const std::string a = (d / "a.kvf").string();
    const std::string aDot = (d / "." / "a.kvf").string();
    const std::string aUp = (d / "sub" / ".." / "a.kvf").string();
    const std::string b = (d / "b.kvf").string();
    std::string aLink;
    std::error_code ec;
    fs::create_symlink(d / "a.kvf", d / "link.kvf", ec);
    if (!ec) aLink = (d / "link.kvf").string();
    const std::string gone = (d / "gone.kvf").string();
    const std::string goneDot = (d / "." / "gone.kvf").string();

    struct Case {
        const char* what;
        std::vector<std::string> pushed;
        std::vector<std::string> expected;
    };
    std::vector<Case> cases = {
        {"one file, three spellings: the latest stays", {a, aDot, aUp}, {aUp}},
        {"the same text twice", {b, b}, {b}},
        {"others keep their order", {a, b, aDot}, {aDot, b}},
        {"missing files compare by text", {gone, goneDot, gone}, {gone, goneDot}},
        {"an existing and a missing file differ", {a, gone}, {gone, a}},
    };
    if (!aLink.empty()) cases.push_back({"a symbolic link is the file", {a, b, aLink}, {aLink, b}});
    for (const Case& c : cases) {
        History h;
        for (const std::string& p : c.pushed) AddToHistory(h, MakeHistoryEntry(p, LocalClock{}, 10, 1, 100.0f));
        EXPECT_EQ(Paths(h), c.expected) << c.what;
    }

    // A history read from an older file may hold duplicates already: the check before the
    // History dialog keeps the first (newest) of each file and closes up the rest.
    History loaded;
    for (const std::string& p : {aUp, b, a, gone, aDot, gone}) loaded.entries[loaded.count++].path = p;
    CheckHistoryFiles(loaded);
    EXPECT_EQ(Paths(loaded), (std::vector<std::string>{aUp, b, gone}));
    EXPECT_EQ(loaded.entries[2].missing, 1);
    EXPECT_TRUE(loaded.entries[3].path.empty());
}

// A run that does not save its own windows writes the file's window blocks back as they were.
TEST(SessionWindows, BlocksOfTheFileComeBackUnchanged) {
    test::TempDir t;
    const std::string cfg = (t.Path() / "Vistrel.cfg").string();
    ConfigData before;
    for (int i = 0; i < 2; ++i) {
        SavedWindow w;
        w.rect = {10 + i, 20, 650, 500};
        w.path = "/data/rec" + std::to_string(i) + ".kvf";
        w.channelCount = 3;
        w.settings.widths.fill(1);
        w.settings.shown[1] = 1;
        w.settings.colors[2] = 0x00ff00;
        w.settings.hZoom = 4 + i;
        w.settings.vCenter = -12.0;
        before.windows.push_back(w);
    }
    const std::string text = FormatConfiguration(before);
    std::ofstream(cfg, std::ios::binary) << text;

    ConfigData after;
    after.mainRect = {1, 2, 3, 4};
    after.history.entries[0].path = "/new.kvf";
    after.history.count = 1;
    after.windows = ReadSavedWindows(cfg);
    ASSERT_TRUE(SaveConfiguration(cfg, (t.Path() / "Vistrel.bak").string(), after));
    std::ifstream in(cfg, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto blocks = [](const std::string& s) {
        const size_t from = s.find("\nWindow=");
        return s.substr(from, s.find(";HistoryBegin") - from);
    };
    EXPECT_EQ(written.substr(0, 4), " 2\r\n");
    EXPECT_EQ(blocks(written), blocks(text));
    EXPECT_NE(written.find("/new.kvf;"), std::string::npos);
    // Nothing to keep when there is no file.
    EXPECT_TRUE(ReadSavedWindows((t.Path() / "none.cfg").string()).empty());
}

#ifndef _WIN32
constexpr uid_t kOtherUid = 65534;

mode_t ModeOf(const fs::path& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}
#endif

POSIX_ONLY_TEST(SessionChannel, PrivateFolderIsCreatedOrRefused, "folders carry no POSIX owner and mode", {
    test::TempDir t;
    const fs::path base = t.Path();
    using platform::FolderTrust;
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> prepare;
        FolderTrust expected;
        bool needsRoot;
    };
    const Case cases[] = {
        {"missing: created 0700", [](const fs::path&) {}, FolderTrust::Private, false},
        {"ours and 0700: taken", [](const fs::path& p) { ::mkdir(p.c_str(), 0700); }, FolderTrust::Private, false},
        {"readable by others", [](const fs::path& p) { ::mkdir(p.c_str(), 0700); ::chmod(p.c_str(), 0755); },
         FolderTrust::OpenToOthers, false},
        {"group-writable", [](const fs::path& p) { ::mkdir(p.c_str(), 0700); ::chmod(p.c_str(), 0770); },
         FolderTrust::OpenToOthers, false},
        {"a file", [](const fs::path& p) { Touch(p); }, FolderTrust::NotFolder, false},
        {"a link to a private folder",
         [base](const fs::path& p) {
             ::mkdir((base / "real").c_str(), 0700);
             fs::create_directory_symlink(base / "real", p);
         },
         FolderTrust::NotFolder, false},
        {"another user's", [](const fs::path& p) { ::mkdir(p.c_str(), 0700); (void)::chown(p.c_str(), kOtherUid, kOtherUid); },
         FolderTrust::OtherOwner, true},
        {"in a missing folder", [](const fs::path&) {}, FolderTrust::CannotCreate, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        if (c.needsRoot && ::geteuid() != 0) {
            std::cout << "skipped without root (a second uid is needed): " << c.what << "\n";
            continue;
        }
        const fs::path folder = c.expected == FolderTrust::CannotCreate ? base / "no" / "such"
                                                                        : base / ("f" + std::to_string(n++));
        c.prepare(folder);
        EXPECT_EQ(platform::MakePrivateFolder(folder), c.expected) << c.what;
        if (c.expected == FolderTrust::Private) EXPECT_EQ(ModeOf(folder), 0700u) << c.what;
        EXPECT_EQ(platform::CheckPrivateFolder(folder), c.expected) << c.what;
    }
    EXPECT_EQ(platform::MaxLocalSocketPath(), sizeof(sockaddr_un::sun_path) - 1);
})

POSIX_ONLY_TEST(SessionChannel, PeerOfAnotherUserIsTold, "needs fork and setuid", {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as a second uid (65534)";
    test::TempDir t;
    ::chmod(t.Path().c_str(), 0777);
    const std::string path = (t.Path() / "s").string();
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(server, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::chmod(path.c_str(), 0777);
    ASSERT_EQ(::listen(server, 4), 0);
    for (const uid_t uid : {::geteuid(), kOtherUid}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (uid != ::geteuid() && (::setgid(kOtherUid) != 0 || ::setuid(uid) != 0)) ::_exit(2);
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) ::_exit(3);
            char c;
            (void)::read(fd, &c, 1); // stays until the parent has looked
            ::_exit(0);
        }
        const int peer = ::accept(server, nullptr, nullptr);
        ASSERT_GE(peer, 0);
        EXPECT_EQ(platform::PeerIsCurrentUser(peer), uid == ::geteuid()) << uid;
        ::close(peer);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << uid;
    }
    ::close(server);
    EXPECT_FALSE(platform::PeerIsCurrentUser(-1));
})

} // namespace
