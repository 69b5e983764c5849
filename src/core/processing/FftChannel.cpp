#include "core/processing/FftChannel.h"

#include <algorithm>
#include <type_traits>
#include <vector>

#include "core/processing/RowBlocks.h"
#include "core/processing/WindowFft.h"

namespace vistrel {

void FftWindow(int32_t type, size_t N, float* out) {
    const double L = static_cast<double>(N);
    for (size_t k = 0; k < N; ++k)
        out[k] = static_cast<float>(WindowCoefficient(type, static_cast<double>(k), L));
}

bool ReadWindowed(const RowBlockReader& reader, int64_t start, size_t N, const float* window, double* data,
                  const std::atomic<bool>* stop) {
    // Blocks of 64 Ki rows: few calls into the reader, and a stop is seen within a few ms.
    constexpr size_t kBlock = size_t{1} << 16;
    std::vector<float> floats;
    std::vector<long double> exact;
    for (size_t k = 0; k < N; k += kBlock) {
        if (stop && stop->load(std::memory_order_relaxed))
            return false;
        const size_t count = std::min(kBlock, N - k);
        const float* w = window + k;
        double* out = data + k;
        reader.Visit(start + static_cast<int64_t>(k), count, floats, exact, [&](const auto* values) {
            using T = std::remove_cv_t<std::remove_pointer_t<decltype(values)>>;
            if constexpr (std::is_same_v<T, float>) {
                for (size_t i = 0; i < count; ++i)
                    out[i] = static_cast<double>(values[i]) * static_cast<double>(w[i]);
            } else {
                for (size_t i = 0; i < count; ++i)
                    out[i] = static_cast<double>(values[i] * static_cast<long double>(w[i]));
            }
        });
    }
    return true;
}

} // namespace vistrel
