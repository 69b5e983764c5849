#pragma once
// User-interface utilities shared by the frame and every dialog: language-module texts,
// message boxes, file dialogs, the colour chooser. Message boxes, file dialogs and the colour
// chooser can be answered by a hook (tests and scripts), without showing anything.

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

#include "core/view/ReadOut.h"
#include "platform/FileCheck.h"

class QWidget;

namespace vistrel {
class CDataFile;
}

namespace vistrel {

// Text of a numeric string id of the language module (200..237, menu and dialog ids).
// String 226 carries one "%d" placeholder.
QString GetUiString(int id);
// The read-out's time unit words of the language module (the Russian words when it lacks them).
TimeUnitWords UiTimeUnitWords();

// The window that owns message boxes and dialogs: the main frame, else the active window.
QWidget* BoxOwner();

enum class BoxKind { Error, Question };
// Returns true for "Yes" (ignored for error boxes).
using MessageBoxAnswerer = std::function<bool(BoxKind kind, const QString& caption, const QString& text)>;
// Installs a hook that answers every box instead of showing it; an empty hook restores boxes.
void SetMessageBoxAnswerer(MessageBoxAnswerer answerer);

// Error box with a caption and text of its own.
void ShowErrorBox(const QString& caption, const QString& text);
// Error box captioned with string 214, the text of string `id`.
void ShowError(int id);
// Error box captioned with string 214 and the given text.
void ShowErrorText(const QString& text);
// Error box captioned with string `captionId`, the path as its text.
void ShowPathError(int captionId, const QString& path);
// The same with the reason, in the words of the language module, on a line below the path.
void ShowPathProblem(int captionId, const QString& path, platform::FileProblem problem);
// Yes/No question captioned "?"; true on Yes.
bool AskYesNo(const QString& text);

// The answer to one of a row of like questions.
enum class RowAnswer { Yes, No, YesToAll, NoToAll };
// The question asked for one of several pending items: Yes, No, Yes to all, No to all
// (only Yes and No when `more` is false). The hook answers it as a question: its true is Yes;
// a hook set with SetRowAnswerer answers it fully.
RowAnswer AskYesNoForAll(const QString& text, bool more);
using RowAnswerer = std::function<RowAnswer(const QString& text, bool more)>;
void SetRowAnswerer(RowAnswerer answerer);

// Why a recording could not be opened, in the words of the language module: the file
// problem, else the reader's failure. Empty when the file opened.
QString OpenFailureReason(const CDataFile& file);

// True when the path names a regular file that can be read (checked without opening it, so a
// FIFO never blocks).
bool FileExists(const QString& path);
// Why the path cannot be read as a file (None when it can).
platform::FileProblem CheckReadablePath(const QString& path);
// True when the path names the file of an open plot window: the same text, or another
// spelling (relative, absolute, through a link) of the same file.
bool IsFileOpen(const QString& path);
// True when both paths name the same existing file.
bool IsSamePath(const QString& a, const QString& b);

enum class FileDialogMode { Open, Save };
struct FileFilter {
    QString text;    // shown text, e.g. string 201 followed by "(*.kvf)"
    QString pattern; // e.g. "*.kvf"
};
// The filter lines a file dialog shows: the text, followed by "(pattern)" unless it ends so.
QStringList FileDialogNameFilters(const QList<FileFilter>& filters);
// Open or save dialog starting in the folder of the previous result (else the current
// directory, or `startFolder` when given) with `initialName` ("*.kvf", "File"). In save mode a
// name typed without an extension gets the chosen filter's. Returns the full path, or an
// empty string on cancel. Never changes the current directory.
QString RunFileDialog(FileDialogMode mode, QWidget* owner, const QString& title,
                      const QList<FileFilter>& filters, const QString& initialName,
                      const QString& startFolder = QString());
// Hook answering file dialogs: gets the mode, title, filters and the folder the dialog would
// start in; returns the chosen path (no extension added yet; empty = cancel) and the index of
// the chosen filter through `filterIndex`.
using FileDialogAnswerer = std::function<QString(FileDialogMode mode, const QString& title,
                                                 const QList<FileFilter>& filters,
                                                 const QString& startFolder, int* filterIndex)>;
void SetFileDialogAnswerer(FileDialogAnswerer answerer);

// The folder file dialogs start in when no earlier file gives one (empty: the current
// directory).
void SetDefaultDialogFolder(const QString& folder);

// The path last returned by RunFileDialog or built as a result name; error boxes show it.
QString& LastPath();
// Forgets the folder of the previous file dialog (tests).
void ResetLastFolder();

// Colour chooser for entry `index` of a table of 0x00BBGGRR colours; the table's first 16
// entries serve as the chooser's custom colours and take back what the user edits there.
// On OK stores the colour and returns true.
bool ChooseChannelColor(QWidget* owner, uint32_t* table, int tableSize, int index);
// Hook for the colour chooser: returns true and sets `colour` to accept.
using ColorAnswerer = std::function<bool(uint32_t initial, uint32_t* colour)>;
void SetColorAnswerer(ColorAnswerer answerer);

} // namespace vistrel
