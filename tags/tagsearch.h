#ifndef QUADROTAG_TAGSEARCH_H
#define QUADROTAG_TAGSEARCH_H

#include "taglayout.h"

#include <QString>

#include <utility>
#include <vector>

// Finds the tag cells of a vocabulary by a piece of their caption, ignoring case. A cell
// is found by its caption as the tag index writes it ("Colour: Grey") and by the whole
// tokens behind it, so notes in parentheses are found too.
class TagSearch
{
public:
    explicit TagSearch(const TagLayout& layout);

    // The tag cells whose caption or tokens contain text, in row-major order; none for
    // an empty text.
    std::vector<std::pair<int, int>> matchesOf(const QString& text) const;

private:
    struct Entry
    {
        std::pair<int, int> cell;
        // Case-folded once, so that a key press only folds what was typed.
        QString foldedText;
    };

    std::vector<Entry> entries;
};

#endif
