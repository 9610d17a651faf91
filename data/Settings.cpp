#include "data/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace tv {

namespace {
QString &exeName()
{
    static QString name;
    return name;
}
QString &folderOverride()
{
    static QString folder;
    return folder;
}
QString keyPath(const QString &section, const QString &key) { return section + u'/' + key; }
} // namespace

QString ExeAppName()
{
    if (exeName().isEmpty())
        return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return exeName();
}

void SetExeAppName(const QString &name) { exeName() = name; }

QString SettingsFolder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/tallyvane");
}

void SetSettingsFolder(const QString &folder) { folderOverride() = folder; }

QString SettingsFile(const QString &app) { return SettingsFolder() + u'/' + app + QStringLiteral(".ini"); }

QString GetSetting(const QString &app, const QString &section, const QString &key, const QString &defaultValue)
{
    QSettings s(SettingsFile(app), QSettings::IniFormat);
    return s.value(keyPath(section, key), defaultValue).toString();
}

void SaveSetting(const QString &app, const QString &section, const QString &key, const QString &value)
{
    QDir().mkpath(SettingsFolder());
    QSettings s(SettingsFile(app), QSettings::IniFormat);
    s.setValue(keyPath(section, key), value);
    s.sync();
}

void DeleteSetting(const QString &app, const QString &section, const QString &key)
{
    QSettings s(SettingsFile(app), QSettings::IniFormat);
    s.remove(keyPath(section, key));
    s.sync();
}

} // namespace tv
