#include "core/processing/RowBlocks.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "core/recording/DataFile.h"

namespace vistrel {

RowBlockReader::RowBlockReader(const CDataFile& source, std::vector<int> channels)
    : m_src(source), m_channels(std::move(channels)) {
    const int n = source.Channels();
    m_plain = source.Type() == 1 && source.DataArea() != nullptr;
    m_wholeRows = static_cast<int>(m_channels.size()) == n;
    for (size_t i = 0; i < m_channels.size(); ++i) {
        if (m_channels[i] < 0 || m_channels[i] >= n)
            m_valid = false;
        if (m_channels[i] != static_cast<int>(i))
            m_wholeRows = false;
    }
}

void RowBlockReader::Read(int64_t p, size_t count, float* out) const {
    ReadRows(p, count, out);
}

void RowBlockReader::Read(int64_t p, size_t count, long double* out) const {
    ReadRows(p, count, out);
}

template <class T>
void RowBlockReader::ReadRows(int64_t p, size_t count, T* out) const {
    const size_t w = m_channels.size();
    if (count == 0 || w == 0)
        return;
    // Rows before position 0 read 0.
    size_t lead = 0;
    if (p < 0) {
        const uint64_t before = 0 - static_cast<uint64_t>(p);
        lead = before < count ? static_cast<size_t>(before) : count;
        std::fill(out, out + lead * w, T(0));
    }
    const uint64_t first = p < 0 ? 0 : static_cast<uint64_t>(p);
    const uint64_t samples = static_cast<uint64_t>(std::max<int64_t>(m_src.Samples(), 0));
    size_t avail = 0;
    if (lead < count && first < samples)
        avail = static_cast<size_t>(std::min<uint64_t>(count - lead, samples - first));
    T* dst = out + lead * w;
    if (avail > 0) {
        if (m_plain && m_valid) {
            const size_t n = static_cast<size_t>(m_src.Channels());
            const uint8_t* row = m_src.DataArea() + 4 * first * n;
            if (m_wholeRows && std::is_same_v<T, float>) {
                std::memcpy(dst, row, avail * w * sizeof(float));
            } else {
                const int* ch = m_channels.data();
                for (size_t r = 0; r < avail; ++r, row += 4 * n) {
                    for (size_t i = 0; i < w; ++i) {
                        float v;
                        std::memcpy(&v, row + 4 * static_cast<size_t>(ch[i]), 4);
                        *dst++ = static_cast<T>(v);
                    }
                }
                dst -= avail * w;
            }
        } else {
            m_src.ReadRows(first, avail, m_channels.data(), static_cast<int>(w), dst);
        }
    }
    // Rows at and beyond the sample count read 0.
    std::fill(dst + avail * w, out + count * w, T(0));
}

} // namespace vistrel
