// Operations whose output channels come from the output list: sums and differences, table
// functions and the saving of chosen channels.
#include <algorithm>

#include "core/processing/Engine.h"
#include "core/processing/RowBlocks.h"

namespace vistrel::engine {

namespace {

// The common run of these operations: checks the list (operandsPerOutput sources per output,
// then valid(list)), writes the result header and one row per fragment position; fill(p, rows,
// out) fills `rows` rows from position p, straight into the file's pending block. Rows that
// `stored` reads as the source stores them are copied from the source file instead.
template <class Valid, class Fill>
void WriteOutputRows(JobContext& ctx, int operandsPerOutput, Valid&& valid, Fill&& fill,
                     const RowBlockReader* stored = nullptr) {
    ProcessJob& job = ctx.job;
    if (!ctx.OrderFragment())
        return;
    const OutputChannelList& list = job.m_outputs;
    if (!ctx.CheckSources(list.count, operandsPerOutput) || !valid(list))
        return;
    ctx.observer.ProgressTitle(ProgressTitleId(job.m_op));
    ResultFile out(ctx);
    const auto temp = out.TempPath();
    if (!out.Open(ctx.src.WriteResultHeader(temp, list, 0.0f), list.count))
        return;
    if (stored && out.CanCopySourceRows(*stored)) {
        if (out.CopySourceRows() && out.Finish(ResultStartStamp(job.m_startTime, ctx.start, ctx.src.Rate())))
            ctx.Succeed();
        return;
    }
    const size_t width = static_cast<size_t>(list.count);
    const uint64_t total = static_cast<uint64_t>(ctx.end) - static_cast<uint64_t>(ctx.start);
    for (uint64_t done = 0; done < total;) {
        size_t rows = static_cast<size_t>(std::min<uint64_t>(total - done, RowsPerBlock(width)));
        float* dst = out.RowSpace(rows, width);
        if (!dst)
            return;
        const int64_t p = static_cast<int64_t>(static_cast<uint64_t>(ctx.start) + done);
        fill(p, rows, dst);
        out.CommitRows(rows, width);
        ctx.ProgressRows(p, static_cast<int64_t>(rows));
        done += rows;
    }
    if (out.Finish(ResultStartStamp(job.m_startTime, ctx.start, ctx.src.Rate())))
        ctx.Succeed();
}

bool AnyList(const OutputChannelList&) { return true; }

// The 0-based source channels of the first `count` slots of the list.
std::vector<int> SourceChannels(const OutputChannelList& list, int count) {
    std::vector<int> channels(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        channels[static_cast<size_t>(i)] = list.sources[i] - 1;
    return channels;
}

} // namespace

void AddSub(JobContext& ctx) {
    const OutputChannelList& list = ctx.job.m_outputs;
    auto signsValid = [&ctx](const OutputChannelList& l) {
        for (int i = 0; i < 2 * l.count; ++i)
            if (l.coefficients[i] != 1 && l.coefficients[i] != -1) {
                ctx.Fail("The sign of every operand must be + or -");
                return false;
            }
        return true;
    };
    // Both operands of every output, as SampleValue gives them.
    const RowBlockReader reader(ctx.src, SourceChannels(list, 2 * std::clamp(list.count, 0, kMaxAddSubOutputs)));
    std::vector<float> floats;
    std::vector<long double> exact;
    WriteOutputRows(ctx, 2, signsValid, [&](int64_t p, size_t rows, float* out) {
        reader.Visit(p, rows, floats, exact, [&](const auto* x) {
            for (size_t r = 0; r < rows; ++r, x += reader.Width())
                for (int i = 0; i < list.count; ++i) {
                    const long double x1 = x[2 * i], x2 = x[2 * i + 1];
                    const float a = static_cast<float>(x1 * list.coefficients[2 * i]);
                    *out++ = static_cast<float>(x2 * list.coefficients[2 * i + 1] + a);
                }
        });
    });
}

void TableFunctionOp(JobContext& ctx) {
    const OutputChannelList& list = ctx.job.m_outputs;
    const int count = std::clamp(list.count, 0, kMaxOutputs);
    const RowBlockReader reader(ctx.src, SourceChannels(list, count));
    std::vector<PreparedTable> tables;
    tables.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        tables.emplace_back(ctx.job.m_tables[i]);
    WriteOutputRows(ctx, 1, AnyList, [&](int64_t p, size_t rows, float* out) {
        const size_t w = reader.Width();
        reader.Read(p, rows, out); // the sources, as singles, replaced in place
        for (size_t i = 0; i < w; ++i) {
            if (ctx.job.m_tables[i].m_count <= 0)
                continue;
            tables[i].Apply(out + i, rows, w);
        }
    });
}

void SaveChannels(JobContext& ctx) {
    const OutputChannelList& list = ctx.job.m_outputs;
    const RowBlockReader reader(ctx.src, SourceChannels(list, std::clamp(list.count, 0, kMaxOutputs)));
    WriteOutputRows(
        ctx, 1, AnyList, [&](int64_t p, size_t rows, float* out) { reader.Read(p, rows, out); }, &reader);
}

} // namespace vistrel::engine
