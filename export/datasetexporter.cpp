#include "datasetexporter.h"

#include "cocowriter.h"
#include "labelowner.h"
#include "labelpath.h"
#include "reviewfile.h"
#include "reviewstate.h"
#include "scratchsweep.h"
#include "statisticstext.h"
#include "stopsignals.h"
#include "teampaths.h"
#include "textlabelwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <vector>

namespace {

// Images whose label file another image of the folder keeps ("x.JPG" or "x.png" beside
// "x.jpg"), each with that image: one label file can't be the annotation of two photos. The
// window's rule picks the keeper, so what it lets be edited is what is exported. Only a suffix
// not written ".jpg" can make a twin, so most folders need no look-up.
QHash<QString, QString> labelTwinsOf(const QStringList& images)
{
    QSet<QString> twinStems;
    for (const QString& name : images)
        if (!name.endsWith(QLatin1String(".jpg")))
            twinStems.insert(labelPathFor(name));
    QHash<QString, QStringList> namesOf;
    for (const QString& name : images)
        if (twinStems.contains(labelPathFor(name)))
            namesOf[labelPathFor(name)] << name;
    QHash<QString, QString> twins;
    for (const QStringList& names : std::as_const(namesOf)) {
        const QString& owner = names[labelOwnerAmong(names)];
        for (const QString& name : names)
            if (name != owner)
                twins.insert(name, owner);
    }
    return twins;
}

} // namespace

DatasetExporter::DatasetExporter(const ExportOptions& exportOptions, ConsoleReport& consoleReport)
    : options(exportOptions), report(consoleReport), classes(layout),
      walk(exportOptions.dataset, consoleReport)
{
}

int DatasetExporter::run()
{
    if (!prepareInputs())
        return exitUnusable;
    removeStaleScratch(QDir::tempPath());
    if (!options.checkOnly)
        removeStaleScratch(options.output);
    if (options.stats)
        statistics = std::make_unique<DatasetStatistics>(layout);
    std::unique_ptr<DatasetWriter> writer;
    if (!options.checkOnly) {
        writer = makeWriter();
        QString error;
        if (!writer->open(error)) {
            report.error(error);
            return exitUnusable;
        }
    }
    if (options.format != DatasetFormat::Coco) {
        stems =
            std::make_unique<StemRegistry>(options.checkOnly ? QDir::tempPath() : options.output);
        if (!stems->isValid()) {
            report.error(QStringLiteral("cannot make a scratch folder"));
            return exitUnusable;
        }
    }
    ImageChecker checker(classes, report);
    folders = walk.folders();
    for (const QString& folder : folders) {
        if (!exportFolder(folder, checker, writer.get())) {
            report.error(
                QStringLiteral("cannot write in %1; nothing was written").arg(options.output));
            return exitUnusable;
        }
    }
    return finish(writer.get(), checker);
}

bool DatasetExporter::prepareInputs()
{
    if (!QFileInfo(options.dataset).isDir()) {
        report.error(QStringLiteral("no dataset folder %1").arg(options.dataset));
        return false;
    }
    QString error;
    if (!loadClasses(options.vocabulary, options.classCategory, layout, classes, error)) {
        report.error(error);
        return false;
    }
    // Two tags of one stem would become one class: the trainer could not tell them apart.
    for (const QString& name : classes.sharedNames())
        report.problem(options.vocabulary,
                       QStringLiteral("more than one class tag is named %1").arg(name));
    // Likewise an attribute: read back, it would name the first of them.
    for (const QString& name : classes.sharedTagNames())
        report.problem(options.vocabulary, QStringLiteral("more than one tag of %1 is named %2")
                                               .arg(name.section(QStringLiteral(": "), 0, 0),
                                                    name.section(QStringLiteral(": "), 1)));
    return true;
}

