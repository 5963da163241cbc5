#include "predictionimporter.h"

#include "imageheader.h"
#include "labelfile.h"
#include "labelkeeper.h"
#include "labelpath.h"
#include "scratchsweep.h"
#include "stemregistry.h"
#include "stopsignals.h"
#include "textpredictions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace {

const char cocoFileName[] = "instances.json";
const char yoloNamesFile[] = "data.yaml";
const char yoloLabelFolder[] = "labels";
const char dotaLabelFolder[] = "labelTxt";
const char task1Prefix[] = "Task1_";
const char textSuffix[] = ".txt";
// No line of a prediction file is longer; a longer one is no prediction.
const qint64 maxLineBytes = 4096;
const qint64 maxNamesFileBytes = 1 << 20;

QString lineItem(qint64 number)
{
    return QStringLiteral("line %1").arg(number);
}

// The first bytes of a file, which is left at its start.
QByteArray headOf(std::FILE* file)
{
    char head[4] = {};
    const std::size_t count = std::fread(head, 1, sizeof head, file);
    std::rewind(file);
    return QByteArray(head, static_cast<qsizetype>(count));
}

QString tooLongText()
{
    return QStringLiteral("longer than %1 bytes").arg(maxLineBytes);
}

} // namespace

PredictionImporter::PredictionImporter(const ImportOptions& importOptions,
                                       ConsoleReport& consoleReport)
    : options(importOptions), report(consoleReport), classes(layout),
      walk(importOptions.dataset, consoleReport),
      builder(classes, consoleReport, importOptions.minScore)
{
}

int PredictionImporter::run()
{
    if (!prepareInputs())
        return exitUnusable;
    removeStaleScratch(QDir::tempPath());
    const bool imported = options.format == DatasetFormat::Coco ? importCoco() : importTextFiles();
    return imported ? finish() : exitUnusable;
}

bool PredictionImporter::prepareInputs()
{
    if (!QFileInfo(options.dataset).isDir()) {
        report.error(QStringLiteral("no dataset folder %1").arg(options.dataset));
        return false;
    }
    if (!QFileInfo::exists(options.predictions)) {
        report.error(QStringLiteral("no predictions %1").arg(options.predictions));
        return false;
    }
    QString error;
    if (!loadClasses(options.vocabulary, options.classCategory, layout, classes, error)) {
        report.error(error);
        return false;
    }
    return true;
}

bool PredictionImporter::importCoco()
{
    const QString path = QFileInfo(options.predictions).isDir()
                             ? QDir(options.predictions).filePath(QLatin1String(cocoFileName))
                             : options.predictions;
    CocoPredictionReader coco(path, classNames(), report);
    if (!readCoco(path, coco) || (coco.isResultsList() && !readPredictedImages(coco)))
        return false;
    for (const CocoImage& image : coco.images()) {
        const bool inside = isInsideDataset(image.fileName);
        // Known before the masks are decoded, so that one of another size costs nothing.
        QSize size;
        QString unread;
        if (inside)
            readImageSize(walk.pathOf(image.fileName), size, unread);
        const std::vector<Prediction> predictions = coco.take(image.id, size);
        if (inside)
            importImage(image.fileName, image.styleIndex, predictions);
        // The instances a results list was predicted on may name more images than it has
        // predictions for; those are no concern of this import.
        else if (!coco.isResultsList() || !predictions.empty())
            report.problem(
                path, QStringLiteral("image %1 is not in %2").arg(image.fileName, options.dataset));
    }
    coco.reportUnclaimed(QStringLiteral("no such image id"));
    return true;
}

bool PredictionImporter::readCoco(const QString& path, CocoPredictionReader& coco)
{
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "rb");
    QString error = file ? encodingFault(headOf(file)) : QString();
    const bool read = file && error.isEmpty() && coco.read(file, error);
    if (file)
        std::fclose(file);
    // A stop ends the parse early; that is no fault of the file.
    StopSignals::check();
    if (!read)
        report.error(QStringLiteral("cannot read %1: %2")
                         .arg(path, file ? error : QStringLiteral("no such file")));
    return read;
}

