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
#include <functional>
#include <optional>
#include <vector>

// Decodes on worker threads the images the operator will most likely ask for next, and
// hands them over when asked, so that moving on needs no decode. An image shown at half
// size or less is decoded reduced first, which is quick, and then at full resolution;
// the sharp image of the one on screen follows through sglSharpImageReady. Only pixels
// are made on the workers; everything else stays with the caller on the GUI thread.
// At most two decodes run, of which at most one at full resolution. The GUI thread never
// looks at a file: each decode is stamped on its worker, and an image handed over is
// checked against its file there afterwards.
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
    // did not change while it was decoded (waiting for one under way if need be), otherwise
    // decoded now. A reduced one is sharpened in the background; a sharp one made ahead is
    // compared with its file on a worker, and decoded anew when the file changed since. Both
    // follow through sglSharpImageReady. Null when the file can't be shown, with the reason
    // when it is the image's size. What was made ahead is given away.
    ScreenImage take(const QString& path, const DisplayScale& scale = DisplayScale());
    // The same for the image stepped to, without decoding or waiting here: an image not made
    // ahead (nor failed ahead) is decoded on a worker, first of all, reduced where the scale
    // allows, and comes back pending, its pixels through sglImageArrived. Even its header is
    // read there.
    ScreenImage takeOrDecodeBehind(const QString& path, const DisplayScale& scale);
    // Forgets every image made ahead and every decode still to come, as when a batch is
    // replaced.
    void clear();
    // The image taken pending is no longer wanted: its decode, left to finish, is dropped.
    void stopAwaiting() { awaited.clear(); }

    // Gives every decode worker this work ahead of any decode asked for later, as a test
    // holds them to keep an image loading.
    void runOnEveryWorker(const std::function<void()>& work);

    // Whether a decode of the image at path is waiting to be taken, reduced or sharp.
    bool holds(const QString& path) const;
    // Images held or being made, for memory checks.
    int imagesHeld() const;

signals:
    // The sharpest decode of the image last taken, which was given reduced or from a file
    // that changed since.
    void sglSharpImageReady(const QString& path, const ScreenImage& image);
    // The image last taken pending, null when it can't be shown; never once another image
    // was taken or the prefetcher cleared. At full resolution, where its decode is slow to come,
    // first only its rows in view, partial, and then the rest through sglSharpImageReady, null
    // if that fails.
    void sglImageArrived(const QString& path, const ScreenImage& image);

private:
    // What identifies the contents of a file without reading it.
    struct FileStamp
    {
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const FileStamp& other) const;
    };
    // On a worker: one look at the file, which on a share is a round trip.
    static FileStamp stampOf(const QString& path);

    struct Job
    {
        QString path;
        bool preview = false;
        DisplayScale scale;
        // For the image on screen: the stamp of what it shows, and whether only a change of
        // its file since calls for a decode.
        FileStamp shown;
        bool onlyIfChanged = false;
        // For the image the operator waits for at full resolution: the rows seen of it, shown
        // as soon as they are in.
        int topRows = 0;
    };

    // One decode and the stamp of its file, empty when the file changed while it was decoded.
    struct Decoded
    {
        ScreenImage image;
        std::optional<FileStamp> stamp;
    };
    using ShowTop = std::function<void(ScreenImage)>;
    static Decoded decode(const Job& job, const ShowTop& showTop);

    // An image wished for and its decodes so far.
    struct Wish
    {
        QString path;
        Decoded preview;
        Decoded sharpest;
        // The sharpest decode is made, also when it failed.
        bool done = false;
    };

    // The image on screen while a sharp decode or a check of its file is to come.
    struct OnScreen
    {
        QString path;
        FileStamp shown;
        bool onlyIfChanged = false;
        // Only the image's top rows are on screen, so a failure of the rest is to be told.
        bool topOnly = false;
    };

    ScreenImage handOver(const QString& path, const DisplayScale& scale, ScreenImage image,
                         const std::optional<FileStamp>& madeAhead);
    ScreenImage decodeBehind(const QString& path, const DisplayScale& scale);
    bool isMade(const QString& path);
    void showArrived(const QString& path, const ScreenImage& image);
    void showTop(const QString& path, const ScreenImage& top);
    Wish* wishFor(const QString& path);
    Decoded takeHeld(const QString& path);
    Decoded finishDecodeOf(const QString& path);
    bool isDecoding(int worker) const;
    bool isDecoding(const QString& path, bool preview) const;
    bool isDecodingSharp() const;
    bool nextJob(Job& job) const;
    void startJobs();
    void startDecode(int worker, const Job& job);
    void decodeFinished(int worker);
    void keepDecode(Wish& wish, const Decoded& decoded);

    static constexpr int workers = 2;
    QThreadPool pool;
    std::array<QFutureWatcher<Decoded>, workers> running;
    std::array<Job, workers> runningJobs;
    // The image last taken, while its sharp decode or the check of its file is to come.
    std::optional<OnScreen> toSharpen;
    // The image taken pending, while its decode runs, and the scale it is to be shown at.
    QString awaited;
    DisplayScale awaitedScale;
    // The images likely next, most likely first, and the scale they will be shown at.
    std::vector<Wish> wishes;
    DisplayScale wishedScale;
    // Runs from each take for a little longer than a held key takes to repeat: while an
    // operator skims at a small scale, full-resolution decodes would only be wasted.
    QTimer skimming;
};

#endif
