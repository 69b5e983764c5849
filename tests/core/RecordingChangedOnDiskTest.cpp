// A recording that another program truncates or rewrites while it is open, and files that are
// no recordings at all (FIFOs, folders, empty files): no crash, no hang, a reason.

#include "core/common/FileProblemText.h"
#include "core/recording/DataFile.h"
#include "platform/FileTimes.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <thread>

#include "TestPlatform.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

FloatFixture Ramp(int channels, std::uint64_t samples)
{
    FloatFixture fx;
    fx.layout.channels = channels;
    fx.samples = samples;
    fx.value = [](std::uint64_t k, int c) { return static_cast<float>(k % 1000) + 1.0f + static_cast<float>(c); };
    return fx;
}

[[maybe_unused]] std::uint64_t ReadAllSamples(const CDataFile& f)
{
    std::uint64_t nonZero = 0;
    for (std::int64_t k = 0; k < f.Samples(); ++k)
        for (int c = 0; c < f.Channels(); ++c)
            if (f.SampleValue(static_cast<std::uint64_t>(k), c) != 0) ++nonZero;
    return nonZero;
}

} // namespace

POSIX_ONLY_TEST(RecordingChangedOnDisk, TruncationUnderAReadingThreadReadsZerosAndIsReported,
                "Windows refuses to truncate a mapped file (see PlatformWindows tests)", {
    TempDir dir;
    const auto path = dir / "cut.kvf";
    ASSERT_TRUE(WriteFloatFixture(path, Ramp(3, 400000))); // about 4.8 MB
    CDataFile f;
    ASSERT_EQ(f.Open(path), 1);
    const std::int64_t samples = f.Samples();
    ASSERT_EQ(ReadAllSamples(f), static_cast<std::uint64_t>(samples) * 3);
    EXPECT_FALSE(f.ChangedOnDisk());

    std::atomic<bool> truncated{false};
    std::atomic<int> passes{0};
    auto reader = std::async(std::launch::async, [&] {
        std::uint64_t lastNonZero = 0;
        // Keep reading until a whole pass ran after the truncation.
        for (;;) {
            const bool after = truncated.load();
            lastNonZero = ReadAllSamples(f);
            ++passes;
            if (after) return lastNonZero;
        }
    });
    while (passes.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // Another program cuts the file to its header (what `cp new.kvf open.kvf` does first).
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(f.HeaderLength())), 0);
    truncated = true;
    const std::uint64_t nonZeroAfter = reader.get();
    EXPECT_EQ(nonZeroAfter, 0u); // every page past the cut reads zeros
    EXPECT_TRUE(f.MappingDamaged());
    EXPECT_TRUE(f.ChangedOnDisk());
    EXPECT_EQ(f.Samples(), samples);
    f.Close();
    // A fresh open sees the new, empty recording.
    CDataFile g;
    ASSERT_EQ(g.Open(path), 1);
    EXPECT_EQ(g.Samples(), 0);
    EXPECT_FALSE(g.ChangedOnDisk());
})

POSIX_ONLY_TEST(RecordingChangedOnDisk, SigbusOutsideOurMappingsStillKills,
                "no SIGBUS on Windows", {
    TempDir dir;
    ASSERT_TRUE(WriteFloatFixture(dir / "a.kvf", Ramp(1, 10)));
    CDataFile f;
    ASSERT_EQ(f.Open(dir / "a.kvf"), 1); // installs the handler
    // A mapping of someone else's (not a CDataFile's) loses its file: the fault must kill.
    WriteAll(dir / "other.bin", std::vector<std::uint8_t>(3 * 4096, 1));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int fd = ::open((dir / "other.bin").c_str(), O_RDONLY);
        void* p = ::mmap(nullptr, 3 * 4096, PROT_READ, MAP_SHARED, fd, 0);
        if (fd < 0 || p == MAP_FAILED || ::truncate((dir / "other.bin").c_str(), 0) != 0) _exit(3);
        volatile std::uint8_t sink = static_cast<const std::uint8_t*>(p)[2 * 4096];
        (void)sink;
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    // Killed by SIGBUS, or (under a sanitizer, whose handler came first) a non-zero exit.
    const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGBUS;
    const bool reported = WIFEXITED(status) && WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 3;
    EXPECT_TRUE(killed || reported) << "status " << status;
    // Our own mapping is still guarded and intact.
    EXPECT_FALSE(f.ChangedOnDisk());
    EXPECT_EQ(f.SampleValue(3, 0), 4.0L);
})

