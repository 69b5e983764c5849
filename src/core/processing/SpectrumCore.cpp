#include "core/processing/SpectrumCore.h"

#include <cmath>
#include <new>

#include "core/processing/WindowFft.h"

namespace vistrel {

int64_t AnalysisPeriods(double lowerW, double upperW, int64_t S, int64_t J, double T) {
    const double w = lowerW + static_cast<double>(S) * (upperW - lowerW) / static_cast<double>(J);
    const double periods = 2.0 * T / (kTwoPi / w);
    const int64_t m = std::isfinite(periods) && periods < 9e18 ? static_cast<int64_t>(periods) : 0;
    return m / 2 + (m % 2 != 0 ? 1 : 0);
}

double AnalysisFrequency(double lowerW, double upperW, int64_t S, int64_t J, double T) {
    return kTwoPi * static_cast<double>(AnalysisPeriods(lowerW, upperW, S, J, T)) / T;
}

namespace {

template <typename T>
std::unique_ptr<T[]> Allocated(uint64_t count, bool zeroed) {
    if (count == 0)
        count = 1;
    if (count > (uint64_t{1} << 60) / sizeof(T))
        return nullptr;
    if (zeroed)
        return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<size_t>(count)]());
    return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<size_t>(count)]);
}

} // namespace

bool DirectSums::Allocate(uint64_t positions, uint64_t points, int channels) {
    H = static_cast<int64_t>(positions);
    J = static_cast<int64_t>(points);
    M = channels;
    windowed = Allocated<float>(positions * static_cast<uint64_t>(channels), false);
    periods = Allocated<int64_t>(points, false);
    sinSum = Allocated<double>(points * static_cast<uint64_t>(channels), true);
    cosSum = Allocated<double>(points * static_cast<uint64_t>(channels), true);
    if (positions > (uint64_t{1} << 56) || points > (uint64_t{1} << 56) || !windowed || !periods ||
        !sinSum || !cosSum) {
        Free();
        return false;
    }
    return true;
}

void DirectSums::Free() {
    windowed.reset();
    periods.reset();
    sinSum.reset();
    cosSum.reset();
}

void DirectSums::Channel(int i, const RealFftPlan& plan, double* work, const std::atomic<bool>* stop) {
    if (H < 2)
        return; // no pair of samples: the sums stay 0
    double* in = work;
    const double* out = work;
    in[0] = 0.0;
    const float* w = windowed.get() + i;
    for (int64_t h = 1; h < H; ++h) {
        const float b = w[h * M] + w[(h - 1) * M]; // summed in single precision
        in[h] = b;
    }
    ExecuteRealFft(plan, work);
    const uint64_t size = static_cast<uint64_t>(H);
    for (int64_t S = 0; S < J; ++S) {
        if (stop && S % 65536 == 0 && stop->load(std::memory_order_relaxed))
            return;
        // A negative count gives the conjugate sums of its opposite.
        const bool negative = periods[S] < 0;
        const uint64_t n = negative ? 0 - static_cast<uint64_t>(periods[S]) : static_cast<uint64_t>(periods[S]);
        const uint64_t k = n % size;
        // Bins above H/2 are the conjugates of those below.
        const bool mirrored = k > size / 2;
        const uint64_t bin = mirrored ? size - k : k;
        const double yr = out[2 * bin];
        const double yi = mirrored ? -out[2 * bin + 1] : out[2 * bin + 1];
        // Turned by half a sample: exp(-i pi n / H), n taken modulo 2H.
        const double angle = -kTwoPi * 0.5 * static_cast<double>(n % (2 * size)) / static_cast<double>(size);
        const double c = std::cos(angle), s = std::sin(angle);
        // (yr - i yi) (c + i s)
        cosSum[S * M + i] = yr * c + yi * s;
        const double sine = yr * s - yi * c;
        sinSum[S * M + i] = negative ? -sine : sine;
    }
}

void DirectSums::Magnitudes(double T, double rate, double* out) const {
    for (int64_t S = 0; S < J; ++S)
        for (int i = 0; i < M; ++i) {
            const double re = (1.0 / T) * cosSum[S * M + i] * (0.5 / rate);
            const double im = (0.5 / rate) * (1.0 / T) * sinSum[S * M + i];
            out[S * M + i] = std::sqrt(re * re + im * im);
        }
}

} // namespace vistrel
