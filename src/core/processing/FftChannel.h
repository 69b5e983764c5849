#pragma once
// The FFT spectrum's input, one channel at a time: the window's coefficients once for the
// span, and a channel's rows read from the recording in blocks and multiplied by them.
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace vistrel {

class RowBlockReader;

// Coefficients of window `type` at positions 0 .. N-1 of an N-point span, rounded to float (the
// precision the products take them in).
void FftWindow(int32_t type, size_t N, float* out);

// data[k] = sample(start + k) * window[k] for k = 0 .. N-1, where the reader has a single
// channel. Float recordings multiply in double, which holds a float times a float exactly;
// other recordings multiply their long double values and round the product to double. The
// values are those of one multiplication per sample through SampleValue. False (data
// incomplete) when `stop` was raised.
bool ReadWindowed(const RowBlockReader& reader, int64_t start, size_t N, const float* window, double* data,
                  const std::atomic<bool>* stop = nullptr);

} // namespace vistrel
