#include "batchfiles.h"

#include "filenames.h"
#include "folderimages.h"
#include "labelowner.h"
#include "labelpath.h"
#include "naturalorder.h"
#include "starttrace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <future>
#include <string>
#include <system_error>

namespace {

// The label file of "room.jpg" is "room.lbl": both share the name up to the suffix.
NameSet labelStemsIn(const QString& folder)
{
    NameSet stems;
    forEachFileIn(folder, [&](std::string_view name) {
        if (isLabelFileName(name))
            stems.insert(stemOf(name));
    });
    return stems;
}

// What QDir(folder).filePath puts before a file name: the folder and a slash, or nothing
// more for the root.
QString filePathPrefix(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("x")).chopped(1);
}

// Where the label file of an image really is: a folder reached through a link is the
// folder itself. Each folder is resolved once.
QString labelFileKey(const QString& imagePath, QHash<QString, QString>& canonicalFolders)
{
    const QFileInfo image(imagePath);
    const QString folder = image.path();
    auto canonical = canonicalFolders.constFind(folder);
    if (canonical == canonicalFolders.cend()) {
        const QString resolved = QFileInfo(folder).canonicalFilePath();
        canonical = canonicalFolders.insert(folder, resolved.isEmpty() ? folder : resolved);
    }
    return canonical.value() + QLatin1Char('/') + labelPathFor(image.fileName());
}

} // namespace

void sortNaturally(QStringList& names)
{
    QStringList sorted;
    sorted.reserve(names.size());
    for (const int index : naturalOrderOf(names))
        sorted.append(names[index]);
    names = sorted;
}

BatchFiles listFolderImages(const QString& folder, std::atomic<int>* found)
{
    return listFolderImages(folder, found, FirstImageWish());
}

namespace {

// The remembered image's name as the folder spells it, when it lies directly in the folder.
std::string rememberedName(const QString& remembered, const QString& pathPrefix)
{
    if (remembered.isEmpty() || !remembered.startsWith(pathPrefix))
        return std::string();
    const QString name = remembered.mid(pathPrefix.size());
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        return std::string();
    return QFile::encodeName(name).toStdString();
}

void tellFirstImage(const FolderImages& images, const NameSet& labels, const NameSet& proposals,
                    const QString& pathPrefix, const FirstImageWish& wish)
{
    if (!wish.tell)
        return;
    const auto first =
        images.firstToShow(labels, proposals, rememberedName(wish.remembered, pathPrefix));
    traceStartStep("first image found");
    if (first)
        wish.tell(images.pathAt(pathPrefix, *first));
}

// The proposals folder listed beside the images' folder: on a share each listing waits on its
// own round trips. Without a thread to spare it is listed when asked for.
std::future<NameSet> listProposalsOf(const QString& folder)
{
    const QString proposalFolder = QDir(folder).filePath(proposalFolderName);
    try {
        return std::async(std::launch::async, labelStemsIn, proposalFolder);
    } catch (const std::system_error&) {
        return std::async(std::launch::deferred, labelStemsIn, proposalFolder);
    }
}

} // namespace

BatchFiles listFolderImages(const QString& folder, std::atomic<int>* found,
                            const FirstImageWish& wish)
{
    std::future<NameSet> proposalsListed = listProposalsOf(folder);
    FolderImages images;
    NameSet labels;
    forEachFileIn(folder, [&](std::string_view name) {
        if (isVisibleImage(name))
            images.add(name, found);
        else if (isLabelFileName(name))
            labels.insert(stemOf(name));
    });
    if (found)
        found->store(int(images.size()), std::memory_order_relaxed);
    traceStartStep("folder read");
    const NameSet proposals = proposalsListed.get();
    const QString pathPrefix = filePathPrefix(folder);
    tellFirstImage(images, labels, proposals, pathPrefix, wish);
    BatchFiles batch = images.sortedBatch(pathPrefix, labels, proposals);
    traceStartStep("batch made");
    return batch;
}

namespace {

// Whether the file that pathFor gives for each image is a regular file, asked of each file by
// itself: a few images named in a folder of a hundred thousand cost a few look-ups, not a
// listing of the folder.
std::vector<bool> findEach(const QStringList& imagePaths, QString (*pathFor)(const QString&))
{
    std::vector<bool> found;
    found.reserve(std::size_t(imagePaths.size()));
    for (const QString& imagePath : imagePaths)
        found.push_back(QFileInfo(pathFor(imagePath)).isFile());
    return found;
}

} // namespace

std::vector<bool> findLabelFiles(const QStringList& imagePaths)
{
    return findEach(imagePaths, labelPathFor);
}

// One image named twice is one photo: its rows may both edit its label file.
QHash<int, int> sharedLabelsOf(const QStringList& imagePaths)
{
    QHash<QString, QString> canonicalFolders;
    QHash<QString, int> firstRowOf;
    QHash<QString, std::vector<int>> twinRowsOf;
    for (qsizetype row = 0; row < imagePaths.size(); ++row) {
        const QString key = labelFileKey(imagePaths[row], canonicalFolders);
        const auto first = firstRowOf.constFind(key);
        if (first == firstRowOf.cend()) {
            firstRowOf.insert(key, int(row));
            continue;
        }
        std::vector<int>& rows = twinRowsOf[key];
        if (rows.empty())
            rows.push_back(first.value());
        rows.push_back(int(row));
    }
    QHash<int, int> shared;
    for (const std::vector<int>& rows : std::as_const(twinRowsOf)) {
        QStringList names;
        for (const int row : rows)
            names << QFileInfo(imagePaths[row]).fileName();
        const qsizetype owner = labelOwnerAmong(names);
        // The same image named twice is one photo, not a twin.
        for (qsizetype twin = 0; twin < names.size(); ++twin)
            if (names[twin] != names[owner])
                shared.insert(rows[std::size_t(twin)], rows[std::size_t(owner)]);
    }
    return shared;
}

