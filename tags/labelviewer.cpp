#include "labelviewer.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iostream>

const QColor LabelViewer::singleTagColor{220, 255, 255, 255};
const QColor LabelViewer::categoryColor{220, 250, 220, 255};
const QColor LabelViewer::categoryTagColor{255, 255, 220, 255};

namespace {

const int columnsPerRow = 6;
// Column 0 of a category block is its header; the tags take the other five.
const int tagsPerRow = columnsPerRow - 1;
const char indexFileName[] = "index2tag.csv";
const char selectionStyle[] = "QTableWidget::item{ selection-background-color: #AA4444}";
const Qt::ItemFlags lockedFlags = Qt::ItemIsEditable | Qt::ItemIsSelectable;

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

bool readEntryHead(std::istream& in, std::string& name, int& count)
{
    std::string countToken;
    return in >> name >> countToken && parseCount(countToken, count);
}

// Collects no more tokens than the file holds, so a count far beyond the
// file's end costs nothing.
std::vector<std::string> readTokens(std::istream& in, int count)
{
    std::vector<std::string> tokens;
    std::string token;
    for (int t = 0; t < count && in >> token; ++t)
        tokens.push_back(token);
    return tokens;
}

} // namespace

LabelViewer::LabelViewer(QWidget* parent) : QTableWidget(parent) {}

bool LabelViewer::loadTags(const std::string& fileName)
{
    resetGrid();
    std::ifstream in(fileName);
    if (!in) {
        std::cerr << "Fail opening " << fileName << std::endl;
        return false;
    }
    readEntries(in);
    in.close();
    finishTable();
    exportTagIndex();
    return true;
}

