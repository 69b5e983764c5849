// vistrel-cli demo: a realistic float recording for trying the program out: by default six
// signals of a measurement in bands of their own; with --channels N the channels cycle through
// eight kinds of signal drawn over each other.

#include "CliCommon.h"
#include "core/recording/DisplayDefaults.h"
#include "core/recording/KvfWriter.h"
#include "platform/FileTimes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <string>

using namespace vistrel;

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// One channel's signal and its display range. Channels cycle through eight kinds of signal;
// later cycles use other frequencies and amplitudes.
struct Signal {
    int kind;
    double scale; // amplitude factor of this cycle
    double freq;  // base frequency of this cycle

    double Value(double t, double seconds, double noise) const
    {
        switch (kind) {
        case 0: return 5.0 * scale * std::sin(kTwoPi * freq * t);
        case 1: // mains with 3rd and 5th harmonics
            return 325.0 * (std::sin(kTwoPi * 50.0 * t) + 0.12 * std::sin(kTwoPi * 150.0 * t + 0.3) +
                            0.05 * std::sin(kTwoPi * 250.0 * t + 1.1));
        case 2: return 0.5 * noise + 1.5 * scale * std::sin(kTwoPi * freq * 0.2 * t);
        case 3: return (t >= seconds / 3.0 ? 5.0 * scale : 0.0) + 0.05 * noise;
        case 4: { // decaying burst, repeated every 2 s
            const double u = std::fmod(t, 2.0);
            return 8.0 * scale * std::exp(-u / 0.15) * std::sin(kTwoPi * 200.0 * freq / 5.0 * u);
        }
        case 5: return 1.0 + 2.0 * scale * std::sin(kTwoPi * 0.5 * t) + 0.2 * std::sin(kTwoPi * 50.0 * t);
        case 6: return 3.0 * scale * std::sin(kTwoPi * freq * 3.0 * t) * std::sin(kTwoPi * 0.25 * t);
        default: return 2.0 * scale * (2.0 * std::fabs(2.0 * std::fmod(t * freq, 1.0) - 1.0) - 1.0) + 0.1 * noise;
        }
    }

    ChannelEntry Range(int number) const
    {
        switch (kind) {
        case 0: return {number, -6.0 * scale, 6.0 * scale};
        case 1: return {number, -400.0, 400.0};
        case 2: return {number, -4.0 * scale, 4.0 * scale};
        case 3: return {number, -1.0 * scale, 6.0 * scale};
        case 4: return {number, -10.0 * scale, 10.0 * scale};
        case 5: return {number, -2.0 * scale, 4.0 * scale};
        case 6: return {number, -4.0 * scale, 4.0 * scale};
        default: return {number, -3.0 * scale, 3.0 * scale};
        }
    }
};

// The default recording: six signals of a typical measurement, each drawn in a band of its
// own (top to bottom) so the traces of the whole-recording view do not cover each other.
struct PictureSignal {
    int kind;
    double seconds; // length of the recording

    double Value(double t, double noise) const
    {
        switch (kind) {
        case 0: return 2.0 * std::sin(kTwoPi * 0.1 * t); // slow sine
        case 1: { // a step at a third of the recording, ringing as it settles
            const double u = t - seconds / 3.0;
            return (u < 0 ? 0.0 : 10.0 * (1.0 - std::exp(-u / 0.8) * std::cos(kTwoPi * 1.5 * u))) + 0.05 * noise;
        }
        case 2: { // chirp from 0.05 Hz to 3 Hz
            const double f0 = 0.05, f1 = 3.0;
            return std::sin(kTwoPi * (f0 * t + (f1 - f0) * t * t / (2.0 * std::max(seconds, 1e-9))));
        }
        case 3: { // a decaying 25 Hz burst every 12 s, the first at 3 s
            const double u = std::fmod(t + 9.0, 12.0);
            return 5.0 * std::exp(-u / 0.4) * std::sin(kTwoPi * 25.0 * u);
        }
        case 4: return 0.02 * noise + 0.01 * std::sin(kTwoPi * 0.03 * t); // low noise
        default: { // 50 Hz current whose load rises past the middle of the recording
            const double load = 1.0 + 0.3 * (std::tanh((t - seconds * 0.55) / 2.0) + 1.0);
            return 3.0 * load * std::sin(kTwoPi * 50.0 * t);
        }
        }
    }
    // Bounds the signal stays within.
    void Bounds(double& lo, double& hi) const
    {
        static constexpr double kBounds[6][2] = {
            {-2.0, 2.0}, {-0.3, 17.0}, {-1.0, 1.0}, {-5.0, 5.0}, {-0.1, 0.1}, {-4.8, 4.8}};
        lo = kBounds[kind % 6][0];
        hi = kBounds[kind % 6][1];
    }
};

