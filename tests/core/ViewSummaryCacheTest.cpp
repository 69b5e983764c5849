// The disk cache of summaries and the background builder, also when the recording is
// replaced or the cache holds leftovers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <future>
#include <mutex>
#include <thread>

#include "core/recording/DataFile.h"
#include "core/view/RecordingSource.h"
#include "core/view/SummaryBuilder.h"
#include "core/view/SummaryCache.h"
#include "platform/FileIdentity.h"
#include "platform/Threads.h"
#include "support/Fixtures.h"
#include "TestPlatform.h"

using namespace vistrel;
namespace fs = std::filesystem;

namespace {

// The variable that names the user's cache root: XDG_CACHE_HOME, on Windows LOCALAPPDATA.
const char* const kCacheVar = test::kWindows ? "LOCALAPPDATA" : "XDG_CACHE_HOME";

// Points the cache root at a temporary folder while it lives and restores it afterwards.
class CacheScope {
public:
    CacheScope() {
        const char* old = std::getenv(kCacheVar);
        m_hadOld = old != nullptr;
        if (old) m_old = old;
        test::SetEnvVar(kCacheVar, (m_dir.Path() / "cache").string());
    }
    ~CacheScope() { test::SetEnvVar(kCacheVar, m_hadOld ? std::optional<std::string>(m_old) : std::nullopt); }
    CacheScope(const CacheScope&) = delete;
    CacheScope& operator=(const CacheScope&) = delete;

    fs::path Recording(const std::string& name, float scale, uint64_t samples = 70000) {
        test::FloatFixture fx;
        fx.layout.channels = 2;
        fx.samples = samples;
        fx.value = [scale](uint64_t k, int c) { return scale * static_cast<float>((k * 37 + c * 11) % 1009); };
        const fs::path p = m_dir / name;
        EXPECT_TRUE(test::WriteFloatFixture(p, fx));
        return p;
    }
    // Builds (or loads) the summaries of the recording at path as the program does.
    std::shared_ptr<const CSummaries> Summaries(const fs::path& path, bool* fromCache,
                                                uint64_t limit = kSummaryCacheLimit) {
        CDataFile file;
        EXPECT_EQ(file.Open(path), 1);
        CRecordingSource src(&file);
        CSummaryBuilder builder;
        builder.Start(src, &file, platform::UserCacheFolder(), limit);
        EXPECT_TRUE(builder.Wait());
        EXPECT_EQ(builder.Progress(), 1.0);
        *fromCache = builder.FromCache();
        auto s = builder.Result();
        file.Close();
        return s;
    }
    // The cache key of the recording at path, as a fresh open of it gives.
    static bool KeyOf(const fs::path& path, SummaryCacheKey& key) {
        CDataFile file;
        return file.Open(path) == 1 && MakeSummaryCacheKey(file, key);
    }

    test::TempDir m_dir;

private:
    bool m_hadOld = false;
    std::string m_old;
};

class SummaryCacheTest : public ::testing::Test, public CacheScope {};

} // namespace

TEST_F(SummaryCacheTest, CacheFolderFollowsXdgAndHome) {
    EXPECT_EQ(platform::UserCacheFolder(), m_dir.Path() / "cache" / "vistrel");
    if (test::kWindows) {
        test::SetEnvVar(kCacheVar, std::nullopt); // no local application-data folder: no cache
        EXPECT_EQ(platform::UserCacheFolder(), fs::path());
        return;
    }
    test::SetEnvVar(kCacheVar, "relative/dir");   // ignored: not absolute
    const char* home = std::getenv("HOME");
    if (home && *home) {
        EXPECT_EQ(platform::UserCacheFolder(), fs::path(home) / ".cache" / "vistrel");
    }
}

TEST_F(SummaryCacheTest, ReopenReusesTheEntryAndTwoSpellingsShareIt) {
    const fs::path rec = Recording("a.kvf", 1.0f);
    bool fromCache = true;
    const auto first = Summaries(rec, &fromCache);
    ASSERT_TRUE(first);
    EXPECT_FALSE(fromCache);
    // Nothing is written beside the recording.
    for (const auto& e : fs::directory_iterator(m_dir.Path()))
        EXPECT_TRUE(e.path().filename() == "a.kvf" || e.path().filename() == "cache") << e.path();
    const fs::path link = test::LinkOrOtherSpelling(rec, m_dir / "link.kvf");
    const auto second = Summaries(link, &fromCache);
    ASSERT_TRUE(second);
    EXPECT_TRUE(fromCache);
    EXPECT_EQ(second->Serialize(), first->Serialize());
    int entries = 0;
    for (const auto& e : fs::directory_iterator(platform::UserCacheFolder())) entries += e.path().extension() == ".vsum";
    EXPECT_EQ(entries, 1);
}

