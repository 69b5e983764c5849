#include "core/recording/PageDropper.h"

#include <algorithm>

#include "core/recording/DataFile.h"
#include "core/recording/KvfFormat.h"

namespace vistrel {

CPageDropper::CPageDropper(Release release, std::uint64_t rowBytes, std::uint64_t firstRow)
    : m_release(std::move(release)), m_stepRows(std::max<std::uint64_t>(1, kStepBytes / std::max<std::uint64_t>(1, rowBytes))),
      m_from(firstRow)
{
}

namespace {

std::uint64_t RowBytesOf(const CDataFile& file)
{
    const std::uint64_t n = file.Channels() > 0 ? static_cast<std::uint64_t>(file.Channels()) : 1;
    // SD images: 2 bytes a count, a sector of 256 bytes holding 124 counts.
    return file.Type() == 1 ? 4 * n : n * kvf::kSectorBytes / kvf::kCountsPerSector;
}

} // namespace

CPageDropper::CPageDropper(const CDataFile& file, std::uint64_t firstRow)
    : CPageDropper([&file](std::uint64_t a, std::uint64_t b) { file.AdviseDone(a, b); }, RowBytesOf(file), firstRow)
{
}

void CPageDropper::Drop(std::uint64_t row)
{
    if (m_release) m_release(m_from, row);
    m_from = row;
}

} // namespace vistrel
