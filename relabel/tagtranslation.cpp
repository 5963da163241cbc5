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
    for (Label& label : annotation.labels)
        movable = translateLabel(label, changes, problems) && movable;
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
    const std::vector<std::pair<int, int>> cells = after.cellsWith(caption);
    if (std::find(cells.begin(), cells.end(), entry.cell) != cells.end()) {
        result.outcome = Outcome::Kept;
        result.to = entry.cell;
    } else if (cells.size() == 1) {
        result.outcome = Outcome::Moved;
        result.to = cells.front();
    } else if (cells.empty() && dropMissing) {
        result.outcome = Outcome::Dropped;
    } else if (cells.empty()) {
        result.problem = QStringLiteral("tag %1 %2 has no cell in the new vocabulary "
                                        "(--drop-missing drops it)")
                             .arg(cellText(entry.cell), quoted(caption));
    } else {
        result.problem = QStringLiteral("tag %1 %2: the new vocabulary has this caption at %3")
                             .arg(cellText(entry.cell), quoted(caption), cellList(cells));
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
    // A shape left without tags is not written, as the program's own save leaves it out.
    label.tags = moved;
    return true;
}
