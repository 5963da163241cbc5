#include "labelfilesnapshot.h"

#include <QFile>
#include <QFileInfo>

namespace {
// Far beyond any real label file (10,000 shapes take half a megabyte), and small enough
// that a hostile file can't exhaust memory.
const qint64 largestLabelFile = qint64(64) << 20;
// The coarsest modification times of the file systems a team shares (FAT, some SMB) step
// by two seconds; a rewrite within that of a reading can keep both size and time.
const std::chrono::milliseconds timeGrain(2000);
} // namespace

LabelFileSnapshot LabelFileSnapshot::of(const QString& path)
{
    LabelFileSnapshot snapshot;
    snapshot.readAt = std::chrono::steady_clock::now();
    const QFileInfo info(path);
    // Asked first, the size comes with everything else below in one look at the file, which
    // on a share is one round trip; asked first, whether it exists would take a look of its own.
    const qint64 size = info.size();
    snapshot.exists = info.exists() && info.isFile();
    if (!snapshot.exists)
        return snapshot;
    snapshot.size = size;
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
    return isCurrent(QFileInfo(path));
}

bool LabelFileSnapshot::isCurrent(const QFileInfo& info) const
{
    // The size first: one look at the file, as in of().
    const qint64 sizeNow = info.size();
    return isCurrent(info.exists() && info.isFile(), sizeNow, info.lastModified());
}

bool LabelFileSnapshot::isCurrent(bool isFile, qint64 sizeNow, const QDateTime& modifiedNow) const
{
    return isFile == exists &&
           (!exists || (confirmed && sizeNow == size && modifiedNow == modified));
}

LabelFileSnapshot LabelFileSnapshot::confirmedBy(const LabelFileSnapshot& later) const
{
    if (later.size != size || later.modified != modified)
        return later;
    LabelFileSnapshot kept = *this;
    kept.confirmed = confirmed || later.readAt - readAt >= timeGrain;
    return kept;
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
