#ifndef QUADROTAG_EARLYENTRYREAD_H
#define QUADROTAG_EARLYENTRYREAD_H

#include "entryfiles.h"

#include <QFuture>
#include <QString>

// The files that entering the image a start shows first needs, read while the toolkit and the
// window are made: on a share each of them waits round trips that would otherwise follow the
// window instead of running beside it.
class EarlyEntryRead
{
public:
    // Begins reading the files of the image at imagePath, beside its own label file, on a
    // thread of its own, in place of any read begun before.
    static void start(const QString& imagePath);
    struct Read
    {
        QString imagePath;
        QString labelPath;
        QFuture<EntryFiles> files;
    };
    // The read begun early, once; files is invalid where there is none. The first read ahead
    // takes it, so that no entry long after takes files read at the start.
    static Read take();
    // Reads still under way, which the end of the program must not wait for.
    static int underWay();
};

#endif
