#include "tagtranslation.h"

#include <algorithm>

namespace {

QString quoted(const QString& caption)
{
    return QLatin1Char('"') + caption + QLatin1Char('"');
}

QString cellList(const std::vector<std::pair<int, int>>& cells)
{
    QStringList texts;
    for (const auto& cell : cells)
        texts << cellText(cell);
    return texts.join(QStringLiteral(" and "));
}

template <typename T> void appendOnce(std::vector<T>& list, const T& value)
{
    if (std::find(list.begin(), list.end(), value) == list.end())
        list.push_back(value);
}

void appendOnce(QStringList& list, const QString& value)
{
    if (!list.contains(value))
        list << value;
}

} // namespace

bool TagTranslation::PairChange::operator==(const PairChange& other) const
{
    return from == other.from && dropped == other.dropped && to == other.to &&
           caption == other.caption;
}

QString TagTranslation::PairChange::text() const
{
    return QStringLiteral("%1 -> %2 %3")
        .arg(cellText(from), dropped ? QStringLiteral("dropped") : cellText(to), caption);
}

TagTranslation::TagTranslation(const TagIndex& oldIndex, const TagIndex& newIndex,
                               const std::vector<std::pair<QString, QString>>& captionRenames,
                               bool dropTagsWithoutCell)
    : before(oldIndex), after(newIndex), renames(captionRenames), dropMissing(dropTagsWithoutCell)
{
    for (const TagIndex::Entry& entry : before.entries())
        results[entry.cell] = resultFor(entry);
}

bool TagTranslation::checkRenames(QString& error) const
{
    for (const auto& [oldCaption, newCaption] : renames) {
        if (before.cellsWith(oldCaption).empty()) {
            error = QStringLiteral("--map: the old index has no tag %1").arg(quoted(oldCaption));
            return false;
        }
        if (after.cellsWith(newCaption).empty()) {
            error = QStringLiteral("--map: the vocabulary has no tag %1").arg(quoted(newCaption));
            return false;
        }
    }
    return true;
}

TagTranslation::Result TagTranslation::translate(std::pair<int, int> cell) const
{
    const auto found = results.find(cell);
    if (found != results.end())
        return found->second;
    Result unknown;
    unknown.problem = QStringLiteral("tag %1 names no tag of the old index").arg(cellText(cell));
    return unknown;
}

bool TagTranslation::translate(ImageAnnotation& annotation, std::vector<PairChange>& changes,
                               QStringList& problems) const
{
    bool movable = true;
    std::vector<Label> kept;
    for (Label& label : annotation.labels) {
        const bool wasTagged = !label.tags.empty();
        movable = translateLabel(label, changes, problems) && movable;
        // Untagged shapes of a hand-made file stay; a shape whose every tag was dropped goes.
        if (!wasTagged || !label.tags.empty())
            kept.push_back(std::move(label));
    }
    annotation.labels = std::move(kept);
    return movable;
}

TagTranslation::Result TagTranslation::resultFor(const TagIndex::Entry& entry) const
{
    Result result;
    QString caption = entry.caption;
    result.caption = caption;
    for (const auto& [oldCaption, newCaption] : renames) {
        if (oldCaption == caption) {
            caption = newCaption;
            result.caption += QStringLiteral(" = ") + newCaption;
            break;
        }
    }
    // Captions without notes: two cells with one caption cannot be told apart, in either index.
    const std::vector<std::pair<int, int>> oldCells = before.cellsWith(entry.caption);
    const std::vector<std::pair<int, int>> cells = after.cellsWith(caption);
    if (oldCells.size() > 1) {
        result.problem = QStringLiteral("tag %1 %2: the old index has this caption at %3")
                             .arg(cellText(entry.cell), quoted(entry.caption), cellList(oldCells));
    } else if (cells.size() > 1) {
        result.problem = QStringLiteral("tag %1 %2: the new vocabulary has this caption at %3")
                             .arg(cellText(entry.cell), quoted(caption), cellList(cells));
    } else if (cells.size() == 1 && cells.front() == entry.cell) {
        result.outcome = Outcome::Kept;
        result.to = entry.cell;
    } else if (cells.size() == 1) {
        result.outcome = Outcome::Moved;
        result.to = cells.front();
    } else if (dropMissing) {
        result.outcome = Outcome::Dropped;
    } else {
        result.problem = QStringLiteral("tag %1 %2 has no cell in the new vocabulary "
                                        "(--drop-missing drops it)")
                             .arg(cellText(entry.cell), quoted(caption));
    }
    return result;
}

bool TagTranslation::translateLabel(Label& label, std::vector<PairChange>& changes,
                                    QStringList& problems) const
{
    if (label.tags.empty())
        return true;
    std::vector<std::pair<int, int>> moved;
    bool changed = false;
    bool movable = true;
    for (const auto& cell : label.tags) {
        const Result result = translate(cell);
        switch (result.outcome) {
        case Outcome::Kept:
            moved.push_back(cell);
            continue;
        case Outcome::Moved:
            moved.push_back(result.to);
            break;
        case Outcome::Dropped:
            break;
        case Outcome::Problem:
            appendOnce(problems, result.problem);
            movable = false;
            continue;
        }
        changed = true;
        appendOnce(changes,
                   PairChange{cell, result.outcome == Outcome::Dropped, result.to, result.caption});
    }
    if (!movable || !changed)
        return movable;
    // The table hands out pairs in row-major order, and two old tags may now share a cell.
    std::sort(moved.begin(), moved.end());
    moved.erase(std::unique(moved.begin(), moved.end()), moved.end());
    label.tags = moved;
    return true;
}
