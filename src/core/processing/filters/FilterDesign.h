#pragma once
// Digital IIR filter design in double precision: Butterworth, Chebyshev type I and Bessel
// (phase-normalised) low-pass prototypes, the low-pass, high-pass, band-pass and band-stop
// transformations, the pre-warped bilinear transform, and the pairing of poles and zeros into
// second-order sections (nearest pairing, the sections closest to the unit circle last). Also the
// second-order notch of a mains frequency and its harmonics.
#include <complex>
#include <string>
#include <vector>

namespace vistrel::filters {

enum class Design { Butterworth, Chebyshev1, Bessel };
enum class Band { LowPass, HighPass, BandPass, BandStop };

constexpr int kMinOrder = 1;
constexpr int kMaxOrder = 10;
constexpr int kMaxHarmonics = 10;

// One section b0 + b1 z^-1 + b2 z^-2 over 1 + a1 z^-1 + a2 z^-2 (a0 is always 1).
struct Section {
    double b0 = 1, b1 = 0, b2 = 0, a0 = 1, a1 = 0, a2 = 0;
};
using Sections = std::vector<Section>;

struct Zpk {
    std::vector<std::complex<double>> z, p;
    double k = 1.0;
};

struct FilterSettings {
    Design design = Design::Butterworth;
    Band band = Band::LowPass;
    int order = 4;
    double f1 = 1000.0;  // cut-off, or lower edge of a band (Hz)
    double f2 = 0.0;     // upper edge of a band (Hz)
    double rippleDb = 1.0; // Chebyshev pass-band ripple
};

struct NotchSettings {
    double frequency = 50.0; // Hz
    int harmonics = 1;       // 1 .. 10: f, 2f, ..., harmonics x f
    double q = 30.0;
};

// Names used on the command line and in the configuration of the dialog.
const char* DesignName(Design d);
const char* BandName(Band b);
bool ParseDesign(const std::string& text, Design& out);
bool ParseBand(const std::string& text, Band& out);
bool IsBandFilter(Band b);

// Empty when the filter can be designed for sample rate `fs`, else why not (English).
std::string CheckFilter(const FilterSettings& settings, double fs);
std::string CheckNotch(const NotchSettings& settings, double fs);

// The analog low-pass prototype of order `order` with its cut-off at 1 rad/s.
Zpk AnalogPrototype(Design design, int order, double rippleDb);
// Second-order sections of a checked filter / notch (CheckFilter / CheckNotch empty).
Sections DesignFilter(const FilterSettings& settings, double fs);
Sections DesignNotch(const NotchSettings& settings, double fs);
// Pairs digital poles and zeros into sections, the overall gain in the first one.
Sections ZpkToSections(Zpk zpk);

// |H| and the phase (radians) of the cascade at frequency `hz` for sample rate `fs`.
std::complex<double> Response(const Sections& sos, double hz, double fs);

} // namespace vistrel::filters

namespace vistrel::filters {

// One point of a response plot.
struct ResponsePoint {
    double hz = 0;
    double db = 0;       // magnitude in dB, floored at kResponseFloorDb
    double degrees = 0;  // phase, unwrapped from the first point; 0 for a zero-phase run
};
constexpr double kResponseFloorDb = -200.0;

// `points` frequencies spaced evenly on a logarithmic axis from rate / 20000 up to the Nyquist
// frequency (excluded), with the response of the cascade; a zero-phase run has the magnitude
// squared and no phase.
std::vector<ResponsePoint> ResponseCurve(const Sections& sos, double fs, int points, bool zeroPhase);

} // namespace vistrel::filters
