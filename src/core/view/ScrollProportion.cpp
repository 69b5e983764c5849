#include "core/view/ScrollProportion.h"

#include <algorithm>
#include <cmath>

#include "core/view/Canvas.h"

namespace vistrel {

namespace {

int PageOf(double visible, double total) {
    if (!(total > 0) || !(visible < total)) return kScrollRangeMax;
    const double share = std::max(0.0, visible) / total * kScrollRangeMax;
    return static_cast<int>(std::clamp<double>(std::llround(share), 1, kScrollRangeMax));
}

} // namespace

ScrollThumb ProportionalThumb(double start, double visible, double total) {
    ScrollThumb t;
    t.page = PageOf(visible, total);
    t.maximum = kScrollRangeMax - t.page;
    if (t.maximum <= 0 || !(start > 0)) return t;
    if (start + visible >= total) {
        t.value = t.maximum;
        return t;
    }
    const double place = std::llround(start / total * kScrollRangeMax);
    // Short of the end, the thumb stays short of it too.
    t.value = static_cast<int>(std::clamp<double>(place, 0, std::max(0, t.maximum - 1)));
    return t;
}

double StartOfThumb(int value, double visible, double total) {
    const double room = std::max(0.0, total - visible);
    const int maximum = kScrollRangeMax - PageOf(visible, total);
    if (maximum <= 0 || value <= 0) return 0.0;
    if (value >= maximum) return room;
    return std::clamp(static_cast<double>(value) / kScrollRangeMax * total, 0.0, room);
}

} // namespace vistrel
