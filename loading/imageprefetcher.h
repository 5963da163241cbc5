#ifndef QUADROTAG_IMAGEPREFETCHER_H
#define QUADROTAG_IMAGEPREFETCHER_H

#include "displayscale.h"
#include "screenimage.h"

#include <QDateTime>
#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>

#include <array>
#include <vector>

// Decodes on worker threads the images the operator will most likely ask for next, and
// hands them over when asked, so that moving on needs no decode. An image shown at half
// size or less is decoded reduced first, which is quick, and then at full resolution;
// the sharp image of the one on screen follows through sglSharpImageReady. Only pixels
// are made on the workers; everything else stays with the caller on the GUI thread.
// At most two decodes run, of which at most one at full resolution.
class ImagePrefetcher : public QObject
{
    Q_OBJECT

public:
    explicit ImagePrefetcher(QObject* parent = nullptr);
    // Drops what waits; waits only for the decodes running.
    ~ImagePrefetcher() override;

    // Starts decoding path in the background for showing at this scale, unless it is
    // decoded or being decoded. Replaces the previous wishes.
    void prefetch(const QString& path, const DisplayScale& scale = DisplayScale());
    // The same for the images likely next, most likely first: the first is decoded
    // reduced and sharp, the others only reduced, for an operator who skims. Decodes
    // already made for any of them are kept; those for other images are dropped.
    void prefetch(const QStringList& paths, const DisplayScale& scale);
    // The image at path for showing at this scale: the best decode made ahead if its file
    // has not changed since (waiting for one under way if need be), otherwise decoded now.
    // A reduced one is sharpened in the background. Null when the file can't be shown,
    // with the reason when it is the image's size. What was made ahead is given away.
    ScreenImage take(const QString& path, const DisplayScale& scale = DisplayScale());
    // The same for the image stepped to, except where that would decode it here at length (a
    // large image of a format decoded only whole): it is decoded on a worker instead, first of
    // all, and comes back pending, its pixels through sglImageArrived.
    ScreenImage takeOrDecodeBehind(const QString& path, const DisplayScale& scale);
    // Forgets every image made ahead and every decode still to come, as when a batch is
    // replaced.
    void clear();
    // The image taken pending is no longer wanted: its decode, left to finish, is dropped.
    void stopAwaiting() { awaited = FileStamp(); }

    // Whether a decode of the image at path is waiting to be taken, reduced or sharp.
    bool holds(const QString& path) const;
    // Images held or being made, for memory checks.
    int imagesHeld() const;

signals:
    // The sharpest decode of the image last taken, which was given reduced.
    void sglSharpImageReady(const QString& path, const ScreenImage& image);
    // The image last taken pending, null when it can't be shown; never once another image
    // was taken or the prefetcher cleared.
    void sglImageArrived(const QString& path, const ScreenImage& image);

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

    // An image wished for and its decodes so far.
    struct Wish
    {
        FileStamp stamp;
        ScreenImage preview;
        ScreenImage sharpest;
        // The sharpest decode is made, also when it failed.
        bool done = false;
    };

    ScreenImage takeStamped(const FileStamp& stamp, const DisplayScale& scale,
                            bool mayDecodeBehind);
    ScreenImage decodeBehind(const FileStamp& stamp);
    Wish* wishFor(const FileStamp& stamp);
    bool isMade(const FileStamp& stamp);
    ScreenImage takeHeld(const FileStamp& stamp);
    ScreenImage finishDecodeOf(const FileStamp& stamp);
    bool isDecoding(int worker) const;
    bool isDecoding(const FileStamp& stamp, bool preview) const;
    bool isDecodingSharp() const;
    bool nextJob(Job& job) const;
    void startJobs();
    void startDecode(int worker, const Job& job);
    void decodeFinished(int worker);
    void keepDecode(Wish& wish, const ScreenImage& image);

    static constexpr int workers = 2;
    QThreadPool pool;
    std::array<QFutureWatcher<ScreenImage>, workers> running;
    std::array<Job, workers> runningJobs;
    // The image last taken, while it is on screen reduced and its sharp decode is to come.
    FileStamp toSharpen;
    // The image taken pending, while its decode runs.
    FileStamp awaited;
    // The images likely next, most likely first, and the scale they will be shown at.
    std::vector<Wish> wishes;
    DisplayScale wishedScale;
    // Runs from each take for a little longer than a held key takes to repeat: while an
    // operator skims at a small scale, full-resolution decodes would only be wasted.
    QTimer skimming;
};

#endif
