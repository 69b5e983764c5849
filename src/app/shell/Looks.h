#pragma once
// The colour scheme of the plots: the user's choice (Settings › Colours: system, light or dark,
// kept per user) and the system's palette it follows by default.

#include <QPalette>

#include "core/view/PlotColours.h"

namespace vistrel {

// The choice as the user's settings hold it ("system" when never made).
ColourChoice ColourChoiceSetting();
void SetColourChoiceSetting(ColourChoice choice);

// Whether the system's palette is dark: Qt's colour scheme where the platform tells it, else
// the lightness of the application palette's window colour.
bool SystemPaletteIsDark();

// The scheme plot windows are drawn in now.
ColourScheme CurrentColourScheme();

// A palette for the widgets around a plot (legend, status and read-out) in `scheme`, used when
// the choice differs from the system's palette.
QPalette SchemePalette(ColourScheme scheme);

} // namespace vistrel
