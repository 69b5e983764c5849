// Where `--png` may not put its picture, and a recording that changes while it is drawn: exit
// status 2 with the reason, the target path and the recording exactly as they were.
#include <QProcess>
#include <QProcessEnvironment>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "plot/PngRender.h"
#include "support/Fixtures.h"

using namespace vistrel;
using namespace vistrel::test;
namespace fs = std::filesystem;

namespace {

QString Q(const fs::path& p) { return QString::fromStdString(p.string()); }

// What a path holds, without following a link at it: its kind, a link's target, a file's bytes.
std::string Snapshot(const fs::path& p) {
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(p, ec);
    if (ec || st.type() == fs::file_type::not_found) return "absent";
    switch (st.type()) {
    case fs::file_type::symlink: return "link to " + fs::read_symlink(p).string();
    case fs::file_type::directory: return "folder";
    case fs::file_type::fifo: return "fifo";
    case fs::file_type::regular: {
        // Short enough to read in a failure: the size and a hash of the bytes (FNV-1a).
        const std::vector<std::uint8_t> bytes = ReadAll(p);
        std::uint64_t hash = 1469598103934665603ull;
        for (const std::uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ull;
        return "file mode " + std::to_string(static_cast<int>(st.permissions())) + ", " +
               std::to_string(bytes.size()) + " bytes, hash " + std::to_string(hash);
    }
    default: return "other";
    }
}

void WriteText(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

fs::path Recording(const TempDir& dir) {
    FloatFixture fx;
    fx.samples = 3000;
    const fs::path kvf = dir / "p.kvf";
    EXPECT_TRUE(WriteFloatFixture(kvf, fx));
    return kvf;
}

struct TargetCase {
    const char* name;
    // Makes the target beside the recording and returns its path.
    std::function<fs::path(const fs::path& dir, const fs::path& kvf)> make;
};

const TargetCase kRefusedTargets[] = {
    {"the recording itself", [](const fs::path&, const fs::path& kvf) { return kvf; }},
    {"the recording by another spelling",
     [](const fs::path& dir, const fs::path&) {
         fs::create_directory(dir / "sub");
         return dir / "sub" / ".." / "p.kvf";
     }},
    {"a symbolic link to the recording",
     [](const fs::path& dir, const fs::path& kvf) {
         fs::create_symlink(kvf, dir / "qlink.png");
         return dir / "qlink.png";
     }},
    {"a hard link to the recording",
     [](const fs::path& dir, const fs::path& kvf) {
         fs::create_hard_link(kvf, dir / "hard.png");
         return dir / "hard.png";
     }},
    {"a FIFO",
     [](const fs::path& dir, const fs::path&) {
         EXPECT_EQ(::mkfifo((dir / "f.png").c_str(), 0600), 0);
         return dir / "f.png";
     }},
    {"a read-only picture",
     [](const fs::path& dir, const fs::path&) {
         WriteText(dir / "ro.png", "OLD PICTURE");
         fs::permissions(dir / "ro.png", fs::perms::owner_read | fs::perms::group_read);
         return dir / "ro.png";
     }},
    {"a folder",
     [](const fs::path& dir, const fs::path&) {
         fs::create_directory(dir / "d.png");
         return dir / "d.png";
     }},
};

} // namespace

TEST(PngTarget, RefusedTargetsStayAsTheyWere) {
    for (const TargetCase& c : kRefusedTargets) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path kvf = Recording(dir);
        const fs::path png = c.make(dir.Path(), kvf);
        const std::string recordingBefore = Snapshot(kvf), targetBefore = Snapshot(png);
        EXPECT_EQ(RenderPlotToPng(Q(kvf), Q(png), QSize(320, 200)), 2);
        EXPECT_EQ(Snapshot(kvf), recordingBefore);
        EXPECT_EQ(Snapshot(png), targetBefore);
        EXPECT_FALSE(PngTargetProblem(Q(png), Q(kvf)).isEmpty());
    }
    // A device node, which a superuser could otherwise replace: only asked, never written.
    TempDir dir;
    EXPECT_FALSE(PngTargetProblem(QStringLiteral("/dev/null"), Q(Recording(dir))).isEmpty());
}

// Changes between the rendering and the rename, made from the hook that runs just before the
// last checks: the picture is refused and whatever the hook left stays.
struct LateChange {
    const char* name;
    std::function<void(const fs::path& kvf, const fs::path& png)> change;
};

const LateChange kLateChanges[] = {
    {"the recording grows", [](const fs::path& kvf, const fs::path&) {
         std::ofstream(kvf, std::ios::binary | std::ios::app) << "tail";
     }},
    {"the recording is truncated", [](const fs::path& kvf, const fs::path&) { fs::resize_file(kvf, 1000); }},
    {"the recording is replaced", [](const fs::path& kvf, const fs::path&) {
         const fs::path other = kvf.parent_path() / "other.kvf";
         FloatFixture fx;
         fx.samples = 10;
         ASSERT_TRUE(WriteFloatFixture(other, fx));
         fs::rename(other, kvf);
     }},
    {"the target becomes a FIFO", [](const fs::path&, const fs::path& png) {
         fs::remove(png);
         ASSERT_EQ(::mkfifo(png.c_str(), 0600), 0);
     }},
    {"the target becomes a link to the recording", [](const fs::path& kvf, const fs::path& png) {
         fs::remove(png);
         fs::create_symlink(kvf, png);
     }},
};

TEST(PngTarget, ChangesJustBeforeTheRenameKeepTheOldPicture) {
    for (const LateChange& c : kLateChanges) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path kvf = Recording(dir);
        const fs::path png = dir / "out.png";
        WriteText(png, "OLD PICTURE");
        std::string recordingAfter, targetAfter;
        SetPngBeforeRenameHookForTest([&] {
            c.change(kvf, png);
            recordingAfter = Snapshot(kvf);
            targetAfter = Snapshot(png);
        });
        const int status = RenderPlotToPng(Q(kvf), Q(png), QSize(320, 200));
        SetPngBeforeRenameHookForTest({});
        EXPECT_EQ(status, 2);
        ASSERT_FALSE(targetAfter.empty()) << "the hook did not run";
        EXPECT_EQ(Snapshot(kvf), recordingAfter);
        EXPECT_EQ(Snapshot(png), targetAfter);
        // No temporary file is left beside the target.
        int entries = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.Path())) ++entries;
        EXPECT_EQ(entries, 2);
    }
}

TEST(PngTarget, CommandLineNamesTheTargetAndTheReason) {
    TempDir dir;
    const fs::path kvf = Recording(dir);
    const std::string before = Snapshot(kvf);
    const auto run = [&](const QStringList& args) {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(e);
        p.setWorkingDirectory(Q(dir.Path()));
        p.start(QStringLiteral(VISTREL_APP_PATH), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        return std::make_pair(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, err.toStdString());
    };
    const auto [status, err] = run({QStringLiteral("--png"), QStringLiteral("p.kvf"), QStringLiteral("p.kvf")});
    EXPECT_EQ(status, 2);
    EXPECT_NE(err.find("cannot write p.kvf: it is the recording itself"), std::string::npos) << err;
    EXPECT_EQ(Snapshot(kvf), before);
}
