#include "datasetstatistics.h"

#include "imageannotation.h"

DatasetStatistics::DatasetStatistics(const TagLayout& tagLayout)
    : layout(tagLayout), styles(ImageAnnotation().styleNames),
      styleCounts(static_cast<std::size_t>(styles.size()), 0)
{
    std::vector<std::pair<int, int>> one(1);
    for (int row = 0; row < layout.rowCount(); ++row) {
        for (int column = 0; column < layout.columnCount(); ++column) {
            if (!layout.isTag(row, column)) {
                tagIndexByCell.push_back(-1);
                continue;
            }
            one.front() = {row, column};
            TagCount count;
            layout.describeTags(one, count.caption);
            count.caption = count.caption.trimmed();
            tagIndexByCell.push_back(static_cast<int>(tagCounts.size()));
            tagCounts.push_back(count);
        }
    }
}

void DatasetStatistics::addUnlabelled(bool hasProposal)
{
    ++unlabelledCount;
    if (hasProposal)
        ++proposedCount;
}

void DatasetStatistics::addLabelled(const ImageAnnotation& annotation)
{
    ++labelledCount;
    const int shapeCount = static_cast<int>(annotation.labels.size());
    if (shapeCount == 0)
        ++emptyCount;
    ++shapeHistogram[shapeCount];
    if (annotation.styleIndex >= 0 && annotation.styleIndex < styles.size())
        ++styleCounts[static_cast<std::size_t>(annotation.styleIndex)];

    // A tag counts once per shape and once per image, however often it is repeated.
    std::vector<bool> inImage(tagCounts.size(), false);
    for (const Label& label : annotation.labels) {
        std::vector<bool> inShape(tagCounts.size(), false);
        for (const auto& [row, column] : label.tags) {
            const int index = tagIndexOf(row, column);
            if (index < 0 || inShape[static_cast<std::size_t>(index)])
                continue;
            inShape[static_cast<std::size_t>(index)] = true;
            ++tagCounts[static_cast<std::size_t>(index)].shapes;
            if (!inImage[static_cast<std::size_t>(index)]) {
                inImage[static_cast<std::size_t>(index)] = true;
                ++tagCounts[static_cast<std::size_t>(index)].images;
            }
        }
    }
}

int DatasetStatistics::minShapes() const
{
    return shapeHistogram.empty() ? 0 : shapeHistogram.begin()->first;
}

int DatasetStatistics::medianShapes() const
{
    if (shapeHistogram.empty())
        return 0;
    const long long middle = (labelledCount - 1) / 2;
    long long seen = 0;
    for (const auto& [shapes, images] : shapeHistogram) {
        seen += images;
        if (seen > middle)
            return shapes;
    }
    return shapeHistogram.rbegin()->first;
}

int DatasetStatistics::maxShapes() const
{
    return shapeHistogram.empty() ? 0 : shapeHistogram.rbegin()->first;
}

int DatasetStatistics::tagIndexOf(int row, int column) const
{
    if (row < 0 || row >= layout.rowCount() || column < 0 || column >= layout.columnCount())
        return -1;
    return tagIndexByCell[static_cast<std::size_t>(row * layout.columnCount() + column)];
}
