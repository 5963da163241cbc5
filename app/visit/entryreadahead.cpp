#include "entryreadahead.h"

#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace {
QString keyOf(const QString& imagePath, const QString& labelPath)
{
    return imagePath + QLatin1Char('\n') + labelPath;
}
} // namespace

EntryReadAhead::EntryReadAhead()
{
    worker.setMaxThreadCount(1);
}

EntryReadAhead::~EntryReadAhead()
{
    reads.clear();
    earlier.clear();
    worker.waitForDone();
}

void EntryReadAhead::readAhead(const QStringList& imagePaths, const QStringList& labelPaths)
{
    QHash<QString, QFuture<EntryFiles>> wanted;
    for (qsizetype at = 0; at < imagePaths.size() && at < labelPaths.size(); ++at) {
        const QString key = keyOf(imagePaths[at], labelPaths[at]);
        const auto known = reads.constFind(key);
        wanted.insert(key, known != reads.cend()
                               ? *known
                               : QtConcurrent::run(&worker, &EntryFiles::read, imagePaths[at],
                                                   labelPaths[at]));
    }
    earlier = std::exchange(reads, std::move(wanted));
}

EntryFiles EntryReadAhead::take(const QString& imagePath, const QString& labelPath)
{
    const QString key = keyOf(imagePath, labelPath);
    QFuture<EntryFiles> read = reads.take(key);
    if (!read.isValid())
        read = earlier.take(key);
    return read.isValid() ? read.result() : EntryFiles::read(imagePath, labelPath);
}
