#ifndef QUADROTAG_DATASETSTATISTICS_H
#define QUADROTAG_DATASETSTATISTICS_H

#include "operatorsaves.h"
#include "reviewcounts.h"
#include "taglayout.h"

#include <QString>
#include <QStringList>

#include <map>
#include <vector>

class ImageAnnotation;

// Counts of a dataset gathered one image at a time. Memory grows with the vocabulary and the
// number of distinct shape counts, never with the number of images.
class DatasetStatistics
{
public:
    struct TagCount
    {
        QString caption;
        long long shapes = 0;
        long long images = 0;
    };

    // Lists every tag cell of the layout, in row-major order, with no shapes yet.
    explicit DatasetStatistics(const TagLayout& layout);

    void addUnlabelled(bool hasProposal);
    void addLabelled(const ImageAnnotation& annotation);
    // The review state of a labelled image.
    void addReview(ReviewState state) { reviewCounts.add(state); }

    long long total() const { return labelledCount + unlabelledCount; }
    long long labelled() const { return labelledCount; }
    long long unlabelled() const { return unlabelledCount; }
    long long proposed() const { return proposedCount; }
    long long empty() const { return emptyCount; }
    const std::vector<TagCount>& tags() const { return tagCounts; }
    const QStringList& styleNames() const { return styles; }
    // Images per style, in the order of styleNames(); label files with a style outside the
    // list are counted nowhere.
    const std::vector<long long>& styleImages() const { return styleCounts; }
    // Over labelled images; 0 when there are none. The lower middle value for an even count.
    int minShapes() const;
    int medianShapes() const;
    int maxShapes() const;
    // Shape count -> number of labelled images with that many shapes.
    const std::map<int, long long>& shapeCounts() const { return shapeHistogram; }
    const ReviewCounts& reviews() const { return reviewCounts; }

    // Who saved how often, from the operators' logs; sorted by name.
    void setOperators(std::vector<OperatorSaves::Tally> tallies)
    {
        operatorTallies = std::move(tallies);
    }
    const std::vector<OperatorSaves::Tally>& operators() const { return operatorTallies; }

private:
    int tagIndexOf(int row, int column) const;

    const TagLayout& layout;
    std::vector<TagCount> tagCounts;
    // The position in tagCounts of each cell, row-major; -1 for cells that are no tags.
    std::vector<int> tagIndexByCell;
    QStringList styles;
    std::vector<long long> styleCounts;
    // Shape count -> number of labelled images with that many shapes.
    std::map<int, long long> shapeHistogram;
    long long labelledCount = 0;
    long long unlabelledCount = 0;
    long long proposedCount = 0;
    long long emptyCount = 0;
    ReviewCounts reviewCounts;
    std::vector<OperatorSaves::Tally> operatorTallies;
};

#endif
