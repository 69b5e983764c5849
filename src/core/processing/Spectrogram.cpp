#include "core/processing/Spectrogram.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#include "core/processing/RealFft.h"
#include "core/processing/WindowFft.h"

namespace vistrel::spectro {

StftCheck CheckStft(const StftSettings& s) {
    if (s.size < kMinStftSize || s.size > kMaxStftSize)
        return StftCheck::SizeOutOfRange;
    if (!(s.overlapPercent >= 0.0 && s.overlapPercent <= kMaxOverlapPercent))
        return StftCheck::OverlapOutOfRange;
    if (s.window < WINDOW_RECTANGULAR || s.window > WINDOW_BLACKMAN_HARRIS)
        return StftCheck::UnknownWindow;
    return StftCheck::Ok;
}

std::string StftCheckText(StftCheck check) {
    switch (check) {
    case StftCheck::SizeOutOfRange:
        return "the FFT size must be an integer from 256 to 65536";
    case StftCheck::OverlapOutOfRange:
        return "the overlap must be a number from 0 to 90 percent";
    case StftCheck::UnknownWindow:
        return "the window must be 0 (rectangular), 1 (Gauss), 2 (Hamming), 3 (Hann) or 4 (Blackman-Harris)";
    case StftCheck::TooShort:
        return "the fragment is shorter than one FFT frame";
    default:
        return std::string();
    }
}

size_t OverlapSamples(const StftSettings& s) {
    // The product is exact for the sizes and the percentages people type (a whole or a
    // decimal number); the floor matches what the overlap of N * p / 100 samples means.
    const double overlap = std::floor(static_cast<double>(s.size) * s.overlapPercent / 100.0 + 1e-9);
    return std::min(s.size - 1, static_cast<size_t>(std::max(0.0, overlap)));
}

size_t HopSamples(const StftSettings& s) {
    return s.size - OverlapSamples(s);
}

std::vector<double> WindowArray(int32_t type, size_t n) {
    std::vector<double> w(n);
    for (size_t i = 0; i < n; ++i)
        w[i] = WindowCoefficient(type, static_cast<double>(i), static_cast<double>(n));
    return w;
}

FramePlan StftFrames(int64_t from, int64_t to, const StftSettings& s) {
    FramePlan plan;
    const int64_t n = static_cast<int64_t>(s.size);
    const int64_t hop = static_cast<int64_t>(HopSamples(s));
    if (n <= 0 || hop <= 0 || to - from < n)
        return plan;
    const int64_t count = (to - from - n) / hop + 1;
    plan.starts.reserve(static_cast<size_t>(count));
    for (int64_t f = 0; f < count; ++f)
        plan.starts.push_back(from + f * hop);
    return plan;
}

FramePlan ViewFrames(int64_t from, int64_t to, int64_t samples, int columns, int perColumn,
                     const StftSettings& s) {
    const int64_t n = static_cast<int64_t>(s.size);
    from = std::max<int64_t>(0, from);
    to = std::min(to, samples);
    if (columns < 1 || to - from <= static_cast<int64_t>(columns) * n)
        return StftFrames(from, to, s);
    FramePlan plan;
    plan.bounded = true;
    const int64_t span = to - from;
    const int64_t column = span / columns; // at least N here
    plan.perFrame = std::max(1, std::min<int>(perColumn, static_cast<int>(std::min<int64_t>(column / n, 64))));
    plan.spread = plan.perFrame > 1 ? (column - n) / (plan.perFrame - 1) : 0;
    plan.starts.reserve(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        int64_t start = from + static_cast<int64_t>(static_cast<double>(c) * static_cast<double>(span) / columns);
        const int64_t last = start + (plan.perFrame - 1) * plan.spread + n;
        if (last > samples)
            start -= last - samples;
        plan.starts.push_back(std::max<int64_t>(0, start));
    }
    return plan;
}

double Spectrogram::FrameCentre(size_t f) const {
    return (static_cast<double>(starts[f]) + static_cast<double>(size) / 2.0) / rate;
}

double Spectrogram::BinHz(size_t k) const {
    return static_cast<double>(k) * rate / static_cast<double>(size);
}

double Spectrogram::Decibels(size_t f, size_t k) const {
    const double m = magnitude[f * bins + k];
    if (!(largest > 0.0))
        return m > 0.0 ? 0.0 : -INFINITY;
    return 20.0 * std::log10(m / largest);
}

namespace {

// |X_k|^2 of the bins 0 .. N/2 that ExecuteRealFft wrote, added to power[k].
void AddPower(const double* spectrum, size_t bins, double* power) {
    for (size_t k = 0; k < bins; ++k) {
        const double re = spectrum[2 * k], im = spectrum[2 * k + 1];
        power[k] += re * re + im * im;
    }
}

} // namespace

bool ComputeSpectrogram(const FramePlan& plan, const StftSettings& s, double rate, const SampleReader& read,
                        Spectrogram& out, std::string& error, const StftProgress& progress, int workers) {
    error.clear();
    const StftCheck check = CheckStft(s);
    if (check != StftCheck::Ok) {
        error = StftCheckText(check);
        return false;
    }
    const size_t n = s.size;
    out.size = n;
    out.bins = n / 2 + 1;
    out.rate = rate;
    out.starts = plan.starts;
    out.largest = 0.0;
    out.magnitude.assign(plan.starts.size() * out.bins, 0.0);
    const std::vector<double> window = WindowArray(s.window, n);
    const RealFftHold fft = RealFftPlanFor(n);
    if (!fft) {
        error = "the FFT of " + std::to_string(n) + " points cannot be made (out of memory)";
        return false;
    }
    const size_t frames = plan.starts.size();
    const uint64_t total = static_cast<uint64_t>(frames) * static_cast<uint64_t>(std::max(1, plan.perFrame));
    std::atomic<size_t> next{0};
    std::atomic<uint64_t> done{0};
    std::atomic<bool> stop{false}, failed{false};
    // Each worker takes the next frame until none is left; the calling thread reports progress.
    auto work = [&](bool reporter) {
        AlignedDoubles buffer(RealFftOutputDoubles(n));
        std::vector<double> samples(n);
        if (!buffer) {
            failed = true;
            stop = true;
            return;
        }
        for (;;) {
            if (stop.load(std::memory_order_relaxed))
                return;
            const size_t f = next.fetch_add(1);
            if (f >= frames)
                return;
            double* power = out.magnitude.data() + f * out.bins;
            for (int j = 0; j < plan.perFrame; ++j) {
                read(plan.starts[f] + j * plan.spread, n, samples.data());
                double* data = buffer.data();
                for (size_t i = 0; i < n; ++i)
                    data[i] = samples[i] * window[i];
                ExecuteRealFft(*fft, data);
                AddPower(data, out.bins, power);
            }
            const double scale = 1.0 / plan.perFrame;
            for (size_t k = 0; k < out.bins; ++k)
                power[k] = std::sqrt(power[k] * scale);
            const uint64_t now = done.fetch_add(static_cast<uint64_t>(plan.perFrame)) + plan.perFrame;
            if (reporter && progress && !progress(now, total))
                stop = true;
        }
    };
    std::vector<std::thread> threads;
    const int extra = std::max(0, std::min<int>(workers, static_cast<int>(std::min<size_t>(frames, 64))) - 1);
    try {
        for (int t = 0; t < extra; ++t)
            threads.emplace_back(work, false);
    } catch (const std::exception&) {
        // Fewer threads than asked for: the calling thread does the rest.
    }
    work(true);
    for (auto& t : threads)
        t.join();
    if (failed) {
        error = "no memory for the FFT buffers";
        return false;
    }
    if (stop)
        return false;
    if (progress && !progress(total, total))
        return false;
    for (const double m : out.magnitude)
        out.largest = std::max(out.largest, m);
    return true;
}

size_t WelchSegmentLength(int64_t length, int segments) {
    if (length <= 0 || segments < 1)
        return 0;
    return static_cast<size_t>(2 * static_cast<uint64_t>(length) / (static_cast<uint64_t>(segments) + 1));
}

std::string WelchShortText(int64_t length, int segments) {
    return "The fragment of " + std::to_string(length) + " samples is too short for " + std::to_string(segments) +
           " averaged segments (each needs at least 2 samples)";
}

bool WelchSpectrum(const double* x, int64_t length, int segments, int32_t window, double rate,
                   WelchScaling scaling, WelchResult& out, std::string& error, const StftProgress& progress) {
    error.clear();
    const size_t L = WelchSegmentLength(length, segments);
    out = WelchResult();
    out.segmentLength = L;
    if (L < 2) {
        error = WelchShortText(length, segments);
        return false;
    }
    const size_t overlap = L / 2;
    const size_t step = L - overlap;
    const size_t count = (static_cast<size_t>(length) - overlap) / step;
    const std::vector<double> w = WindowArray(window, L);
    double sum = 0.0, sumSquares = 0.0;
    for (const double v : w) {
        sum += v;
        sumSquares += v * v;
    }
    const double scale = scaling == WelchScaling::Density ? 1.0 / (rate * sumSquares) : 1.0 / (sum * sum);
    if (!std::isfinite(scale)) {
        error = "the window has no weight at this segment length";
        return false;
    }
    const RealFftHold fft = RealFftPlanFor(L);
    AlignedDoubles buffer(RealFftOutputDoubles(L));
    if (!fft || !buffer) {
        error = "the FFT of " + std::to_string(L) + " points cannot be made (out of memory)";
        return false;
    }
    const size_t bins = L / 2 + 1;
    out.power.assign(bins, 0.0);
    for (size_t s = 0; s < count; ++s) {
        if (progress && !progress(s, count))
            return false;
        const double* seg = x + s * step;
        double* data = buffer.data();
        for (size_t i = 0; i < L; ++i)
            data[i] = seg[i] * w[i];
        ExecuteRealFft(*fft, data);
        AddPower(data, bins, out.power.data());
    }
    const double mean = scale / static_cast<double>(count);
    for (size_t k = 0; k < bins; ++k) {
        // One-sided: every bin but DC and, for an even length, the one at half the rate
        // holds its negative-frequency twin too.
        const bool single = k == 0 || (L % 2 == 0 && k == L / 2);
        out.power[k] *= mean * (single ? 1.0 : 2.0);
    }
    out.segments = count;
    return true;
}

} // namespace vistrel::spectro
