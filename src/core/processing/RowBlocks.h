#pragma once
// Reads rows of chosen channels of a recording in blocks: one bounds check per block and a
// copy straight from the mapping for float recordings; SD-card images are walked a sector at
// a time through the conversion tables. The values are exactly those of SampleValue (as float: rounded once).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vistrel {

class CDataFile;

// Rows of `width` values in a block of the operations that compute from read values: about
// 8192 values, at least one row.
inline size_t RowsPerBlock(size_t width) {
    return width == 0 || width >= 8192 ? 1 : 8192 / width;
}

class RowBlockReader {
public:
    // `channels`: 0-based channels of each row, in row order (repeats allowed).
    RowBlockReader(const CDataFile& source, std::vector<int> channels);

    size_t Width() const { return m_channels.size(); }
    const std::vector<int>& Channels() const { return m_channels; }
    // True when the values are the stored floats (a float recording).
    bool PlainFloats() const { return m_plain; }
    // True when the rows are the recording's rows as stored: every channel of a float
    // recording, in order.
    bool StoredRows() const { return m_plain && m_valid && m_wholeRows; }

    // Rows p .. p + count - 1, Width() values each, row after row, into `out`. Positions
    // before 0 or at and beyond the sample count read 0.
    void Read(int64_t p, size_t count, float* out) const;
    void Read(int64_t p, size_t count, long double* out) const;

    // Reads rows p .. p + count - 1 into one of the scratch buffers and calls body(values):
    // `const float*` for plain floats (SampleValue gives them widened, so the caller widens
    // them), `const long double*` otherwise. Keeps extended precision off the buffers where
    // it carries nothing.
    template <class Body>
    void Visit(int64_t p, size_t count, std::vector<float>& floats, std::vector<long double>& exact,
               Body&& body) const {
        if (m_plain) {
            floats.resize(count * Width());
            Read(p, count, floats.data());
            body(static_cast<const float*>(floats.data()));
        } else {
            exact.resize(count * Width());
            Read(p, count, exact.data());
            body(static_cast<const long double*>(exact.data()));
        }
    }

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
