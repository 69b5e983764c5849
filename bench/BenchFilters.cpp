// A Butterworth order-4 low-pass over a 2 GiB recording of 8 channels, causal and zero-phase,
// next to save-fragment of the same fragment. scripts/filter_bench.py times scipy.signal.sosfilt
// over a memmap of the same file, writing an output of the same size.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "core/processing/ProcessJob.h"
#include "core/recording/DataFile.h"
#include "core/recording/KvfWriter.h"

using namespace vistrel;
namespace fs = std::filesystem;

namespace {

constexpr int kChannels = 8;
constexpr uint64_t kRows = uint64_t{1} << 26; // 8 channels x 4 bytes x 2^26 = 2 GiB

CDataFile& Recording() {
    static std::unique_ptr<CDataFile> file = [] {
        const fs::path path = fs::temp_directory_path() / "vistrel_bench_filters_2g.kvf";
        FloatRecordingLayout layout;
        layout.channels = kChannels;
        layout.rate = 44100.0;
        const uint64_t expected = BuildFloatRecordingHeader(layout).size() + kRows * kChannels * 4;
        std::error_code ec;
        if (!fs::exists(path) || fs::file_size(path, ec) != expected) {
            std::fprintf(stderr, "writing %s ...\n", path.string().c_str());
            WriteFloatRecording(path, layout, kRows, [](uint64_t k, float* row) {
                for (int c = 0; c < kChannels; ++c)
                    row[c] = static_cast<float>(std::sin(0.001 * static_cast<double>(k) * (c + 1)) +
                                                0.1 * static_cast<double>((k * 2654435761u >> 9) & 1023) / 1023.0);
            });
        }
        auto f = std::make_unique<CDataFile>();
        if (f->Open(path) != 1)
            std::fprintf(stderr, "cannot open %s\n", path.string().c_str());
        return f;
    }();
    return *file;
}

struct Quiet : IProcessObserver {
    void ProgressTitle(int) override {}
    void Progress(int) override {}
    void Failed(const std::string& m) override { error = m; }
    void OpenResult(const fs::path&) override {}
    std::string error;
};

void Run(benchmark::State& state, ProcessOp op, bool zeroPhase, const char* name) {
    CDataFile& f = Recording();
    auto job = std::make_unique<ProcessJob>();
    job->InitFrom(f);
    job->m_startDelayMs = 0;
    job->m_op = op;
    job->m_filter.filter = {filters::Design::Butterworth, filters::Band::LowPass, 4, 1000.0, 0.0, 0.0};
    job->m_filter.zeroPhase = zeroPhase;
    job->m_resultName = fs::temp_directory_path() / name;
    for (auto _ : state) {
        Quiet quiet;
        RunProcessJob(*job, quiet);
        if (!job->m_succeeded) {
            state.SkipWithError(quiet.error.c_str());
            break;
        }
    }
    std::error_code ec;
    fs::remove(job->m_resultName, ec);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kRows * kChannels * 4));
}

void BM_FilterButterworth4(benchmark::State& s) { Run(s, OP_FILTER, false, "~bench_filter.KVF"); }
void BM_FilterButterworth4ZeroPhase(benchmark::State& s) { Run(s, OP_FILTER, true, "~bench_filter0.KVF"); }
void BM_SaveFragment8(benchmark::State& s) { Run(s, OP_SAVE_FRAGMENT, false, "bench_fragment8.kvf"); }

} // namespace

BENCHMARK(BM_FilterButterworth4)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_FilterButterworth4ZeroPhase)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_SaveFragment8)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
