#include "classtable.h"

#include <QFile>
#include <QFileInfo>

#include <fstream>

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

int ClassTable::classNamed(const QString& className) const
{
    for (int index = 0; index < count(); ++index) {
        if (name(index) == className)
            return index;
    }
    return -1;
}

int ClassTable::classesNamed(const QString& className, int& first) const
{
    first = classNamed(className);
    int found = first < 0 ? 0 : 1;
    for (int index = first + 1; first >= 0 && index < count(); ++index)
        found += name(index) == className ? 1 : 0;
    return found;
}

QStringList ClassTable::sharedNames() const
{
    QStringList shared;
    for (int index = 0; index < count(); ++index) {
        const QString className = name(index);
        if (classNamed(className) < index && !shared.contains(className))
            shared << className;
    }
    return shared;
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

int ClassTable::tagsNamed(const QString& group, const QString& stem,
                          std::pair<int, int>& cell) const
{
    int found = 0;
    for (int row = 0; row < layout.rowCount(); ++row) {
        for (int column = 0; column < layout.columnCount(); ++column) {
            if (layout.isTag(row, column) && groupOf(row, column) == group &&
                TagLayout::tagStem(layout.textAt(row, column)) == stem && found++ == 0)
                cell = {row, column};
        }
    }
    return found;
}

QStringList ClassTable::sharedTagNames() const
{
    QStringList shared;
    for (int row = 0; row < layout.rowCount(); ++row) {
        for (int column = 0; column < layout.columnCount(); ++column) {
            if (!layout.isTag(row, column) || classOf(row, column) >= 0)
                continue;
            const QString group = groupOf(row, column);
            const QString stem = TagLayout::tagStem(layout.textAt(row, column));
            const QString name = group + QStringLiteral(": ") + stem;
            std::pair<int, int> first;
            if (!shared.contains(name) && tagsNamed(group, stem, first) > 1)
                shared << name;
        }
    }
    return shared;
}

bool loadClasses(const QString& vocabularyPath, const QString& category, TagLayout& layout,
                 ClassTable& classes, QString& error)
{
    std::ifstream vocabulary(QFile::encodeName(vocabularyPath).toStdString());
    if (!QFileInfo(vocabularyPath).isFile() || !vocabulary) {
        error = QStringLiteral("cannot read the vocabulary %1").arg(vocabularyPath);
        return false;
    }
    layout.read(vocabulary);
    if (!classes.build(category)) {
        error =
            QStringLiteral("the vocabulary %1 has no category %2").arg(vocabularyPath, category);
        return false;
    }
    if (classes.count() == 0) {
        error = QStringLiteral("the vocabulary %1 has no class tags").arg(vocabularyPath);
        return false;
    }
    return true;
}
