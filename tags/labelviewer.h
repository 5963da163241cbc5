#ifndef QUADROTAG_LABELVIEWER_H
#define QUADROTAG_LABELVIEWER_H

#include "tagcelldelegate.h"
#include "taglayout.h"
#include "tagnames.h"

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
    // Reads the vocabulary and writes the tag index to indexFileName instead.
    bool loadTags(const std::string& fileName, const std::string& indexFileName);
    // The same from the vocabulary's bytes, read before, with what the index and the names
    // files held then, so that unchanged files are neither read nor written again.
    void loadTagsFrom(const QByteArray& vocabulary, const QString& indexPath,
                      const TagNames::OnDisk& before);
    void addTagCell(int row, int column, const std::string& text, const QColor& kindColor);
    void finishTable();

    void selectTags(const std::vector<std::pair<int, int>>& tags);
    void collectSelectedTags(std::vector<std::pair<int, int>>& tags) const;
    bool describeTags(const std::vector<std::pair<int, int>>& tags, QString& text) const;
    void exportTagIndex() const;
    void exportTagIndex(const std::string& indexFileName) const;
    // Selects the tag cell if it is not selected and the other way round, as a click does.
    void toggleTag(int row, int column);
    // Dims every cell but the found ones, marks the current one and scrolls it into view;
    // the selection stays as it is.
    void showFound(const std::vector<std::pair<int, int>>& found, std::size_t current);
    void clearFound();
    bool isDimmed(int row, int column) const;

    const TagLayout& tagLayout() const { return layout; }

    static QString tagStem(const QString& text);

    static const QColor singleTagColor;
    static const QColor categoryColor;
    static const QColor categoryTagColor;

private:
    void fillFrom(std::istream& vocabulary, const QString& indexPath,
                  const TagNames::OnDisk& before);
    void writeTagIndex(const QString& indexPath, const TagNames::OnDisk& before) const;
    void resetGrid();
    void fillFromLayout();
    void placeCell(int row, int column, const QString& text, const QColor& kindColor);
    QTableWidgetItem* cellAt(int row, int column) const;
    void setLook(int row, int column, bool dimmed, bool current);

    TagLayout layout;
    TagCellDelegate cellDelegate;
    // Per cell in row-major order: dimmed by a search, or its current match.
    std::vector<bool> dimmed;
    std::vector<bool> current;

public:
    // Per table row, the header row of its category block, or the row itself
    // for rows opened for single tags.
    std::vector<int> categoryRows;
};

#endif
