// Threshold search against a plain scan, with summaries that let it skip blocks: crossings
// exactly at the borders of 256- and 65 536-row blocks (where only the sample before the block
// tells), blocks wholly above the level after a sample below it, NaN gaps, and an SD image.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "core/measure/Crossing.h"
#include "core/recording/DataFile.h"
#include "core/view/ReadOut.h"
#include "core/view/RecordingSource.h"
#include "core/view/Summaries.h"
#include "support/Fixtures.h"

using namespace vistrel;

namespace {

class Series : public ISampleSource {
public:
    explicit Series(std::vector<float> v) : m_v(std::move(v)) {}
    uint64_t Samples() const override { return m_v.size(); }
    int Channels() const override { return 1; }
    bool IsRawImage() const override { return false; }
    long double Value(uint64_t k, int) const override { return k < m_v.size() ? m_v[k] : 0.0f; }
    uint16_t Raw(uint64_t, int) const override { return 0; }

private:
    std::vector<float> m_v;
};

// The oracle: every position in [from, to) checked against the sample before it.
bool Scan(const ISampleSource& src, int c, double level, uint64_t from, uint64_t to, bool forward, uint64_t& at) {
    bool found = false;
    for (uint64_t p = std::max<uint64_t>(from, 1); p < to; ++p) {
        const long double prev = src.Value(p - 1, c), now = src.Value(p, c);
        if (prev < level && now >= level) {
            at = p;
            found = true;
            if (forward) return true;
        }
    }
    return found;
}

void ExpectSameAsScan(const ISampleSource& src, const CSummaries* s, int c, double level, uint64_t from, uint64_t to,
                      const char* what) {
    for (const bool forward : {true, false}) {
        uint64_t want = 0, got = 0;
        const bool expected = Scan(src, c, level, from, to, forward, want);
        ASSERT_EQ(FindUpwardCrossing(src, s, c, level, from, to, forward, got), expected)
            << what << " [" << from << ", " << to << ") " << (forward ? "forward" : "backward");
        if (expected) {
            ASSERT_EQ(got, want) << what << " [" << from << ", " << to << ") " << forward;
        }
    }
}

} // namespace

TEST(MeasureCrossing, EqualsTheScanWithCrossingsAtBlockBorders) {
    const uint64_t B = kSummaryCoarseRows, F = kSummaryFineRows;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Signal {
        const char* name;
        std::vector<std::pair<uint64_t, float>> steps;   // from this position on, this value
    };
    // Level 0.5: 0 is below, 1 above.
    const Signal signals[] = {
        // Above from the first sample of a coarse block: the block's extremes are all above;
        // only the sample before it says that it crosses.
        {"coarse border", {{0, 0.0f}, {2 * B, 1.0f}, {2 * B + 5000, 0.0f}, {3 * B, 1.0f}}},
        {"fine border", {{0, 0.0f}, {B + 7 * F, 1.0f}, {B + 9 * F, 0.0f}, {3 * B + 255 * F, 1.0f}}},
        // A NaN just before a border: no crossing there; the next one inside a block.
        {"NaN gap", {{0, 0.0f}, {B - 1, nan}, {B, 1.0f}, {B + 100, 0.0f}, {B + 101, 1.0f}}},
        {"exactly the level", {{0, 0.0f}, {4 * F, 0.5f}, {4 * F + 1, 0.0f}, {2 * B + F, 0.5f}}},
        {"never", {{0, 0.25f}}},
    };
    const uint64_t N = 4 * B + 300;
    std::mt19937_64 rng(3);
    for (const Signal& sig : signals) {
        std::vector<float> v(N);
        size_t i = 0;
        for (uint64_t k = 0; k < N; ++k) {
            while (i + 1 < sig.steps.size() && sig.steps[i + 1].first <= k) ++i;
            v[k] = sig.steps[i].second;
        }
        const Series src(v);
        const auto summaries = CSummaries::Build(src);
        ExpectSameAsScan(src, summaries.get(), 0, 0.5, 0, N, sig.name);
        ExpectSameAsScan(src, nullptr, 0, 0.5, 0, N, sig.name);
        for (int round = 0; round < 60; ++round) {
            const uint64_t a = rng() % N, b = std::min(N, a + 1 + rng() % (round % 2 ? 3 * B : 2000));
            ExpectSameAsScan(src, summaries.get(), 0, 0.5, a, b, sig.name);
        }
        // Starting right at each crossing and right after it.
        for (const auto& [at, value] : sig.steps) {
            ExpectSameAsScan(src, summaries.get(), 0, 0.5, at, N, sig.name);
            ExpectSameAsScan(src, summaries.get(), 0, 0.5, at + 1, N, sig.name);
            ExpectSameAsScan(src, summaries.get(), 0, 0.5, 0, at + 1, sig.name);
        }
    }
}

