#include "datasetexporter.h"

#include "cocowriter.h"
#include "labelpath.h"
#include "textlabelwriter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <fstream>

namespace {

const QStringList datasetFileFilters = {QStringLiteral("*.jpg"), QStringLiteral("*.lbl")};
const char imageSuffix[] = ".jpg";

bool isImageName(const QString& name)
{
    return name.endsWith(QLatin1String(imageSuffix), Qt::CaseInsensitive);
}

QString joined(const QString& folder, const QString& name)
{
    return folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
}

} // namespace

DatasetExporter::DatasetExporter(const ExportOptions& exportOptions, ConsoleReport& consoleReport)
    : options(exportOptions), report(consoleReport), classes(layout)
{
}

int DatasetExporter::run()
{
    if (!prepareInputs())
        return exitUnusable;
    std::unique_ptr<DatasetWriter> writer;
    if (!options.checkOnly) {
        writer = makeWriter();
        QString error;
        if (!writer->open(error)) {
            report.error(error);
            return exitUnusable;
        }
    }
    ImageChecker checker(classes, report);
    for (const QString& folder : datasetFolders()) {
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
    std::ifstream vocabulary(QFile::encodeName(options.vocabulary).toStdString());
    if (!QFileInfo(options.vocabulary).isFile() || !vocabulary) {
        report.error(QStringLiteral("cannot read the vocabulary %1").arg(options.vocabulary));
        return false;
    }
    layout.read(vocabulary);
    if (!classes.build(options.classCategory)) {
        report.error(QStringLiteral("the vocabulary %1 has no category %2")
                         .arg(options.vocabulary, options.classCategory));
        return false;
    }
    if (classes.count() == 0) {
        report.error(QStringLiteral("the vocabulary %1 has no class tags").arg(options.vocabulary));
        return false;
    }
    return true;
}

std::unique_ptr<DatasetWriter> DatasetExporter::makeWriter() const
{
    switch (options.format) {
    case ExportFormat::YoloObb:
        return std::make_unique<TextLabelWriter>(options.output, yoloObbFormat, classes);
    case ExportFormat::Dota:
        return std::make_unique<TextLabelWriter>(options.output, dotaFormat, classes);
    case ExportFormat::Coco:
        break;
    }
    return std::make_unique<CocoWriter>(options.output, classes);
}

QStringList DatasetExporter::datasetFolders() const
{
    // Folders in path order, so that image ids do not depend on the file system. Linked
    // folders are passed over: they could lead in a circle or show images twice.
    const QString rootPath = QDir(options.dataset).path();
    const qsizetype prefix = rootPath.size() + (rootPath.endsWith(QLatin1Char('/')) ? 0 : 1);
    QStringList folders{QString()};
    QDirIterator found(rootPath, QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                       QDirIterator::Subdirectories);
    while (found.hasNext())
        folders << found.next().mid(prefix);
    std::sort(folders.begin(), folders.end());
    return folders;
}

bool DatasetExporter::exportFolder(const QString& folder, ImageChecker& checker,
                                   DatasetWriter* writer)
{
    // A label file lies beside its image, so one folder at a time tells both apart.
    const QStringList names =
        QDir(datasetPath(folder)).entryList(datasetFileFilters, QDir::Files, QDir::Name);
    QSet<QString> labelNames;
    QSet<QString> claimedLabels;
    for (const QString& name : names) {
        if (!isImageName(name))
            labelNames.insert(name);
    }
    for (const QString& name : names) {
        if (!isImageName(name))
            continue;
        const QString labelName = labelPathFor(name);
        claimedLabels.insert(labelName);
        if (!exportImage(joined(folder, name), labelNames.contains(labelName), checker, writer))
            return false;
    }
    for (const QString& name : names) {
        if (!isImageName(name) && !claimedLabels.contains(name))
            checker.reportLabelWithoutImage(datasetPath(joined(folder, name)));
    }
    return true;
}

bool DatasetExporter::exportImage(const QString& relativePath, bool hasLabelFile,
                                  ImageChecker& checker, DatasetWriter* writer)
{
    ExportImage image;
    image.relativePath = relativePath;
    const QString imagePath = datasetPath(relativePath);
    const QString labelPath = hasLabelFile ? labelPathFor(imagePath) : QString();
    const bool usable = checker.check(imagePath, labelPath, image) &&
                        (options.format == ExportFormat::Coco || hasUniqueStem(relativePath));
    ++imagesFound;
    report.itemDone();
    if (!usable) {
        ++imagesLeftOut;
        shapesLostWithImages += static_cast<long long>(image.shapes.size());
        return true;
    }
    shapesWritten += static_cast<long long>(image.shapes.size());
    return !writer || writer->addImage(image);
}

bool DatasetExporter::hasUniqueStem(const QString& relativePath)
{
    // The text formats put every label file into one folder by the image's name.
    const QString stem = imageStem(relativePath);
    const auto found = pathsByStem.constFind(stem);
    if (found == pathsByStem.constEnd()) {
        pathsByStem.insert(stem, relativePath);
        return true;
    }
    report.problem(datasetPath(relativePath),
                   QStringLiteral("same name as %1; both would be written to %2.txt")
                       .arg(datasetPath(found.value()), stem));
    return false;
}

QString DatasetExporter::datasetPath(const QString& relativePath) const
{
    return relativePath.isEmpty() ? QDir(options.dataset).path()
                                  : QDir(options.dataset).filePath(relativePath);
}

int DatasetExporter::finish(DatasetWriter* writer, const ImageChecker& checker)
{
    const int problemExit = report.problems() > 0 ? exitProblems : exitDone;
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

QString DatasetExporter::tally(const ImageChecker& checker) const
{
    const long long shapesLeftOut = checker.shapesLeftOut() + shapesLostWithImages;
    return QStringLiteral("%1 images, %2 shapes, %3 categories, %4 problems "
                          "(%5 images and %6 shapes left out), %7 s")
        .arg(imagesFound)
        .arg(checker.shapesFound())
        .arg(classes.count())
        .arg(report.problems())
        .arg(imagesLeftOut)
        .arg(shapesLeftOut)
        .arg(report.elapsedSeconds(), 0, 'f', 2);
}
