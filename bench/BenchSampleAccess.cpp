// Sequential scans of every sample of every channel of a >= 1 GiB float recording and a
// >= 1 GiB SD-card image through CDataFile::SampleValue, next to raw scans of the same
// mapping. The files are generated in the temporary folder on first use.

#include "core/recording/DataFile.h"
#include "core/recording/KvfWriter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

using namespace vistrel;
using namespace vistrel::kvf;

namespace {

constexpr int kFloatChannels = 8;
constexpr std::uint64_t kFloatSamples = (1ULL << 30) / (4 * kFloatChannels) + 1000;
constexpr int kSdChannels = 4;
constexpr std::uint32_t kSdSectors = (1u << 30) / kSectorBytes + 64;

std::filesystem::path FloatPath() { return std::filesystem::temp_directory_path() / "vistrel-bench-float.kvf"; }
std::filesystem::path SdPath() { return std::filesystem::temp_directory_path() / "vistrel-bench-sd.kvf"; }

void MakeFloatFile()
{
    const auto path = FloatPath();
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && std::filesystem::file_size(path, ec) >= (1ULL << 30)) return;
    FloatRecordingLayout layout;
    layout.channels = kFloatChannels;
    layout.rate = 10000.0;
    WriteFloatRecording(path, layout, kFloatSamples, [](std::uint64_t k, float* row) {
        for (int c = 0; c < kFloatChannels; ++c) row[c] = static_cast<float>((k * (c + 1)) % 1000) * 0.01f;
    });
}

// A wrapped ring: the oldest sector sits at a third of the card.
void MakeSdFile()
{
    const auto path = SdPath();
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && std::filesystem::file_size(path, ec) >= (1ULL << 30)) return;
    std::vector<std::uint8_t> h(kSdHeaderLength, 0);
    PutBlockHead(h.data(), "", 0);
    std::memcpy(h.data(), "TORVENFFS", 9);
    PutBlockHead(h.data() + 32, "SAMPLES_FORMAT", 20);
    Put<std::int32_t>(h.data() + 64, 7);
    Put<double>(h.data() + 72, 10000.0);
    h[80] = 6;
    std::uint8_t* sd = h.data() + kSdHeaderOffset;
    sd[kSdDescCount] = kSdChannels;
    for (int e = 0; e < 5; ++e) {
        Put<std::uint32_t>(sd + kSdKdev + 4 * e, 1u << e);
        Put<float>(sd + kSdK1cal + 4 * e, 1.0f + 0.01f * e);
        Put<float>(sd + kSdB1cal + 4 * e, 3.0f * e);
    }
    for (int c = 0; c < kSdChannels; ++c) Put<std::uint16_t>(sd + kSdDescriptors + 2 * c, static_cast<std::uint16_t>(c << 8));
    Put<float>(sd + kSdAdcRange, 10.0f);
    PutBlockHead(h.data() + 480, "SAMPLES_RECORD", 0);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(h.data(), 1, h.size(), f);
    const std::uint32_t oldestAt = kSdSectors / 3, oldestNumber = 1000000;
    std::vector<std::uint8_t> buf(kSectorBytes * 4096);
    for (std::uint32_t p = 0; p < kSdSectors;) {
        const std::uint32_t chunk = std::min<std::uint32_t>(4096, kSdSectors - p);
        for (std::uint32_t i = 0; i < chunk; ++i) {
            const std::uint32_t phys = p + i;
            const std::uint32_t sn = oldestNumber + (phys + kSdSectors - oldestAt) % kSdSectors;
            std::uint8_t* s = buf.data() + kSectorBytes * i;
            Put<std::uint32_t>(s, sn);
            Put<std::uint32_t>(s + 4, 0);
            for (int r = 0; r < kCountsPerSector; ++r)
                Put<std::uint16_t>(s + 8 + 2 * r, static_cast<std::uint16_t>(32768 + ((sn * 124u + r) % 2000) - 1000));
        }
        std::fwrite(buf.data(), kSectorBytes, chunk, f);
        p += chunk;
    }
    std::fclose(f);
}

// Touches every page once so that no scan pays the first page faults of the mapping.
void Prefault(const CDataFile& f)
{
    const std::uint8_t* p = f.MappedData();
    std::uint64_t sum = 0;
    for (std::uint64_t i = 0; p && i < f.FileSize(); i += 4096) sum += p[i];
    benchmark::DoNotOptimize(sum);
}

CDataFile& Float()
{
    static CDataFile* f = [] {
        MakeFloatFile();
        auto* d = new CDataFile;
        if (!d->Open(FloatPath())) std::fprintf(stderr, "cannot open %s\n", FloatPath().c_str());
        Prefault(*d);
        return d;
    }();
    return *f;
}

CDataFile& Sd()
{
    static CDataFile* f = [] {
        MakeSdFile();
        auto* d = new CDataFile;
        if (!d->Open(SdPath())) std::fprintf(stderr, "cannot open %s\n", SdPath().c_str());
        Prefault(*d);
        return d;
    }();
    return *f;
}

