#include "folderstamps.h"

#include "labelpath.h"
#include "teampaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStringView>

namespace {

QDateTime stampOf(const QString& folder)
{
    return QFileInfo(folder).lastModified();
}

// One listing, not a look per row: on a share each look is a round trip.
QSet<QString> labelFilesIn(const QString& folder)
{
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.lbl")}, QDir::Files);
    return QSet<QString>(names.begin(), names.end());
}

} // namespace

std::vector<FolderStamps::Change> FolderStamps::changedRows(const QStringList& imagePaths)
{
    std::vector<Change> rows;
    QSet<QString> labelFiles;
    QHash<QString, QDateTime> seen;
    // Rows of one folder follow each other: each run of them is looked at once.
    QStringView folder;
    bool changed = false;
    for (int row = 0; row < imagePaths.size(); ++row) {
        const QString& path = imagePaths[row];
        const QStringView rowFolder = QStringView(path).left(path.lastIndexOf(QLatin1Char('/')));
        if (row == 0 || rowFolder != folder) {
            folder = rowFolder;
            const QString name = folder.toString();
            const QString stampKey = name + QLatin1Char('\n');
            if (!seen.contains(name)) {
                seen.insert(name, stampOf(name));
                seen.insert(stampKey, stampOf(QFileInfo(reviewPathFor(path)).path()));
            }
            changed = stamps.contains(name) && (stamps.value(name) != seen.value(name) ||
                                                stamps.value(stampKey) != seen.value(stampKey));
            if (changed)
                labelFiles = labelFilesIn(name);
        }
        if (changed)
            rows.push_back({row, labelFiles.contains(QFileInfo(labelPathFor(path)).fileName())});
    }
    stamps = seen;
    return rows;
}
