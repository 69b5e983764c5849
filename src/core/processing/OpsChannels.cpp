// Operations on the recording's own shown channels: moving average, averaging, linear
// transformation and RMS.
#include <cmath>

#include "core/processing/Engine.h"

namespace vistrel::engine {

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

void MovingAverage(JobContext& ctx, bool average) {
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
    // The last N samples of each shown channel, row per position.
    const int M = static_cast<int>(shown.size());
    auto ring = TryAlloc<float>(static_cast<uint64_t>(N) * static_cast<uint64_t>(M));
    if (!ring) {
        ctx.Fail(kNoMemory);
        return;
    }
    ResultFile out(ctx);
    const auto temp = out.TempPath();
    if (!out.Open(ctx.src.WriteDerivedHeader(temp, average ? static_cast<int>(N) : 1, nullptr, nullptr,
                                                nullptr, &ctx.header, HiddenChannels::LeaveOut),
                  M))
        return;
    const int64_t half = N / 2;
    for (int64_t r = 0; r < N; ++r)
        for (int i = 0; i < M; ++i)
            ring[r * M + i] = static_cast<float>(ctx.Sample(ctx.start + r - half, shown[i]));

    std::vector<float> row(shown.size());
    const float divisor = static_cast<float>(N);
    int64_t k = 0;
    const int64_t step = average ? N : 1;
    for (int64_t p = ctx.start; p < ctx.end; p += step) {
        ctx.Progress(p);
        for (int i = 0; i < M; ++i) {
            ring[k * M + i] = static_cast<float>(ctx.Sample(p + half, shown[i]));
            double sum = 0.0;
            for (int64_t r = 0; r < N; ++r)
                sum += ring[r * M + i];
            row[i] = static_cast<float>(sum) / divisor;
        }
        if (!out.WriteRow(row.data(), row.size()))
            return;
        k = (k + 1) % N;
        if (ctx.end - p <= step)
            break; // p + step could overflow near the end of the int64 range
    }
    ring.reset();
    if (out.Finish(ResultStartStamp(job.m_startTime, ctx.start, ctx.src.Rate())))
        ctx.Succeed();
}

void LinearTransform(JobContext& ctx) {
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
    if (!out.Open(ctx.src.WriteDerivedHeader(temp, 1, A, B, nullptr, &ctx.header, HiddenChannels::LeaveOut), static_cast<int>(shown.size())))
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

void Rms(JobContext& ctx) {
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
    if (!out.Open(ctx.src.WriteDerivedHeader(temp, 1, nullptr, nullptr, &rated, &ctx.header, HiddenChannels::LeaveOut),
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

} // namespace vistrel::engine