// 1, 2 or 5 times a power of ten, at least x.
double NiceAbove(double x)
{
    const double p = std::pow(10.0, std::floor(std::log10(x)));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (m * p >= x) return m * p;
    return 10.0 * p;
}

// The display range that puts the signal of channel `index` of `count` in band `index` from
// the top: the signal takes the middle 70 % of its band.
ChannelEntry BandRange(int number, double lo, double hi, int index, int count)
{
    const double span = NiceAbove((hi - lo) * count / 0.7);
    const double top = hi + span * (index + 0.15) / count;
    const double step = span / (10.0 * count); // a round top moves the band by at most 5 % of it
    const double high = std::round(top / step) * step;
    return {number, high - span, high};
}

} // namespace

int CmdDemo(int argc, char** argv)
{
    const char* usage = "usage: vistrel-cli demo OUT.kvf [--channels N] [--devices D] [--rate R] [--seconds S]";
    if (argc < 2) return cli::Fail(usage);
    const std::filesystem::path path = argv[1];
    std::int64_t channels = 6, devices = 1;
    bool channelsGiven = false;
    double rate = 10000.0, seconds = 60.0;
    for (int i = 2; i < argc; i += 2) {
        if (i + 1 >= argc) return cli::Fail(usage);
        const std::string opt = argv[i];
        bool ok;
        std::string problem;
        if (opt == "--channels") {
            ok = cli::ParseIntegerOption(opt, argv[i + 1], 1, kvf::kMaxChannels, channels, problem);
            channelsGiven = true;
        }
        else if (opt == "--devices")
            ok = cli::ParseIntegerOption(opt, argv[i + 1], 1, kvf::kMaxChannels, devices, problem);
        else if (opt == "--rate")
            ok = cli::ParseNumberOption(opt, argv[i + 1], 0.0, 3.4028234663852886e38, rate, problem, true);
        else if (opt == "--seconds")
            ok = cli::ParseNumberOption(opt, argv[i + 1], 0.0, 1e12, seconds, problem, true);
        else
            return cli::Fail("unknown option '" + opt + "'");
        if (!ok) return cli::Fail(problem);
    }
    // The picture has six channels, or one per device when the devices do not divide six.
    if (!channelsGiven && 6 % devices != 0) channels = devices;
    if (devices > channels || channels % devices != 0)
        return cli::Fail("--devices must divide the channel count");
    const double samplesD = std::floor(seconds * rate);
    if (samplesD < 1.0) return cli::Fail("the recording would hold no sample");
    if (samplesD * static_cast<double>(channels) * 4.0 > 64.0 * (1ULL << 30))
        return cli::Fail("the recording would exceed 64 GiB");
    const auto samples = static_cast<std::uint64_t>(samplesD);

    FloatRecordingLayout layout;
    layout.channels = static_cast<int>(channels);
    layout.devices = static_cast<int>(devices);
    layout.rate = rate;
    layout.adcFlags = kvf::kAdcAlways | kvf::kAdcColours | kvf::kAdcWidths | kvf::kAdcHidden;
    std::vector<Signal> signals;
    std::vector<PictureSignal> picture;
    const int perDevice = static_cast<int>(channels / devices);
    for (int c = 0; c < channels; ++c) {
        if (channelsGiven) {
            const int cycle = c / 8;
            Signal s{c % 8, 1.0 + 0.5 * cycle, 5.0 * (cycle + 1) + (c % 8)};
            signals.push_back(s);
            layout.entries.push_back(s.Range(c % perDevice + 1));
        } else {
            const PictureSignal s{c % 6, seconds};
            double lo = 0, hi = 0;
            s.Bounds(lo, hi);
            picture.push_back(s);
            layout.entries.push_back(BandRange(c % perDevice + 1, lo, hi, c, static_cast<int>(channels)));
        }
    }

    std::mt19937 rng(20240607u);
    std::normal_distribution<double> gauss(0.0, 1.0);
    const float frate = static_cast<float>(rate);
    const bool ok = WriteFloatRecording(path, layout, samples, [&](std::uint64_t k, float* row) {
        const double t = static_cast<double>(k) / static_cast<double>(frate);
        for (int c = 0; c < layout.channels; ++c) {
            if (channelsGiven) {
                const Signal& s = signals[static_cast<size_t>(c)];
                const double noise = (s.kind == 2 || s.kind == 3 || s.kind == 7) ? gauss(rng) : 0.0;
                row[c] = static_cast<float>(s.Value(t, seconds, noise));
            } else {
                const PictureSignal& s = picture[static_cast<size_t>(c)];
                // Noise bounded to 4 sigma, so the signal stays within its band.
                const double noise = s.kind == 1 || s.kind == 4 ? std::clamp(gauss(rng), -4.0, 4.0) : 0.0;
                row[c] = static_cast<float>(s.Value(t, noise));
            }
        }
    }, platform::CurrentFileTime());
    if (!ok) return cli::Fail(path, "cannot write the recording");
    return 0;
}