namespace {

// The stems of the named images' file names, as the file system spells them, by folder.
QHash<QString, QSet<QByteArray>> stemsByFolder(const QStringList& imagePaths)
{
    QHash<QString, QSet<QByteArray>> stems;
    for (const QString& path : imagePaths) {
        const QFileInfo image(path);
        const QByteArray name = QFile::encodeName(image.fileName());
        const std::string_view stem = stemOf(std::string_view(name.constData(), name.size()));
        stems[image.path()].insert(QByteArray(stem.data(), qsizetype(stem.size())));
    }
    return stems;
}

// The regular files of folder whose stem is one of these: the named images' label files and
// the images beside them that share one, from one listing instead of a look-up for every
// spelling of every image suffix, each of which is a round trip on a share.
QSet<QByteArray> namesOfStems(const QString& folder, const QSet<QByteArray>& stems)
{
    QSet<QByteArray> names;
    forEachFileIn(folder, [&](std::string_view name) {
        const std::string_view stem = stemOf(name);
        if (stems.contains(QByteArray::fromRawData(stem.data(), qsizetype(stem.size()))))
            names.insert(QByteArray(name.data(), qsizetype(name.size())));
    });
    return names;
}

struct FilesBeside
{
    QSet<QByteArray> inFolder;
    QSet<QByteArray> proposals;
};

// The image beside this one that keeps their shared label file, or empty when it keeps its own.
QString keeperBeside(const QString& fileName, const QSet<QByteArray>& inFolder)
{
    const QByteArray own = QFile::encodeName(fileName);
    const std::string_view ownName(own.constData(), std::size_t(own.size()));
    // Only image suffixes make twins.
    if (!isImageFileName(ownName))
        return QString();
    QStringList names{fileName};
    for (const QByteArray& name : inFolder) {
        const std::string_view other(name.constData(), std::size_t(name.size()));
        if (name != own && isImageFileName(other) && stemOf(other) == stemOf(ownName))
            names << QFile::decodeName(name);
    }
    const qsizetype keeper = labelOwnerAmong(names);
    return keeper <= 0 ? QString() : names[keeper];
}

} // namespace

BatchFiles findBatchFiles(const QStringList& imagePaths)
{
    const QHash<QString, QSet<QByteArray>> stems = stemsByFolder(imagePaths);
    QHash<QString, FilesBeside> folders;
    for (auto folder = stems.cbegin(); folder != stems.cend(); ++folder)
        folders.insert(folder.key(),
                       {namesOfStems(folder.key(), folder.value()),
                        namesOfStems(QDir(folder.key()).filePath(QLatin1String(proposalFolderName)),
                                     folder.value())});
    BatchFiles batch{imagePaths, {}, {}, sharedLabelsOf(imagePaths), {}, {}};
    for (qsizetype row = 0; row < imagePaths.size(); ++row) {
        const QFileInfo image(imagePaths[row]);
        const FilesBeside& beside = folders[image.path()];
        const QByteArray labelName = QFile::encodeName(labelPathFor(image.fileName()));
        const bool shared = batch.sharedLabels.contains(int(row));
        const QString keeper = shared ? QString() : keeperBeside(image.fileName(), beside.inFolder);
        if (!keeper.isEmpty())
            batch.keepersOutside.insert(int(row), keeper);
        // A row that doesn't keep its label file is never ticked for it.
        batch.labelled.push_back(!shared && keeper.isEmpty() &&
                                 beside.inFolder.contains(labelName));
        batch.proposed.push_back(beside.proposals.contains(labelName));
    }
    return batch;
}

int firstImageToLabel(const BatchFiles& batch, const std::vector<QString>& holders)
{
    for (std::size_t image = 0; image < batch.labelled.size(); ++image)
        if (!batch.labelled[image] && !(image < batch.proposed.size() && batch.proposed[image]) &&
            (image >= holders.size() || holders[image].isEmpty()) &&
            !batch.sharedLabels.contains(int(image)) && !batch.keepersOutside.contains(int(image)))
            return int(image);
    return 0;
}

int startImageOf(const BatchFiles& batch, const QString& lastShown,
                 const std::vector<QString>& holders)
{
    const int remembered = lastShown.isEmpty() ? -1 : int(batch.imagePaths.indexOf(lastShown));
    // Held by another operator meanwhile it could only be looked at: labelling goes on elsewhere.
    const bool heldByAnother = remembered >= 0 && std::size_t(remembered) < holders.size() &&
                               !holders[std::size_t(remembered)].isEmpty();
    if (remembered >= 0 && !heldByAnother)
        return remembered;
    return firstImageToLabel(batch, holders);
}
