// Statistics of a fragment against a plain scan in long double: in memory with and without
// summaries, a float recording, a wrapped SD ring with rising and falling calibration, and
// positions above 2^31 in a sparse file.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <fstream>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "core/measure/Statistics.h"
#include "core/processing/ProcessJob.h"
#include "core/recording/DataFile.h"
#include "core/recording/KvfWriter.h"
#include "core/view/RecordingSource.h"
#include "core/view/Summaries.h"
#include "support/Fixtures.h"

using namespace vistrel;

namespace {

// Float samples in memory; the default reads of ISampleSource serve them one by one.
class MemorySource : public ISampleSource {
public:
    MemorySource(int channels, uint64_t rows) : m_n(channels), m_rows(rows), m_values(rows * channels) {}
    uint64_t Samples() const override { return m_rows; }
    int Channels() const override { return m_n; }
    bool IsRawImage() const override { return false; }
    long double Value(uint64_t k, int c) const override { return k < m_rows ? m_values[k * m_n + c] : 0.0f; }
    uint16_t Raw(uint64_t, int) const override { return 0; }
    float& At(uint64_t k, int c) { return m_values[k * m_n + c]; }

private:
    int m_n;
    uint64_t m_rows;
    std::vector<float> m_values;
};

// The oracle: one channel over [a, b), sample by sample in long double, two passes.
struct Scan {
    uint64_t count = 0, nonFinite = 0, minAt = 0, maxAt = 0, crossings = 0;
    long double min = 0, max = 0, mean = 0, rms = 0, std = 0, meanAbs = 0, frequency = 0;
};

Scan ScanChannel(const ISampleSource& src, int c, uint64_t a, uint64_t b, double rate) {
    Scan s;
    long double sum = 0, abs = 0;
    s.min = std::numeric_limits<long double>::infinity();
    s.max = -s.min;
    for (uint64_t k = a; k < b; ++k) {
        const long double v = src.Value(k, c);
        if (!std::isfinite(v)) {
            ++s.nonFinite;
            continue;
        }
        ++s.count;
        sum += v;
        abs += std::fabs(v);
        if (v < s.min) s.min = v, s.minAt = k;
        if (v > s.max) s.max = v, s.maxAt = k;
    }
    if (s.count == 0) return s;
    s.mean = sum / s.count;
    long double m2 = 0;
    int below = -1;
    uint64_t first = 0, last = 0;
    for (uint64_t k = a; k < b; ++k) {
        const long double v = src.Value(k, c);
        if (!std::isfinite(v)) continue;
        m2 += (v - s.mean) * (v - s.mean);
        if (v >= s.mean && below == 1) {
            if (s.crossings++ == 0) first = k;
            last = k;
        }
        below = v < s.mean;
    }
    s.std = std::sqrt(m2 / s.count);
    s.rms = std::sqrt(s.mean * s.mean + m2 / s.count);
    s.meanAbs = abs / s.count;
    if (s.crossings >= 2) s.frequency = (s.crossings - 1) * static_cast<long double>(rate) / (last - first);
    return s;
}

// Every value of QuickStatistics plus the crossing pass over [a, b) against the scan of
// oracle (the plain source under whatever fast path src takes).
void ExpectStatistics(const ISampleSource& oracle, const ISampleSource& src, const std::vector<int>& channels,
                      uint64_t a, uint64_t b, const char* what) {
    const double rate = 1000.0;
    std::vector<ChannelStatistics> got = QuickStatistics(src, channels, a, b);
    ASSERT_EQ(got.size(), channels.size()) << what;
    ASSERT_TRUE(AddCrossingFrequency(src, a, b, rate, got));
    for (size_t i = 0; i < channels.size(); ++i) {
        const ChannelStatistics& s = got[i];
        const Scan e = ScanChannel(oracle, channels[i], a, b, rate);
        const auto where = ::testing::Message() << what << " [" << a << ", " << b << ") channel " << channels[i];
        ASSERT_EQ(s.channel, channels[i]) << where;
        ASSERT_EQ(s.count, e.count) << where;
        ASSERT_EQ(s.nonFinite, e.nonFinite) << where;
        if (e.count == 0) {
            EXPECT_FALSE(s.HasValues()) << where;
            EXPECT_FALSE(s.hasFrequency) << where;
            continue;
        }
        EXPECT_EQ(s.min, static_cast<double>(e.min)) << where;
        EXPECT_EQ(s.max, static_cast<double>(e.max)) << where;
        EXPECT_EQ(s.minAt, e.minAt) << where;
        EXPECT_EQ(s.maxAt, e.maxAt) << where;
        EXPECT_EQ(s.p2p, s.max - s.min) << where;
        // Mean, RMS and deviation to 1e-12 of the RMS; the mean of absolute values to 1e-12
        // of itself.
        const long double tol = 1e-12L * e.rms + 1e-300L;
        EXPECT_LE(std::fabs(s.mean - e.mean), tol) << where << " mean " << s.mean << " vs " << (double)e.mean;
        EXPECT_LE(std::fabs(s.rms - e.rms), tol) << where << " rms " << s.rms << " vs " << (double)e.rms;
        EXPECT_LE(std::fabs(s.std - e.std), tol) << where << " std " << s.std << " vs " << (double)e.std;
        EXPECT_LE(std::fabs(s.meanAbs - e.meanAbs), 1e-12L * e.meanAbs + 1e-300L) << where;
        EXPECT_TRUE(s.frequencyDone) << where;
        EXPECT_EQ(s.crossings, e.crossings) << where;
        EXPECT_EQ(s.hasFrequency, e.crossings >= 2) << where;
        if (e.crossings >= 2) { EXPECT_LE(std::fabs(s.frequency - e.frequency), 1e-12L * e.frequency) << where; }
    }
}

// Fragments that begin and end inside summary blocks, on their borders, within one block,
// across all of them, and at the two ends of the source.
std::vector<std::pair<uint64_t, uint64_t>> Fragments(uint64_t N, uint64_t origin = 0) {
    const uint64_t B = kSummaryCoarseRows;
    return {{origin, N},
            {origin + 1, N - 1},
            {origin + 100, origin + B + 100},
            {origin + B - 1, std::min(N, origin + 3 * B + 1)},
            {origin + B, std::min(N, origin + 2 * B)},
            {origin + B + 7, origin + B + 300},
            {N - 5000, N},
            {N - 1, N}};
}

uint32_t Hash(uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdull;
    x ^= x >> 29;
    x *= 0xc4ceb9fe1a85ec53ull;
    x ^= x >> 33;
    return static_cast<uint32_t>(x);
}

} // namespace

