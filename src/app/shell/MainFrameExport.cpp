// File > Export...: the dialog, the target's name, then the export as a job of the frame
// (progress box, Cancel); the result is not opened.
#include "shell/MainFrame.h"

#include <QMdiSubWindow>

#include <algorithm>
#include <memory>

#include "core/common/StringIds.h"
#include "core/export/Export.h"
#include "core/processing/ProcessJob.h"
#include "core/recording/DataFile.h"
#include "dialogs/ExportDialog.h"
#include "shell/JobRunner.h"
#include "shell/PlotLink.h"
#include "shell/SelectDevsDialog.h"
#include "shell/UiUtils.h"

namespace vistrel {

void CMainFrame::OnExport() {
    QMdiSubWindow* a = ActiveWindow();
    if (!a || !HasPlot(a) || !SourceUnchanged(a)) return;
    CDataFile* file = PlotRecording(a);
    if (!file) return;
    auto job = NewJob();
    if (!job || !PlotFillJob(a, job.get())) return;
    std::vector<int> shown(static_cast<size_t>(std::min(file->Channels(), kJobChannels)));
    for (size_t c = 0; c < shown.size(); ++c) shown[c] = job->m_channelShown[c];
    ExportDialog dialog(this, shown);
    if (ExecShellDialog(dialog) != QDialog::Accepted) return;
    const ExportChoice choice = dialog.Choice();
    if (choice.channels.empty()) {
        ShowErrorText(GetUiString(IDS_EXPORT_NO_CHANNEL));
        return;
    }
    if (!exporting::FormatAvailable(choice.format)) {
        ShowErrorText(GetUiString(IDS_EXPORT_NOT_BUILT).arg(QString::fromLatin1(exporting::FormatLibrary(choice.format))));
        return;
    }
    const QString ext = ExportDialog::Extension(choice.format);
    const QList<FileFilter> filters{{ext.toUpper() + QStringLiteral(" (*.") + ext + QLatin1Char(')'),
                                     QStringLiteral("*.") + ext}};
    QString path = RunFileDialog(FileDialogMode::Save, this, GetUiString(IDS_EXPORT_TITLE), filters, QStringLiteral("\\File"));
    if (path.isEmpty()) return;
    // The chosen format decides: a name with another extension gets the format's own.
    if (exporting::FormatFromPath(std::filesystem::path(path.toStdU16String())) != choice.format)
        path += QLatin1Char('.') + ext;
    if (!CheckSaveTarget(path)) return;
    if (IsSamePath(path, PlotPath(a))) {
        ShowPathError(210, path);
        return;
    }
    auto exportJob = std::make_shared<exporting::ExportJob>();
    exportJob->source = file;
    exportJob->from = choice.whole ? 0 : job->m_cursor1;
    exportJob->to = choice.whole ? file->Samples() : job->m_cursor2;
    exportJob->channels = choice.channels;
    exportJob->target = std::filesystem::path(path.toStdU16String());
    exportJob->time = choice.time;
    exportJob->dialect = choice.dialect;
    exportJob->h5Deflate = choice.h5Deflate;
    job->m_op = OP_SAVE_FRAGMENT;
    job->m_resultName = exportJob->target;
    StartJob(a, std::move(job), [exportJob](ProcessJob& carrier, IProcessObserver& observer) {
        exporting::RunExport(*exportJob, carrier, observer);
    });
}

} // namespace vistrel
