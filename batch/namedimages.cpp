#include "namedimages.h"

#include "headerprobe.h"

#include <QDir>

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
    NamedImages sorted;
    for (const QString& file : files)
        (isImageFile(file) ? sorted.images : sorted.refused) << file;
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