void Report(benchmark::State& state, const CDataFile& f)
{
    const auto values = static_cast<std::int64_t>(f.Samples()) * f.Channels();
    state.SetItemsProcessed(state.iterations() * values);
}

// Every value of every channel through `value(k, c)`, summed so nothing is optimised away.
template <class Sum, class Value>
void ScanValues(benchmark::State& state, const CDataFile& f, Value value)
{
    const std::uint64_t samples = static_cast<std::uint64_t>(f.Samples());
    const int n = f.Channels();
    for (auto _ : state) {
        Sum sum = 0;
        for (std::uint64_t k = 0; k < samples; ++k)
            for (int c = 0; c < n; ++c) sum += static_cast<Sum>(value(k, c));
        benchmark::DoNotOptimize(sum);
    }
    Report(state, f);
}

void BM_FloatRawScan(benchmark::State& state)
{
    const CDataFile& f = Float();
    const std::uint64_t count = static_cast<std::uint64_t>(f.Samples()) * f.Channels();
    const std::uint8_t* p = f.DataArea();
    for (auto _ : state) {
        double sum = 0;
        for (std::uint64_t i = 0; i < count; ++i) {
            float v;
            std::memcpy(&v, p + 4 * i, 4);
            sum += v;
        }
        benchmark::DoNotOptimize(sum);
    }
    Report(state, f);
}

void BM_FloatSampleValue(benchmark::State& state)
{
    const CDataFile& f = Float();
    ScanValues<double>(state, f, [&f](std::uint64_t k, int c) { return f.SampleValue(k, c); });
}

void BM_SdRawScan(benchmark::State& state)
{
    const CDataFile& f = Sd();
    const std::uint8_t* p = f.DataArea();
    const std::uint32_t sectors = f.Sectors();
    for (auto _ : state) {
        std::uint64_t sum = 0;
        for (std::uint32_t s = 0; s < sectors; ++s) {
            const std::uint8_t* sec = p + std::uint64_t(kSectorBytes) * s + 8;
            for (int r = 0; r < kCountsPerSector; ++r) {
                std::uint16_t v;
                std::memcpy(&v, sec + 2 * r, 2);
                sum += v;
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    Report(state, f);
}

void BM_SdRawCount(benchmark::State& state)
{
    const CDataFile& f = Sd();
    ScanValues<std::uint64_t>(state, f, [&f](std::uint64_t k, int c) { return f.RawCount(k, c); });
}

void BM_SdSampleValue(benchmark::State& state)
{
    const CDataFile& f = Sd();
    ScanValues<double>(state, f, [&f](std::uint64_t k, int c) { return f.SampleValue(k, c); });
}

// The conversion by the calibration formula, without the tables (the former SampleValue).
void BM_SdSampleValueByFormula(benchmark::State& state)
{
    const CDataFile& f = Sd();
    ScanValues<double>(state, f, [&f](std::uint64_t k, int c) { return f.SdValueByFormula(k, c); });
}

// Runs of one channel at a time through the sequential reader.
void BM_SdReadRun(benchmark::State& state)
{
    const CDataFile& f = Sd();
    const std::uint64_t samples = static_cast<std::uint64_t>(f.Samples());
    const int n = f.Channels();
    constexpr std::size_t kRun = 4096;
    std::vector<long double> buf(kRun);
    for (auto _ : state) {
        double sum = 0;
        for (int c = 0; c < n; ++c)
            for (std::uint64_t k = 0; k < samples; k += kRun) {
                const std::size_t len = static_cast<std::size_t>(std::min<std::uint64_t>(kRun, samples - k));
                f.ReadRun(k, len, c, buf.data());
                for (std::size_t i = 0; i < len; ++i) sum += static_cast<double>(buf[i]);
            }
        benchmark::DoNotOptimize(sum);
    }
    Report(state, f);
}

// Whole rows, as the plot's column pass reads them.
void BM_SdReadRow(benchmark::State& state)
{
    const CDataFile& f = Sd();
    const std::uint64_t samples = static_cast<std::uint64_t>(f.Samples());
    const int n = f.Channels();
    int channels[kSdChannels];
    for (int c = 0; c < n; ++c) channels[c] = c;
    long double row[kSdChannels];
    for (auto _ : state) {
        double sum = 0;
        for (std::uint64_t k = 0; k < samples; ++k) {
            f.ReadRow(k, channels, n, row);
            for (int c = 0; c < n; ++c) sum += static_cast<double>(row[c]);
        }
        benchmark::DoNotOptimize(sum);
    }
    Report(state, f);
}

} // namespace

BENCHMARK(BM_FloatRawScan)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FloatSampleValue)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SdRawScan)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SdRawCount)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SdSampleValue)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SdSampleValueByFormula)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SdReadRun)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SdReadRow)->Unit(benchmark::kMillisecond)->Iterations(3);