bool PredictionImporter::readPredictedImages(CocoPredictionReader& results)
{
    // Numbering the dataset's images here would guess: an export leaves images out.
    if (options.images.isEmpty()) {
        report.error(QStringLiteral("%1 is a results list, which names images by id only; "
                                    "give the instances.json it was predicted on with --images "
                                    "FILE")
                         .arg(options.predictions));
        return false;
    }
    CocoPredictionReader instances(options.images, classNames(), report);
    instances.skipAnnotations();
    if (!readCoco(options.images, instances))
        return false;
    if (instances.images().empty()) {
        report.error(QStringLiteral("%1 names no images").arg(options.images));
        return false;
    }
    results.takeNamesFrom(instances);
    return true;
}

QStringList PredictionImporter::classNames() const
{
    QStringList names;
    for (int index = 0; index < classes.count(); ++index)
        names << classes.name(index);
    return names;
}

bool PredictionImporter::importTextFiles()
{
    if (!prepareTextFiles())
        return false;
    const QStringList folders = walk.folders();
    // Only the shared names stay in memory; the others are claimed on disk.
    StemRegistry seen(QDir::tempPath());
    if (!seen.isValid()) {
        report.error(QStringLiteral("cannot make a scratch folder"));
        return false;
    }
    QSet<QString> shared;
    findSharedStems(folders, seen, shared);
    for (const QString& folder : folders) {
        for (const QString& name : walk.imagesIn(folder)) {
            const QString stem = imageStem(name);
            const QString relativePath = DatasetWalk::joined(folder, name);
            if (!hasPredictions(stem))
                continue;
            if (shared.contains(stem))
                report.problem(walk.pathOf(relativePath),
                               QStringLiteral("another image is named %1 too; the predictions "
                                              "for that name are given to neither")
                                   .arg(stem));
            else
                importImage(relativePath, 0, predictionsOfImage(stem));
        }
    }
    if (textLayout != TextLayout::DotaTask1)
        reportUnmatchedFiles(seen);
    // Reported with their images above, not as predictions for an image that is missing.
    for (const QString& stem : shared)
        task1Spool.take(stem.toUtf8());
    for (const QByteArray& image : task1Spool.remainingKeys()) {
        report.problem(options.predictions,
                       QStringLiteral("%1 predictions for the image %2, which is not in %3")
                           .arg(task1Spool.take(image).size())
                           .arg(QString::fromUtf8(image), options.dataset));
    }
    return true;
}

void PredictionImporter::reportUnmatchedFiles(StemRegistry& imageStems)
{
    // Names differ from an image's in case or spelling more often than a model predicts
    // nothing: a file no image takes up is told of.
    const QDir labels(labelFolder);
    const QString pattern = QLatin1Char('*') + QLatin1String(textSuffix);
    for (const QString& name : labels.entryList({pattern}, QDir::Files, QDir::Name)) {
        if (imageStems.claim(name.chopped(static_cast<qsizetype>(sizeof textSuffix) - 1)))
            report.problem(labels.filePath(name),
                           QStringLiteral("no image of this name in %1").arg(options.dataset));
    }
    // Qt's listing passes over these without a word.
    const DatasetWalk labelWalk(labelFolder, report);
    for (const QString& name : labelWalk.undecodableFilesIn(QString(), pattern.mid(1)))
        report.problem(labels.filePath(name),
                       QStringLiteral("name can't be read as UTF-8; no image takes it up"));
}

void PredictionImporter::findSharedStems(const QStringList& folders, StemRegistry& seen,
                                         QSet<QString>& shared)
{
    for (const QString& folder : folders) {
        for (const QString& name : walk.imagesIn(folder)) {
            StopSignals::check();
            const QString stem = imageStem(name);
            if (!seen.claim(stem))
                shared.insert(stem);
        }
    }
}

bool PredictionImporter::hasPredictions(const QString& stem) const
{
    if (textLayout == TextLayout::DotaTask1)
        return task1Spool.has(stem.toUtf8());
    return QFileInfo::exists(QDir(labelFolder).filePath(stem + QLatin1String(textSuffix)));
}

bool PredictionImporter::prepareTextFiles()
{
    const QDir predictions(options.predictions);
    if (options.format == DatasetFormat::YoloObb) {
        textLayout = TextLayout::YoloObb;
        labelFolder = predictions.filePath(QLatin1String(yoloLabelFolder));
        QFile names(predictions.filePath(QLatin1String(yoloNamesFile)));
        QString error;
        const QByteArray yaml =
            names.open(QIODevice::ReadOnly) ? names.read(maxNamesFileBytes) : QByteArray();
        error = encodingFault(yaml);
        if (!names.isOpen() || !error.isEmpty() || !parseYoloNames(yaml, yoloNames, error)) {
            report.error(QStringLiteral("cannot read the class names of %1: %2")
                             .arg(names.fileName(), error.isEmpty() ? names.errorString() : error));
            return false;
        }
    } else {
        labelFolder = predictions.filePath(QLatin1String(dotaLabelFolder));
        textLayout =
            QFileInfo(labelFolder).isDir() ? TextLayout::DotaLabels : TextLayout::DotaTask1;
    }
    if (textLayout == TextLayout::DotaTask1)
        return spoolTask1Files();
    if (!QFileInfo(labelFolder).isDir()) {
        report.error(QStringLiteral("no folder %1").arg(labelFolder));
        return false;
    }
    return true;
}

