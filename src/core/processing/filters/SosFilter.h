#pragma once
// Running second-order sections over rows of several channels in double precision (transposed
// direct form II), block by block with the state carried across blocks; the steady-state initial
// conditions and the odd-extension padding of a forward-backward (zero-phase) run; removal of a
// channel's mean or least-squares line.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/processing/filters/FilterDesign.h"

namespace vistrel::filters {

// The cascade with its state for `channels` interleaved channels.
class SosCascade {
public:
    SosCascade(Sections sos, size_t channels);

    size_t Channels() const { return m_channels; }
    const Sections& Coefficients() const { return m_sos; }

    // Zero state.
    void Reset();
    // The state the cascade has after a long run of the constant `value` on channel c (the
    // steady state of sosfilt_zi scaled by value).
    void SteadyState(size_t c, double value);
    // Filters `rows` rows of Channels() interleaved values in place, in order (reverse: from the
    // last row to the first).
    void Run(double* rows, size_t count, bool reverse = false);

private:
    Sections m_sos;
    size_t m_channels;
    std::vector<double> m_state; // [section][2][channel]
    std::vector<double> m_zi;    // [section][2]: steady state per unit input
};

// The number of samples added at each end by the zero-phase run: 3 (2 sections + 1 - m), where m
// counts the sections that are of first order in both numerator and denominator.
int64_t PadLength(const Sections& sos);

// Steady-state initial conditions of the cascade per unit input ([section][2]).
std::vector<double> SteadyStateUnit(const Sections& sos);

// One channel at once, in memory: causal filtering, and forward-backward filtering with odd
// extension of PadLength samples at both ends and steady-state initial conditions (the input
// must be longer than PadLength).
std::vector<double> FilterSignal(const Sections& sos, const std::vector<double>& x);
std::vector<double> FilterSignalZeroPhase(const Sections& sos, const std::vector<double>& x);

// Sums of one channel over a fragment of known length, gathered in order, from which the mean
// or the least-squares line follows. The index is centred on the fragment's middle so that the
// sums stay well conditioned for long fragments.
class TrendSums {
public:
    explicit TrendSums(int64_t length) : m_n(length), m_mid(0.5 * static_cast<double>(length - 1)) {}
    void Add(int64_t index, double value) {
        Kahan(m_sx, m_cx, value);
        Kahan(m_stx, m_ctx, (static_cast<double>(index) - m_mid) * value);
    }
    double Mean() const;
    // The line a + b (index - mid) fitted by least squares; Offset(index) its value there.
    double Slope() const;
    double Line(int64_t index) const { return Mean() + Slope() * (static_cast<double>(index) - m_mid); }

private:
    static void Kahan(double& sum, double& carry, double v) {
        const double y = v - carry;
        const double t = sum + y;
        carry = (t - sum) - y;
        sum = t;
    }
    int64_t m_n;
    double m_mid;
    double m_sx = 0, m_cx = 0, m_stx = 0, m_ctx = 0;
};

// In memory: x minus its mean (linear false) or its least-squares line (linear true).
std::vector<double> Detrend(const std::vector<double>& x, bool linear);

} // namespace vistrel::filters
