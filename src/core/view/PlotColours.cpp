#include "core/view/PlotColours.h"

#include <algorithm>
#include <cmath>

namespace vistrel {

namespace {

// The light scheme keeps the plot's long-standing colours; the dark one is its counterpart with
// the same roles.
constexpr SchemeColours kLight{0xFFFFFF, 0xC8F0F0, 0x404040, 0x000000, 0xFFFFFF, 0xA4A0A0, 0x000000};
constexpr SchemeColours kDark{0x231E1B, 0x4A423A, 0xD0D0D0, 0xE8E8E8, 0x3A3530, 0xA0A0A0, 0xE8E8E8};

int Channel(std::uint32_t colour, int shift) { return static_cast<int>((colour >> shift) & 0xFF); }

double Linear(int c) {
    const double s = c / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}

// `colour` moved a fraction t (0 .. 1) of the way to `target` in each component.
std::uint32_t Mix(std::uint32_t colour, std::uint32_t target, double t) {
    std::uint32_t out = 0;
    for (int shift : {0, 8, 16}) {
        const double a = Channel(colour, shift), b = Channel(target, shift);
        const int v = static_cast<int>(std::lround(a + (b - a) * t));
        out |= static_cast<std::uint32_t>(std::clamp(v, 0, 255)) << shift;
    }
    return out;
}

// `colour` moved the least fraction of the way to `target` for which `good` holds; `good` must
// hold at the target itself.
template <typename Good>
std::uint32_t MixUntil(std::uint32_t colour, std::uint32_t target, Good good) {
    int lo = 0, hi = 256;   // fractions of 256: lo fails, hi holds
    while (hi - lo > 1) {
        const int mid = (lo + hi) / 2;
        if (good(Mix(colour, target, mid / 256.0))) hi = mid;
        else lo = mid;
    }
    return Mix(colour, target, hi / 256.0);
}

} // namespace

const SchemeColours& ColoursOf(ColourScheme scheme) { return scheme == ColourScheme::Dark ? kDark : kLight; }

ColourScheme ResolveScheme(ColourChoice choice, bool systemDark) {
    switch (choice) {
    case ColourChoice::Light: return ColourScheme::Light;
    case ColourChoice::Dark: return ColourScheme::Dark;
    case ColourChoice::System: break;
    }
    return systemDark ? ColourScheme::Dark : ColourScheme::Light;
}

std::string_view ColourChoiceName(ColourChoice choice) {
    switch (choice) {
    case ColourChoice::Light: return "light";
    case ColourChoice::Dark: return "dark";
    case ColourChoice::System: break;
    }
    return "system";
}

ColourChoice ColourChoiceFromName(std::string_view name) {
    if (name == "light") return ColourChoice::Light;
    if (name == "dark") return ColourChoice::Dark;
    return ColourChoice::System;
}

double RelativeLuminance(std::uint32_t colour) {
    return 0.2126 * Linear(Channel(colour, 0)) + 0.7152 * Linear(Channel(colour, 8)) +
           0.0722 * Linear(Channel(colour, 16));
}

double ContrastRatio(std::uint32_t a, std::uint32_t b) {
    const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

std::uint32_t DisplayColour(std::uint32_t stored, std::uint32_t background) {
    stored &= 0xFFFFFF;
    background &= 0xFFFFFF;
    if (ContrastRatio(stored, background) >= kTraceContrast) return stored;
    // Away from the background: towards white on a dark one, towards black on a light one. The
    // far end always reaches the ratio (white and black stand at least 4.58 from any colour on
    // their side of the middle), so the search ends inside the range.
    const bool dark = RelativeLuminance(background) < 0.18;
    return MixUntil(stored, dark ? 0xFFFFFF : 0x000000,
                    [&](std::uint32_t c) { return ContrastRatio(c, background) >= kTraceContrast; });
}

std::uint32_t FitLuminance(std::uint32_t colour, double low, double high) {
    colour &= 0xFFFFFF;
    const double l = RelativeLuminance(colour);
    if (l < low) return MixUntil(colour, 0xFFFFFF, [&](std::uint32_t c) { return RelativeLuminance(c) >= low; });
    if (l > high) return MixUntil(colour, 0x000000, [&](std::uint32_t c) { return RelativeLuminance(c) <= high; });
    return colour;
}

} // namespace vistrel
