#include "batchfiles.h"

#include "labelpath.h"

#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QHash>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <numeric>

namespace {

const QString imageSuffix = QStringLiteral(".jpg");

// Regular files only, so a folder named like a label file counts as no label file, as
// it does when the image is loaded.
QStringList fileNamesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Unsorted);
}

QString folderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QStringLiteral(".") : path.left(slash + 1);
}

QString fileNameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool isVisibleJpeg(const QString& name)
{
    return name.endsWith(imageSuffix, Qt::CaseInsensitive) && !name.startsWith(QLatin1Char('.'));
}

// As fileNamesIn, counting the images among them as it goes.
QStringList fileNamesCounting(const QString& folder, std::atomic<int>& found)
{
    // Often enough for a status bar, rarely enough to cost nothing.
    const int countEvery = 1024;
    QStringList names;
    int images = 0;
    QDirIterator entries(folder, QDir::Files | QDir::Hidden);
    while (entries.hasNext()) {
        entries.next();
        names.append(entries.fileName());
        if (isVisibleJpeg(names.constLast()) && ++images % countEvery == 0)
            found.store(images, std::memory_order_relaxed);
    }
    found.store(images, std::memory_order_relaxed);
    return names;
}

QCollator naturalCollator()
{
    // The C locale compares code points and ignores numeric mode; the shell of a
    // server or a test often runs with it.
    const QLocale system;
    QCollator collator(system.language() == QLocale::C ? QLocale(QLocale::English) : system);
    collator.setNumericMode(true);
    return collator;
}

} // namespace

void sortNaturally(QStringList& names)
{
    // Sort keys once per name: comparing through the collator costs many times more.
    const QCollator collator = naturalCollator();
    std::vector<QCollatorSortKey> keys;
    keys.reserve(std::size_t(names.size()));
    for (const QString& name : names)
        keys.push_back(collator.sortKey(name));
    std::vector<int> order(std::size_t(names.size()));
    std::iota(order.begin(), order.end(), 0);
    // Names the collator finds equal ("img2", "img02") keep a fixed order.
    std::sort(order.begin(), order.end(), [&](int left, int right) {
        const int byKey = keys[std::size_t(left)].compare(keys[std::size_t(right)]);
        return byKey != 0 ? byKey < 0 : names[left] < names[right];
    });
    QStringList sorted;
    sorted.reserve(names.size());
    for (int index : order)
        sorted.append(names[index]);
    names = sorted;
}

BatchFiles listFolderImages(const QString& folder, std::atomic<int>* found)
{
    const QDir dir(folder);
    const QStringList names = found ? fileNamesCounting(folder, *found) : fileNamesIn(folder);
    const QSet<QString> present(names.begin(), names.end());
    QStringList images;
    for (const QString& name : names)
        if (isVisibleJpeg(name))
            images.append(name);
    sortNaturally(images);

    const QStringList proposalNames = fileNamesIn(dir.filePath(proposalFolderName));
    const QSet<QString> proposals(proposalNames.begin(), proposalNames.end());

    BatchFiles batch;
    batch.imagePaths.reserve(images.size());
    batch.labelled.reserve(std::size_t(images.size()));
    batch.proposed.reserve(std::size_t(images.size()));
    for (const QString& name : images) {
        batch.imagePaths.append(dir.filePath(name));
        batch.labelled.push_back(present.contains(labelPathFor(name)));
        batch.proposed.push_back(proposals.contains(labelPathFor(name)));
    }
    return batch;
}

namespace {

// Whether the file that pathFor gives for each image exists, listing each folder once.
std::vector<bool> findEach(const QStringList& imagePaths, QString (*pathFor)(const QString&))
{
    QHash<QString, QSet<QString>> namesByFolder;
    std::vector<bool> found;
    found.reserve(std::size_t(imagePaths.size()));
    for (const QString& imagePath : imagePaths) {
        const QString path = pathFor(imagePath);
        const QString folder = folderOf(path);
        auto listed = namesByFolder.find(folder);
        if (listed == namesByFolder.end()) {
            const QStringList names = fileNamesIn(folder);
            listed = namesByFolder.insert(folder, QSet<QString>(names.begin(), names.end()));
        }
        found.push_back(listed->contains(fileNameOf(path)));
    }
    return found;
}

} // namespace

std::vector<bool> findLabelFiles(const QStringList& imagePaths)
{
    return findEach(imagePaths, labelPathFor);
}

BatchFiles findBatchFiles(const QStringList& imagePaths)
{
    return {imagePaths, findLabelFiles(imagePaths), findEach(imagePaths, proposalPathFor)};
}

int firstImageToLabel(const BatchFiles& batch, const std::vector<QString>& holders)
{
    for (std::size_t image = 0; image < batch.labelled.size(); ++image)
        if (!batch.labelled[image] && !(image < batch.proposed.size() && batch.proposed[image]) &&
            (image >= holders.size() || holders[image].isEmpty()))
            return int(image);
    return 0;
}

int startImageOf(const BatchFiles& batch, const QString& lastShown,
                 const std::vector<QString>& holders)
{
    const int remembered = lastShown.isEmpty() ? -1 : int(batch.imagePaths.indexOf(lastShown));
    if (remembered >= 0)
        return remembered;
    return firstImageToLabel(batch, holders);
}
