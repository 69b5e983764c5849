// vistrel-cli demo: a realistic float recording for trying the program out: by default six
// signals of a measurement at levels of their own; with --channels N the channels cycle through
// eight kinds of signal, each with its own display range.

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

// The default recording: six signals of a typical measurement. The plot draws every trace on
// the selected channel's scale, so all channels share one display range (-40 .. 60) and each
// signal sits at a level of its own: channel c of n in the c-th band of n from the top.
constexpr double kPictureLow = -40.0, kPictureHigh = 60.0;

struct PictureSignal {
    int kind;
    double seconds; // length of the recording
    double centre;  // middle of the channel's band
    double size;    // the signal's largest excursion from the centre

    // The signal's shape, within -1 .. 1 (noise: a normal deviate clamped to 4 sigma).
    double Shape(double t, double noise) const
    {
        switch (kind) {
        case 0: return std::sin(kTwoPi * 0.1 * t); // slow sine
        case 1: { // a step at a third of the recording, ringing as it settles (peak 1.66)
            const double u = t - seconds / 3.0;
            const double y = u < 0 ? 0.0 : 1.0 - std::exp(-u / 0.8) * std::cos(kTwoPi * 1.5 * u);
            return -0.8 + 1.6 * y / 1.66 + 0.01 * noise;
        }
        case 2: { // chirp from 0.05 Hz to 3 Hz
            const double f0 = 0.05, f1 = 3.0;
            return std::sin(kTwoPi * (f0 * t + (f1 - f0) * t * t / (2.0 * std::max(seconds, 1e-9))));
        }
        case 3: { // a decaying 25 Hz burst every 12 s, the first at 3 s
            const double u = std::fmod(t + 9.0, 12.0);
            return std::exp(-u / 0.4) * std::sin(kTwoPi * 25.0 * u);
        }
        case 4: return 0.05 * noise + 0.05 * std::sin(kTwoPi * 0.03 * t); // low noise
        default: { // valve pulses: 1.5 s open every 5 s, each edge settling in about 0.3 s
            const double u = std::fmod(t, 5.0);
            const double open = u < 1.5 ? 1.0 - std::exp(-u / 0.1) : std::exp(-(u - 1.5) / 0.1) * (1.0 - std::exp(-1.5 / 0.1));
            return -0.8 + 1.6 * open;
        }
        }
    }
    double Value(double t, double noise) const { return centre + size * Shape(t, noise); }
};

PictureSignal MakePictureSignal(int c, int count, double seconds)
{
    const double band = (kPictureHigh - kPictureLow) / count;
    return {c % 6, seconds, kPictureHigh - band * (c + 0.5), 0.75 * band / 2.0};
}

} // namespace

int CmdDemo(int argc, char** argv)
{
    const char* usage = "usage: vistrel-cli demo OUT.kvf [--channels N] [--devices D] [--rate R] [--seconds S]";
    if (argc < 2) return cli::Fail(usage);
    if (argv[1][0] == '\0') return cli::Fail("demo needs a file name to write");
    const std::filesystem::path path = PathFromUtf8(argv[1]);
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
            picture.push_back(MakePictureSignal(c, static_cast<int>(channels), seconds));
            layout.entries.push_back({c % perDevice + 1, kPictureLow, kPictureHigh});
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
