#pragma once

// The persistent settings store: text values under (application, section, key), one INI file per
// application name in the settings folder. An absent key reads as the given default.

#include <QString>

namespace tv {

inline const QString kAppNameShared = QStringLiteral("App_Name");

// The executable's name, also the application title; the program's own sections live under it.
QString ExeAppName();
void SetExeAppName(const QString &name);

QString SettingsFolder();              // default: ~/.config/tallyvane
void SetSettingsFolder(const QString &folder);
QString SettingsFile(const QString &app);

QString GetSetting(const QString &app, const QString &section, const QString &key,
                   const QString &defaultValue = QString());
void SaveSetting(const QString &app, const QString &section, const QString &key, const QString &value);
void DeleteSetting(const QString &app, const QString &section, const QString &key);

} // namespace tv
