// Filtering operations on the shown channels: IIR filters and the mains notch (causal, or
// forward and backward for zero phase) and the removal of each channel's mean or line. Every
// run streams the fragment in blocks; the memory does not grow with the fragment's length.
#include <algorithm>
#include <cerrno>
#include <fstream>

#include "core/common/StringIds.h"
#include "core/processing/Engine.h"
#include "core/processing/RowBlocks.h"
#include "core/processing/filters/SosFilter.h"
#include "platform/UniqueFile.h"

namespace vistrel::engine {

namespace {

using filters::SosCascade;

// Opens a result of the same rate holding the shown channels (their numbers into `shown`),
// under the operation's progress title; false when the run has failed.
bool OpenShownResult(JobContext& ctx, ResultFile& out, std::vector<int>& shown) {
    if (!ctx.ShownChannelsOrFail(shown))
        return false;
    ctx.observer.ProgressTitle(ProgressTitleId(ctx.job.m_op));
    return out.Open(ctx.src.WriteDerivedHeader(out.TempPath(), 1, nullptr, nullptr, nullptr, &ctx.header,
                                               HiddenChannels::LeaveOut),
                    static_cast<int>(shown.size()));
}

// Rows p .. p + count - 1 of the reader's channels as doubles.
void ReadRows(const RowBlockReader& reader, int64_t p, size_t count, std::vector<float>& floats,
              std::vector<long double>& exact, double* out) {
    reader.Visit(p, count, floats, exact, [&](const auto* x) {
        for (size_t i = 0; i < count * reader.Width(); ++i)
            out[i] = static_cast<double>(x[i]);
    });
}

void ToFloats(const double* in, size_t count, float* out) {
    for (size_t i = 0; i < count; ++i)
        out[i] = static_cast<float>(in[i]);
}

// A working file of double rows beside the result, removed when it goes out of scope.
class ScratchRows {
public:
    ScratchRows(JobContext& ctx, size_t width) : m_ctx(ctx), m_rowBytes(width * sizeof(double)) {}
    ~ScratchRows() {
        m_file.close();
        if (!m_path.empty()) {
            std::error_code ec;
            std::filesystem::remove(m_path, ec);
        }
    }
    bool Create() {
        platform::FileProblem problem = platform::FileProblem::None;
        m_path = platform::CreateTempBeside(m_ctx.job.m_resultName, &problem);
        // Unbuffered: every transfer is a whole block of rows, straight to and from the file.
        m_file.rdbuf()->pubsetbuf(nullptr, 0);
        if (!m_path.empty())
            m_file.open(m_path, std::ios::in | std::ios::out | std::ios::binary);
        if (m_path.empty() || !m_file.is_open()) {
            Fail(problem != platform::FileProblem::None ? problem : platform::LastSystemProblem());
            return false;
        }
        return true;
    }
    bool Write(uint64_t row, const double* rows, size_t count) {
        errno = 0;
        m_file.seekp(static_cast<std::streamoff>(row * m_rowBytes));
        m_file.write(reinterpret_cast<const char*>(rows), static_cast<std::streamsize>(count * m_rowBytes));
        return Check();
    }
    bool Read(uint64_t row, double* rows, size_t count) {
        errno = 0;
        m_file.seekg(static_cast<std::streamoff>(row * m_rowBytes));
        m_file.read(reinterpret_cast<char*>(rows), static_cast<std::streamsize>(count * m_rowBytes));
        return Check();
    }

private:
    bool Check() {
        if (m_file.good())
            return true;
        Fail(errno != 0 ? platform::LastSystemProblem() : platform::FileProblem::Other);
        return false;
    }
    void Fail(platform::FileProblem problem) {
        m_ctx.FailFile(IDS_RESULT_WRITE_FAILED, problem,
                       "The working file beside " + PathText(m_ctx.job.m_resultName) +
                           " cannot be written; no result was kept");
    }
    JobContext& m_ctx;
    size_t m_rowBytes;
    std::filesystem::path m_path;
    std::fstream m_file;
};

// Percent of `done` of `total` units of work, sent when it changed.
void Percent(JobContext& ctx, uint64_t done, uint64_t total) {
    ctx.SendPercent(static_cast<int>(static_cast<double>(done) * 100.0 / static_cast<double>(total)));
}

// The causal run: rows go straight from the source through the cascade into the result.
bool RunCausal(JobContext& ctx, ResultFile& out, const RowBlockReader& reader, SosCascade& cascade) {
    const size_t w = reader.Width();
    const size_t block = RowsPerBlock(w);
    std::vector<float> floats;
    std::vector<long double> exact;
    std::vector<double> buf(block * w);
    const uint64_t total = static_cast<uint64_t>(ctx.end - ctx.start);
    for (uint64_t done = 0; done < total;) {
        size_t rows = static_cast<size_t>(std::min<uint64_t>(total - done, block));
        float* dst = out.RowSpace(rows, w);
        if (!dst)
            return false;
        const int64_t p = ctx.start + static_cast<int64_t>(done);
        ReadRows(reader, p, rows, floats, exact, buf.data());
        cascade.Run(buf.data(), rows);
        ToFloats(buf.data(), rows * w, dst);
        out.CommitRows(rows, w);
        ctx.ProgressRows(p, static_cast<int64_t>(rows));
        done += rows;
    }
    return true;
}

// The zero-phase run. The fragment x (L rows) is extended at both ends by `pad` rows of odd
// extension (2 x[0] - x[pad .. 1] before it, 2 x[L-1] - x[L-2 .. L-1-pad] after it) and filtered
// forwards into a working file of doubles, from the steady state of its first row; then the
// working file is filtered backwards in place, from the steady state of its last row; the
// middle L rows are the result.
bool RunZeroPhase(JobContext& ctx, ResultFile& out, const RowBlockReader& reader, SosCascade& cascade,
                  int64_t pad) {
    const size_t w = reader.Width();
    const int64_t L = ctx.end - ctx.start;
    const uint64_t E = static_cast<uint64_t>(L + 2 * pad);
    const uint64_t work = 2 * E + static_cast<uint64_t>(L);
    // Blocks of about 1 MiB of doubles: each goes to the working file in one transfer.
    const size_t block = std::max<size_t>(RowsPerBlock(w) * 16, static_cast<size_t>(pad));
    std::vector<float> floats;
    std::vector<long double> exact;
    std::vector<double> buf(block * w), first(w), last(w), edge(static_cast<size_t>(pad) * w);
    ScratchRows scratch(ctx, w);
    if (!scratch.Create())
        return false;
    ReadRows(reader, ctx.start, 1, floats, exact, first.data());
    ReadRows(reader, ctx.end - 1, 1, floats, exact, last.data());
    uint64_t row = 0;
    // Forward: the leading extension, the fragment, the trailing extension.
    {
        ReadRows(reader, ctx.start + 1, static_cast<size_t>(pad), floats, exact, edge.data());
        for (int64_t i = 0; i < pad; ++i)
            for (size_t c = 0; c < w; ++c)
                buf[static_cast<size_t>(i) * w + c] = 2 * first[c] - edge[static_cast<size_t>(pad - 1 - i) * w + c];
        for (size_t c = 0; c < w; ++c)
            cascade.SteadyState(c, buf[c]);
        cascade.Run(buf.data(), static_cast<size_t>(pad));
        if (!scratch.Write(row, buf.data(), static_cast<size_t>(pad)))
            return false;
        row += static_cast<uint64_t>(pad);
    }
    for (int64_t done = 0; done < L;) {
        if (ctx.Stopping()) {
            out.Interrupt();
            return false;
        }
        const size_t rows = static_cast<size_t>(std::min<int64_t>(L - done, static_cast<int64_t>(block)));
        ReadRows(reader, ctx.start + done, rows, floats, exact, buf.data());
        cascade.Run(buf.data(), rows);
        if (!scratch.Write(row, buf.data(), rows))
            return false;
        row += rows;
        done += static_cast<int64_t>(rows);
        Percent(ctx, row, work);
    }
    {
        ReadRows(reader, ctx.end - 1 - pad, static_cast<size_t>(pad), floats, exact, edge.data());
        for (int64_t j = 0; j < pad; ++j)
            for (size_t c = 0; c < w; ++c)
                buf[static_cast<size_t>(j) * w + c] = 2 * last[c] - edge[static_cast<size_t>(pad - 1 - j) * w + c];
        cascade.Run(buf.data(), static_cast<size_t>(pad));
        if (!scratch.Write(row, buf.data(), static_cast<size_t>(pad)))
            return false;
        row += static_cast<uint64_t>(pad);
    }
    // Backward, block by block from the end, each block rewritten where it was.
    for (size_t c = 0; c < w; ++c)
        cascade.SteadyState(c, buf[static_cast<size_t>(pad - 1) * w + c]);
    for (uint64_t top = E; top > 0;) {
        if (ctx.Stopping()) {
            out.Interrupt();
            return false;
        }
        const size_t rows = static_cast<size_t>(std::min<uint64_t>(top, block));
        top -= rows;
        if (!scratch.Read(top, buf.data(), rows))
            return false;
        cascade.Run(buf.data(), rows, true);
        if (!scratch.Write(top, buf.data(), rows))
            return false;
        Percent(ctx, 2 * E - top, work);
    }
    // The middle rows into the result.
    for (int64_t done = 0; done < L;) {
        size_t rows = static_cast<size_t>(std::min<int64_t>(L - done, static_cast<int64_t>(block)));
        float* dst = out.RowSpace(rows, w);
        if (!dst)
            return false;
        if (!scratch.Read(static_cast<uint64_t>(pad + done), buf.data(), rows))
            return false;
        ToFloats(buf.data(), rows * w, dst);
        out.CommitRows(rows, w);
        done += static_cast<int64_t>(rows);
        Percent(ctx, 2 * E + static_cast<uint64_t>(done), work);
    }
    return true;
}

} // namespace

void FilterOp(JobContext& ctx) {
    ProcessJob& job = ctx.job;
    if (!ctx.OrderFragment())
        return;
    const double fs = static_cast<double>(ctx.src.Rate());
    const FilterParams& params = job.m_filter;
    const bool notch = job.m_op == OP_NOTCH;
    const std::string problem = notch ? filters::CheckNotch(params.notch, fs) : filters::CheckFilter(params.filter, fs);
    if (!problem.empty()) {
        ctx.Fail(problem);
        return;
    }
    const filters::Sections sos = notch ? filters::DesignNotch(params.notch, fs) : filters::DesignFilter(params.filter, fs);
    const int64_t pad = filters::PadLength(sos);
    if (params.zeroPhase && ctx.end - ctx.start <= pad) {
        ctx.Fail("The fragment has " + std::to_string(ctx.end - ctx.start) +
                 " samples; the zero-phase filter needs more than " + std::to_string(pad));
        return;
    }
    std::vector<int> shown;
    ResultFile out(ctx);
    if (!OpenShownResult(ctx, out, shown))
        return;
    const RowBlockReader reader(ctx.src, shown);
    SosCascade cascade(sos, shown.size());
    const bool ran = params.zeroPhase ? RunZeroPhase(ctx, out, reader, cascade, pad) : RunCausal(ctx, out, reader, cascade);
    if (ran && out.Finish(ResultStartStamp(job.m_startTime, ctx.start, ctx.src.Rate())))
        ctx.Succeed();
}

void DetrendOp(JobContext& ctx) {
    ProcessJob& job = ctx.job;
    if (!ctx.OrderFragment())
        return;
    std::vector<int> shown;
    ResultFile out(ctx);
    if (!OpenShownResult(ctx, out, shown))
        return;
    const RowBlockReader reader(ctx.src, shown);
    const size_t w = shown.size();
    const size_t block = RowsPerBlock(w);
    const int64_t L = ctx.end - ctx.start;
    const uint64_t work = 2 * static_cast<uint64_t>(L);
    std::vector<float> floats;
    std::vector<long double> exact;
    std::vector<double> buf(block * w);
    std::vector<filters::TrendSums> sums(w, filters::TrendSums(L));
    // First pass: the sums that give each channel's mean and line.
    for (int64_t done = 0; done < L;) {
        if (ctx.Stopping()) {
            out.Interrupt();
            return;
        }
        const size_t rows = static_cast<size_t>(std::min<int64_t>(L - done, static_cast<int64_t>(block)));
        ReadRows(reader, ctx.start + done, rows, floats, exact, buf.data());
        for (size_t r = 0; r < rows; ++r)
            for (size_t c = 0; c < w; ++c)
                sums[c].Add(done + static_cast<int64_t>(r), buf[r * w + c]);
        done += static_cast<int64_t>(rows);
        Percent(ctx, static_cast<uint64_t>(done), work);
    }
    const bool linear = job.m_filter.linearTrend;
    std::vector<double> mean(w);
    for (size_t c = 0; c < w; ++c)
        mean[c] = sums[c].Mean();
    // Second pass: the values less the mean or the line.
    for (int64_t done = 0; done < L;) {
        size_t rows = static_cast<size_t>(std::min<int64_t>(L - done, static_cast<int64_t>(block)));
        float* dst = out.RowSpace(rows, w);
        if (!dst)
            return;
        ReadRows(reader, ctx.start + done, rows, floats, exact, buf.data());
        for (size_t r = 0; r < rows; ++r)
            for (size_t c = 0; c < w; ++c) {
                const double base = linear ? sums[c].Line(done + static_cast<int64_t>(r)) : mean[c];
                dst[r * w + c] = static_cast<float>(buf[r * w + c] - base);
            }
        out.CommitRows(rows, w);
        done += static_cast<int64_t>(rows);
        Percent(ctx, static_cast<uint64_t>(L + done), work);
    }
    if (out.Finish(ResultStartStamp(job.m_startTime, ctx.start, ctx.src.Rate())))
        ctx.Succeed();
}

} // namespace vistrel::engine
