#include "shell/UiUtils.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>

#include <filesystem>

#include "core/common/FileProblemText.h"
#include "core/common/StringIds.h"
#include "shell/FrameApp.h"
#include "shell/MainFrame.h"

namespace vistrel {

namespace {
MessageBoxAnswerer g_boxAnswerer;
FileDialogAnswerer g_fileAnswerer;
ColorAnswerer g_colorAnswerer;
QString g_lastPath;
QString g_lastFolder; // the previous file dialog's result
QString g_defaultFolder; // where dialogs start without a previous result

bool ShowBox(BoxKind kind, const QString& caption, const QString& text) {
    if (g_boxAnswerer) return g_boxAnswerer(kind, caption, text);
    QMessageBox box(kind == BoxKind::Error ? QMessageBox::Critical : QMessageBox::Question, caption, text,
                    kind == BoxKind::Error ? QMessageBox::Ok : (QMessageBox::Yes | QMessageBox::No),
                    BoxOwner());
    box.setWindowModality(Qt::ApplicationModal);
    if (kind == BoxKind::Question) box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

QColor FromRef(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
uint32_t ToRef(const QColor& c) {
    return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
           (static_cast<uint32_t>(c.blue()) << 16);
}
} // namespace

QString GetUiString(int id) { return qtTrId(QByteArray::number(id).constData()); }

TimeUnitWords UiTimeUnitWords() {
    TimeUnitWords words;
    // An id the module lacks comes back bare: the default word stays.
    const auto take = [](int id, std::string& word) {
        const QString text = GetUiString(id);
        if (!text.isEmpty() && text != QString::number(id)) word = text.toStdString();
    };
    take(IDS_UNIT_MICROSECONDS, words.micro);
    take(IDS_UNIT_MILLISECONDS, words.milli);
    take(IDS_UNIT_SECONDS, words.second);
    return words;
}

QWidget* BoxOwner() {
    if (g_app && g_app->m_frame) return g_app->m_frame;
    return QApplication::activeWindow();
}

void SetMessageBoxAnswerer(MessageBoxAnswerer answerer) { g_boxAnswerer = std::move(answerer); }
void SetFileDialogAnswerer(FileDialogAnswerer answerer) { g_fileAnswerer = std::move(answerer); }
void SetColorAnswerer(ColorAnswerer answerer) { g_colorAnswerer = std::move(answerer); }

void ShowErrorBox(const QString& caption, const QString& text) { ShowBox(BoxKind::Error, caption, text); }
void ShowError(int id) { ShowBox(BoxKind::Error, GetUiString(214), GetUiString(id)); }
void ShowErrorText(const QString& text) { ShowBox(BoxKind::Error, GetUiString(214), text); }
void ShowPathError(int captionId, const QString& path) { ShowBox(BoxKind::Error, GetUiString(captionId), path); }
void ShowPathProblem(int captionId, const QString& path, platform::FileProblem problem) {
    QString text = path;
    if (problem != platform::FileProblem::None) text += QLatin1Char('\n') + GetUiString(FileProblemStringId(problem));
    ShowBox(BoxKind::Error, GetUiString(captionId), text);
}
bool AskYesNo(const QString& text) { return ShowBox(BoxKind::Question, QStringLiteral("?"), text); }

platform::FileProblem CheckReadablePath(const QString& path) {
    if (path.isEmpty()) return platform::FileProblem::NotFound;
    return platform::CheckReadableFile(std::filesystem::path(path.toStdU16String()));
}

bool FileExists(const QString& path) { return CheckReadablePath(path) == platform::FileProblem::None; }
bool IsSamePath(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    return platform::IsSameFile(std::filesystem::path(a.toStdU16String()), std::filesystem::path(b.toStdU16String()));
}

bool IsFileOpen(const QString& path) {
    if (!g_app) return false;
    for (int i = 0; i < g_app->m_windowCount; ++i) {
        const QString open = g_app->WindowPath(g_app->m_windows[i]);
        if (open == path || IsSamePath(open, path)) return true;
    }
    return false;
}

QString& LastPath() { return g_lastPath; }
void ResetLastFolder() { g_lastFolder.clear(); }

void SetDefaultDialogFolder(const QString& folder) { g_defaultFolder = folder; }

QStringList FileDialogNameFilters(const QList<FileFilter>& filters) {
    QStringList out;
    for (const FileFilter& f : filters) {
        // The shown text usually names its pattern already ("Data files(*.kvf)").
        const QString suffix = QLatin1Char('(') + f.pattern + QLatin1Char(')');
        out << (f.text.endsWith(suffix) ? f.text : f.text + suffix);
    }
    return out;
}

QString RunFileDialog(FileDialogMode mode, QWidget* owner, const QString& title, const QList<FileFilter>& filters,
                      const QString& initialName, const QString& startFolder) {
    // Start in the folder of the previous result, else the current directory.
    QString folder = g_lastFolder;
    const int cut = std::max(folder.lastIndexOf(QLatin1Char('/')), folder.lastIndexOf(QLatin1Char('\\')));
    folder = cut >= 0 ? folder.left(cut) : QString();
    if (folder.isEmpty()) folder = g_defaultFolder.isEmpty() ? QDir::currentPath() : g_defaultFolder;
    if (!startFolder.isEmpty()) folder = startFolder;

    QString name = initialName;
    while (name.startsWith(QLatin1Char('\\')) || name.startsWith(QLatin1Char('/'))) name.remove(0, 1);

    const QStringList nameFilters = FileDialogNameFilters(filters);

    QString path;
    int filterIndex = 0;
    if (g_fileAnswerer) {
        path = g_fileAnswerer(mode, title, filters, folder, &filterIndex);
    } else {
        QFileDialog dlg(owner ? owner : BoxOwner(), title, folder);
        dlg.setAcceptMode(mode == FileDialogMode::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        dlg.setFileMode(mode == FileDialogMode::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
        dlg.setNameFilters(nameFilters);
        if (!name.isEmpty() && !name.contains(QLatin1Char('*'))) dlg.selectFile(name);
        dlg.setWindowModality(Qt::ApplicationModal);
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return QString();
        path = dlg.selectedFiles().constFirst();
        filterIndex = static_cast<int>(nameFilters.indexOf(dlg.selectedNameFilter()));
    }
    if (path.isEmpty()) return QString();
    if (mode == FileDialogMode::Save && filterIndex >= 0 && filterIndex < filters.size() &&
        !QFileInfo(path).fileName().contains(QLatin1Char('.'))) {
        const QString& pattern = filters[filterIndex].pattern;
        if (pattern.size() > 1 && !pattern.mid(1).contains(QLatin1Char('*'))) path += pattern.mid(1);
    }
    g_lastFolder = path;
    g_lastPath = path;
    return path;
}

bool ChooseChannelColor(QWidget* owner, uint32_t* table, int tableSize, int index) {
    if (!table || index < 0 || index >= tableSize) return false;
    uint32_t chosen = table[index];
    if (g_colorAnswerer) {
        if (!g_colorAnswerer(table[index], &chosen)) return false;
        table[index] = chosen;
        return true;
    }
    const int customs = std::min(tableSize, QColorDialog::customCount());
    for (int i = 0; i < customs; ++i) QColorDialog::setCustomColor(i, FromRef(table[i]));
    QColorDialog dlg(FromRef(table[index]), owner ? owner : BoxOwner());
    dlg.setWindowModality(Qt::ApplicationModal);
    const bool ok = dlg.exec() == QDialog::Accepted;
    for (int i = 0; i < customs; ++i) table[i] = ToRef(QColorDialog::customColor(i));
    if (!ok) return false;
    table[index] = ToRef(dlg.selectedColor());
    return true;
}

} // namespace vistrel
