#include "vocabularychange.h"

VocabularyChange::VocabularyChange(const TagIndex& before, const TagIndex& after)
{
    QString caption;
    for (const TagIndex::Entry& entry : before.entries()) {
        if (after.captionAt(entry.cell, caption) && caption == entry.caption)
            continue;
        Move move{entry.caption, entry.cell, true, {}};
        const std::vector<std::pair<int, int>> now = after.cellsWith(entry.caption);
        if (!now.empty()) {
            move.gone = false;
            move.to = now.front();
        }
        list.push_back(move);
    }
}

QStringList VocabularyChange::lines(int limit) const
{
    QStringList result;
    for (const Move& move : list) {
        if (result.size() >= limit)
            break;
        result << QStringLiteral("%1: %2 -> %3")
                      .arg(move.caption, cellText(move.from),
                           move.gone ? QStringLiteral("gone") : cellText(move.to));
    }
    return result;
}
