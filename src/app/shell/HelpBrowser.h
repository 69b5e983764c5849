#pragma once
// The program's manual: short HTML pages (viewing, cursors and read-out, operations, the
// coefficient and points files, export and pictures, keys) in the interface's language, built
// into the program and shown in one help window. F1 in a dialog, or the Help button every
// dialog with standard buttons gets, opens that dialog's page.

#include <QString>

class QTextBrowser;
class QWidget;

namespace vistrel {

// Opens (or brings to the front) the help window at `page` ("index.html", "files.html#points").
void OpenHelp(QWidget* owner, const QString& page = QStringLiteral("index.html"));
// The help window's browser while it exists, else null.
QTextBrowser* HelpBrowser();
// The help folder of the interface's language in the resources (":/help/ru" or ":/help/en").
QString HelpFolder();
// The page of a dialog, by its object name ("MOVAVG", "FILTER", "PICTURE"); the contents for
// any other dialog.
QString HelpPageOf(const QString& dialogName);
// From now on every dialog gets a Help button and F1 opens its page (idempotent).
void InstallDialogHelp();

} // namespace vistrel
