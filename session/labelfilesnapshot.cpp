#include "labelfilesnapshot.h"

#include <QFile>
#include <QFileInfo>

namespace {
// Far beyond any real label file (10,000 shapes take half a megabyte), and small enough
// that a hostile file can't exhaust memory.
const qint64 largestLabelFile = qint64(64) << 20;
} // namespace

LabelFileSnapshot LabelFileSnapshot::of(const QString& path)
{
    LabelFileSnapshot snapshot;
    const QFileInfo info(path);
    snapshot.exists = info.exists() && info.isFile();
    if (!snapshot.exists)
        return snapshot;
    snapshot.size = info.size();
    snapshot.modified = info.lastModified();
    QFile file(path);
    snapshot.readable = info.size() <= largestLabelFile && file.open(QIODevice::ReadOnly);
    if (!snapshot.readable)
        return snapshot;
    const QByteArray bytes = file.read(largestLabelFile + 1);
    snapshot.readable = bytes.size() <= largestLabelFile && file.error() == QFile::NoError;
    if (snapshot.readable)
        snapshot.bytes = bytes.toStdString();
    return snapshot;
}

bool LabelFileSnapshot::isCurrent(const QString& path) const
{
    const QFileInfo info(path);
    const bool isThere = info.exists() && info.isFile();
    return isThere == exists &&
           (!exists || (info.size() == size && info.lastModified() == modified));
}

LabelFileSnapshot LabelFileSnapshot::written(const std::string& bytes)
{
    LabelFileSnapshot snapshot;
    snapshot.exists = true;
    snapshot.bytes = bytes;
    return snapshot;
}

bool LabelFileSnapshot::operator==(const LabelFileSnapshot& other) const
{
    return exists == other.exists && readable == other.readable && bytes == other.bytes;
}
