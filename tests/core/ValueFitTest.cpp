#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/view/ValueFit.h"

using namespace vistrel;

TEST(ValueFit, MarginOnEitherSide) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    struct Case {
        double lo, hi;
        bool ok;
        double low, high;
    };
    const Case cases[] = {
        {-400, 400, true, -440, 440},
        {0, 1, true, -0.05, 1.05},
        {2, 2, true, 1.9, 2.1},       // a flat trace: 5 % of its value
        {-8, -8, true, -8.4, -7.6},
        {0, 0, true, -1, 1},          // flat at zero
        {3, 1, false, 0, 0},
        {nan, 1, false, 0, 0},
        {0, inf, false, 0, 0},
        {-1.7e308, 1.7e308, false, 0, 0},   // the margin would overflow
    };
    for (const Case& c : cases) {
        double low = 0, high = 0;
        EXPECT_EQ(FitDisplayRange(c.lo, c.hi, &low, &high), c.ok) << c.lo << " .. " << c.hi;
        if (!c.ok) continue;
        EXPECT_DOUBLE_EQ(low, c.low) << c.lo << " .. " << c.hi;
        EXPECT_DOUBLE_EQ(high, c.high) << c.lo << " .. " << c.hi;
    }
}
