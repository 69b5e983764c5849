// The processing operations written the plain way: one SampleValue per value, one search per
// table lookup, one serial sum over its own window per moving-average output. Kept only as the
// oracle the fast paths must match byte for byte.
#include "ProcessingOracle.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/common/TextFormat.h"
#include "core/processing/Engine.h"
#include "core/processing/FileUtil.h"
#include "core/recording/TimeBase.h"
#include "platform/FileTimes.h"

namespace vistrel::engine {

// ---- operations on the shown channels ----
namespace {
// Checks shared by operations 1 to 4: the shown channels, which become the result's channels.
bool ShownOrFail(JobContext& ctx, std::vector<int>& shown) {
    shown = ctx.ShownChannels();
    if (shown.empty()) {
        ctx.Fail("No channel is shown, so there is nothing to process");
        return false;
    }
    return true;
}
} // namespace

void OldMovingAverage(JobContext& ctx, bool average) {
    ProcessJob& job = ctx.job;
    if (!ctx.OrderFragment())
        return;
    const int64_t N = job.m_averagingFactor;
    if (N < 2) {
        ctx.Fail("The averaging factor must be at least 2");
        return;
    }
    std::vector<int> shown;
    if (!ShownOrFail(ctx, shown))
        return;
    ctx.observer.ProgressTitle(ProgressTitleId(job.m_op));
    const int M = static_cast<int>(shown.size());
    if (!FitsBudget(static_cast<uint64_t>(N) * static_cast<uint64_t>(M), sizeof(float))) {
        ctx.Fail(kNoMemory); // the fast path's ring would not fit
        return;
    }
    ResultFile out(ctx);
    const auto temp = out.TempPath();
    if (!out.Open(ctx.src.WriteDerivedHeader(temp, average ? static_cast<int>(N) : 1, nullptr, nullptr,
                                             nullptr, &ctx.header, HiddenChannels::LeaveOut),
                  M))
        return;
    // Output p: the mean of the N positions p - N + 1 + N/2 .. p + N/2, summed in double as
    // floats, the sum reduced to float and divided by N. The averaging takes every N-th p. The
    // positions are added in the order of (q - start - N/2) mod N, the fast path's ring order.
    const int64_t half = N / 2;
    std::vector<float> row(shown.size());
    const int64_t step = average ? N : 1;
    for (int64_t p = ctx.start; p < ctx.end; p += step) {
        ctx.Progress(p);
        const int64_t first = p - N + 1 + half;
        const int64_t phase = ((first - ctx.start - half) % N + N) % N;
        for (int i = 0; i < M; ++i) {
            double sum = 0.0;
            for (int64_t r = 0; r < N; ++r) {
                const int64_t q = first + ((r - phase) % N + N) % N;
                sum += static_cast<float>(ctx.Sample(q, shown[i]));
            }
            row[i] = static_cast<float>(sum) / static_cast<float>(N);
        }
        if (!out.WriteRow(row.data(), row.size()))
            return;
        if (ctx.end - p <= step)
            break; // p + step could overflow near the end of the int64 range
    }
    if (out.Finish(ResultStartStamp(job.m_startTime, ctx.start, ctx.src.Rate())))
        ctx.Succeed();
}

void OldLinearTransform(JobContext& ctx) {
    ProcessJob& job = ctx.job;
    if (!ctx.OrderFragment())
        return;
    std::vector<int> shown;
    if (!ShownOrFail(ctx, shown))
        return;
    ctx.observer.ProgressTitle(ProgressTitleId(job.m_op));
    float A[kJobChannels], B[kJobChannels];
    std::copy(job.m_coeffA, job.m_coeffA + kJobChannels, A);
    std::copy(job.m_coeffB, job.m_coeffB + kJobChannels, B);
    ResultFile out(ctx);
    const auto temp = out.TempPath();
    if (!out.Open(ctx.src.WriteDerivedHeader(temp, 1, A, B, nullptr, &ctx.header, HiddenChannels::LeaveOut),
                  static_cast<int>(shown.size())))
        return;
    std::vector<float> row(shown.size());
    for (int64_t p = ctx.start; p < ctx.end; ++p) {
        for (size_t i = 0; i < shown.size(); ++i) {
            const int j = shown[i];
            row[i] = static_cast<float>(ctx.Sample(p, j) * static_cast<long double>(A[j]) +
                                        static_cast<long double>(B[j]));
        }
        if (!out.WriteRow(row.data(), row.size()))
            return;
        ctx.Progress(p);
    }
    if (out.Finish(ResultStartStamp(job.m_startTime, ctx.start, ctx.src.Rate())))
        ctx.Succeed();
}

void OldRms(JobContext& ctx) {
    ProcessJob& job = ctx.job;
    if (!ctx.OrderFragment())
        return;
    const float rated = job.m_ratedFrequency;
    if (!(rated > 0.0f) || !std::isfinite(rated)) {
        ctx.Fail("The nominal frequency must be greater than 0");
        return;
    }
    std::vector<int> shown;
    if (!ShownOrFail(ctx, shown))
        return;
    ctx.observer.ProgressTitle(ProgressTitleId(job.m_op));
    ResultFile out(ctx);
    const auto temp = out.TempPath();
    if (!out.Open(ctx.src.WriteDerivedHeader(temp, 1, nullptr, nullptr, &rated, &ctx.header,
                                             HiddenChannels::LeaveOut),
                  static_cast<int>(shown.size())))
        return;

    const double R = ctx.src.Rate();
    const double F = rated;
    const double minCount = 3.0 * R / (4.0 * F);
    float S[kJobChannels] = {};
    int64_t n[kJobChannels] = {};
    float xp[kJobChannels] = {};
    int32_t gp[kJobChannels] = {};
    float slot[kJobChannels] = {};
    // Until a channel's first period completes its slot carries the channel's first sample.
    for (size_t k = 0; k < shown.size(); ++k)
        slot[k] = static_cast<float>(ctx.Sample(ctx.start, shown[k]));
    double P = 0.0, W = 0.0;
    for (int64_t p = ctx.start; p < ctx.end; ++p) {
        ctx.Progress(p);
        int k = 0;
        for (const int j : shown) {
            const long double x = ctx.Sample(p, j);
            const int g = x > 0 ? 1 : (x < 0 ? -1 : 0);
            if (g > gp[j] && g > 0 && static_cast<double>(n[j]) > minCount) {
                const long double ax = std::fabs(x), axp = std::fabs(static_cast<long double>(xp[j]));
                const float q = static_cast<float>(1.0L / (ax + axp));
                S[j] = static_cast<float>(S[j] + 0.5L * xp[j] * static_cast<long double>(xp[j]) * axp * q);
                slot[k] = static_cast<float>(std::sqrt(static_cast<long double>(S[j]) / static_cast<long double>(n[j])));
                n[j] = 0;
                S[j] = static_cast<float>(0.5L * x * x * q * ax);
            }
            if (n[j] > 0)
                S[j] = static_cast<float>(S[j] + 0.5L * (x * x + static_cast<long double>(xp[j]) * xp[j]));
            ++n[j];
            xp[j] = static_cast<float>(x);
            gp[j] = g;
            ++k;
        }
        P += 1.0;
        if (!((1.0 / F) * W > (1.0 / R) * P)) {
            if (!out.WriteRow(slot, static_cast<size_t>(k)))
                return;
            W += 1.0;
        }
    }
    if (out.Finish(ResultStartStamp(job.m_startTime, ctx.start, ctx.src.Rate())))
        ctx.Succeed();
}


// ---- operations on the output list ----
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

void OldAddSub(JobContext& ctx) {
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

void OldTableFunctionOp(JobContext& ctx) {
    const OutputChannelList& list = ctx.job.m_outputs;
    WriteOutputRows(ctx, 1, AnyList, [&](int64_t p, float* row) {
        for (int i = 0; i < list.count; ++i) {
            const float x = static_cast<float>(ctx.Sample(p, list.sources[i] - 1));
            const TableFunction& t = ctx.job.m_tables[i];
            row[i] = t.m_count > 0 ? static_cast<float>(TableLookup(t, x)) : x;
        }
    });
}

void OldSaveChannels(JobContext& ctx) {
    const OutputChannelList& list = ctx.job.m_outputs;
    WriteOutputRows(ctx, 1, AnyList, [&](int64_t p, float* row) {
        for (int i = 0; i < list.count; ++i)
            row[i] = static_cast<float>(ctx.Sample(p, list.sources[i] - 1));
    });
}


// ---- saving a fragment ----
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
    const int header = ctx.src.WriteDerivedHeader(temp, 1, nullptr, nullptr, nullptr, &display,
                                                  tilde ? HiddenChannels::LeaveOut : HiddenChannels::Keep);
    if (!out.Open(header, static_cast<int>(included.size())))
        return;
    std::vector<float> row(included.size());
    for (int64_t p = ctx.start; p < ctx.end; ++p) {
        ctx.Progress(p);
        for (size_t i = 0; i < included.size(); ++i)
            row[i] = static_cast<float>(ctx.Sample(p, included[i]));
        if (!out.WriteRow(row.data(), row.size()))
            return;
    }
    if (out.Finish(ResultStartStamp(job.m_startTime, ctx.start, ctx.src.Rate())))
        ctx.Succeed();
}

class TextWriter {
public:
    explicit TextWriter(std::FILE* f) : m_file(f) {}
    void Put(const char* text) {
        m_line += text;
    }
    bool EndLine() {
        m_line += "\r\n";
        const bool ok = std::fwrite(m_line.data(), 1, m_line.size(), m_file) == m_line.size();
        m_line.clear();
        return ok;
    }

private:
    std::FILE* m_file;
    std::string m_line;
};

void SaveAsText(JobContext& ctx) {
    ProcessJob& job = ctx.job;
    const std::vector<int> shown = ctx.ShownChannels();
    const std::filesystem::path temp = [&] {
        std::filesystem::path name = job.m_resultName.filename();
        name += ".part";
        return job.m_resultName.parent_path() / name;
    }();
    std::FILE* f = platform::OpenFile(temp, "wb");
    const std::string target = PathText(job.m_resultName);
    if (!f) {
        ctx.Fail("Cannot create the text file " + target);
        return;
    }
    std::vector<char> buffer(1 << 20);
    std::setvbuf(f, buffer.data(), _IOFBF, buffer.size());
    auto abandon = [&](const std::string& message) {
        if (f)
            std::fclose(f);
        f = nullptr;
        std::error_code ec;
        std::filesystem::remove(temp, ec);
        ctx.Fail(message);
    };
    const std::string writeFailed = "Writing " + target + " failed (is the disk full?); no file was kept";
    TextWriter w(f);
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
        return abandon(writeFailed);

    const float rate = ctx.src.Rate();
    for (int64_t p = ctx.start; p < ctx.end; ++p) {
        ctx.Progress(p);
        if (style == 1) {
            std::snprintf(buf, sizeof buf, "%16.1lf",
                          static_cast<double>(p - ctx.start) / static_cast<double>(rate) * 1000000.0);
            w.Put(buf);
        } else if (style == 0) {
            // From the position itself, as the plot and the read-outs place it.
            const int64_t t = SampleTime(job.m_startTime, static_cast<double>(p), rate);
            const CalendarFields cf = FileTimeToFields(t);
            const int64_t frac = ((t % 10'000'000) + 10'000'000) % 10'000'000 / 100;
            std::snprintf(buf, sizeof buf, "%02d-%02d-%02d %02d:%02d:%02d,%05d", cf.day, cf.month,
                          cf.year - 2000, cf.hour, cf.minute, cf.second, static_cast<int>(frac));
            w.Put(buf);
        }
        for (const int c : shown) {
            const double v = static_cast<double>(ctx.Sample(p, c));
            char value[400];
            std::snprintf(value, sizeof value, ValueFormat(static_cast<float>(v)), v);
            std::snprintf(buf, sizeof buf, "%12s", value);
            w.Put(buf);
        }
        if (!w.EndLine())
            return abandon(writeFailed);
    }
    const bool flushed = std::fflush(f) == 0 && std::ferror(f) == 0;
    const bool closed = std::fclose(f) == 0;
    f = nullptr;
    if (!flushed || !closed)
        return abandon(writeFailed);
    std::error_code ec;
    std::filesystem::rename(temp, job.m_resultName, ec);
    if (ec)
        return abandon("Cannot replace " + target + ": " + ec.message());
    ctx.Succeed();
}

} // namespace

