#include "tagsearch.h"

TagSearch::TagSearch(const TagLayout& layout)
{
    std::vector<std::pair<int, int>> one(1);
    QString caption;
    for (int row = 0; row < layout.rowCount(); ++row) {
        for (int column = 0; column < layout.columnCount(); ++column) {
            if (!layout.isTag(row, column))
                continue;
            one.front() = {row, column};
            layout.describeTags(one, caption);
            // The line end keeps a search from matching across caption and tokens.
            QString tokens = layout.textAt(row, column);
            if (layout.kindAt(row, column) == TagLayout::Kind::CategoryTag)
                tokens += QLatin1Char(' ') + layout.textAt(layout.categoryOf(row), 0);
            entries.push_back({{row, column}, (caption + tokens).toCaseFolded()});
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
