// Whole rows of an SD image read as floats (what saving a fragment writes): gathered in blocks
// out of the ring's sectors and converted a row at a time. Every value must equal the single
// sample's conversion rounded once, across the ring's wrap, block borders and the end.

#include "core/recording/DataFile.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace vistrel;
using namespace vistrel::test;

namespace {

struct WholeRowsCase {
    int channels;
    std::uint32_t sectors, oldestAt, written;   // a ring that wraps
};

} // namespace

TEST(SdWholeRows, FloatRowsEqualSingleConversionsAcrossTheWrap)
{
    const WholeRowsCase cases[] = {
        {3, 600, 217, 600},   // the ring's wrap inside a block of rows
        {3, 600, 599, 600},   // the oldest sector is the last one: the wrap after one sector
        {5, 400, 123, 400},   // a width without a fixed-width loop
        {8, 700, 350, 700},
        {1, 300, 77, 300},
    };
    for (const WholeRowsCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.channels << " channels, oldest at " << c.oldestAt);
        TempDir dir;
        SdFixture fx;
        fx.descriptors.clear();
        for (int i = 0; i < c.channels; ++i) fx.descriptors.push_back(static_cast<std::uint16_t>((i % 4) << 8));
        fx.sectorNumbers = RingNumbers(c.sectors, c.oldestAt, 9000, c.written);
        fx.count = [](std::uint64_t g) { return static_cast<std::uint16_t>((g * 2654435761u) >> 9); };
        fx.b1cal[1] = 3.5f, fx.k1cal[1] = 1.37f;
        fx.b1cal[2] = -11.0f, fx.k1cal[2] = 0.71f;
        fx.b1cal[3] = 0.25f, fx.k1cal[3] = -3.0f;
        ASSERT_TRUE(WriteSdFixture(dir / "ring.kvf", fx));
        CDataFile f;
        ASSERT_EQ(f.Open(dir / "ring.kvf"), 1);
        ASSERT_EQ(f.Channels(), c.channels);
        const std::uint64_t N = static_cast<std::uint64_t>(f.Samples());
        // Rows around the wrap point (where the oldest sector follows the last physical one),
        // from the start, over several blocks of rows, and past the end.
        const std::uint64_t wrap = std::uint64_t(c.sectors - c.oldestAt) * 124 / c.channels;
        const std::uint64_t spans[][2] = {{wrap - 5, 11}, {wrap > 3000 ? wrap - 3000 : 0, 6001},
                                          {0, N}, {1, N - 2}, {N - 100, 250}};
        std::vector<int> all(c.channels);
        for (int i = 0; i < c.channels; ++i) all[i] = i;
        for (const auto& span : spans) {
            const std::uint64_t k0 = span[0];
            const std::size_t rows = static_cast<std::size_t>(span[1]);
            std::vector<float> got(rows * c.channels, -1.0f);
            f.ReadRows(k0, rows, all.data(), c.channels, got.data());
            for (std::size_t r = 0; r < rows; ++r)
                for (int ch = 0; ch < c.channels; ++ch)
                    ASSERT_EQ(got[r * c.channels + ch], static_cast<float>(f.SampleValue(k0 + r, ch)))
                        << "row " << k0 + r << " channel " << ch;
        }
    }
}
