// Writes the recordings the Python module's tests read, one of every kind, into a folder:
// float recordings in both header layouts, a wrapped 3-channel SD ring with calibration, and a
// sparse float recording with positions above 2^31.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <random>

#include "support/Fixtures.h"

using namespace vistrel;
using namespace vistrel::test;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_recordings FOLDER\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::mt19937 rng(7);
    std::normal_distribution<float> noise(0.0f, 3.0f);
    std::vector<float> values(3 * 5000);
    for (float& v : values) v = noise(rng);
    values[7] = std::numeric_limits<float>::quiet_NaN();
    bool ok = true;

    FloatFixture a;
    a.layout.channels = 3;
    a.layout.rate = 48000.0;
    a.samples = 5000;
    a.value = [&](std::uint64_t k, int c) { return values[k * 3 + static_cast<unsigned>(c)]; };
    ok = ok && WriteFloatFixture(dir / "float_long.kvf", a);
    FloatFixture b = a;
    b.layout.channels = 2;
    b.layout.rate = 44100.0;
    b.layout.shortLayout = true;
    ok = ok && WriteFloatFixture(dir / "float_short.kvf", b);

    SdFixture sd;
    sd.descriptors = {0x0000, 1 << 8, 2 << 8};
    sd.sectorNumbers = RingNumbers(40, 13, 500, 40);
    sd.count = [](std::uint64_t g) { return static_cast<std::uint16_t>((g * 2654435761u) >> 7); };
    sd.b1cal[1] = 3.5f, sd.k1cal[1] = 1.37f;
    sd.b1cal[2] = -11.0f, sd.k1cal[2] = 0.71f;
    ok = ok && WriteSdFixture(dir / "sd_ring.kvf", sd);

    // One channel of 2^31 + 5000 samples at 48 kHz; only the last 8000 hold data.
    FloatRecordingLayout big;
    big.rate = 48000.0;
    const std::vector<std::uint8_t> header = BuildFloatRecordingHeader(big);
    const std::uint64_t samples = (std::uint64_t{1} << 31) + 5000, tail = 8000;
    std::vector<float> end(tail);
    for (float& v : end) v = noise(rng);
    std::ofstream out(dir / "sparse.kvf", std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    out.seekp(static_cast<std::streamoff>(header.size() + 4 * (samples - tail)));
    out.write(reinterpret_cast<const char*>(end.data()), static_cast<std::streamsize>(4 * tail));
    ok = ok && out.good();
    return ok ? 0 : 1;
}
