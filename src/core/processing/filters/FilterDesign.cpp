#include "core/processing/filters/FilterDesign.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>


namespace vistrel::filters {

namespace {

using cplx = std::complex<double>;
constexpr double kPi = std::numbers::pi;

const double kBesselPoles[][2] = {
#include "core/processing/filters/BesselPoles.inc"
};

std::string Hz(double f) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g Hz", f);
    return buf;
}

cplx Prod(const std::vector<cplx>& v) {
    cplx r = 1.0;
    for (const cplx& x : v)
        r *= x;
    return r;
}

int RelativeDegree(const Zpk& f) {
    return static_cast<int>(f.p.size()) - static_cast<int>(f.z.size());
}

void LowPassToLowPass(Zpk& f, double wo) {
    const int degree = RelativeDegree(f);
    for (cplx& z : f.z)
        z *= wo;
    for (cplx& p : f.p)
        p *= wo;
    f.k *= std::pow(wo, degree);
}

std::vector<cplx> Negated(const std::vector<cplx>& v) {
    std::vector<cplx> r(v.size());
    std::transform(v.begin(), v.end(), r.begin(), [](cplx x) { return -x; });
    return r;
}

void LowPassToHighPass(Zpk& f, double wo) {
    const int degree = RelativeDegree(f);
    const double gain = (Prod(Negated(f.z)) / Prod(Negated(f.p))).real();
    for (cplx& z : f.z)
        z = wo / z;
    for (cplx& p : f.p)
        p = wo / p;
    f.z.insert(f.z.end(), static_cast<size_t>(degree), cplx(0.0));
    f.k *= gain;
}

// Each root r becomes the two roots of s^2 - r s' + wo^2 (r scaled as given).
std::vector<cplx> SplitRoots(const std::vector<cplx>& roots, double wo) {
    std::vector<cplx> out;
    out.reserve(roots.size() * 2);
    for (const cplx& r : roots)
        out.push_back(r + std::sqrt(r * r - wo * wo));
    for (const cplx& r : roots)
        out.push_back(r - std::sqrt(r * r - wo * wo));
    return out;
}

void LowPassToBandPass(Zpk& f, double wo, double bw) {
    const int degree = RelativeDegree(f);
    for (cplx& z : f.z)
        z *= bw / 2;
    for (cplx& p : f.p)
        p *= bw / 2;
    f.z = SplitRoots(f.z, wo);
    f.p = SplitRoots(f.p, wo);
    f.z.insert(f.z.end(), static_cast<size_t>(degree), cplx(0.0));
    f.k *= std::pow(bw, degree);
}

void LowPassToBandStop(Zpk& f, double wo, double bw) {
    const int degree = RelativeDegree(f);
    const double gain = (Prod(Negated(f.z)) / Prod(Negated(f.p))).real();
    for (cplx& z : f.z)
        z = (bw / 2) / z;
    for (cplx& p : f.p)
        p = (bw / 2) / p;
    f.z = SplitRoots(f.z, wo);
    f.p = SplitRoots(f.p, wo);
    f.z.insert(f.z.end(), static_cast<size_t>(degree), cplx(0.0, wo));
    f.z.insert(f.z.end(), static_cast<size_t>(degree), cplx(0.0, -wo));
    f.k *= gain;
}

void Bilinear(Zpk& f, double fs) {
    const int degree = RelativeDegree(f);
    const double fs2 = 2.0 * fs;
    cplx num = 1.0, den = 1.0;
    for (cplx& z : f.z) {
        num *= fs2 - z;
        z = (fs2 + z) / (fs2 - z);
    }
    for (cplx& p : f.p) {
        den *= fs2 - p;
        p = (fs2 + p) / (fs2 - p);
    }
    f.z.insert(f.z.end(), static_cast<size_t>(degree), cplx(-1.0));
    f.k *= (num / den).real();
}

// Complex roots (one of each conjugate pair, averaged with its partner, by real part and then
// imaginary magnitude) followed by the real ones (sorted).
std::vector<cplx> ConjugatePairs(std::vector<cplx> v) {
    constexpr double tol = 100 * 2.220446049250313e-16;
    std::stable_sort(v.begin(), v.end(), [](cplx a, cplx b) {
        if (a.real() != b.real())
            return a.real() < b.real();
        return std::abs(a.imag()) < std::abs(b.imag());
    });
    std::vector<cplx> pos, neg, real;
    for (const cplx& x : v) {
        if (std::abs(x.imag()) <= tol * std::abs(x))
            real.emplace_back(x.real(), 0.0);
        else if (x.imag() > 0)
            pos.push_back(x);
        else
            neg.push_back(x);
    }
    std::vector<cplx> out;
    for (size_t i = 0; i < pos.size(); ++i) {
        cplx partner = std::conj(pos[i]);
        if (i < neg.size()) {
            // The partner is the nearest of the lower half (pairs may be listed in any order).
            size_t best = i;
            for (size_t j = 0; j < neg.size(); ++j)
                if (std::abs(neg[j] - partner) < std::abs(neg[best] - partner))
                    best = j;
            partner = neg[best];
        }
        out.push_back((pos[i] + std::conj(partner)) / 2.0);
    }
    out.insert(out.end(), real.begin(), real.end());
    return out;
}

bool IsReal(cplx x) {
    return x.imag() == 0.0;
}

size_t Worst(const std::vector<cplx>& p, const std::vector<size_t>& among) {
    size_t best = among.front();
    for (size_t i : among)
        if (std::abs(1.0 - std::abs(p[i])) < std::abs(1.0 - std::abs(p[best])))
            best = i;
    return best;
}

enum class Which { Real, Complex, Any };

// Index of the root of `from` nearest to `to` of the wanted kind (ties: the first listed).
size_t Nearest(const std::vector<cplx>& from, cplx to, Which which) {
    std::vector<size_t> order(from.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return std::abs(from[a] - to) < std::abs(from[b] - to); });
    for (size_t i : order)
        if (which == Which::Any || (which == Which::Real) == IsReal(from[i]))
            return i;
    return order.front();
}

