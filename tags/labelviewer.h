#ifndef QUADROTAG_LABELVIEWER_H
#define QUADROTAG_LABELVIEWER_H

#include "taglayout.h"

#include <QColor>
#include <QString>
#include <QTableWidget>

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

// The tag table: the view of the vocabulary's tag cells, filled from a TagLayout.
// A tag is known only by the (row, column) of its cell, and the kind of a cell
// is told by its background colour alone.
class LabelViewer : public QTableWidget
{
    Q_OBJECT

public:
    explicit LabelViewer(QWidget* parent = nullptr);

    bool loadTags(const std::string& fileName);
    void addTagCell(int row, int column, const std::string& text, const QColor& kindColor);
    void finishTable();

    void selectTags(const std::vector<std::pair<int, int>>& tags);
    void collectSelectedTags(std::vector<std::pair<int, int>>& tags) const;
    bool describeTags(const std::vector<std::pair<int, int>>& tags, QString& text) const;
    void exportTagIndex() const;

    static QString tagStem(const QString& text);

    static const QColor singleTagColor;
    static const QColor categoryColor;
    static const QColor categoryTagColor;

private:
    void resetGrid();
    void fillFromLayout();
    void placeCell(int row, int column, const QString& text, const QColor& kindColor);
    QTableWidgetItem* cellAt(int row, int column) const;

    TagLayout layout;

public:
    // Per table row, the header row of its category block, or the row itself
    // for rows opened for single tags.
    std::vector<int> categoryRows;
};

#endif
