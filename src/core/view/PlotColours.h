#pragma once
// Colours of a plot on a light or a dark background, and the contrast arithmetic that keeps the
// traces readable on either. Colours are 0x00BBGGRR, as a recording stores them.

#include <cstdint>
#include <string_view>

namespace vistrel {

enum class ColourScheme { Light, Dark };

// The user's choice: follow the system's palette, or one scheme always.
enum class ColourChoice { System, Light, Dark };

// Everything of a plot that is not a trace.
struct SchemeColours {
    std::uint32_t background;
    std::uint32_t grid;         // grid lines of a plot window
    std::uint32_t text;         // axis and scale texts
    std::uint32_t cursor;       // cursor lines, marker outlines and their letters
    std::uint32_t markerFill;   // inside of the cursor markers
    std::uint32_t cursorDot;    // where a time cursor meets the selected trace
    std::uint32_t selection;    // rubber band of a zoom
};

const SchemeColours& ColoursOf(ColourScheme scheme);

// The scheme a choice stands for, given whether the system's palette is dark.
ColourScheme ResolveScheme(ColourChoice choice, bool systemDark);

// Stored names of the choices ("system", "light", "dark"); an unknown name reads as System.
std::string_view ColourChoiceName(ColourChoice choice);
ColourChoice ColourChoiceFromName(std::string_view name);

// Relative luminance (0 black .. 1 white) of an sRGB colour, and the contrast ratio of two
// colours (1 .. 21), both as the accessibility guidelines for the web define them.
double RelativeLuminance(std::uint32_t colour);
double ContrastRatio(std::uint32_t a, std::uint32_t b);

// Contrast a trace needs against the plot's background.
constexpr double kTraceContrast = 3.0;

// The colour a trace of `stored` colour is drawn in on `background`: unchanged when its contrast
// is at least kTraceContrast, otherwise mixed with white (on a dark background) or with black (on
// a light one) just enough to reach it; the hue stays. For display only: the stored colour is
// what the recording keeps.
std::uint32_t DisplayColour(std::uint32_t stored, std::uint32_t background);

// `colour` mixed with white or black just enough to bring its relative luminance into
// [low, high]; unchanged when it is there already.
std::uint32_t FitLuminance(std::uint32_t colour, double low, double high);

// The band of luminance default trace colours keep: a contrast ratio of at least 3 against the
// background of either scheme.
constexpr double kDefaultLuminanceLow = 0.15;
constexpr double kDefaultLuminanceHigh = 0.26;

} // namespace vistrel
