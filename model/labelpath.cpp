#include "labelpath.h"

QString labelPathFor(const QString& imagePath)
{
    // A dot in a folder name must not count, or two images would share one label file.
    const qsizetype nameStart = imagePath.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = imagePath.lastIndexOf(QLatin1Char('.'));
    const bool hasExtension = dot >= nameStart;
    return (hasExtension ? imagePath.left(dot) : imagePath) + QStringLiteral(".lbl");
}