cplx Take(std::vector<cplx>& v, size_t i) {
    const cplx x = v[i];
    v.erase(v.begin() + static_cast<std::ptrdiff_t>(i));
    return x;
}

// Section with zeros z1, z2 and poles p1, p2 (each pair conjugate or real).
Section Pair(cplx z1, cplx z2, cplx p1, cplx p2) {
    Section s;
    s.b0 = 1.0;
    s.b1 = -(z1 + z2).real();
    s.b2 = (z1 * z2).real();
    s.a1 = -(p1 + p2).real();
    s.a2 = (p1 * p2).real();
    return s;
}

size_t CountReal(const std::vector<cplx>& v) {
    return static_cast<size_t>(std::count_if(v.begin(), v.end(), IsReal));
}

} // namespace

const char* DesignName(Design d) {
    switch (d) {
    case Design::Butterworth: return "butterworth";
    case Design::Chebyshev1: return "chebyshev1";
    case Design::Bessel: return "bessel";
    }
    return "";
}

const char* BandName(Band b) {
    switch (b) {
    case Band::LowPass: return "lowpass";
    case Band::HighPass: return "highpass";
    case Band::BandPass: return "bandpass";
    case Band::BandStop: return "bandstop";
    }
    return "";
}

bool ParseDesign(const std::string& text, Design& out) {
    for (Design d : {Design::Butterworth, Design::Chebyshev1, Design::Bessel})
        if (text == DesignName(d)) {
            out = d;
            return true;
        }
    return false;
}

bool ParseBand(const std::string& text, Band& out) {
    for (Band b : {Band::LowPass, Band::HighPass, Band::BandPass, Band::BandStop})
        if (text == BandName(b)) {
            out = b;
            return true;
        }
    return false;
}

bool IsBandFilter(Band b) {
    return b == Band::BandPass || b == Band::BandStop;
}

std::string CheckFilter(const FilterSettings& settings, double fs) {
    if (!(fs > 0.0) || !std::isfinite(fs))
        return "The sample rate of the recording is not a positive number";
    if (settings.order < kMinOrder || settings.order > kMaxOrder)
        return "The filter order must be 1 to 10, not " + std::to_string(settings.order);
    if (settings.design == Design::Chebyshev1 && !(settings.rippleDb > 0.0 && settings.rippleDb <= 40.0))
        return "The pass-band ripple must be above 0 dB and at most 40 dB";
    const double nyquist = fs / 2.0;
    const bool band = IsBandFilter(settings.band);
    for (double f : band ? std::vector<double>{settings.f1, settings.f2} : std::vector<double>{settings.f1}) {
        if (!(f > 0.0) || !std::isfinite(f))
            return "A cut-off frequency must be above 0 Hz";
        if (f >= nyquist)
            return "The cut-off frequency " + Hz(f) + " is not below the Nyquist frequency " + Hz(nyquist) +
                   " (half the sample rate)";
    }
    if (band && !(settings.f1 < settings.f2))
        return "The lower edge of the band (" + Hz(settings.f1) + ") must be below the upper edge (" + Hz(settings.f2) + ")";
    return {};
}

