// Operations whose output channels come from the output list: sums and differences, table
// functions and the saving of chosen channels.
#include "core/processing/Engine.h"

namespace vistrel::engine {

namespace {

// The common run of these operations: checks the list (operandsPerOutput sources per output,
// then valid(list)), writes the result header and one row per fragment position, filled by
// fill(position, row).
template <class Valid, class Fill>
void WriteOutputRows(JobContext& ctx, int operandsPerOutput, Valid&& valid, Fill&& fill) {
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
    std::vector<float> row(static_cast<size_t>(list.count));
    for (int64_t p = ctx.start; p < ctx.end; ++p) {
        fill(p, row.data());
        if (!out.WriteRow(row.data(), row.size()))
            return;
        ctx.Progress(p);
    }
    if (out.Finish(ResultStartStamp(job.m_startTime, ctx.start, ctx.src.Rate())))
        ctx.Succeed();
}

bool AnyList(const OutputChannelList&) { return true; }

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
    WriteOutputRows(ctx, 2, signsValid, [&](int64_t p, float* row) {
        for (int i = 0; i < list.count; ++i) {
            const float a = static_cast<float>(ctx.Sample(p, list.sources[2 * i] - 1) *
                                               list.coefficients[2 * i]);
            row[i] = static_cast<float>(ctx.Sample(p, list.sources[2 * i + 1] - 1) *
                                            list.coefficients[2 * i + 1] + a);
        }
    });
}

void TableFunctionOp(JobContext& ctx) {
    const OutputChannelList& list = ctx.job.m_outputs;
    WriteOutputRows(ctx, 1, AnyList, [&](int64_t p, float* row) {
        for (int i = 0; i < list.count; ++i) {
            const float x = static_cast<float>(ctx.Sample(p, list.sources[i] - 1));
            const TableFunction& t = ctx.job.m_tables[i];
            row[i] = t.m_count > 0 ? static_cast<float>(TableLookup(t, x)) : x;
        }
    });
}

void SaveChannels(JobContext& ctx) {
    const OutputChannelList& list = ctx.job.m_outputs;
    WriteOutputRows(ctx, 1, AnyList, [&](int64_t p, float* row) {
        for (int i = 0; i < list.count; ++i)
            row[i] = static_cast<float>(ctx.Sample(p, list.sources[i] - 1));
    });
}

} // namespace vistrel::engine
