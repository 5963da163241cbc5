#include "settingssandbox.h"

#include <QCoreApplication>
#include <QSettings>

SettingsSandbox::SettingsSandbox()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.filePath("user"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, dir.filePath("system"));
    QCoreApplication::setOrganizationName(QStringLiteral("Quadrotag"));
    QCoreApplication::setApplicationName(QStringLiteral("Quadrotag"));
}
