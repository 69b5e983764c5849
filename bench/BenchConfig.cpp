// Configuration file: writing and reading a full file (32 windows of 256 channels, 12 history
// entries), the work done once at exit and once at start.
#include <benchmark/benchmark.h>

#include "core/config/Configuration.h"

using namespace vistrel;

namespace {
ConfigData FullConfig() {
    ConfigData d;
    for (int i = 0; i < kMaxSavedWindows; ++i) {
        SavedWindow w;
        w.rect = {10 * i, 20 * i, 600 + i, 400 + i};
        w.path = "/data/recordings/session_" + std::to_string(i) + ".kvf";
        w.channelCount = 256;
        for (int c = 0; c < 256; ++c) {
            w.settings.colors[c] = 0x010203u * static_cast<uint32_t>(c);
            w.settings.shown[c] = c % 3 != 0;
            w.settings.widths[c] = 1 + c % 4;
        }
        w.settings.hCenter = 123456.0 * i;
        w.settings.vCenter = 500.0;
        d.windows.push_back(w);
    }
    for (int i = 0; i < kMaxHistory; ++i)
        d.history.entries[i] = {"07.12.26", "10:00", "600000x8", "10000", "60.0", "/data/h" + std::to_string(i) + ".kvf", 0};
    d.history.count = kMaxHistory;
    return d;
}
} // namespace

static void BM_FormatConfiguration(benchmark::State& state) {
    const ConfigData d = FullConfig();
    for (auto _ : state) {
        std::string s = FormatConfiguration(d);
        benchmark::DoNotOptimize(s.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(FormatConfiguration(d).size()));
}
BENCHMARK(BM_FormatConfiguration);

static void BM_ParseConfiguration(benchmark::State& state) {
    const std::string text = FormatConfiguration(FullConfig());
    for (auto _ : state) {
        ConfigData d = ParseConfiguration(text, true);
        benchmark::DoNotOptimize(d.windows.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseConfiguration);
