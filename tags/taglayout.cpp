#include "taglayout.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <istream>
#include <string>

namespace {

// Column 0 of a category block is its header; the tags take the other five.
const int tagsPerRow = TagLayout::columnsPerRow - 1;

// A count must be the whole token: "5abc" is not a count, and neither is a
// number beyond the range of int.
bool parseCount(const std::string& token, int& count)
{
    const char* begin = token.c_str();
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    if (end == begin || end != begin + token.size() || errno == ERANGE || value < INT_MIN ||
        value > INT_MAX)
        return false;
    count = static_cast<int>(value);
    return true;
}

QString localText(const std::string& token)
{
    return QString::fromLocal8Bit(token.data(), static_cast<qsizetype>(token.size()));
}

bool readEntryHead(std::istream& in, QString& name, int& count)
{
    std::string nameToken;
    std::string countToken;
    if (!(in >> nameToken >> countToken) || !parseCount(countToken, count))
        return false;
    name = localText(nameToken);
    return true;
}

// Collects no more tokens than the stream holds, so a count far beyond the
// file's end costs nothing.
std::vector<QString> readTokens(std::istream& in, int count)
{
    std::vector<QString> tokens;
    std::string token;
    for (int t = 0; t < count && in >> token; ++t)
        tokens.push_back(localText(token));
    return tokens;
}

} // namespace

TagLayout::TagLayout()
{
    clear();
}

void TagLayout::read(std::istream& in)
{
    clear();
    int column = 0;
    QString name;
    int count = 0;
    while (readEntryHead(in, name, count)) {
        if (count == 0) {
            column = placeSingleTag(name, column);
            continue;
        }
        const std::vector<QString> tags = readTokens(in, count);
        column = placeCategory(name, tags);
        if (count > 0 && tags.size() < static_cast<std::size_t>(count))
            return; // the stream ended inside the tag list
    }
}

void TagLayout::clear()
{
    cells.clear();
    categoryRows.clear();
    appendRows(1);
}

void TagLayout::setCell(int row, int column, Kind kind, const QString& text)
{
    if (row < 0 || column < 0 || column >= columnsPerRow)
        return;
    while (row >= rowCount())
        appendRows(1);
    cells[static_cast<std::size_t>(row * columnsPerRow + column)] = Cell{kind, text};
}

TagLayout::Kind TagLayout::kindAt(int row, int column) const
{
    const Cell* cell = cellAt(row, column);
    return cell ? cell->kind : Kind::Filler;
}

QString TagLayout::textAt(int row, int column) const
{
    const Cell* cell = cellAt(row, column);
    return cell ? cell->text : QString();
}

bool TagLayout::isTag(int row, int column) const
{
    const Kind kind = kindAt(row, column);
    return kind == Kind::SingleTag || kind == Kind::CategoryTag;
}

int TagLayout::categoryOf(int row) const
{
    if (row < 0 || row >= rowCount())
        return -1;
    return categoryRows[static_cast<std::size_t>(row)];
}

int TagLayout::rowSpanAt(int row, int column) const
{
    if (kindAt(row, column) != Kind::CategoryHeader)
        return 1;
    return static_cast<int>(std::count(categoryRows.begin(), categoryRows.end(), row));
}

bool TagLayout::describeTags(const std::vector<std::pair<int, int>>& tags, QString& text) const
{
    text.clear();
    for (std::size_t k = 0; k < tags.size(); ++k) {
        const auto [row, column] = tags[k];
        const Kind kind = kindAt(row, column);
        if (kind == Kind::SingleTag)
            text += tagStem(textAt(row, column)) + QLatin1Char('\n');
        else if (kind == Kind::CategoryTag)
            appendCategoryTag(tags, k, text);
        else
            return false;
    }
    return true;
}

QString TagLayout::cellCaption(int row, int column) const
{
    QString caption;
    if (!isTag(row, column) || !describeTags({{row, column}}, caption))
        return QString();
    caption.chop(1);
    return caption;
}

QString TagLayout::cellName(int row, int column) const
{
    const Kind kind = kindAt(row, column);
    if (kind == Kind::CategoryTag)
        return textAt(categoryOf(row), 0) + QLatin1String(": ") + textAt(row, column);
    return kind == Kind::SingleTag ? textAt(row, column) : QString();
}

QString TagLayout::tagStem(const QString& text)
{
    const qsizetype cut = text.lastIndexOf(QLatin1Char('('));
    return cut < 0 ? text : text.left(cut);
}

int TagLayout::placeSingleTag(const QString& name, int column)
{
    if (column >= columnsPerRow) {
        appendRows(1);
        column = 0;
    }
    setCell(rowCount() - 1, column, Kind::SingleTag, name);
    return column + 1;
}

int TagLayout::placeCategory(const QString& name, const std::vector<QString>& tags)
{
    const int tagCount = static_cast<int>(tags.size());
    const int blockRows = std::max(1, (tagCount + tagsPerRow - 1) / tagsPerRow);
    const int header = appendRows(blockRows);
    setCell(header, 0, Kind::CategoryHeader, name);
    for (int t = 0; t < tagCount; ++t)
        setCell(header + t / tagsPerRow, 1 + t % tagsPerRow, Kind::CategoryTag,
                tags[static_cast<std::size_t>(t)]);
    return tagCount == 0 ? 1 : 2 + (tagCount - 1) % tagsPerRow;
}

int TagLayout::appendRows(int count)
{
    // A block's rows all belong to its first row: the category header, or the
    // row itself when it was opened for single tags.
    const int first = rowCount();
    categoryRows.insert(categoryRows.end(), static_cast<std::size_t>(count), first);
    cells.resize(categoryRows.size() * columnsPerRow);
    return first;
}

const TagLayout::Cell* TagLayout::cellAt(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnsPerRow)
        return nullptr;
    return &cells[static_cast<std::size_t>(row * columnsPerRow + column)];
}

void TagLayout::appendCategoryTag(const std::vector<std::pair<int, int>>& tags, std::size_t k,
                                  QString& text) const
{
    const auto [row, column] = tags[k];
    const int category = categoryOf(row);
    if (k > 0 && categoryOf(tags[k - 1].first) == category)
        text += QLatin1String(", ");
    else
        text += tagStem(textAt(category, 0)) + QLatin1String(": ");
    text += tagStem(textAt(row, column));
    if (k + 1 == tags.size() || categoryOf(tags[k + 1].first) != category)
        text += QLatin1Char('\n');
}
