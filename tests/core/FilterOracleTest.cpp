// Filter designs and runs against reference values made with scipy.signal by
// scripts/filter_reference.py and stored in tests/data/filters/reference.txt.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "core/processing/filters/FilterDesign.h"
#include "core/processing/filters/SosFilter.h"
#include "FilterTestSignals.h"

namespace vistrel::filters {

// The deterministic test signals of the reference script.
std::vector<double> ReferenceSignal(const std::string& kind, int n, double fs) {
    uint64_t state = 0x853C49E6748FEA9BULL;
    std::vector<double> out;
    for (int i = 0; i < n; ++i) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        const double u = static_cast<double>(state >> 11) * (1.0 / 9007199254740992.0) * 2.0 - 1.0;
        const double pi2 = 2.0 * std::numbers::pi;
        if (kind == "random")
            out.push_back(u + 0.25);
        else if (kind == "sine")
            out.push_back(std::sin(pi2 * 50.0 * i / fs) + 0.5 * std::sin(pi2 * 1234.5 * i / fs) +
                          0.2 * std::sin(pi2 * (0.3 * fs) * i / fs) + 0.01 * u);
        else
            out.push_back(3.0 - 2.5e-3 * i + 0.1 * u);
    }
    return out;
}

namespace {

struct RefCase {
    std::string line, op, signal;
    FilterSettings filter;
    NotchSettings notch;
    bool linear = false;
    double fs = 0;
    int n = 0;
    bool zero = false;
    Sections sos;
    int stride = 1;
    std::vector<double> y;
};

std::vector<RefCase> LoadCases() {
    std::ifstream in(std::filesystem::path(VISTREL_SOURCE_DIR) / "tests/data/filters/reference.txt");
    std::vector<RefCase> cases;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        RefCase c;
        c.line = line;
        std::istringstream head(line);
        head >> c.op;
        if (c.op == "filter") {
            std::string design, band;
            head >> design >> band >> c.filter.order >> c.filter.f1 >> c.filter.f2 >> c.filter.rippleDb >> c.fs;
            EXPECT_TRUE(ParseDesign(design, c.filter.design)) << line;
            EXPECT_TRUE(ParseBand(band, c.filter.band)) << line;
        } else if (c.op == "notch") {
            head >> c.notch.frequency >> c.notch.harmonics >> c.notch.q >> c.fs;
        } else {
            std::string mode;
            head >> mode >> c.fs;
            c.linear = mode == "linear";
        }
        int zero = 0;
        head >> c.signal >> c.n >> zero;
        c.zero = zero != 0;
        std::string word;
        size_t count = 0;
        in >> word >> count;
        for (size_t i = 0; i < count; ++i) {
            Section s;
            in >> s.b0 >> s.b1 >> s.b2 >> s.a0 >> s.a1 >> s.a2;
            c.sos.push_back(s);
        }
        in >> word >> c.stride >> count;
        c.y.resize(count);
        for (double& v : c.y)
            in >> v;
        std::getline(in, line);
        cases.push_back(std::move(c));
    }
    return cases;
}

double Peak(const std::vector<double>& x) {
    double peak = 0;
    for (double v : x)
        peak = std::max(peak, std::abs(v));
    return peak;
}

} // namespace

// Every stored case: the sections as scipy pairs them, and the sampled outputs of the causal,
// zero-phase and detrend runs, within 1e-9 of the input's peak (the result file's float
// rounding is checked by the operation tests).
TEST(FilterOracle, DesignsAndOutputsMatchTheReference) {
    const std::vector<RefCase> cases = LoadCases();
    ASSERT_GE(cases.size(), 30u) << "reference data missing";
    for (const RefCase& c : cases) {
        SCOPED_TRACE(c.line);
        Sections sos;
        if (c.op == "filter") {
            ASSERT_EQ(CheckFilter(c.filter, c.fs), "");
            sos = DesignFilter(c.filter, c.fs);
        } else if (c.op == "notch") {
            ASSERT_EQ(CheckNotch(c.notch, c.fs), "");
            sos = DesignNotch(c.notch, c.fs);
        }
        ASSERT_EQ(sos.size(), c.sos.size());
        for (size_t s = 0; s < sos.size(); ++s) {
            const Section &a = sos[s], &b = c.sos[s];
            const double bScale = std::max({std::abs(b.b0), std::abs(b.b1), std::abs(b.b2)});
            EXPECT_NEAR(a.b0, b.b0, 1e-9 * bScale) << "section " << s;
            EXPECT_NEAR(a.b1, b.b1, 1e-9 * bScale) << "section " << s;
            EXPECT_NEAR(a.b2, b.b2, 1e-9 * bScale) << "section " << s;
            EXPECT_EQ(a.b2 == 0.0, b.b2 == 0.0) << "section " << s;
            EXPECT_NEAR(a.a1, b.a1, 1e-9) << "section " << s;
            EXPECT_NEAR(a.a2, b.a2, 1e-9) << "section " << s;
            EXPECT_EQ(a.a2 == 0.0, b.a2 == 0.0) << "section " << s;
        }
        const std::vector<double> x = ReferenceSignal(c.signal, c.n, c.fs);
        std::vector<double> y;
        if (c.op == "detrend")
            y = Detrend(x, c.linear);
        else
            y = c.zero ? FilterSignalZeroPhase(sos, x) : FilterSignal(sos, x);
        ASSERT_EQ(y.size(), x.size());
        const double tolerance = 1e-9 * Peak(x);
        for (size_t i = 0; i < c.y.size(); ++i)
            ASSERT_NEAR(y[i * static_cast<size_t>(c.stride)], c.y[i], tolerance) << "output " << i * c.stride;
    }
}

