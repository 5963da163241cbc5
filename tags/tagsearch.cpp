#include "tagsearch.h"

TagSearch::TagSearch(const TagLayout& layout)
{
    for (int row = 0; row < layout.rowCount(); ++row) {
        for (int column = 0; column < layout.columnCount(); ++column) {
            if (!layout.isTag(row, column))
                continue;
            // The line end keeps a search from matching across caption and name.
            const QString text =
                layout.cellCaption(row, column) + QLatin1Char('\n') + layout.cellName(row, column);
            entries.push_back({{row, column}, text.toCaseFolded()});
        }
    }
}

std::vector<std::pair<int, int>> TagSearch::matchesOf(const QString& text) const
{
    std::vector<std::pair<int, int>> matches;
    if (text.isEmpty())
        return matches;
    const QString folded = text.toCaseFolded();
    for (const Entry& entry : entries)
        if (entry.foldedText.contains(folded))
            matches.push_back(entry.cell);
    return matches;
}