TEST_F(SummaryCacheTest, RewrittenFileIsNotServedStale) {
    const fs::path rec = Recording("a.kvf", 1.0f);
    bool fromCache = true;
    const auto before = Summaries(rec, &fromCache);
    ASSERT_TRUE(before);
    // Same size, same name, other values; only the middle of the data differs from the
    // first and last 64 KiB when the times happen to match.
    std::vector<uint8_t> bytes = test::ReadAll(rec);
    float v = -12345.0f;
    std::memcpy(bytes.data() + bytes.size() / 2 / 4 * 4, &v, 4);
    {
        std::fstream f(rec, std::ios::in | std::ios::out | std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    const auto after = Summaries(rec, &fromCache);
    ASSERT_TRUE(after);
    EXPECT_FALSE(fromCache);
    EXPECT_NE(after->Serialize(), before->Serialize());
}

TEST_F(SummaryCacheTest, DamagedEntryIsRebuilt) {
    const fs::path rec = Recording("a.kvf", 1.0f);
    bool fromCache = true;
    const auto good = Summaries(rec, &fromCache);
    SummaryCacheKey key;
    ASSERT_TRUE(KeyOf(rec, key));
    const fs::path entry = CSummaryCache(platform::UserCacheFolder()).EntryPath(key);
    ASSERT_TRUE(fs::exists(entry));
    for (size_t where : {size_t{3}, size_t{100}, fs::file_size(entry) - 5}) {
        std::vector<uint8_t> bytes = test::ReadAll(entry);
        bytes[where] ^= 0x40;
        test::WriteAll(entry, bytes);
        const auto again = Summaries(rec, &fromCache);
        ASSERT_TRUE(again);
        EXPECT_FALSE(fromCache) << where;
        EXPECT_EQ(again->Serialize(), good->Serialize());
    }
    // A truncated entry too; afterwards the rewritten entry is used again.
    fs::resize_file(entry, 40);
    Summaries(rec, &fromCache);
    EXPECT_FALSE(fromCache);
    Summaries(rec, &fromCache);
    EXPECT_TRUE(fromCache);
}

TEST_F(SummaryCacheTest, BoundEvictsTheLeastRecentlyUsed) {
    const fs::path a = Recording("a.kvf", 1.0f), b = Recording("b.kvf", 2.0f), c = Recording("c.kvf", 3.0f);
    bool fromCache = false;
    Summaries(a, &fromCache);
    const fs::path folder = platform::UserCacheFolder();
    SummaryCacheKey ka, kb, kc;
    ASSERT_TRUE(KeyOf(a, ka) && KeyOf(b, kb) && KeyOf(c, kc));
    const CSummaryCache cache(folder);
    const uint64_t entry = fs::file_size(cache.EntryPath(ka));
    const auto age = [&](const SummaryCacheKey& k, int seconds) {
        fs::last_write_time(cache.EntryPath(k), fs::file_time_type::clock::now() - std::chrono::seconds(seconds));
    };
    age(ka, 300);
    Summaries(b, &fromCache);
    age(kb, 200);
    // a is used again: b is now the oldest.
    Summaries(a, &fromCache);
    EXPECT_TRUE(fromCache);
    age(ka, 100);
    // Room for two entries.
    Summaries(c, &fromCache, 2 * entry + entry / 2);
    EXPECT_TRUE(fs::exists(cache.EntryPath(ka)));
    EXPECT_FALSE(fs::exists(cache.EntryPath(kb)));
    EXPECT_TRUE(fs::exists(cache.EntryPath(kc)));
}

TEST_F(SummaryCacheTest, BuilderStopsWhenAskedAndTwoRunsAtOnceAgree) {
    const fs::path rec = Recording("big.kvf", 1.0f, 3'000'000);
    CDataFile file;
    ASSERT_EQ(file.Open(rec), 1);
    CRecordingSource src(&file);
    {
        CSummaryBuilder builder;
        builder.Start(src, &file, platform::UserCacheFolder(), kSummaryCacheLimit);
        builder.Stop();   // returns promptly, whatever was done
        EXPECT_LE(builder.Progress(), 1.0);
    }
    CSummaryBuilder one, two;
    one.Start(src, &file, platform::UserCacheFolder(), kSummaryCacheLimit);
    two.Start(src, &file, platform::UserCacheFolder(), kSummaryCacheLimit);
    ASSERT_TRUE(one.Wait());
    ASSERT_TRUE(two.Wait());
    EXPECT_EQ(one.Result()->Serialize(), two.Result()->Serialize());
    CSummaryBuilder three;
    three.Start(src, &file, platform::UserCacheFolder(), kSummaryCacheLimit);
    ASSERT_TRUE(three.Wait());
    EXPECT_TRUE(three.FromCache());
    file.Close();
}

// The builder reads the file it opened, whatever the path names by the time it starts: the
// entry is named after the file read, and the file now at the path does not get its envelope.
POSIX_ONLY_TEST(SummaryCacheRace, ReplacedByRenameBeforeTheBuildKeysTheEntryByWhatWasRead,
                "an open recording cannot be renamed over on Windows", {
    CacheScope scope;
    const fs::path a = scope.Recording("a.kvf", 1.0f), b = scope.Recording("b.kvf", 5.0f);
    const fs::path keep = scope.m_dir / "a-keep.kvf";   // a second name keeps the first file
    fs::create_hard_link(a, keep);
    // The replacement has the first file's size and modification time.
    ASSERT_EQ(fs::file_size(a), fs::file_size(b));
    fs::last_write_time(b, fs::last_write_time(a));
    const auto expected = [](const fs::path& p) {
        CDataFile f;
        EXPECT_EQ(f.Open(p), 1);
        return CSummaries::Build(CRecordingSource(&f))->Serialize();
    };
    const std::vector<uint8_t> first = expected(a), second = expected(b);
    ASSERT_NE(first, second);
    {
        CDataFile file;
        ASSERT_EQ(file.Open(a), 1);
        CRecordingSource src(&file);
        CSummaryBuilder builder;
        builder.SetBeforeReadHook([&] { fs::rename(b, a); });
        builder.Start(src, &file, platform::UserCacheFolder(), kSummaryCacheLimit);
        ASSERT_TRUE(builder.Wait());
        EXPECT_EQ(builder.Result()->Serialize(), first);
        EXPECT_TRUE(file.ChangedOnDisk());
    }
    bool fromCache = true;
    EXPECT_EQ(scope.Summaries(a, &fromCache)->Serialize(), second);
    EXPECT_FALSE(fromCache);
    EXPECT_EQ(scope.Summaries(keep, &fromCache)->Serialize(), first);
    EXPECT_TRUE(fromCache);
})

// A FIFO put in the recording's place before the build: the builder reads the mapping only,
// so neither it nor a Stop waits for a writer to the FIFO.
POSIX_ONLY_TEST(SummaryCacheRace, FifoInTheRecordingsPlaceBlocksNeitherTheBuildNorItsStop,
                "Windows has no FIFOs", {
    CacheScope scope;
    const fs::path rec = scope.Recording("big.kvf", 1.0f, 3'000'000);
    const fs::path fifo = scope.m_dir / "fifo";
    CDataFile file;
    ASSERT_EQ(file.Open(rec), 1);
    ASSERT_TRUE(test::MakeFifo(fifo));
    fs::rename(fifo, rec);
    CRecordingSource src(&file);
    for (const bool stopEarly : {true, false}) {
        CSummaryBuilder builder;
        builder.Start(src, &file, platform::UserCacheFolder(), kSummaryCacheLimit);
        auto done = std::async(std::launch::async, [&] {
            if (stopEarly) builder.Stop();
            return builder.Wait();
        });
        // Generous: a sanitizer build on a loaded machine needs seconds for the whole build;
        // a reader stuck in the FIFO never finishes without the writer below.
        const bool prompt = done.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
        while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
            test::OpenFifoBriefly(rec);   // releases a reader stuck in the FIFO
        EXPECT_TRUE(prompt) << "stopEarly " << stopEarly;
        const bool ready = done.get();
        if (!stopEarly) EXPECT_TRUE(ready);
    }
    EXPECT_TRUE(file.ChangedOnDisk());
    file.Close();
})

// Leftover temporaries of a writer that is gone are removed when the folder is trimmed; those
// of a live writer stay and count toward the bound.
TEST_F(SummaryCacheTest, StaleTemporariesAreRemovedAndLiveOnesCounted) {
    const fs::path rec = Recording("a.kvf", 1.0f);
    bool fromCache = false;
    Summaries(rec, &fromCache);
    SummaryCacheKey key;
    ASSERT_TRUE(KeyOf(rec, key));
    const CSummaryCache cache(platform::UserCacheFolder());
    const uint64_t entryBytes = fs::file_size(cache.EntryPath(key));
    const long long self = platform::CurrentProcessId();
    const long long gone = 0x7ffffff0;   // beyond any process id in use
    struct Case {
        std::string name;
        int ageSeconds;
        bool kept;
    };
    const Case cases[] = {
        {CSummaryCache::TempName(key, self, 1), 0, true},
        {CSummaryCache::TempName(key, self, 2), 2 * kStaleTempSeconds, false},
        {CSummaryCache::TempName(key, gone, 3), 0, test::kWindows},   // Windows: by age only
        {key.EntryName() + ".tmp0123456789abcdef", 0, true},          // no writer id: by age only
        {key.EntryName() + ".tmpfedcba9876543210", kStaleTempSeconds + 60, false},
        {key.EntryName() + ".tmp-12x-0001", 0, true},                 // not an id: by age only
    };
    const uint64_t tempBytes = 1000;
    for (const Case& c : cases) {
        const fs::path p = cache.Folder() / c.name;
        test::WriteAll(p, std::vector<uint8_t>(tempBytes, 7));
        fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::seconds(c.ageSeconds));
    }
    cache.Trim();
    int keptTemps = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(fs::exists(cache.Folder() / c.name), c.kept) << c.name;
        keptTemps += c.kept;
    }
    EXPECT_TRUE(fs::exists(cache.EntryPath(key)));
    // The live temporaries take the room the entry needs: the entry goes, they stay.
    CSummaryCache(cache.Folder(), entryBytes + keptTemps * tempBytes - 1).Trim();
    EXPECT_FALSE(fs::exists(cache.EntryPath(key)));
    for (const Case& c : cases) EXPECT_EQ(fs::exists(cache.Folder() / c.name), c.kept) << c.name;
}