// Running in blocks of any size, forwards or backwards, carries the state exactly: the result is
// bit for bit that of one run over the whole signal, for every interleaved channel.
TEST(FilterOracle, BlockRunsCarryTheState) {
    const FilterSettings settings{Design::Chebyshev1, Band::BandPass, 5, 200.0, 3000.0, 0.5};
    const Sections sos = DesignFilter(settings, 48000.0);
    const std::vector<double> a = ReferenceSignal("random", 5000, 48000.0);
    const std::vector<double> b = ReferenceSignal("sine", 5000, 48000.0);
    for (bool reverse : {false, true}) {
        SosCascade whole(sos, 1), other(sos, 1);
        std::vector<double> wa = a, wb = b;
        whole.SteadyState(0, 0.5);
        whole.Run(wa.data(), wa.size(), reverse);
        other.Run(wb.data(), wb.size(), reverse);
        std::vector<double> rows(a.size() * 2);
        for (size_t i = 0; i < a.size(); ++i) {
            rows[2 * i] = a[i];
            rows[2 * i + 1] = b[i];
        }
        SosCascade blocks(sos, 2);
        blocks.SteadyState(0, 0.5);
        size_t done = 0;
        for (size_t size : {1u, 2u, 7u, 999u, 1u, 4096u}) {
            size = std::min(size, a.size() - done);
            double* start = reverse ? rows.data() + 2 * (a.size() - done - size) : rows.data() + 2 * done;
            blocks.Run(start, size, reverse);
            done += size;
        }
        ASSERT_EQ(done, a.size());
        for (size_t i = 0; i < a.size(); ++i) {
            ASSERT_EQ(rows[2 * i], wa[i]) << i << (reverse ? " backwards" : "");
            ASSERT_EQ(rows[2 * i + 1], wb[i]) << i << (reverse ? " backwards" : "");
        }
    }
}

// The padding of the zero-phase run follows the section count and the first-order sections, and
// an input not longer than it gives nothing.
TEST(FilterOracle, ZeroPhasePadding) {
    struct Row {
        FilterSettings settings;
        int64_t pad;
    } rows[] = {
        {{Design::Butterworth, Band::LowPass, 1, 1000.0, 0.0, 0.0}, 6},   // one first-order section
        {{Design::Butterworth, Band::LowPass, 4, 1000.0, 0.0, 0.0}, 15},
        {{Design::Bessel, Band::HighPass, 5, 1000.0, 0.0, 0.0}, 18},
        {{Design::Chebyshev1, Band::BandPass, 3, 500.0, 900.0, 1.0}, 21},
        {{Design::Butterworth, Band::BandStop, 10, 500.0, 900.0, 0.0}, 63},
    };
    for (const Row& r : rows) {
        const Sections sos = DesignFilter(r.settings, 44100.0);
        EXPECT_EQ(PadLength(sos), r.pad) << BandName(r.settings.band) << " order " << r.settings.order;
        EXPECT_TRUE(FilterSignalZeroPhase(sos, std::vector<double>(static_cast<size_t>(r.pad), 1.0)).empty());
        // A constant passes a low-pass unchanged in steady state: no start-up transient.
        if (r.settings.band == Band::LowPass) {
            const std::vector<double> y = FilterSignalZeroPhase(sos, std::vector<double>(static_cast<size_t>(r.pad + 1), 2.0));
            for (double v : y)
                EXPECT_NEAR(v, 2.0, 1e-12);
        }
    }
}

