#include "namedimages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Every JPEG file begins with a start-of-image marker and the first marker of a segment.
const QByteArray jpegStart("\xff\xd8\xff", 3);

bool isJpegImage(const QString& path)
{
    if (!path.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive))
        return false;
    // Opening a FIFO or a device waits for a writer that may never come.
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(jpegStart.size()) == jpegStart;
}

} // namespace

QString NamedImages::refusalNote() const
{
    if (refused.isEmpty())
        return QString();
    QStringList names;
    for (const QString& path : refused)
        names << QDir::toNativeSeparators(path);
    return QStringLiteral("Left out, not JPEG images: ") + names.join(QStringLiteral(", "));
}

NamedImages sortOutNamedImages(const QStringList& files)
{
    NamedImages sorted;
    for (const QString& file : files)
        (isJpegImage(file) ? sorted.images : sorted.refused) << file;
    return sorted;
}
