#include "entryreadahead.h"

#include <QtConcurrent/QtConcurrentRun>

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
    reads = std::move(wanted);
}

EntryFiles EntryReadAhead::take(const QString& imagePath, const QString& labelPath)
{
    const QFuture<EntryFiles> read = reads.take(keyOf(imagePath, labelPath));
    return read.isValid() ? read.result() : EntryFiles::read(imagePath, labelPath);
}
