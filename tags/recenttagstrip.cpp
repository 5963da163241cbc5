#include "recenttagstrip.h"

#include "labelviewer.h"

#include <algorithm>

RecentTagStrip::RecentTagStrip(const LabelViewer& table, QWidget* parent)
    : QLabel(parent), table(table)
{
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
}

void RecentTagStrip::noteTurnedOn(const std::vector<std::pair<int, int>>& tags)
{
    for (const auto& tag : tags) {
        recent.erase(std::remove(recent.begin(), recent.end(), tag), recent.end());
        recent.insert(recent.begin(), tag);
    }
    if (recent.size() > std::size_t(maximumTags))
        recent.resize(std::size_t(maximumTags));
    showTags();
}

void RecentTagStrip::forgetTags()
{
    recent.clear();
    showTags();
}

std::optional<std::pair<int, int>> RecentTagStrip::tagOfKey(int number) const
{
    if (number < 1 || number > int(recent.size()))
        return std::nullopt;
    return recent[std::size_t(number - 1)];
}

void RecentTagStrip::showTags()
{
    QStringList entries;
    for (std::size_t k = 0; k < recent.size(); ++k)
        entries << QString::number(k + 1) + QLatin1Char(' ') +
                       table.tagLayout().cellCaption(recent[k].first, recent[k].second);
    setText(entries.join(QStringLiteral("  ")));
}