void OldSaveFragment(JobContext& ctx) {
    if (!ctx.OrderFragment())
        return;
    ctx.observer.ProgressTitle(ProgressTitleId(OP_SAVE_FRAGMENT));
    if (HasRecordingExtension(ctx.job.m_resultName))
        SaveAsRecording(ctx);
    else
        SaveAsText(ctx);
}

} // namespace vistrel::engine

namespace vistrel::test {

void RunOldProcessJob(ProcessJob& job, IProcessObserver& observer) {
    job.m_succeeded = false;
    job.m_error.clear();
    job.m_cursorsMoved = false;
    engine::JobContext ctx(job, observer);
    switch (job.m_op) {
    case OP_SAVE_FRAGMENT: engine::OldSaveFragment(ctx); break;
    case OP_MOVING_AVERAGE: engine::OldMovingAverage(ctx, false); break;
    case OP_AVERAGE: engine::OldMovingAverage(ctx, true); break;
    case OP_LINEAR: engine::OldLinearTransform(ctx); break;
    case OP_RMS: engine::OldRms(ctx); break;
    case OP_ADD_SUB: engine::OldAddSub(ctx); break;
    case OP_TABLE_FUNCTION: engine::OldTableFunctionOp(ctx); break;
    case OP_SAVE_CHANNELS: engine::OldSaveChannels(ctx); break;
    default: break;
    }
}

} // namespace vistrel::test
