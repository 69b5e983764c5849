#include <gtest/gtest.h>

#include <memory>

#include "core/recording/DataFile.h"
#include "core/view/RecordingSource.h"
#include "core/view/TraceDecimation.h"
#include "support/Fixtures.h"

using namespace vistrel;

namespace {

uint32_t Hash(uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdull;
    x ^= x >> 29;
    return static_cast<uint32_t>(x);
}

// Compares the recording's fast extreme search with plain single-sample reads.
void ExpectSameExtremes(const CRecordingSource& src, const int* channels, int count) {
    const uint64_t N = src.Samples();
    uint64_t fastMin[256], fastMax[256], slowMin[256], slowMax[256];
    for (uint64_t i = 0; i < 60; ++i) {
        const uint64_t a = Hash(i) % N;
        const uint64_t b = std::min<uint64_t>(N, a + 1 + Hash(i + 1000) % 700);
        src.FindExtremes(channels, count, a, b, fastMin, fastMax);
        src.ISampleSource::FindExtremes(channels, count, a, b, slowMin, slowMax);
        for (int j = 0; j < count; ++j) {
            ASSERT_EQ(fastMin[j], slowMin[j]) << a << ".." << b << " channel " << channels[j];
            ASSERT_EQ(fastMax[j], slowMax[j]) << a << ".." << b << " channel " << channels[j];
        }
    }
}

} // namespace

TEST(ViewRecording, FloatRecordingPassesReadTheFile) {
    test::TempDir dir;
    test::FloatFixture fx;
    fx.layout.channels = 3;
    fx.samples = 5000;
    fx.value = [](uint64_t k, int c) { return static_cast<float>(Hash(k * 3 + c) % 2001) - 1000.0f; };
    ASSERT_TRUE(test::WriteFloatFixture(dir / "a.kvf", fx));
    CDataFile file;
    ASSERT_EQ(file.Open(dir / "a.kvf"), 1);
    CRecordingSource src(&file);
    EXPECT_FALSE(src.IsRawImage());
    EXPECT_EQ(src.Samples(), 5000u);
    const int all[3] = {0, 1, 2}, some[2] = {2, 0};
    ExpectSameExtremes(src, all, 3);
    ExpectSameExtremes(src, some, 2);

    // Every column value is a sample of the file from the column's own samples.
    auto cache = std::make_unique<CColumnCache>();
    TraceView v;
    v.x0 = 20;
    v.x1 = 520;
    v.y2 = 300;
    v.F = 0;
    v.L = 5000;
    v.channels = 3;
    ColumnPass(*cache, v, src);
    for (int c = 21; c < 520; ++c) {
        ASSERT_TRUE(cache->flags[c]);
        const uint64_t s0 = static_cast<uint64_t>(ColumnSample(v, c));
        bool found = false;
        for (uint64_t s = s0; s < s0 + 10; ++s)
            found |= cache->values[c][1] == fx.value(s, 1) && cache->values[c][2] == fx.value(s, 2);
        ASSERT_TRUE(found) << c;
    }
    file.Close();
}

TEST(ViewRecording, SdImageExtremesFollowTheRing) {
    test::TempDir dir;
    test::SdFixture fx;
    fx.descriptors = {0, 0, 0};
    // A wrapped ring: the oldest sector stands in the middle of the file.
    fx.sectorNumbers = test::RingNumbers(60, 17, 500, 60);
    fx.count = [](uint64_t g) { return static_cast<uint16_t>(Hash(g)); };
    ASSERT_TRUE(test::WriteSdFixture(dir / "sd.kvf", fx));
    CDataFile file;
    ASSERT_EQ(file.Open(dir / "sd.kvf"), 1) << OpenErrorText(file.LastError());
    CRecordingSource src(&file);
    ASSERT_TRUE(src.IsRawImage());
    ASSERT_GT(src.Samples(), 1000u);
    const int all[3] = {0, 1, 2}, one[1] = {1};
    ExpectSameExtremes(src, all, 3);
    ExpectSameExtremes(src, one, 1);

    // A card filled up to sector 39 with sector 12 missing: a hole reads as count 0.
    fx.sectorNumbers = test::RingNumbers(60, 0, 0, 40);
    fx.sectorNumbers[12] = 13;
    ASSERT_TRUE(test::WriteSdFixture(dir / "hole.kvf", fx));
    CDataFile holed;
    ASSERT_EQ(holed.Open(dir / "hole.kvf"), 1) << OpenErrorText(holed.LastError());
    CRecordingSource holedSrc(&holed);
    ExpectSameExtremes(holedSrc, all, 3);
    uint64_t mn[3], mx[3];
    holedSrc.FindExtremes(all, 3, 0, holedSrc.Samples(), mn, mx);
    EXPECT_EQ(holedSrc.Raw(mn[0], 0), 0);

    // Two-channel mode: six channels from three descriptors.
    fx.sectorNumbers = test::RingNumbers(60, 17, 500, 60);
    fx.twoChannel = true;
    ASSERT_TRUE(test::WriteSdFixture(dir / "sd2.kvf", fx));
    CDataFile file2;
    ASSERT_EQ(file2.Open(dir / "sd2.kvf"), 1);
    CRecordingSource src2(&file2);
    const int six[6] = {0, 1, 2, 3, 4, 5};
    ExpectSameExtremes(src2, six, 6);
}
