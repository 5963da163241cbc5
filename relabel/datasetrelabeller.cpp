#include "datasetrelabeller.h"

#include "imageholders.h"
#include "labelfile.h"
#include "recoverywriter.h"
#include "reviewrekeying.h"
#include "scratchsweep.h"
#include "taglayout.h"
#include "tagtranslation.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <fstream>
#include <optional>

namespace {

const char labelPattern[] = "*.lbl";
// The unsaved state of an image beside its label file, in the same format: "Recover" must
// bring back the cells of the new vocabulary.
const char recoveryPattern[] = ".*.lbl.recovery";
// The same, for a label file whose name is too long to stand in it: a digest stands instead.
const char digestRecoveryPattern[] = ".#*.recovery";
// Proposals are label files too; every other hidden folder (.git and the like) is not ours.
const char proposalsFolder[] = ".proposals";
const char indexFileName[] = "index2tag.csv";

QString joined(const QString& folder, const QString& name)
{
    return folder.isEmpty() ? name : folder + QLatin1Char('/') + name;
}

bool isLabelFolder(const QString& name)
{
    return !name.startsWith(QLatin1Char('.')) || name == QLatin1String(proposalsFolder);
}

// True when one folder lies inside the other or both are the same: its files would be
// seen twice, and the second visit would translate them again.
bool overlaps(const QString& first, const QString& second)
{
    const QString a = first + QLatin1Char('/');
    const QString b = second + QLatin1Char('/');
    return a.startsWith(b) || b.startsWith(a);
}

// Unsaved edits an operator kept when a claim went elsewhere, offered back later: label files
// too, one folder per operator and computer.
QStringList keptSubfolders(const QString& folderPath)
{
    const QString kept = QStringLiteral(".quadrotag/kept");
    // A link there leads out of the dataset, as a linked subfolder would.
    const QDir folder(folderPath);
    if (QFileInfo(folder.filePath(QStringLiteral(".quadrotag"))).isSymLink() ||
        QFileInfo(folder.filePath(kept)).isSymLink())
        return QStringList();
    QStringList subfolders =
        QDir(folder.filePath(kept))
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks | QDir::Hidden,
                       QDir::Name);
    for (QString& name : subfolders)
        name = kept + QLatin1Char('/') + name;
    return subfolders;
}

QStringList labelSubfolders(const QString& folderPath)
{
    QStringList subfolders;
    QDirIterator found(folderPath,
                       QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks | QDir::Hidden);
    while (found.hasNext()) {
        found.next();
        if (isLabelFolder(found.fileName()))
            subfolders << found.fileName();
    }
    std::sort(subfolders.begin(), subfolders.end());
    return subfolders;
}

void findHolders(ImageHolders& holders, const QString& folderPath,
                 std::vector<ImageHolders::Held>& held)
{
    const std::vector<ImageHolders::Held> here = holders.heldIn(folderPath);
    held.insert(held.end(), here.begin(), here.end());
    for (const QString& name : labelSubfolders(folderPath))
        findHolders(holders, QDir(folderPath).filePath(name), held);
}

// The writer a recovery file's companion names for these bytes, if any.
std::optional<RecoveryWriter> keeperOf(const QString& path, const QByteArray& bytes)
{
    if (!path.endsWith(QStringLiteral(".recovery")))
        return std::nullopt;
    QFile line(path + QStringLiteral(".writer"));
    const qint64 longestLine = 4096;
    if (!QFileInfo(line).isFile() || !line.open(QIODevice::ReadOnly))
        return std::nullopt;
    return writerOfBytes(line.read(longestLine), bytes.toStdString());
}

// The relabelled work stays named as its writer's: the line is tied to the bytes it names.
void renameKeeper(const QString& path, const RecoveryWriter& keeper, const QByteArray& bytes)
{
    // A short temporary name: the companion's own may take all 255 bytes.
    writeLabelBytes(writerLine(keeper, bytes.toStdString()).toStdString(),
                    QFile::encodeName(path + QStringLiteral(".writer")).toStdString());
}

QByteArray fileContents(const QString& path, bool& readable)
{
    QFile file(path);
    readable = file.open(QIODevice::ReadOnly);
    return readable ? file.readAll() : QByteArray();
}

} // namespace

DatasetRelabeller::DatasetRelabeller(const RelabelOptions& relabelOptions,
                                     ConsoleReport& consoleReport)
    : options(relabelOptions), report(consoleReport)
{
}

DatasetRelabeller::~DatasetRelabeller() = default;

int DatasetRelabeller::run()
{
    if (!prepare())
        return exitUnusable;
    for (Dataset& dataset : datasets) {
        if (dataset.journal->isFinished()) {
            report.note(QStringLiteral("%1 says this relabelling of %2 is done; nothing to do")
                            .arg(dataset.journal->path(), dataset.path));
            continue;
        }
        if (!relabelFolder(dataset, QString()))
            return interrupted ? exitInterrupted : exitUnusable;
    }
    // A program that opened an image meanwhile read its old cells: the run stays unfinished, so
    // the next one relabels what that program saves.
    if (!options.dryRun && filesFound > 0 && !checkHolders(true))
        return exitUnusable;
    if (!finishRun())
        return interrupted ? exitInterrupted : exitUnusable;
    report.summary(summary());
    return report.problems() > 0 ? exitProblems : exitDone;
}

