#ifndef QUADROTAG_SETTINGSMIGRATION_H
#define QUADROTAG_SETTINGSMIGRATION_H

#include <QString>

class QSettings;

// Set in the one settings file once the old file's keys are in it, so they come over only once.
extern const QString settingsCarriedOverKey;

// Copies every key of old that current lacks into current, then marks current; does nothing
// when current is marked already or old holds no key. Old is only read: where both are one
// store (a file system or registry that ignores case), nothing is copied and nothing is lost.
void carryOverSettings(const QSettings& old, QSettings& current);

// Earlier versions kept the recent projects in a file of their own, named "quadrotag" in lower
// case beside the one file; its keys go into the default QSettings() once.
void carryOverOldSettings();

#endif
