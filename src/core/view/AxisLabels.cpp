#include "core/view/AxisLabels.h"

#include <cmath>
#include <cstdio>

namespace vistrel {

int BuildScaleTexts(double top, double bottom, int D, bool decibel, char* buf, int size) {
    if (size <= 0) return 0;
    if (D < 1) D = 1;
    int used = 0;
    for (int i = 0; i <= D; ++i) {
        double v = bottom + (top - bottom) * i / D;
        if (std::fabs(v) < 1e-8) v = 0.0;
        char text[64];
        if (i < D)
            std::snprintf(text, sizeof text, "%lg", v);
        else if (decibel)
            std::snprintf(text, sizeof text, "%s %lg", "Db,", v);
        else
            std::snprintf(text, sizeof text, "%s,%s %lg", "U", "V", v);
        const int len = static_cast<int>(std::char_traits<char>::length(text));
        if (used + len + 1 > size) break;
        std::char_traits<char>::copy(buf + used, text, len + 1);
        used += len + 1;
    }
    return used;
}

} // namespace vistrel
