#pragma once
// The radix-2 FFT magnitudes as the program computed them before FFTW (test yardstick).
#include <cstddef>
#include <memory>

namespace vistrel::oracle {

// Magnitudes of the radix-2 DFT of N (a power of two) real values, scaled by 2/N, by the
// packed transform of N/2 complex points. False when N is not a power of two.
bool FftMagnitudes(const double* input, double* output, size_t N);
// The same, butterfly by butterfly in the plain radix-2 order with the twiddle recurrence.
bool FftMagnitudesReference(const double* input, double* output, size_t N);
// Keeps the twiddle tables of N points alive between calls.
using FftTablesHold = std::shared_ptr<const void>;
FftTablesHold HoldFftTables(size_t N);

} // namespace vistrel::oracle
