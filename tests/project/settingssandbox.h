#ifndef QUADROTAG_TESTS_SETTINGSSANDBOX_H
#define QUADROTAG_TESTS_SETTINGSSANDBOX_H

#include <QString>
#include <QTemporaryDir>

// A temporary folder that holds every settings file a test opens, the user's and the machine's,
// under the names the program gives its one file; the operator's own are never touched.
class SettingsSandbox
{
public:
    SettingsSandbox();

    bool isValid() const { return dir.isValid(); }
    QString filePath(const QString& name) const { return dir.filePath(name); }

private:
    QTemporaryDir dir;
};

#endif
