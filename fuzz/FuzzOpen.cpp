// libFuzzer target: CDataFile::Open on arbitrary bytes, then reads of the first and last
// samples of every channel, the display settings and a derived header.

#include "core/recording/DataFile.h"
#include "core/recording/DisplayDefaults.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace vistrel;

namespace {

struct QuietObserver : IOpenObserver {
    void ProgressTitle(int) override {}
    void Progress(int) override {}
    void Error(int) override {}
};

// A memory-backed folder when there is one: the target writes two files per input.
std::filesystem::path WorkDir()
{
    std::error_code ec;
    if (std::filesystem::is_directory("/dev/shm", ec)) return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

const std::filesystem::path& WorkFile()
{
    static const std::filesystem::path p =
        WorkDir() / ("vistrel-fuzz-" + std::to_string(getpid()) + ".kvf");
    return p;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const auto& path = WorkFile();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    QuietObserver observer;
    CDataFile file(&observer);
    if (!file.Open(path)) return 0;
    const int n = file.Channels();
    const std::int64_t samples = file.Samples();
    volatile long double sink = 0;
    for (int c = 0; c < n; ++c) {
        sink = sink + file.SampleValue(0, c);
        if (samples > 0) sink = sink + file.SampleValue(static_cast<std::uint64_t>(samples - 1), c);
        sink = sink + file.SampleValue(static_cast<std::uint64_t>(samples), c);
        sink = sink + file.RawCount(static_cast<std::uint64_t>(samples / 2), c);
    }
    int selected = 0, visible[256], widths[256];
    std::uint32_t colours[256];
    for (int i = 0; i < 256; ++i) visible[i] = 1, widths[i] = 1, colours[i] = DefaultTraceColour(i);
    file.ApplyDisplaySettings(&selected, colours, visible, widths);
    if (selected < 0 || selected >= n) __builtin_trap();
    const auto out = path.string() + ".out";
    file.SetDeviceMask(static_cast<std::uint8_t>(size));
    if (file.WriteDerivedHeader(out, 1)) {
        // Whatever this program writes, it must read back.
        CDataFile again;
        if (!again.Open(out)) __builtin_trap();
    }
    std::remove(out.c_str());
    return 0;
}
