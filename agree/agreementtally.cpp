#include "agreementtally.h"

#include "cohenkappa.h"
#include "imageannotation.h"
#include "tagindex.h"

#include <algorithm>

AgreementTally::AgreementTally(const TagLayout& tagLayout, std::size_t worstKept)
    : layout(tagLayout),
      tagCounts(static_cast<std::size_t>(tagLayout.rowCount() * tagLayout.columnCount())),
      styleTable(static_cast<std::size_t>(styleCount * styleCount), 0), worstImages(worstKept)
{
}

void AgreementTally::addImage(const QString& image, const ImageAnnotation& a,
                              const ImageAnnotation& b, const std::vector<ShapeMatch>& matches)
{
    ++imageCount;
    shapeCountA += static_cast<long long>(a.labels.size());
    shapeCountB += static_cast<long long>(b.labels.size());
    matchedCount += static_cast<long long>(matches.size());
    double imageIouSum = 0;
    for (const ShapeMatch& match : matches) {
        imageIouSum += match.iou;
        addTags(a.labels[static_cast<std::size_t>(match.a)].tags,
                b.labels[static_cast<std::size_t>(match.b)].tags);
    }
    iouSum += imageIouSum;
    if (isStyle(a.styleIndex) && isStyle(b.styleIndex))
        ++styleTable[static_cast<std::size_t>(a.styleIndex * styleCount + b.styleIndex)];

    ImageAgreement agreement;
    agreement.image = image;
    agreement.matched = static_cast<int>(matches.size());
    agreement.onlyA = static_cast<int>(a.labels.size() - matches.size());
    agreement.onlyB = static_cast<int>(b.labels.size() - matches.size());
    agreement.meanIou = matches.empty() ? 0 : imageIouSum / static_cast<double>(matches.size());
    worstImages.add(agreement);
}

double AgreementTally::meanIou() const
{
    return matchedCount > 0 ? iouSum / static_cast<double>(matchedCount) : 0;
}

std::vector<AgreementTally::TagAgreement> AgreementTally::tags() const
{
    std::vector<TagAgreement> listed;
    const TagIndex index = TagIndex::ofLayout(layout);
    for (const TagIndex::Entry& entry : index.entries()) {
        const TagCounts& counts = tagCounts[static_cast<std::size_t>(cellIndex(entry.cell))];
        if (counts.both + counts.onlyA + counts.onlyB == 0)
            continue;
        const long long neither = matchedCount - counts.both - counts.onlyA - counts.onlyB;
        // Category 0: without the tag, 1: with it.
        const std::vector<long long> table{neither, counts.onlyB, counts.onlyA, counts.both};
        listed.push_back(TagAgreement{entry.caption, counts.both, counts.onlyA, counts.onlyB,
                                      cohenKappa(table, 2)});
    }
    return listed;
}

long long AgreementTally::stylesAgreed() const
{
    long long agreed = 0;
    for (int style = 0; style < styleCount; ++style)
        agreed += styleTable[static_cast<std::size_t>(style * styleCount + style)];
    return agreed;
}

long long AgreementTally::stylesDisagreed() const
{
    long long total = 0;
    for (const long long n : styleTable)
        total += n;
    return total - stylesAgreed();
}

std::optional<double> AgreementTally::styleKappa() const
{
    return cohenKappa(styleTable, styleCount);
}

int AgreementTally::cellIndex(const std::pair<int, int>& cell) const
{
    if (!layout.isTag(cell.first, cell.second))
        return -1;
    return cell.first * layout.columnCount() + cell.second;
}

std::vector<int> AgreementTally::cellsOf(const std::vector<std::pair<int, int>>& tags) const
{
    // A tag named twice on one shape counts once.
    std::vector<int> cells;
    for (const std::pair<int, int>& tag : tags) {
        const int index = cellIndex(tag);
        if (index >= 0)
            cells.push_back(index);
    }
    std::sort(cells.begin(), cells.end());
    cells.erase(std::unique(cells.begin(), cells.end()), cells.end());
    return cells;
}

void AgreementTally::addTags(const std::vector<std::pair<int, int>>& a,
                             const std::vector<std::pair<int, int>>& b)
{
    const std::vector<int> cellsA = cellsOf(a);
    const std::vector<int> cellsB = cellsOf(b);
    for (const int cell : cellsA) {
        TagCounts& counts = tagCounts[static_cast<std::size_t>(cell)];
        if (std::binary_search(cellsB.begin(), cellsB.end(), cell))
            ++counts.both;
        else
            ++counts.onlyA;
    }
    for (const int cell : cellsB) {
        if (!std::binary_search(cellsA.begin(), cellsA.end(), cell))
            ++tagCounts[static_cast<std::size_t>(cell)].onlyB;
    }
}