// What counts as a change of the recording on disk: another file at the path (even one of the
// same size and modification time), a new size or write time, or no file; not a change of
// permissions or links alone, which moves only the change time.
TEST(RecordingChangedOnDisk, AnotherFileAtThePathCountsAPermissionChangeDoesNot)
{
    namespace fs = std::filesystem;
    struct Case {
        const char* what;
        bool posixOnly;   // Windows refuses to replace or delete an open recording
        std::function<void(const fs::path& rec, const fs::path& dir)> change;
        bool changed;
        bool mappedFileChanged = false;   // the open file itself, not only its path
    };
    const Case cases[] = {
        {"untouched", false, [](const fs::path&, const fs::path&) {}, false},
        {"made read-only", true, [](const fs::path& rec, const fs::path&) { ASSERT_TRUE(SetReadOnly(rec, true)); },
         false},
        {"linked under a second name", true,
         [](const fs::path& rec, const fs::path& dir) { fs::create_hard_link(rec, dir / "second.kvf"); }, false},
        {"renamed over by a twin of the same size and time", true,
         [](const fs::path& rec, const fs::path& dir) {
             FloatFixture twin = Ramp(2, 500);
             twin.value = [](std::uint64_t k, int) { return static_cast<float>(k) * -3.0f; };
             ASSERT_TRUE(WriteFloatFixture(dir / "twin.kvf", twin));
             ASSERT_EQ(fs::file_size(dir / "twin.kvf"), fs::file_size(rec));
             fs::last_write_time(dir / "twin.kvf", fs::last_write_time(rec));
             fs::rename(dir / "twin.kvf", rec);
         },
         true},
        {"given a new write time", false,
         [](const fs::path& rec, const fs::path&) {
             const std::int64_t t = UtcFileTime(2030, 1, 2, 3, 4, 5);
             ASSERT_TRUE(platform::SetFileTimes(rec, t, t, t));
         },
         true, true},
        {"removed", true, [](const fs::path& rec, const fs::path&) { fs::remove(rec); }, true},
    };
    for (const Case& c : cases) {
        if (kWindows && c.posixOnly) continue;
        TempDir dir;
        const fs::path rec = dir / "r.kvf";
        ASSERT_TRUE(WriteFloatFixture(rec, Ramp(2, 500)));
        CDataFile f;
        ASSERT_EQ(f.Open(rec), 1);
        EXPECT_FALSE(f.ChangedOnDisk()) << c.what;
        c.change(rec, dir.Path());
        EXPECT_EQ(f.ChangedOnDisk(), c.changed) << c.what;
        EXPECT_EQ(f.MappedFileUnchanged(), !c.mappedFileChanged) << c.what;
        EXPECT_EQ(f.SampleValue(3, 1), 5.0L) << c.what;
        f.Close();
        SetReadOnly(rec, false);
    }
}

TEST(RecordingChangedOnDisk, FilesThatAreNoRecordingsAreRefusedWithTheReason)
{
    TempDir dir;
    // A FIFO without a writer (none on Windows): Open must return at once instead of waiting forever.
    if (MakeFifo(dir / "f.kvf")) {
        auto fifo = std::async(std::launch::async, [&] {
            CDataFile f;
            const int rc = f.Open(dir / "f.kvf");
            return std::make_pair(rc, f.LastProblem());
        });
        ASSERT_EQ(fifo.wait_for(std::chrono::seconds(10)), std::future_status::ready) << "Open hangs on a FIFO";
        EXPECT_EQ(fifo.get(), std::make_pair(0, platform::FileProblem::NotRegular));
    }

    WriteAll(dir / "empty.kvf", {});
    std::filesystem::create_directory(dir / "folder.kvf");
    const std::string longName(300, 'x');
    std::vector<std::pair<std::filesystem::path, platform::FileProblem>> cases = {
        {dir / "empty.kvf", platform::FileProblem::Empty},
        {dir / "folder.kvf", platform::FileProblem::IsDirectory},
        {dir / "missing.kvf", platform::FileProblem::NotFound},
        {dir / (longName + ".kvf"), platform::FileProblem::PathTooLong},
    };
    // Symbolic links need a privilege on Windows.
    std::error_code noLink;
    std::filesystem::create_symlink("loop2.kvf", dir / "loop1.kvf", noLink);
    if (!noLink) {
        std::filesystem::create_symlink("loop1.kvf", dir / "loop2.kvf");
        cases.push_back({dir / "loop1.kvf", platform::FileProblem::SymlinkLoop});
    }
    for (const auto& [path, problem] : cases) {
        CDataFile f;
        EXPECT_EQ(f.Open(path), 0) << path;
        EXPECT_EQ(f.LastError(), OpenError::CannotOpen) << path;
        EXPECT_EQ(f.LastProblem(), problem) << path;
        EXPECT_STREQ(OpenFailureEnglish(f), FileProblemEnglish(problem)) << path;
    }
    // A parse failure keeps its own reason and no file problem.
    WriteAll(dir / "junk.kvf", {'j', 'u', 'n', 'k'});
    CDataFile j;
    EXPECT_EQ(j.Open(dir / "junk.kvf"), 0);
    EXPECT_EQ(j.LastProblem(), platform::FileProblem::None);
    EXPECT_EQ(j.LastError(), OpenError::BadSignature);
    // A successful open after a failed one clears the reason.
    ASSERT_TRUE(WriteFloatFixture(dir / "ok.kvf", Ramp(1, 3)));
    EXPECT_EQ(j.Open(dir / "ok.kvf"), 1);
    EXPECT_EQ(j.LastProblem(), platform::FileProblem::None);
}
