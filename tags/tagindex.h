#ifndef QUADROTAG_TAGINDEX_H
#define QUADROTAG_TAGINDEX_H

#include <QByteArray>
#include <QHash>
#include <QString>

#include <map>
#include <utility>
#include <vector>

class TagLayout;

// The tag index: the caption of every tag cell, as the file "index2tag.csv" holds it,
// one line "row,column,caption" per cell in row-major order. It is the only record of
// what the tag pairs of label files meant when they were written.
class TagIndex
{
public:
    struct Entry
    {
        std::pair<int, int> cell;
        QString caption;
    };

    static TagIndex ofLayout(const TagLayout& layout);
    // The same cells with their whole vocabulary names, notes included, for captions.
    static TagIndex namesOfLayout(const TagLayout& layout);

    // False when the file cannot be opened or a line is not "row,column,caption". Blank
    // lines and a UTF-8 byte-order mark, which editors add, are passed over.
    bool read(const QString& path);
    bool parse(const QByteArray& bytes);
    // The bytes the tag table writes into "index2tag.csv".
    QByteArray toBytes() const;
    // Replaces the file at path with these bytes atomically; false when it could not.
    bool write(const QString& path) const;

    const std::vector<Entry>& entries() const { return list; }
    bool captionAt(std::pair<int, int> cell, QString& caption) const;
    // Every cell with this caption, in row-major order.
    std::vector<std::pair<int, int>> cellsWith(const QString& caption) const;

    // Copies the index file to "index2tag-<yyyyMMdd-HHmmss>.csv" beside it, never over an
    // existing file, unless such a copy of the same bytes is there already. Returns the
    // copy's path, or an empty string when it could not be written.
    static QString keepCopy(const QString& indexPath);

private:
    static TagIndex of(const TagLayout& layout, QString (TagLayout::*text)(int, int) const);
    void add(std::pair<int, int> cell, const QString& caption);

    std::vector<Entry> list;
    std::map<std::pair<int, int>, QString> captions;
    QHash<QString, std::vector<std::pair<int, int>>> cells;
};

// How a cell is written in messages: "(2, 1)".
QString cellText(std::pair<int, int> cell);

#endif
