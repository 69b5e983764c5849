#include "shell/UserSettings.h"

#include <QCryptographicHash>

namespace vistrel {

std::unique_ptr<QSettings> OpenUserSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("vistrel"),
                                       QStringLiteral("vistrel"));
}

QVariant UserSetting(const QString& key, const QVariant& fallback) {
    return OpenUserSettings()->value(key, fallback);
}

void SetUserSetting(const QString& key, const QVariant& value) {
    OpenUserSettings()->setValue(key, value);
}

void RemoveWindowSettingsGroups() { OpenUserSettings()->remove(QStringLiteral("windows")); }

QString WindowSettingsGroup(const QString& path, int index) {
    // A path may hold '/' and '\\', which QSettings reads as group separators: key by its hash.
    const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("windows/%1-%2").arg(QString::fromLatin1(hash)).arg(index);
}

} // namespace vistrel
