#pragma once
// Floats apart in units in the last place (0 for equal values and for two NaNs; the most for a
// NaN against a number or for opposite signs).
#include <cmath>
#include <cstdint>
#include <cstring>

namespace vistrel::test {

inline uint32_t UlpDistance(float a, float b) {
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b) ? 0 : UINT32_MAX;
    if (a == b)
        return 0;
    if (std::signbit(a) != std::signbit(b))
        return UINT32_MAX;
    uint32_t ua, ub;
    std::memcpy(&ua, &a, 4);
    std::memcpy(&ub, &b, 4);
    return ua > ub ? ua - ub : ub - ua;
}

} // namespace vistrel::test
