#include "tagnames.h"

#include "taglayout.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const char namesFileName[] = "index2name.csv";
const char digestPrefix[] = "index2tag.csv sha256 ";

QByteArray digestLine(const QByteArray& indexBytes)
{
    return digestPrefix + QCryptographicHash::hash(indexBytes, QCryptographicHash::Sha256).toHex() +
           '\n';
}

// Far beyond any vocabulary's index; a larger file is no index of this program's.
const qint64 largestIndexFile = qint64(64) << 20;

// A pipe or a device at the name would hold the start for ever: only a plain file is read.
std::optional<QByteArray> bytesAt(const QString& path)
{
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile() || info.size() > largestIndexFile || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(largestIndexFile);
}

// On a share a rewrite takes a dozen round trips and a read two, and every start writes the
// files: the same bytes are left as they are. before: the bytes at path, when known already.
bool writeIfChanged(const QString& path, const QByteArray& bytes,
                    const std::optional<QByteArray>& before)
{
    if ((before ? before : bytesAt(path)) == bytes)
        return true;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

bool TagNames::write(const TagLayout& layout, const QString& indexPath, const OnDisk& before)
{
    const QByteArray indexBytes = TagIndex::ofLayout(layout).toBytes();
    const QByteArray namesBytes =
        digestLine(indexBytes) + TagIndex::namesOfLayout(layout).toBytes();
    return writeIfChanged(indexPath, indexBytes, before.index) &&
           writeIfChanged(pathFor(indexPath), namesBytes, before.names);
}

std::optional<TagIndex> TagNames::readFor(const QString& indexPath, const QByteArray& indexBytes)
{
    const std::optional<QByteArray> bytes = bytesAt(pathFor(indexPath));
    if (!bytes)
        return std::nullopt;
    return namesFrom(*bytes, indexBytes);
}

std::optional<TagIndex> TagNames::namesFrom(const QByteArray& namesBytes,
                                            const QByteArray& indexBytes)
{
    const QByteArray expected = digestLine(indexBytes);
    TagIndex names;
    if (!namesBytes.startsWith(expected) || !names.parse(namesBytes.mid(expected.size())))
        return std::nullopt;
    return names;
}

QString TagNames::pathFor(const QString& indexPath)
{
    return QFileInfo(indexPath).dir().filePath(QLatin1String(namesFileName));
}
