// Spectral analysis: direct Fourier sums as one DFT per channel on eight workers (code 8) and
// an FFT per channel (code 9), both through FFTW and written in decibels relative to each channel's largest value.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "core/processing/Engine.h"
#include "core/processing/FftChannel.h"
#include "core/processing/RealFft.h"
#include "core/processing/RowBlocks.h"
#include "core/processing/Spectrogram.h"
#include "core/processing/SpectrumChecks.h"
#include "core/processing/SpectrumCore.h"
#include "platform/Threads.h"

namespace vistrel::engine {

namespace {

// Workers of the direct sums (each transforms every eighth channel).
constexpr int kSumWorkers = 8;

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
    // Waits up to `period`, until every slot reached 100 or until a worker asks whether to go
    // on; returns the sum of the slots.
    int Wait(std::chrono::milliseconds period) {
        std::unique_lock lock(m_mutex);
        m_cv.wait_for(lock, period, [&] {
            return Sum() >= 100 * static_cast<int>(m_slots.size()) || m_asked > m_answered;
        });
        return Sum();
    }
    // A worker between two pieces of work: the driver polls the stop request (the observer is
    // asked on the driver's thread only) and answers; true when the work goes on.
    bool GoOn(const std::atomic<bool>& stop) {
        std::unique_lock lock(m_mutex);
        const uint64_t ticket = ++m_asked;
        m_cv.notify_all();
        m_cv.wait(lock, [&] { return m_answered >= ticket || stop.load(); });
        return !stop.load();
    }
    // The driver has polled the stop request (and raised `stop` when asked to): answers the
    // workers waiting in GoOn.
    void Answer() {
        std::lock_guard lock(m_mutex);
        m_answered = m_asked;
        m_cv.notify_all();
    }
    int Count() const { return static_cast<int>(m_slots.size()); }

private:
    uint64_t m_asked = 0, m_answered = 0;
    std::vector<std::atomic<int>> m_slots;
    std::mutex m_mutex;
    std::condition_variable m_cv;
};

// Runs `work(i)` for i = 0..count-1 on threads of the lowest priority and reports the mean of
// their slots through percent(mean) every `period`. When a thread cannot be started, `stop` is
// raised, the started ones are joined and false is returned (the failure reported). A stop
// asked for by the observer raises `stop` too (the workers honour it between transforms);
// the run then ends as interrupted and false is returned.
template <typename Work, typename Percent>
bool RunWorkers(JobContext& ctx, WorkerSlots& slots, std::chrono::milliseconds period,
                std::atomic<bool>& stop, Work work, Percent percent) {
    if (ctx.Stopping()) {
        ctx.Interrupted();
        return false;
    }
    std::vector<std::thread> threads;
    try {
        threads.reserve(static_cast<size_t>(slots.Count()));
        for (int i = 0; i < slots.Count(); ++i) {
            BeforeWorkerStart(i);
            threads.emplace_back([&slots, &work, i] {
                platform::LowerCurrentThreadPriority();
                WorkerStarted(i);
                work(i);
                slots.Set(i, 100);
            });
        }
    } catch (const std::exception& e) {
        stop = true;
        slots.Answer();
        for (auto& t : threads)
            t.join();
        ctx.Fail(std::string("Cannot start the worker threads of the spectral analysis (") +
                 e.what() + "); no result was written");
        return false;
    }
    // The stop request is polled more often than the percent is sent.
    constexpr std::chrono::milliseconds kStopPoll(50);
    const int full = 100 * slots.Count();
    auto waited = std::chrono::milliseconds::zero();
    for (;;) {
        const int sum = slots.Wait(std::min(kStopPoll, period));
        waited += kStopPoll;
        if (sum >= full || waited >= period) {
            waited = std::chrono::milliseconds::zero();
            ctx.SendPercent(percent(sum / slots.Count()));
        }
        if (sum >= full)
            break;
        if (ctx.Stopping())
            stop = true;
        slots.Answer();
    }
    for (auto& t : threads)
        t.join();
    if (ctx.Stopping()) {
        ctx.Interrupted();
        return false;
    }
    return true;
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

// Power spectral density in dB re 1 unit^2/Hz, in place; the output range from the nearest
// multiple of 20 dB above the largest value down past the smallest finite one.
void DensityDecibels(double* values, size_t count, float& low, float& high) {
    double maxV = -1e300, minV = 1e300;
    for (size_t k = 0; k < count; ++k) {
        values[k] = 10.0 * std::log10(values[k]);
        if (std::isfinite(values[k])) {
            maxV = std::max(maxV, values[k]);
            minV = std::min(minV, values[k]);
        }
    }
    if (maxV < minV)
        maxV = minV = 0.0;
    const double top = std::ceil(maxV / 20.0) * 20.0;
    high = static_cast<float>(top);
    low = static_cast<float>(top - (std::trunc((top - minV) * 0.05) + 1.0) * 20.0);
}

bool SpectrumLimits(JobContext& ctx, double& lowerHz, double& upperHz) {
    const SpectrumParams& sp = ctx.job.m_spectrum;
    // The dialog and the command line lower an upper limit above half the sampling rate (and
    // say so); the FFT band never passes half the rate in any case.
    // The limit is compared in angular terms, as the front ends store it, so that half the
    // rate stays exactly half the rate (the FFT keeps the bin there).
    const double nyquist = SpectrumUpperLimitHz(INFINITY, ctx.src.Rate());
    const double nyquistW = kTwoPi * nyquist;
    lowerHz = sp.m_lowerW / kTwoPi;
    upperHz = sp.m_upperW == nyquistW ? nyquist : sp.m_upperW / kTwoPi;
    if (!std::isfinite(lowerHz) || !std::isfinite(upperHz) || lowerHz < 0 || !(upperHz > lowerHz)) {
        ctx.Fail("The frequency limits must satisfy 0 <= lower < upper");
        return false;
    }
    return true;
}

// Refuses a first row that cannot be stamped or a rate that no reader accepts.
bool CheckResult(JobContext& ctx, double firstHz, float resultRate) {
    SpectrumCheck check = SpectrumCheck::Ok;
    if (!(firstHz < kSpectrumFrequencyLimitHz))
        check = SpectrumCheck::LowerTooHigh;
    else if (!std::isfinite(resultRate) || !(resultRate > 0.0f))
        check = SpectrumCheck::RateNotUsable;
    if (check == SpectrumCheck::Ok)
        return true;
    ctx.Fail(SpectrumCheckText(check));
    return false;
}

// The band of bins b0 .. b0 + bins - 1 of an N-point transform between the limits, its first
// frequency and the result's frequency step; false (the job failed with the reason) when no
// bin lies between the limits or the result cannot be stored.
struct FftBand {
    int64_t b0 = 0, bins = 0;
    double firstHz = 0;
    float resultRate = 0;
};
bool PlanFftBand(JobContext& ctx, double lowerHz, double upperHz, int64_t N, FftBand& band) {
    const double rate = ctx.src.Rate();
    band.b0 = FirstFftBin(lowerHz, rate, N);
    band.bins = EndFftBin(band.b0, upperHz, rate, N) - band.b0;
    if (band.bins == 0) {
        ctx.Fail("No FFT bin lies between the frequency limits");
        return false;
    }
    band.firstHz = FftBinHz(band.b0, rate, N);
    band.resultRate = FftSpectrumRate(N, ctx.src.Rate());
    return CheckResult(ctx, band.firstHz, band.resultRate);
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
    const float resultRate = DirectSpectrumRate(J, lower, upper);
    if (!CheckResult(ctx, lowerHz, resultRate))
        return;

    ctx.observer.ProgressTitle(ProgressTitleId(job.m_op));
    // Memory: the windowed samples, the table of periods, the two sum tables and the decibel
    // table, the transform's plan, and per transform running at once its buffer and FFTW's
    // scratch. Up to eight channels are transformed at once, fewer when they do not fit.
    const uint64_t positions = static_cast<uint64_t>(H);
    const RealFftCost cost = EstimateRealFftCost(static_cast<size_t>(positions));
    const uint64_t fixed = positions * static_cast<uint64_t>(M) * sizeof(float) + cost.planBytes +
                           static_cast<uint64_t>(J) * (1 + 3 * static_cast<uint64_t>(M)) * sizeof(double);
    const uint64_t perTransform =
        RealFftOutputDoubles(static_cast<size_t>(positions)) * sizeof(double) + cost.scratchBytes;
    int group = std::min(M, kSumWorkers);
    while (group > 0 && !FitsBudget(static_cast<uint64_t>(group), perTransform, fixed))
        --group;
    if (group == 0) {
        ctx.Fail(kNoMemory);
        return;
    }
    DirectSums sums;
    if (!sums.Allocate(positions, static_cast<uint64_t>(J), M)) {
        ctx.Fail(kNoMemory);
        return;
    }
    RealFftHold plan;
    std::vector<AlignedDoubles> buffers;
    if (H >= 2) {
        plan = RealFftPlanFor(static_cast<size_t>(H));
        for (int k = 0; k < group; ++k) {
            buffers.emplace_back(RealFftOutputDoubles(static_cast<size_t>(H)));
            if (!buffers.back())
                plan.reset();
        }
        if (!plan) {
            ctx.Fail(kNoMemory);
            return;
        }
    }
    for (int64_t S = 0; S < J; ++S) {
        sums.periods[S] = AnalysisPeriods(lower, upper, S, J, T);
        if (ctx.Tick(1)) {
            ctx.Interrupted();
            return;
        }
    }
    for (int64_t p = ctx.start; p < ctx.end; ++p) {
        if (ctx.Tick(static_cast<uint64_t>(M))) {
            ctx.Interrupted();
            return;
        }
        const float coef = static_cast<float>(
            WindowCoefficient(job.m_spectrum.m_window, static_cast<double>(p - ctx.start),
                              static_cast<double>(H)));
        float* row = sums.windowed.get() + (p - ctx.start) * M;
        for (int i = 0; i < M; ++i)
            row[i] = static_cast<float>(ctx.Sample(p, list.sources[i] - 1) * coef);
    }
    ctx.SendPercent(2);
    WorkerSlots slots(kSumWorkers);
    std::atomic<bool> stop{false};
    // Worker k < group transforms the channels k, k + group, ...; the others have nothing to do.
    // A raised stop is honoured between transforms.
    const bool ran = RunWorkers(ctx, slots, std::chrono::milliseconds(1000), stop, [&](int k) {
        if (k >= group || !plan)
            return;
        const int mine = (M - k + group - 1) / group;
        int done = 0;
        for (int i = k; i < M; i += group) {
            if (stop.load())
                return;
            sums.Channel(i, *plan, buffers[k].data(), &stop);
            slots.Set(k, std::min(99, ++done * 100 / mine));
        }
    }, [](int percent) { return percent; });
    if (!ran)
        return;
    buffers.clear();
    plan.reset();
    std::vector<double> db(static_cast<size_t>(J) * M);
    sums.Magnitudes(T, rate, db.data());
    for (int i = 0; i < M; ++i)
        Decibels(db.data() + i, static_cast<size_t>(J), static_cast<size_t>(M), list.rangeLow[i],
                 list.rangeHigh[i]);
    sums.Free();

    ResultFile out(ctx);
    const auto temp = out.TempPath();
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

// The averaged FFT spectrum (Welch's method) of the fragment itself: the cursors stay, no
// sample outside the fragment is read. Channels are read and transformed one at a time.
void SpectrumWelch(JobContext& ctx) {
    ProcessJob& job = ctx.job;
    OutputChannelList& list = job.m_outputs;
    if (!ctx.OrderFragment())
        return;
    if (!ctx.CheckSources(list.count, 1))
        return;
    double lowerHz, upperHz;
    if (!SpectrumLimits(ctx, lowerHz, upperHz))
        return;
    const int segments = job.m_spectrum.m_average;
    if (segments < spectro::kMinWelchSegments || segments > spectro::kMaxWelchSegments) {
        ctx.Fail("The number of averaged segments must be from 2 to 1024");
        return;
    }
    const int64_t length = ctx.end - ctx.start;
    const size_t L = spectro::WelchSegmentLength(length, segments);
    if (L < 2) {
        ctx.Fail(spectro::WelchShortText(length, segments));
        return;
    }
    ctx.observer.ProgressTitle(ProgressTitleId(job.m_op));
    const int M = list.count;
    const double rate = ctx.src.Rate();
    const int64_t N = static_cast<int64_t>(L);
    FftBand fftBand;
    if (!PlanFftBand(ctx, lowerHz, upperHz, N, fftBand))
        return;
    const int64_t b0 = fftBand.b0, bins = fftBand.bins;
    const double firstHz = fftBand.firstHz;
    const float resultRate = fftBand.resultRate;
    // Memory: the fragment of one channel in double and in the reader's long double blocks,
    // the band of every channel, the transform.
    const uint64_t bandValues = static_cast<uint64_t>(bins) * static_cast<uint64_t>(M);
    if (!FitsBudget(static_cast<uint64_t>(length), sizeof(double),
                    bandValues * sizeof(double) + EstimateRealFftCost(L).planBytes + 2 * L * sizeof(double))) {
        ctx.Fail(kNoMemory);
        return;
    }
    auto band = TryAlloc<double>(bandValues);
    auto x = TryAlloc<double>(static_cast<uint64_t>(length));
    if (!band || !x) {
        ctx.Fail(kNoMemory);
        return;
    }
    const spectro::WelchScaling scaling =
        job.m_spectrum.m_density != 0 ? spectro::WelchScaling::Density : spectro::WelchScaling::Spectrum;
    constexpr size_t kBlock = 4096;
    std::vector<long double> block(kBlock);
    for (int i = 0; i < M; ++i) {
        // Reading takes the first half of each channel's share of the percent, the transforms
        // the second.
        for (int64_t p = ctx.start; p < ctx.end; p += static_cast<int64_t>(kBlock)) {
            const size_t count = static_cast<size_t>(std::min<int64_t>(ctx.end - p, static_cast<int64_t>(kBlock)));
            if (ctx.Tick(count)) {
                ctx.Interrupted();
                return;
            }
            ctx.src.ReadRun(static_cast<uint64_t>(p), count, list.sources[i] - 1, block.data());
            for (size_t k = 0; k < count; ++k)
                x[static_cast<size_t>(p - ctx.start) + k] = static_cast<double>(block[k]);
        }
        ctx.SendPercent(static_cast<int>((2 * i + 1) * 50 / M));
        spectro::WelchResult welch;
        std::string error;
        const bool done = spectro::WelchSpectrum(x.get(), length, segments, job.m_spectrum.m_window, rate, scaling,
                                                 welch, error, [&](uint64_t, uint64_t) { return !ctx.Tick(L); });
        if (!done) {
            if (error.empty())
                ctx.Interrupted();
            else
                ctx.Fail(error);
            return;
        }
        double* out = band.get() + static_cast<int64_t>(i) * bins;
        for (int64_t b = 0; b < bins; ++b)
            out[b] = welch.power[static_cast<size_t>(b0 + b)];
        if (scaling == spectro::WelchScaling::Spectrum) {
            // The amplitude of each bin, in decibels relative to the largest, as a single FFT.
            for (int64_t b = 0; b < bins; ++b)
                out[b] = std::sqrt(out[b]);
            Decibels(out, static_cast<size_t>(bins), 1, list.rangeLow[i], list.rangeHigh[i]);
        } else {
            DensityDecibels(out, static_cast<size_t>(bins), list.rangeLow[i], list.rangeHigh[i]);
        }
        ctx.SendPercent(static_cast<int>((2 * i + 2) * 50 / M));
    }
    x.reset();
    list.spectrumPoints = static_cast<int32_t>(std::min<int64_t>(bins, INT32_MAX));

    ResultFile out(ctx);
    const auto temp = out.TempPath();
    if (!out.Open(ctx.src.WriteResultHeader(temp, list, resultRate), M))
        return;
    std::vector<float> row(static_cast<size_t>(M));
    for (int64_t b = 0; b < bins; ++b) {
        for (int i = 0; i < M; ++i)
            row[i] = static_cast<float>(band[i * bins + b]);
        if (!out.WriteRow(row.data(), row.size()))
            return;
    }
    if (out.Finish(ResultStartStamp(job.m_startTime, ctx.start, ctx.src.Rate()), true, firstHz))
        ctx.Succeed();
}

void SpectrumFft(JobContext& ctx) {
    ProcessJob& job = ctx.job;
    OutputChannelList& list = job.m_outputs;
    if (job.m_spectrum.m_average != 0) {
        SpectrumWelch(ctx);
        return;
    }
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
    FftBand fftBand;
    if (!PlanFftBand(ctx, lowerHz, upperHz, N, fftBand))
        return;
    const int64_t b0 = fftBand.b0, bins = fftBand.bins, b1 = b0 + bins;
    const double firstHz = fftBand.firstHz;
    const float resultRate = fftBand.resultRate;

    // Memory: the transform's plan, the window, the band of every channel in float, and per
    // worker the buffer that takes one channel's windowed samples and then their transform, and
    // FFTW's scratch. As many workers as there are cores and channels, fewer when the budget
    // holds fewer; each transforms one channel at a time.
    const uint64_t n = static_cast<uint64_t>(N);
    const RealFftCost cost = EstimateRealFftCost(static_cast<size_t>(n));
    const uint64_t bandValues = static_cast<uint64_t>(bins) * static_cast<uint64_t>(M);
    const uint64_t fixed = cost.planBytes + bandValues * sizeof(float) + n * sizeof(float);
    const uint64_t perWorker = RealFftOutputDoubles(static_cast<size_t>(n)) * sizeof(double) + cost.scratchBytes;
    int workers = std::min(M, CoreWorkers());
    while (workers > 0 && !FitsBudget(static_cast<uint64_t>(workers), perWorker, fixed))
        --workers;
    if (workers == 0) {
        ctx.Fail(kNoMemory);
        return;
    }
    auto band = TryAlloc<float>(bandValues);
    auto window = band ? TryAlloc<float>(n) : nullptr;
    RealFftHold plan = window ? RealFftPlanFor(static_cast<size_t>(N)) : nullptr;
    std::vector<AlignedDoubles> buffers;
    for (int t = 0; plan && t < workers; ++t) {
        buffers.emplace_back(RealFftOutputDoubles(static_cast<size_t>(N)));
        if (!buffers.back())
            plan.reset();
    }
    if (!plan) {
        ctx.Fail(kNoMemory);
        return;
    }
    FftWindow(job.m_spectrum.m_window, static_cast<size_t>(N), window.get());
    ctx.SendPercent(2);
    WorkerSlots slots(workers);
    std::atomic<bool> stop{false};
    std::atomic<int> next{0}, done{0};
    const bool ran = RunWorkers(ctx, slots, std::chrono::milliseconds(500), stop, [&](int t) {
        double* data = buffers[static_cast<size_t>(t)].data();
        // Before each further channel the stop request is polled: a stop raised while a
        // channel is transformed leaves the ones not yet begun untouched.
        for (int i = next++; i < M && (i < workers || slots.GoOn(stop)); i = next++) {
            const RowBlockReader reader(ctx.src, {list.sources[i] - 1});
            if (!ReadWindowed(reader, span.start, static_cast<size_t>(N), window.get(), data, &stop))
                return;
            ExecuteRealFft(*plan, data);
            // The band's magnitudes overwrite the transform in place (bin b goes to b - b0 and
            // no bin lies above N/2), then become decibels of the channel's largest.
            SpectrumMagnitudes(data, static_cast<size_t>(N), static_cast<size_t>(b0), static_cast<size_t>(b1), data);
            Decibels(data, static_cast<size_t>(bins), 1, list.rangeLow[i], list.rangeHigh[i]);
            float* column = band.get() + i;
            for (int64_t b = 0; b < bins; ++b)
                column[b * M] = static_cast<float>(data[b]);
            ++done;
        }
    }, [&](int percent) { return percent >= 100 ? 100 : 2 + 98 * done.load() / M; });
    if (!ran)
        return;
    buffers.clear();
    plan.reset();
    window.reset();
    list.spectrumPoints = static_cast<int32_t>(std::min<int64_t>(bins, INT32_MAX));

    ResultFile out(ctx);
    const auto temp = out.TempPath();
    if (!out.Open(ctx.src.WriteResultHeader(temp, list, resultRate), M))
        return;
    for (int64_t b = 0; b < bins; ++b)
        if (!out.WriteRow(band.get() + b * M, static_cast<size_t>(M)))
            return;
    if (out.Finish(ResultStartStamp(job.m_startTime, span.start, ctx.src.Rate()), true, firstHz))
        ctx.Succeed();
}

} // namespace vistrel::engine