// In memory, the plain path and the summaries' path, on three kinds of signal.
TEST(MeasureStatistics, EqualTheScanOnRandomDataWithAndWithoutSummaries) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    struct Signal {
        const char* name;
        float (*value)(std::mt19937_64& rng, uint64_t k, int c);
    };
    const Signal signals[] = {
        {"noise with NaN and infinities",
         [](std::mt19937_64& rng, uint64_t, int c) {
             const uint64_t r = rng();
             if (c == 2 && r % 97 == 0) return r % 2 ? std::numeric_limits<float>::quiet_NaN()
                                                    : std::numeric_limits<float>::infinity();
             return static_cast<float>(static_cast<double>(r % 2000001) / 1000.0 - 1000.0 + c);
         }},
        // Sums of squares would lose 7 digits here.
        {"offset 1000, noise 1e-3",
         [](std::mt19937_64& rng, uint64_t, int c) {
             return 1000.0f + c + static_cast<float>(static_cast<double>(rng() % 2001) * 1e-6 - 1e-3);
         }},
        {"sine 7 Hz with noise",
         [](std::mt19937_64& rng, uint64_t k, int c) {
             return static_cast<float>(3.0 * std::sin(2 * 3.14159265358979 * 7.0 * k / 1000.0 + c) +
                                       static_cast<double>(rng() % 1000) * 1e-5 + 0.25);
         }},
    };
    (void)nan, (void)inf;
    for (const Signal& sig : signals) {
        MemorySource src(3, 3 * kSummaryCoarseRows + 4321);
        std::mt19937_64 rng(17);
        for (uint64_t k = 0; k < src.Samples(); ++k)
            for (int c = 0; c < 3; ++c) src.At(k, c) = sig.value(rng, k, c);
        CSummarizedSource fast(src);
        fast.Attach(CSummaries::Build(src));
        ASSERT_TRUE(fast.HasSummaries());
        for (const auto& [a, b] : Fragments(src.Samples())) {
            ExpectStatistics(src, src, {0, 1, 2}, a, b, sig.name);
            ExpectStatistics(src, fast, {2, 0}, a, b, sig.name);
        }
    }
}

