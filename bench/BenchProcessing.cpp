// Throughput of every operation on a 1 GiB recording next to raw passes over the same mapped
// data; the spectra through FFTW next to the former hand-written FFT and term-by-term sums.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "FftOracle.h"
#include "SpectrumOracle.h"
#include "core/processing/ProcessJob.h"
#include "core/processing/RealFft.h"
#include "core/processing/SpectrumCore.h"
#include "core/processing/WindowFft.h"
#include "core/recording/DataFile.h"
#include "core/recording/KvfWriter.h"
#include "ProcessingOracle.h"
#include "support/Fixtures.h"

using namespace vistrel;
namespace fs = std::filesystem;

namespace {

constexpr int kChannels = 4;
constexpr uint64_t kSamples = uint64_t{1} << 26; // 4 channels x 4 bytes x 2^26 = 1 GiB

fs::path BenchDir() {
    return fs::temp_directory_path();
}

CDataFile& BigRecording() {
    static std::unique_ptr<CDataFile> file = [] {
        const fs::path path = BenchDir() / "vistrel_bench_processing_1g.kvf";
        FloatRecordingLayout layout;
        layout.channels = kChannels;
        layout.rate = 10000.0;
        const uint64_t expected = BuildFloatRecordingHeader(layout).size() + kSamples * kChannels * 4;
        std::error_code ec;
        if (!fs::exists(path) || fs::file_size(path, ec) != expected) {
            std::fprintf(stderr, "writing %s ...\n", path.string().c_str());
            WriteFloatRecording(path, layout, kSamples, [](uint64_t k, float* row) {
                const double t = static_cast<double>(k) / 10000.0;
                for (int c = 0; c < kChannels; ++c)
                    row[c] = static_cast<float>((c + 1) * std::sin(kTwoPi * 50.0 * t + c) +
                                                0.01 * static_cast<double>((k * 2654435761u >> 7) & 1023) / 1023.0);
            });
        }
        auto f = std::make_unique<CDataFile>();
        if (f->Open(path) != 1)
            std::fprintf(stderr, "cannot open %s\n", path.string().c_str());
        return f;
    }();
    return *file;
}

// An SD-card image of as many samples as the big recording (4 channels, 2^26 rows and a few
// more), written as a wrapped ring with calibrations that have no exact binary form.
CDataFile& BigSdImage() {
    static std::unique_ptr<CDataFile> file = [] {
        const fs::path path = BenchDir() / "vistrel_bench_processing_sd.kvf";
        test::SdFixture fx;
        fx.descriptors = {0x0000, 0x0101, 0x0202, 0x0303};
        fx.b1cal[1] = 0.1f, fx.k1cal[1] = 1.1f, fx.b1cal[2] = -7.3f, fx.k1cal[2] = 0.97f;
        fx.b1cal[3] = 12.7f, fx.k1cal[3] = -1.3f, fx.b1cal[4] = -0.33f, fx.k1cal[4] = 3e-3f;
        fx.rate = 10000.0;
        const uint32_t sectors = static_cast<uint32_t>((kSamples * kChannels + 2 * 124) / 124);
        fx.sectorNumbers = test::RingNumbers(sectors, sectors / 3, 5000, sectors);
        fx.count = [](uint64_t g) { return static_cast<uint16_t>(32768 + (g * 7919) % 20000 - 10000); };
        std::error_code ec;
        if (!fs::exists(path) || fs::file_size(path, ec) < uint64_t{sectors} * 256) {
            std::fprintf(stderr, "writing %s ...\n", path.string().c_str());
            test::WriteSdFixture(path, fx);
        }
        auto f = std::make_unique<CDataFile>();
        if (f->Open(path) != 1)
            std::fprintf(stderr, "cannot open %s\n", path.string().c_str());
        return f;
    }();
    return *file;
}

struct QuietObserver : IProcessObserver {
    void ProgressTitle(int) override {}
    void Progress(int) override {}
    void Failed(const std::string& m) override { error = m; }
    void OpenResult(const fs::path&) override {}
    std::string error;
};

void BM_RawMappedPass(benchmark::State& state) {
    CDataFile& f = BigRecording();
    const uint8_t* data = f.DataArea();
    for (auto _ : state) {
        double sum = 0;
        const uint64_t n = kSamples * kChannels;
        for (uint64_t i = 0; i < n; ++i) {
            float v;
            std::memcpy(&v, data + 4 * i, 4);
            sum += v;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kSamples));
}

void BM_SampleValuePass(benchmark::State& state) {
    CDataFile& f = BigRecording();
    for (auto _ : state) {
        long double sum = 0;
        for (uint64_t k = 0; k < kSamples; ++k)
            for (int c = 0; c < kChannels; ++c)
                sum += f.SampleValue(k, c);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kSamples));
}