std::string CheckNotch(const NotchSettings& settings, double fs) {
    if (!(fs > 0.0) || !std::isfinite(fs))
        return "The sample rate of the recording is not a positive number";
    if (!(settings.frequency > 0.0) || !std::isfinite(settings.frequency))
        return "The notch frequency must be above 0 Hz";
    if (settings.harmonics < 1 || settings.harmonics > kMaxHarmonics)
        return "The number of harmonics must be 1 to 10, not " + std::to_string(settings.harmonics);
    if (!(settings.q > 0.0) || !std::isfinite(settings.q))
        return "The quality factor Q must be above 0";
    const double highest = settings.frequency * settings.harmonics;
    if (highest >= fs / 2.0)
        return "The notch at " + Hz(highest) + " is not below the Nyquist frequency " + Hz(fs / 2.0) +
               " (half the sample rate)";
    return {};
}

Zpk AnalogPrototype(Design design, int order, double rippleDb) {
    Zpk f;
    const int N = order;
    switch (design) {
    case Design::Butterworth:
        for (int m = -N + 1; m < N; m += 2)
            f.p.push_back(-std::exp(cplx(0.0, kPi * m / (2.0 * N))));
        break;
    case Design::Chebyshev1: {
        const double eps = std::sqrt(std::pow(10.0, 0.1 * rippleDb) - 1.0);
        const double mu = 1.0 / N * std::asinh(1.0 / eps);
        cplx prod = 1.0;
        for (int m = -N + 1; m < N; m += 2) {
            const double theta = kPi * m / (2.0 * N);
            f.p.push_back(-std::sinh(cplx(mu, theta)));
            prod *= -f.p.back();
        }
        f.k = prod.real();
        if (N % 2 == 0)
            f.k /= std::sqrt(1.0 + eps * eps);
        break;
    }
    case Design::Bessel: {
        const int offset = N * (N - 1) / 2;
        for (int i = 0; i < N; ++i)
            f.p.emplace_back(kBesselPoles[offset + i][0], kBesselPoles[offset + i][1]);
        break;
    }
    }
    return f;
}

Sections ZpkToSections(Zpk f) {
    std::vector<cplx> z = f.z, p = f.p;
    if (z.empty() && p.empty())
        return {Section{f.k, 0, 0, 1, 0, 0}};
    // As many zeros as poles, and an even count of each.
    if (p.size() < z.size())
        p.insert(p.end(), z.size() - p.size(), cplx(0.0));
    if (z.size() < p.size())
        z.insert(z.end(), p.size() - z.size(), cplx(0.0));
    const size_t count = (p.size() + 1) / 2;
    if (p.size() % 2 == 1) {
        p.emplace_back(0.0);
        z.emplace_back(0.0);
    }
    z = ConjugatePairs(z);
    p = ConjugatePairs(p);
    Sections sos(count);
    // From the last section back: the pole nearest the unit circle first, with its nearest zero.
    for (size_t si = count; si-- > 0;) {
        std::vector<size_t> all(p.size());
        for (size_t i = 0; i < all.size(); ++i)
            all[i] = i;
        const cplx p1 = Take(p, Worst(p, all));
        if (IsReal(p1) && CountReal(p) == 0) {
            const cplx z1 = Take(z, Nearest(z, p1, Which::Real));
            sos[si] = Pair(z1, 0.0, p1, 0.0);
        } else if (p.size() + 1 == z.size() && !IsReal(p1) && CountReal(p) == 1 && CountReal(z) == 1) {
            // One real pole and one real zero remain: this complex pole must take a complex zero.
            const cplx z1 = Take(z, Nearest(z, p1, Which::Complex));
            sos[si] = Pair(z1, std::conj(z1), p1, std::conj(p1));
        } else {
            cplx p2;
            if (IsReal(p1)) {
                std::vector<size_t> reals;
                for (size_t i = 0; i < p.size(); ++i)
                    if (IsReal(p[i]))
                        reals.push_back(i);
                p2 = Take(p, Worst(p, reals));
            } else {
                p2 = std::conj(p1);
            }
            const cplx z1 = Take(z, Nearest(z, p1, Which::Any));
            if (!IsReal(z1)) {
                sos[si] = Pair(z1, std::conj(z1), p1, p2);
            } else {
                const cplx z2 = Take(z, Nearest(z, p1, Which::Real));
                sos[si] = Pair(z1, z2, p1, p2);
            }
        }
    }
    sos[0].b0 *= f.k;
    sos[0].b1 *= f.k;
    sos[0].b2 *= f.k;
    return sos;
}

