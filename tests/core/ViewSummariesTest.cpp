// Summaries: the summary-based extreme search and min-max pass against the full scan.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "core/recording/DataFile.h"
#include "core/view/RecordingSource.h"
#include "core/view/Summaries.h"
#include "core/view/TraceDecimation.h"
#include "support/Fixtures.h"

using namespace vistrel;

namespace {

uint32_t Hash(uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdull;
    x ^= x >> 29;
    x *= 0xc4ceb9fe1a85ec53ull;
    x ^= x >> 33;
    return static_cast<uint32_t>(x);
}

// Samples in memory; the default extreme search (one sample at a time) is the oracle.
class VectorSource : public ISampleSource {
public:
    VectorSource(int channels, uint64_t rows, bool raw) : m_n(channels), m_rows(rows), m_raw(raw) {
        m_values.resize(rows * channels);
    }
    uint64_t Samples() const override { return m_rows; }
    int Channels() const override { return m_n; }
    bool IsRawImage() const override { return m_raw; }
    long double Value(uint64_t k, int c) const override { return k < m_rows ? m_values[k * m_n + c] : 0.0f; }
    uint16_t Raw(uint64_t k, int c) const override {
        return k < m_rows ? static_cast<uint16_t>(m_values[k * m_n + c]) : 0;
    }
    float& At(uint64_t k, int c) { return m_values[k * m_n + c]; }

private:
    int m_n;
    uint64_t m_rows;
    bool m_raw;
    std::vector<float> m_values;
};

// Few distinct values (many ties), NaN and infinities for float sources.
void Fill(VectorSource& src, uint32_t seed) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    for (uint64_t k = 0; k < src.Samples(); ++k)
        for (int c = 0; c < src.Channels(); ++c) {
            const uint32_t h = Hash(k * 7919 + c * 131 + seed);
            float v = static_cast<float>(h % 9) - 4.0f;
            if (src.IsRawImage()) {
                v = static_cast<float>(h % 5 == 0 ? (h >> 8) % 65536 : 30000 + h % 7);
            } else if (h % 997 == 0) {
                v = nan;
            } else if (h % 1999 == 0) {
                v = (h & 1) ? inf : -inf;
            } else if (h % 101 == 0) {
                v = static_cast<float>((h >> 4) % 1000) - 500.0f;   // rarer, farther extremes
            }
            src.At(k, c) = v;
        }
}

void ExpectSameExtremes(const ISampleSource& oracle, const CSummarizedSource& fast, std::mt19937_64& rng,
                        int rounds) {
    const uint64_t N = oracle.Samples();
    const int n = oracle.Channels();
    uint64_t m1[256], x1[256], m2[256], x2[256];
    int channels[256];
    for (int round = 0; round < rounds; ++round) {
        const uint64_t a = rng() % N;
        // Short, medium and whole-coarse-block lengths.
        const uint64_t scale = round % 3 == 0 ? 600 : round % 3 == 1 ? 20000 : N;
        const uint64_t b = std::min(N, a + 1 + rng() % scale);
        int count = 0;
        for (int c = 0; c < n; ++c)
            if (rng() % 3) channels[count++] = c;
        if (!count) channels[count++] = static_cast<int>(rng() % n);
        oracle.ISampleSource::FindExtremes(channels, count, a, b, m1, x1);
        fast.FindExtremes(channels, count, a, b, m2, x2);
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(m1[i], m2[i]) << "min " << a << ".." << b << " channel " << channels[i];
            ASSERT_EQ(x1[i], x2[i]) << "max " << a << ".." << b << " channel " << channels[i];
        }
    }
}

