#ifndef QUADROTAG_TAGLAYOUT_H
#define QUADROTAG_TAGLAYOUT_H

#include <QString>

#include <iosfwd>
#include <utility>
#include <vector>

// The vocabulary laid out into tag cells, without any widget: the tag table fills
// itself from it, and tools without a display read the same cells and captions.
// A tag is known only by the (row, column) of its cell.
class TagLayout
{
public:
    enum class Kind { Filler, SingleTag, CategoryHeader, CategoryTag };

    TagLayout();

    // Lays out the entries of a vocabulary stream; reading stops quietly at the
    // first malformed entry, keeping the entries placed before it.
    void read(std::istream& in);
    // Back to one empty row of six columns, as before any vocabulary was read.
    void clear();
    // Puts one cell at (row, column), adding rows up to row when it lies beyond them.
    void setCell(int row, int column, Kind kind, const QString& text);

    int rowCount() const { return static_cast<int>(categoryRows.size()); }
    int columnCount() const { return columnsPerRow; }
    // Filler for every position outside the grid.
    Kind kindAt(int row, int column) const;
    QString textAt(int row, int column) const;
    bool isTag(int row, int column) const;
    // The header row of the category block that row belongs to, or row itself for a
    // row opened for single tags; -1 outside the grid.
    int categoryOf(int row) const;
    // The number of rows the cell at (row, column) covers: a category header spans its block.
    int rowSpanAt(int row, int column) const;
    const std::vector<int>& rowCategories() const { return categoryRows; }

    // The caption of a list of tags: a line for each single tag and one for each run
    // of tags of one category. False at the first pair that names no tag cell; text
    // then holds the lines of the pairs before it.
    bool describeTags(const std::vector<std::pair<int, int>>& tags, QString& text) const;

    // The caption of the one tag at (row, column) without its line end, as the tag index
    // holds it ("Colour: Grey"); empty for a cell that is no tag. Every one-cell caption
    // is built here.
    QString cellCaption(int row, int column) const;
    // The whole vocabulary name of that tag, notes included ("Colour(frame): Grey"), which
    // tells apart tags whose captions are alike; empty for a cell that is no tag.
    QString cellName(int row, int column) const;

    // The text before the last "(", so notes in parentheses stay out of captions.
    static QString tagStem(const QString& text);

    static constexpr int columnsPerRow = 6;

private:
    struct Cell
    {
        Kind kind = Kind::Filler;
        QString text;
    };

    int placeSingleTag(const QString& name, int column);
    int placeCategory(const QString& name, const std::vector<QString>& tags);
    int appendRows(int count);
    const Cell* cellAt(int row, int column) const;
    void appendCategoryTag(const std::vector<std::pair<int, int>>& tags, std::size_t k,
                           QString& text) const;

    std::vector<Cell> cells;
    std::vector<int> categoryRows;
};

#endif
