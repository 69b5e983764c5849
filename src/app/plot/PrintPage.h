#pragma once
// Printing a plot window: the window as it is now on one page, above a footer of three lines
// (the file name, the recording's start time, the read-out line).

#include <QString>
#include <QStringList>

class QPainter;
class QPrinter;

namespace vistrel {

class PlotWindow;

// The footer's lines of `window`.
QStringList PrintFooter(const PlotWindow& window);

// Paints the page onto `painter`, which is open on `printer`.
void PaintPrintPage(PlotWindow& window, QPrinter& printer, QPainter& painter);

// Prints the window on one page of `printer` (landscape unless the printer was set otherwise
// by the user); false when the printer cannot be opened.
bool PrintWindow(PlotWindow& window, QPrinter& printer);

} // namespace vistrel