bool DatasetRelabeller::prepare()
{
    if (!readInputs())
        return false;
    translation =
        std::make_unique<TagTranslation>(before, after, options.renames, options.dropMissing);
    QString error;
    if (!translation->checkRenames(error)) {
        report.error(error);
        return false;
    }
    return openDatasets() && checkHolders(false);
}

// Before any write: a program holding an image would save its old cells over the relabelled file.
bool DatasetRelabeller::checkHolders(bool atEnd)
{
    ImageHolders holders;
    std::vector<ImageHolders::Held> held;
    for (const Dataset& dataset : datasets)
        findHolders(holders, dataset.path, held);
    for (const ImageHolders::Held& file : held) {
        const QString holder =
            file.unreadable ? QStringLiteral("a program whose claim file can't be read")
                            : file.holder.operatorName + QStringLiteral(" on ") + file.holder.host;
        if (options.dryRun)
            report.problem(
                file.labelPath,
                QStringLiteral("held by %1; quit that program before relabelling").arg(holder));
        else
            report.error(QStringLiteral("held by %1: %2").arg(holder, file.labelPath));
    }
    if (held.empty() || options.dryRun)
        return true;
    report.error(atEnd ? QStringLiteral("opened while this run relabelled them: the relabelling "
                                        "is not finished; quit those programs, then run the "
                                        "same command again to relabel what they saved")
                       : QStringLiteral("nothing was written: quit the programs holding these "
                                        "images first, then run the same command again"));
    return false;
}

bool DatasetRelabeller::readInputs()
{
    if (!before.read(options.from)) {
        report.error(QStringLiteral("cannot read the tag index %1").arg(options.from));
        return false;
    }
    std::ifstream vocabulary(QFile::encodeName(options.vocabulary).toStdString());
    if (!QFileInfo(options.vocabulary).isFile() || !vocabulary) {
        report.error(QStringLiteral("cannot read the vocabulary %1").arg(options.vocabulary));
        return false;
    }
    TagLayout layout;
    layout.read(vocabulary);
    after = TagIndex::ofLayout(layout);
    return true;
}

bool DatasetRelabeller::openDatasets()
{
    const QByteArray fromDigest = RelabelJournal::digestOf(before.toBytes());
    const QByteArray toDigest = RelabelJournal::digestOf(after.toBytes());
    for (const QString& path : options.datasets) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            report.error(QStringLiteral("no dataset folder %1").arg(path));
            return false;
        }
        for (const Dataset& other : datasets) {
            if (overlaps(QFileInfo(other.path).canonicalFilePath(), info.canonicalFilePath())) {
                report.error(
                    QStringLiteral("the dataset folders %1 and %2 overlap").arg(other.path, path));
                return false;
            }
        }
        Dataset dataset{QDir(path).path(), std::make_unique<RelabelJournal>(path)};
        QString error;
        if (!dataset.journal->open(fromDigest, toDigest, error)) {
            report.error(error);
            return false;
        }
        datasets.push_back(std::move(dataset));
    }
    return true;
}

