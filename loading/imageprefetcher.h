#ifndef QUADROTAG_IMAGEPREFETCHER_H
#define QUADROTAG_IMAGEPREFETCHER_H

#include "screenimage.h"

#include <QDateTime>
#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QThreadPool>

// Decodes the image the operator will most likely ask for next on a worker thread,
// and hands it over when asked, so that moving on needs no decode. Only pixels are
// made on the worker; everything else stays with the caller on the GUI thread.
// At most one decode runs and one waits: a newer wish replaces the waiting one.
class ImagePrefetcher : public QObject
{
    Q_OBJECT

public:
    explicit ImagePrefetcher(QObject* parent = nullptr);
    // Drops the waiting decode; waits only for the one running.
    ~ImagePrefetcher() override;

    // Starts decoding path in the background, unless it is decoded or being decoded.
    void prefetch(const QString& path);
    // The image at path: the prefetched one if its file has not changed since (waiting
    // for its decode to finish if need be), otherwise decoded now. Null when the file
    // can't be shown, with the reason when it is the image's size. The prefetched image
    // is given away.
    ScreenImage take(const QString& path);
    // Forgets every prefetched image and the waiting decode, as when a batch is replaced.
    void clear();

    // Whether the image at path is decoded and waiting to be taken.
    bool holds(const QString& path) const;
    // Images held or being made, for memory checks: the prefetched one and the running decode.
    int imagesHeld() const;

private:
    // What identifies the contents of a file without reading it.
    struct FileStamp
    {
        QString path;
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const FileStamp& other) const;
    };
    static FileStamp stampOf(const QString& path);

    void startDecode(const QString& path);
    void decodeFinished();

    QThreadPool pool;
    QFutureWatcher<ScreenImage> running;
    FileStamp runningStamp;
    // False once the running decode is no longer wanted: its image is dropped when done.
    bool keepRunningResult = false;
    // The decode asked for while another one runs; replaced by every newer wish.
    QString waitingPath;
    ScreenImage prefetched;
    FileStamp prefetchedStamp;
};

#endif
