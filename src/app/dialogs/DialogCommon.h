#pragma once
// Shared pieces of the parameter dialogs: text lookup, C-style number parsing and printing,
// finding controls by their numeric id, and a modal run that tests can drive.
#include <QDialog>
#include <QLabel>
#include <QString>
#include <functional>
#include <vector>

#include "shell/UiUtils.h"

class QComboBox;
class QLineEdit;
class QCheckBox;
class QPushButton;

namespace vistrel {

// Text of a dialog element from the language module (id like "MOVAVG.1069").
QString DlgText(const char* id);
// Text of a numeric string id of the language module.
QString UiText(int id);

// Reads the number at the start of the text the way "%g" of scanf does: leading blanks are
// skipped, trailing text is ignored. A decimal comma counts as the point ("0,5" is 0.5) unless
// the text also holds a point. False when no number starts the text. Every dialog field where
// a number is typed reads through it.
bool ParseG(const QString& text, double* out);
// Reads a decimal integer at the start of the text ("%d"). False when none starts it.
bool ParseInt(const QString& text, long long* out);
// Reads a whole number and nothing else: blanks, an optional sign, digits, blanks. "2.5",
// "2,5", "1e3" and "12abc" are refused, not cut to their leading digits. Every field where a
// whole number is typed (counts, factors, points) reads through it.
bool ParseWhole(const QString& text, long long* out);
// The message for a field that holds a number that is not whole (string IDS_NOT_WHOLE_NUMBER).
QString NotWholeText(const QString& text);
// The number as printf "%g" prints it.
QString FormatG(double v);

// The child control whose objectName is the numeric id, or null.
template <typename T>
T* Control(const QWidget* dialog, int id) {
    return dialog->findChild<T*>(QString::number(id));
}

// Runs a dialog modally and returns its result. When a test hook is installed, the dialog is
// shown without a local event loop, the hook drives it, and a dialog the hook left open is
// closed (result 0).
using DialogHook = std::function<void(QDialog&)>;
void SetDialogTestHook(DialogHook hook);
int ExecDialog(QDialog& dialog);

// A drop-down list named by its id holding the numbers "1".."count", the first selected.
QComboBox* NumberList(QWidget* parent, int id, int count);
// An edit field, check box or push button named by its id.
QLineEdit* IdEdit(QWidget* parent, int id);
QCheckBox* IdCheck(QWidget* parent, int id, const QString& text);
QPushButton* IdButton(QWidget* parent, int id, const QString& text);
// The number shown by a list of numbers (its current text), or fallback.
int ListNumber(const QComboBox* list, int fallback = 1);
// Selects the entry holding the number; false when the list has no such entry.
bool SelectNumber(QComboBox* list, int number);

// Asks for a text file ("*.txt", type name string 209) to open or to save under; empty when
// cancelled. startFolder may be empty.
QString BrowseTextFile(bool save, QWidget* owner, int titleId, const QString& startFolder = QString());

// Title of the tab of a device numbered from 1 (string 226 with the number).
QString DeviceTabTitle(int device);

// A dialog page of up to 32 channel rows: slots first .. first + count - 1 of a device (0-based).
// A device with more channels than one page holds gets further pages.
constexpr int kRowsPerPage = 32;
struct ChannelPage {
    int device = 0;
    int first = 0;
    int count = 0;
};
std::vector<ChannelPage> ChannelPages(int devices, int perDevice);
// Tab title of a page: the device's title, followed by its channel range when the device has
// more than one page.
QString ChannelPageTitle(const ChannelPage& page, int perDevice);

// A one-line red text at the bottom of a dialog that says why an entry was refused.
class MessageLine : public QLabel {
public:
    explicit MessageLine(QWidget* parent);
    void Say(const QString& text);
};

} // namespace vistrel