// A channel of nothing but NaN has no values; one of infinities and numbers has the numbers'
// extremes, not the infinities.
TEST(MeasureStatistics, NonFiniteSamplesAreSkippedAndCounted) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    MemorySource src(2, 2 * kSummaryCoarseRows + 99);
    for (uint64_t k = 0; k < src.Samples(); ++k) {
        src.At(k, 0) = nan;
        src.At(k, 1) = k % 5 == 0 ? (k % 2 ? inf : -inf) : static_cast<float>(k % 13);
    }
    CSummarizedSource fast(src);
    fast.Attach(CSummaries::Build(src));
    for (const auto& [a, b] : Fragments(src.Samples())) ExpectStatistics(src, fast, {0, 1}, a, b, "non-finite");
    const auto s = QuickStatistics(fast, {0, 1}, 0, src.Samples());
    EXPECT_EQ(s[0].nonFinite, src.Samples());
    EXPECT_FALSE(s[0].HasValues());
    EXPECT_EQ(s[1].max, 12.0);
    EXPECT_EQ(s[1].min, 0.0);
}

// The moments of every 65 536-row block against a recomputation in long double.
TEST(MeasureStatistics, SummaryMomentsEqualARecomputation) {
    MemorySource src(2, 4 * kSummaryCoarseRows + 17);
    std::mt19937_64 rng(23);
    for (uint64_t k = 0; k < src.Samples(); ++k)
        for (int c = 0; c < 2; ++c)
            src.At(k, c) = k % 1009 == 3 ? std::numeric_limits<float>::quiet_NaN()
                                         : 500.0f * c + static_cast<float>(rng() % 100000) / 7.0f;
    const auto summaries = CSummaries::Build(src);
    ASSERT_EQ(summaries->CoarseBlocks(), 4u);
    for (uint64_t blk = 0; blk < 4; ++blk)
        for (int c = 0; c < 2; ++c) {
            long double n = 0, sum = 0, abs = 0, m2 = 0;
            const uint64_t a = blk * kSummaryCoarseRows, b = a + kSummaryCoarseRows;
            for (uint64_t k = a; k < b; ++k)
                if (std::isfinite(src.Value(k, c))) n += 1, sum += src.Value(k, c), abs += std::fabs(src.Value(k, c));
            const long double mean = sum / n;
            for (uint64_t k = a; k < b; ++k)
                if (std::isfinite(src.Value(k, c))) m2 += (src.Value(k, c) - mean) * (src.Value(k, c) - mean);
            const Moments& m = summaries->CoarseMoments(blk, c);
            EXPECT_EQ(m.count, static_cast<double>(n)) << blk << " " << c;
            EXPECT_LE(std::fabs(m.mean - mean), 1e-14L * std::fabs(mean)) << blk << " " << c;
            EXPECT_LE(std::fabs(m.m2 - m2), 1e-12L * m2) << blk << " " << c;
            EXPECT_LE(std::fabs(m.sumAbs - abs), 1e-13L * abs) << blk << " " << c;
        }
    // The serialized form carries them.
    const std::vector<uint8_t> bytes = summaries->Serialize();
    const auto back = CSummaries::Deserialize(bytes.data(), bytes.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->CoarseMoments(3, 1).m2, summaries->CoarseMoments(3, 1).m2);
    // Moments no block could have are refused: a count beyond the block's rows.
    std::vector<uint8_t> bad = bytes;
    const double tooMany = 2.0 * kSummaryCoarseRows;
    std::memcpy(bad.data() + bad.size() - 4 * sizeof(Moments), &tooMany, 8);
    EXPECT_FALSE(CSummaries::Deserialize(bad.data(), bad.size()));
}

