#include "shell/HelpBrowser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QHash>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "core/common/StringIds.h"
#include "shell/UiUtils.h"

// The help pages live in a static library: their resource is registered by name.
static void InitHelpResource() { Q_INIT_RESOURCE(help); }

namespace vistrel {

namespace {

QPointer<QDialog> g_window;
QPointer<QTextBrowser> g_browser;

class DialogHelpFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (!dialog || dialog == g_window) return false;
        if (event->type() == QEvent::Show) {
            AddHelpButton(dialog);
        } else if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
            OpenHelp(dialog, HelpPageOf(dialog->objectName()));
            return true;
        }
        return false;
    }

private:
    static void AddHelpButton(QDialog* dialog) {
        for (QDialogButtonBox* box : dialog->findChildren<QDialogButtonBox*>()) {
            if (box->property("vistrelHelp").toBool()) continue;
            box->setProperty("vistrelHelp", true);
            QPushButton* help = box->addButton(GetUiString(IDS_PICTURE_HELP), QDialogButtonBox::HelpRole);
            help->setObjectName(QStringLiteral("help"));
            help->setAutoDefault(false);
            const QString page = HelpPageOf(dialog->objectName());
            QObject::connect(help, &QPushButton::clicked, dialog, [dialog, page] { OpenHelp(dialog, page); });
        }
    }
};

} // namespace

QString HelpFolder() {
    // The pages follow the interface: Russian when the language module speaks Russian.
    static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    return GetUiString(IDS_HELP_TITLE).contains(cyrillic) ? QStringLiteral(":/help/ru") : QStringLiteral(":/help/en");
}

QString HelpPageOf(const QString& dialogName) {
    static const QHash<QString, QString> pages{
        {QStringLiteral("MOVAVG"), QStringLiteral("operations.html#movavg")},
        {QStringLiteral("AXB"), QStringLiteral("operations.html#axb")},
        {QStringLiteral("EFU"), QStringLiteral("operations.html#efu")},
        {QStringLiteral("ADDSUB"), QStringLiteral("operations.html#addsub")},
        {QStringLiteral("TABLEFUNC"), QStringLiteral("operations.html#tablefunc")},
        {QStringLiteral("SPECTR"), QStringLiteral("operations.html#spectr")},
        {QStringLiteral("FILTER"), QStringLiteral("operations.html#filter")},
        {QStringLiteral("PRMTRS"), QStringLiteral("viewing.html")},
        {QStringLiteral("KEYS"), QStringLiteral("keys.html")},
        {QStringLiteral("SAVECHAS"), QStringLiteral("export.html")},
        {QStringLiteral("EXPORT"), QStringLiteral("export.html")},
        {QStringLiteral("PICTURE"), QStringLiteral("export.html#picture")},
    };
    return pages.value(dialogName, QStringLiteral("index.html"));
}

void OpenHelp(QWidget* owner, const QString& page) {
    InitHelpResource();
    if (!g_window) {
        // One window for the whole program, kept until the program ends.
        QWidget* top = owner ? owner->window() : nullptr;
        g_window = new QDialog(top, Qt::Window);
        g_window->setObjectName(QStringLiteral("HELP"));
        g_window->setAttribute(Qt::WA_DeleteOnClose, false);
        g_window->setWindowTitle(GetUiString(IDS_HELP_TITLE));
        auto* layout = new QVBoxLayout(g_window);
        layout->setContentsMargins(0, 0, 0, 0);
        g_browser = new QTextBrowser(g_window);
        g_browser->setObjectName(QStringLiteral("browser"));
        g_browser->setOpenExternalLinks(true);
        layout->addWidget(g_browser);
        g_window->resize(720, 640);
    }
    g_browser->setSearchPaths({HelpFolder()});
    g_browser->setSource(QUrl(QStringLiteral("qrc") + HelpFolder() + QLatin1Char('/') + page));
    g_window->show();
    g_window->raise();
    g_window->activateWindow();
}

QTextBrowser* HelpBrowser() { return g_browser; }

void InstallDialogHelp() {
    static DialogHelpFilter* filter = nullptr;
    if (filter || !qApp) return;
    filter = new DialogHelpFilter(qApp);
    qApp->installEventFilter(filter);
}

} // namespace vistrel
