// Saving (or exporting to .npy) every channel of a float recording copies the rows straight
// from the source file (copy_file_range, or large reads where that is refused): the result
// must be byte for byte what the former value-by-value code writes (ProcessingOracle), and
// channel subsets must keep taking the row-by-row path.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "ProcessingOracle.h"
#include "ProcessingTestUtil.h"
#include "core/export/Export.h"
#include "core/processing/Engine.h"
#include "platform/MappedFile.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

// Random bit patterns: every float there is, NaNs with payloads among them (kept quiet, as
// loads through the FPU may quieten a signalling one).
FloatFixture RandomBits(int channels, uint64_t samples) {
    auto bits = std::make_shared<std::vector<uint32_t>>(samples * static_cast<uint64_t>(channels));
    std::mt19937 rng(99);
    for (uint32_t& b : *bits) {
        b = rng();
        if ((b & 0x7F800000u) == 0x7F800000u)
            b |= 0x00400000u;
    }
    FloatFixture fx;
    fx.layout.channels = channels;
    fx.samples = samples;
    fx.value = [bits, channels](uint64_t k, int c) {
        float v;
        std::memcpy(&v, &(*bits)[k * static_cast<uint64_t>(channels) + static_cast<uint64_t>(c)], 4);
        return v;
    };
    return fx;
}

struct ReadsGuard {
    explicit ReadsGuard(bool on) { platform::CMappedFile::ForceCopyByReadsForTest(on); }
    ~ReadsGuard() { platform::CMappedFile::ForceCopyByReadsForTest(false); }
};

} // namespace

TEST(SaveCopy, WholeRowsAreCopiedAndMatchTheFormerCode) {
    constexpr int kChannels = 5;
    constexpr uint64_t kSamples = 70001;
    const struct {
        const char* what;
        ProcessOp op;
        const char* name;
        int64_t from, to;
        std::vector<int> outputs; // save-channels: 1-based sources
        bool byReads;             // the read-and-write path instead of copy_file_range
        bool copied;              // the rows come straight from the source
    } cases[] = {
        {"whole recording", OP_SAVE_FRAGMENT, "all.kvf", 0, static_cast<int64_t>(kSamples), {}, false, true},
        {"inner fragment, cursors reversed", OP_SAVE_FRAGMENT, "mid.kvf", 60001, 333, {}, false, true},
        {"by reads", OP_SAVE_FRAGMENT, "reads.kvf", 1, static_cast<int64_t>(kSamples) - 1, {}, true, true},
        {"one row", OP_SAVE_FRAGMENT, "one.kvf", 4000, 4001, {}, false, true},
        {"hidden channel left out by a ~ name", OP_SAVE_FRAGMENT, "~part.kvf", 10, 50000, {}, false, false},
        {"all channels in order", OP_SAVE_CHANNELS, "chan.kvf", 17, 69000, {1, 2, 3, 4, 5}, false, true},
        {"all channels by reads", OP_SAVE_CHANNELS, "chanr.kvf", 0, static_cast<int64_t>(kSamples), {1, 2, 3, 4, 5}, true, true},
        {"channels reordered", OP_SAVE_CHANNELS, "swap.kvf", 17, 69000, {2, 1, 3, 4, 5}, false, false},
        {"channel subset", OP_SAVE_CHANNELS, "sub.kvf", 0, 1000, {3, 1}, false, false},
    };
    Source s(RandomBits(kChannels, kSamples));
    s.job.m_channelShown[2] = 0;
    std::filesystem::create_directory(s.dir / "old"); // the former code's results, under the same names
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        s.job.m_op = c.op;
        s.job.m_cursor1 = c.from;
        s.job.m_cursor2 = c.to;
        s.job.m_outputs.count = static_cast<int>(c.outputs.size());
        for (size_t i = 0; i < c.outputs.size(); ++i)
            s.job.m_outputs.sources[i] = c.outputs[i];
        RecordingObserver oldObs;
        s.job.m_resultName = s.dir / "old" / c.name;
        RunOldProcessJob(s.job, oldObs);
        ASSERT_TRUE(s.job.m_succeeded);
        const uint64_t before = engine::SourceRowBytesCopiedForTest();
        {
            ReadsGuard reads(c.byReads);
            const RecordingObserver obs = s.Run(c.op, c.name);
            ASSERT_TRUE(s.job.m_succeeded) << (obs.failures.empty() ? "" : obs.failures[0]);
            EXPECT_EQ(obs.percents, oldObs.percents);
        }
        const uint64_t rows = static_cast<uint64_t>(std::abs(c.to - c.from));
        EXPECT_EQ(engine::SourceRowBytesCopiedForTest() - before, c.copied ? rows * kChannels * 4 : 0);
        const std::vector<uint8_t> got = ReadAll(s.dir / c.name), want = ReadAll(s.dir / "old" / c.name);
        ASSERT_EQ(got.size(), want.size());
        EXPECT_TRUE(got == want) << "the files differ";
    }
}

