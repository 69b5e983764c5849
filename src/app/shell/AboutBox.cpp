#include "shell/AboutBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QStyle>

#include "core/common/HelpPages.h"
#include "shell/SelectDevsDialog.h"

namespace vistrel {

namespace {
QString g_pictureFolder; // empty: the installed folder
} // namespace

QString InstalledPictureFolder() {
    if (!g_pictureFolder.isEmpty()) return g_pictureFolder;
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/vistrel"));
}

void SetInstalledPictureFolder(const QString& folder) { g_pictureFolder = folder; }

CAboutBox::CAboutBox(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("103"));
    setWindowTitle(qtTrId("ABOUT.title"));
    // The picture in the current directory wins over the installed one.
    const QString installed = InstalledPictureFolder() + QStringLiteral("/LogoADC.bmp");
    if (QFile::exists(QStringLiteral("LogoADC.bmp")))
        m_picture.load(QStringLiteral("LogoADC.bmp"));
    else if (QFile::exists(installed))
        m_picture.load(installed);
    m_strip = std::max(style()->pixelMetric(QStyle::PM_TitleBarHeight) * 3 / 4, fontMetrics().height() + 4);
    const QSize size(m_picture.width() + 10, m_picture.height() + 2 * m_strip + 10);
    const int textW = std::max(fontMetrics().horizontalAdvance(QLatin1String(kBuildStamp)),
                               fontMetrics().horizontalAdvance(AboutProgramLine()));
    setFixedSize(size.expandedTo(QSize(textW + 20, 0)));
    if (owner) {
        const QRect m = owner->frameGeometry();
        move((m.left() + m.right()) / 2 - width() / 2, (m.top() + m.bottom()) / 2 - height() / 2);
    }
}

QString AboutProgramLine() {
    // The program's name and version as --version prints them, and its licence.
    return QStringLiteral("Vistrel %1 \u00b7 GPL-3.0-or-later").arg(QString::fromLatin1(help::Version()));
}

void CAboutBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (!m_picture.isNull()) p.drawPixmap(5, 5, m_picture);
    const QRect program(0, height() - 2 * m_strip, width(), m_strip);
    const QRect strip(0, height() - m_strip, width(), m_strip);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(program, Qt::AlignHCenter | Qt::AlignVCenter, AboutProgramLine());
    p.drawText(strip, Qt::AlignHCenter | Qt::AlignVCenter, QLatin1String(kBuildStamp));
}

void RunAboutBox(QWidget* owner) {
    CAboutBox box(owner);
    ExecShellDialog(box);
}

} // namespace vistrel
