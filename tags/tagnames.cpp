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

} // namespace

bool TagNames::write(const TagLayout& layout, const QString& indexPath)
{
    const TagIndex index = TagIndex::ofLayout(layout);
    if (!index.write(indexPath))
        return false;
    const QByteArray bytes =
        digestLine(index.toBytes()) + TagIndex::namesOfLayout(layout).toBytes();
    QSaveFile names(pathFor(indexPath));
    return names.open(QIODevice::WriteOnly) && names.write(bytes) == bytes.size() && names.commit();
}

std::optional<TagIndex> TagNames::readFor(const QString& indexPath, const QByteArray& indexBytes)
{
    QFile file(pathFor(indexPath));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    const QByteArray expected = digestLine(indexBytes);
    TagIndex names;
    if (!bytes.startsWith(expected) || !names.parse(bytes.mid(expected.size())))
        return std::nullopt;
    return names;
}

QString TagNames::pathFor(const QString& indexPath)
{
    return QFileInfo(indexPath).dir().filePath(QLatin1String(namesFileName));
}
