#include "datasetwalk.h"

#include "labelpath.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

const char imageSuffix[] = ".jpg";
const char labelPattern[] = "*.lbl";

// Hidden folders that the tools make themselves: proposals and export staging.
const char* const ownHiddenFolders[] = {proposalFolderName, ".quadrotag-export-"};

bool isOwnHiddenFolder(const QString& name)
{
    return std::any_of(std::begin(ownHiddenFolders), std::end(ownHiddenFolders),
                       [&name](const char* own) { return name.startsWith(QLatin1String(own)); });
}

} // namespace

DatasetWalk::DatasetWalk(const QString& rootPath, ConsoleReport& consoleReport)
    : root(QDir(rootPath).path()), report(consoleReport)
{
}

QStringList DatasetWalk::folders() const
{
    QStringList found{QString()};
    QStringList pending{QString()};
    while (!pending.isEmpty()) {
        const QString folder = pending.takeFirst();
        const QFileInfoList entries =
            QDir(pathOf(folder))
                .entryInfoList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo& entry : entries) {
            const QString relative = joined(folder, entry.fileName());
            if (shouldEnter(relative, entry.fileName(), entry.isSymLink())) {
                found << relative;
                pending << relative;
            }
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

QStringList DatasetWalk::imagesIn(const QString& folder) const
{
    return QDir(pathOf(folder))
        .entryList({QLatin1String("*") + QLatin1String(imageSuffix)}, QDir::Files, QDir::Name);
}

QStringList DatasetWalk::labelFilesIn(const QString& folder) const
{
    // Folders too: a folder by a label file's name is a label file that cannot be read.
    return QDir(pathOf(folder))
        .entryList({QLatin1String(labelPattern)}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                   QDir::Name);
}

QString DatasetWalk::pathOf(const QString& relativePath) const
{
    return relativePath.isEmpty() ? root : QDir(root).filePath(relativePath);
}

QString DatasetWalk::joined(const QString& folder, const QString& name)
{
    return folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
}

bool DatasetWalk::isImageName(const QString& name)
{
    return name.endsWith(QLatin1String(imageSuffix), Qt::CaseInsensitive);
}

bool DatasetWalk::shouldEnter(const QString& relativePath, const QString& name, bool isLink) const
{
    if (isLink) {
        report.note(QStringLiteral("passed over the linked folder %1").arg(pathOf(relativePath)));
        return false;
    }
    if (!name.startsWith(QLatin1Char('.')))
        return true;
    if (!isOwnHiddenFolder(name))
        report.note(QStringLiteral("passed over the hidden folder %1").arg(pathOf(relativePath)));
    return false;
}
