// Trace passes of a 1920-pixel plot with 8 channels on a large float recording and a large
// SD-card image: the column pass, a repaint from the cache, the min-max pass at zoom 0 and
// at a middle zoom, and a raw scan of the samples the min-max pass reads.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>
#include <string>

#include "core/recording/DataFile.h"
#include "core/view/RecordingSource.h"
#include "core/measure/Statistics.h"
#include "core/view/Summaries.h"
#include "core/view/SummaryBuilder.h"
#include "core/view/TraceDecimation.h"
#include "BenchPlotFiles.h"

using namespace vistrel;

namespace {

constexpr int kChannels = bench::kPlotChannels;

struct BenchPoint {
    int x = 0, y = 0;
    BenchPoint() = default;
    BenchPoint(int px, int py) : x(px), y(py) {}
};
constexpr int kX0 = 30, kX1 = 30 + 1920, kY1 = 20, kY2 = 1020;

struct Recording {
    CDataFile file;
    CRecordingSource source;
    std::unique_ptr<CColumnCache> cache = std::make_unique<CColumnCache>();
    int32_t shown[256];
    bool ok = false;
    std::unique_ptr<CSummarizedSource> summarized;

    // The recording with its summaries (built on first use).
    const ISampleSource& Summarized() {
        if (!summarized) {
            summarized = std::make_unique<CSummarizedSource>(source);
            summarized->Attach(CSummaries::Build(source));
        }
        return *summarized;
    }
    void Open(const std::filesystem::path& path) {
        ok = file.Open(path) == 1;
        source.Attach(&file);
        for (auto& s : shown) s = 1;
    }
    TraceView View(double F, double L) const {
        TraceView v;
        v.x0 = kX0;
        v.x1 = kX1;
        v.y1 = kY1;
        v.y2 = kY2;
        v.F = F;
        v.L = L;
        v.channels = kChannels;
        v.shown = shown;
        return v;
    }
};

Recording& FloatRecording() {
    static Recording rec;
    static bool once = false;
    if (!once) {
        once = true;
        rec.Open(bench::FloatRecordingPath());
    }
    return rec;
}

Recording& SdImage() {
    static Recording rec;
    static bool once = false;
    if (!once) {
        once = true;
        rec.Open(bench::SdImagePath());
    }
    return rec;
}

double MidSpan(const Recording& r) { return static_cast<double>(r.source.Samples()) / 256.0; }

void ColumnPassBench(benchmark::State& state, Recording& r) {
    if (!r.ok) return state.SkipWithError("recording not written");
    const auto v = r.View(0.0, static_cast<double>(r.source.Samples()));
    for (auto _ : state) {
        r.cache->Invalidate();
        ColumnPass(*r.cache, v, r.source);
        benchmark::DoNotOptimize(r.cache->values[kX0 + 1][0]);
    }
}

// A repaint with the view unchanged: the polylines of all channels from the cache.
void CacheReuseBench(benchmark::State& state, Recording& r) {
    if (!r.ok) return state.SkipWithError("recording not written");
    const auto v = r.View(0.0, static_cast<double>(r.source.Samples()));
    ColumnPass(*r.cache, v, r.source);
    static BenchPoint points[kCacheColumns];
    for (auto _ : state) {
        if (!r.cache->Holds(v.Width(), v.F, v.L)) ColumnPass(*r.cache, v, r.source);
        int total = 0;
        for (int ch = 0; ch < kChannels; ++ch)
            total += BuildPolyline(*r.cache, ch, kX0, kY2, kY2 - kY1, 10.0, -10.0, true, points);
        benchmark::DoNotOptimize(total);
    }
}

void MinMaxBench(benchmark::State& state, Recording& r, double span) {
    if (!r.ok) return state.SkipWithError("recording not written");
    const double F = (static_cast<double>(r.source.Samples()) - span) / 2.0;
    const auto v = r.View(F < 0 ? 0 : F, (F < 0 ? 0 : F) + span);
    for (auto _ : state) {
        CMinMaxPass::Run(*r.cache, v, r.source);
        benchmark::DoNotOptimize(r.cache->values[kX0 + 2][0]);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(span) * kChannels *
                            (r.source.IsRawImage() ? 2 : 4));
}

// The same pass taking the aligned middle of each group from the summaries.
void MinMaxSummariesBench(benchmark::State& state, Recording& r, double span) {
    if (!r.ok) return state.SkipWithError("recording not written");
    const ISampleSource& src = r.Summarized();
    const double F = (static_cast<double>(r.source.Samples()) - span) / 2.0;
    const auto v = r.View(F < 0 ? 0 : F, (F < 0 ? 0 : F) + span);
    for (auto _ : state) {
        CMinMaxPass::Run(*r.cache, v, src);
        benchmark::DoNotOptimize(r.cache->values[kX0 + 2][0]);
    }
}

// Building the summaries as the program does: one sequential read of the whole recording,
// shared out among the cores (at the benchmark's priority, not the builder's lowest one).
void SummaryBuildBench(benchmark::State& state, Recording& r) {
    if (!r.ok) return state.SkipWithError("recording not written");
    for (auto _ : state) benchmark::DoNotOptimize(CSummaries::Build(r.source, nullptr, nullptr, CSummaryBuilder::Threads()));
}

// The reference of a whole-file pass: `cat FILE > /dev/null` of the same (warm) file.
void CatBench(benchmark::State& state, Recording& r) {
    if (!r.ok) return state.SkipWithError("recording not written");
    const std::string command = "cat '" + r.file.Path().string() + "' > /dev/null";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) return state.SkipWithError("cat failed");
}

