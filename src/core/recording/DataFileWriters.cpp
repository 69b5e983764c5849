// CDataFile: the stored display settings and the header writers of derived and
// result recordings.
#include "core/recording/DataFile.h"

#include "core/recording/DataFileParts.h"
#include "core/recording/DisplayDefaults.h"
#include "platform/FileTimes.h"

#include <bit>
#include <cstdio>

namespace vistrel {

using namespace kvf;
using datafile::NameStartsWithTilde;

void CDataFile::ApplyAdcBlock(Display& d) const
{
    if (std::memcmp(m_adcBlock, "ADCBLOCK", 8) != 0) return;
    const std::uint32_t flags = Get<std::uint32_t>(m_adcBlock + 8);
    const int n = m_nChannels;
    const int blockSize = m_nAdcBlockSize;
    // The stored selected channel is an index into the window's tables: only a valid one is taken.
    if (blockSize >= 16) {
        const std::int32_t sel = Get<std::int32_t>(m_adcBlock + 12);
        if (sel >= 0 && sel < n) d.selected = sel;
    }
    int running = 16;
    if (flags & kAdcColours) {
        if (running + 4 * n <= blockSize)
            for (int i = 0; i < n; ++i) d.colours[i] = Get<std::uint32_t>(m_adcBlock + 16 + 4 * i);
        running += 4 * n;
    }
    if (flags & kAdcWidths) {
        if (running + 4 * n <= blockSize)
            for (int i = 0; i < n; ++i) {
                const std::uint32_t w = Get<std::uint32_t>(m_adcBlock + running + 4 * i);
                d.widths[i] = static_cast<int>(w & kWidthMask);
                if ((flags & kAdcHidden) && (w & kHiddenBit)) d.visible[i] = 0;
            }
        running += 4 * n;
    }
}
void CDataFile::ReadDisplaySettings(int* selected, std::uint32_t* colours, int* visible, int* widths) const
{
    if (std::memcmp(m_adcBlock, "ADCBLOCK", 8) != 0) return;
    Display d;
    d.selected = selected ? *selected : 0;
    for (int i = 0; i < kMaxChannels; ++i) {
        d.colours[i] = colours ? colours[i] : DefaultTraceColour(i);
        d.visible[i] = visible ? visible[i] : 1;
        d.widths[i] = widths ? widths[i] : 1;
    }
    ApplyAdcBlock(d);
    if (selected) *selected = d.selected;
    for (int i = 0; i < m_nChannels; ++i) {
        if (colours) colours[i] = d.colours[i];
        if (visible) visible[i] = d.visible[i];
        if (widths) widths[i] = d.widths[i];
    }
}

void CDataFile::ApplyDisplaySettings(int* selected, std::uint32_t* colours, int* visible, int* widths)
{
    m_pSelected = selected;
    m_pColours = colours;
    m_pVisible = visible;
    m_pWidths = widths;
    if (std::memcmp(m_adcBlock, "ADCBLOCK", 8) == 0) m_nAdcFlags = Get<std::uint32_t>(m_adcBlock + 8);
    ReadDisplaySettings(selected, colours, visible, widths);
}

CDataFile::Display CDataFile::CurrentDisplay(const HeaderDisplay* display) const
{
    // The given tables, else the plot window's when it recorded them, otherwise what a new
    // window would show.
    const int* selected = display ? &display->selected : m_pSelected;
    const std::uint32_t* colours = display ? display->colours : m_pColours;
    const int* visible = display ? display->visible : m_pVisible;
    const int* widths = display ? display->widths : m_pWidths;
    Display d;
    d.selected = 0;
    for (int i = 0; i < kMaxChannels; ++i) {
        d.colours[i] = DefaultTraceColour(i);
        d.visible[i] = 1;
        d.widths[i] = 1;
    }
    if (!display && !selected && !colours && !visible && !widths) ApplyAdcBlock(d);
    if (selected) d.selected = *selected;
    for (int i = 0; i < kMaxChannels; ++i) {
        if (colours) d.colours[i] = colours[i];
        if (visible) d.visible[i] = visible[i];
        if (widths) d.widths[i] = widths[i];
    }
    return d;
}

CDataFile::HeaderImages CDataFile::Images() const
{
    HeaderImages img;
    std::memcpy(img.signature, m_signature, sizeof m_signature);
    std::memcpy(img.format, m_format, sizeof m_format);
    std::memcpy(img.chInfoHeader, m_chInfoHeader, sizeof m_chInfoHeader);
    std::memcpy(img.chInfoHead, m_chInfoHead, sizeof m_chInfoHead);
    std::memcpy(img.channels, m_channels, sizeof m_channels);
    std::memcpy(img.carried, m_carried, sizeof m_carried);
    std::memcpy(img.samplesRecord, m_samplesRecord, sizeof m_samplesRecord);
    std::memcpy(img.adcBlock, m_adcBlock, sizeof m_adcBlock);
    img.adcBlockSize = m_nAdcBlockSize;
    return img;
}

void CDataFile::SetImages(const HeaderImages& img)
{
    std::memcpy(m_signature, img.signature, sizeof m_signature);
    std::memcpy(m_format, img.format, sizeof m_format);
    std::memcpy(m_chInfoHeader, img.chInfoHeader, sizeof m_chInfoHeader);
    std::memcpy(m_chInfoHead, img.chInfoHead, sizeof m_chInfoHead);
    std::memcpy(m_channels, img.channels, sizeof m_channels);
    std::memcpy(m_carried, img.carried, sizeof m_carried);
    std::memcpy(m_samplesRecord, img.samplesRecord, sizeof m_samplesRecord);
    std::memcpy(m_adcBlock, img.adcBlock, sizeof m_adcBlock);
    m_nAdcBlockSize = img.adcBlockSize;
}

void CDataFile::SaveHeader() { m_save = Images(); }

void CDataFile::RestoreHeader() { SetImages(m_save); }

int CDataFile::WriteImages(const HeaderImages& img, const std::filesystem::path& path, int entries)
{
    std::FILE* f = platform::OpenFile(path, "wb");
    if (!f) return 0;
    bool ok = std::fwrite(img.signature, 1, kSignatureSize, f) == size_t(kSignatureSize);
    ok = ok && std::fwrite(img.format, 1, kFormatSize, f) == size_t(kFormatSize);
    ok = ok && std::fwrite(img.chInfoHeader, 1, kChInfoHeaderSize, f) == size_t(kChInfoHeaderSize);
    ok = ok && std::fwrite(img.chInfoHead, 1, kChInfoHeadSize, f) == size_t(kChInfoHeadSize);
    const size_t entryBytes = size_t(entries) * kChannelEntrySize;
    ok = ok && std::fwrite(img.channels, 1, entryBytes, f) == entryBytes;
    const size_t adcBytes = size_t(img.adcBlockSize);
    ok = ok && std::fwrite(img.adcBlock, 1, adcBytes, f) == adcBytes;
    ok = ok && std::fwrite(img.carried, 1, kCarriedSize, f) == size_t(kCarriedSize);
    ok = ok && std::fwrite(img.samplesRecord, 1, kSamplesRecordSize, f) == size_t(kSamplesRecordSize);
    ok = (std::fclose(f) == 0) && ok;
    // A header that could not be written completely is no recording: report the failure.
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
    return ok ? 1 : 0;
}

namespace {

// Signature, format block (all but the channel word and rate) and "CHANNELS_INFO_HEADER" of
// a written float recording.
template <class Images>
void PutCommonBlocks(Images& img)
{
    PutBlockHead(img.signature, "", 0);
    std::memcpy(img.signature, "TORVENFFS", 9);
    PutBlockHead(img.format, "SAMPLES_FORMAT", 20);
    Put<std::int32_t>(img.format + kFmtVersion, 7);
    img.format[kFmtType] = 1;
    img.format[kFmtType + 1] = 0;
    img.format[kFmtType + 2] = 0;
    PutBlockHead(img.chInfoHeader, "CHANNELS_INFO_HEADER", 20);
    Put<std::int32_t>(img.chInfoHeader + 32, 3);
}

} // namespace

int CDataFile::WriteDerivedHeader(const std::filesystem::path& path, int divisor, const float* gains,
                                  const float* offsets, const float* rate, const HeaderDisplay* display,
                                  HiddenChannels hidden) const
{
    if (m_nChannels <= 0) return 0;
    const Display disp = CurrentDisplay(display);
    HeaderImages img = Images();

    const int n = m_nChannels;
    const int D = m_nDevices;
    const int P = D != 0 ? n / D : n;
    // Bits of devices the recording does not have are ignored.
    std::uint32_t M = display ? display->deviceMask : m_deviceMask;
    if (D < 8) M &= (1u << D) - 1;
    int Dp = M != 0 ? std::popcount(M) : D;
    if (Dp == 1) Dp = 0;

    PutCommonBlocks(img);
    double newRate = static_cast<double>(m_fRate) / (divisor != 0 ? divisor : 1);
    if (rate) newRate = *rate;
    Put<double>(img.format + kFmtRate, newRate);

    const bool tilde = hidden == HiddenChannels::ByName ? NameStartsWithTilde(path)
                                                        : hidden == HiddenChannels::LeaveOut;
    int included[kMaxChannels];
    int count = 0;
    for (int i = 0; i < n; ++i) {
        const bool shown = !tilde || disp.visible[i];
        const int dev = i / P;
        const bool device = M == 0 || (dev < 8 && ((M >> dev) & 1));
        if (!(shown && device)) continue;
        const std::uint8_t* e = m_channels + i * kChannelEntrySize;
        double lo = Get<double>(e + 4), hi = Get<double>(e + 12);
        if (gains) {
            const double off = offsets ? offsets[i] : 0.0;
            lo = gains[i] * lo + off;
            hi = gains[i] * hi + off;
        }
        std::uint8_t* out = img.channels + count * kChannelEntrySize;
        Put<std::int32_t>(out, Get<std::int32_t>(e));
        Put<double>(out + 4, lo);
        Put<double>(out + 12, hi);
        included[count++] = i;
    }
    // The channel count always equals the entries written; the device split is kept only
    // while the written channels still fill whole devices.
    if (!(Dp >= 2 && count == P * Dp)) Dp = 0;
    const std::uint32_t word = static_cast<std::uint32_t>(count) | (static_cast<std::uint32_t>(Dp) << 16);
    Put<std::uint32_t>(img.format + kFmtChannelWord, word);

    const int A = 16 + 8 * count;
    PutBlockHead(img.chInfoHead, "CHANNELS_INFO", 20LL * (word & 0x1FF) + A);

    std::int32_t selected = M != 0 ? 0
                           : (std::memcmp(m_adcBlock, "ADCBLOCK", 8) == 0 ? Get<std::int32_t>(m_adcBlock + 12) : 0);
    for (int j = 0; j < count; ++j)
        if (included[j] == disp.selected) selected = j;
    if (selected < 0 || selected >= count) selected = 0;
    std::memset(img.adcBlock, 0, sizeof img.adcBlock);
    std::memcpy(img.adcBlock, "ADCBLOCK", 8);
    Put<std::uint32_t>(img.adcBlock + 8, kAdcAlways | kAdcColours | kAdcWidths | (tilde ? 0 : kAdcHidden));
    Put<std::int32_t>(img.adcBlock + 12, selected);
    for (int j = 0; j < count; ++j) {
        const int i = included[j];
        Put<std::uint32_t>(img.adcBlock + 16 + 4 * j, disp.colours[i]);
        std::uint32_t w = static_cast<std::uint32_t>(disp.widths[i]) & kWidthMask;
        if (!disp.visible[i]) w |= kHiddenBit;
        Put<std::uint32_t>(img.adcBlock + 16 + 4 * count + 4 * j, w);
    }
    img.adcBlockSize = A;
    return WriteImages(img, path, count);
}

int CDataFile::WriteResultHeader(const std::filesystem::path& path, const OutputChannelList& list, float rate) const
{
    if (list.count < 0 || list.count > kMaxOutputChannels) return 0;
    const int count = list.count;
    HeaderImages img = Images();

    PutCommonBlocks(img);
    Put<std::uint32_t>(img.format + kFmtChannelWord, static_cast<std::uint32_t>(count));
    Put<double>(img.format + kFmtRate, static_cast<double>(rate != 0.0f ? rate : m_fRate));

    for (int i = 0; i < count; ++i) {
        std::uint8_t* out = img.channels + i * kChannelEntrySize;
        Put<std::int32_t>(out, i + 1);
        Put<double>(out + 4, static_cast<double>(list.rangeLow[i]));
        Put<double>(out + 12, static_cast<double>(list.rangeHigh[i]));
    }
    const int A = 16 + 8 * count;
    PutBlockHead(img.chInfoHead, "CHANNELS_INFO", 20LL * count + A);

    std::memset(img.adcBlock, 0, sizeof img.adcBlock);
    std::memcpy(img.adcBlock, "ADCBLOCK", 8);
    std::uint32_t flags = list.spectrumPoints != 0 ? (kAdcAlways | kAdcDecibel) : kAdcAlways;
    Put<std::uint32_t>(img.adcBlock + 8, flags | kAdcColours | kAdcWidths);
    Put<std::int32_t>(img.adcBlock + 12, 0);
    for (int i = 0; i < count; ++i) {
        Put<std::uint32_t>(img.adcBlock + 16 + 4 * i, list.colours[i]);
        Put<std::int32_t>(img.adcBlock + 16 + 4 * count + 4 * i, list.widths[i]);
    }
    img.adcBlockSize = A;
    return WriteImages(img, path, count);
}

} // namespace vistrel
