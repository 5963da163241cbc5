#include "labelviewer.h"

#include "tagnames.h"

#include <QFile>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <sstream>

const QColor LabelViewer::singleTagColor{220, 255, 255, 255};
const QColor LabelViewer::categoryColor{220, 250, 220, 255};
const QColor LabelViewer::categoryTagColor{255, 255, 220, 255};

namespace {

const char indexFileName[] = "index2tag.csv";
const char selectionStyle[] = "QTableWidget::item{ selection-background-color: #AA4444}";
const Qt::ItemFlags lockedFlags = Qt::ItemIsEditable | Qt::ItemIsSelectable;
// Light enough to fade a cell out of a search, dark enough to keep the layout readable.
const QColor dimmedTextColor{170, 170, 170};

// The colour is the only mark of a cell's kind in the table; any colour other
// than the three kinds names no tag.
TagLayout::Kind kindOfColor(const QColor& kindColor)
{
    if (kindColor == LabelViewer::singleTagColor)
        return TagLayout::Kind::SingleTag;
    if (kindColor == LabelViewer::categoryColor)
        return TagLayout::Kind::CategoryHeader;
    if (kindColor == LabelViewer::categoryTagColor)
        return TagLayout::Kind::CategoryTag;
    return TagLayout::Kind::Filler;
}

const QColor& colorOfKind(TagLayout::Kind kind)
{
    switch (kind) {
    case TagLayout::Kind::SingleTag:
        return LabelViewer::singleTagColor;
    case TagLayout::Kind::CategoryHeader:
        return LabelViewer::categoryColor;
    default:
        return LabelViewer::categoryTagColor;
    }
}

} // namespace

LabelViewer::LabelViewer(QWidget* parent) : QTableWidget(parent)
{
    setItemDelegate(&cellDelegate);
}

bool LabelViewer::loadTags(const std::string& fileName)
{
    return loadTags(fileName, indexFileName);
}

bool LabelViewer::loadTags(const std::string& fileName, const std::string& indexPath)
{
    resetGrid();
    std::ifstream in(fileName);
    if (!in) {
        std::cerr << "Fail opening " << fileName << std::endl;
        return false;
    }
    fillFrom(in, QFile::decodeName(QByteArray::fromStdString(indexPath)), TagNames::OnDisk());
    return true;
}

void LabelViewer::loadTagsFrom(const QByteArray& vocabulary, const QString& indexPath,
                               const TagNames::OnDisk& before)
{
    resetGrid();
    std::istringstream in(vocabulary.toStdString());
    fillFrom(in, indexPath, before);
}

void LabelViewer::fillFrom(std::istream& vocabulary, const QString& indexPath,
                           const TagNames::OnDisk& before)
{
    layout.read(vocabulary);
    fillFromLayout();
    finishTable();
    writeTagIndex(indexPath, before);
}

void LabelViewer::addTagCell(int row, int column, const std::string& text, const QColor& kindColor)
{
    const QString cellText =
        QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
    layout.setCell(row, column, kindOfColor(kindColor), cellText);
    placeCell(row, column, cellText, kindColor);
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
    if (layout.describeTags(tags, text))
        return true;
    std::cerr << "Impossible Selection!" << std::endl;
    return false;
}

void LabelViewer::exportTagIndex() const
{
    exportTagIndex(indexFileName);
}

void LabelViewer::exportTagIndex(const std::string& indexPath) const
{
    writeTagIndex(QFile::decodeName(QByteArray::fromStdString(indexPath)), TagNames::OnDisk());
}

void LabelViewer::writeTagIndex(const QString& indexPath, const TagNames::OnDisk& before) const
{
    // Every cell that names no tag is reported, as asking for its caption does.
    for (int row = 0; row < rowCount(); ++row)
        for (int column = 0; column < columnCount(); ++column)
            if (item(row, column) && !layout.isTag(row, column))
                std::cerr << "Impossible Selection!" << std::endl;
    TagNames::write(layout, indexPath, before);
}