// A tiny SD image whose sector numbers claim a long recording: its summaries are far larger
// than the file. They serve the window but are never written to the cache.
TEST_F(SummaryCacheTest, EntryLargerThanItsRecordingStaysInMemory) {
    test::SdFixture fx;
    fx.sectorNumbers = {0, 20000};
    const fs::path rec = m_dir / "sparse.kvf";
    ASSERT_TRUE(test::WriteSdFixture(rec, fx));
    bool fromCache = true;
    const auto s = Summaries(rec, &fromCache);
    ASSERT_TRUE(s);
    EXPECT_FALSE(fromCache);
    EXPECT_GT(s->Serialize().size(), fs::file_size(rec));
    SummaryCacheKey key;
    ASSERT_TRUE(KeyOf(rec, key));
    const CSummaryCache cache(platform::UserCacheFolder());
    EXPECT_FALSE(fs::exists(cache.EntryPath(key)));
    EXPECT_FALSE(cache.Store(key, *s));
    std::error_code ec;
    for (fs::directory_iterator it(cache.Folder(), ec), end; !ec && it != end; it.increment(ec))
        ADD_FAILURE() << it->path();
    Summaries(rec, &fromCache);
    EXPECT_FALSE(fromCache);
}

// An entry left by the program before the moments were stored (format version 2, the payload
// without them) is removed and rebuilt, never read as the current form; nor is a current
// payload labelled with the old version, nor an old payload labelled with the new one.
TEST_F(SummaryCacheTest, EntryOfTheFormerFormatIsRebuilt) {
    const fs::path rec = Recording("a.kvf", 1.0f, 3 * kSummaryCoarseRows + 5);
    bool fromCache = true;
    const auto good = Summaries(rec, &fromCache);
    ASSERT_FALSE(fromCache);
    SummaryCacheKey key;
    ASSERT_TRUE(KeyOf(rec, key));
    const CSummaryCache cache(platform::UserCacheFolder());
    const std::vector<uint8_t> current = good->Serialize();
    // The former payload is the current one without the trailing moments.
    const size_t momentBytes = good->CoarseBlocks() * static_cast<size_t>(good->Channels()) * sizeof(Moments);
    ASSERT_EQ(momentBytes, 3u * 2u * 32u);
    const std::vector<uint8_t> former(current.begin(), current.end() - static_cast<std::ptrdiff_t>(momentBytes));
    struct Stored {
        const std::vector<uint8_t>* payload;
        uint32_t version;
    };
    for (const Stored& s : {Stored{&former, 2}, Stored{&current, 2}, Stored{&former, kSummaryEntryVersion}}) {
        ASSERT_TRUE(cache.StorePayload(key, *s.payload, s.version));
        const auto again = Summaries(rec, &fromCache);
        ASSERT_TRUE(again);
        EXPECT_FALSE(fromCache) << s.version << " " << s.payload->size();
        EXPECT_EQ(again->Serialize(), current);
        EXPECT_EQ(again->CoarseMoments(2, 1).m2, good->CoarseMoments(2, 1).m2);
    }
    // The rebuilt entry is the current one and is used.
    Summaries(rec, &fromCache);
    EXPECT_TRUE(fromCache);
}

