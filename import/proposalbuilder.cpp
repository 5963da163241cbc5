#include "proposalbuilder.h"

#include "quadgeometry.h"

#include <algorithm>
#include <cmath>

namespace {

// Far outside any image, yet a whole number of pixels that int holds.
const double farOutside = 1e9;
// A box that ends on the image's far edge names the pixel after the last one: that corner,
// and any other this close, belongs on the border.
const int borderSlack = 1;

int wholePixel(double value)
{
    return static_cast<int>(std::floor(std::clamp(value, -farOutside, farOutside) + 0.5));
}

} // namespace

ProposalBuilder::ProposalBuilder(const ClassTable& classTable, ConsoleReport& consoleReport,
                                 double leastScore)
    : classes(classTable), report(consoleReport), minScore(leastScore)
{
}

void ProposalBuilder::add(const Prediction& prediction, const QSize& imageSize,
                          ImageAnnotation& proposal)
{
    ++foundCount;
    if (!prediction.error.isEmpty()) {
        problem(prediction, prediction.error);
        ++leftOutCount;
        return;
    }
    if (prediction.score < minScore) {
        ++belowScoreCount;
        return;
    }
    Label label;
    if (!tagsOf(prediction, label) || !pointsOf(prediction, imageSize, label)) {
        ++leftOutCount;
        return;
    }
    proposal.labels.push_back(std::move(label));
}

bool ProposalBuilder::tagsOf(const Prediction& prediction, Label& label)
{
    int classIndex = -1;
    const int classCount = classes.classesNamed(prediction.className, classIndex);
    if (classCount == 0) {
        problem(prediction, QStringLiteral("unknown class \"%1\"").arg(prediction.className));
        return false;
    }
    if (classCount > 1) {
        problem(
            prediction,
            QStringLiteral("class \"%1\" names more than one class tag").arg(prediction.className));
        return false;
    }
    label.tags.push_back(classes.cellOf(classIndex));
    for (const auto& [group, stem] : prediction.attributes) {
        std::pair<int, int> cell;
        const int tagCount = classes.tagsNamed(group, stem, cell);
        if (tagCount != 1) {
            const QString text =
                tagCount == 0 ? QStringLiteral("unknown tag \"%1\" of \"%2\"")
                              : QStringLiteral("tag \"%1\" of \"%2\" names more than one tag");
            problem(prediction, text.arg(stem, group));
            return false;
        }
        label.tags.push_back(cell);
    }
    // The order in which the tag table hands out its selection.
    std::sort(label.tags.begin(), label.tags.end());
    label.tags.erase(std::unique(label.tags.begin(), label.tags.end()), label.tags.end());
    return true;
}

bool ProposalBuilder::pointsOf(const Prediction& prediction, const QSize& imageSize, Label& label)
{
    // A mask of another size was made for another picture: its corners would land elsewhere.
    if (!prediction.maskSize.isEmpty() && prediction.maskSize != imageSize) {
        problem(prediction, QStringLiteral("an RLE mask of %1x%2 pixels on the %3x%4 image")
                                .arg(prediction.maskSize.width())
                                .arg(prediction.maskSize.height())
                                .arg(imageSize.width())
                                .arg(imageSize.height()));
        return false;
    }
    Quad corners;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const QPointF& p = prediction.corners[i];
        const double x = prediction.normalised ? p.x() * imageSize.width() : p.x();
        const double y = prediction.normalised ? p.y() * imageSize.height() : p.y();
        corners[i] = QPoint(wholePixel(x), wholePixel(y));
    }
    label.points.assign(corners.begin(), corners.end());
    // Corners far out meet at the limit and so cross: where they are is the first fault.
    QPoint outside;
    if (hasCornerOutside(corners, imageSize, outside, borderSlack)) {
        problem(prediction, outsideText(outside, imageSize));
        return false;
    }
    if (!label.isValid()) {
        problem(prediction, QStringLiteral("opposite edges cross"));
        return false;
    }
    const Quad onImage = clampedInto(corners, imageSize);
    if (onImage == corners)
        return true;
    hasCornerOutside(corners, imageSize, outside);
    label.points.assign(onImage.begin(), onImage.end());
    // A shape folded onto the border line is no valid shape.
    if (!label.isValid()) {
        problem(prediction, outsideText(outside, imageSize) +
                                QStringLiteral("; on its border the shape would have no area"));
        return false;
    }
    return true;
}

QString ProposalBuilder::outsideText(const QPoint& outside, const QSize& imageSize)
{
    return QStringLiteral("corner (%1, %2) outside the %3x%4 image")
        .arg(outside.x())
        .arg(outside.y())
        .arg(imageSize.width())
        .arg(imageSize.height());
}

void ProposalBuilder::problem(const Prediction& prediction, const QString& message)
{
    // A problem is one line, though a file's names or OpenCV's messages may hold line ends.
    report.problem(prediction.source,
                   prediction.item + QStringLiteral(": ") + message.simplified());
}
