#include "imagechecker.h"

#include "imageannotation.h"
#include "imageheader.h"
#include "labelfile.h"
#include "quadgeometry.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

const std::size_t cornerCount = 4;

QString pairText(const std::pair<int, int>& tag)
{
    return QStringLiteral("(%1, %2)").arg(tag.first).arg(tag.second);
}

QString pointText(const QPoint& p)
{
    return QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y());
}

} // namespace

ImageChecker::ImageChecker(const ClassTable& classTable, ConsoleReport& consoleReport)
    : classes(classTable), report(consoleReport)
{
}

bool ImageChecker::check(const QString& imagePath, const QString& labelPath, ExportImage& image,
                         const QByteArray* labelBytes)
{
    image.size = QSize();
    image.styleIndex = 0;
    image.shapes.clear();
    annotation.clear();
    exported.clear();
    const bool sized = readSize(imagePath, image.size);
    if (labelPath.isEmpty())
        return sized;

    // Training on an image whose shapes are partly lost would teach that they are not there.
    const bool labelsRead = readLabels(labelPath, labelBytes, annotation);
    image.styleIndex = annotation.styleIndex;
    exported.styleIndex = annotation.styleIndex;
    if (annotation.styleIndex < 0 || annotation.styleIndex >= annotation.styleNames.size())
        report.problem(labelPath, QStringLiteral("style index %1 outside 0 to %2")
                                      .arg(annotation.styleIndex)
                                      .arg(annotation.styleNames.size() - 1));

    const int labelCount = static_cast<int>(annotation.labels.size());
    foundCount += labelCount;
    for (int index = 0; index < labelCount; ++index) {
        const Label& label = annotation.labels[static_cast<std::size_t>(index)];
        ExportShape shape;
        const bool tagsUsable = checkTags(labelPath, index, label, shape);
        const bool pointsUsable =
            checkPoints(labelPath, index, label) &&
            (!sized || checkCorners(labelPath, index, label, image.size, shape));
        if (tagsUsable && pointsUsable && sized) {
            image.shapes.push_back(std::move(shape));
            exported.labels.push_back(label);
        } else {
            ++leftOutCount;
        }
    }
    return sized && labelsRead;
}

void ImageChecker::reportLabelWithoutImage(const QString& labelPath)
{
    report.problem(labelPath, QStringLiteral("label file without an image"));
}

bool ImageChecker::readSize(const QString& imagePath, QSize& size)
{
    QString error;
    if (readImageSize(imagePath, size, error))
        return true;
    report.problem(imagePath, QStringLiteral("image header cannot be read: %1").arg(error));
    return false;
}

bool ImageChecker::readLabels(const QString& labelPath, const QByteArray* labelBytes,
                              ImageAnnotation& read)
{
    bool readToEnd = false;
    if (labelBytes)
        readLabelBytes(read, labelBytes->toStdString(), readToEnd);
    else if (!QFileInfo(labelPath).isFile() ||
             !readLabelFile(read, QFile::encodeName(labelPath).toStdString(), readToEnd)) {
        report.problem(labelPath, QStringLiteral("label file cannot be read"));
        return false;
    }
    if (!readToEnd)
        report.problem(labelPath, QStringLiteral("label file could not be read to its end; "
                                                 "shapes after shape %1 are lost")
                                      .arg(read.labels.size()));
    return readToEnd;
}

bool ImageChecker::checkTags(const QString& labelPath, int index, const Label& label,
                             ExportShape& shape)
{
    const TagLayout& layout = classes.tagLayout();
    std::vector<std::pair<int, int>> tags = label.tags;
    std::sort(tags.begin(), tags.end());
    tags.erase(std::unique(tags.begin(), tags.end()), tags.end());

    bool usable = true;
    for (const auto& tag : tags) {
        if (!layout.isTag(tag.first, tag.second)) {
            report.shapeProblem(
                labelPath, index,
                QStringLiteral("tag %1 names no tag cell of the vocabulary").arg(pairText(tag)));
            usable = false;
        } else if (shape.classIndex < 0 && classes.classOf(tag.first, tag.second) >= 0) {
            shape.classIndex = classes.classOf(tag.first, tag.second);
        } else {
            shape.otherTags.push_back(tag);
        }
    }
    if (shape.classIndex < 0) {
        report.shapeProblem(labelPath, index, QStringLiteral("no class tag"));
        usable = false;
    }
    return usable;
}

bool ImageChecker::checkPoints(const QString& labelPath, int index, const Label& label)
{
    // Counted here first, so that the validity rule never prints its own complaint.
    if (label.points.size() != cornerCount) {
        report.shapeProblem(
            labelPath, index,
            QStringLiteral("%1 points, not 4").arg(static_cast<qulonglong>(label.points.size())));
        return false;
    }
    if (!label.isValid()) {
        report.shapeProblem(labelPath, index, QStringLiteral("opposite edges cross"));
        return false;
    }
    return true;
}

bool ImageChecker::checkCorners(const QString& labelPath, int index, const Label& label,
                                const QSize& size, ExportShape& shape)
{
    // checkPoints has made sure that there are four corners.
    std::copy(label.points.begin(), label.points.end(), shape.corners.begin());
    QPoint outside;
    if (!hasCornerOutside(shape.corners, size, outside))
        return true;
    shape.corners = clampedInto(shape.corners, size);
    Label clamped;
    clamped.points.assign(shape.corners.begin(), shape.corners.end());
    const bool keepsArea = clamped.isValid() && quadArea(shape.corners) > 0;
    report.shapeProblem(labelPath, index,
                        QStringLiteral("corner %1 outside the %2x%3 image%4")
                            .arg(pointText(outside))
                            .arg(size.width())
                            .arg(size.height())
                            .arg(keepsArea ? QString()
                                           : QStringLiteral("; on its border the shape would "
                                                            "have no area, so it is left out")));
    return keepsArea;
}
