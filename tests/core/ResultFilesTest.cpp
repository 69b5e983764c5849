// Result files: identity of the source, exclusive temporary files, reserved generated names,
// read-only targets, reasons of failures and stopping a running job.
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "ProcessingTestUtil.h"
#include "core/common/StringIds.h"
#include "core/processing/Engine.h"
#include "core/processing/ResultName.h"
#include "core/recording/TempResults.h"
#include "platform/UniqueFile.h"
#include "TestPlatform.h"

using namespace vistrel;
using namespace vistrel::test;
using platform::FileProblem;

namespace {

FloatFixture Ramp(int channels, uint64_t samples) {
    FloatFixture fx;
    fx.layout.channels = channels;
    fx.layout.rate = 48000.0;
    fx.samples = samples;
    fx.value = [](uint64_t k, int c) { return static_cast<float>(k % 977) * 0.5f - static_cast<float>(c); };
    return fx;
}

std::string Bytes(const std::filesystem::path& p) {
    const std::vector<uint8_t> b = ReadAll(p);
    return std::string(b.begin(), b.end());
}

void WriteText(const std::filesystem::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

// Names in `dir` that look like temporary result files.
std::vector<std::string> Temporaries(const std::filesystem::path& dir) {
    std::vector<std::string> found;
    for (const std::string& name : FilesIn(dir))
        if (platform::IsTempFileName(name) || name.find(".part") != std::string::npos)
            found.push_back(name);
    return found;
}

struct StopAfter : RecordingObserver {
    int polls = 0, stopAt = 0;
    bool StopRequested() override { return ++polls >= stopAt; }
};

// Restores the write-failure hook even when an assertion ends the test early.
class ResultFilesHook : public ::testing::Test {
protected:
    void TearDown() override { engine::FailResultWritesForTest(-1, FileProblem::None); }
};

} // namespace

TEST(ResultFiles, SourceIsRefusedUnderEverySpellingOfItsPath) {
    Source s(Ramp(3, 500), "~a.kvf");
    const std::string before = Bytes(s.file);
    const std::filesystem::path link = LinkOrOtherSpelling(s.file, s.dir / "link.kvf");
    std::filesystem::create_directory(s.dir / "sub");
    const std::vector<std::filesystem::path> spellings = {
        s.file, s.dir / "sub" / ".." / "~a.kvf", s.dir / "." / "~a.kvf", link};
    for (const auto& target : spellings) {
        for (ProcessOp op : {OP_MOVING_AVERAGE, OP_SAVE_FRAGMENT}) {
            RecordingObserver obs;
            s.job.m_op = op;
            s.job.m_averagingFactor = 4;
            s.job.m_resultName = target;
            RunProcessJob(s.job, obs);
            EXPECT_FALSE(s.job.m_succeeded) << target;
            EXPECT_EQ(s.job.m_errorId, IDS_RESULT_IS_SOURCE) << target;
            EXPECT_EQ(obs.failures.size(), 1u);
            EXPECT_TRUE(obs.opened.empty());
            EXPECT_EQ(Bytes(s.file), before) << target;
            EXPECT_FALSE(IsTempResult(s.file));
        }
    }
    EXPECT_TRUE(Temporaries(s.dir.Path()).empty());
}

TEST(ResultFiles, UsersPartFileIsNeitherUsedNorRemoved) {
    Source s(Ramp(2, 300));
    WriteText(s.dir / "r.kvf.part", "mine");
    WriteText(s.dir / "~r.kvf.part", "mine too");
    s.job.m_cursor1 = 10, s.job.m_cursor2 = 110;
    s.Run(OP_SAVE_FRAGMENT, "r.kvf");
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    s.job.m_averagingFactor = 3;
    s.Run(OP_MOVING_AVERAGE, "~r.kvf");
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    EXPECT_EQ(Bytes(s.dir / "r.kvf.part"), "mine");
    EXPECT_EQ(Bytes(s.dir / "~r.kvf.part"), "mine too");
    const std::vector<std::string> expected = {"r.kvf", "r.kvf.part", "src.kvf", "~r.kvf", "~r.kvf.part"};
    EXPECT_EQ(FilesIn(s.dir.Path()), expected);
    UnregisterTempResult(s.dir / "~r.kvf"); // reading it back must not delete it
    EXPECT_EQ(ReadResult(s.dir / "r.kvf").samples, 100);
    EXPECT_EQ(ReadResult(s.dir / "~r.kvf").samples, 100);
}

TEST(ResultFiles, HiddenChannelsFollowTheTargetsName) {
    Source s(Ramp(3, 50));
    s.job.m_channelShown[1] = 0;
    s.Run(OP_SAVE_FRAGMENT, "plain.kvf");
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    EXPECT_EQ(ReadResult(s.dir / "plain.kvf").channels, 3);
    s.Run(OP_SAVE_FRAGMENT, "~tilde.kvf");
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    EXPECT_EQ(ReadResult(s.dir / "~tilde.kvf").channels, 2);
    // The operations on shown channels leave hidden ones out under any name.
    s.job.m_averagingFactor = 2;
    s.Run(OP_MOVING_AVERAGE, "avg.kvf");
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    EXPECT_EQ(ReadResult(s.dir / "avg.kvf").channels, 2);
}

TEST(ResultFiles, GeneratedNamesTakeTheNextFreeNameAtomically) {
    TempDir dir;
    const auto name = dir / "~movavg03_140509.KVF";
    FileProblem problem = FileProblem::Other;
    EXPECT_EQ(ReserveResultName(name, &problem), name);
    EXPECT_EQ(problem, FileProblem::None);
    EXPECT_EQ(ReserveResultName(name), dir / "~movavg03_140509_2.KVF");
    WriteText(dir / "~movavg03_140509_3.KVF", "user");
    EXPECT_EQ(ReserveResultName(name), dir / "~movavg03_140509_4.KVF");
    EXPECT_EQ(Bytes(dir / "~movavg03_140509_3.KVF"), "user");
    // A folder that does not exist: no name, the reason told.
    EXPECT_TRUE(ReserveResultName(dir / "none" / "~x.KVF", &problem).empty());
    EXPECT_EQ(problem, FileProblem::NotFound);
}

TEST(ResultFiles, ReservedNameIsReleasedWithoutAResultAndKeptWithOne) {
    Source s(Ramp(2, 100));
    s.job.m_averagingFactor = 2;
    const std::filesystem::path first = ReserveResultName(s.dir / "~movavg01_000000.KVF");
    const std::filesystem::path second = ReserveResultName(s.dir / "~movavg01_000000.KVF");
    ASSERT_NE(first, second);
    RecordingObserver obs;
    s.job.m_op = OP_MOVING_AVERAGE;
    s.job.m_resultName = first;
    s.job.m_reservedTarget = true;
    RunProcessJob(s.job, obs);
    ASSERT_TRUE(s.job.m_succeeded) << s.job.m_error;
    s.job.m_resultName = second;
    s.job.m_reservedTarget = true;
    s.job.m_cursor1 = s.job.m_cursor2 = 5; // empty fragment: no result, the placeholder goes
    RunProcessJob(s.job, obs);
    EXPECT_FALSE(s.job.m_succeeded);
    EXPECT_FALSE(std::filesystem::exists(second));
    EXPECT_TRUE(IsTempResult(first));
    EXPECT_FALSE(IsTempResult(second));
    UnregisterTempResult(first);
    EXPECT_EQ(ReadResult(first).samples, 100);
}

TEST(ResultFiles, ReadOnlyTargetIsRefused) {
    Source s(Ramp(2, 100));
    const auto target = s.dir / "ro.kvf";
    WriteText(target, "read-only contents");
    std::filesystem::permissions(target, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                             std::filesystem::perms::others_read);
    for (ProcessOp op : {OP_SAVE_FRAGMENT, OP_SAVE_CHANNELS}) {
        s.job.m_outputs.Clear();
        s.job.m_outputs.count = 1;
        s.job.m_outputs.sources[0] = 1;
        RecordingObserver obs = s.Run(op, "ro.kvf");
        EXPECT_FALSE(s.job.m_succeeded);
        EXPECT_EQ(s.job.m_errorId, IDS_RESULT_CANNOT_CREATE);
        EXPECT_EQ(s.job.m_fileProblem, FileProblem::ReadOnly);
        ASSERT_EQ(obs.failures.size(), 1u);
        EXPECT_NE(obs.failures[0].find("read-only"), std::string::npos) << obs.failures[0];
        EXPECT_EQ(Bytes(target), "read-only contents");
    }
    std::filesystem::permissions(target, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    EXPECT_TRUE(Temporaries(s.dir.Path()).empty());
}

TEST(ResultFiles, CannotCreateSaysWhy) {
    Source s(Ramp(2, 100));
    RecordingObserver obs = s.Run(OP_SAVE_FRAGMENT, "missing/out.kvf");
    EXPECT_FALSE(s.job.m_succeeded);
    EXPECT_EQ(s.job.m_fileProblem, FileProblem::NotFound);
    ASSERT_EQ(obs.failures.size(), 1u);
    EXPECT_NE(obs.failures[0].find("Cannot create the result file"), std::string::npos);
    EXPECT_NE(obs.failures[0].find("does not exist"), std::string::npos) << obs.failures[0];
    std::filesystem::create_directory(s.dir / "folder.kvf");
    obs = s.Run(OP_SAVE_FRAGMENT, "folder.kvf");
    EXPECT_EQ(s.job.m_fileProblem, FileProblem::IsDirectory);
    EXPECT_TRUE(Temporaries(s.dir.Path()).empty());
}

TEST_F(ResultFilesHook, DiskFullRemovesTheResultAndSaysSo) {
    Source s(Ramp(4, 200000)); // 3.2 MB of rows: several blocks
    const auto target = s.dir / "keep.kvf";
    WriteText(target, "old contents");
    for (const char* name : {"keep.kvf", "keep.txt"}) {
        if (std::string(name) == "keep.txt")
            WriteText(s.dir / name, "old text");
        const std::string before = Bytes(s.dir / name);
        engine::FailResultWritesForTest(1 << 20, FileProblem::DiskFull);
        RecordingObserver obs = s.Run(OP_SAVE_FRAGMENT, name);
        engine::FailResultWritesForTest(-1, FileProblem::None);
        EXPECT_FALSE(s.job.m_succeeded);
        EXPECT_EQ(s.job.m_errorId, IDS_RESULT_WRITE_FAILED);
        EXPECT_EQ(s.job.m_fileProblem, FileProblem::DiskFull);
        ASSERT_EQ(obs.failures.size(), 1u);
        EXPECT_NE(obs.failures[0].find("the disk is full"), std::string::npos) << obs.failures[0];
        EXPECT_EQ(obs.percents.back(), 100);
        EXPECT_EQ(Bytes(s.dir / name), before);
        EXPECT_EQ(s.job.m_saved, 0);
        EXPECT_TRUE(Temporaries(s.dir.Path()).empty());
    }
}

TEST(ResultFiles, StopRequestEndsTheJobWithoutATrace) {
    Source s(Ramp(2, 400000));
    const auto target = s.dir / "out.kvf";
    WriteText(target, "untouched");
    s.job.m_averagingFactor = 3;
    for (ProcessOp op : {OP_MOVING_AVERAGE, OP_SAVE_FRAGMENT, OP_LINEAR}) {
        StopAfter obs;
        obs.stopAt = 20;
        s.job.m_op = op;
        s.job.m_resultName = target;
        RunProcessJob(s.job, obs);
        EXPECT_FALSE(s.job.m_succeeded);
        EXPECT_TRUE(s.job.m_interrupted) << s.job.m_error;
        EXPECT_TRUE(obs.failures.empty());
        EXPECT_EQ(obs.percents.back(), 100);
        EXPECT_LT(obs.percents[obs.percents.size() - 2], 50); // stopped early, not at the end
        EXPECT_EQ(Bytes(target), "untouched");
        EXPECT_TRUE(Temporaries(s.dir.Path()).empty());
    }
}

TEST(ResultFiles, TemporaryNamesAreExclusiveAndRecognisable) {
    TempDir dir;
    const auto target = dir / "~res.KVF";
    std::set<std::filesystem::path> seen;
    for (int i = 0; i < 200; ++i) {
        FileProblem problem = FileProblem::Other;
        const auto temp = platform::CreateTempBeside(target, &problem);
        ASSERT_FALSE(temp.empty());
        EXPECT_EQ(problem, FileProblem::None);
        EXPECT_EQ(temp.parent_path(), dir.Path());
        EXPECT_EQ(temp.filename().string().rfind(".~res.KVF.vistrel-", 0), 0u) << temp;
        EXPECT_TRUE(platform::IsTempFileName(temp));
        EXPECT_TRUE(seen.insert(temp).second);
    }
    EXPECT_FALSE(platform::IsTempFileName(dir / "~res.KVF"));
    EXPECT_FALSE(platform::IsTempFileName(dir / "res.kvf.part"));
    EXPECT_EQ(platform::CreateExclusiveFile(*seen.begin()), platform::CreateOutcome::Exists);
    FileProblem problem = FileProblem::None;
    EXPECT_TRUE(platform::CreateTempBeside(dir / "no" / "x.kvf", &problem).empty());
    EXPECT_EQ(problem, FileProblem::NotFound);
}
