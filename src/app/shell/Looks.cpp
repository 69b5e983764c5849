#include "shell/Looks.h"

#include <QApplication>
#include <QGuiApplication>
#include <QStyle>
#include <QStyleHints>

#include <optional>

#include "shell/UserSettings.h"

namespace vistrel {

namespace {

const QString kColoursKey = QStringLiteral("colours");

// Read once: the plots ask for the scheme on every repaint of a window.
std::optional<ColourChoice>& CachedChoice() {
    static std::optional<ColourChoice> choice;
    return choice;
}

} // namespace

ColourChoice ColourChoiceSetting() {
    std::optional<ColourChoice>& cached = CachedChoice();
    if (!cached)
        cached = ColourChoiceFromName(UserSetting(kColoursKey, QStringLiteral("system")).toString().toStdString());
    return *cached;
}

void SetColourChoiceSetting(ColourChoice choice) {
    SetUserSetting(kColoursKey, QString::fromLatin1(ColourChoiceName(choice).data(),
                                                    static_cast<qsizetype>(ColourChoiceName(choice).size())));
    CachedChoice() = choice;
}

bool SystemPaletteIsDark() {
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    if (const QStyleHints* hints = QGuiApplication::styleHints()) {
        if (hints->colorScheme() == Qt::ColorScheme::Dark) return true;
        if (hints->colorScheme() == Qt::ColorScheme::Light) return false;
    }
#endif
    return QGuiApplication::palette().color(QPalette::Window).lightness() < 128;
}

ColourScheme CurrentColourScheme() { return ResolveScheme(ColourChoiceSetting(), SystemPaletteIsDark()); }

QPalette SchemePalette(ColourScheme scheme) {
    if (scheme == ColourScheme::Light) return QApplication::style()->standardPalette();
    QPalette p;
    const QColor window(0x2D, 0x30, 0x35), base(0x1B, 0x1E, 0x23), text(0xE0, 0xE0, 0xE0);
    const QColor disabled(0x80, 0x80, 0x80);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, disabled);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, QColor(0xFF, 0x60, 0x60));
    p.setColor(QPalette::Light, QColor(0x48, 0x4C, 0x52));
    p.setColor(QPalette::Midlight, QColor(0x3A, 0x3E, 0x44));
    p.setColor(QPalette::Mid, QColor(0x26, 0x28, 0x2C));
    p.setColor(QPalette::Dark, QColor(0x18, 0x1A, 0x1D));
    p.setColor(QPalette::Shadow, QColor(0x0C, 0x0C, 0x0C));
    p.setColor(QPalette::Highlight, QColor(0x3A, 0x6E, 0xA5));
    p.setColor(QPalette::HighlightedText, QColor(0xFF, 0xFF, 0xFF));
    p.setColor(QPalette::Link, QColor(0x6C, 0xB4, 0xFF));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    return p;
}

} // namespace vistrel
