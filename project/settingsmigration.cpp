#include "settingsmigration.h"

#include <QSettings>

const QString settingsCarriedOverKey = QStringLiteral("settingsCarriedOver");

void carryOverSettings(const QSettings& old, QSettings& current)
{
    if (current.contains(settingsCarriedOverKey))
        return;
    const QStringList keys = old.allKeys();
    // Nothing to carry yet: an older version that writes the old file later still gets its turn.
    if (keys.isEmpty())
        return;
    for (const QString& key : keys)
        if (!current.contains(key))
            current.setValue(key, old.value(key));
    current.setValue(settingsCarriedOverKey, true);
}

void carryOverOldSettings()
{
    // Read only, and left in place: an older version of the program may still read it.
    QSettings old(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quadrotag"),
                  QStringLiteral("quadrotag"));
    QSettings current;
    // The machine's and the organisation's defaults belong to neither user file.
    old.setFallbacksEnabled(false);
    current.setFallbacksEnabled(false);
    carryOverSettings(old, current);
}
