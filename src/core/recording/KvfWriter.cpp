#include "core/recording/KvfWriter.h"

#include "core/recording/DisplayDefaults.h"
#include "platform/FileTimes.h"

namespace vistrel {

using namespace kvf;

std::vector<std::uint8_t> BuildFloatRecordingHeader(const FloatRecordingLayout& L)
{
    std::vector<std::uint8_t> h;
    auto append = [&](const void* p, size_t n) {
        auto b = static_cast<const std::uint8_t*>(p);
        h.insert(h.end(), b, b + n);
    };
    std::uint8_t block[kFormatSize] = {};
    PutBlockHead(block, "", 0);
    std::memcpy(block, "TORVENFFS", 9);
    append(block, kSignatureSize);

    std::memset(block, 0, sizeof block);
    PutBlockHead(block, "SAMPLES_FORMAT", 20);
    Put<std::int32_t>(block + kFmtVersion, 7);
    const std::uint32_t devices = L.devices <= 1 ? 0u : static_cast<std::uint32_t>(L.devices);
    Put<std::uint32_t>(block + kFmtChannelWord, (static_cast<std::uint32_t>(L.channels) & 0x1FF) | devices << 16);
    Put<double>(block + kFmtRate, L.rate);
    block[kFmtType] = 1;
    block[kFmtMode] = static_cast<std::uint8_t>(L.mode);
    append(block, kFormatSize);

    if (!L.shortLayout) {
        const int n = L.channels;
        std::vector<std::uint8_t> adc = L.rawAdcBlock;
        if (adc.empty() && L.adcBlock) {
            adc.resize(12);
            std::memcpy(adc.data(), "ADCBLOCK", 8);
            Put<std::uint32_t>(adc.data() + 8, L.adcFlags);
            auto push = [&](std::uint32_t v) {
                std::uint8_t b[4];
                Put(b, v);
                adc.insert(adc.end(), b, b + 4);
            };
            if (L.adcFlags & kAdcColours) {
                push(static_cast<std::uint32_t>(L.selected));
                for (int i = 0; i < n; ++i)
                    push(i < int(L.colours.size()) ? L.colours[i] : DefaultTraceColour(i));
            }
            if (L.adcFlags & kAdcWidths)
                for (int i = 0; i < n; ++i) push(i < int(L.widthWords.size()) ? L.widthWords[i] : 1u);
        }
        std::memset(block, 0, sizeof block);
        PutBlockHead(block, "CHANNELS_INFO_HEADER", 20);
        Put<std::int32_t>(block + 32, 3);
        append(block, kChInfoHeaderSize);
        PutBlockHead(block, "CHANNELS_INFO", 20LL * n + static_cast<std::int64_t>(adc.size()));
        append(block, kChInfoHeadSize);
        for (int i = 0; i < n; ++i) {
            ChannelEntry e{i + 1, -10.0, 10.0};
            if (i < int(L.entries.size())) e = L.entries[i];
            std::uint8_t entry[kChannelEntrySize];
            Put(entry, e.number);
            Put(entry + 4, e.low);
            Put(entry + 12, e.high);
            append(entry, kChannelEntrySize);
        }
        append(adc.data(), adc.size());
        append(L.carried, kCarriedSize);
    }
    PutBlockHead(block, "SAMPLES_RECORD", 0);
    append(block, kSamplesRecordSize);
    return h;
}

bool WriteFloatRecording(const std::filesystem::path& path, const FloatRecordingLayout& layout,
                         std::uint64_t samples, const RowFunction& row, std::optional<std::int64_t> fileTime)
{
    std::FILE* f = platform::OpenFile(path, "wb");
    if (!f) return false;
    const auto header = BuildFloatRecordingHeader(layout);
    bool ok = std::fwrite(header.data(), 1, header.size(), f) == header.size();
    const size_t n = static_cast<size_t>(layout.channels);
    constexpr size_t kRows = 4096;
    std::vector<float> buf(kRows * n);
    for (std::uint64_t k = 0; ok && k < samples;) {
        const size_t rows = static_cast<size_t>(std::min<std::uint64_t>(kRows, samples - k));
        for (size_t r = 0; r < rows; ++r) row(k + r, buf.data() + r * n);
        ok = std::fwrite(buf.data(), sizeof(float), rows * n, f) == rows * n;
        k += rows;
    }
    ok = (std::fclose(f) == 0) && ok;
    if (ok && fileTime) ok = platform::SetFileTimes(path, *fileTime, *fileTime, *fileTime);
    return ok;
}

} // namespace vistrel
