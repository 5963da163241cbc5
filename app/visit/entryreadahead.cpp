#include "entryreadahead.h"

#include "earlyentryread.h"

#include <QtConcurrent/QtConcurrentRun>

#include <utility>

namespace {
QString keyOf(const QString& imagePath, const QString& labelPath)
{
    return imagePath + QLatin1Char('\n') + labelPath;
}

void cancelAll(QHash<QString, QFuture<EntryFiles>>& futures)
{
    for (QFuture<EntryFiles>& read : futures)
        read.cancel();
    futures.clear();
}
} // namespace

EntryReadAhead::EntryReadAhead(Reader reader) : reader(std::move(reader))
{
    worker.setMaxThreadCount(1);
}

EntryReadAhead::~EntryReadAhead()
{
    cancelAll(reads);
    cancelAll(earlier);
    worker.waitForDone();
}

// The start's first image, read while the window was made, counts as read ahead.
void EntryReadAhead::adoptEarlyRead()
{
    const EarlyEntryRead::Read early = EarlyEntryRead::take();
    if (early.files.isValid())
        reads.insert(keyOf(early.imagePath, early.labelPath), early.files);
}

void EntryReadAhead::readAhead(const QStringList& imagePaths, const QStringList& labelPaths)
{
    adoptEarlyRead();
    QHash<QString, QFuture<EntryFiles>> wanted;
    for (qsizetype at = 0; at < imagePaths.size() && at < labelPaths.size(); ++at) {
        const QString key = keyOf(imagePaths[at], labelPaths[at]);
        QFuture<EntryFiles> known = reads.take(key);
        if (!known.isValid())
            known = earlier.take(key);
        wanted.insert(key, known.isValid() ? known
                                           : QtConcurrent::run(&worker, reader, imagePaths[at],
                                                               labelPaths[at]));
    }
    // Images passed over with a held key: the one the operator stops at must not queue behind
    // their reads.
    cancelAll(earlier);
    earlier = std::exchange(reads, std::move(wanted));
}

EntryFiles EntryReadAhead::take(const QString& imagePath, const QString& labelPath)
{
    adoptEarlyRead();
    const QString key = keyOf(imagePath, labelPath);
    QFuture<EntryFiles> read = reads.take(key);
    if (!read.isValid())
        read = earlier.take(key);
    return read.isValid() ? read.result() : reader(imagePath, labelPath);
}
