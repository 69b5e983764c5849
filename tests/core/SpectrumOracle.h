#pragma once
// The direct Fourier sums of the spectral analysis term by term, as the program computed them
// before it took them from one DFT per channel (test and benchmark yardstick).
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace vistrel::oracle {

enum class SumMethod {
    PerTerm, // a sine and a cosine for every term (channel x frequency x position)
    Shared,  // one sine-cosine pair per frequency and position, shared by the channels
};

struct DirectSums {
    int64_t H = 0, J = 0;
    int M = 0;
    std::unique_ptr<float[]> windowed; // H x M, row per position
    std::unique_ptr<double[]> freq;    // J angular analysis frequencies
    std::unique_ptr<double[]> sinSum;  // J x M, row per frequency
    std::unique_ptr<double[]> cosSum;
    SumMethod method = SumMethod::Shared; // the same sums as PerTerm, bit for bit

    bool Allocate(uint64_t positions, uint64_t points, int channels);
    // Sums of the frequencies b0 .. b1 - 1 (t x w with t the middle of each sample pair).
    void Run(int64_t b0, int64_t b1, double rate);
    // Magnitudes into out (J x M): sqrt(re^2 + im^2) of the scaled sums.
    void Magnitudes(double T, double rate, double* out) const;
};

} // namespace vistrel::oracle
