// The platform layer against the system itself, on POSIX systems and on Windows: mappings of
// sparse files past 4 GiB, an open recording's protection from writers, file times and
// identities, Windows-1251 against the system's own code-page tables, names in Cyrillic.

#include "core/recording/DataFile.h"
#include "platform/Encoding.h"
#include "platform/FileCheck.h"
#include "platform/FileIdentity.h"
#include "platform/FileTimes.h"
#include "platform/MappedFile.h"
#include "platform/UniqueFile.h"
#include "support/Fixtures.h"
#include "TestPlatform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

using namespace vistrel;
using namespace vistrel::test;
namespace fs = std::filesystem;

namespace {

// A path from UTF-8 text on every system.
fs::path Utf8Path(const std::string& utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8(const fs::path& path)
{
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

bool CanOpenForWriting(const fs::path& path)
{
    std::FILE* f = platform::OpenFile(path, "r+b");
    if (!f) return false;
    std::fclose(f);
    return true;
}

} // namespace

TEST(PlatformFiles, SparseFileMapsWholePastFourGiB)
{
    TempDir dir;
    const fs::path path = dir / "sparse.bin";
    const std::uint64_t far = (std::uint64_t{1} << 32) + 12345; // past 2^31 and 2^32
    {
        std::ofstream out(path, std::ios::binary);
        out.put('A');
    }
    std::error_code ec;
    fs::resize_file(path, far + 4096, ec);
    if (ec) GTEST_SKIP() << "the file system keeps no sparse file of 4 GiB: " << ec.message();
    {
        std::fstream io(path, std::ios::binary | std::ios::in | std::ios::out);
        io.seekp(static_cast<std::streamoff>(far));
        io.put('Z');
        ASSERT_TRUE(io.good());
    }
    EXPECT_EQ(platform::FileSize(path), static_cast<std::int64_t>(far + 4096));
    platform::CMappedFile map;
    int error = 0;
    ASSERT_TRUE(map.Open(path, &error)) << error;
    ASSERT_EQ(map.Size(), far + 4096);
    EXPECT_EQ(map.Data()[0], 'A');
    EXPECT_EQ(map.Data()[far], 'Z');
    EXPECT_EQ(map.Data()[far - 1], 0);
    EXPECT_EQ(map.Data()[(std::uint64_t{1} << 31) + 7], 0);
    EXPECT_TRUE(map.Advise(far, 4096, platform::CMappedFile::Access::WillNeed));
    map.Close();
    fs::remove(path);
}

// Windows: while a recording is open no other program may write it or cut it, so its data never
// change under the reader. POSIX systems cannot refuse: there the SIGBUS guard and the
// size-and-time check take over (RecordingChangedOnDisk tests).
TEST(PlatformFiles, AnOpenRecordingIsProtectedFromWritersOnWindows)
{
    TempDir dir;
    FloatFixture fx;
    fx.layout.channels = 2;
    fx.samples = 5000;
    const fs::path path = dir / "open.kvf";
    ASSERT_TRUE(WriteFloatFixture(path, fx));
    const auto before = ReadAll(path);
    {
        CDataFile file;
        ASSERT_EQ(file.Open(path), 1);
        // Other readers are welcome.
        CDataFile second;
        EXPECT_EQ(second.Open(path), 1);
        EXPECT_EQ(ReadAll(path), before);
        if (kWindows) {
            EXPECT_FALSE(CanOpenForWriting(path)) << "a writer got in while the recording is open";
            std::error_code ec;
            fs::resize_file(path, 100, ec);
            EXPECT_TRUE(ec) << "the open recording was cut";
            EXPECT_EQ(ReadAll(path), before);
            EXPECT_FALSE(file.ChangedOnDisk());
            EXPECT_EQ(file.SampleValue(4999, 1), static_cast<long double>(fx.value(4999, 1)));
        } else {
            EXPECT_TRUE(CanOpenForWriting(path));
        }
        // A recording opened twice stays protected while one of them is open.
        second.Close();
        if (kWindows) {
            EXPECT_FALSE(CanOpenForWriting(path));
        }
    }
    // Closed: writable again.
    EXPECT_TRUE(CanOpenForWriting(path));
    platform::CMappedFile map;
    ASSERT_TRUE(map.Open(path));
    map.Close();
    EXPECT_TRUE(CanOpenForWriting(path));
}

TEST(PlatformFiles, FileTimesBeforeTheUnixEpochAndPast2038)
{
    TempDir dir;
    const fs::path path = dir / "t.bin";
    WriteAll(path, {1, 2, 3});
    for (const std::int64_t t : {UtcFileTime(1969, 12, 31, 23, 59, 59, 999), UtcFileTime(2040, 2, 29, 12, 0, 0, 1),
                                 UtcFileTime(2024, 3, 31, 0, 30, 0) + 1234567}) {
        SCOPED_TRACE(t);
        ASSERT_TRUE(platform::SetFileTimes(path, t, t, t));
        std::int64_t got = 0;
        ASSERT_TRUE(platform::GetLastWriteTime(path, got));
        EXPECT_EQ(got, t);
        // The identity keeps the system's own unit: 100 ns on Windows, 1 ns on POSIX systems.
        platform::FileIdentity id;
        ASSERT_TRUE(platform::GetFileIdentity(path, id));
        EXPECT_EQ(id.writeTime, kWindows ? t : (t - platform::kUnixEpochFileTime) * 100);
        EXPECT_EQ(id.size, 3);
    }
    // Another file has another identity; the same file under another spelling the same one.
    WriteAll(dir / "u.bin", {1, 2, 3});
    platform::FileIdentity a, b, c;
    ASSERT_TRUE(platform::GetFileIdentity(path, a));
    ASSERT_TRUE(platform::GetFileIdentity(dir / "u.bin", b));
    ASSERT_TRUE(platform::GetFileIdentity(dir / "." / "t.bin", c));
    EXPECT_NE(a.file, b.file);
    EXPECT_EQ(a.file, c.file);
    EXPECT_EQ(a.device, c.device);
}

TEST(PlatformFiles, Cp1251TableAgreesWithTheSystemsCodePage)
{
    // The system's own Windows-1251 table (MultiByteToWideChar, iconv) as the oracle.
    std::string all;
    for (int b = 1; b < 256; ++b)
        if (b != 0x98) all += static_cast<char>(b); // 0x98 is unassigned
    const std::optional<std::u16string> system = SystemDecode(1251, all);
    if (!system) GTEST_SKIP() << "the system cannot convert Windows-1251";
    EXPECT_EQ(platform::Cp1251ToUtf16(all), *system);
    EXPECT_EQ(platform::Utf16ToCp1251(*system), all);
}

TEST(PlatformFiles, AnsiCodePageOfARussianSystemIsWindows1251)
{
    // ANSI texts are Windows-1251 on POSIX systems; on Windows they follow the system's code page,
    // which scripts/windows.sh makes Russian (1251) for the tests.
    if (AnsiCodePage() != 1251) GTEST_SKIP() << "the ANSI code page is " << AnsiCodePage() << ", not 1251";
    const std::string utf8 = "Журнал: ошибка №7, Ёлка";
    const std::string ansi = platform::Utf8ToAnsi(utf8);
    EXPECT_EQ(ansi, platform::Utf8ToCp1251(utf8));
    EXPECT_EQ(platform::AnsiToUtf8(ansi), utf8);
    for (int b = 1; b < 256; ++b) {
        if (b == 0x98) continue;
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(platform::AnsiToWide(one), platform::Cp1251ToUtf16(one)) << b;
    }
    EXPECT_EQ(platform::Utf8ToAnsi("日本"), "??");
}

TEST(PlatformFiles, RecordingPathWithCyrillicLettersAndSpaces)
{
    TempDir dir;
    const fs::path folder = dir.Path() / Utf8Path("Папка с данными");
    fs::create_directory(folder);
    const fs::path path = folder / Utf8Path("Запись 1 — ёж.kvf");
    FloatFixture fx;
    fx.layout.channels = 3;
    fx.samples = 300;
    fx.fileTime = UtcFileTime(2022, 5, 6, 7, 8, 9);
    ASSERT_TRUE(WriteFloatFixture(path, fx));
    EXPECT_EQ(platform::CheckReadableFile(path, false), platform::FileProblem::None);
    EXPECT_EQ(platform::CheckWritableTarget(folder / Utf8Path("Новый.kvf")), platform::FileProblem::None);
    EXPECT_GT(platform::FileSize(path), 0);
    std::int64_t written = 0;
    ASSERT_TRUE(platform::GetLastWriteTime(path, written));
    platform::FileIdentity id;
    ASSERT_TRUE(platform::GetFileIdentity(path, id));

    CDataFile file;
    ASSERT_EQ(file.Open(path), 1);
    EXPECT_EQ(file.Samples(), 300);
    EXPECT_EQ(file.SampleValue(299, 2), static_cast<long double>(fx.value(299, 2)));

    // The same file through a relative spelling.
    const fs::path cwd = fs::current_path();
    fs::current_path(folder);
    EXPECT_TRUE(platform::IsSameFile(Utf8Path("Запись 1 — ёж.kvf"), path));
    fs::current_path(cwd);

    const fs::path temp = platform::CreateTempBeside(path);
    ASSERT_FALSE(temp.empty());
    EXPECT_TRUE(platform::IsTempFileName(temp));
    EXPECT_EQ(temp.parent_path(), folder);
    fs::remove(temp);

    // The command-line tool takes the name as typed.
    const ProcessRun info = RunProcess(CliProgram(), {"info", Utf8(path)});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("\"channels\""), std::string::npos) << info.out;
    const ProcessRun dump = RunProcess(CliProgram(), {"dump", Utf8(path), "--from", "299"});
    EXPECT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(dump.out.substr(0, 3), "299") << dump.out;
}
