#include "namedimages.h"

#include "headerprobe.h"
#include "splitwork.h"

#include <QDir>

#include <vector>

QString NamedImages::refusalNote() const
{
    if (refused.isEmpty())
        return QString();
    QStringList names;
    for (const QString& path : refused)
        names << QDir::toNativeSeparators(path);
    return QStringLiteral("Left out, not images: ") + names.join(QStringLiteral(", "));
}

NamedImages sortOutNamedImages(const QStringList& files)
{
    // On a share each file's look waits for round trips of its own: they wait side by side.
    std::vector<char> isImage(std::size_t(files.size()));
    lookSideBySide(isImage.size(), [&](std::size_t file) {
        isImage[file] = isImageFile(files.at(qsizetype(file)));
    });
    NamedImages sorted;
    for (qsizetype file = 0; file < files.size(); ++file)
        (isImage[std::size_t(file)] ? sorted.images : sorted.refused) << files.at(file);
    return sorted;
}

NamedBatch findNamedBatch(const QStringList& files, const OtherProjects& otherProjects)
{
    NamedImages named = sortOutNamedImages(files);
    NamedBatch found;
    found.refused = std::move(named.refused);
    if (otherProjects)
        found.ofOtherProjects = otherProjects(named.images);
    for (const QString& file : std::as_const(found.ofOtherProjects))
        named.images.removeOne(file);
    if (!named.images.isEmpty())
        found.batch = findBatchFiles(named.images);
    return found;
}
