#include "PrintPage.h"

#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cstdio>

#include "PictureRender.h"
#include "PlotWindow.h"
#include "PlotWnd.h"
#include "core/common/StringIds.h"
#include "core/common/TextFormat.h"
#include "shell/UiUtils.h"

namespace vistrel {

QStringList PrintFooter(const PlotWindow& window) {
    QStringList lines;
    lines << QFileInfo(window.Path()).fileName();
    if (const CPlotWnd* plot = window.Plot()) {
        const CalendarFields f = FileTimeToFields(plot->m_startTime);
        char text[64];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", f.year, f.month, f.day, f.hour,
                      f.minute, f.second, f.millisecond);
        QString start = GetUiString(IDS_PRINT_START);
        if (!start.contains(QLatin1String("%1"))) start = QStringLiteral("%1");   // no language module
        lines << start.arg(QString::fromLatin1(text));
    }
    lines << window.StatusText(1);
    return lines;
}

void PaintPrintPage(PlotWindow& window, QPrinter& printer, QPainter& painter) {
    // The printable area in device pixels; the window is laid out as a 96 dpi screen would
    // show that area and scaled up to the printer's resolution.
    const int pageW = printer.width();
    const int pageH = printer.height();
    const double perPixel = std::max(1, printer.resolution()) / kPictureScreenDpi;
    QFont font = painter.font();
    font.setPointSizeF(9.0);
    const QFontMetrics fm(font, &printer);
    const QStringList footer = PrintFooter(window);
    const int lineH = fm.height();
    const int footerH = lineH * static_cast<int>(footer.size()) + lineH / 2;
    const int plotH = std::max(1, pageH - footerH);
    const QSize layout(std::max(kPictureMinPixels, static_cast<int>(pageW / perPixel)),
                       std::max(kPictureMinPixels, static_cast<int>(plotH / perPixel)));
    PaintWindowPicture(window, painter, layout, static_cast<double>(pageW) / layout.width(), true);
    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    int y = plotH + lineH / 2;
    for (const QString& line : footer) {
        painter.drawText(QRect(0, y, pageW, lineH), Qt::AlignLeft | Qt::AlignVCenter,
                         fm.elidedText(line, Qt::ElideRight, pageW));
        y += lineH;
    }
    painter.restore();
}

bool PrintWindow(PlotWindow& window, QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    PaintPrintPage(window, printer, painter);
    return painter.end();
}

} // namespace vistrel
