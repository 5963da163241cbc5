#ifndef QUADROTAG_ENTRYREADAHEAD_H
#define QUADROTAG_ENTRYREADAHEAD_H

#include "entryfiles.h"

#include <QFuture>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <functional>

// Reads ahead, on a worker of its own, the files of the images the prefetch decodes, so that
// entering one of them waits for no file of a share. Its thread waits on the network, not the
// processor, so it runs beside the decodes instead of behind them.
class EntryReadAhead
{
public:
    using Reader = std::function<EntryFiles(const QString& imagePath, const QString& labelPath)>;

    // reader reads one image's files on the worker; a test may hold it up.
    explicit EntryReadAhead(Reader reader = &EntryFiles::read);
    ~EntryReadAhead();

    // Starts reading these images' files (label paths in the same order), unless they are read
    // or being read; forgets the others, and a read of those not yet begun never runs.
    void readAhead(const QStringList& imagePaths, const QStringList& labelPaths);
    // The files of this image: as read ahead (waiting for a read under way), else read now.
    EntryFiles take(const QString& imagePath, const QString& labelPath);

private:
    void adoptEarlyRead();

    Reader reader;
    QThreadPool worker;
    // Image path and label path -> its files: those last wished for, and those wished for the
    // time before, among which is the image a step enters after wishing for the next ones.
    QHash<QString, QFuture<EntryFiles>> reads;
    QHash<QString, QFuture<EntryFiles>> earlier;
};

#endif
