#pragma once
// Direct Fourier sums of the spectral analysis (code 8): the trapezoidal integral of the
// windowed fragment against the complex exponential at each analysis frequency.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace vistrel {

// Angular analysis frequency of point S of J between the angular limits, moved to a whole
// number of periods over the fragment of T seconds.
double AnalysisFrequency(double lowerW, double upperW, int64_t S, int64_t J, double T);

enum class SumMethod {
    PerTerm,    // a sine and a cosine for every term (channel x frequency x position)
    Shared,     // one sine-cosine pair per frequency and position, shared by the channels
    Recurrence, // phasors advanced by rotation, recomputed exactly every 32 positions; follows
                // the exact phase rather than the rounded argument t x w, so bins 190 dB or
                // more below the peak differ from PerTerm by up to a few hundredths of a dB
    Polynomial, // the argument t x w as PerTerm has it, sine and cosine by a vectorisable
                // polynomial within an ulp or two of the library's (Shared beyond 8e5 rad);
                // bins at the rounding floor may still differ from PerTerm

};

struct DirectSums {
    int64_t H = 0, J = 0;
    int M = 0;
    std::unique_ptr<float[]> windowed; // H x M, row per position
    std::unique_ptr<double[]> freq;    // J angular analysis frequencies
    std::unique_ptr<double[]> sinSum;  // J x M, row per frequency
    std::unique_ptr<double[]> cosSum;
    SumMethod method = SumMethod::Shared; // the same sums as PerTerm, bit for bit
    const std::atomic<bool>* stop = nullptr; // raised: Run returns at the next position

    bool Allocate(uint64_t positions, uint64_t points, int channels);
    void Free();
    // Sums of the frequencies b0 .. b1 - 1; progress(percent) whenever the percent changes.
    void Run(int64_t b0, int64_t b1, double rate, const std::function<void(int)>& progress);
    // Magnitudes into out (J x M): sqrt(re^2 + im^2) of the scaled sums.
    void Magnitudes(double T, double rate, double* out) const;
};

} // namespace vistrel
