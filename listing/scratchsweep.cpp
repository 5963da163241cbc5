#include "scratchsweep.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

const qint64 staleSeconds = 24 * 60 * 60;

// The hidden file a label, proposal, recovery, claim or review file is written to before it is
// renamed.
const QString temporaryFilePattern = QStringLiteral("\\.[0-9a-f]{16}\\.tmp");

// Export staging, earlier exports and name registries; the COCO annotation spool; the
// importer's prediction spool (Qt's temporary folder of the program's name); and the hidden
// temporary files.
const QRegularExpression& scratchName()
{
    // Anchored at the very end: "$" would also match before a final line feed.
    static const QRegularExpression pattern(QRegularExpression::anchoredPattern(
        QStringLiteral("\\.quadrotag-export-.+|\\.instances\\.json\\.annotations-.+|"
                       "quadrotag-import-.{6}|%1")
            .arg(temporaryFilePattern)));
    return pattern;
}

const QRegularExpression& temporaryFileName()
{
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(temporaryFilePattern));
    return pattern;
}

// A folder is removed only where folders of the naming are the program's.
void removeStale(const QString& folder, const QRegularExpression& name, bool foldersToo)
{
    const QDateTime staleBefore = QDateTime::currentDateTimeUtc().addSecs(-staleSeconds);
    // Taken as the folder hands them out: a folder of a million images holds no list of them.
    QDirIterator entries(folder,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        entries.next();
        if (!name.match(entries.fileName()).hasMatch())
            continue;
        const QFileInfo entry = entries.fileInfo();
        const bool isFolder = entry.isDir() && !entry.isSymLink();
        // Temporary files are only ever plain files: a pipe or link of their naming isn't one.
        const bool plainFile = entry.isFile() && !entry.isSymLink();
        if ((!foldersToo && !plainFile) || entry.lastModified().toUTC() >= staleBefore)
            continue;
        // A link is removed itself, never what it leads to.
        if (isFolder)
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
}

} // namespace

void removeStaleScratch(const QString& folder)
{
    removeStale(folder, scratchName(), true);
}

void removeStaleTemporaryFiles(const QString& folder)
{
    removeStale(folder, temporaryFileName(), false);
}
