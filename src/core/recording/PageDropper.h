#pragma once
// Follows a forward scan over the rows of a mapped recording and lets the pages behind it
// go, a few MiB at a time: a pass over a whole recording then keeps no more of it in the
// process than one step, however long the file. The system's page cache still holds the
// file's pages as long as it sees fit, so a second pass over a warm file reads as fast.

#include <cstdint>
#include <functional>

namespace vistrel {

class CDataFile;

class CPageDropper {
public:
    // release(a, b) lets rows [a, b) go; rowBytes is the size of a row in the file (an
    // estimate will do: it only sets the step). The scan starts at firstRow.
    using Release = std::function<void(std::uint64_t, std::uint64_t)>;
    CPageDropper(Release release, std::uint64_t rowBytes, std::uint64_t firstRow);
    // A scan of the recording's own mapping (nothing to do when it is not open).
    CPageDropper(const CDataFile& file, std::uint64_t firstRow);

    // The scan has read every row before `row`: once a step's worth lies behind it, it goes.
    void Advance(std::uint64_t row)
    {
        if (row >= m_from + m_stepRows) Drop(row);
    }
    // The scan has ended at `row` (or stopped there): everything read goes now.
    void Finish(std::uint64_t row)
    {
        if (row > m_from) Drop(row);
    }

    std::uint64_t StepRows() const { return m_stepRows; }
    static constexpr std::uint64_t kStepBytes = std::uint64_t{8} << 20;

private:
    void Drop(std::uint64_t row);

    Release m_release;
    std::uint64_t m_stepRows = 1;
    std::uint64_t m_from = 0;
};

} // namespace vistrel