// A cp-like copy of the big recording's file (header and every row, the bytes that saving the
// whole fragment writes): 1 MiB reads and writes, the copy removed like a result.
void BM_RawCopyReadWrite(benchmark::State& state) {
    CDataFile& f = BigRecording();
    const fs::path target = BenchDir() / "bench_copy.kvf";
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        std::FILE* in = std::fopen(f.Path().string().c_str(), "rb");
        std::FILE* out = std::fopen(target.string().c_str(), "wb");
        if (!in || !out) {
            state.SkipWithError("cannot copy");
            break;
        }
        size_t got;
        while ((got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0)
            if (std::fwrite(buffer.data(), 1, got, out) != got)
                state.SkipWithError("write failed");
        std::fclose(in);
        std::fclose(out);
        std::error_code ec;
        fs::remove(target, ec);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.FileSize()));
}

// One operation over `positions` sample positions of the big recording; `old`: the previous
// value-by-value code, kept as the tests' oracle.
void RunOperation(benchmark::State& state, ProcessOp op, uint64_t positions, const char* outName,
                  bool old = false, int factor = 10, CDataFile& (*source)() = BigRecording) {
    CDataFile& f = source();
    auto job = std::make_unique<ProcessJob>();
    job->InitFrom(f);
    job->m_startDelayMs = 0;
    job->m_op = op;
    job->m_cursor1 = 0;
    job->m_cursor2 = static_cast<int64_t>(positions);
    job->m_averagingFactor = factor;
    job->m_coeffA[1] = 2.0f;
    job->m_coeffB[1] = 1.0f;
    OutputChannelList& l = job->m_outputs;
    l.count = kChannels;
    for (int i = 0; i < kChannels; ++i) {
        l.sources[i] = i + 1;
        l.widths[i] = 1;
        l.rangeLow[i] = -10, l.rangeHigh[i] = 10;
    }
    if (op == OP_ADD_SUB)
        for (int i = 0; i < kChannels; ++i) {
            l.sources[2 * i] = i + 1, l.sources[2 * i + 1] = (i + 1) % kChannels + 1;
            l.coefficients[2 * i] = 1, l.coefficients[2 * i + 1] = -1;
        }
    if (op == OP_TABLE_FUNCTION)
        for (int i = 0; i < kChannels; ++i) {
            TableFunction& t = job->m_tables[i];
            t.m_count = 64;
            for (int p = 0; p < 64; ++p) {
                t.m_args[p] = -5.0f + 10.0f * p / 63.0f;
                t.m_values[p] = t.m_args[p] * t.m_args[p];
            }
        }
    l.spectrumPoints = 400;
    job->m_spectrum.m_lowerW = 0;
    job->m_spectrum.m_upperW = kTwoPi * 400;
    job->m_spectrum.m_window = WINDOW_HANN;
    job->m_resultName = BenchDir() / outName;
    QuietObserver obs;
    for (auto _ : state) {
        if (old)
            test::RunOldProcessJob(*job, obs);
        else
            RunProcessJob(*job, obs);
        if (!job->m_succeeded)
            state.SkipWithError(obs.error.c_str());
        std::error_code ec;
        fs::remove(job->m_resultName, ec);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * positions));
}