TEST(MeasureStatistics, FloatRecordingAndWrappedSdRingEqualTheScan) {
    test::TempDir dir;
    test::FloatFixture fx;
    fx.layout.channels = 3;
    fx.layout.rate = 1000.0;
    fx.samples = 2 * kSummaryCoarseRows + 3 * 256 + 77;
    fx.value = [](uint64_t k, int c) {
        const uint32_t h = Hash(k * 3 + c);
        if (c == 1 && h % 211 == 0) return std::numeric_limits<float>::quiet_NaN();
        return static_cast<float>(std::sin(k * 0.01 * (c + 1))) * 100.0f + static_cast<float>(h % 1000) * 1e-3f;
    };
    ASSERT_TRUE(test::WriteFloatFixture(dir / "f.kvf", fx));
    struct Ring {
        const char* name;
        float k1;   // the calibration's slope: falling turns the smallest count into the largest value
    };
    for (const Ring ring : {Ring{"rising", 1.0f}, Ring{"falling", -1.0f}}) {
        test::SdFixture sd;
        sd.rate = 1000.0;
        sd.descriptors = {0, 0, 0};
        for (float& k : sd.k1cal) k = ring.k1;
        // 3000 sectors, the oldest in the middle of the card: the count stream wraps, and with
        // three channels the rows cross sector borders at every phase.
        sd.sectorNumbers = test::RingNumbers(3000, 1711, 90001, 3000);
        sd.count = [](uint64_t g) {
            const uint32_t h = Hash(g);
            return static_cast<uint16_t>(h % 61 == 0 ? h >> 16 : 32000 + h % 5 + (g / 3000) % 7);
        };
        ASSERT_TRUE(test::WriteSdFixture(dir / (std::string(ring.name) + ".kvf"), sd));
    }
    for (const char* name : {"f.kvf", "rising.kvf", "falling.kvf"}) {
        CDataFile file;
        ASSERT_EQ(file.Open(dir / name), 1) << name;
        CRecordingSource src(&file);
        ASSERT_EQ(src.Channels(), 3);
        ASSERT_GT(src.Samples(), kSummaryCoarseRows + 1000);
        CSummarizedSource fast(src);
        fast.Attach(CSummaries::Build(src));
        for (const auto& [a, b] : Fragments(src.Samples())) {
            ExpectStatistics(src, src, {0, 1, 2}, a, b, name);
            ExpectStatistics(src, fast, {1, 2, 0}, a, b, name);
        }
        file.Close();
    }
}