void LabelViewer::toggleTag(int row, int column)
{
    const QTableWidgetItem* cell = cellAt(row, column);
    if (!cell || !cell->flags().testFlag(Qt::ItemIsSelectable))
        return;
    const QModelIndex index = indexFromItem(cell);
    selectionModel()->select(index, QItemSelectionModel::Toggle);
}

void LabelViewer::showFound(const std::vector<std::pair<int, int>>& found, std::size_t current)
{
    std::vector<bool> isFound(std::size_t(rowCount()) * std::size_t(columnCount()));
    for (const auto& [row, column] : found)
        isFound[std::size_t(row) * std::size_t(columnCount()) + std::size_t(column)] = true;
    // One repaint after all cells rather than one per changed cell keeps typing quick.
    model()->blockSignals(true);
    for (int row = 0; row < rowCount(); ++row)
        for (int column = 0; column < columnCount(); ++column)
            setLook(row, column,
                    !isFound[std::size_t(row) * std::size_t(columnCount()) + std::size_t(column)],
                    false);
    if (current < found.size())
        setLook(found[current].first, found[current].second, false, true);
    model()->blockSignals(false);
    viewport()->update();
    if (current < found.size())
        scrollToItem(item(found[current].first, found[current].second));
}

void LabelViewer::clearFound()
{
    model()->blockSignals(true);
    for (int row = 0; row < rowCount(); ++row)
        for (int column = 0; column < columnCount(); ++column)
            setLook(row, column, false, false);
    model()->blockSignals(false);
    viewport()->update();
}

bool LabelViewer::isDimmed(int row, int column) const
{
    const std::size_t at = std::size_t(row) * std::size_t(columnCount()) + std::size_t(column);
    return at < dimmed.size() && dimmed[at];
}

void LabelViewer::setLook(int row, int column, bool isDim, bool isCurrent)
{
    const std::size_t cells = std::size_t(rowCount()) * std::size_t(columnCount());
    if (dimmed.size() != cells) {
        dimmed.assign(cells, false);
        current.assign(cells, false);
    }
    const std::size_t at = std::size_t(row) * std::size_t(columnCount()) + std::size_t(column);
    QTableWidgetItem* cell = item(row, column);
    if (!cell || (dimmed[at] == isDim && current[at] == isCurrent))
        return;
    dimmed[at] = isDim;
    current[at] = isCurrent;
    cell->setData(Qt::ForegroundRole, isDim ? QVariant(QBrush(dimmedTextColor)) : QVariant());
    QFont font = cell->font();
    font.setBold(isCurrent);
    font.setUnderline(isCurrent);
    cell->setFont(font);
}

QString LabelViewer::tagStem(const QString& text)
{
    return TagLayout::tagStem(text);
}

void LabelViewer::resetGrid()
{
    // Dropping every row first removes cells and spans of an earlier load.
    clearSpans();
    setRowCount(0);
    dimmed.clear();
    current.clear();
    setColumnCount(TagLayout::columnsPerRow);
    layout.clear();
    setRowCount(layout.rowCount());
    categoryRows = layout.rowCategories();
}

void LabelViewer::fillFromLayout()
{
    setRowCount(layout.rowCount());
    categoryRows = layout.rowCategories();
    for (int row = 0; row < layout.rowCount(); ++row) {
        for (int column = 0; column < layout.columnCount(); ++column) {
            const TagLayout::Kind kind = layout.kindAt(row, column);
            if (kind == TagLayout::Kind::Filler)
                continue;
            placeCell(row, column, layout.textAt(row, column), colorOfKind(kind));
            const int rows = layout.rowSpanAt(row, column);
            if (rows > 1)
                setSpan(row, column, rows, 1);
        }
    }
}

void LabelViewer::placeCell(int row, int column, const QString& text, const QColor& kindColor)
{
    auto* cell = new QTableWidgetItem(text);
    const Qt::ItemFlags removed = kindColor == categoryColor ? lockedFlags : Qt::ItemIsEditable;
    cell->setFlags(cell->flags() & ~removed);
    cell->setBackground(QBrush(kindColor));
    setItem(row, column, cell);
}

QTableWidgetItem* LabelViewer::cellAt(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return nullptr;
    return item(row, column);
}