// Random noise at random levels, and an SD image whose falling calibration turns the smallest
// count into the largest value.
TEST(MeasureCrossing, EqualsTheScanOnNoiseAndOnAnSdImage) {
    std::vector<float> v(3 * kSummaryCoarseRows + 77);
    std::mt19937_64 rng(9);
    for (float& x : v) x = static_cast<float>(rng() % 100000) / 1000.0f;
    const Series noise(v);
    const auto s = CSummaries::Build(noise);
    for (double level : {-1.0, 0.0, 50.0, 99.95, 99.999, 1e9})
        for (int round = 0; round < 20; ++round) {
            const uint64_t a = rng() % v.size(), b = std::min<uint64_t>(v.size(), a + rng() % 200000);
            ExpectSameAsScan(noise, s.get(), 0, level, a, b, "noise");
        }

    test::TempDir dir;
    test::SdFixture sd;
    sd.descriptors = {0, 0};
    for (float& k : sd.k1cal) k = -1.0f;
    sd.sectorNumbers = test::RingNumbers(2500, 900, 4000, 2500);
    // Mostly quiet, with rare spikes that cross any level between them.
    sd.count = [](uint64_t g) { return static_cast<uint16_t>(g % 40009 == 0 ? 20000 : 33000 + g % 3); };
    ASSERT_TRUE(test::WriteSdFixture(dir / "sd.kvf", sd));
    CDataFile file;
    ASSERT_EQ(file.Open(dir / "sd.kvf"), 1);
    CRecordingSource src(&file);
    const auto summaries = CSummaries::Build(src);
    const double quiet = static_cast<double>(src.Value(1, 1)), spike = static_cast<double>(src.Value(0, 0));
    for (double level : {quiet, (quiet + spike) / 2, spike})
        for (int c : {0, 1}) ExpectSameAsScan(src, summaries.get(), c, level, 1, src.Samples(), "sd");
    file.Close();
}

// The read-out names the first crossing after time cursor 1 as a time of the same form as T1.
TEST(MeasureCrossing, ReadOutShowsTheCrossingTime) {
    ReadOutInput in;
    in.rate = 1000.0f;
    in.samples = 100000;
    in.channels = 2;
    in.s1 = 1234;
    in.s2 = 56789;
    const std::string without = BuildReadOut(in);
    EXPECT_EQ(without.find("X1="), std::string::npos);
    in.hasCrossing = true;
    in.crossing = in.s2;
    const std::string with = BuildReadOut(in);
    const size_t t2 = with.find("T2="), x1 = with.find(" X1=");
    ASSERT_NE(t2, std::string::npos);
    ASSERT_NE(x1, std::string::npos);
    const std::string t2Text = with.substr(t2 + 3, with.find(' ', t2) - t2 - 3);
    EXPECT_EQ(with.substr(x1 + 4, t2Text.size()), t2Text);
    EXPECT_LT(x1, with.find("dT="));   // beside the level cursors' values
}

// The read-outs' memo: a question asked again is answered without reading a sample; any change
// of source, summaries, channel, level, range or direction searches again, and the answers
// always equal a fresh search's.
TEST(MeasureCrossing, MemoSearchesOnlyWhenTheQuestionChanges) {
    class Counted : public Series {
    public:
        using Series::Series;
        long double Value(uint64_t k, int c) const override {
            ++reads;
            return Series::Value(k, c);
        }
        mutable uint64_t reads = 0;
    };
    std::vector<float> v(3000, 0.0f);
    for (size_t k = 1000; k < 1200; ++k) v[k] = 1.0f;
    Counted src(v), other(std::vector<float>(3000, 0.0f));
    const auto summaries = CSummaries::Build(src);
    struct Ask {
        const Counted* src;
        const CSummaries* summaries;
        double level;
        uint64_t from, to;
        bool forward, searches;
    };
    const Ask asks[] = {
        {&src, nullptr, 0.5, 0, 3000, true, true},
        {&src, nullptr, 0.5, 0, 3000, true, false},   // the same again: no read
        {&src, nullptr, 0.5, 0, 3000, true, false},
        {&src, nullptr, 0.25, 0, 3000, true, true},   // another level
        {&src, nullptr, 0.25, 5, 3000, true, true},   // another start
        {&src, nullptr, 0.25, 5, 2000, true, true},   // another end
        {&src, nullptr, 0.25, 5, 2000, false, true},  // backward
        {&src, summaries.get(), 0.25, 5, 2000, false, true},  // the summaries have come
        {&src, summaries.get(), 0.25, 5, 2000, false, false},
        {&other, nullptr, 0.25, 5, 2000, false, true},        // another source
        {&other, nullptr, 0.25, 1500, 2000, true, true},      // nothing found, asked twice
        {&other, nullptr, 0.25, 1500, 2000, true, false},
    };
    CCrossingMemo memo;
    int i = 0;
    for (const Ask& a : asks) {
        SCOPED_TRACE(i++);
        a.src->reads = 0;
        uint64_t got = 12345, want = 12345;
        const bool found = memo.Find(*a.src, a.summaries, 0, a.level, a.from, a.to, a.forward, got);
        EXPECT_EQ(a.src->reads > 0, a.searches);
        ASSERT_EQ(found, FindUpwardCrossing(*a.src, a.summaries, 0, a.level, a.from, a.to, a.forward, want));
        if (found) EXPECT_EQ(got, want);
    }
}
