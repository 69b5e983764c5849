// The manual inside the program: every page in both languages, links that lead somewhere, the
// contents on F1 in the main window, a dialog's own page from its Help button or F1, and the
// About box's program line.
#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>

#include "ShellTestSupport.h"
#include "core/common/HelpPages.h"
#include "dialogs/PictureDialog.h"
#include "shell/AboutBox.h"
#include "shell/HelpBrowser.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

const QStringList kPages{"index", "viewing", "cursors", "operations", "files", "export", "keys"};

QString Page(const QString& lang, const QString& name) {
    OpenHelp(nullptr, QStringLiteral("index.html"));   // registers the pages' resource
    QFile f(QStringLiteral(":/help/%1/%2.html").arg(lang, name));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

TEST(HelpContents, EveryPageInBothLanguagesWithWorkingLinks) {
    static const QRegularExpression link(QStringLiteral("href=\"([a-z]+)\\.html(#([a-z]+))?\""));
    static const QRegularExpression tags(QStringLiteral("<[^>]*>|&[a-z]+;"));
    static const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    for (const QString lang : {QStringLiteral("en"), QStringLiteral("ru")}) {
        for (const QString& name : kPages) {
            const QString html = Page(lang, name);
            ASSERT_FALSE(html.isEmpty()) << lang.toStdString() << "/" << name.toStdString();
            const QString text = QString(html).remove(tags);
            EXPECT_EQ(text.contains(cyrillic), lang == QLatin1String("ru")) << lang.toStdString() << "/" << name.toStdString();
            for (auto it = link.globalMatch(html); it.hasNext();) {
                const auto m = it.next();
                const QString target = Page(lang, m.captured(1));
                EXPECT_FALSE(target.isEmpty()) << name.toStdString() << " links to " << m.captured(1).toStdString();
                if (m.hasCaptured(3))
                    EXPECT_TRUE(target.contains(QStringLiteral("id=\"%1\"").arg(m.captured(3))))
                        << name.toStdString() << " links to #" << m.captured(3).toStdString();
            }
        }
    }
    // The file formats page holds an example of each file.
    EXPECT_TRUE(Page("en", "files").contains(QLatin1String("#Linear Transformation Coeffs#")));
    EXPECT_TRUE(Page("ru", "files").contains(QLatin1String("#Linear Transformation Coeffs#")));
}

TEST(HelpContents, F1OpensTheContentsAndADialogsOwnPage) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    QAction* contents = env.Frame()->Action(cmd::HelpContents);
    ASSERT_NE(contents, nullptr);
    EXPECT_EQ(contents->shortcut(), QKeySequence(Qt::Key_F1));
    env.Frame()->OnCommand(cmd::HelpContents);
    ASSERT_NE(HelpBrowser(), nullptr);
    EXPECT_TRUE(HelpBrowser()->source().toString().endsWith(QLatin1String("/en/index.html")));
    EXPECT_TRUE(HelpBrowser()->toPlainText().contains(QLatin1String("Coefficient and points files")));

    // A dialog's Help button and F1 open its page.
    const struct {
        bool f1;
    } ways[] = {{false}, {true}};
    for (const auto& way : ways) {
        HelpBrowser()->setSource(QUrl(QStringLiteral("qrc:/help/en/keys.html")));
        PictureDialog dialog(env.Frame(), false, QSize(800, 500), QString());
        dialog.show();
        QPushButton* help = dialog.findChild<QPushButton*>(QStringLiteral("help"));
        ASSERT_NE(help, nullptr);
        if (way.f1) QTest::keyClick(&dialog, Qt::Key_F1);
        else help->click();
        EXPECT_TRUE(HelpBrowser()->source().toString().endsWith(QLatin1String("export.html#picture")))
            << HelpBrowser()->source().toString().toStdString();
        dialog.close();
    }
    EXPECT_EQ(HelpPageOf(QStringLiteral("FILTER")), QStringLiteral("operations.html#filter"));
    EXPECT_EQ(HelpPageOf(QStringLiteral("UNKNOWN")), QStringLiteral("index.html"));
}

TEST(HelpContents, AboutNamesTheProgramItsVersionAndLicence) {
    const QString line = AboutProgramLine();
    EXPECT_TRUE(line.contains(QLatin1String("Vistrel")));
    EXPECT_TRUE(line.contains(QLatin1String(help::Version())));
    EXPECT_TRUE(line.contains(QLatin1String("GPL-3.0-or-later")));
    // The same version and licence as --version prints.
    const std::string version = help::VersionText(help::App());
    EXPECT_NE(version.find(help::Version()), std::string::npos);
    EXPECT_NE(version.find("GPL-3.0-or-later"), std::string::npos);
}