void LabelViewer::addTagCell(int row, int column, const std::string& text, const QColor& kindColor)
{
    auto* cell = new QTableWidgetItem(
        QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
    const Qt::ItemFlags removed = kindColor == categoryColor ? lockedFlags : Qt::ItemIsEditable;
    cell->setFlags(cell->flags() & ~removed);
    cell->setBackground(QBrush(kindColor));
    setItem(row, column, cell);
}

void LabelViewer::finishTable()
{
    setSelectionMode(QAbstractItemView::MultiSelection);
    setStyleSheet(QString::fromLatin1(selectionStyle));
    for (int row = 0; row < rowCount(); ++row) {
        for (int column = 0; column < columnCount(); ++column) {
            if (item(row, column))
                continue;
            auto* filler = new QTableWidgetItem;
            filler->setFlags(filler->flags() & ~lockedFlags);
            setItem(row, column, filler);
        }
    }
}

void LabelViewer::selectTags(const std::vector<std::pair<int, int>>& tags)
{
    // One selection change for the whole list rather than one per cell.
    QItemSelection selection;
    for (const auto& [row, column] : tags) {
        const QTableWidgetItem* cell = cellAt(row, column);
        if (cell && cell->flags().testFlag(Qt::ItemIsSelectable)) {
            const QModelIndex index = indexFromItem(cell);
            selection.select(index, index);
        }
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void LabelViewer::collectSelectedTags(std::vector<std::pair<int, int>>& tags) const
{
    // Going through the selection rather than every cell keeps this quick on
    // large vocabularies; sorting the pairs gives row-major order.
    tags.clear();
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    for (const QModelIndex& index : selected) {
        if (item(index.row(), index.column()))
            tags.emplace_back(index.row(), index.column());
    }
    std::sort(tags.begin(), tags.end());
    tags.erase(std::unique(tags.begin(), tags.end()), tags.end());
}

bool LabelViewer::describeTags(const std::vector<std::pair<int, int>>& tags, QString& text) const
{
    text.clear();
    for (std::size_t k = 0; k < tags.size(); ++k) {
        const QTableWidgetItem* cell = cellAt(tags[k].first, tags[k].second);
        const QColor kind = cell ? cell->background().color() : QColor();
        if (cell && kind == singleTagColor) {
            text += tagStem(cell->text()) + QLatin1Char('\n');
        } else if (cell && kind == categoryTagColor) {
            appendCategoryTag(tags, k, text);
        } else {
            std::cerr << "Impossible Selection!" << std::endl;
            return false;
        }
    }
    return true;
}

void LabelViewer::exportTagIndex() const
{
    std::ofstream out(indexFileName);
    std::vector<std::pair<int, int>> one(1);
    QString caption;
    for (int row = 0; row < rowCount(); ++row) {
        for (int column = 0; column < columnCount(); ++column) {
            if (!item(row, column))
                continue;
            one.front() = {row, column};
            if (describeTags(one, caption))
                out << row << ',' << column << ',' << caption.toStdString();
        }
    }
}

QString LabelViewer::tagStem(const QString& text)
{
    const qsizetype cut = text.lastIndexOf(QLatin1Char('('));
    return cut < 0 ? text : text.left(cut);
}

void LabelViewer::resetGrid()
{
    // Dropping every row first removes cells and spans of an earlier load.
    clearSpans();
    setRowCount(0);
    setColumnCount(columnsPerRow);
    categoryRows.clear();
    appendRows(1);
}

void LabelViewer::readEntries(std::istream& in)
{
    int column = 0;
    std::string name;
    int count = 0;
    while (readEntryHead(in, name, count)) {
        if (count == 0) {
            column = placeSingleTag(name, column);
            continue;
        }
        const std::vector<std::string> tags = readTokens(in, count);
        column = placeCategory(name, tags);
        if (count > 0 && tags.size() < static_cast<std::size_t>(count))
            return; // the file ended inside the tag list
    }
}

int LabelViewer::placeSingleTag(const std::string& name, int column)
{
    if (column >= columnsPerRow) {
        appendRows(1);
        column = 0;
    }
    addTagCell(rowCount() - 1, column, name, singleTagColor);
    return column + 1;
}

int LabelViewer::placeCategory(const std::string& name, const std::vector<std::string>& tags)
{
    const int tagCount = static_cast<int>(tags.size());
    const int blockRows = std::max(1, (tagCount + tagsPerRow - 1) / tagsPerRow);
    const int header = appendRows(blockRows);
    addTagCell(header, 0, name, categoryColor);
    if (blockRows > 1)
        setSpan(header, 0, blockRows, 1);
    for (int t = 0; t < tagCount; ++t)
        addTagCell(header + t / tagsPerRow, 1 + t % tagsPerRow, tags[t], categoryTagColor);
    return tagCount == 0 ? 1 : 2 + (tagCount - 1) % tagsPerRow;
}

int LabelViewer::appendRows(int count)
{
    // A block's rows all belong to its first row: the category header, or the
    // row itself when it was opened for single tags.
    const int first = rowCount();
    setRowCount(first + count);
    categoryRows.insert(categoryRows.end(), count, first);
    return first;
}

QTableWidgetItem* LabelViewer::cellAt(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return nullptr;
    return item(row, column);
}

int LabelViewer::categoryOf(int row) const
{
    if (row < 0 || row >= static_cast<int>(categoryRows.size()))
        return -1;
    return categoryRows[row];
}

void LabelViewer::appendCategoryTag(const std::vector<std::pair<int, int>>& tags, std::size_t k,
                                    QString& text) const
{
    const auto [row, column] = tags[k];
    const int category = categoryOf(row);
    if (k > 0 && categoryOf(tags[k - 1].first) == category) {
        text += QLatin1String(", ");
    } else {
        const QTableWidgetItem* header = cellAt(category, 0);
        text += (header ? tagStem(header->text()) : QString()) + QLatin1String(": ");
    }
    text += tagStem(item(row, column)->text());
    if (k + 1 == tags.size() || categoryOf(tags[k + 1].first) != category)
        text += QLatin1Char('\n');
}
