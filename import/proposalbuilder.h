#ifndef QUADROTAG_PROPOSALBUILDER_H
#define QUADROTAG_PROPOSALBUILDER_H

#include "classtable.h"
#include "consolereport.h"
#include "prediction.h"

#include "imageannotation.h"

#include <QSize>

// Turns predictions into the shapes of a proposal: the class and the further tags become tag
// cells, the corners whole pixels. A prediction with an unknown class or tag, crossed edges or
// a corner more than a pixel outside the image is reported and left out; corners within a
// pixel are moved onto the border. One below the least score is left out without a word.
class ProposalBuilder
{
public:
    ProposalBuilder(const ClassTable& classes, ConsoleReport& report, double minScore);

    void add(const Prediction& prediction, const QSize& imageSize, ImageAnnotation& proposal);

    long long found() const { return foundCount; }
    long long belowScore() const { return belowScoreCount; }
    long long leftOut() const { return leftOutCount; }

private:
    bool tagsOf(const Prediction& prediction, Label& label);
    bool pointsOf(const Prediction& prediction, const QSize& imageSize, Label& label);
    static QString outsideText(const QPoint& outside, const QSize& imageSize);
    void problem(const Prediction& prediction, const QString& message);

    const ClassTable& classes;
    ConsoleReport& report;
    double minScore;
    long long foundCount = 0;
    long long belowScoreCount = 0;
    long long leftOutCount = 0;
};

#endif
