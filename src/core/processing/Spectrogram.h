#pragma once
// Short-time spectra: the spectrogram of one channel (frames x one-sided bins, magnitudes of
// the windowed FFT) and the averaged (Welch) spectrum of a fragment. Both transform through
// FFTW with the program's window functions. Qt-free; the plot, the command line and the
// spectrum operation share it.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vistrel::spectro {

constexpr size_t kMinStftSize = 256;
constexpr size_t kMaxStftSize = 65536;
constexpr double kMaxOverlapPercent = 90.0;
constexpr int kMinWelchSegments = 2;
constexpr int kMaxWelchSegments = 1024;

struct StftSettings {
    size_t size = 1024;            // FFT size N (samples per frame)
    double overlapPercent = 50.0;  // 0 .. 90
    int32_t window = 3;            // WindowType (Hann)
};

enum class StftCheck { Ok, SizeOutOfRange, OverlapOutOfRange, UnknownWindow, TooShort };
StftCheck CheckStft(const StftSettings& settings);
// English text of a failed check.
std::string StftCheckText(StftCheck check);

// Samples shared by neighbouring frames, floor(N * overlap / 100), and the step between frame
// starts, N minus that.
size_t OverlapSamples(const StftSettings& settings);
size_t HopSamples(const StftSettings& settings);
// The window of length n: WindowCoefficient(type, i, n) for i = 0 .. n - 1.
std::vector<double> WindowArray(int32_t type, size_t n);

// Which FFTs make up the picture: frame f is the mean of the power of `perFrame` transforms
// starting at starts[f] + j * spread (j = 0 .. perFrame - 1), its magnitude the square root
// of that mean. A plain STFT has perFrame 1.
struct FramePlan {
    std::vector<int64_t> starts;
    int perFrame = 1;
    int64_t spread = 0;
    bool bounded = false; // one frame per column rather than every hop
};
// Every frame of samples [from, to): starts from, from + hop, ... while the frame fits.
FramePlan StftFrames(int64_t from, int64_t to, const StftSettings& settings);
// The frames of a view of `columns` pixel columns over samples [from, to) of a recording of
// `samples` samples. Up to columns x N samples the plain STFT; beyond, one frame per column at
// its first sample (shifted back when the last would run past the recording), the mean of up
// to `perColumn` transforms spread over the column, so that the cost follows the picture
// rather than the span.
FramePlan ViewFrames(int64_t from, int64_t to, int64_t samples, int columns, int perColumn,
                     const StftSettings& settings);

// Reads `count` values of the analysed channel from sample `first` into out.
using SampleReader = std::function<void(int64_t first, size_t count, double* out)>;
// Told the transforms done out of the total now and then; false stops the computation.
using StftProgress = std::function<bool(uint64_t done, uint64_t total)>;

struct Spectrogram {
    size_t size = 0;                 // N
    size_t bins = 0;                 // N / 2 + 1
    double rate = 0.0;               // samples per second
    std::vector<int64_t> starts;     // first sample of each frame
    std::vector<double> magnitude;   // frames x bins, |X_k| of the windowed frame (unscaled)
    double largest = 0.0;            // the largest magnitude (0 when every one is 0)

    size_t Frames() const { return starts.size(); }
    // Centre of frame f in seconds from sample 0 (the first sample of a frame plus N / 2).
    double FrameCentre(size_t f) const;
    double BinHz(size_t k) const;
    // 20 log10(magnitude / largest): 0 at the largest, minus infinity for a zero magnitude.
    double Decibels(size_t f, size_t k) const;
};

// Transforms the frames of `plan`. False when stopped through `progress` or when the
// transform cannot be made (then `error` says so; empty when stopped). `workers` threads
// share the frames (1: the calling thread alone).
bool ComputeSpectrogram(const FramePlan& plan, const StftSettings& settings, double rate,
                        const SampleReader& read, Spectrogram& out, std::string& error,
                        const StftProgress& progress = {}, int workers = 1);

enum class WelchScaling { Spectrum, Density };

struct WelchResult {
    size_t segmentLength = 0; // L
    size_t segments = 0;      // segments used
    std::vector<double> power; // bins 0 .. L / 2: mean power per bin, one-sided
};
// Segment length of `segments` half-overlapping segments over `length` samples:
// floor(2 length / (segments + 1)).
size_t WelchSegmentLength(int64_t length, int segments);
// The refusal of a fragment too short for the segments (L below 2).
std::string WelchShortText(int64_t length, int segments);
// Welch's method over x[0 .. length - 1]: segments of L = WelchSegmentLength, overlap L / 2,
// the window of length L, no detrending, the tail that fills no segment left out; the mean of
// the segments' periodograms, one-sided (every bin but DC and, for an even L, the one at half
// the rate doubled). Spectrum scaling divides by (sum w)^2 (units^2), density by
// rate x sum w^2 (units^2 / Hz). False when L < 2, when a transform cannot be made or when
// stopped (error empty then).
bool WelchSpectrum(const double* x, int64_t length, int segments, int32_t window, double rate,
                   WelchScaling scaling, WelchResult& out, std::string& error,
                   const StftProgress& progress = {});

} // namespace vistrel::spectro
