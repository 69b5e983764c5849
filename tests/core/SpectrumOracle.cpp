#include "SpectrumOracle.h"

#include <cmath>
#include <new>
#include <vector>

namespace vistrel::oracle {

bool DirectSums::Allocate(uint64_t positions, uint64_t points, int channels) {
    H = static_cast<int64_t>(positions);
    J = static_cast<int64_t>(points);
    M = channels;
    const size_t sums = static_cast<size_t>(points) * static_cast<size_t>(channels);
    windowed.reset(new (std::nothrow) float[static_cast<size_t>(positions) * channels + 1]);
    freq.reset(new (std::nothrow) double[static_cast<size_t>(points) + 1]);
    sinSum.reset(new (std::nothrow) double[sums + 1]());
    cosSum.reset(new (std::nothrow) double[sums + 1]());
    return windowed && freq && sinSum && cosSum;
}

void DirectSums::Run(int64_t b0, int64_t b1, double rate) {
    if (b1 <= b0 || H < 2)
        return;
    const double half = 0.5 / rate;
    std::vector<float> b(static_cast<size_t>(M));
    for (int64_t h = 1; h < H; ++h) {
        const double t = static_cast<double>(h) / rate - half;
        const float* row = windowed.get() + h * M;
        const float* prev = row - M;
        for (int i = 0; i < M; ++i)
            b[i] = row[i] + prev[i];
        if (method == SumMethod::PerTerm) {
            for (int i = 0; i < M; ++i)
                for (int64_t S = b0; S < b1; ++S) {
                    const double a = t * freq[S];
                    sinSum[S * M + i] += b[i] * std::sin(a);
                    cosSum[S * M + i] += b[i] * std::cos(a);
                }
        } else {
            for (int64_t S = b0; S < b1; ++S) {
                const double a = t * freq[S];
                const double s = std::sin(a), c = std::cos(a);
                double* ss = sinSum.get() + S * M;
                double* cs = cosSum.get() + S * M;
                for (int i = 0; i < M; ++i) {
                    ss[i] += b[i] * s;
                    cs[i] += b[i] * c;
                }
            }
        }
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

} // namespace vistrel::oracle