bool PredictionImporter::spoolTask1Files()
{
    const QDir predictions(options.predictions);
    task1Files = predictions.entryList(
        {QLatin1String(task1Prefix) + QLatin1Char('*') + QLatin1String(textSuffix)}, QDir::Files,
        QDir::Name);
    if (task1Files.isEmpty() || !task1Spool.isValid()) {
        report.error(QStringLiteral("no folder %1 and no %2*.txt files in %3")
                         .arg(labelFolder, QLatin1String(task1Prefix), options.predictions));
        return false;
    }
    // A results file per class, each listing every image: sorted by image on disk first.
    for (qsizetype fileIndex = 0; fileIndex < task1Files.size(); ++fileIndex) {
        QFile file(predictions.filePath(task1Files.at(fileIndex)));
        if (!file.open(QIODevice::ReadOnly)) {
            report.error(QStringLiteral("cannot read %1").arg(file.fileName()));
            return false;
        }
        if (const QString fault = encodingFault(file.peek(4)); !fault.isEmpty()) {
            report.problem(file.fileName(), fault);
            continue;
        }
        for (qint64 number = 1; !file.atEnd(); ++number) {
            StopSignals::check();
            QByteArray line;
            if (!readBoundedLine(file, maxLineBytes, line)) {
                report.problem(file.fileName(),
                               lineItem(number) + QStringLiteral(": ") + tooLongText());
                continue;
            }
            line = line.trimmed();
            const qsizetype space = line.indexOf(' ');
            if (line.isEmpty())
                continue;
            const QByteArray record =
                QByteArray::number(fileIndex) + ' ' + QByteArray::number(number) + ' ' + line;
            if (space <= 0 || !task1Spool.append(line.left(space), record))
                report.problem(file.fileName(), lineItem(number) + QStringLiteral(": no image"));
        }
    }
    return true;
}

std::vector<Prediction> PredictionImporter::predictionsOfImage(const QString& stem)
{
    if (textLayout == TextLayout::DotaTask1)
        return takeTask1(stem);
    return readPredictionFile(QDir(labelFolder).filePath(stem + QLatin1String(textSuffix)));
}

std::vector<Prediction> PredictionImporter::readPredictionFile(const QString& path)
{
    std::vector<Prediction> predictions;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        report.problem(path, QStringLiteral("cannot be read: %1").arg(file.errorString()));
        return predictions;
    }
    if (const QString fault = encodingFault(file.peek(4)); !fault.isEmpty()) {
        report.problem(path, fault);
        return predictions;
    }
    for (qint64 number = 1; !file.atEnd(); ++number) {
        QByteArray line;
        const bool whole = readBoundedLine(file, maxLineBytes, line);
        line = line.trimmed();
        Prediction prediction;
        QString error;
        if (whole &&
            (line.isEmpty() || (textLayout == TextLayout::DotaLabels && isDotaHeaderLine(line))))
            continue;
        if (!whole)
            prediction.error = tooLongText();
        else if (!parseLine(line, prediction, error))
            prediction.error = error;
        prediction.source = path;
        prediction.item = lineItem(number);
        predictions.push_back(std::move(prediction));
    }
    return predictions;
}

std::vector<Prediction> PredictionImporter::takeTask1(const QString& stem)
{
    std::vector<Prediction> predictions;
    for (const QByteArray& record : task1Spool.take(stem.toUtf8())) {
        // "file-index line-number image score x1 y1 ... y4", as spoolTask1Files wrote it.
        const QList<QByteArray> head = record.split(' ');
        const QString fileName = task1Files.value(head.value(0).toInt());
        const QString path = QDir(options.predictions).filePath(fileName);
        const QString item = lineItem(head.value(1).toLongLong());
        Prediction prediction;
        QByteArray image;
        QString error;
        const qsizetype lineStart = head.value(0).size() + head.value(1).size() + 2;
        if (!parseTask1Line(record.mid(lineStart), image, prediction, error))
            prediction.error = error;
        prediction.className = fileName.mid(static_cast<qsizetype>(sizeof task1Prefix) - 1)
                                   .chopped(static_cast<qsizetype>(sizeof textSuffix) - 1);
        prediction.source = path;
        prediction.item = item;
        predictions.push_back(std::move(prediction));
    }
    return predictions;
}

