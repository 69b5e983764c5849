#pragma once
// One rendering path for every picture of a plot window: the window as it is now (view, lanes,
// cursors, min-max view, legend, read-out line) painted onto any paint device, laid out at a
// chosen size and scaled onto the device. PNG goes through QImage, SVG through QSvgGenerator and
// PDF through QPdfWriter, so lines and text of SVG and PDF stay lines and text.

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <vector>

#include "core/view/PictureLayout.h"

class QPainter;

namespace vistrel {

class PlotWindow;

// Paints `window` onto `painter`, laid out at `layout` (its own pixels) and scaled by `scale`.
// The window is resized for the painting and back, so a window on screen keeps its size, view
// and cursors. `white`: a white background and the light palette instead of the window's own.
void PaintWindowPicture(PlotWindow& window, QPainter& painter, QSize layout, double scale, bool white);

// The picture's bytes in `format` as `plan` lays it out; false with the reason in `why`.
bool RenderWindowPicture(PlotWindow& window, PictureFormat format, const PicturePlan& plan, bool white,
                         QByteArray* bytes, QString* why);

// Every window on a page of its own of one PDF, each page as its plan says.
bool RenderPdfBook(const QList<PlotWindow*>& windows, const std::vector<PicturePlan>& plans, bool white,
                   QByteArray* bytes, QString* why);

// Why a picture may not be written to `path` (empty when it may): one of the recordings under
// any name or link, a folder, FIFO or device, a read-only file.
QString PictureTargetProblem(const QString& path, const QStringList& recordings);

// Writes the picture through a temporary file renamed over `path` once complete, checking the
// target again just before the rename; on failure nothing is left behind and an old file stays.
bool WritePictureFile(const QString& path, const QByteArray& bytes, const QStringList& recordings, QString* why);

} // namespace vistrel
