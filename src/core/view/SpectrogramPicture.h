#pragma once
// The spectrogram of the visible time range as a picture: one level per pixel (dB relative
// to the largest magnitude in view), columns across time, rows from half the sampling rate at
// the top down to 0 Hz, and the viridis colour of a level. Qt-free: the plot window paints
// what this computes off its own thread, and the picture tool draws it the same way.
#include <cstdint>
#include <string>
#include <vector>

#include "core/processing/Spectrogram.h"

namespace vistrel::spectro {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
};
// The viridis colour map at t in 0 .. 1 (clamped): dark blue through green to yellow,
// perceptually uniform.
Rgb Viridis(double t);
// The colour of a level: 0 dB the top of the map, `rangeDb` below it and lower the bottom.
Rgb LevelColour(float db, double rangeDb);

struct PictureRequest {
    int64_t from = 0, to = 0;   // visible samples [from, to)
    int64_t samples = 0;        // of the recording
    int width = 0, height = 0;  // pixels
    StftSettings settings;
    int perColumn = 1;          // transforms averaged per column when the view is wide
};

struct Picture {
    int width = 0, height = 0;
    double rate = 0.0;
    size_t size = 0;            // FFT size
    bool bounded = false;       // one frame per column (a wide view)
    std::vector<float> levels;  // row-major, row 0 at the top; dB relative to the largest

    // Frequency (Hz) at the middle of row y.
    double FrequencyAt(int y) const;
    float LevelAt(int x, int y) const { return levels[static_cast<size_t>(y) * width + x]; }
};

// Computes the picture of `request`: the plain short-time spectra (every hop) while the view
// spans at most width x N samples, one frame per column (the mean of up to perColumn
// transforms) beyond. A view shorter than a frame is covered by frames centred on it. Each
// pixel takes the largest level of the bins its row covers and of the frame nearest its
// column; columns past the recording's end stay at minus infinity. False when stopped (error
// empty) or when the recording is shorter than one frame.
bool ComputePicture(const PictureRequest& request, double rate, const SampleReader& read, Picture& out,
                    std::string& error, const StftProgress& progress = {}, int workers = 1);

} // namespace vistrel::spectro
