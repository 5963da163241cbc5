#include "datasetcomparison.h"

#include "agreementtext.h"
#include "datasetwalk.h"
#include "imageannotation.h"
#include "labelfile.h"
#include "labelkeeper.h"
#include "labelpath.h"
#include "shapematching.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <fstream>

namespace {
// Corners within this of the origin keep every area and bound of a shape within 64-bit
// integers; farther ones no image has.
const int farthestCorner = 500000000;

bool hasFarCorner(const std::vector<QPoint>& corners)
{
    for (const QPoint& corner : corners)
        if (std::abs(qint64(corner.x())) > farthestCorner ||
            std::abs(qint64(corner.y())) > farthestCorner)
            return true;
    return false;
}
} // namespace

DatasetComparison::DatasetComparison(const AgreeOptions& agreeOptions, ConsoleReport& consoleReport,
                                     std::FILE* outStream)
    : options(agreeOptions), report(consoleReport), out(outStream)
{
}

int DatasetComparison::run()
{
    if (!compare())
        return exitUnusable;
    const QByteArray text = options.json ? agreementJson(*tally) : agreementTable(*tally);
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), out);
    std::fflush(out);
    report.summary(QStringLiteral("%1 images compared in %2 s")
                       .arg(tally->images())
                       .arg(report.elapsedSeconds(), 0, 'f', 1));
    return exitDone;
}

bool DatasetComparison::compare()
{
    if (!prepare())
        return false;
    const DatasetWalk walk(options.folderA, report);
    for (const QString& folder : walk.folders())
        compareFolder(walk, folder);
    return true;
}

bool DatasetComparison::prepare()
{
    for (const QString& folder : {options.folderA, options.folderB}) {
        if (!QFileInfo(folder).isDir()) {
            report.error(QStringLiteral("no folder %1").arg(folder));
            return false;
        }
    }
    std::ifstream vocabulary(QFile::encodeName(options.vocabulary).toStdString());
    if (!QFileInfo(options.vocabulary).isFile() || !vocabulary) {
        report.error(QStringLiteral("cannot read the vocabulary %1").arg(options.vocabulary));
        return false;
    }
    layout.read(vocabulary);
    tally = std::make_unique<AgreementTally>(layout, options.worstKept);
    return true;
}

void DatasetComparison::compareFolder(const DatasetWalk& walk, const QString& folder)
{
    // Left out, but said: a silent gap would read as full agreement.
    for (const QString& image : walk.undecodableImagesIn(folder))
        report.problem(QDir(options.folderA).filePath(DatasetWalk::joined(folder, image)),
                       QStringLiteral("name can't be read as UTF-8; image left out"));
    for (const QString& image : walk.imagesIn(folder))
        compareImage(DatasetWalk::joined(folder, image));
}

void DatasetComparison::compareImage(const QString& relativePath)
{
    const QString imageA = QDir(options.folderA).filePath(relativePath);
    // Its label file is its twin's, compared with that image: counted twice it would weigh double.
    const QString keeper = labelKeeperOnDisk(imageA);
    if (!keeper.isEmpty()) {
        report.problem(imageA, QStringLiteral("shares its label file %1 with %2; left out")
                                   .arg(QFileInfo(labelPathFor(imageA)).fileName(), keeper));
        return;
    }
    const QString labelA = labelPathFor(imageA);
    const QString labelB = labelPathFor(QDir(options.folderB).filePath(relativePath));
    if (!QFileInfo(labelA).isFile() || !QFileInfo(labelB).isFile())
        return;
    ImageAnnotation a;
    ImageAnnotation b;
    std::vector<Quad> cornersA;
    std::vector<Quad> cornersB;
    if (!readShapes(labelA, a, cornersA) || !readShapes(labelB, b, cornersB))
        return;
    tally->addImage(relativePath, a, b, matchShapes(cornersA, cornersB, options.iouThreshold));
    report.itemDone();
}

bool DatasetComparison::readShapes(const QString& labelPath, ImageAnnotation& annotation,
                                   std::vector<Quad>& corners)
{
    ImageAnnotation read;
    bool readToEnd = false;
    bool styleRead = false;
    if (!readLabelFile(read, QFile::encodeName(labelPath).toStdString(), readToEnd, styleRead)) {
        report.problem(labelPath, QStringLiteral("label file cannot be read; image left out"));
        return false;
    }
    if (!readToEnd)
        report.problem(labelPath, QStringLiteral("label file could not be read to its end; "
                                                 "the shapes before that point are compared"));
    if (!styleRead)
        report.problem(labelPath, QStringLiteral("style line cannot be read; image left out of "
                                                 "the styles"));
    else if (!AgreementTally::isStyle(read.styleIndex))
        report.problem(labelPath, QStringLiteral("style index %1 outside 0 to %2; image left "
                                                 "out of the styles")
                                      .arg(read.styleIndex)
                                      .arg(AgreementTally::styleCount - 1));
    // An unread style line counts as no style; no style is negative.
    annotation.styleIndex = styleRead ? read.styleIndex : -1;
    for (std::size_t i = 0; i < read.labels.size(); ++i) {
        const Label& label = read.labels[i];
        if (!keepShape(labelPath, static_cast<int>(i), label))
            continue;
        annotation.labels.push_back(label);
        corners.push_back(Quad{label.points[0], label.points[1], label.points[2], label.points[3]});
    }
    return true;
}

bool DatasetComparison::keepShape(const QString& labelPath, int index, const Label& label)
{
    if (hasFarCorner(label.points)) {
        report.shapeProblem(labelPath, index,
                            QStringLiteral("a corner farther than %1 pixels from the origin; "
                                           "left out")
                                .arg(farthestCorner));
        return false;
    }
    // The size first: isValid() complains on the console about any other count.
    if (label.points.size() != 4 || !label.isValid()) {
        report.shapeProblem(labelPath, index,
                            QStringLiteral("not four corners with uncrossed edges; left out"));
        return false;
    }
    for (const std::pair<int, int>& tag : label.tags) {
        if (tally->cellIndex(tag) < 0)
            report.shapeProblem(
                labelPath, index,
                QStringLiteral("tag (%1, %2) names no tag cell of the vocabulary; left out")
                    .arg(tag.first)
                    .arg(tag.second));
    }
    return true;
}
