#pragma once
// The large recordings of the plot benchmarks, written once into VISTREL_BENCH_DIR (default:
// the temporary folder). Sizes: VISTREL_BENCH_FLOAT_MB (default 2048) and VISTREL_BENCH_SD_MB
// (default 1024), or given by the caller; 8 channels each. The float recording holds slow waves, the SD image dense
// noise over a third of its range (the worst case for drawing: a long line in every column).

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/Fixtures.h"

namespace vistrel::bench {

constexpr int kPlotChannels = 8;

inline uint64_t EnvMb(const char* name, uint64_t fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtoull(v, nullptr, 10) : fallback;
}

inline std::filesystem::path BenchDir() {
    const char* v = std::getenv("VISTREL_BENCH_DIR");
    auto dir = v && *v ? std::filesystem::path(v) : std::filesystem::temp_directory_path() / "vistrel-bench";
    std::filesystem::create_directories(dir);
    return dir;
}

// A float recording of `mb` MiB of slow waves.
inline std::filesystem::path FloatRecordingPath(uint64_t mb) {
    const uint64_t samples = mb * 1024 * 1024 / (4 * kPlotChannels);
    const auto path = BenchDir() / ("plot-float-wave-" + std::to_string(mb) + "m.kvf");
    if (!std::filesystem::exists(path) || std::filesystem::file_size(path) < samples * 4 * kPlotChannels) {
        test::FloatFixture fx;
        fx.layout.channels = kPlotChannels;
        fx.samples = samples;
        // A slow wave per channel (40 periods over the file) with a small ripple.
        const double w = 2.0 * 3.141592653589793 * 40.0 / static_cast<double>(samples);
        fx.value = [w](uint64_t k, int c) {
            return static_cast<float>(6.0 * std::sin(w * static_cast<double>(k) + c) +
                                      0.3 * static_cast<double>((k * 7919 + c) % 101) / 101.0);
        };
        test::WriteFloatFixture(path, fx);
    }
    return path;
}

inline std::filesystem::path FloatRecordingPath() { return FloatRecordingPath(EnvMb("VISTREL_BENCH_FLOAT_MB", 2048)); }

// A float recording of `gb` GiB that costs no disk: one second of waves written, then the
// file extended to its length (the rest is a hole and reads as zeros).
inline std::filesystem::path SparseFloatRecordingPath(uint64_t gb) {
    const uint64_t rows = gb * (uint64_t{1} << 30) / (4 * kPlotChannels);
    const auto path = BenchDir() / ("plot-float-sparse-" + std::to_string(gb) + "g.kvf");
    if (!std::filesystem::exists(path) || std::filesystem::file_size(path) < rows * 4 * kPlotChannels) {
        test::FloatFixture fx;
        fx.layout.channels = kPlotChannels;
        fx.samples = 1 << 16;
        fx.value = [](uint64_t k, int c) { return static_cast<float>(std::sin(0.001 * static_cast<double>(k) + c)); };
        test::WriteFloatFixture(path, fx);
        const uint64_t header = std::filesystem::file_size(path) - fx.samples * 4 * kPlotChannels;
        std::filesystem::resize_file(path, header + rows * 4 * kPlotChannels);
    }
    return path;
}

inline std::filesystem::path SdImagePath() {
    const uint64_t mb = EnvMb("VISTREL_BENCH_SD_MB", 1024);
    const uint32_t sectors = static_cast<uint32_t>(mb * 1024 * 1024 / 256);
    const auto path = BenchDir() / ("plot-sd-" + std::to_string(mb) + "m.kvf");
    if (!std::filesystem::exists(path) || std::filesystem::file_size(path) < uint64_t(sectors) * 256) {
        test::SdFixture fx;
        fx.descriptors.assign(kPlotChannels, 0);
        fx.sectorNumbers.resize(sectors);
        for (uint32_t p = 0; p < sectors; ++p) fx.sectorNumbers[p] = p;
        fx.count = [](uint64_t g) { return static_cast<uint16_t>(32768 + (g * 7919) % 20000 - 10000); };
        test::WriteSdFixture(path, fx);
    }
    return path;
}

} // namespace vistrel::bench