void BM_MovingAverage10(benchmark::State& s) { RunOperation(s, OP_MOVING_AVERAGE, kSamples, "~bench_movavg.KVF"); }
void BM_Average10(benchmark::State& s) { RunOperation(s, OP_AVERAGE, kSamples, "~bench_average.KVF"); }
void BM_Linear(benchmark::State& s) { RunOperation(s, OP_LINEAR, kSamples, "~bench_axb.KVF"); }
void BM_Rms(benchmark::State& s) { RunOperation(s, OP_RMS, kSamples, "~bench_efu.KVF"); }
void BM_AddSub(benchmark::State& s) { RunOperation(s, OP_ADD_SUB, kSamples, "~bench_addsub.KVF"); }
void BM_TableFunction(benchmark::State& s) { RunOperation(s, OP_TABLE_FUNCTION, kSamples, "~bench_tablefun.KVF"); }
void BM_SaveChannels(benchmark::State& s) { RunOperation(s, OP_SAVE_CHANNELS, kSamples, "bench_channels.kvf"); }
void BM_SaveFragmentKvf(benchmark::State& s) { RunOperation(s, OP_SAVE_FRAGMENT, kSamples, "bench_fragment.kvf"); }
// Saving an SD image of as many samples as a float recording (every count converted).
void BM_SaveFragmentKvfSd(benchmark::State& s) {
    RunOperation(s, OP_SAVE_FRAGMENT, kSamples, "bench_fragment_sd.kvf", false, 10, BigSdImage);
}
void BM_SaveFragmentKvfSdOld(benchmark::State& s) {
    RunOperation(s, OP_SAVE_FRAGMENT, kSamples, "bench_fragment_sd.kvf", true, 10, BigSdImage);
}
void BM_SaveFragmentText(benchmark::State& s) { RunOperation(s, OP_SAVE_FRAGMENT, uint64_t{1} << 22, "bench_fragment.txt"); }
void BM_SpectrumFft4M(benchmark::State& s) { RunOperation(s, OP_SPECTRUM_FFT, uint64_t{1} << 22, "~bench_spectrFFT.KVF"); }
void BM_SpectrumDirect1M(benchmark::State& s) { RunOperation(s, OP_SPECTRUM, 1'000'000, "~bench_spectr.KVF"); }

constexpr uint64_t kMovingPositions = uint64_t{1} << 22;
void BM_MovingAverage100(benchmark::State& s) { RunOperation(s, OP_MOVING_AVERAGE, kMovingPositions, "~bench_movavg.KVF", false, 100); }
void BM_MovingAverage100Old(benchmark::State& s) { RunOperation(s, OP_MOVING_AVERAGE, kMovingPositions, "~bench_movavg.KVF", true, 100); }
void BM_TableFunctionOld(benchmark::State& s) { RunOperation(s, OP_TABLE_FUNCTION, kSamples, "~bench_tablefun.KVF", true); }
void BM_SaveChannelsOld(benchmark::State& s) { RunOperation(s, OP_SAVE_CHANNELS, kSamples, "bench_channels.kvf", true); }
void BM_SaveFragmentKvfOld(benchmark::State& s) { RunOperation(s, OP_SAVE_FRAGMENT, kSamples, "bench_fragment.kvf", true); }
void BM_SaveFragmentTextOld(benchmark::State& s) { RunOperation(s, OP_SAVE_FRAGMENT, uint64_t{1} << 22, "bench_fragment.txt", true); }
void BM_Average10Old(benchmark::State& s) { RunOperation(s, OP_AVERAGE, kSamples, "~bench_average.KVF", true); }
void BM_LinearOld(benchmark::State& s) { RunOperation(s, OP_LINEAR, kSamples, "~bench_axb.KVF", true); }
void BM_RmsOld(benchmark::State& s) { RunOperation(s, OP_RMS, kSamples, "~bench_efu.KVF", true); }
void BM_AddSubOld(benchmark::State& s) { RunOperation(s, OP_ADD_SUB, kSamples, "~bench_addsub.KVF", true); }

BENCHMARK(BM_RawCopyReadWrite)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_SaveFragmentKvfOld)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_SaveChannelsOld)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_MovingAverage100)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MovingAverage100Old)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TableFunctionOld)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SaveFragmentTextOld)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Average10Old)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LinearOld)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RmsOld)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_AddSubOld)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RawMappedPass)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SampleValuePass)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_MovingAverage10)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Average10)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Linear)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Rms)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_AddSub)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TableFunction)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SaveChannels)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_SaveFragmentKvf)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_SaveFragmentKvfSd)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_SaveFragmentKvfSdOld)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_SaveFragmentText)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SpectrumFft4M)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_SpectrumDirect1M)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// --- one FFT: the former radix-2 transform and FFTW ---

