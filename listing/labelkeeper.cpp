#include "labelkeeper.h"

#include "imagenames.h"
#include "labelowner.h"

#include <QFileInfo>
#include <QStringList>

QString labelKeeperOnDisk(const QString& imagePath)
{
    const QFileInfo image(imagePath);
    const QString suffix = image.suffix();
    // Only image suffixes make twins, and they bound the look-ups to eighty.
    if (!isImageFileName(image.fileName()))
        return QString();
    const QString stemPath = imagePath.chopped(suffix.size() + 1);
    QStringList names{image.fileName()};
    for (const QString& spelling : imageSuffixSpellings()) {
        const QFileInfo twin(stemPath + spelling);
        if (spelling.mid(1) != suffix && twin.isFile())
            names << twin.fileName();
    }
    const qsizetype keeper = labelOwnerAmong(names);
    return keeper <= 0 ? QString() : names[keeper];
}