// Statistics of every channel over the whole recording but its first sample (so both ends
// are partial blocks), without the crossing frequency: from the summaries, or by reading
// every sample when `scan` is set.
void StatisticsBench(benchmark::State& state, Recording& r, bool scan) {
    if (!r.ok) return state.SkipWithError("recording not written");
    const ISampleSource& src = scan ? static_cast<const ISampleSource&>(r.source) : r.Summarized();
    std::vector<int> channels;
    for (int c = 0; c < r.source.Channels(); ++c) channels.push_back(c);
    for (auto _ : state) benchmark::DoNotOptimize(QuickStatistics(src, channels, 1, r.source.Samples()));
}

// Reads every sample of the view once, the least any min-max pass has to do.
void RawScanBench(benchmark::State& state, Recording& r, double span) {
    if (!r.ok) return state.SkipWithError("recording not written");
    const double F0 = (static_cast<double>(r.source.Samples()) - span) / 2.0;
    const uint64_t a = static_cast<uint64_t>(F0 < 0 ? 0 : F0), b = a + static_cast<uint64_t>(span);
    const uint8_t* data = r.file.DataArea();
    for (auto _ : state) {
        if (!r.source.IsRawImage()) {
            const float* f = reinterpret_cast<const float*>(data) + a * kChannels;
            const uint64_t n = (b - a) * kChannels;
            float lo = f[0], hi = f[0];
            for (uint64_t i = 0; i < n; ++i) {
                lo = f[i] < lo ? f[i] : lo;
                hi = f[i] > hi ? f[i] : hi;
            }
            benchmark::DoNotOptimize(lo);
            benchmark::DoNotOptimize(hi);
        } else {
            // Sector order: the counts of the view's sectors, sector number fields skipped.
            const uint64_t first = a * kChannels / 124, last = b * kChannels / 124;
            const uint32_t* map = r.file.SectorMap();
            uint16_t lo = 65535, hi = 0;
            for (uint64_t L = first; L < last && L < r.file.LogicalSectors(); ++L) {
                const uint16_t* w = reinterpret_cast<const uint16_t*>(data + 256ull * map[L] + 8);
                for (int j = 0; j < 124; ++j) {
                    lo = w[j] < lo ? w[j] : lo;
                    hi = w[j] > hi ? w[j] : hi;
                }
            }
            benchmark::DoNotOptimize(lo);
            benchmark::DoNotOptimize(hi);
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(span) * kChannels *
                            (r.source.IsRawImage() ? 2 : 4));
}

void Register() {
    struct Kind {
        const char* name;
        Recording& (*get)();
    };
    static const Kind kinds[] = {{"Float", FloatRecording}, {"Sd", SdImage}};
    for (const auto& k : kinds) {
        const std::string n = std::string("Plot") + k.name;
        auto get = k.get;
        benchmark::RegisterBenchmark((n + "/ColumnPass").c_str(), [get](benchmark::State& s) { ColumnPassBench(s, get()); })
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/CacheReuse").c_str(), [get](benchmark::State& s) { CacheReuseBench(s, get()); })
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/MinMaxZoom0").c_str(), [get](benchmark::State& s) {
            MinMaxBench(s, get(), static_cast<double>(get().source.Samples()));
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/MinMaxSummariesZoom0").c_str(), [get](benchmark::State& s) {
            MinMaxSummariesBench(s, get(), static_cast<double>(get().source.Samples()));
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/MinMaxSummariesMidZoom").c_str(), [get](benchmark::State& s) {
            MinMaxSummariesBench(s, get(), MidSpan(get()));
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/SummaryBuild").c_str(), [get](benchmark::State& s) {
            SummaryBuildBench(s, get());
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/CatWarm").c_str(), [get](benchmark::State& s) { CatBench(s, get()); })
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/StatisticsSummaries").c_str(), [get](benchmark::State& s) {
            StatisticsBench(s, get(), false);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/StatisticsScan").c_str(), [get](benchmark::State& s) {
            StatisticsBench(s, get(), true);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/RawScanZoom0").c_str(), [get](benchmark::State& s) {
            RawScanBench(s, get(), static_cast<double>(get().source.Samples()));
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/MinMaxMidZoom").c_str(), [get](benchmark::State& s) {
            MinMaxBench(s, get(), MidSpan(get()));
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((n + "/RawScanMidZoom").c_str(), [get](benchmark::State& s) {
            RawScanBench(s, get(), MidSpan(get()));
        })->Unit(benchmark::kMillisecond);
    }
}

const int registered = (Register(), 0);

} // namespace
