#include "PngRender.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>

#include <cstdio>
#include <filesystem>
#include <utility>

#include "Cursors.h"
#include "PictureRender.h"
#include "PlotWindow.h"
#include "PlotWnd.h"
#include "core/view/PositionText.h"
#include "core/view/ViewStretch.h"
#include "SpectrogramPanel.h"
#include "core/common/FileProblemText.h"
#include "core/recording/DataFile.h"
#include "platform/FileCheck.h"
#include "shell/UiUtils.h"

namespace vistrel {

namespace {
qint64 g_writeFaultAfter = -1;
std::function<void()> g_beforeRename;

std::filesystem::path FsPath(const QString& path) { return std::filesystem::path(path.toStdU16String()); }

// The stretch and the cursors the command line asks for, applied to the laid-out window; the
// reason when a position is bad (empty when all is well).
QString ApplyViewRequest(PlotWindow& w, const PictureRequest& request) {
    CPlotWnd* plot = w.Plot();
    const CDataFile* file = w.File();
    if (!plot || !file) return QString();
    PositionContext context;
    context.rate = file->Rate();
    context.localStart = plot->m_startTime;
    context.samples = file->Samples() > 0 ? static_cast<uint64_t>(file->Samples()) : 0;
    std::string why;
    uint64_t from = 0, to = context.samples;
    if (!request.from.isEmpty() && !ParsePosition(request.from.toStdString(), context, &from, &why))
        return QStringLiteral("--from: ") + QString::fromStdString(why);
    if (!request.to.isEmpty() && !ParsePosition(request.to.toStdString(), context, &to, &why))
        return QStringLiteral("--to: ") + QString::fromStdString(why);
    if (!request.from.isEmpty() || !request.to.isEmpty()) {
        if (to <= from)
            return QStringLiteral("--from %1 does not lie before --to %2").arg(request.from.isEmpty() ? QStringLiteral("0") : request.from,
                                                                              request.to.isEmpty() ? QStringLiteral("the end") : request.to);
        ShowStretch(*plot, static_cast<double>(from), static_cast<double>(to));
    }
    if (!request.cursors.isEmpty()) {
        uint64_t t1 = 0, t2 = 0;
        if (!ParsePositionPair(request.cursors.toStdString(), context, &t1, &t2, &why))
            return QStringLiteral("--cursors: ") + QString::fromStdString(why);
        const uint64_t last = context.samples > 0 ? context.samples - 1 : 0;
        const CursorGeometry g = plot->Geometry();
        int n = 1;
        for (uint64_t s : {t1, t2}) {
            s = std::min(s, last);
            if (CTimeCursor* cur = plot->TimeCursor(n++)) plot->SetTimeCursor(cur, g.ColumnOf(s), s);
        }
        plot->FollowView();
    }
    return QString();
}
} // namespace

void SetPngWriteFaultForTest(qint64 failAfterBytes) { g_writeFaultAfter = failAfterBytes; }
void SetPngBeforeRenameHookForTest(std::function<void()> hook) { g_beforeRename = std::move(hook); }

QString PngTargetProblem(const QString& png, const QString& recording) {
    // Identity, not spelling: another name, a hard or a symbolic link of the recording is the
    // recording.
    if (platform::IsSameFile(FsPath(png), FsPath(recording)))
        return QStringLiteral("it is the recording itself");
    // The rename would put a regular file in place of a FIFO or a device; a read-only file is
    // not replaced behind its owner's back.
    const platform::FileProblem problem = platform::CheckWritableTarget(FsPath(png));
    if (problem != platform::FileProblem::None)
        return QString::fromUtf8(FileProblemEnglish(problem));
    return QString();
}

bool WriteFileReplacing(const QString& path, const QByteArray& bytes, QString* error,
                        const std::function<QString()>& beforeRename) {
    // A temporary file beside the target takes the bytes; only a complete, flushed file is
    // renamed over the target, so a failure keeps the old file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    const qint64 limit = g_writeFaultAfter >= 0 ? std::min<qint64>(g_writeFaultAfter, bytes.size()) : bytes.size();
    const qint64 written = file.write(bytes.constData(), limit);
    if (written != bytes.size() || !file.flush()) {
        if (error) *error = written == bytes.size() ? file.errorString() : QStringLiteral("the disk is full");
        file.cancelWriting();
        return false;
    }
    if (beforeRename) {
        const QString refused = beforeRename();
        if (!refused.isEmpty()) {
            if (error) *error = refused;
            file.cancelWriting();
            return false;
        }
    }
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

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

int RenderPlotToPng(const QString& recording, const QString& png, QSize size, bool minMax, bool lanes,
                    int spectrogram) {
    PictureRequest request;
    request.size = size;
    request.minMax = minMax;
    request.lanes = lanes;
    request.spectrogram = spectrogram;
    return RenderPlotPicture(recording, png, request);
}

int RenderPlotPicture(const QString& recording, const QString& png, const PictureRequest& request) {
    QSize size = request.size;
    const bool minMax = request.minMax;
    const bool lanes = request.lanes;
    const int spectrogram = request.spectrogram;
    if (!size.isValid() || size.isEmpty())
        size = QSize(kPngDefaultWidth, kPngDefaultHeight);
    if (size.width() < 64 || size.height() < 64 || size.width() > 16384 || size.height() > 16384) {
        std::fprintf(stderr, "vistrel: picture size %dx%d is outside 64..16384\n", size.width(),
                     size.height());
        return 1;
    }
    QString error;
    // A FIFO or a device would block the reader: refused before any open.
    const platform::FileProblem problem = CheckReadablePath(recording);
    if (problem != platform::FileProblem::None) {
        std::fprintf(stderr, "vistrel: cannot open %s: %s\n", qPrintable(recording), FileProblemEnglish(problem));
        return 2;
    }
    // The target is checked before the work and again just before the rename.
    if (const QString refused = PngTargetProblem(png, recording); !refused.isEmpty()) {
        std::fprintf(stderr, "vistrel: cannot write %s: %s; nothing was written\n", qPrintable(png), qPrintable(refused));
        return 2;
    }
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
    // The min-max view waits for the summaries: they are read from the cache (or built) on
    // their thread while this one lays out and paints the window.
    if (minMax && w->Plot()) w->Plot()->StartSummaries();
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
    if (lanes) w->SetLanes(true);   // the cursors placed above move into the lanes
    if (spectrogram != 0 && !ShowSpectrogramForPng(*w, spectrogram))
        return 1;
    if (minMax && w->Plot()) {
        // The whole recording in the min-max view, computed in full before the picture.
        CPlotWnd* plot = w->Plot();
        plot->StartSummaries();
        plot->WaitForSummaries();
        plot->m_minMaxMode = 1;
        image.fill(Qt::white);
        {
            QPainter p(&image);
            w->render(&p);   // starts the pass for the view
        }
        while (!plot->RunMinMaxSlice(1000)) {
        }
    }
    if (const QString bad = ApplyViewRequest(*w, request); !bad.isEmpty()) {
        std::fprintf(stderr, "vistrel: %s: %s; no picture was written\n", qPrintable(recording), qPrintable(bad));
        return 2;
    }
    QByteArray bytes;
    QString why;
    bool changed = false, refused = false;
    const CDataFile* source = w->File();
    // A picture of values read from a recording that changed meanwhile (zeros where it was cut)
    // is no picture of it; nor may the target have become the recording, a FIFO or a device.
    const auto lastChecks = [&]() -> QString {
        if (g_beforeRename) g_beforeRename();
        if (source && source->ChangedOnDisk()) {
            changed = true;
            return QString::fromUtf8(kChangedOnDiskEnglish);
        }
        const QString problem = PngTargetProblem(png, recording);
        refused = !problem.isEmpty();
        return problem;
    };
    const PictureFormat format = PictureFormatFromName(png.toStdString());
    PicturePlan plan;
    std::string planWhy;
    if (!PlanPicture(format == PictureFormat::Unknown ? PictureFormat::Png : format, 0, 0, size.width(),
                     size.height(), 1.0, &plan, &planWhy)) {
        why = QString::fromStdString(planWhy);
    } else if (!RenderWindowPicture(*w, format, plan, true, &bytes, &why)) {
        if (why.isEmpty()) why = QStringLiteral("the picture cannot be encoded");
    } else if (!WriteFileReplacing(png, bytes, &why, lastChecks)) {
        if (why.isEmpty()) why = QStringLiteral("write error");
    } else {
        return 0;
    }
    if (changed) {
        std::fprintf(stderr, "vistrel: %s: %s; no picture was written\n", qPrintable(recording), qPrintable(why));
        return 2;
    }
    if (refused) {
        std::fprintf(stderr, "vistrel: cannot write %s: %s; nothing was written\n", qPrintable(png), qPrintable(why));
        return 2;
    }
    std::fprintf(stderr, "vistrel: cannot write %s: %s (an existing file is kept)\n", qPrintable(png), qPrintable(why));
    return 3;
}

} // namespace vistrel
