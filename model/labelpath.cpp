#include "labelpath.h"

#include "fittingname.h"

#include <QFile>

QString labelPathFor(const QString& imagePath)
{
    // A dot in a folder name must not count, or two images would share one label file.
    const qsizetype nameStart = imagePath.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = imagePath.lastIndexOf(QLatin1Char('.'));
    const bool hasExtension = dot >= nameStart;
    return (hasExtension ? imagePath.left(dot) : imagePath) + QStringLiteral(".lbl");
}

QString recoveryPathFor(const QString& labelPath)
{
    // The writer's companion, ".recovery.writer", has the longest name of the two.
    const qsizetype affixBytes = qsizetype(sizeof(".") + sizeof(".recovery.writer") - 2);
    const qsizetype nameStart = labelPath.lastIndexOf(QLatin1Char('/')) + 1;
    return labelPath.left(nameStart) + QLatin1Char('.') +
           fittingFileName(labelPath.mid(nameStart), affixBytes) + QStringLiteral(".recovery");
}

QString olderRecoveryPathFor(const QString& labelPath)
{
    const qsizetype nameStart = labelPath.lastIndexOf(QLatin1Char('/')) + 1;
    const QString name = labelPath.mid(nameStart);
    const QLatin1String suffix(".recovery");
    const QString older = labelPath.left(nameStart) + QLatin1Char('.') + name + suffix;
    if (QFile::encodeName(name).size() + 1 + suffix.size() > longestFileName ||
        older == recoveryPathFor(labelPath))
        return QString();
    return older;
}

const char proposalFolderName[] = ".proposals";

QString proposalPathFor(const QString& imagePath)
{
    const qsizetype nameStart = imagePath.lastIndexOf(QLatin1Char('/')) + 1;
    const QString labelPath = labelPathFor(imagePath);
    return labelPath.left(nameStart) + QLatin1String(proposalFolderName) + QLatin1Char('/') +
           labelPath.mid(nameStart);
}

QString imageStem(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}