std::vector<double> FftInput(size_t n) {
    std::vector<double> x(n);
    uint64_t state = 99;
    for (size_t k = 0; k < n; ++k) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        x[k] = std::sin(kTwoPi * 17.0 * k / n) + static_cast<double>(state >> 11) / 9007199254740992.0;
    }
    return x;
}

void BM_FftFormer(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    const std::vector<double> x = FftInput(n);
    std::vector<double> out(n);
    const oracle::FftTablesHold tables = oracle::HoldFftTables(n);
    for (auto _ : state) {
        oracle::FftMagnitudes(x.data(), out.data(), n);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}

// The engine's path: windowed samples in an aligned buffer, the transform, magnitudes of all bins.
void BM_FftFftw(benchmark::State& state) {
    const size_t n = static_cast<size_t>(state.range(0));
    const std::vector<double> x = FftInput(n);
    AlignedDoubles spectrum(RealFftOutputDoubles(n));
    std::vector<double> out(n), ref(n);
    const RealFftHold plan = RealFftPlanFor(n);
    for (auto _ : state) {
        std::copy(x.begin(), x.end(), spectrum.data()); // the windowing's writes
        ExecuteRealFft(*plan, spectrum.data());
        SpectrumMagnitudes(spectrum.data(), n, 0, n, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    oracle::FftMagnitudes(x.data(), ref.data(), n);
    double largest = 0, diff = 0;
    for (size_t b = 0; b < n; ++b) {
        largest = std::max(largest, ref[b]);
        diff = std::max(diff, std::fabs(out[b] - ref[b]));
    }
    state.counters["rel_diff"] = diff / largest;
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * n));
}
BENCHMARK(BM_FftFormer)->RangeMultiplier(4)->Range(1 << 10, 1 << 22)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_FftFftw)->RangeMultiplier(4)->Range(1 << 10, 1 << 22)->Unit(benchmark::kMicrosecond)->UseRealTime();

// --- the compute stage of an FFT spectrum: 4 channels of 2^22 points, one thread each ---

constexpr size_t kSpectrumN = size_t{1} << 22;

void BM_SpectrumFftStageFormer(benchmark::State& state) {
    const std::vector<double> x = FftInput(kSpectrumN);
    std::vector<std::vector<double>> out(4, std::vector<double>(kSpectrumN));
    for (auto _ : state) {
        const oracle::FftTablesHold tables = oracle::HoldFftTables(kSpectrumN);
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i)
            threads.emplace_back([&, i] { oracle::FftMagnitudes(x.data(), out[i].data(), kSpectrumN); });
        for (auto& t : threads)
            t.join();
    }
}

void BM_SpectrumFftStageFftw(benchmark::State& state) {
    const std::vector<double> x = FftInput(kSpectrumN);
    std::vector<AlignedDoubles> spectra;
    for (int i = 0; i < 4; ++i)
        spectra.emplace_back(RealFftOutputDoubles(kSpectrumN));
    std::vector<std::vector<double>> out(4, std::vector<double>(kSpectrumN));
    for (auto _ : state) {
        const RealFftHold plan = RealFftPlanFor(kSpectrumN); // made afresh: not kept at this size
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i)
            threads.emplace_back([&, i] {
                std::copy(x.begin(), x.end(), spectra[i].data()); // the windowing's writes
                ExecuteRealFft(*plan, spectra[i].data());
                SpectrumMagnitudes(spectra[i].data(), kSpectrumN, 0, kSpectrumN, out[i].data());
            });
        for (auto& t : threads)
            t.join();
    }
}
BENCHMARK(BM_SpectrumFftStageFormer)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_SpectrumFftStageFftw)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// --- direct Fourier sums: 10^6 positions, 400 points, 4 channels ---

constexpr int64_t kSumsH = 1'000'000, kSumsJ = 400;
constexpr double kSumsRate = 10000.0;