// Reading an entry from the cache runs at the caller's priority (a picture or the min-max view
// waits for it); only a build of the summaries from the recording runs at the lowest.
TEST_F(SummaryCacheTest, OnlyABuildRunsAtTheLowestPriority) {
    // Notes, for every question the builder's thread asks of the source, whether that thread
    // was at the lowest priority.
    class Watched : public CRecordingSource {
    public:
        using CRecordingSource::CRecordingSource;
        int Channels() const override {
            Note();
            return CRecordingSource::Channels();
        }
        void FindExtremes(const int* channels, int count, uint64_t a, uint64_t b, uint64_t* minPos,
                          uint64_t* maxPos) const override {
            Note();
            CRecordingSource::FindExtremes(channels, count, a, b, minPos, maxPos);
        }
        void Note() const {
            if (std::this_thread::get_id() == caller) return;
            std::lock_guard<std::mutex> lock(mutex);
            (platform::IsCurrentThreadPriorityLowest() ? lowest : normal) += 1;
        }
        std::thread::id caller = std::this_thread::get_id();
        mutable std::mutex mutex;
        mutable int lowest = 0, normal = 0;
    };
    const fs::path rec = Recording("p.kvf", 1.0f);
    for (const bool cached : {false, true}) {
        SCOPED_TRACE(cached ? "from the cache" : "built");
        CDataFile file;
        ASSERT_EQ(file.Open(rec), 1);
        Watched src(&file);
        CSummaryBuilder builder;
        builder.Start(src, &file, platform::UserCacheFolder(), kSummaryCacheLimit);
        ASSERT_TRUE(builder.Wait());
        EXPECT_EQ(builder.FromCache(), cached);
        if (cached) {
            EXPECT_GT(src.normal, 0);
            EXPECT_EQ(src.lowest, 0);
        } else {
            EXPECT_GT(src.lowest, 0);
        }
    }
}

