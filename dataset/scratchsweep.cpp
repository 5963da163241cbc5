#include "scratchsweep.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const qint64 staleSeconds = 24 * 60 * 60;

// Export staging, earlier exports and name registries; the COCO annotation spool; the
// importer's prediction spool (Qt's temporary folder of the program's name); and the hidden
// file a label or proposal is written to before it is renamed.
const QRegularExpression& scratchName()
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\.quadrotag-export-.+|\\.instances\\.json\\.annotations-.+|"
                       "quadrotag-import-.{6}|\\.[0-9a-f]{16}\\.tmp)$"));
    return pattern;
}

} // namespace

void removeStaleScratch(const QString& folder)
{
    const QDateTime staleBefore = QDateTime::currentDateTimeUtc().addSecs(-staleSeconds);
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (!scratchName().match(entry.fileName()).hasMatch() ||
            entry.lastModified().toUTC() >= staleBefore)
            continue;
        // A link is removed itself, never what it leads to.
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
}
