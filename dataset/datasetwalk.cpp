#include "datasetwalk.h"

#include "imagenames.h"
#include "labelpath.h"
#include "namebytes.h"
#include "teampaths.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <utility>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

namespace {

const char labelSuffix[] = ".lbl";
// The tools' export staging and name scratch folders start so.
const char exportScratchPrefix[] = ".quadrotag-export-";

// Hidden folders that the programs make themselves: proposals, the team's files and export
// scratch.
bool isOwnHiddenFolder(const QString& name)
{
    return name == QLatin1String(proposalFolderName) || name == QLatin1String(teamFolderName) ||
           name.startsWith(QLatin1String(exportScratchPrefix));
}

bool isHidden(const QString& name)
{
    return name.startsWith(QLatin1Char('.'));
}

// What an entry is; a link is what it leads to, and says so.
DatasetWalk::Entry entryOf(const QByteArray& path, unsigned char type)
{
    DatasetWalk::Entry entry;
    if (type == DT_DIR || type == DT_REG) {
        entry.isFolder = type == DT_DIR;
        entry.isFile = type == DT_REG;
        return entry;
    }
    struct stat status
    {
    };
    if (type == DT_UNKNOWN && ::lstat(path.constData(), &status) == 0)
        entry.isLink = S_ISLNK(status.st_mode);
    else
        entry.isLink = type == DT_LNK;
    if (::stat(path.constData(), &status) == 0) {
        entry.isFolder = S_ISDIR(status.st_mode);
        entry.isFile = S_ISREG(status.st_mode);
    }
    return entry;
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
        // By name, so that the notes about passed folders come in the same order every time.
        std::vector<std::pair<QString, bool>> subfolders;
        QStringList undecodable;
        forEachEntry(folder, [&](const QString& name, const Entry& entry) {
            if (entry.isFolder && !entry.undecodable.isEmpty() && !isHidden(name))
                undecodable << escapedName(std::string_view(entry.undecodable.constData(),
                                                            std::size_t(entry.undecodable.size())));
            else if (entry.isFolder)
                subfolders.emplace_back(name, entry.isLink);
        });
        // Opened by its text, such a folder would be another one or none.
        std::sort(undecodable.begin(), undecodable.end());
        for (const QString& name : undecodable)
            report.problem(pathOf(joined(folder, name)),
                           QStringLiteral("folder name is not text; what it holds is left out"));
        std::sort(subfolders.begin(), subfolders.end());
        for (const auto& [name, isLink] : subfolders) {
            const QString relative = joined(folder, name);
            if (shouldEnter(relative, name, isLink)) {
                found << relative;
                pending << relative;
            }
        }
    }
    // Image ids follow this order: whole paths by name, not one depth after the other.
    std::sort(found.begin(), found.end());
    return found;
}

QStringList DatasetWalk::imagesIn(const QString& folder) const
{
    QStringList names;
    forEachEntry(folder, [&names](const QString& name, const Entry& entry) {
        if (entry.isFile && !isHidden(name) && isImageName(name) && entry.undecodable.isEmpty())
            names << name;
    });
    std::sort(names.begin(), names.end());
    return names;
}

QStringList DatasetWalk::undecodableImagesIn(const QString& folder) const
{
    QStringList names;
    forEachEntry(folder, [&names](const QString& name, const Entry& entry) {
        if (entry.isFile && !isHidden(name) && isImageName(name) && !entry.undecodable.isEmpty())
            names << escapedName(std::string_view(entry.undecodable.constData(),
                                                  std::size_t(entry.undecodable.size())));
    });
    std::sort(names.begin(), names.end());
    return names;
}

QStringList DatasetWalk::undecodableFilesIn(const QString& folder, const QString& suffix) const
{
    QStringList names;
    forEachEntry(folder, [&](const QString& name, const Entry& entry) {
        if (entry.isFile && !entry.undecodable.isEmpty() &&
            name.endsWith(suffix, Qt::CaseInsensitive))
            names << escapedName(std::string_view(entry.undecodable.constData(),
                                                  std::size_t(entry.undecodable.size())));
    });
    std::sort(names.begin(), names.end());
    return names;
}

QStringList DatasetWalk::labelFilesIn(const QString& folder) const
{
    // Folders too: a folder by a label file's name is a label file that cannot be read.
    QStringList names;
    forEachEntry(folder, [&names](const QString& name, const Entry& entry) {
        // One whose name is not text belongs to an image left out for its name, and its text
        // may match another's label file.
        if ((entry.isFile || entry.isFolder) && !isHidden(name) && entry.undecodable.isEmpty() &&
            name.endsWith(QLatin1String(labelSuffix), Qt::CaseInsensitive))
            names << name;
    });
    std::sort(names.begin(), names.end());
    return names;
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
    return isImageFileName(name);
}

void DatasetWalk::forEachEntry(const QString& folder,
                               const std::function<void(const QString&, const Entry&)>& visit) const
{
    // The system's own listing, one entry at a time: a file-information object per entry
    // would cost a kilobyte an image in a large flat folder.
    const QByteArray folderPath = QFile::encodeName(pathOf(folder)) + '/';
    DIR* listing = ::opendir(folderPath.constData());
    if (!listing)
        return;
    while (const dirent* found = ::readdir(listing)) {
        const QByteArray name(found->d_name);
        if (name == "." || name == "..")
            continue;
        Entry entry = entryOf(folderPath + name, found->d_type);
        if (!isDecodableName(name))
            entry.undecodable = name;
        visit(QFile::decodeName(name), entry);
    }
    ::closedir(listing);
}

bool DatasetWalk::shouldEnter(const QString& relativePath, const QString& name, bool isLink) const
{
    if (isLink) {
        report.note(QStringLiteral("passed over the linked folder %1").arg(pathOf(relativePath)));
        return false;
    }
    if (!isHidden(name))
        return true;
    if (!isOwnHiddenFolder(name))
        report.note(QStringLiteral("passed over the hidden folder %1").arg(pathOf(relativePath)));
    return false;
}
