#include "PngRender.h"

#include <QImage>
#include <QPainter>
#include <QRegularExpression>

#include <cstdio>

#include "PlotWindow.h"

namespace vistrel {

bool ParsePngSize(const QString& text, QSize* size) {
    static const QRegularExpression re(QStringLiteral("^(\\d{1,5})[xX](\\d{1,5})$"));
    const QRegularExpressionMatch m = re.match(text.trimmed());
    if (!m.hasMatch())
        return false;
    const int w = m.captured(1).toInt();
    const int h = m.captured(2).toInt();
    if (w < 64 || h < 64 || w > 16384 || h > 16384)
        return false;
    if (size)
        *size = QSize(w, h);
    return true;
}

int RenderPlotToPng(const QString& recording, const QString& png, QSize size) {
    if (!size.isValid() || size.isEmpty())
        size = QSize(kPngDefaultWidth, kPngDefaultHeight);
    if (size.width() < 64 || size.height() < 64 || size.width() > 16384 || size.height() > 16384) {
        std::fprintf(stderr, "vistrel: picture size %dx%d is outside 64..16384\n", size.width(),
                     size.height());
        return 1;
    }
    QString error;
    // Fonts and markers are sized as for a screen the size of the picture.
    SetFullScreenOverride(size);
    std::unique_ptr<PlotWindow> w = PlotWindow::CreateDetached(recording, &error);
    SetFullScreenOverride(QSize());
    if (!w) {
        std::fprintf(stderr, "vistrel: cannot open %s: %s\n", qPrintable(recording),
                     qPrintable(error.isEmpty() ? QStringLiteral("not a recording") : error));
        return 2;
    }
    w->setAttribute(Qt::WA_DontShowOnScreen);
    w->resize(size);
    w->LayoutChildren();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        // The first paint lays the plot out; the cursors are placed on it as the first timer
        // tick does, then the window is painted again.
        QPainter p(&image);
        w->render(&p);
    }
    w->OnFirstTimer();
    image.fill(Qt::white);
    {
        QPainter p(&image);
        w->render(&p);
    }
    if (!image.save(png, "PNG")) {
        std::fprintf(stderr, "vistrel: cannot write %s\n", qPrintable(png));
        return 3;
    }
    return 0;
}

} // namespace vistrel
