#include "support/Fixtures.h"

#include "core/recording/TimeBase.h"
#include "platform/FileTimes.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

namespace vistrel::test {

using namespace kvf;

TempDir::TempDir()
{
    static std::atomic<int> counter{0};
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto p = base / ("vistrel-test-" + std::to_string(rd()) + "-" + std::to_string(counter++));
        std::error_code ec;
        if (std::filesystem::create_directory(p, ec)) {
            m_path = p;
            break;
        }
    }
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

bool WriteFloatFixture(const std::filesystem::path& path, const FloatFixture& fx)
{
    const int n = fx.layout.channels;
    bool ok = WriteFloatRecording(path, fx.layout, fx.samples, [&](std::uint64_t k, float* row) {
        for (int c = 0; c < n; ++c) row[c] = fx.value(k, c);
    });
    if (!ok) return false;
    if (fx.trailingBytes) {
        std::FILE* f = platform::OpenFile(path, "ab");
        if (!f) return false;
        for (std::uint64_t i = 0; i < fx.trailingBytes; ++i) std::fputc(0x5A, f);
        std::fclose(f);
    }
    if (fx.fileTime) return platform::SetFileTimes(path, *fx.fileTime, *fx.fileTime, *fx.fileTime);
    return true;
}

bool WriteSdFixture(const std::filesystem::path& path, const SdFixture& fx)
{
    std::vector<std::uint8_t> h(kSdHeaderLength, 0);
    PutBlockHead(h.data(), "", 0);
    std::memcpy(h.data(), "TORVENFFS", 9);
    PutBlockHead(h.data() + 32, "SAMPLES_FORMAT", 20);
    Put<std::int32_t>(h.data() + 64, 7);
    Put<double>(h.data() + 72, fx.rate);
    h[80] = 6;
    std::uint8_t* sd = h.data() + kSdHeaderOffset;
    sd[kSdMode] = static_cast<std::uint8_t>((fx.twoChannel ? 4 : 0) | fx.extraModeFlags);
    sd[kSdDescCount] = static_cast<std::uint8_t>(fx.descriptorCountOverride ? fx.descriptorCountOverride
                                                                            : static_cast<std::int8_t>(fx.descriptors.size()));
    for (size_t i = 0; i < fx.descriptors.size() && i < 53; ++i) Put(sd + kSdDescriptors + 2 * i, fx.descriptors[i]);
    for (int e = 0; e < 5; ++e) {
        Put(sd + kSdKdev + 4 * e, fx.kdev[e]);
        Put(sd + kSdB1cal + 4 * e, fx.b1cal[e]);
        Put(sd + kSdK1cal + 4 * e, fx.k1cal[e]);
        Put(sd + kSdB2cal + 4 * e, fx.b2cal[e]);
        Put(sd + kSdK2cal + 4 * e, fx.k2cal[e]);
    }
    Put(sd + kSdAdcRange, fx.adcRange);
    std::memcpy(sd + kSdTime, fx.time, 6);
    // The "SAMPLES_RECORD" head sits behind the optional ADC block.
    const size_t H = 480 + fx.adcBlock.size() + 32;
    std::vector<std::uint8_t> out(H + size_t(kSectorBytes) * fx.sectorNumbers.size(), 0);
    std::memcpy(out.data(), h.data(), 480);
    if (!fx.adcBlock.empty()) std::memcpy(out.data() + 480, fx.adcBlock.data(), fx.adcBlock.size());
    PutBlockHead(out.data() + H - 32, "SAMPLES_RECORD", 0);
    for (size_t p = 0; p < fx.sectorNumbers.size(); ++p) {
        const std::uint32_t sn = fx.sectorNumbers[p];
        std::uint8_t* sector = out.data() + H + p * kSectorBytes;
        std::memset(sector, 0xFF, kSectorBytes);
        Put<std::uint32_t>(sector, sn);
        if (sn != kUnwritten) {
            Put<std::uint32_t>(sector + 4, 0);
            for (int r = 0; r < kCountsPerSector; ++r)
                Put<std::uint16_t>(sector + 8 + 2 * r, fx.count(std::uint64_t(sn) * kCountsPerSector + r));
        }
    }
    out.insert(out.end(), fx.trailingBytes, 0x00);
    WriteAll(path, out);
    return std::filesystem::file_size(path) == out.size();
}

std::vector<std::uint32_t> RingNumbers(std::uint32_t S, std::uint32_t oldestAt, std::uint32_t oldestNumber,
                                       std::uint32_t written)
{
    std::vector<std::uint32_t> v(S, kUnwritten);
    for (std::uint32_t i = 0; i < written && i < S; ++i) v[(oldestAt + i) % S] = oldestNumber + i;
    return v;
}

std::vector<std::uint8_t> MakeAdcBlock(std::uint32_t flags, std::int32_t selected,
                                       const std::vector<std::uint32_t>& colours,
                                       const std::vector<std::uint32_t>& widthWords)
{
    std::vector<std::uint8_t> b(12);
    std::memcpy(b.data(), "ADCBLOCK", 8);
    Put(b.data() + 8, flags);
    auto push = [&](std::uint32_t v) {
        std::uint8_t x[4];
        Put(x, v);
        b.insert(b.end(), x, x + 4);
    };
    if (flags & kAdcColours) {
        push(static_cast<std::uint32_t>(selected));
        for (auto c : colours) push(c);
    }
    if (flags & kAdcWidths)
        for (auto w : widthWords) push(w);
    return b;
}

std::int64_t UtcFileTime(int year, int month, int day, int hour, int minute, int second, int ms)
{
    FileTimeParts p;
    p.year = year;
    p.month = month;
    p.day = day;
    p.hour = hour;
    p.minute = minute;
    p.second = second;
    p.millisecond = ms;
    std::int64_t ft = 0;
    MakeFileTime(p, ft);
    return ft;
}

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace vistrel::test
