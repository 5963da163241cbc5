#ifndef QUADROTAG_IMAGEPREFETCHER_H
#define QUADROTAG_IMAGEPREFETCHER_H

#include "displayscale.h"
#include "screenimage.h"

#include <QDateTime>
#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QThreadPool>

// Decodes on a worker thread the image the operator will most likely ask for next, and
// hands it over when asked, so that moving on needs no decode. An image shown at half
// size or less is decoded reduced first, which is quick, and then at full resolution;
// the sharp image of the one on screen follows through sglSharpImageReady. Only pixels
// are made on the worker; everything else stays with the caller on the GUI thread.
// At most one decode runs; held are at most a reduced and a sharp next image.
class ImagePrefetcher : public QObject
{
    Q_OBJECT

public:
    explicit ImagePrefetcher(QObject* parent = nullptr);
    // Drops what waits; waits only for the decode running.
    ~ImagePrefetcher() override;

    // Starts decoding path in the background for showing at this scale, unless it is
    // decoded or being decoded. Replaces the previous wish.
    void prefetch(const QString& path, const DisplayScale& scale = DisplayScale());
    // The image at path for showing at this scale: the best decode made ahead if its file
    // has not changed since (waiting for one under way if need be), otherwise decoded now.
    // A reduced one is sharpened in the background. Null when the file can't be shown,
    // with the reason when it is the image's size. What was made ahead is given away.
    ScreenImage take(const QString& path, const DisplayScale& scale = DisplayScale());
    // Forgets every image made ahead and every decode still to come, as when a batch is
    // replaced.
    void clear();

    // Whether a decode of the image at path is waiting to be taken, reduced or sharp.
    bool holds(const QString& path) const;
    // Images held or being made, for memory checks.
    int imagesHeld() const;

signals:
    // The sharpest decode of the image last taken, which was given reduced.
    void sglSharpImageReady(const QString& path, const ScreenImage& image);

private:
    // What identifies the contents of a file without reading it.
    struct FileStamp
    {
        QString path;
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const FileStamp& other) const;
        bool isEmpty() const { return path.isEmpty(); }
    };
    static FileStamp stampOf(const QString& path);

    struct Job
    {
        FileStamp stamp;
        bool preview = false;
        DisplayScale scale;
    };

    bool isDecoding() const;
    ScreenImage takeHeld(const FileStamp& stamp);
    void startNextJob();
    void startDecode(const Job& job);
    void decodeFinished();
    void keepWishedDecode(const ScreenImage& image);
    void dropWish();

    QThreadPool pool;
    QFutureWatcher<ScreenImage> running;
    Job runningJob;
    // The image last taken, while it is on screen reduced and its sharp decode is to come.
    FileStamp toSharpen;
    // The image wished for next, the scale it will be shown at, and its decodes so far.
    FileStamp wished;
    DisplayScale wishedScale;
    ScreenImage wishedPreview;
    ScreenImage wishedSharpest;
    // The sharpest decode of the wished image is done, also when it failed.
    bool wishedDone = false;
};

#endif