// The windowed samples of the big recording's first 10^6 positions.
void FillWindowed(float* w) {
    for (int64_t h = 0; h < kSumsH; ++h) {
        const float c = static_cast<float>(WindowCoefficient(WINDOW_HANN, static_cast<double>(h), static_cast<double>(kSumsH)));
        const double t = static_cast<double>(h) / kSumsRate;
        for (int i = 0; i < 4; ++i) {
            const float x = static_cast<float>((i + 1) * std::sin(kTwoPi * 50.0 * t + i) +
                                               0.01 * static_cast<double>((static_cast<uint64_t>(h) * 2654435761u >> 7) & 1023) / 1023.0);
            w[h * 4 + i] = static_cast<float>(x * c);
        }
    }
}

std::vector<double> ToDecibels(std::vector<double> m) {
    for (int i = 0; i < 4; ++i) {
        double mx = -1e20;
        for (int64_t S = 0; S < kSumsJ; ++S) {
            double& v = m[S * 4 + i];
            v = std::log2(v) * std::log10(2.0) * 20.0;
            mx = std::max(mx, v);
        }
        for (int64_t S = 0; S < kSumsJ; ++S)
            m[S * 4 + i] -= mx;
    }
    return m;
}

std::vector<double>& FormerDecibels() {
    static std::vector<double> db;
    return db;
}

// The former sums: one sine-cosine pair per frequency and position, 8 threads of frequencies.
void BM_DirectSumsFormer(benchmark::State& state) {
    const double T = static_cast<double>(kSumsH) / kSumsRate;
    oracle::DirectSums d;
    d.Allocate(kSumsH, kSumsJ, 4);
    FillWindowed(d.windowed.get());
    for (int64_t S = 0; S < kSumsJ; ++S)
        d.freq[S] = AnalysisFrequency(0, kTwoPi * 400, S, kSumsJ, T);
    for (auto _ : state) {
        std::fill(d.sinSum.get(), d.sinSum.get() + kSumsJ * 4, 0.0);
        std::fill(d.cosSum.get(), d.cosSum.get() + kSumsJ * 4, 0.0);
        std::vector<std::thread> threads;
        for (int k = 0; k < 8; ++k)
            threads.emplace_back([&d, k] { d.Run(kSumsJ * k / 8, kSumsJ * (k + 1) / 8, kSumsRate); });
        for (auto& t : threads)
            t.join();
    }
    std::vector<double> m(kSumsJ * 4);
    d.Magnitudes(T, kSumsRate, m.data());
    FormerDecibels() = ToDecibels(m);
}

// One DFT per channel, the channels on threads of their own; the plan is made in the timing.
void BM_DirectSumsFftw(benchmark::State& state) {
    const double T = static_cast<double>(kSumsH) / kSumsRate;
    DirectSums d;
    d.Allocate(kSumsH, kSumsJ, 4);
    FillWindowed(d.windowed.get());
    for (int64_t S = 0; S < kSumsJ; ++S)
        d.periods[S] = AnalysisPeriods(0, kTwoPi * 400, S, kSumsJ, T);
    std::vector<AlignedDoubles> work;
    for (int i = 0; i < 4; ++i)
        work.emplace_back(RealFftOutputDoubles(kSumsH));
    for (auto _ : state) {
        const RealFftHold plan = RealFftPlanFor(kSumsH);
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i)
            threads.emplace_back([&, i] { d.Channel(i, *plan, work[i].data()); });
        for (auto& t : threads)
            t.join();
    }
    std::vector<double> m(kSumsJ * 4);
    d.Magnitudes(T, kSumsRate, m.data());
    const std::vector<double> db = ToDecibels(m);
    const std::vector<double>& former = FormerDecibels();
    if (former.size() == db.size()) { // the former ran first in this process
        double worst = 0;
        for (size_t k = 0; k < db.size(); ++k)
            if (former[k] > -100.0)
                worst = std::max(worst, std::fabs(db[k] - former[k]));
        state.counters["max_db_diff_above_-100"] = worst;
    }
}
BENCHMARK(BM_DirectSumsFormer)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_DirectSumsFftw)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

} // namespace
