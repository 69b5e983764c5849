// The plot window in the user's colour scheme.

#include "PlotWindow.h"

#include "PlotWnd.h"
#include "shell/Looks.h"

namespace vistrel {

void PlotWindow::ApplyColourScheme() {
    const ColourScheme scheme = CurrentColourScheme();
    if (m_plot) m_plot->SetScheme(scheme);
    // The legend and the read-out take the scheme's palette when it is not the system's; else
    // the window inherits the application's palette again.
    const bool own = scheme != (SystemPaletteIsDark() ? ColourScheme::Dark : ColourScheme::Light);
    if (own) setPalette(SchemePalette(scheme));
    else if (testAttribute(Qt::WA_SetPalette)) setPalette(QPalette());
    // The window fills itself with its palette's background, so the status line and the legend
    // never show the sub-window's (system) background behind the scheme's text colour.
    setAutoFillBackground(true);
    RefreshLegend();
    m_canvas->update();
}

} // namespace vistrel
