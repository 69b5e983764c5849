#include "shell/PictureCommands.h"

#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <filesystem>

#include "core/common/StringIds.h"
#include "dialogs/PictureDialog.h"
#include "plot/PictureRender.h"
#include "plot/PlotWindow.h"
#include "plot/PrintPage.h"
#include "shell/HelpBrowser.h"
#include "platform/FileCheck.h"
#include "shell/MainFrame.h"
#include "shell/SelectDevsDialog.h"
#include "shell/UiUtils.h"

namespace vistrel {

namespace {

PlotWindow* WindowOf(QMdiSubWindow* sub) { return sub ? qobject_cast<PlotWindow*>(sub->widget()) : nullptr; }

QList<PlotWindow*> AllWindows(CMainFrame* frame) {
    QList<PlotWindow*> windows;
    if (!frame->MdiArea()) return windows;
    for (QMdiSubWindow* sub : frame->MdiArea()->subWindowList(QMdiArea::CreationOrder))
        if (PlotWindow* w = WindowOf(sub); w && w->Plot()) windows.append(w);
    return windows;
}

// A name beside the recording: its base name with the picture's extension.
QString DefaultName(const PlotWindow& w) {
    const QFileInfo info(w.Path());
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".png"));
}

// The checks of every save command on a chosen target: not a recording open in a window, not
// a read-only file, a folder, FIFO or device; an existing file is replaced only when confirmed.
bool CheckTarget(const QString& path) {
    if (IsFileOpen(path)) {
        ShowPathError(IDS_TARGET_OPEN, path);
        return false;
    }
    if (const platform::FileProblem problem = platform::CheckWritableTarget(std::filesystem::path(path.toStdU16String()));
        problem != platform::FileProblem::None) {
        ShowPathProblem(IDS_RESULT_CANNOT_CREATE, path, problem);
        return false;
    }
    return !FileExists(path) || AskYesNo(GetUiString(IDS_OVERWRITE_QUESTION));
}

QStringList Recordings(const QList<PlotWindow*>& windows) {
    QStringList paths;
    for (const PlotWindow* w : windows) paths << w->Path();
    return paths;
}

bool Write(const QString& path, const QByteArray& bytes, const QStringList& recordings) {
    QString why;
    if (WritePictureFile(path, bytes, recordings, &why)) return true;
    ShowErrorText(GetUiString(IDS_PICTURE_NOT_WRITTEN).arg(path, why));
    return false;
}

bool Plan(const PictureChoice& c, const PlotWindow& w, PicturePlan* plan) {
    std::string why;
    if (PlanPicture(c.format, c.width, c.height, w.width(), w.height(), c.textScale, plan, &why)) return true;
    ShowErrorText(GetUiString(IDS_PICTURE_BAD_SIZE));
    return false;
}

void ExportPicture(CMainFrame* frame) {
    PlotWindow* w = WindowOf(frame->ActiveWindow());
    if (!w || !w->Plot()) return;
    PictureDialog dialog(frame, false, w->size(), DefaultName(*w));
    if (ExecShellDialog(dialog) != QDialog::Accepted) return;
    const PictureChoice c = dialog.Choice();
    PicturePlan plan;
    if (!Plan(c, *w, &plan) || !CheckTarget(c.path)) return;
    QByteArray bytes;
    QString why;
    if (!RenderWindowPicture(*w, c.format, plan, c.white, &bytes, &why)) {
        ShowErrorText(GetUiString(IDS_PICTURE_NOT_WRITTEN).arg(c.path, why));
        return;
    }
    Write(c.path, bytes, {w->Path()});
}

void ExportAllPictures(CMainFrame* frame) {
    const QList<PlotWindow*> windows = AllWindows(frame);
    if (windows.isEmpty()) return;
    PlotWindow* first = WindowOf(frame->ActiveWindow());
    if (!first) first = windows.front();
    PictureDialog dialog(frame, true, first->size(), DefaultName(*first));
    if (ExecShellDialog(dialog) != QDialog::Accepted) return;
    const PictureChoice c = dialog.Choice();
    const QStringList recordings = Recordings(windows);
    std::vector<PicturePlan> plans;
    for (const PlotWindow* w : windows) {
        plans.emplace_back();
        if (!Plan(c, *w, &plans.back())) return;
    }
    QByteArray bytes;
    QString why;
    if (c.format == PictureFormat::Pdf) {
        // One file, a page per window.
        if (!CheckTarget(c.path)) return;
        if (!RenderPdfBook(windows, plans, c.white, &bytes, &why)) {
            ShowErrorText(GetUiString(IDS_PICTURE_NOT_WRITTEN).arg(c.path, why));
            return;
        }
        Write(c.path, bytes, recordings);
        return;
    }
    // NAME_1.png, NAME_2.png, ... beside the chosen name, each complete or not there at all.
    const QFileInfo info(c.path);
    const QString ext = QString::fromLatin1(PictureExtension(c.format));
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const QString path = info.dir().filePath(info.completeBaseName() + QLatin1Char('_') + QString::number(i + 1) +
                                                 QLatin1Char('.') + ext);
        if (!CheckTarget(path)) return;
        if (!RenderWindowPicture(*windows[i], c.format, plans[static_cast<size_t>(i)], c.white, &bytes, &why)) {
            ShowErrorText(GetUiString(IDS_PICTURE_NOT_WRITTEN).arg(path, why));
            return;
        }
        if (!Write(path, bytes, recordings)) return;
    }
}

void Print(CMainFrame* frame, bool preview) {
    PlotWindow* w = WindowOf(frame->ActiveWindow());
    if (!w || !w->Plot()) return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(QFileInfo(w->Path()).fileName());
    if (preview) {
        QPrintPreviewDialog dialog(&printer, frame);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, frame,
                         [w](QPrinter* p) { PrintWindow(*w, *p); });
        dialog.exec();
        return;
    }
    QPrintDialog dialog(&printer, frame);
    if (dialog.exec() != QDialog::Accepted) return;
    if (!PrintWindow(*w, printer)) ShowErrorText(GetUiString(IDS_PICTURE_NOT_WRITTEN).arg(printer.printerName(), QString()));
}

} // namespace

bool RunPictureCommand(CMainFrame* frame, int id) {
    switch (id) {
    case cmd::ExportPicture: ExportPicture(frame); return true;
    case cmd::ExportAllPictures: ExportAllPictures(frame); return true;
    case cmd::Print: Print(frame, false); return true;
    case cmd::PrintPreview: Print(frame, true); return true;
    case cmd::HelpContents: OpenHelp(frame); return true;
    default: return false;
    }
}

} // namespace vistrel