// Unusable parameters are refused with the reason and, for frequencies, the limit.
TEST(FilterOracle, ChecksNameTheProblem) {
    struct Row {
        FilterSettings settings;
        double fs;
        const char* expected; // part of the message; empty: accepted
    } rows[] = {
        {{Design::Butterworth, Band::LowPass, 4, 1000.0, 0.0, 0.0}, 44100.0, ""},
        {{Design::Butterworth, Band::LowPass, 0, 1000.0, 0.0, 0.0}, 44100.0, "order must be 1 to 10, not 0"},
        {{Design::Bessel, Band::LowPass, 11, 1000.0, 0.0, 0.0}, 44100.0, "order must be 1 to 10, not 11"},
        {{Design::Butterworth, Band::LowPass, 4, 22050.0, 0.0, 0.0}, 44100.0, "Nyquist frequency 22050 Hz"},
        {{Design::Butterworth, Band::HighPass, 4, 0.0, 0.0, 0.0}, 44100.0, "above 0 Hz"},
        {{Design::Butterworth, Band::BandPass, 4, 100.0, 30000.0, 0.0}, 48000.0, "30000 Hz is not below the Nyquist frequency 24000 Hz"},
        {{Design::Butterworth, Band::BandStop, 4, 300.0, 200.0, 0.0}, 48000.0, "lower edge of the band"},
        {{Design::Chebyshev1, Band::LowPass, 4, 100.0, 0.0, 0.0}, 48000.0, "ripple"},
        {{Design::Butterworth, Band::LowPass, 2, 100.0, 0.0, 0.0}, 0.0, "sample rate"},
        {{Design::Butterworth, Band::LowPass, 2, std::nan(""), 0.0, 0.0}, 1000.0, "above 0 Hz"},
    };
    for (const Row& r : rows) {
        const std::string message = CheckFilter(r.settings, r.fs);
        if (*r.expected == 0)
            EXPECT_EQ(message, "");
        else
            EXPECT_NE(message.find(r.expected), std::string::npos) << message;
    }
    struct NotchRow {
        NotchSettings settings;
        const char* expected;
    } notches[] = {
        {{50.0, 10, 30.0}, ""},
        {{50.0, 11, 30.0}, "harmonics must be 1 to 10, not 11"},
        {{50.0, 0, 30.0}, "harmonics must be 1 to 10, not 0"},
        {{60.0, 9, 30.0}, "notch at 540 Hz is not below the Nyquist frequency 500 Hz"},
        {{50.0, 1, 0.0}, "Q must be above 0"},
        {{-50.0, 1, 30.0}, "above 0 Hz"},
    };
    for (const NotchRow& r : notches) {
        const std::string message = CheckNotch(r.settings, r.settings.frequency == 60.0 ? 1000.0 : 48000.0);
        if (*r.expected == 0)
            EXPECT_EQ(message, "");
        else
            EXPECT_NE(message.find(r.expected), std::string::npos) << message;
    }
}

// The magnitude response: -3 dB at a Butterworth cut-off, the ripple depth of a Chebyshev filter
// at its cut-off, zero at a notch frequency and its harmonics.
TEST(FilterOracle, ResponseAtTheEdges) {
    const double fs = 48000.0;
    const Sections butter = DesignFilter({Design::Butterworth, Band::LowPass, 6, 1000.0, 0.0, 0.0}, fs);
    EXPECT_NEAR(20 * std::log10(std::abs(Response(butter, 1000.0, fs))), -3.0103, 1e-3);
    EXPECT_NEAR(std::abs(Response(butter, 0.0, fs)), 1.0, 1e-12);
    const Sections cheby = DesignFilter({Design::Chebyshev1, Band::HighPass, 5, 1000.0, 0.0, 2.0}, fs);
    EXPECT_NEAR(20 * std::log10(std::abs(Response(cheby, 1000.0, fs))), -2.0, 1e-9);
    const Sections notch = DesignNotch({50.0, 3, 30.0}, fs);
    for (double f : {50.0, 100.0, 150.0})
        EXPECT_LT(std::abs(Response(notch, f, fs)), 1e-9) << f;
    EXPECT_NEAR(std::abs(Response(notch, 5000.0, fs)), 1.0, 1e-3);
}

} // namespace vistrel::filters

namespace vistrel::filters {

// The plotted response: log-spaced points below the Nyquist frequency, magnitudes in dB (squared
// for zero phase), and the phase unwrapped: a Butterworth low-pass of order N turns by N x 90
// degrees over its cut-off region, without jumps of a full turn between neighbouring points.
TEST(FilterOracle, ResponseCurveForThePlot) {
    const double fs = 48000.0;
    const Sections sos = DesignFilter({Design::Butterworth, Band::LowPass, 4, 1000.0, 0.0, 0.0}, fs);
    const std::vector<ResponsePoint> causal = ResponseCurve(sos, fs, 400, false);
    const std::vector<ResponsePoint> zero = ResponseCurve(sos, fs, 400, true);
    ASSERT_EQ(causal.size(), 400u);
    EXPECT_NEAR(causal.front().hz, fs / 20000.0, 1e-12);
    EXPECT_LT(causal.back().hz, fs / 2.0);
    for (size_t i = 0; i < causal.size(); ++i) {
        if (i > 0) {
            EXPECT_GT(causal[i].hz, causal[i - 1].hz);
            EXPECT_LT(std::abs(causal[i].degrees - causal[i - 1].degrees), 20.0) << causal[i].hz;
        }
        EXPECT_NEAR(zero[i].db, std::max(kResponseFloorDb, 2 * causal[i].db), 1e-9);
        EXPECT_EQ(zero[i].degrees, 0.0);
    }
    EXPECT_NEAR(causal.front().db, 0.0, 1e-6);
    EXPECT_NEAR(causal.front().degrees, 0.0, 1.0);
    // Far above the cut-off the phase approaches -360 degrees; the bilinear zeros at the Nyquist
    // frequency pull the magnitude down without bound.
    EXPECT_NEAR(causal[380].degrees, -360.0, 20.0);
    EXPECT_LT(causal.back().db, -100.0);
    EXPECT_TRUE(ResponseCurve(sos, fs, 1, false).empty());
}

} // namespace vistrel::filters
