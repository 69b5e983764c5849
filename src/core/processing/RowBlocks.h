#pragma once
// Reads rows of chosen channels of a recording in blocks: one bounds check per block and a
// copy straight from the mapping for float recordings; SD-card images go value by value
// through SampleValue. The values are exactly those of SampleValue (as float: rounded once).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vistrel {

class CDataFile;

class RowBlockReader {
public:
    // `channels`: 0-based channels of each row, in row order (repeats allowed).
    RowBlockReader(const CDataFile& source, std::vector<int> channels);

    size_t Width() const { return m_channels.size(); }
    const std::vector<int>& Channels() const { return m_channels; }
    // True when the values are the stored floats (a float recording).
    bool PlainFloats() const { return m_plain; }

    // Rows p .. p + count - 1, Width() values each, row after row, into `out`. Positions
    // before 0 or at and beyond the sample count read 0.
    void Read(int64_t p, size_t count, float* out) const;
    void Read(int64_t p, size_t count, long double* out) const;

private:
    template <class T>
    void ReadRows(int64_t p, size_t count, T* out) const;

    const CDataFile& m_src;
    std::vector<int> m_channels;
    bool m_plain = false;
    bool m_wholeRows = false; // the channels are 0 .. n-1 in order: rows copy as they are
    bool m_valid = true;      // every channel exists in the recording
};

} // namespace vistrel