bool DatasetRelabeller::relabelFolder(Dataset& dataset, const QString& folder)
{
    // Files are taken as the folder hands them out, so that memory does not grow with
    // the size of a folder; only the names of subfolders wait.
    const QString folderPath = QDir(dataset.path).filePath(folder);
    // A run killed midway left its temporary files here; a dry run writes nothing.
    if (!options.dryRun)
        removeStaleTemporaryFiles(folderPath);
    QDirIterator files(folderPath, {QString::fromLatin1(labelPattern)},
                       QDir::Files | QDir::NoSymLinks);
    QDirIterator recoveryFiles(
        folderPath,
        {QString::fromLatin1(recoveryPattern), QString::fromLatin1(digestRecoveryPattern)},
        QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (QDirIterator* found : {&files, &recoveryFiles}) {
        while (found->hasNext()) {
            found->next();
            if (!relabelFile(dataset, joined(folder, found->fileName())))
                return false;
        }
    }
    for (const QString& name : labelSubfolders(folderPath) + keptSubfolders(folderPath)) {
        if (!relabelFolder(dataset, joined(folder, name)))
            return false;
    }
    return true;
}

bool DatasetRelabeller::relabelFile(Dataset& dataset, const QString& relativePath)
{
    ++filesFound;
    report.itemDone();
    const QString path = QDir(dataset.path).filePath(relativePath);
    bool readable = false;
    const QByteArray bytes = fileContents(path, readable);
    QByteArray recordedDigest;
    const bool journaled = dataset.journal->recorded(relativePath, recordedDigest);
    if (journaled && RelabelJournal::digestOf(bytes) == recordedDigest) {
        ++filesDoneBefore;
        return true;
    }

    ImageAnnotation annotation;
    bool readToEnd = false;
    if (!readable || !readLabelFile(annotation, QFile::encodeName(path).toStdString(), readToEnd) ||
        !readToEnd) {
        ++filesLeftUntouched;
        report.problem(path, QStringLiteral("cannot be read to its end; left untouched"));
        return true;
    }
    std::vector<TagTranslation::PairChange> changes;
    QStringList problems;
    if (!translation->translate(annotation, changes, problems)) {
        ++filesLeftUntouched;
        for (const QString& problem : problems)
            report.problem(path, problem + QStringLiteral("; left untouched"));
        return true;
    }
    if (changes.empty())
        return true;

    const QByteArray translated =
        QByteArray::fromStdString(labelFileContentsOfEveryShape(annotation));
    const QByteArray digest = RelabelJournal::digestOf(translated);
    if (journaled && digest != recordedDigest) {
        ++filesLeftUntouched;
        report.problem(path, QStringLiteral("changed since an earlier run of this relabelling "
                                            "translated it; left untouched"));
        return true;
    }
    ++filesRelabelled;
    if (options.dryRun) {
        for (const TagTranslation::PairChange& change : changes)
            report.notice(path, change.text());
        return true;
    }
    const std::optional<RecoveryWriter> keeper = keeperOf(path, bytes);
    if (!replaceFile(dataset, relativePath, path, bytes, translated, journaled))
        return false;
    bool replaced = false;
    if (keeper && fileContents(path, replaced) == translated && replaced)
        renameKeeper(path, *keeper, translated);
    return true;
}

bool DatasetRelabeller::replaceFile(Dataset& dataset, const QString& relativePath,
                                    const QString& path, const QByteArray& bytes,
                                    const QByteArray& translated, bool journaled)
{
    const QByteArray digest = RelabelJournal::digestOf(translated);
    // The journal first: a file replaced but not recorded would be translated twice.
    if (!journaled) {
        if (!mayWrite())
            return false;
        if (!dataset.journal->record(relativePath, digest)) {
            report.error(QStringLiteral("cannot write %1").arg(dataset.journal->path()));
            return false;
        }
    }
    // Within the journal's step, before the file: a run stopped in between leaves a review
    // that says "changed" until the run is resumed, never one that holds for other bytes.
    QString failed;
    const QStringList rekeyed = ReviewRekeying::rekey(path, bytes, translated, failed);
    if (!failed.isEmpty())
        report.problem(failed, QStringLiteral("cannot be written; its verdict counts as changed"));
    if (!mayWrite())
        return false;
    if (!writeLabelBytes(translated.toStdString(), QFile::encodeName(path).toStdString())) {
        --filesRelabelled;
        ++filesLeftUntouched;
        report.problem(path, QStringLiteral("cannot be written; left untouched"));
        QString ignored;
        if (!rekeyed.isEmpty())
            ReviewRekeying::rekey(path, translated, bytes, ignored);
    }
    return true;
}

bool DatasetRelabeller::finishRun()
{
    if (options.dryRun || report.problems() > 0)
        return true;
    // Marked complete before the index changes: a run stopped in between finds every
    // file done and only writes the index.
    for (Dataset& dataset : datasets) {
        if (dataset.journal->isFinished())
            continue;
        if (!mayWrite())
            return false;
        if (!dataset.journal->finish()) {
            report.error(QStringLiteral("cannot write %1").arg(dataset.journal->path()));
            return false;
        }
    }
    return updateIndex();
}

bool DatasetRelabeller::updateIndex()
{
    const QString indexPath =
        QFileInfo(options.vocabulary).dir().filePath(QLatin1String(indexFileName));
    const QByteArray bytes = after.toBytes();
    bool readable = false;
    const QByteArray present = fileContents(indexPath, readable);
    if (readable && present == bytes)
        return true;
    if (!mayWrite())
        return false;
    if (readable && TagIndex::keepCopy(indexPath).isEmpty()) {
        report.error(QStringLiteral("cannot keep a copy of %1").arg(indexPath));
        return false;
    }
    if (!mayWrite())
        return false;
    QSaveFile index(indexPath);
    if (!index.open(QIODevice::WriteOnly) || index.write(bytes) != bytes.size() ||
        !index.commit()) {
        report.error(QStringLiteral("cannot write %1").arg(indexPath));
        return false;
    }
    return true;
}

bool DatasetRelabeller::mayWrite()
{
    if (beforeEachWrite)
        beforeEachWrite();
    if (writesLeft < 0)
        return true;
    if (writesLeft == 0) {
        interrupted = true;
        return false;
    }
    --writesLeft;
    return true;
}

QString DatasetRelabeller::summary() const
{
    QString text =
        QStringLiteral("%1 label files, %2 %3, %4 done by an earlier run, %5 left "
                       "untouched")
            .arg(filesFound)
            .arg(filesRelabelled)
            .arg(options.dryRun ? QStringLiteral("would change") : QStringLiteral("relabelled"))
            .arg(filesDoneBefore)
            .arg(filesLeftUntouched);
    if (!options.dryRun && report.problems() > 0)
        text += QStringLiteral("; index2tag.csv not changed: solve the problems and run the "
                               "same command again");
    return text;
}