Sections DesignFilter(const FilterSettings& settings, double fs) {
    Zpk f = AnalogPrototype(settings.design, settings.order, settings.rippleDb);
    // Cut-offs pre-warped for the bilinear transform at a normalised rate of 2.
    const auto warp = [&](double hz) { return 4.0 * std::tan(kPi * (2.0 * hz / fs) / 2.0); };
    switch (settings.band) {
    case Band::LowPass: LowPassToLowPass(f, warp(settings.f1)); break;
    case Band::HighPass: LowPassToHighPass(f, warp(settings.f1)); break;
    case Band::BandPass:
    case Band::BandStop: {
        const double w1 = warp(settings.f1), w2 = warp(settings.f2);
        if (settings.band == Band::BandPass)
            LowPassToBandPass(f, std::sqrt(w1 * w2), w2 - w1);
        else
            LowPassToBandStop(f, std::sqrt(w1 * w2), w2 - w1);
        break;
    }
    }
    Bilinear(f, 2.0);
    return ZpkToSections(std::move(f));
}

Sections DesignNotch(const NotchSettings& settings, double fs) {
    Sections sos;
    for (int h = 1; h <= settings.harmonics; ++h) {
        const double w0 = 2.0 * settings.frequency * h / fs;
        const double bw = w0 / settings.q * kPi;
        const double beta = std::tan(bw / 2.0); // attenuation -3 dB at the band edges
        const double gain = 1.0 / (1.0 + beta);
        const double c = std::cos(w0 * kPi);
        sos.push_back(Section{gain, -2.0 * gain * c, gain, 1.0, -2.0 * gain * c, 2.0 * gain - 1.0});
    }
    return sos;
}

std::complex<double> Response(const Sections& sos, double hz, double fs) {
    const cplx e1 = std::exp(cplx(0.0, -2.0 * kPi * hz / fs));
    const cplx e2 = e1 * e1;
    cplx h = 1.0;
    for (const Section& s : sos)
        h *= (s.b0 + s.b1 * e1 + s.b2 * e2) / (s.a0 + s.a1 * e1 + s.a2 * e2);
    return h;
}

} // namespace vistrel::filters

namespace vistrel::filters {

std::vector<ResponsePoint> ResponseCurve(const Sections& sos, double fs, int points, bool zeroPhase) {
    std::vector<ResponsePoint> out;
    if (points < 2 || !(fs > 0.0))
        return out;
    const double lo = std::log(fs / 20000.0), hi = std::log(fs / 2.0);
    double previous = 0.0, turns = 0.0;
    for (int i = 0; i < points; ++i) {
        // The last point stays just below the Nyquist frequency, where a high-pass is defined.
        const double hz = std::exp(lo + (hi - lo) * i / points);
        const std::complex<double> h = Response(sos, hz, fs);
        ResponsePoint p;
        p.hz = hz;
        const double mag = std::abs(h);
        p.db = mag > 0 ? std::max(kResponseFloorDb, (zeroPhase ? 40.0 : 20.0) * std::log10(mag)) : kResponseFloorDb;
        if (!zeroPhase) {
            const double phase = std::arg(h) / (2.0 * kPi);
            if (i > 0) {
                // Unwrapped: the step from the previous point is taken as the shortest one.
                turns += phase - previous - std::round(phase - previous);
            } else {
                turns = phase;
            }
            previous = phase;
            p.degrees = turns * 360.0;
        }
        out.push_back(p);
    }
    return out;
}

} // namespace vistrel::filters
