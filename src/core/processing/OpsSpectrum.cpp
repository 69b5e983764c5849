// Spectral analysis: direct Fourier sums on eight workers (code 8) and an FFT per channel
// (code 9), both written in decibels relative to each channel's largest value.
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/processing/Engine.h"
#include "core/processing/SpectrumCore.h"

namespace vistrel::engine {

namespace {

// Worker progress slots polled by the driver; workers notify so the driver ends at once.
class WorkerSlots {
public:
    explicit WorkerSlots(int count) : m_slots(static_cast<size_t>(count)) {
        for (auto& s : m_slots)
            s.store(0);
    }
    void Set(int index, int percent) {
        m_slots[static_cast<size_t>(index)].store(percent);
        if (percent >= 100) {
            std::lock_guard lock(m_mutex);
            m_cv.notify_all();
        }
    }
    int Sum() const {
        int sum = 0;
        for (const auto& s : m_slots)
            sum += s.load();
        return sum;
    }
    // Waits up to `period` or until every slot reached 100; returns the sum of the slots.
    int Wait(std::chrono::milliseconds period) {
        std::unique_lock lock(m_mutex);
        m_cv.wait_for(lock, period, [&] { return Sum() >= 100 * static_cast<int>(m_slots.size()); });
        return Sum();
    }
    int Count() const { return static_cast<int>(m_slots.size()); }

private:
    std::vector<std::atomic<int>> m_slots;
    std::mutex m_mutex;
    std::condition_variable m_cv;
};

// Runs `work(i)` for i = 0..count-1 on threads and reports the mean of their slots.
template <typename Work>
void RunWorkers(JobContext& ctx, WorkerSlots& slots, std::chrono::milliseconds period, Work work) {
    std::vector<std::thread> threads;
    threads.reserve(static_cast<size_t>(slots.Count()));
    for (int i = 0; i < slots.Count(); ++i)
        threads.emplace_back([&slots, &work, i] {
            work(i);
            slots.Set(i, 100);
        });
    const int full = 100 * slots.Count();
    for (;;) {
        const int sum = slots.Wait(period);
        ctx.SendPercent(sum / slots.Count());
        if (sum >= full)
            break;
    }
    for (auto& t : threads)
        t.join();
}

// Decibels relative to the channel's largest value and the output range. values: count
// magnitudes of one channel at stride `stride`; written back in place.
void Decibels(double* values, size_t count, size_t stride, float& low, float& high) {
    double maxV = -1e20, minV = 1e20;
    for (size_t k = 0; k < count; ++k) {
        double& v = values[k * stride];
        v = std::log2(v) * std::log10(2.0) * 20.0;
        if (std::isfinite(v)) { // a zero magnitude is minus infinity and stays so
            if (v > maxV)
                maxV = v;
            if (v < minV)
                minV = v;
        }
    }
    if (maxV < minV)
        maxV = minV = 0.0;
    for (size_t k = 0; k < count; ++k)
        values[k * stride] -= maxV;
    high = 0.0f;
    low = static_cast<float>(-(std::trunc(std::fabs(minV - maxV) * 0.05) + 1.0) * 20.0);
}

bool SpectrumLimits(JobContext& ctx, double& lowerHz, double& upperHz) {
    const SpectrumParams& sp = ctx.job.m_spectrum;
    lowerHz = sp.m_lowerW / kTwoPi;
    upperHz = sp.m_upperW / kTwoPi;
    if (!std::isfinite(lowerHz) || !std::isfinite(upperHz) || lowerHz < 0 || !(upperHz > lowerHz)) {
        ctx.Fail("The frequency limits must satisfy 0 <= lower < upper");
        return false;
    }
    return true;
}

} // namespace

void SpectrumDirect(JobContext& ctx) {
    ProcessJob& job = ctx.job;
    if (!ctx.OrderFragment())
        return;
    OutputChannelList& list = job.m_outputs;
    if (!ctx.CheckSources(list.count, 1))
        return;
    const int64_t J = list.spectrumPoints;
    if (J < 1) {
        ctx.Fail("The number of frequency points must be at least 1");
        return;
    }
    double lowerHz, upperHz;
    if (!SpectrumLimits(ctx, lowerHz, upperHz))
        return;
    const int M = list.count;
    const int64_t H = ctx.end - ctx.start;
    const double rate = ctx.src.Rate();
    const double T = static_cast<double>(H) / rate;
    const double lower = job.m_spectrum.m_lowerW, upper = job.m_spectrum.m_upperW;

    ctx.observer.ProgressTitle(ProgressTitleId(job.m_op));
    // Windowed samples, frequency table, two sum tables and the decibel table.
    const uint64_t need = static_cast<uint64_t>(H) * M * sizeof(float);
    if (!FitsBudget(static_cast<uint64_t>(J) * (1 + 3 * static_cast<uint64_t>(M)), sizeof(double), need)) {
        ctx.Fail(kNoMemory);
        return;
    }
    DirectSums sums;
    if (!sums.Allocate(static_cast<uint64_t>(H), static_cast<uint64_t>(J), M)) {
        ctx.Fail(kNoMemory);
        return;
    }
    for (int64_t S = 0; S < J; ++S)
        sums.freq[S] = AnalysisFrequency(lower, upper, S, J, T);
    for (int64_t p = ctx.start; p < ctx.end; ++p) {
        const float coef = static_cast<float>(
            WindowCoefficient(job.m_spectrum.m_window, static_cast<double>(p - ctx.start),
                              static_cast<double>(H)));
        float* row = sums.windowed.get() + (p - ctx.start) * M;
        for (int i = 0; i < M; ++i)
            row[i] = static_cast<float>(ctx.Sample(p, list.sources[i] - 1) * coef);
    }
    ctx.SendPercent(2);
    WorkerSlots slots(8);
    RunWorkers(ctx, slots, std::chrono::milliseconds(1000), [&](int k) {
        const int64_t b0 = J * k / 8, b1 = J * (k + 1) / 8;
        sums.Run(b0, b1, rate, [&](int percent) { slots.Set(k, percent); });
    });
    std::vector<double> db(static_cast<size_t>(J) * M);
    sums.Magnitudes(T, rate, db.data());
    for (int i = 0; i < M; ++i)
        Decibels(db.data() + i, static_cast<size_t>(J), static_cast<size_t>(M), list.rangeLow[i],
                 list.rangeHigh[i]);
    sums.Free();

    ResultFile out(ctx);
    const auto temp = out.TempPath();
    const float resultRate = static_cast<float>(static_cast<double>(J) * kTwoPi / (upper - lower));
    if (!out.Open(ctx.src.WriteResultHeader(temp, list, resultRate), M))
        return;
    std::vector<float> row(static_cast<size_t>(M));
    for (int64_t S = 0; S < J; ++S) {
        for (int i = 0; i < M; ++i)
            row[i] = static_cast<float>(db[static_cast<size_t>(S) * M + i]);
        if (!out.WriteRow(row.data(), row.size()))
            return;
    }
    if (out.Finish(ResultStartStamp(job.m_startTime, ctx.start, ctx.src.Rate()), true, lowerHz))
        ctx.Succeed();
}

void SpectrumFft(JobContext& ctx) {
    ProcessJob& job = ctx.job;
    OutputChannelList& list = job.m_outputs;
    const FftSpan span = ChooseFftSpan(job.m_cursor1, job.m_cursor2, ctx.src.Samples());
    if (span.n == 0) {
        ctx.EndQuietly("The fragment between the cursors is empty");
        return;
    }
    if (!ctx.CheckSources(list.count, 1))
        return;
    double lowerHz, upperHz;
    if (!SpectrumLimits(ctx, lowerHz, upperHz))
        return;
    ctx.start = span.start;
    ctx.end = span.end;
    job.m_cursorsMoved = true;
    job.m_newCursor1 = span.start;
    job.m_newCursor2 = span.end;
    ctx.observer.CursorsMoved(span.start, span.end);
    ctx.observer.ProgressTitle(ProgressTitleId(job.m_op));

    const int M = list.count;
    const int64_t N = span.n;
    // Windowed samples, magnitudes and one complex work array per channel.
    if (!FitsBudget(static_cast<uint64_t>(N) * M, 4 * sizeof(double))) {
        ctx.Fail(kNoMemory);
        return;
    }
    auto windowed = TryAlloc<double>(static_cast<uint64_t>(N) * M);
    auto mags = TryAlloc<double>(static_cast<uint64_t>(N) * M);
    if (!windowed || !mags) {
        ctx.Fail(kNoMemory);
        return;
    }
    for (int64_t p = span.start; p < span.end; ++p) {
        const float coef = static_cast<float>(WindowCoefficient(
            job.m_spectrum.m_window, static_cast<double>(p - span.start), static_cast<double>(N)));
        for (int i = 0; i < M; ++i)
            windowed[i * N + (p - span.start)] =
                static_cast<double>(ctx.Sample(p, list.sources[i] - 1) * coef);
    }
    ctx.SendPercent(2);
    WorkerSlots slots(M);
    std::atomic<bool> fftFailed{false};
    RunWorkers(ctx, slots, std::chrono::milliseconds(500), [&](int i) {
        if (!FftMagnitudes(windowed.get() + i * N, mags.get() + i * N, static_cast<size_t>(N)))
            fftFailed = true;
    });
    windowed.reset();
    if (fftFailed) {
        ctx.Fail(kNoMemory);
        return;
    }
    const double rate = ctx.src.Rate();
    int64_t b0 = -1, b1 = -1; // band of bins: b0 .. b1 - 1
    for (int64_t b = 0; b < N; ++b) {
        const double f = static_cast<double>(b) * rate / static_cast<double>(N);
        if (lowerHz <= f && f < upperHz) {
            if (b0 < 0)
                b0 = b;
            b1 = b + 1;
        }
    }
    const int64_t bins = b0 < 0 ? 0 : b1 - b0;
    if (bins == 0) {
        ctx.Fail("No FFT bin lies between the frequency limits");
        return;
    }
    for (int i = 0; i < M; ++i)
        Decibels(mags.get() + i * N + b0, static_cast<size_t>(bins), 1, list.rangeLow[i],
                 list.rangeHigh[i]);
    list.spectrumPoints = static_cast<int32_t>(std::min<int64_t>(bins, INT32_MAX));

    ResultFile out(ctx);
    const auto temp = out.TempPath();
    if (!out.Open(ctx.src.WriteResultHeader(temp, list, static_cast<float>(static_cast<double>(N) / rate)), M))
        return;
    std::vector<float> row(static_cast<size_t>(M));
    for (int64_t b = b0; b < b1; ++b) {
        for (int i = 0; i < M; ++i)
            row[i] = static_cast<float>(mags[i * N + b]);
        if (!out.WriteRow(row.data(), row.size()))
            return;
    }
    if (out.Finish(ResultStartStamp(job.m_startTime, span.start, ctx.src.Rate()), true, lowerHz))
        ctx.Succeed();
}

} // namespace vistrel::engine
