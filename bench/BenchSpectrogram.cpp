// The spectrogram of a whole 2 GiB, 8-channel float recording as the plot window computes it
// (1200 columns, FFT size 4096, up to 4 transforms per column, every core), warm in the page
// cache; and, as its yardstick, the same transforms of samples already in memory.
#include <benchmark/benchmark.h>

#include <thread>
#include <vector>

#include "BenchPlotFiles.h"
#include "core/processing/WindowFft.h"
#include "core/recording/DataFile.h"
#include "core/view/SpectrogramPicture.h"

using namespace vistrel;

namespace {

constexpr int kColumns = 1200, kRows = 200;

spectro::PictureRequest WholeView(int64_t samples) {
    spectro::PictureRequest rq;
    rq.to = rq.samples = samples;
    rq.width = kColumns;
    rq.height = kRows;
    rq.settings = {4096, 50.0, WINDOW_HANN};
    return rq;
}

int Workers() { return static_cast<int>(std::max(1u, std::min(8u, std::thread::hardware_concurrency()))); }

void BM_SpectrogramWholeView(benchmark::State& state) {
    CDataFile file;
    if (file.Open(bench::FloatRecordingPath()) != 1) {
        state.SkipWithError("cannot open the benchmark recording");
        return;
    }
    const spectro::SampleReader read = [&file](int64_t first, size_t count, double* out) {
        thread_local std::vector<float> values;
        values.resize(count);
        const int channel = 3;
        file.ReadRows(static_cast<uint64_t>(first), count, &channel, 1, values.data());
        for (size_t i = 0; i < count; ++i) out[i] = static_cast<double>(values[i]);
    };
    const spectro::PictureRequest rq = WholeView(file.Samples());
    spectro::Picture picture;
    std::string error;
    spectro::ComputePicture(rq, file.Rate(), read, picture, error, {}, Workers()); // warms the pages it reads
    for (auto _ : state) {
        spectro::ComputePicture(rq, file.Rate(), read, picture, error, {}, Workers());
        benchmark::DoNotOptimize(picture.levels.data());
    }
}

void BM_SpectrogramInMemory(benchmark::State& state) {
    std::vector<double> samples(size_t{1} << 20);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = std::sin(0.01 * static_cast<double>(i));
    // The same frame starts as the whole view, each reading the buffer at a spot of its own.
    const int64_t length = static_cast<int64_t>(bench::EnvMb("VISTREL_BENCH_FLOAT_MB", 2048) * 1024 * 1024 / 32);
    const spectro::SampleReader read = [&samples](int64_t first, size_t count, double* out) {
        const size_t at = static_cast<size_t>(first) % (samples.size() - count);
        std::copy(samples.begin() + static_cast<std::ptrdiff_t>(at), samples.begin() + static_cast<std::ptrdiff_t>(at + count), out);
    };
    const spectro::PictureRequest rq = WholeView(length);
    spectro::Picture picture;
    std::string error;
    for (auto _ : state) {
        spectro::ComputePicture(rq, 10000.0, read, picture, error, {}, Workers());
        benchmark::DoNotOptimize(picture.levels.data());
    }
}

} // namespace

BENCHMARK(BM_SpectrogramWholeView)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_SpectrogramInMemory)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