TEST(SaveCopy, FullDiskDuringTheCopyKeepsNothing) {
    // The write limit of the test hook stands for a full disk at every piece of the copy.
    Source s(RandomBits(2, uint64_t{1} << 20)); // 8 MiB of rows: several pieces
    for (const int64_t limit : {int64_t{0}, int64_t{3} << 20}) {
        engine::FailResultWritesForTest(limit, platform::FileProblem::DiskFull);
        s.job.m_cursor1 = 0;
        s.job.m_cursor2 = s.data.Samples();
        const RecordingObserver obs = s.Run(OP_SAVE_FRAGMENT, "full.kvf");
        engine::FailResultWritesForTest(-1, platform::FileProblem::None);
        EXPECT_FALSE(s.job.m_succeeded);
        EXPECT_EQ(s.job.m_fileProblem, platform::FileProblem::DiskFull);
        ASSERT_EQ(obs.failures.size(), 1u);
        EXPECT_NE(obs.failures[0].find("full.kvf"), std::string::npos) << obs.failures[0];
        EXPECT_EQ(FilesIn(s.dir.Path()), std::vector<std::string>{"src.kvf"}) << "limit " << limit;
    }
}

TEST(SaveCopy, NpyOfEveryChannelIsTheHeaderAndTheStoredRows) {
    // Oracle: numpy's header, then the stored bytes of the rows, read from the source file.
    constexpr int kChannels = 3;
    Source s(RandomBits(kChannels, 50000));
    const std::vector<uint8_t> source = ReadAll(s.file);
    const uint64_t data = s.data.HeaderLength();
    const struct {
        int64_t from, to;
        std::vector<int> channels;
        bool byReads, copied;
    } cases[] = {
        {0, 50000, {0, 1, 2}, false, true},
        {49999, 7, {0, 1, 2}, true, true},
        {100, 2000, {0, 2, 1}, false, false}, // columns reordered: the row path
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " to " + std::to_string(c.to));
        exporting::ExportJob job;
        job.source = &s.data;
        job.from = c.from, job.to = c.to;
        job.channels = c.channels;
        job.target = s.dir / "out.npy";
        const uint64_t before = engine::SourceRowBytesCopiedForTest();
        {
            ReadsGuard reads(c.byReads);
            RecordingObserver obs;
            exporting::RunExport(job, obs);
            ASSERT_TRUE(job.succeeded) << job.error;
        }
        const uint64_t first = static_cast<uint64_t>(std::min(c.from, c.to)), rows = static_cast<uint64_t>(std::abs(c.to - c.from));
        EXPECT_EQ(engine::SourceRowBytesCopiedForTest() - before, c.copied ? rows * kChannels * 4 : 0);
        const std::string header = exporting::NpyHeader(rows, kChannels);
        std::vector<uint8_t> want(header.begin(), header.end());
        for (uint64_t r = first; r < first + rows; ++r)
            for (const int ch : c.channels) {
                const auto at = source.begin() + static_cast<std::ptrdiff_t>(data + (r * kChannels + static_cast<uint64_t>(ch)) * 4);
                want.insert(want.end(), at, at + 4);
            }
        EXPECT_TRUE(ReadAll(s.dir / "out.npy") == want) << "the files differ";
    }
}
