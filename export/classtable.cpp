#include "classtable.h"

namespace {
const char defaultSupercategory[] = "furniture";
const char singleTagsGroup[] = "single_tags";
} // namespace

ClassTable::ClassTable(const TagLayout& tagLayout) : layout(tagLayout) {}

bool ClassTable::build(const QString& category)
{
    const int header = category.isEmpty() ? -1 : findCategory(category);
    if (!category.isEmpty() && header < 0)
        return false;
    superName = header < 0 ? QString::fromLatin1(defaultSupercategory)
                           : TagLayout::tagStem(layout.textAt(header, 0));
    const TagLayout::Kind wanted =
        header < 0 ? TagLayout::Kind::SingleTag : TagLayout::Kind::CategoryTag;

    cells.clear();
    classByCell.assign(static_cast<std::size_t>(layout.rowCount() * layout.columnCount()), -1);
    for (int row = 0; row < layout.rowCount(); ++row) {
        if (header >= 0 && layout.categoryOf(row) != header)
            continue;
        for (int column = 0; column < layout.columnCount(); ++column) {
            if (layout.kindAt(row, column) != wanted)
                continue;
            classByCell[static_cast<std::size_t>(row * layout.columnCount() + column)] = count();
            cells.emplace_back(row, column);
        }
    }
    return true;
}

QString ClassTable::name(int index) const
{
    const auto [row, column] = cells[static_cast<std::size_t>(index)];
    const QString text = layout.textAt(row, column);
    const QString stem = TagLayout::tagStem(text);
    return stem.isEmpty() ? text : stem;
}

int ClassTable::classOf(int row, int column) const
{
    if (row < 0 || row >= layout.rowCount() || column < 0 || column >= layout.columnCount())
        return -1;
    return classByCell[static_cast<std::size_t>(row * layout.columnCount() + column)];
}

QString ClassTable::groupOf(int row, int column) const
{
    if (layout.kindAt(row, column) == TagLayout::Kind::SingleTag)
        return QString::fromLatin1(singleTagsGroup);
    return TagLayout::tagStem(layout.textAt(layout.categoryOf(row), 0));
}

int ClassTable::findCategory(const QString& category) const
{
    // The name as written in the vocabulary, or without its note in parentheses.
    for (int row = 0; row < layout.rowCount(); ++row) {
        if (layout.kindAt(row, 0) != TagLayout::Kind::CategoryHeader)
            continue;
        const QString text = layout.textAt(row, 0);
        if (text == category || TagLayout::tagStem(text) == category)
            return row;
    }
    return -1;
}
