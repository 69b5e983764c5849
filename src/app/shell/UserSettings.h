#pragma once
// Settings of the program itself (lanes, envelope when dense, toolbar, link time, …), kept per
// user by QSettings in the platform's usual place: Linux ~/.config/vistrel/vistrel.conf, Windows
// the registry. "Vistrel.cfg" never holds them, so its format stays readable by other programs.

#include <QSettings>
#include <QString>
#include <QVariant>

#include <memory>

namespace vistrel {

// A QSettings object on the program's per-user store.
std::unique_ptr<QSettings> OpenUserSettings();

// One value of the store; `fallback` when it was never written or cannot be read.
QVariant UserSetting(const QString& key, const QVariant& fallback);
void SetUserSetting(const QString& key, const QVariant& value);

// The group of one window's modes: the recording's path and the window's index in
// "Vistrel.cfg". A restored window applies them only when both match.
QString WindowSettingsGroup(const QString& path, int index);
// Forgets the groups of every window (before the windows of a session are saved anew).
void RemoveWindowSettingsGroups();

} // namespace vistrel
