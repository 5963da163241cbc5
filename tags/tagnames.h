#ifndef QUADROTAG_TAGNAMES_H
#define QUADROTAG_TAGNAMES_H

#include "tagindex.h"

#include <QByteArray>
#include <QString>

#include <optional>

class TagLayout;

// The whole vocabulary name of every tag cell, notes included, kept in "index2name.csv"
// beside the tag index, which holds captions only: "Lamp(floor)" and "Lamp(table)" both
// have the caption "Lamp". Its first line names the digest of the index it was written
// with, so that names left beside an index written by another tool are not believed.
class TagNames
{
public:
    // What both files held when last read; nothing where unknown.
    struct OnDisk
    {
        std::optional<QByteArray> index;
        std::optional<QByteArray> names;
    };
    // Writes the tag index to indexPath and the names beside it, each atomically and only
    // where its bytes would change; false when either could not be written.
    static bool write(const TagLayout& layout, const QString& indexPath,
                      const OnDisk& before = OnDisk());
    // The names written with the index whose bytes these are; nothing when there are none
    // or they belong to another index.
    static std::optional<TagIndex> readFor(const QString& indexPath, const QByteArray& indexBytes);
    // The same from the names file's bytes, read before.
    static std::optional<TagIndex> namesFrom(const QByteArray& namesBytes,
                                             const QByteArray& indexBytes);
    static QString pathFor(const QString& indexPath);
};

#endif