std::unique_ptr<DatasetWriter> DatasetExporter::makeWriter() const
{
    switch (options.format) {
    case DatasetFormat::YoloObb:
        return std::make_unique<TextLabelWriter>(options.output, yoloObbFormat, classes);
    case DatasetFormat::Dota:
        return std::make_unique<TextLabelWriter>(options.output, dotaFormat, classes);
    case DatasetFormat::Coco:
        break;
    }
    return std::make_unique<CocoWriter>(options.output, classes);
}

bool DatasetExporter::exportFolder(const QString& folder, ImageChecker& checker,
                                   DatasetWriter* writer)
{
    // A label file lies beside its image, so one folder at a time tells both apart. Both
    // lists are sorted: a look-up costs a search, not a pass over a large folder.
    const QStringList labelNames = walk.labelFilesIn(folder);
    std::vector<bool> claimed(static_cast<std::size_t>(labelNames.size()), false);
    for (const QString& name : walk.undecodableImagesIn(folder)) {
        report.problem(datasetPath(DatasetWalk::joined(folder, name)),
                       QStringLiteral("name can't be read as UTF-8; left out"));
        ++imagesFound;
        ++imagesLeftOut;
    }
    const QStringList images = walk.imagesIn(folder);
    const QHash<QString, QString> twins = labelTwinsOf(images);
    for (const QString& name : images) {
        // Between images, so that no file is left half written.
        StopSignals::check();
        const QString labelName = labelPathFor(name);
        if (twins.contains(name)) {
            report.problem(datasetPath(DatasetWalk::joined(folder, name)),
                           QStringLiteral("shares its label file %1 with %2; left out")
                               .arg(labelName, twins.value(name)));
            ++imagesFound;
            ++imagesLeftOut;
            continue;
        }
        const auto found = std::lower_bound(labelNames.begin(), labelNames.end(), labelName);
        const bool hasLabelFile = found != labelNames.end() && *found == labelName;
        if (hasLabelFile)
            claimed[static_cast<std::size_t>(found - labelNames.begin())] = true;
        QByteArray acceptedBytes;
        if (!isReviewedEnough(DatasetWalk::joined(folder, name), hasLabelFile, acceptedBytes))
            continue;
        const QByteArray* labelBytes = options.acceptedOnly ? &acceptedBytes : nullptr;
        if (!exportImage(DatasetWalk::joined(folder, name), hasLabelFile, labelBytes, checker,
                         writer))
            return false;
    }
    for (qsizetype index = 0; index < labelNames.size(); ++index) {
        if (!claimed[static_cast<std::size_t>(index)])
            checker.reportLabelWithoutImage(
                datasetPath(DatasetWalk::joined(folder, labelNames.at(index))));
    }
    return true;
}

bool DatasetExporter::exportImage(const QString& relativePath, bool hasLabelFile,
                                  const QByteArray* labelBytes, ImageChecker& checker,
                                  DatasetWriter* writer)
{
    ExportImage image;
    image.relativePath = relativePath;
    const QString imagePath = datasetPath(relativePath);
    const QString labelPath = hasLabelFile ? labelPathFor(imagePath) : QString();
    const bool usable =
        checker.check(imagePath, labelPath, image, labelBytes) &&
        (options.format == DatasetFormat::Coco || hasUniqueStem(relativePath, writer));
    ++imagesFound;
    report.itemDone();
    if (!usable) {
        ++imagesLeftOut;
        shapesLostWithImages += static_cast<long long>(image.shapes.size());
        return true;
    }
    // Counted as exported: an image left out adds nothing to the statistics.
    countImage(image, hasLabelFile, checker);
    shapesWritten += static_cast<long long>(image.shapes.size());
    return !writer || writer->addImage(image);
}

bool DatasetExporter::hasUniqueStem(const QString& relativePath, DatasetWriter* writer)
{
    // The text formats put every label file into one folder by the image's name.
    const QString stem = imageStem(relativePath);
    if (writer ? writer->claimName(stem) : stems->claim(stem))
        return true;
    report.problem(datasetPath(relativePath),
                   QStringLiteral("same name as %1; both would be written to %2.txt")
                       .arg(datasetPath(firstImageNamed(stem)), stem));
    return false;
}

