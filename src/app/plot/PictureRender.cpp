#include "PictureRender.h"

#include <QApplication>
#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPalette>
#include <QPdfWriter>
#include <QStyle>
#include <QSvgGenerator>

#include "PlotWindow.h"
#include "PlotWnd.h"
#include "PngRender.h"

namespace vistrel {

namespace {

QString Title(const PlotWindow& window) { return QFileInfo(window.Path()).fileName(); }

// Paints the window once into a throw-away image of the layout's size: it lays the plot out,
// and a min-max view not yet computed for that width is computed in full before the picture.
void Prepare(PlotWindow& window, QSize layout) {
    CPlotWnd* plot = window.Plot();
    if (!plot || !plot->m_minMaxMode) return;
    QImage scratch(layout, QImage::Format_RGB32);
    {
        QPainter p(&scratch);
        window.render(&p);
    }
    while (!plot->RunMinMaxSlice(1000)) {
    }
}

} // namespace

void PaintWindowPicture(PlotWindow& window, QPainter& painter, QSize layout, double scale, bool white) {
    const QSize oldSize = window.size();
    const QPalette oldPalette = window.palette();
    const bool hadPalette = window.testAttribute(Qt::WA_SetPalette);
    CPlotWnd* plot = window.Plot();
    // White: the light scheme whatever the window shows; else the window's own colours.
    const ColourScheme oldScheme = plot ? plot->Scheme() : ColourScheme::Light;
    if (white) {
        if (plot) plot->SetScheme(ColourScheme::Light);
        window.setPalette(QApplication::style()->standardPalette());
    }
    window.resize(layout);
    window.LayoutChildren();
    Prepare(window, layout);
    painter.save();
    painter.scale(scale, scale);
    window.render(&painter);
    painter.restore();
    if (plot) plot->SetScheme(oldScheme);
    if (white) {
        if (hadPalette) window.setPalette(oldPalette);
        else window.setPalette(QPalette());
    }
    window.resize(oldSize);
    window.LayoutChildren();
    window.update();
}

bool RenderWindowPicture(PlotWindow& window, PictureFormat format, const PicturePlan& plan, bool white,
                         QByteArray* bytes, QString* why) {
    const QSize layout(plan.layoutWidth, plan.layoutHeight);
    const QSize device(plan.deviceWidth, plan.deviceHeight);
    if (format == PictureFormat::Pdf) return RenderPdfBook({&window}, {plan}, white, bytes, why);
    bytes->clear();
    QBuffer buffer(bytes);
    buffer.open(QIODevice::WriteOnly);
    switch (format) {
    case PictureFormat::Png:
    case PictureFormat::Unknown: {
        QImage image(device, QImage::Format_RGB32);
        if (image.isNull()) {
            if (why) *why = QStringLiteral("not enough memory for a picture of %1x%2").arg(device.width()).arg(device.height());
            return false;
        }
        image.fill(Qt::white);
        {
            QPainter p(&image);
            PaintWindowPicture(window, p, layout, plan.scale, white);
        }
        if (!image.save(&buffer, "PNG") || bytes->isEmpty()) {
            if (why) *why = QStringLiteral("the picture cannot be encoded");
            return false;
        }
        return true;
    }
    case PictureFormat::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(device);
        svg.setViewBox(QRect(QPoint(0, 0), device));
        svg.setResolution(static_cast<int>(kPictureScreenDpi));
        svg.setTitle(Title(window));
        svg.setDescription(QStringLiteral("Vistrel"));
        QPainter p;
        if (!p.begin(&svg)) {
            if (why) *why = QStringLiteral("the picture cannot be encoded");
            return false;
        }
        PaintWindowPicture(window, p, layout, plan.scale, white);
        p.end();
        return !bytes->isEmpty();
    }
    case PictureFormat::Pdf:
        break;
    }
    return false;
}

bool RenderPdfBook(const QList<PlotWindow*>& windows, const std::vector<PicturePlan>& plans, bool white,
                   QByteArray* bytes, QString* why) {
    if (windows.isEmpty() || plans.size() != static_cast<size_t>(windows.size())) {
        if (why) *why = QStringLiteral("no window to print");
        return false;
    }
    bytes->clear();
    QBuffer buffer(bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setCreator(QStringLiteral("Vistrel"));
    pdf.setTitle(Title(*windows.front()));
    pdf.setResolution(static_cast<int>(kPicturePdfDpi));
    auto pageOf = [](const PicturePlan& plan) {
        return QPageSize(QSizeF(plan.pageWidthMm, plan.pageHeightMm), QPageSize::Millimeter, QString(),
                         QPageSize::ExactMatch);
    };
    pdf.setPageLayout(QPageLayout(pageOf(plans[0]), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter p;
    if (!p.begin(&pdf)) {
        if (why) *why = QStringLiteral("the picture cannot be encoded");
        return false;
    }
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const PicturePlan& plan = plans[static_cast<size_t>(i)];
        if (i > 0) {
            pdf.setPageLayout(QPageLayout(pageOf(plan), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
            pdf.newPage();
        }
        // The painter's own device width decides the scale: the page's rounding, not the plan's.
        const double scale = static_cast<double>(pdf.width()) / plan.layoutWidth;
        PaintWindowPicture(*windows[i], p, QSize(plan.layoutWidth, plan.layoutHeight), scale, white);
    }
    p.end();
    return !bytes->isEmpty();
}

QString PictureTargetProblem(const QString& path, const QStringList& recordings) {
    for (const QString& recording : recordings)
        if (const QString problem = PngTargetProblem(path, recording); !problem.isEmpty()) return problem;
    if (recordings.isEmpty()) return PngTargetProblem(path, QString());
    return QString();
}

bool WritePictureFile(const QString& path, const QByteArray& bytes, const QStringList& recordings, QString* why) {
    if (const QString problem = PictureTargetProblem(path, recordings); !problem.isEmpty()) {
        if (why) *why = problem;
        return false;
    }
    QString error;
    const bool ok = WriteFileReplacing(path, bytes, &error, [&] { return PictureTargetProblem(path, recordings); });
    if (!ok && why) *why = error.isEmpty() ? QStringLiteral("write error") : error;
    return ok;
}

} // namespace vistrel
