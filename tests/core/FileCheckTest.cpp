#include "core/common/FileProblemText.h"
#include "core/recording/DataFile.h"
#include "platform/FileCheck.h"
#include "platform/FileTimes.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "TestPlatform.h"

using namespace vistrel;
using namespace vistrel::test;
using platform::FileProblem;
namespace fs = std::filesystem;

TEST(FileCheck, ReasonsForReading)
{
    TempDir dir;
    WriteAll(dir / "data.kvf", {1, 2, 3});
    WriteAll(dir / "empty.kvf", {});
    EXPECT_EQ(platform::CheckReadableFile(dir / "data.kvf"), FileProblem::None);
    EXPECT_EQ(platform::CheckReadableFile(dir / "empty.kvf"), FileProblem::None);
    EXPECT_EQ(platform::CheckReadableFile(dir / "empty.kvf", false), FileProblem::Empty);
    EXPECT_EQ(platform::CheckReadableFile(dir / "missing.kvf"), FileProblem::NotFound);
    EXPECT_EQ(platform::CheckReadableFile(dir / "data.kvf" / "x"), FileProblem::NotFound);
    EXPECT_EQ(platform::CheckReadableFile(dir.Path()), FileProblem::IsDirectory);
    EXPECT_EQ(platform::CheckReadableFile(dir / std::string(5000, 'a')), FileProblem::PathTooLong);
    // A FIFO (none on Windows) must be refused at once: opening it for reading would wait for a
    // writer forever.
    if (MakeFifo(dir / "pipe.kvf")) {
        EXPECT_EQ(platform::CheckReadableFile(dir / "pipe.kvf"), FileProblem::NotRegular);
    }
    std::error_code noLink; // symbolic links need a privilege on Windows
    fs::create_symlink("loop2", dir / "loop1", noLink);
    if (!noLink) {
        fs::create_symlink("loop1", dir / "loop2");
        EXPECT_EQ(platform::CheckReadableFile(dir / "loop1"), FileProblem::SymlinkLoop);
    }
    // Windows has no permission bits: fs::permissions only sets the read-only attribute.
    if (!kWindows && !RunsAsSuperuser()) {
        fs::permissions(dir / "data.kvf", fs::perms::none);
        EXPECT_EQ(platform::CheckReadableFile(dir / "data.kvf"), FileProblem::PermissionDenied);
    }
}

TEST(FileCheck, ReasonsForWriting)
{
    TempDir dir;
    EXPECT_EQ(platform::CheckWritableTarget(dir / "new.kvf"), FileProblem::None);
    EXPECT_EQ(platform::CheckWritableTarget(dir / "nofolder" / "new.kvf"), FileProblem::NotFound);
    EXPECT_EQ(platform::CheckWritableTarget(dir.Path()), FileProblem::IsDirectory);
    WriteAll(dir / "old.kvf", {1});
    EXPECT_EQ(platform::CheckWritableTarget(dir / "old.kvf"), FileProblem::None);
    // Read-only even for a superuser, as the read-only attribute is on Windows.
    fs::permissions(dir / "old.kvf", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(platform::CheckWritableTarget(dir / "old.kvf"), FileProblem::ReadOnly);
    if (MakeFifo(dir / "pipe.txt")) {
        EXPECT_EQ(platform::CheckWritableTarget(dir / "pipe.txt"), FileProblem::NotRegular);
    }
}

TEST(FileCheck, SameFileUnderOtherSpellings)
{
    TempDir dir;
    WriteAll(dir / "a.kvf", {1});
    WriteAll(dir / "b.kvf", {1});
    fs::create_directory(dir / "sub");
    EXPECT_TRUE(platform::IsSameFile(dir / "a.kvf", dir / "sub" / ".." / "a.kvf"));
    EXPECT_FALSE(platform::IsSameFile(dir / "a.kvf", dir / "b.kvf"));
    EXPECT_FALSE(platform::IsSameFile(dir / "a.kvf", dir / "missing.kvf"));
    std::error_code noLink; // symbolic links need a privilege on Windows
    fs::create_symlink(dir / "a.kvf", dir / "link.kvf", noLink);
    if (!noLink) {
        EXPECT_TRUE(platform::IsSameFile(dir / "link.kvf", dir / "a.kvf"));
    }
    const fs::path cwd = fs::current_path();
    fs::current_path(dir.Path());
    EXPECT_TRUE(platform::IsSameFile("a.kvf", dir / "a.kvf"));
    fs::current_path(cwd);
    if (kWindows) {
        // Windows file names ignore case, and either slash separates folders.
        EXPECT_TRUE(platform::IsSameFile(dir / "A.KVF", dir / "a.kvf"));
        EXPECT_TRUE(platform::IsSameFile(dir.Path().generic_string() + "/a.kvf", dir / "a.kvf"));
    }
}

TEST(FileCheck, EveryReasonHasItsOwnTextInBothLanguageModules)
{
    const FileProblem all[] = {FileProblem::NotFound, FileProblem::PermissionDenied,
                               FileProblem::IsDirectory, FileProblem::NotRegular,
                               FileProblem::SymlinkLoop, FileProblem::PathTooLong,
                               FileProblem::Empty, FileProblem::DiskFull,
                               FileProblem::ReadOnly, FileProblem::Other};
    std::stringstream en, ru;
    en << std::ifstream(fs::path(VISTREL_SOURCE_DIR) / "resources/lang/en/strings_files.ts").rdbuf();
    ru << std::ifstream(fs::path(VISTREL_SOURCE_DIR) / "resources/lang/ru/strings_files.ts").rdbuf();
    std::set<int> ids;
    for (FileProblem p : all) {
        const int id = FileProblemStringId(p);
        EXPECT_TRUE(ids.insert(id).second) << id;
        const std::string tag = "<message id=\"" + std::to_string(id) + "\">";
        EXPECT_NE(ru.str().find(tag), std::string::npos) << id;
        // The command-line tool prints the English module's wording.
        const std::string enLine = en.str().substr(en.str().find(tag));
        EXPECT_NE(enLine.substr(0, enLine.find('\n')).find(
                      std::string("<translation>") + FileProblemEnglish(p) + "</translation>"),
                  std::string::npos) << id;
    }
}

TEST(FileCheck, RecordingNoticesARewriteOnDisk)
{
    TempDir dir;
    FloatFixture fx;
    fx.layout.channels = 2;
    ASSERT_TRUE(WriteFloatFixture(dir / "r.kvf", fx));
    CDataFile file;
    ASSERT_EQ(file.Open(dir / "r.kvf"), 1);
    EXPECT_FALSE(file.ChangedOnDisk());
    fx.samples = 50; // another program writes a shorter recording over it
    if (kWindows) {
        // Windows refuses writers while the recording is open; a new write time still counts.
        const auto before = ReadAll(dir / "r.kvf");
        EXPECT_FALSE(WriteFloatFixture(dir / "r.kvf", fx));
        EXPECT_EQ(ReadAll(dir / "r.kvf"), before);
        EXPECT_FALSE(file.ChangedOnDisk());
        const std::int64_t t = UtcFileTime(2030, 1, 2, 3, 4, 5);
        ASSERT_TRUE(platform::SetFileTimes(dir / "r.kvf", t, t, t));
    } else {
        ASSERT_TRUE(WriteFloatFixture(dir / "r.kvf", fx));
    }
    EXPECT_TRUE(file.ChangedOnDisk());
    file.Close();
    EXPECT_FALSE(file.ChangedOnDisk());
}