// A build stopped with its threads halfway through leaves no entry: the next open builds
// again, and the one after that finds what it stored.
TEST_F(SummaryCacheTest, BuildStoppedHalfwayLeavesNoEntry) {
    const fs::path rec = Recording("half.kvf", 1.0f, 40 * kSummaryCoarseRows + 300);
    {
        CDataFile file;
        ASSERT_EQ(file.Open(rec), 1);
        CRecordingSource base(&file);
        CSummaryBuilder builder;
        class StopHalfway : public CSummarizedSource {
        public:
            StopHalfway(const ISampleSource& base, CSummaryBuilder& builder) : CSummarizedSource(base), m_builder(builder) {}
            void WillRead(uint64_t a, uint64_t b) const override {
                if (a >= Samples() / 2) m_builder.RequestStop();
                CSummarizedSource::WillRead(a, b);
            }

        private:
            CSummaryBuilder& m_builder;
        } src(base, builder);
        builder.Start(src, &file, platform::UserCacheFolder(), kSummaryCacheLimit);
        EXPECT_FALSE(builder.Wait());
        EXPECT_FALSE(builder.Result());
        EXPECT_LT(builder.Progress(), 1.0);
        file.Close();
    }
    std::error_code ec;
    for (fs::directory_iterator it(CSummaryCache(platform::UserCacheFolder()).Folder(), ec), end; !ec && it != end;
         it.increment(ec))
        ADD_FAILURE() << it->path();
    bool fromCache = true;
    ASSERT_TRUE(Summaries(rec, &fromCache));
    EXPECT_FALSE(fromCache);
    ASSERT_TRUE(Summaries(rec, &fromCache));
    EXPECT_TRUE(fromCache);
}
