// libFuzzer target: SD-card rings of many sectors from a compact input. The input gives the
// channel layout, the ring (sector count, oldest number and place, sectors written) and a list
// of edits of single sector numbers; the target synthesises the image, opens it and reads it.
//
// Input: [0] channels-1 (bits 0-2), 2-channel mode (bit 7); [1] rate choice; [2..3] sectors;
// [4..7] oldest number; [8..9] place of the oldest; [10..11] sectors written; then edits of
// five bytes: place (2), operation (1), value (2).

#include "FuzzCommon.h"
#include "core/recording/DataFile.h"
#include "support/Fixtures.h"

#include <cstring>

using namespace vistrel;
using namespace vistrel::kvf;

namespace {

struct Reader {
    const std::uint8_t* data;
    size_t size;
    size_t pos = 0;
    template <class T>
    T Take()
    {
        T v{};
        if (pos + sizeof(T) <= size) std::memcpy(&v, data + pos, sizeof(T));
        pos += sizeof(T);
        return v;
    }
    bool More(size_t n) const { return pos + n <= size; }
};

std::uint16_t CountAt(std::uint64_t g) { return static_cast<std::uint16_t>((g * 7 + 3) & 0xFFFF); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    Reader in{data, size};
    const auto layout = in.Take<std::uint8_t>();
    const auto rateChoice = in.Take<std::uint8_t>();
    const std::uint32_t S = 1 + in.Take<std::uint16_t>() % 3000;
    const auto oldestNumber = in.Take<std::uint32_t>();
    const std::uint32_t oldestAt = in.Take<std::uint16_t>() % S;
    const std::uint32_t written = in.Take<std::uint16_t>() % (S + 1);

    test::SdFixture fx;
    fx.descriptors.assign(1 + (layout & 7), 0x0100);
    fx.twoChannel = (layout & 0x80) != 0;
    const double rates[] = {1000.0, 44100.0, 48000.0, 0.5};
    fx.rate = rates[rateChoice & 3];
    fx.count = CountAt;
    fx.sectorNumbers = test::RingNumbers(S, oldestAt, oldestNumber, written);
    bool edited = false;
    while (in.More(5)) {
        const std::uint32_t place = in.Take<std::uint16_t>() % S;
        const auto op = in.Take<std::uint8_t>();
        const auto value = in.Take<std::uint16_t>();
        std::uint32_t& sn = fx.sectorNumbers[place];
        switch (op & 3) {
        case 0: sn = value; break;                   // a stray number
        case 1: sn = kUnwritten; break;              // a sector never written
        case 2: sn += value; break;                  // a gap
        default: sn = kUnwritten - value; break;     // a number near the top
        }
        edited = true;
    }

    static const auto path = fuzz::WorkFile("ring.kvf");
    if (!test::WriteSdFixture(path, fx)) return 0;
    CDataFile file;
    if (!file.Open(path)) return 0;

    const int n = file.Channels();
    const std::uint32_t m = file.LogicalSectors();
    if (m > std::max<std::uint64_t>(2ULL * S + 16, kMaxSectorMapEntries)) __builtin_trap();
    for (std::uint32_t L = 0; L < m; ++L) {
        const std::uint32_t p = file.SectorMap()[L];
        if (p != kUnwritten && p >= S) __builtin_trap();
    }
    if (file.Phase() >= static_cast<std::uint32_t>(n)) __builtin_trap();
    if (static_cast<std::uint64_t>(file.Samples()) * n + file.Phase() > 124ULL * m) __builtin_trap();
    // An untouched ring is one stream: each sample is the count at its place in it.
    if (!edited && written > 0 && oldestNumber < 0x01000000u) {
        const std::uint64_t first = (std::uint64_t(oldestNumber) * 124 + file.Phase());
        if (first % n != 0) __builtin_trap();
        for (std::int64_t k = 0; k < file.Samples(); k += 1 + file.Samples() / 64)
            for (int c = 0; c < n; ++c)
                if (file.RawCount(k, c) != CountAt(first + std::uint64_t(k) * n + c)) __builtin_trap();
    }
    // The run reader and the conversion tables give what single reads by the formula give,
    // over the last samples, holes and the end included.
    long double run[300];
    const std::uint64_t N = static_cast<std::uint64_t>(file.Samples());
    const std::uint64_t k0 = N > 250 ? N - 250 : 0;
    for (int c = 0; c < n; ++c) {
        file.ReadRun(k0, 300, c, run);
        for (std::uint64_t j = 0; j < 300; ++j)
            if (run[j] != file.SampleValue(k0 + j, c) || run[j] != file.SdValueByFormula(k0 + j, c)) __builtin_trap();
    }
    volatile long double sink = 0;
    for (int c = 0; c < n; ++c) {
        sink = sink + file.SampleValue(0, c);
        if (file.Samples() > 0) sink = sink + file.SampleValue(file.Samples() - 1, c);
    }
    return 0;
}