bool PredictionImporter::parseLine(const QByteArray& line, Prediction& prediction,
                                   QString& error) const
{
    if (textLayout == TextLayout::YoloObb)
        return parseYoloObbLine(line, yoloNames, prediction, error);
    return parseDotaLine(line, prediction, error);
}

bool PredictionImporter::isInsideDataset(const QString& relativePath) const
{
    // A name from someone else's file must not lead the proposal out of the dataset, nor
    // into a hidden folder, which is never part of it.
    const QString clean = QDir::cleanPath(relativePath);
    const QStringList parts = clean.split(QLatin1Char('/'));
    const bool hidden = std::any_of(parts.begin(), parts.end(), [](const QString& part) {
        return part.startsWith(QLatin1Char('.'));
    });
    // No file name holds a NUL; asked about one, the toolkit would complain on the console.
    // Looked for before cleaning, which may drop the part that holds it.
    const bool nameOfNoFile = relativePath.contains(QChar(u'\0'));
    return !clean.isEmpty() && !QDir::isAbsolutePath(clean) && !hidden && !nameOfNoFile &&
           DatasetWalk::isImageName(clean) && QFileInfo(walk.pathOf(clean)).isFile();
}

void PredictionImporter::importImage(const QString& relativePath, int styleIndex,
                                     const std::vector<Prediction>& predictions)
{
    // Between images, so that no proposal is left half written.
    StopSignals::check();
    const QString imagePath = walk.pathOf(relativePath);
    ++imagesRead;
    report.itemDone();
    // Its proposal would be the one its twin shows: the label file and proposal go by stem.
    const QString keeper = labelKeeperOnDisk(imagePath);
    if (!keeper.isEmpty()) {
        report.problem(imagePath, QStringLiteral("shares its label file %1 with %2; left out")
                                      .arg(QFileInfo(labelPathFor(imagePath)).fileName(), keeper));
        return;
    }
    QSize size;
    QString error;
    if (!readImageSize(imagePath, size, error)) {
        report.problem(imagePath, QStringLiteral("image header cannot be read: %1").arg(error));
        return;
    }
    ImageAnnotation proposal;
    proposal.styleIndex = styleIndex;
    for (const Prediction& prediction : predictions)
        builder.add(prediction, size, proposal);
    // Nothing to review: the image stays as unlabelled as it was.
    if (!proposal.labels.empty())
        writeProposal(imagePath, proposal);
}

void PredictionImporter::writeProposal(const QString& imagePath, const ImageAnnotation& proposal)
{
    if (QFileInfo::exists(labelPathFor(imagePath)))
        ++imagesLabelled;
    const QString path = proposalPathFor(imagePath);
    const QString folder = QFileInfo(path).path();
    if (!sweptFolders.contains(folder))
        removeStaleTemporaryFiles(folder);
    sweptFolders.insert(folder);
    if (!options.replace && QFileInfo::exists(path)) {
        ++proposalsKept;
        return;
    }
    if (!QDir().mkpath(QFileInfo(path).path()) ||
        !writeLabelFile(proposal, QFile::encodeName(path).toStdString())) {
        report.problem(path, QStringLiteral("proposal cannot be written"));
        return;
    }
    ++proposalsWritten;
}

int PredictionImporter::finish()
{
    report.summary(QStringLiteral("Imported into %1: %2 images, %3 proposals written, %4 kept "
                                  "(--replace replaces them), %5 images already labelled; "
                                  "%6 predictions, %7 below --min-score, %8 left out; "
                                  "%9 problems, %10 s")
                       .arg(options.dataset)
                       .arg(imagesRead)
                       .arg(proposalsWritten)
                       .arg(proposalsKept)
                       .arg(imagesLabelled)
                       .arg(builder.found())
                       .arg(builder.belowScore())
                       .arg(builder.leftOut())
                       .arg(report.problems())
                       .arg(report.elapsedSeconds(), 0, 'f', 2));
    return report.problems() > 0 ? exitProblems : exitDone;
}
