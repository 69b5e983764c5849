#include "core/processing/filters/SosFilter.h"

#include <algorithm>

namespace vistrel::filters {

SosCascade::SosCascade(Sections sos, size_t channels)
    : m_sos(std::move(sos)), m_channels(channels), m_state(channels * m_sos.size() * 2, 0.0),
      m_zi(SteadyStateUnit(m_sos)) {}

void SosCascade::Reset() {
    std::fill(m_state.begin(), m_state.end(), 0.0);
}

void SosCascade::SteadyState(size_t c, double value) {
    for (size_t i = 0; i < m_sos.size() * 2; ++i)
        m_state[i * m_channels + c] = m_zi[i] * value;
}

namespace {

// One section over `count` rows for the L channels c0 .. c0 + L - 1 of rows `M` values wide.
// The channels are independent lanes with their state in locals, so the fixed-width inner loop
// runs in vector registers and the lanes hide each other's latency.
template <size_t L>
void SectionLanes(const Section& k, double* rows, size_t count, size_t M, size_t c0, double* z0s, double* z1s,
                  bool reverse) {
    double z0[L], z1[L];
    for (size_t l = 0; l < L; ++l) {
        z0[l] = z0s[c0 + l];
        z1[l] = z1s[c0 + l];
    }
    for (size_t n = 0; n < count; ++n) {
        double* row = rows + (reverse ? count - 1 - n : n) * M + c0;
        for (size_t l = 0; l < L; ++l) {
            // The terms of x and of the older state are summed before y is known, which
            // leaves one multiplication and one subtraction between y and the next y.
            const double x = row[l];
            const double y = k.b0 * x + z0[l];
            const double early = k.b1 * x + z1[l];
            z0[l] = early - k.a1 * y;
            z1[l] = k.b2 * x - k.a2 * y;
            row[l] = y;
        }
    }
    for (size_t l = 0; l < L; ++l) {
        z0s[c0 + l] = z0[l];
        z1s[c0 + l] = z1[l];
    }
}

} // namespace

void SosCascade::Run(double* rows, size_t count, bool reverse) {
    const size_t M = m_channels;
    for (size_t s = 0; s < m_sos.size(); ++s) {
        // Section by section over the whole block, the channels in groups of lanes.
        const Section k = m_sos[s];
        double* z0 = m_state.data() + (2 * s) * M;
        double* z1 = m_state.data() + (2 * s + 1) * M;
        size_t c = 0;
        for (; c + 8 <= M; c += 8)
            SectionLanes<8>(k, rows, count, M, c, z0, z1, reverse);
        for (; c + 4 <= M; c += 4)
            SectionLanes<4>(k, rows, count, M, c, z0, z1, reverse);
        for (; c + 2 <= M; c += 2)
            SectionLanes<2>(k, rows, count, M, c, z0, z1, reverse);
        for (; c < M; ++c)
            SectionLanes<1>(k, rows, count, M, c, z0, z1, reverse);
    }
}

int64_t PadLength(const Sections& sos) {
    const auto zeroB2 = std::count_if(sos.begin(), sos.end(), [](const Section& s) { return s.b2 == 0.0; });
    const auto zeroA2 = std::count_if(sos.begin(), sos.end(), [](const Section& s) { return s.a2 == 0.0; });
    const int64_t taps = 2 * static_cast<int64_t>(sos.size()) + 1 - std::min(zeroB2, zeroA2);
    return 3 * taps;
}

std::vector<double> SteadyStateUnit(const Sections& sos) {
    std::vector<double> zi(sos.size() * 2);
    double scale = 1.0;
    for (size_t i = 0; i < sos.size(); ++i) {
        const Section& s = sos[i];
        // The state after a unit step has settled: z0 = y - b0, z1 = b2 - a2 y with y = H(1).
        const double B0 = s.b1 - s.a1 * s.b0, B1 = s.b2 - s.a2 * s.b0;
        const double z0 = (B0 + B1) / (1.0 + s.a1 + s.a2);
        zi[2 * i] = scale * z0;
        zi[2 * i + 1] = scale * (B1 - s.a2 * z0);
        scale *= (s.b0 + s.b1 + s.b2) / (s.a0 + s.a1 + s.a2);
    }
    return zi;
}

std::vector<double> FilterSignal(const Sections& sos, const std::vector<double>& x) {
    std::vector<double> y = x;
    SosCascade cascade(sos, 1);
    cascade.Run(y.data(), y.size());
    return y;
}

std::vector<double> FilterSignalZeroPhase(const Sections& sos, const std::vector<double>& x) {
    const int64_t pad = PadLength(sos);
    const int64_t n = static_cast<int64_t>(x.size());
    if (n <= pad)
        return {};
    std::vector<double> ext(static_cast<size_t>(n + 2 * pad));
    for (int64_t i = 0; i < pad; ++i) {
        ext[static_cast<size_t>(i)] = 2 * x[0] - x[static_cast<size_t>(pad - i)];
        ext[static_cast<size_t>(pad + n + i)] = 2 * x[static_cast<size_t>(n - 1)] - x[static_cast<size_t>(n - 2 - i)];
    }
    std::copy(x.begin(), x.end(), ext.begin() + pad);
    SosCascade cascade(sos, 1);
    cascade.SteadyState(0, ext.front());
    cascade.Run(ext.data(), ext.size());
    cascade.SteadyState(0, ext.back());
    cascade.Run(ext.data(), ext.size(), true);
    return std::vector<double>(ext.begin() + pad, ext.end() - pad);
}

double TrendSums::Mean() const {
    return m_n > 0 ? m_sx / static_cast<double>(m_n) : 0.0;
}

double TrendSums::Slope() const {
    // Sum of (i - mid)^2 over i = 0 .. n-1 is (n^3 - n) / 12.
    const double n = static_cast<double>(m_n);
    const double stt = (n * n * n - n) / 12.0;
    return stt > 0 ? m_stx / stt : 0.0;
}

std::vector<double> Detrend(const std::vector<double>& x, bool linear) {
    TrendSums sums(static_cast<int64_t>(x.size()));
    for (size_t i = 0; i < x.size(); ++i)
        sums.Add(static_cast<int64_t>(i), x[i]);
    std::vector<double> y(x.size());
    const double mean = sums.Mean();
    for (size_t i = 0; i < x.size(); ++i)
        y[i] = x[i] - (linear ? sums.Line(static_cast<int64_t>(i)) : mean);
    return y;
}

} // namespace vistrel::filters
