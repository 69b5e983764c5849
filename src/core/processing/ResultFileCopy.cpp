// Result rows copied straight from the source file: every channel of a float recording is a
// byte range of it, which the system copies without passing it through this process.
#include <algorithm>
#include <atomic>

#include "core/processing/Engine.h"
#include "core/processing/RowBlocks.h"

namespace vistrel::engine {

namespace {
std::atomic<uint64_t> g_sourceRowBytesCopied{0};
} // namespace

uint64_t SourceRowBytesCopiedForTest() {
    return g_sourceRowBytesCopied.load();
}

bool ResultFile::CanCopySourceRows(const RowBlockReader& reader) const {
    return reader.StoredRows() && m_ctx.start >= 0 && m_ctx.end <= m_ctx.src.Samples() && m_ctx.start < m_ctx.end;
}

bool ResultFile::CopySourceRows() {
    if (m_failed || !m_file || !FlushBlock())
        return false;
    const uint64_t rowBytes = 4 * static_cast<uint64_t>(m_ctx.src.Channels());
    const uint64_t total = static_cast<uint64_t>(m_ctx.end - m_ctx.start);
    // Pieces of about a percent of the fragment (a stop is seen within one), but at least
    // 16 MiB where the fragment has 16 such pieces: the system copies pieces of a few MiB a
    // fifth slower than pieces of 16 MiB or more, which take milliseconds. At most 64 MiB.
    const uint64_t fewest = std::min(uint64_t{16} << 20, std::max(uint64_t{256} << 10, total * rowBytes / 16));
    const uint64_t piece = std::clamp<uint64_t>(total / 100, std::max<uint64_t>(1, fewest / rowBytes),
                                                std::max<uint64_t>(1, (uint64_t{64} << 20) / rowBytes)); // rows
    for (uint64_t done = 0; done < total;) {
        const uint64_t rows = std::min(piece, total - done);
        const int64_t p = m_ctx.start + static_cast<int64_t>(done);
        m_ctx.ProgressRows(p, static_cast<int64_t>(rows));
        if (m_ctx.Stopping()) {
            Interrupt();
            return false;
        }
        const uint64_t bytes = rows * rowBytes;
        if (WriteLimitReached(bytes))
            return false;
        int error = 0;
        const uint64_t offset = m_ctx.src.HeaderLength() + static_cast<uint64_t>(p) * rowBytes;
        const uint64_t copied = m_ctx.src.CopyBytesTo(m_file, offset, bytes, &error);
        m_written += copied;
        g_sourceRowBytesCopied += copied;
        if (copied != bytes) {
            if (error != 0) {
                FailWrite(platform::ProblemFromSystemError(error));
            } else {
                // The source ended before its rows did: it was cut while it was read.
                m_failed = true;
                Discard();
                m_ctx.Fail("the file changed on disk while it was read; no result was kept");
            }
            return false;
        }
        done += rows;
    }
    return true;
}

} // namespace vistrel::engine
