// The summary build shared out among threads, read in one pass, and letting the pages it has
// read go: the same bytes at every thread count, and a long recording built without keeping
// it resident.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "core/recording/DataFile.h"
#include "core/recording/PageDropper.h"
#include "core/view/RecordingSource.h"
#include "core/view/Summaries.h"
#include "core/view/SummaryBuilder.h"
#include "platform/Threads.h"
#include "support/Fixtures.h"
#include "support/LongRecordings.h"

using namespace vistrel;
namespace fs = std::filesystem;

namespace {

uint32_t Mix(uint64_t x) {
    x ^= x >> 31;
    x *= 0x9e3779b97f4a7c15ull;
    x ^= x >> 29;
    return static_cast<uint32_t>(x);
}

// Ties, NaN, infinities and rare far values, so that first positions and skipped samples
// matter in every block.
float Awkward(uint64_t k, int c) {
    const uint32_t h = Mix(k * 7 + static_cast<uint64_t>(c));
    if (h % 1009 == 0) return std::numeric_limits<float>::quiet_NaN();
    if (h % 2003 == 0) return (h & 1) ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
    if (h % 97 == 0) return static_cast<float>(h % 20001) * 0.37f - 3700.0f;
    return 1000.0f + static_cast<float>(h % 13) * 1e-3f;   // an offset large against the noise
}

bool SameBits(const Moments& a, const Moments& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

} // namespace

// Every thread count gives the one-thread bytes; and the one pass gives each coarse block the
// moments a search over the whole block gives (the reading of each block twice it replaces).
TEST(ViewSummariesBuild, SameBytesAtEveryThreadCount) {
    test::TempDir dir;
    struct Case {
        const char* what;
        bool sd;
        int channels;
        uint64_t samples;   // float recordings
    };
    const Case cases[] = {
        {"float, whole coarse blocks", false, 2, 24 * kSummaryCoarseRows},
        {"float, a partial fine block and fine blocks after the last coarse one", false, 5,
         9 * kSummaryCoarseRows + 5 * kSummaryFineRows + 77},
        {"SD image, a wrapped ring of three channels", true, 3, 0},
    };
    for (const Case& c : cases) {
        const fs::path path = dir / (std::string(c.sd ? "sd" : "f") + std::to_string(c.channels) + ".kvf");
        if (c.sd) {
            test::SdFixture fx;
            fx.descriptors = {0, 0, 0};
            // 20 000 sectors with the oldest in the middle of the card: the count stream wraps
            // and rows cross sector borders at every phase.
            fx.sectorNumbers = test::RingNumbers(20000, 11311, 90001, 20000);
            fx.count = [](uint64_t g) {
                const uint32_t h = Mix(g);
                return static_cast<uint16_t>(h % 61 == 0 ? h >> 16 : 32000 + h % 5);
            };
            ASSERT_TRUE(test::WriteSdFixture(path, fx)) << c.what;
        } else {
            test::FloatFixture fx;
            fx.layout.channels = c.channels;
            fx.samples = c.samples;
            fx.value = Awkward;
            ASSERT_TRUE(test::WriteFloatFixture(path, fx)) << c.what;
        }
        CDataFile file;
        ASSERT_EQ(file.Open(path), 1) << c.what;
        CRecordingSource src(&file);
        ASSERT_EQ(src.Channels(), c.channels) << c.what;
        ASSERT_GE(src.Samples(), 9 * kSummaryCoarseRows) << c.what;
        const auto one = CSummaries::Build(src);
        ASSERT_TRUE(one) << c.what;
        const std::vector<uint8_t> bytes = one->Serialize();

        int all[256];
        for (int i = 0; i < c.channels; ++i) all[i] = i;
        Moments whole[256];
        for (uint64_t blk = 0; blk < one->CoarseBlocks(); ++blk) {
            src.FindMoments(all, c.channels, blk * kSummaryCoarseRows, (blk + 1) * kSummaryCoarseRows, whole);
            for (int i = 0; i < c.channels; ++i)
                ASSERT_TRUE(SameBits(one->CoarseMoments(blk, i), whole[i])) << c.what << " block " << blk << " channel " << i;
        }

        for (const int threads : {2, 3, 7}) {
            std::atomic<uint64_t> rows{0};
            const auto many = CSummaries::Build(src, nullptr, &rows, threads);
            ASSERT_TRUE(many) << c.what << ", " << threads << " threads";
            EXPECT_TRUE(many->Serialize() == bytes) << c.what << ", " << threads << " threads";
            EXPECT_EQ(rows.load(), src.Samples()) << c.what << ", " << threads << " threads";
        }
        file.Close();
    }
}

// The moments of many channels at once take each channel's steps of the one-channel sums:
// bit for bit the same, for any choice and order of channels and any run length; and the
// recording source's search over a range gives what reading the values one channel at a time
// gives, on float recordings and SD images.
TEST(ViewSummariesBuild, MomentsOfChannelsSideBySideEqualOneAtATime) {
    const int stride = 13;
    std::vector<float> data(300 * stride);
    for (size_t j = 0; j < data.size(); ++j) data[j] = Awkward(j / stride, static_cast<int>(j % stride));
    struct Case {
        const char* what;
        std::vector<int> channels;
        size_t rows;
    };
    const Case cases[] = {
        {"one channel, one row", {0}, 1},
        {"every channel in order, a full run", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 256},
        {"a few out of order, with a repeat", {12, 3, 3, 7}, 77},
        {"eight, an odd run", {1, 2, 3, 4, 5, 6, 7, 8}, 300},
    };
    for (const Case& c : cases) {
        const int count = static_cast<int>(c.channels.size());
        std::vector<Moments> side(c.channels.size());
        RowRunMoments(data.data(), c.rows, stride, count, [&c](int i) { return c.channels[i]; }, side.data());
        for (int i = 0; i < count; ++i)
            EXPECT_TRUE(SameBits(side[i], RunMoments(data.data() + c.channels[i], c.rows, stride)))
                << c.what << ", channel " << c.channels[i];
    }

    test::TempDir dir;
    test::FloatFixture fx;
    fx.layout.channels = 5;
    fx.samples = 3000;
    fx.value = Awkward;
    ASSERT_TRUE(test::WriteFloatFixture(dir / "f.kvf", fx));
    test::SdFixture sd;
    sd.descriptors = {0, 0, 0};
    sd.sectorNumbers = test::RingNumbers(200, 71, 5001, 200);
    sd.count = [](uint64_t g) { return static_cast<uint16_t>(Mix(g) >> 16); };
    ASSERT_TRUE(test::WriteSdFixture(dir / "sd.kvf", sd));
    for (const char* name : {"f.kvf", "sd.kvf"}) {
        CDataFile file;
        ASSERT_EQ(file.Open(dir / name), 1) << name;
        CRecordingSource src(&file);
        const std::vector<int> channels = {2, 0, 1};
        Moments fast[3], slow[3];
        for (const auto& [a, b] : {std::pair<uint64_t, uint64_t>{0, src.Samples()}, {5, 700}, {300, 301}}) {
            src.FindMoments(channels.data(), 3, a, b, fast);
            src.ISampleSource::FindMoments(channels.data(), 3, a, b, slow);
            for (int i = 0; i < 3; ++i)
                EXPECT_TRUE(SameBits(fast[i], slow[i])) << name << " " << a << ".." << b << " channel " << channels[i];
        }
        file.Close();
    }
}

// A cancel with threads at work ends every one of them and gives nothing; progress never
// passes the rows there are.
TEST(ViewSummariesBuild, CancelStopsEveryThread) {
    class Counting : public ISampleSource {
    public:
        Counting(std::atomic<bool>& cancel, uint64_t cancelAt) : m_cancel(cancel), m_cancelAt(cancelAt) {}
        uint64_t Samples() const override { return 40 * kSummaryCoarseRows; }
        int Channels() const override { return 1; }
        bool IsRawImage() const override { return false; }
        long double Value(uint64_t k, int) const override { return static_cast<float>(k % 17); }
        uint16_t Raw(uint64_t, int) const override { return 0; }
        void WillRead(uint64_t a, uint64_t) const override {
            if (a >= m_cancelAt) m_cancel = true;
        }
        void FindExtremes(const int* channels, int count, uint64_t a, uint64_t b, uint64_t* mn,
                          uint64_t* mx) const override {
            read += b - a;
            ISampleSource::FindExtremes(channels, count, a, b, mn, mx);
        }
        mutable std::atomic<uint64_t> read{0};

    private:
        std::atomic<bool>& m_cancel;
        uint64_t m_cancelAt;
    };
    for (const int threads : {1, 3}) {
        std::atomic<bool> cancel{false};
        std::atomic<uint64_t> rows{0};
        Counting src(cancel, 8 * kSummaryCoarseRows);
        EXPECT_FALSE(CSummaries::Build(src, &cancel, &rows, threads)) << threads << " threads";
        // Each thread finishes at most the block it holds when the cancel comes.
        EXPECT_LT(src.read.load(), src.Samples() / 2) << threads << " threads";
        EXPECT_LE(rows.load(), src.Samples()) << threads << " threads";
    }
}

// The builder's threads, as many as it uses, all read at the lowest priority; the caller's
// thread keeps its own.
TEST(ViewSummariesBuild, BuilderThreadsReadAtTheLowestPriority) {
    test::TempDir dir;
    test::FloatFixture fx;
    fx.layout.channels = 1;
    fx.samples = 32 * kSummaryCoarseRows;
    ASSERT_TRUE(test::WriteFloatFixture(dir / "f.kvf", fx));
    CDataFile file;
    ASSERT_EQ(file.Open(dir / "f.kvf"), 1);
    CRecordingSource base(&file);
    class Watched : public CSummarizedSource {
    public:
        using CSummarizedSource::CSummarizedSource;
        void FindExtremes(const int* channels, int count, uint64_t a, uint64_t b, uint64_t* mn,
                          uint64_t* mx) const override {
            {
                std::lock_guard<std::mutex> lock(mutex);
                threads.insert(std::this_thread::get_id());
                if (!platform::IsCurrentThreadPriorityLowest()) ++notLowest;
            }
            CSummarizedSource::FindExtremes(channels, count, a, b, mn, mx);
        }
        mutable std::mutex mutex;
        mutable std::set<std::thread::id> threads;
        mutable int notLowest = 0;
    } src(base);
    CSummaryBuilder builder;
    builder.Start(src, &file, {}, 0);
    ASSERT_TRUE(builder.Wait());
    EXPECT_EQ(src.notLowest, 0);
    EXPECT_GE(src.threads.size(), 1u);
    EXPECT_LE(src.threads.size(), static_cast<size_t>(CSummaryBuilder::Threads()));
    EXPECT_EQ(src.threads.count(std::this_thread::get_id()), 0u);
    EXPECT_FALSE(platform::IsCurrentThreadPriorityLowest());
    EXPECT_TRUE(builder.Result()->Serialize() == CSummaries::Build(base)->Serialize());
    file.Close();
}

// The dropper lets go of exactly the rows read, in order, in steps of its size, and of the
// rest when the scan ends.
TEST(ViewSummariesBuild, PageDropperFollowsTheScan) {
    struct Case {
        const char* what;
        uint64_t rowBytes, first;
        std::vector<uint64_t> advances;
        uint64_t finish;
        std::vector<std::pair<uint64_t, uint64_t>> released;
    };
    const uint64_t step = CPageDropper::kStepBytes / 4;   // rows of 4 bytes
    const Case cases[] = {
        {"short steps gather into one", 4, 10, {100, step / 2, step + 9}, step + 20, {{10, step + 20}}},
        {"each full step goes at once", 4, 0, {step, step + 1, 2 * step + 5}, 2 * step + 5, {{0, step}, {step, 2 * step + 5}}},
        {"nothing read, nothing released", 4, 7, {}, 7, {}},
        {"rows longer than a step go one by one", CPageDropper::kStepBytes * 2, 0, {1, 2}, 3, {{0, 1}, {1, 2}, {2, 3}}},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<uint64_t, uint64_t>> got;
        CPageDropper dropper([&got](uint64_t a, uint64_t b) { got.emplace_back(a, b); }, c.rowBytes, c.first);
        for (const uint64_t row : c.advances) dropper.Advance(row);
        dropper.Finish(c.finish);
        EXPECT_EQ(got, c.released) << c.what;
    }
}

// A build over a recording of several GiB (sparse: its holes read fast) keeps no more than a
// little of it resident beyond the summaries: the pages read go behind the scan.
TEST(ViewSummariesBuild, LongRecordingDoesNotStayResident) {
#if !defined(__linux__)
    GTEST_SKIP() << "the resident set is read from /proc on Linux";
#elif defined(VISTREL_SHADOW_MEMORY)
    GTEST_SKIP() << "a sanitizer's shadow memory grows with every page read";
#else
    test::TempDir dir;
    const fs::path path = dir / "long.kvf";
    const uint64_t fileBytes = uint64_t{3} << 30;
    const uint64_t samples = fileBytes / 8;
    if (!test::WriteSparseFloatRecording(path, 2, samples, {1.0f, -1.0f}))
        GTEST_SKIP() << "the file system keeps no sparse file of 3 GiB";
    CDataFile file;
    ASSERT_EQ(file.Open(path), 1);
    CRecordingSource src(&file);
    ASSERT_EQ(src.Samples(), samples);
    test::ResidentPeak peak;
    ASSERT_TRUE(peak.Known());
    CSummaryBuilder builder;
    builder.Start(src, &file, {}, 0);
    const bool ready = builder.Wait();
    const uint64_t growth = peak.Growth();
    ASSERT_TRUE(ready);
    const uint64_t summaries = builder.Result()->MemoryBytes();
    EXPECT_LT(growth, summaries + (uint64_t{512} << 20)) << "summaries " << summaries;
    // Far less than the file: what was read went.
    EXPECT_LT(growth, summaries + fileBytes / 8) << "summaries " << summaries;
    uint64_t mn = 0, mx = 0;
    const int channel = 1;
    builder.Result()->FindExtremes(src, &channel, 1, 0, samples, &mn, &mx);
    EXPECT_EQ(mn, samples - 1);
    EXPECT_EQ(mx, 0u);
    file.Close();
#endif
}
