#pragma once
// Read access to the samples of one recording, as the trace painter and the cursors need it.
// The plot reads through this interface so that the passes can be tested and measured on
// any data; the recording adapter maps it onto CDataFile. The reading calls are const and
// may be made from several threads at once (the summary build spreads over the cores).

#include <cstddef>
#include <cstdint>

#include "core/view/Moments.h"

namespace vistrel {

class ISampleSource {
public:
    virtual ~ISampleSource() = default;
    virtual uint64_t Samples() const = 0;   // samples per channel
    virtual int Channels() const = 0;
    // True for SD-card images: extremes are chosen by raw count.
    virtual bool IsRawImage() const = 0;
    virtual long double Value(uint64_t k, int c) const = 0;   // 0 for k >= Samples()
    virtual uint16_t Raw(uint64_t k, int c) const = 0;         // SD-card images only
    // Positions of the first minimum and maximum of each listed channel over samples [a, b)
    // (b <= Samples(), a < b). Float recordings compare values, SD images raw counts.
    // Hint that samples [a, b) will be read in order soon (a whole-file pass reads ahead).
    virtual void WillRead(uint64_t a, uint64_t b) const { (void)a; (void)b; }
    // Hint that samples [a, b) have been read and will not be again soon (a whole-file pass
    // lets their pages go).
    virtual void DoneReading(uint64_t a, uint64_t b) const { (void)a; (void)b; }
    virtual void FindExtremes(const int* channels, int count, uint64_t a, uint64_t b,
                              uint64_t* minPos, uint64_t* maxPos) const;
    // Values of channel c for samples k0 .. k0 + rows - 1 (0 past the end), as Value gives them.
    virtual void ReadValues(uint64_t k0, size_t rows, int c, double* out) const;
    // Moments of the finite samples of each listed channel over [a, b) (a <= b <= Samples()).
    virtual void FindMoments(const int* channels, int count, uint64_t a, uint64_t b, Moments* out) const;
};

} // namespace vistrel
