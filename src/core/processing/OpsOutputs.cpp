// Operations whose output channels come from the output list: sums and differences, table
// functions and the saving of chosen channels.
#include "core/processing/Engine.h"

namespace vistrel::engine {

void AddSub(JobContext& ctx) {
    ProcessJob& job = ctx.job;
    if (!ctx.OrderFragment())
        return;
    OutputChannelList& list = job.m_outputs;
    if (!ctx.CheckSources(list.count, 2))
        return;
    for (int i = 0; i < 2 * list.count; ++i)
        if (list.coefficients[i] != 1 && list.coefficients[i] != -1) {
            ctx.Fail("The sign of every operand must be + or -");
            return;
        }
    ctx.observer.ProgressTitle(ProgressTitleId(job.m_op));
    ResultFile out(ctx);
    const auto temp = out.TempPath(false);
    if (!out.Open(ctx.src.WriteResultHeader(temp, list, 0.0f), list.count))
        return;
    const int n = list.count;
    std::vector<float> row(static_cast<size_t>(n));
    for (int64_t p = ctx.start; p < ctx.end; ++p) {
        for (int i = 0; i < n; ++i) {
            const float a = static_cast<float>(ctx.Sample(p, list.sources[2 * i] - 1) *
                                               list.coefficients[2 * i]);
            row[i] = static_cast<float>(ctx.Sample(p, list.sources[2 * i + 1] - 1) *
                                            list.coefficients[2 * i + 1] + a);
        }
        if (!out.WriteRow(row.data(), row.size()))
            return;
        ctx.Progress(p);
    }
    if (out.Finish(ResultStartStamp(job.m_startTime, ctx.start, ctx.src.Rate())))
        ctx.Succeed();
}

void TableFunctionOp(JobContext& ctx) {
    ProcessJob& job = ctx.job;
    if (!ctx.OrderFragment())
        return;
    OutputChannelList& list = job.m_outputs;
    if (!ctx.CheckSources(list.count, 1))
        return;
    ctx.observer.ProgressTitle(ProgressTitleId(job.m_op));
    ResultFile out(ctx);
    const auto temp = out.TempPath(false);
    if (!out.Open(ctx.src.WriteResultHeader(temp, list, 0.0f), list.count))
        return;
    const int n = list.count;
    std::vector<float> row(static_cast<size_t>(n));
    for (int64_t p = ctx.start; p < ctx.end; ++p) {
        for (int i = 0; i < n; ++i) {
            const float x = static_cast<float>(ctx.Sample(p, list.sources[i] - 1));
            const TableFunction& t = job.m_tables[i];
            row[i] = t.m_count > 0 ? static_cast<float>(TableLookup(t, x)) : x;
        }
        if (!out.WriteRow(row.data(), row.size()))
            return;
        ctx.Progress(p);
    }
    if (out.Finish(ResultStartStamp(job.m_startTime, ctx.start, ctx.src.Rate())))
        ctx.Succeed();
}

void SaveChannels(JobContext& ctx) {
    ProcessJob& job = ctx.job;
    if (!ctx.OrderFragment())
        return;
    OutputChannelList& list = job.m_outputs;
    if (!ctx.CheckSources(list.count, 1))
        return;
    ctx.observer.ProgressTitle(ProgressTitleId(job.m_op));
    ResultFile out(ctx);
    const auto temp = out.TempPath(false);
    if (!out.Open(ctx.src.WriteResultHeader(temp, list, 0.0f), list.count))
        return;
    const int n = list.count;
    std::vector<float> row(static_cast<size_t>(n));
    for (int64_t p = ctx.start; p < ctx.end; ++p) {
        for (int i = 0; i < n; ++i)
            row[i] = static_cast<float>(ctx.Sample(p, list.sources[i] - 1));
        if (!out.WriteRow(row.data(), row.size()))
            return;
        ctx.Progress(p);
    }
    if (out.Finish(ResultStartStamp(job.m_startTime, ctx.start, ctx.src.Rate())))
        ctx.Succeed();
}

} // namespace vistrel::engine