QString DatasetExporter::firstImageNamed(const QString& stem) const
{
    // Names are claimed on disk, not kept in memory: the rare clash looks the first one up.
    for (const QString& folder : folders) {
        for (const QString& name : walk.imagesIn(folder)) {
            if (imageStem(name) == stem)
                return DatasetWalk::joined(folder, name);
        }
    }
    return stem;
}

QString DatasetExporter::datasetPath(const QString& relativePath) const
{
    return walk.pathOf(relativePath);
}

int DatasetExporter::finish(DatasetWriter* writer, const ImageChecker& checker)
{
    const int problemExit = report.problems() > 0 ? exitProblems : exitDone;
    if (statistics)
        statistics->setOperators(OperatorSaves::ofDataset(options.dataset));
    if (statistics && options.printStats) {
        const QByteArray text = options.json ? statisticsJson(*statistics, report.problems())
                                             : statisticsTable(*statistics, report.problems());
        std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
        std::fflush(stdout);
    }
    if (!writer) {
        report.summary(QStringLiteral("Checked %1").arg(tally(checker)));
        return problemExit;
    }
    if (report.problems() > 0 && !options.force) {
        report.summary(QStringLiteral("Nothing written, --force exports in spite of problems. "
                                      "Checked %1")
                           .arg(tally(checker)));
        return exitProblems;
    }
    QString error;
    if (!writer->commit(error)) {
        report.error(error);
        return exitUnusable;
    }
    report.summary(QStringLiteral("Exported to %1: %2").arg(writer->target(), tally(checker)));
    return problemExit;
}

bool DatasetExporter::isReviewedEnough(const QString& relativePath, bool hasLabelFile,
                                       QByteArray& acceptedBytes)
{
    if (!options.acceptedOnly)
        return true;
    const QString imagePath = datasetPath(relativePath);
    Review review;
    // One read of the label file: a save between a hash and a second read would export bytes
    // the lead never accepted.
    QFile labelFile(labelPathFor(imagePath));
    if (hasLabelFile && readReview(reviewPathFor(imagePath), review) &&
        labelFile.open(QIODevice::ReadOnly)) {
        acceptedBytes = labelFile.readAll();
        if (reviewStateFor(&review, bytesDigest(acceptedBytes)) == ReviewState::Accepted)
            return true;
    }
    ++imagesNotAccepted;
    return false;
}

QString DatasetExporter::tally(const ImageChecker& checker) const
{
    const long long shapesLeftOut = checker.shapesLeftOut() + shapesLostWithImages;
    const QString notAccepted =
        options.acceptedOnly
            ? QStringLiteral(", %1 images passed over as not accepted").arg(imagesNotAccepted)
            : QString();
    return QStringLiteral("%1 images, %2 shapes, %3 categories, %4 problems "
                          "(%5 images and %6 shapes left out)%8, %7 s")
        .arg(imagesFound)
        .arg(checker.shapesFound())
        .arg(classes.count())
        .arg(report.problems())
        .arg(imagesLeftOut)
        .arg(shapesLeftOut)
        .arg(report.elapsedSeconds(), 0, 'f', 2)
        .arg(notAccepted);
}

void DatasetExporter::countImage(const ExportImage& image, bool hasLabelFile,
                                 const ImageChecker& checker)
{
    if (!statistics)
        return;
    const QString imagePath = datasetPath(image.relativePath);
    ReviewState review = ReviewState::Unlabelled;
    bool hasProposal = false;
    if (hasLabelFile) {
        review = reviewStateOf(imagePath, labelPathFor(imagePath));
        statistics->addLabelled(checker.lastExported());
        statistics->addReview(review);
    } else {
        hasProposal = QFileInfo(proposalPathFor(imagePath)).isFile();
        statistics->addUnlabelled(hasProposal);
    }
    if (listener)
        listener->imageCounted(image, hasLabelFile ? &checker.lastExported() : nullptr, review,
                               hasProposal);
}