// Whole min-max passes over random views and widths: the summary-based pass must leave the
// same cache as the scan (flags, right limit and the value of every shown channel).
void ExpectSamePasses(const ISampleSource& oracle, const ISampleSource& fast, std::mt19937_64& rng, int rounds) {
    auto expected = std::make_unique<CColumnCache>();
    auto actual = std::make_unique<CColumnCache>();
    const uint64_t N = oracle.Samples();
    int shown[kMaxChannels] = {};
    for (int round = 0; round < rounds; ++round) {
        TraceView v;
        v.x0 = static_cast<int>(rng() % 40);
        v.x1 = v.x0 + 50 + static_cast<int>(rng() % 1900);
        v.y2 = 400;
        v.channels = oracle.Channels();
        for (int c = 0; c < v.channels; ++c) shown[c] = rng() % 4 != 0;
        v.shown = shown;
        if (round == 0) {
            v.F = 0;
            v.L = static_cast<double>(N);   // the whole recording
        } else {
            v.F = static_cast<double>(rng() % N) + (rng() % 2 ? 0.37 : 0.0);
            v.L = v.F + v.Width() * (1.0 + static_cast<double>(rng() % 4000) / 7.0);
            if (rng() % 5 == 0) v.L = static_cast<double>(N) + 3000.0;   // past the end
        }
        CMinMaxPass::Run(*expected, v, oracle);
        CMinMaxPass::Run(*actual, v, fast);
        ASSERT_EQ(expected->rightLimit, actual->rightLimit) << round;
        // The first group starts at the plot's left edge.
        if (expected->rightLimit > v.x0) ASSERT_TRUE(expected->flags[v.x0] && actual->flags[v.x0]) << round;
        for (int c = 0; c < expected->rightLimit; ++c) {
            ASSERT_EQ(expected->flags[c], actual->flags[c]) << round << " column " << c;
            if (!expected->flags[c]) continue;
            for (int ch = 0; ch < v.channels; ++ch) {
                if (!shown[ch]) continue;
                const float e = expected->values[c][ch], a = actual->values[c][ch];
                ASSERT_TRUE(e == a || (std::isnan(e) && std::isnan(a)))
                    << round << " column " << c << " channel " << ch << ": " << e << " vs " << a;
            }
        }
    }
}

} // namespace

TEST(ViewSummaries, ExtremesEqualTheScanOnRandomData) {
    std::mt19937_64 rng(7);
    for (bool raw : {false, true}) {
        // Three coarse blocks and a ragged end.
        VectorSource src(3, 3 * kSummaryCoarseRows + 1234, raw);
        Fill(src, raw ? 11 : 5);
        // A long run of one value across block borders: ties between blocks.
        for (uint64_t k = 65000; k < 70000; ++k) src.At(k, 1) = raw ? 65535.0f : 1e30f;
        const auto summaries = CSummaries::Build(src);
        ASSERT_TRUE(summaries);
        EXPECT_LE(summaries->MemoryBytes() * 64, src.Samples() * 3 * (raw ? 2 : 4));
        CSummarizedSource fast(src);
        EXPECT_FALSE(fast.HasSummaries());
        fast.Attach(summaries);
        ASSERT_TRUE(fast.HasSummaries());
        ExpectSameExtremes(src, fast, rng, 300);
        // Ranges that start and end exactly on block borders.
        uint64_t m1[3], x1[3], m2[3], x2[3];
        const int all[3] = {0, 1, 2};
        for (uint64_t a : {0ull, 256ull, 65536ull}) {
            const uint64_t b = a + 2 * 65536;
            src.ISampleSource::FindExtremes(all, 3, a, b, m1, x1);
            fast.FindExtremes(all, 3, a, b, m2, x2);
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(m1[i], m2[i]) << a;
                EXPECT_EQ(x1[i], x2[i]) << a;
            }
        }
    }
}

TEST(ViewSummaries, AllNanAndInfiniteBlocksKeepTheScanPositions) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    VectorSource src(2, 5 * 256 + 17, false);
    for (uint64_t k = 0; k < src.Samples(); ++k) {
        src.At(k, 0) = nan;
        src.At(k, 1) = k < 700 ? inf : (k < 900 ? nan : -inf);
    }
    CSummarizedSource fast(src);
    fast.Attach(CSummaries::Build(src));
    std::mt19937_64 rng(3);
    ExpectSameExtremes(src, fast, rng, 200);
}

TEST(ViewSummaries, MinMaxPassEqualsTheScanOnAFloatRecording) {
    test::TempDir dir;
    test::FloatFixture fx;
    fx.layout.channels = 3;
    fx.layout.rate = 44100.0;
    fx.samples = 2 * kSummaryCoarseRows + 3 * 256 + 77;
    fx.value = [](uint64_t k, int c) {
        const uint32_t h = Hash(k * 3 + c);
        return h % 53 == 0 ? static_cast<float>(h % 4001) - 2000.0f : static_cast<float>(h % 11);
    };
    ASSERT_TRUE(test::WriteFloatFixture(dir / "f.kvf", fx));
    CDataFile file;
    ASSERT_EQ(file.Open(dir / "f.kvf"), 1);
    CRecordingSource src(&file);
    CSummarizedSource fast(src);
    fast.Attach(CSummaries::Build(src));
    ASSERT_TRUE(fast.HasSummaries());
    std::mt19937_64 rng(11);
    ExpectSameExtremes(src, fast, rng, 200);
    ExpectSamePasses(src, fast, rng, 40);
    file.Close();
}

