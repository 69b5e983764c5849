#pragma once
// Direct Fourier sums of the spectral analysis (code 8): the trapezoidal integral of the
// windowed fragment against the complex exponential at each analysis frequency. Every analysis
// frequency makes a whole number n of periods over the fragment, so the sums of one channel are
// bins of a single H-point DFT of the pairwise sums of its samples.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/processing/RealFft.h"

namespace vistrel {

// Whole periods n over a fragment of T seconds of the point S of J between the angular limits.
int64_t AnalysisPeriods(double lowerW, double upperW, int64_t S, int64_t J, double T);
// Angular analysis frequency of that point: 2 pi n / T.
double AnalysisFrequency(double lowerW, double upperW, int64_t S, int64_t J, double T);

struct DirectSums {
    int64_t H = 0, J = 0;
    int M = 0;
    std::unique_ptr<float[]> windowed; // H x M, row per position
    std::unique_ptr<int64_t[]> periods; // J whole periods per analysis frequency
    std::unique_ptr<double[]> sinSum;  // J x M, row per frequency
    std::unique_ptr<double[]> cosSum;

    bool Allocate(uint64_t positions, uint64_t points, int channels);
    void Free();
    // Sums of channel i: with b_h = x_h + x_(h-1) (single precision, b_0 = 0) and
    // Y = DFT_H(b), cos sum + i sin sum = sum over h of b_h exp(i 2 pi n (h - 1/2) / H)
    // = exp(-i pi n / H) conj(Y[n mod H]). `work` (RealFftOutputDoubles(H) doubles from
    // AlignedDoubles) is the transform's buffer; `plan` has length H. A raised `stop` ends the
    // sums early (their values are then of no use).
    void Channel(int i, const RealFftPlan& plan, double* work, const std::atomic<bool>* stop = nullptr);
    // Magnitudes into out (J x M): sqrt(re^2 + im^2) of the scaled sums.
    void Magnitudes(double T, double rate, double* out) const;
};

} // namespace vistrel
