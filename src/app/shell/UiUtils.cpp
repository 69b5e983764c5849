#include "shell/UiUtils.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>

#include <filesystem>

#include "core/common/FileProblemText.h"
#include "core/common/StringIds.h"
#include "core/recording/DataFile.h"
#include "shell/FrameApp.h"
#include "shell/MainFrame.h"

namespace vistrel {

namespace {
MessageBoxAnswerer g_boxAnswerer;
RowAnswerer g_rowAnswerer;
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

void SetRowAnswerer(RowAnswerer answerer) { g_rowAnswerer = std::move(answerer); }

RowAnswer AskYesNoForAll(const QString& text, bool more) {
    if (g_rowAnswerer) return g_rowAnswerer(text, more);
    if (!more || g_boxAnswerer) return AskYesNo(text) ? RowAnswer::Yes : RowAnswer::No;
    QMessageBox box(QMessageBox::Question, QStringLiteral("?"), text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll | QMessageBox::NoToAll, BoxOwner());
    box.setWindowModality(Qt::ApplicationModal);
    box.setDefaultButton(QMessageBox::Yes);
    // The program's own words; Qt's catalogue may lack these two.
    box.button(QMessageBox::YesToAll)->setText(GetUiString(IDS_YES_TO_ALL));
    box.button(QMessageBox::NoToAll)->setText(GetUiString(IDS_NO_TO_ALL));
    switch (box.exec()) {
    case QMessageBox::Yes: return RowAnswer::Yes;
    case QMessageBox::YesToAll: return RowAnswer::YesToAll;
    case QMessageBox::NoToAll: return RowAnswer::NoToAll;
    default: return RowAnswer::No;
    }
}

QString OpenFailureReason(const CDataFile& file) {
    if (file.LastProblem() != platform::FileProblem::None) return GetUiString(FileProblemStringId(file.LastProblem()));
    switch (file.LastError()) {
    case OpenError::None: return QString();
    case OpenError::CannotOpen: return GetUiString(IDS_OPEN_CANNOT_OPEN);
    case OpenError::BadSignature: return GetUiString(IDS_OPEN_BAD_SIGNATURE);
    case OpenError::BadType: return GetUiString(IDS_OPEN_BAD_TYPE);
    case OpenError::BadChannels: return GetUiString(IDS_OPEN_BAD_CHANNELS);
    case OpenError::BadDevices: return GetUiString(IDS_OPEN_BAD_DEVICES);
    case OpenError::BadDescriptors: return GetUiString(IDS_OPEN_BAD_DESCRIPTORS);
    case OpenError::AdcBlockTooLong: return GetUiString(IDS_OPEN_SETTINGS_TOO_LONG);
    case OpenError::Truncated: return GetUiString(IDS_OPEN_TRUNCATED);
    case OpenError::BadRate: return GetUiString(IDS_OPEN_BAD_RATE);
    case OpenError::MappingFailed: return GetUiString(IDS_OPEN_MAPPING_FAILED);
    case OpenError::SdNoSectors: return GetUiString(IDS_OPEN_SD_NO_SECTORS);
    case OpenError::SdEmpty: return GetUiString(IDS_OPEN_SD_EMPTY);
    case OpenError::SdBadRing: return GetUiString(IDS_OPEN_SD_BAD_RING);
    case OpenError::SdMapTooLarge: return GetUiString(IDS_OPEN_SD_MAP_TOO_LARGE);
    }
    return GetUiString(IDS_OPEN_CANNOT_OPEN);
}

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
