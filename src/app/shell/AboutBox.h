#pragma once
// The about box (dialog 103): the picture "LogoADC.bmp" from the current directory (else the
// installed one), the program's name, version and licence, and the build stamp in strips along
// the bottom. A missing picture leaves an empty picture area.

#include <QDialog>
#include <QPixmap>

namespace vistrel {

inline constexpr const char* kBuildStamp = "Ver.1881(FDD8) 07.12.22 13:39";

class CAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit CAboutBox(QWidget* owner);
    const QPixmap& Picture() const { return m_picture; }
    int StripHeight() const { return m_strip; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
    int m_strip;
};

void RunAboutBox(QWidget* owner);
// "Vistrel <version as --version prints it> · <licence>".
QString AboutProgramLine();

// The folder of the installed picture: <program folder>/../share/vistrel, or the folder set
// by SetInstalledPictureFolder (tests; empty restores the default).
QString InstalledPictureFolder();
void SetInstalledPictureFolder(const QString& folder);

} // namespace vistrel
