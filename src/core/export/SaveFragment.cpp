// Saving the fragment between the cursors as a recording (chosen devices) or as a text table
// (shown channels).
#include <algorithm>
#include <cstdio>
#include <string>

#include "core/common/TextFormat.h"
#include "core/processing/Engine.h"
#include "core/processing/FileUtil.h"
#include "core/processing/RowBlocks.h"
#include "core/recording/TimeBase.h"
#include "platform/FileTimes.h"

namespace vistrel::engine {

namespace {

// Channels the derived-header writer includes: those of the chosen devices, and under a name
// beginning with '~' only the shown ones. The rows hold the same channels.
std::vector<int> IncludedChannels(JobContext& ctx, uint8_t mask, bool tildeName) {
    std::vector<int> included;
    const int n = ctx.src.Channels();
    const int devices = ctx.src.Devices();
    const int perDevice = devices != 0 ? n / devices : n;
    for (int c = 0; c < n; ++c) {
        const bool byName = !tildeName || ctx.job.m_channelShown[c] != 0;
        const bool byDevice = mask == 0 || (perDevice > 0 && c / perDevice < 8 &&
                                            (mask >> (c / perDevice)) & 1);
        if (byName && byDevice)
            included.push_back(c);
    }
    return included;
}

void SaveAsRecording(JobContext& ctx) {
    ProcessJob& job = ctx.job;
    const uint8_t mask = job.m_deviceMask;
    const bool tilde = PathText(job.m_resultName.filename()).rfind('~', 0) == 0;
    const std::vector<int> included = IncludedChannels(ctx, mask, tilde);
    if (included.empty()) {
        ctx.Fail("No channel is left to save (all hidden or no device chosen)");
        return;
    }
    ResultFile out(ctx);
    const auto temp = out.TempPath();
    HeaderDisplay display = ctx.header;
    display.deviceMask = mask;
    // Hidden channels follow the target's name, never the temporary file's.
    const int header = ctx.src.WriteDerivedHeader(temp, 1, nullptr, nullptr, nullptr, &display,
                                                  tilde ? HiddenChannels::LeaveOut : HiddenChannels::Keep);
    if (!out.Open(header, static_cast<int>(included.size())))
        return;
    // Every channel of a float recording: the rows are a byte range of the source, copied as
    // it is. Otherwise rows go from the mapping straight into the file's pending block.
    const RowBlockReader reader(ctx.src, included);
    if (out.CanCopySourceRows(reader)) {
        if (out.CopySourceRows() && out.Finish(ResultStartStamp(job.m_startTime, ctx.start, ctx.src.Rate())))
            ctx.Succeed();
        return;
    }
    const size_t width = included.size();
    const uint64_t total = static_cast<uint64_t>(ctx.end) - static_cast<uint64_t>(ctx.start);
    for (uint64_t done = 0; done < total;) {
        size_t rows = static_cast<size_t>(std::min<uint64_t>(total - done, uint64_t{1} << 20));
        float* dst = out.RowSpace(rows, width);
        if (!dst)
            return;
        const int64_t p = static_cast<int64_t>(static_cast<uint64_t>(ctx.start) + done);
        ctx.ProgressRows(p, static_cast<int64_t>(rows));
        reader.Read(p, rows, dst);
        out.CommitRows(rows, width);
        done += rows;
    }
    if (out.Finish(ResultStartStamp(job.m_startTime, ctx.start, ctx.src.Rate())))
        ctx.Succeed();
}

class TextWriter {
public:
    explicit TextWriter(ResultFile& f) : m_file(f) {}
    void Put(const char* text) {
        m_line += text;
    }
    bool EndLine() {
        m_line += "\r\n";
        const bool ok = m_file.Write(m_line.data(), m_line.size());
        m_line.clear();
        return ok;
    }

private:
    ResultFile& m_file;
    std::string m_line;
};

void SaveAsText(JobContext& ctx) {
    ProcessJob& job = ctx.job;
    const std::vector<int> shown = ctx.ShownChannels();
    ResultFile out(ctx);
    if (!out.OpenText())
        return;
    TextWriter w(out);
    char buf[512];
    const int style = job.m_timeStyle;
    if (style == 1) {
        std::snprintf(buf, sizeof buf, "%16s", "From Begin (mks)");
        w.Put(buf);
    } else if (style == 0) {
        std::snprintf(buf, sizeof buf, "%8s %14s", "Date    ", "Time          ");
        w.Put(buf);
    }
    for (const int c : shown) {
        std::snprintf(buf, sizeof buf, "    Chan# %02d", c + 1);
        w.Put(buf);
    }
    if (!w.EndLine())
        return;

    const float rate = ctx.src.Rate();
    const RowBlockReader reader(ctx.src, shown);
    const size_t block = RowsPerBlock(shown.size());
    std::vector<float> floats;
    std::vector<long double> exact;
    bool failed = false;
    for (int64_t p0 = ctx.start; p0 < ctx.end && !failed;) {
        const size_t rows = static_cast<size_t>(
            std::min<uint64_t>(static_cast<uint64_t>(ctx.end) - static_cast<uint64_t>(p0), block));
        reader.Visit(p0, rows, floats, exact, [&](const auto* next) {
            for (size_t r = 0; r < rows && !failed; ++r) {
                const int64_t p = p0 + static_cast<int64_t>(r);
                ctx.Progress(p);
                if (style == 1) {
                    std::snprintf(buf, sizeof buf, "%16.1lf",
                                  static_cast<double>(p - ctx.start) / static_cast<double>(rate) * 1000000.0);
                    w.Put(buf);
                } else if (style == 0) {
                    // From the position itself, as the plot and the read-outs place it.
                    const int64_t t = SampleTime(job.m_startTime, static_cast<double>(p), rate);
                    w.Put(TableDateTime(t).c_str());
                }
                for (size_t i = 0; i < shown.size(); ++i) {
                    const double v = static_cast<double>(*next++);
                    char value[400];
                    std::snprintf(value, sizeof value, ValueFormat(static_cast<float>(v)), v);
                    std::snprintf(buf, sizeof buf, "%12s", value);
                    w.Put(buf);
                }
                failed = !w.EndLine();
            }
        });
        p0 += static_cast<int64_t>(rows);
    }
    if (failed)
        return;
    if (out.FinishText())
        ctx.Succeed();
}

} // namespace

void SaveFragment(JobContext& ctx) {
    if (!ctx.OrderFragment())
        return;
    ctx.observer.ProgressTitle(ProgressTitleId(OP_SAVE_FRAGMENT));
    if (HasRecordingExtension(ctx.job.m_resultName))
        SaveAsRecording(ctx);
    else
        SaveAsText(ctx);
}

} // namespace vistrel::engine