TEST(ViewSummaries, MinMaxPassEqualsTheScanOnAWrappedSdRing) {
    test::TempDir dir;
    test::SdFixture fx;
    fx.rate = 48000.0;
    fx.descriptors = {0, 0, 0};
    // 3000 sectors, the oldest in the middle of the card: the count stream wraps, and with
    // three channels the rows cross sector borders at every phase.
    fx.sectorNumbers = test::RingNumbers(3000, 1711, 90001, 3000);
    fx.count = [](uint64_t g) {
        const uint32_t h = Hash(g);
        return static_cast<uint16_t>(h % 61 == 0 ? h >> 16 : 32000 + h % 5);
    };
    ASSERT_TRUE(test::WriteSdFixture(dir / "sd.kvf", fx));
    CDataFile file;
    ASSERT_EQ(file.Open(dir / "sd.kvf"), 1) << OpenErrorText(file.LastError());
    CRecordingSource src(&file);
    ASSERT_TRUE(src.IsRawImage());
    ASSERT_EQ(src.Channels(), 3);
    ASSERT_GT(src.Samples(), kSummaryCoarseRows + 1000);
    const auto summaries = CSummaries::Build(src);
    EXPECT_LE(summaries->MemoryBytes() * 64, src.Samples() * 3 * 2);
    CSummarizedSource fast(src);
    fast.Attach(summaries);
    std::mt19937_64 rng(13);
    ExpectSameExtremes(src, fast, rng, 200);
    ExpectSamePasses(src, fast, rng, 30);
    file.Close();
}

TEST(ViewSummaries, SummariesOfAnotherShapeAreNotUsed) {
    VectorSource a(2, 4000, false), b(2, 4001, false);
    Fill(a, 1);
    Fill(b, 2);
    CSummarizedSource fast(b);
    fast.Attach(CSummaries::Build(a));
    EXPECT_FALSE(fast.HasSummaries());
    std::mt19937_64 rng(5);
    ExpectSameExtremes(b, fast, rng, 50);
}

TEST(ViewSummaries, SerializedFormRoundTripsAndRejectsDamage) {
    VectorSource src(3, kSummaryCoarseRows + 999, false);
    Fill(src, 9);
    const auto built = CSummaries::Build(src);
    const std::vector<uint8_t> bytes = built->Serialize();
    const auto back = CSummaries::Deserialize(bytes.data(), bytes.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Serialize(), bytes);
    EXPECT_FALSE(CSummaries::Deserialize(bytes.data(), bytes.size() - 1));
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(CSummaries::Deserialize(longer.data(), longer.size()));
    std::vector<uint8_t> badChannels = bytes;
    badChannels[1] = 0x7F;
    EXPECT_FALSE(CSummaries::Deserialize(badChannels.data(), badChannels.size()));
    EXPECT_FALSE(CSummaries::Deserialize(nullptr, 0));
}

TEST(ViewSummaries, CancelledBuildGivesNothing) {
    VectorSource src(1, 4 * kSummaryCoarseRows, false);
    std::atomic<bool> cancel{true};
    std::atomic<uint64_t> rows{0};
    EXPECT_FALSE(CSummaries::Build(src, &cancel, &rows));
    cancel = false;
    EXPECT_TRUE(CSummaries::Build(src, &cancel, &rows));
    EXPECT_EQ(rows.load(), src.Samples());
}

// The plot maps recordings with a no-read-ahead hint, so the whole-file pass must ask for each
// stretch ahead of reading it, or a cold build faults page by page.
TEST(ViewSummaries, BuildAsksForEachStretchBeforeReadingIt) {
    class WatchedSource : public VectorSource {
    public:
        using VectorSource::VectorSource;
        void WillRead(uint64_t a, uint64_t b) const override { asked = std::max(asked, b); (void)a; }
        long double Value(uint64_t k, int c) const override {
            if (k >= asked) ++unasked;
            return VectorSource::Value(k, c);
        }
        mutable uint64_t asked = 0;
        mutable int unasked = 0;
    };
    WatchedSource src(2, 3 * kSummaryCoarseRows + 1000, false);
    ASSERT_TRUE(CSummaries::Build(src, nullptr, nullptr));
    EXPECT_EQ(src.unasked, 0);
    EXPECT_GE(src.asked, 3 * kSummaryCoarseRows);
}