// A sparse one-channel recording of 2^31 + 123 457 samples whose last 300 000 hold data. The
// summaries of the zeros before them are made without reading the file (they are known), so
// the test does not read 8 GiB.
TEST(MeasureStatistics, PositionsAboveTwoToThe31InASparseFile) {
    test::TempDir dir;
    const auto path = dir / "big.kvf";
    FloatRecordingLayout layout;
    layout.rate = 1000.0;
    const std::vector<uint8_t> header = BuildFloatRecordingHeader(layout);
    const uint64_t samples = (uint64_t{1} << 31) + 123457, tail = 300000, dataStart = samples - tail;
    std::vector<float> values(tail);
    std::mt19937 rng(31);
    for (uint64_t i = 0; i < tail; ++i)
        values[i] = static_cast<float>(std::sin(i * 0.003)) * 5.0f + static_cast<float>(rng() % 1000) * 1e-4f;
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
        out.seekp(static_cast<std::streamoff>(header.size() + 4 * dataStart));
        out.write(reinterpret_cast<const char*>(values.data()), static_cast<std::streamsize>(4 * tail));
        if (!out.good()) GTEST_SKIP() << "the file system keeps no sparse file of 8 GiB";
    }
    CDataFile file;
    ASSERT_EQ(file.Open(path), 1);
    CRecordingSource src(&file);
    ASSERT_EQ(src.Samples(), samples);
    // The zeros before the data answered without reading them; everything else from the file.
    class KnownZeros : public ISampleSource {
    public:
        KnownZeros(const ISampleSource& base, uint64_t start) : m_base(base), m_start(start) {}
        uint64_t Samples() const override { return m_base.Samples(); }
        int Channels() const override { return m_base.Channels(); }
        bool IsRawImage() const override { return false; }
        long double Value(uint64_t k, int c) const override { return k < m_start ? 0 : m_base.Value(k, c); }
        uint16_t Raw(uint64_t, int) const override { return 0; }
        void ReadValues(uint64_t k0, size_t rows, int c, double* out) const override {
            m_base.ReadValues(k0, rows, c, out);
        }
        void FindExtremes(const int* ch, int count, uint64_t a, uint64_t b, uint64_t* mn, uint64_t* mx) const override {
            if (b > m_start) return m_base.FindExtremes(ch, count, a, b, mn, mx);
            for (int i = 0; i < count; ++i) mn[i] = mx[i] = a;
        }
        void FindMoments(const int* ch, int count, uint64_t a, uint64_t b, Moments* out) const override {
            if (b > m_start) return m_base.FindMoments(ch, count, a, b, out);
            for (int i = 0; i < count; ++i) out[i] = Moments{static_cast<double>(b - a), 0, 0, 0};
        }

    private:
        const ISampleSource& m_base;
        uint64_t m_start;
    } zeros(src, dataStart);
    CSummarizedSource fast(zeros);
    fast.Attach(CSummaries::Build(zeros));
    ASSERT_TRUE(fast.HasSummaries());
    const uint64_t two31 = uint64_t{1} << 31;
    for (const auto& [a, b] : Fragments(samples, dataStart - 70001)) ExpectStatistics(src, fast, {0}, a, b, "sparse");
    ExpectStatistics(src, fast, {0}, two31 - 5, two31 + 100000, "zeros across 2^31");
    file.Close();
}

// The crossing pass reports progress and stops when asked, leaving the rest unmarked.
TEST(MeasureStatistics, CrossingPassReportsProgressAndStops) {
    class Observer : public IProcessObserver {
    public:
        void ProgressTitle(int) override {}
        void Progress(int p) override { percents.push_back(p); }
        void Failed(const std::string&) override {}
        void OpenResult(const std::filesystem::path&) override {}
        bool StopRequested() override { return ++polls > stopAfter; }
        std::vector<int> percents;
        int polls = 0, stopAfter = 1000;
    };
    MemorySource src(2, 5 * 65536);
    for (uint64_t k = 0; k < src.Samples(); ++k) src.At(k, 0) = src.At(k, 1) = static_cast<float>(k % 100 < 50);
    auto stats = QuickStatistics(src, {0, 1}, 0, src.Samples());
    Observer all;
    ASSERT_TRUE(AddCrossingFrequency(src, 0, src.Samples(), 1000.0, stats, &all));
    ASSERT_FALSE(all.percents.empty());
    EXPECT_EQ(all.percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(all.percents.begin(), all.percents.end()));
    EXPECT_DOUBLE_EQ(stats[0].frequency, 10.0);   // one crossing every 100 samples at 1 kHz
    auto again = QuickStatistics(src, {0, 1}, 0, src.Samples());
    Observer stop;
    stop.stopAfter = 6;   // during the second channel
    EXPECT_FALSE(AddCrossingFrequency(src, 0, src.Samples(), 1000.0, again, &stop));
    EXPECT_TRUE(again[0].frequencyDone);
    EXPECT_FALSE(again[1].frequencyDone);
    // Fewer than two crossings: no frequency.
    double hz = 0;
    EXPECT_FALSE(CrossingFrequency(CrossingCount{1, 5, 5}, 1000.0, hz));
    EXPECT_TRUE(CrossingFrequency(CrossingCount{3, 100, 300}, 1000.0, hz));
    EXPECT_DOUBLE_EQ(hz, 10.0);
}
