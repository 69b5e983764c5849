// Operations on the recording's own shown channels: moving average, averaging, linear
// transformation and RMS.
#include <algorithm>
#include <cmath>
#include <type_traits>

#include "core/processing/Engine.h"
#include "core/processing/RowBlocks.h"
#include "core/processing/RunningSum.h"

namespace vistrel::engine {

namespace {
constexpr int64_t kRowsPerPoll = 4096;

// Adds the N rows of a ring column in row order from 0 into `sum` (a double: the serial sum;
// a RunningSum: the compensated one). Long columns ask for a stop every few thousand rows;
// false once one was asked for.
template <class Sum>
bool AddColumn(JobContext& ctx, const float* col, int64_t N, Sum& sum) {
    for (int64_t r0 = 0; r0 < N; r0 += kRowsPerPoll) {
        const int64_t r1 = std::min(N, r0 + kRowsPerPoll);
        for (int64_t r = r0; r < r1; ++r) {
            if constexpr (std::is_same_v<Sum, double>)
                sum += col[r];
            else
                sum.Add(col[r]);
        }
        if (ctx.Tick(static_cast<uint64_t>(r1 - r0)))
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
    if (!ctx.ShownChannelsOrFail(shown))
        return;
    ctx.observer.ProgressTitle(ProgressTitleId(job.m_op));
    // The N samples of an output, a column of N rows per shown channel.
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
    const RowBlockReader reader(ctx.src, shown);
    const int64_t half = N / 2;
    const int64_t chunk = static_cast<int64_t>(RowsPerBlock(static_cast<size_t>(M)));
    // Output p is the mean of the N positions p - N + 1 + N/2 .. p + N/2. Ring row r holds the
    // position q with (q - start - N/2) mod N = r, and the sums add the rows in row order, so
    // an output does not depend on how the ring was filled. Rows r0 .. r0 + rows - 1 of every
    // column get the positions from q0 on; false once a stop was asked for.
    std::vector<float> block;
    auto fill = [&](int64_t q0, int64_t r0, int64_t rows) {
        for (int64_t done = 0; done < rows;) {
            const int64_t n = std::min(chunk, rows - done);
            if (ctx.Tick(static_cast<uint64_t>(n * M)))
                return false;
            block.resize(static_cast<size_t>(n * M));
            reader.Read(q0 + done, static_cast<size_t>(n), block.data());
            for (int64_t r = 0; r < n; ++r)
                for (int i = 0; i < M; ++i)
                    ring[i * N + r0 + done + r] = block[static_cast<size_t>(r * M + i)];
            done += n;
        }
        return true;
    };
    const float divisor = static_cast<float>(N);
    const uint64_t span = static_cast<uint64_t>(ctx.end) - static_cast<uint64_t>(ctx.start);
    if (average) {
        // The moving average at start, start + N, ...: each output has N positions of its own,
        // p - N + 1 + N/2 .. p + N/2, which fill the whole ring (the last one goes to row 0).
        std::vector<float> row(static_cast<size_t>(M));
        const uint64_t total = (span - 1) / static_cast<uint64_t>(N) + 1;
        for (uint64_t j = 0; j < total; ++j) {
            const int64_t p = static_cast<int64_t>(static_cast<uint64_t>(ctx.start) + j * static_cast<uint64_t>(N));
            ctx.Progress(p);
            if (!fill(p - N + 1 + half, 1, N - 1) || !fill(p + half, 0, 1)) {
                out.Interrupt();
                return;
            }
            for (int i = 0; i < M; ++i) {
                const float* col = ring.get() + i * N;
                double sum = 0.0;
                // Long columns ask for a stop every few thousand rows.
                for (int64_t r0 = 0; r0 < N; r0 += kRowsPerPoll) {
                    const int64_t r1 = std::min(N, r0 + kRowsPerPoll);
                    for (int64_t r = r0; r < r1; ++r)
                        sum += col[r];
                    if (ctx.Tick(static_cast<uint64_t>(r1 - r0))) {
                        out.Interrupt();
                        return;
                    }
                }
                row[static_cast<size_t>(i)] = static_cast<float>(sum) / divisor;
            }
            if (!out.WriteRow(row.data(), row.size()))
                return;
        }
    } else {
        // Before output 0 (which replaces row 0) row r holds the position start + r - N + N/2.
        if (!fill(ctx.start - N + half, 0, N)) {
            out.Interrupt();
            return;
        }
        // Each column keeps a compensated running sum: an output costs the same at any N, and
        // the sum stays within rounding of a double of the window's exact sum, where the
        // serial sum (added afresh in double) lies too. It is added afresh, compensated, every
        // `resync` outputs (at least every few thousand, at most once per N outputs, so the
        // cost per output stays bounded). While the window holds a value that is not finite
        // (a NaN or an infinity would poison the running sum) each output is the serial sum,
        // exactly as the window gives it.
        const int64_t resync = std::max<int64_t>(4096, N);
        std::vector<RunningSum> sums(static_cast<size_t>(M));
        std::vector<int64_t> nonFinite(static_cast<size_t>(M), 0);
        std::vector<char> stale(static_cast<size_t>(M), 1);
        for (int i = 0; i < M; ++i) {
            const float* col = ring.get() + i * N;
            for (int64_t r = 0; r < N; ++r)
                nonFinite[static_cast<size_t>(i)] += std::isfinite(col[r]) ? 0 : 1;
        }
        std::vector<float> fresh;
        int64_t k = 0;         // the ring row output j replaces: j mod N
        int64_t untilSync = 0; // outputs left before the next fresh sum
        for (uint64_t j = 0; j < span;) {
            size_t rows = static_cast<size_t>(std::min<uint64_t>(span - j, RowsPerBlock(static_cast<size_t>(M))));
            float* dst = out.RowSpace(rows, static_cast<size_t>(M));
            if (!dst)
                return;
            const int64_t p = static_cast<int64_t>(static_cast<uint64_t>(ctx.start) + j);
            fresh.resize(rows * static_cast<size_t>(M));
            reader.Read(p + half, rows, fresh.data());
            for (size_t l = 0; l < rows; ++l) {
                const bool sync = untilSync == 0;
                untilSync = sync ? resync - 1 : untilSync - 1;
                for (int i = 0; i < M; ++i) {
                    const size_t ii = static_cast<size_t>(i);
                    float* col = ring.get() + i * N;
                    const float in = fresh[l * static_cast<size_t>(M) + ii];
                    const float gone = col[k];
                    col[k] = in;
                    double sum = 0.0;
                    if (std::isfinite(in) && std::isfinite(gone) && nonFinite[ii] == 0 && !sync && !stale[ii]) {
                        sums[ii].Replace(in, gone);
                        sum = sums[ii].Value();
                    } else {
                        nonFinite[ii] += (std::isfinite(in) ? 0 : 1) - (std::isfinite(gone) ? 0 : 1);
                        stale[ii] = nonFinite[ii] != 0;
                        sums[ii].Reset(0.0);
                        const bool added = stale[ii] ? AddColumn(ctx, col, N, sum) : AddColumn(ctx, col, N, sums[ii]);
                        if (!added) {
                            out.Interrupt();
                            return;
                        }
                        if (!stale[ii])
                            sum = sums[ii].Value();
                    }
                    dst[l * static_cast<size_t>(M) + ii] = static_cast<float>(sum) / divisor;
                }
                if (++k == N)
                    k = 0;
            }
            out.CommitRows(rows, static_cast<size_t>(M));
            ctx.ProgressRows(p, static_cast<int64_t>(rows));
            if (ctx.Tick(rows * static_cast<size_t>(M))) {
                out.Interrupt();
                return;
            }
            j += rows;
        }
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
    if (!ctx.ShownChannelsOrFail(shown))
        return;
    ctx.observer.ProgressTitle(ProgressTitleId(job.m_op));
    float A[kJobChannels], B[kJobChannels];
    std::copy(job.m_coeffA, job.m_coeffA + kJobChannels, A);
    std::copy(job.m_coeffB, job.m_coeffB + kJobChannels, B);
    ResultFile out(ctx);
    const auto temp = out.TempPath();
    if (!out.Open(ctx.src.WriteDerivedHeader(temp, 1, A, B, nullptr, &ctx.header, HiddenChannels::LeaveOut), static_cast<int>(shown.size())))
        return;
    const RowBlockReader reader(ctx.src, shown);
    const size_t w = shown.size();
    const size_t block = RowsPerBlock(w);
    std::vector<float> floats;
    std::vector<long double> exact;
    const uint64_t total = static_cast<uint64_t>(ctx.end) - static_cast<uint64_t>(ctx.start);
    for (uint64_t done = 0; done < total;) {
        size_t rows = static_cast<size_t>(std::min<uint64_t>(total - done, block));
        float* dst = out.RowSpace(rows, w);
        if (!dst)
            return;
        const int64_t p = static_cast<int64_t>(static_cast<uint64_t>(ctx.start) + done);
        reader.Visit(p, rows, floats, exact, [&](const auto* x) {
            for (size_t r = 0; r < rows; ++r)
                for (size_t i = 0; i < w; ++i) {
                    const int j = shown[i];
                    *dst++ = static_cast<float>(static_cast<long double>(*x++) * static_cast<long double>(A[j]) +
                                                static_cast<long double>(B[j]));
                }
        });
        out.CommitRows(rows, w);
        ctx.ProgressRows(p, static_cast<int64_t>(rows));
        done += rows;
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
    if (!ctx.ShownChannelsOrFail(shown))
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
    const RowBlockReader reader(ctx.src, shown);
    const size_t block = RowsPerBlock(shown.size());
    std::vector<float> floats;
    std::vector<long double> exact;
    bool failed = false;
    for (int64_t p0 = ctx.start; p0 < ctx.end && !failed;) {
        const size_t rows = static_cast<size_t>(
            std::min<uint64_t>(static_cast<uint64_t>(ctx.end) - static_cast<uint64_t>(p0), block));
        ctx.ProgressRows(p0, static_cast<int64_t>(rows)); // each position's, before its row
        if (ctx.Tick(rows * shown.size())) {
            out.Interrupt();
            return;
        }
        reader.Visit(p0, rows, floats, exact, [&](const auto* next) {
            for (size_t r = 0; r < rows; ++r) {
                int k = 0;
                for (const int j : shown) {
                    const long double x = *next++;
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
                    if (!out.WriteRow(slot, static_cast<size_t>(k))) {
                        failed = true;
                        return;
                    }
                    W += 1.0;
                }
            }
        });
        p0 += static_cast<int64_t>(rows);
    }
    if (failed)
        return;
    if (out.Finish(ResultStartStamp(job.m_startTime, ctx.start, ctx.src.Rate())))
        ctx.Succeed();
}

} // namespace vistrel::engine
