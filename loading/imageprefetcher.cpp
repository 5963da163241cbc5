#include "imageprefetcher.h"

#include "imagedecoding.h"

#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <utility>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
// A held key repeats every 25 to 50 ms.
const int skimPauseMilliseconds = 120;
const int largeBufferBytes = 1 << 20;

// Left to itself, glibc's allocator raises the size from which it maps buffers apart to
// that of each such buffer freed, and from then on keeps freed buffers up to that size on
// its heaps: with reduced decodes of a few megabytes on two threads, tens of megabytes.
// A fixed threshold gives every large buffer back to the system when it is freed.
void returnLargeBuffersWhenFreed()
{
#ifdef __GLIBC__
    static const bool once = mallopt(M_MMAP_THRESHOLD, largeBufferBytes) != 0;
    Q_UNUSED(once);
#endif
}
} // namespace

bool ImagePrefetcher::FileStamp::operator==(const FileStamp& other) const
{
    return path == other.path && size == other.size && modified == other.modified;
}

ImagePrefetcher::ImagePrefetcher(QObject* parent) : QObject(parent)
{
    // A JPEG decodes on one core; the second worker makes only reduced images, which are
    // small, so that skimming keeps both cores busy without holding much more memory.
    pool.setMaxThreadCount(workers);
    returnLargeBuffersWhenFreed();
    for (int worker = 0; worker < workers; ++worker)
        connect(&running[worker], &QFutureWatcher<ScreenImage>::finished, this,
                [this, worker] { decodeFinished(worker); });
    skimming.setSingleShot(true);
    skimming.setInterval(skimPauseMilliseconds);
    connect(&skimming, &QTimer::timeout, this, &ImagePrefetcher::startJobs);
}

ImagePrefetcher::~ImagePrefetcher()
{
    clear();
    for (QFutureWatcher<ScreenImage>& decode : running)
        decode.disconnect(this);
    pool.waitForDone();
}

ImagePrefetcher::FileStamp ImagePrefetcher::stampOf(const QString& path)
{
    const QFileInfo info(path);
    // The size asked first comes with the rest in one look, which on a share is a round trip;
    // whether the file exists, asked first, would take a look of its own.
    const qint64 size = info.size();
    return {path, info.exists() ? size : -1, info.lastModified()};
}

void ImagePrefetcher::prefetch(const QString& path, const DisplayScale& scale)
{
    prefetch(QStringList(path), scale);
}

void ImagePrefetcher::prefetch(const QStringList& paths, const DisplayScale& scale)
{
    std::vector<Wish> newWishes;
    for (const QString& path : paths) {
        if (path.isEmpty())
            continue;
        // An image still wished for keeps the stamp it was wished with: take() checks it.
        const auto wished = std::find_if(wishes.begin(), wishes.end(),
                                         [&](const Wish& wish) { return wish.stamp.path == path; });
        const FileStamp stamp = wished != wishes.end() ? wished->stamp : stampOf(path);
        Wish* known = wishFor(stamp);
        newWishes.push_back(known ? std::move(*known) : Wish{stamp, {}, {}, false});
    }
    wishes = std::move(newWishes);
    wishedScale = scale;
    startJobs();
}

ScreenImage ImagePrefetcher::take(const QString& path, const DisplayScale& scale)
{
    return takeStamped(stampOf(path), scale, false);
}

ScreenImage ImagePrefetcher::takeOrDecodeBehind(const QString& path, const DisplayScale& scale)
{
    return takeStamped(stampOf(path), scale, true);
}

ScreenImage ImagePrefetcher::takeStamped(const FileStamp& stamp, const DisplayScale& scale,
                                         bool mayDecodeBehind)
{
    // The operator has gone on from whatever image was awaited.
    awaited = FileStamp();
    if (mayDecodeBehind && !isMade(stamp) && !decodesQuickly(stamp.path))
        return decodeBehind(stamp);
    const QString& path = stamp.path;
    ScreenImage image = takeHeld(stamp);
    if (image.isNull() && !image.tooLarge)
        image = scale.mayShowReduced() ? decodePreviewForScreen(path, scale)
                                       : decodeImageForScreen(path);
    wishes.erase(std::remove_if(wishes.begin(), wishes.end(),
                                [&](const Wish& wish) { return wish.stamp == stamp; }),
                 wishes.end());
    // A failed image leaves the one before on screen, still to be sharpened perhaps.
    if (!image.isNull())
        toSharpen = image.isSharpest() ? FileStamp() : stamp;
    if (scale.mayShowReduced())
        skimming.start();
    // After the caller's next wishes, whose reduced decodes come first.
    QMetaObject::invokeMethod(this, &ImagePrefetcher::startJobs, Qt::QueuedConnection);
    return image;
}

ScreenImage ImagePrefetcher::decodeBehind(const FileStamp& stamp)
{
    awaited = stamp;
    // A decode of it already running is awaited as it is.
    wishes.erase(std::remove_if(wishes.begin(), wishes.end(),
                                [&](const Wish& wish) { return wish.stamp == stamp; }),
                 wishes.end());
    startJobs();
    ScreenImage image;
    image.pending = true;
    return image;
}

bool ImagePrefetcher::isMade(const FileStamp& stamp)
{
    const Wish* wish = wishFor(stamp);
    return wish && (wish->done || !wish->preview.isNull());
}

ImagePrefetcher::Wish* ImagePrefetcher::wishFor(const FileStamp& stamp)
{
    for (Wish& wish : wishes)
        if (wish.stamp == stamp)
            return &wish;
    return nullptr;
}

// A decode made ahead, or else one under way, as finishing it is quicker than starting
// again; null if there is none.
ScreenImage ImagePrefetcher::takeHeld(const FileStamp& stamp)
{
    Wish* wish = wishFor(stamp);
    if (!wish)
        return ScreenImage();
    if (wish->done)
        return std::exchange(wish->sharpest, ScreenImage());
    if (!wish->preview.isNull())
        return std::exchange(wish->preview, ScreenImage());
    return finishDecodeOf(stamp);
}

ScreenImage ImagePrefetcher::finishDecodeOf(const FileStamp& stamp)
{
    for (int worker = 0; worker < workers; ++worker) {
        if (!isDecoding(worker) || !(runningJobs[worker].stamp == stamp))
            continue;
        running[worker].waitForFinished();
        ScreenImage image = running[worker].result();
        running[worker].setFuture(QFuture<ScreenImage>());
        return image;
    }
    return ScreenImage();
}

void ImagePrefetcher::clear()
{
    wishes.clear();
    toSharpen = FileStamp();
    awaited = FileStamp();
}

bool ImagePrefetcher::holds(const QString& path) const
{
    const FileStamp stamp = stampOf(path);
    return std::any_of(wishes.begin(), wishes.end(), [&](const Wish& wish) {
        return wish.stamp == stamp && (!wish.preview.isNull() || !wish.sharpest.isNull());
    });
}

int ImagePrefetcher::imagesHeld() const
{
    int held = 0;
    for (const Wish& wish : wishes)
        held += (wish.preview.isNull() ? 0 : 1) + (wish.sharpest.isNull() ? 0 : 1);
    for (int worker = 0; worker < workers; ++worker)
        held += isDecoding(worker) ? 1 : 0;
    return held;
}

// A decode finishes on the worker before the GUI thread hears of it; until then its
// image is held all the same.
bool ImagePrefetcher::isDecoding(int worker) const
{
    return running[worker].future().isValid();
}

bool ImagePrefetcher::isDecoding(const FileStamp& stamp, bool preview) const
{
    for (int worker = 0; worker < workers; ++worker)
        if (isDecoding(worker) && runningJobs[worker].stamp == stamp &&
            runningJobs[worker].preview == preview)
            return true;
    return false;
}

bool ImagePrefetcher::isDecodingSharp() const
{
    for (int worker = 0; worker < workers; ++worker)
        if (isDecoding(worker) && !runningJobs[worker].preview)
            return true;
    return false;
}

// In order: the reduced images likely next, so that skimming finds them ready; the sharp
// image on screen; the sharp image likely next, once the operator stops skimming. One
// full-resolution decode at a time keeps the memory to what one image more takes.
bool ImagePrefetcher::nextJob(Job& job) const
{
    // The operator waits for it.
    if (!awaited.isEmpty() && !isDecoding(awaited, true) && !isDecoding(awaited, false)) {
        job = {awaited, false, DisplayScale()};
        return true;
    }
    if (wishedScale.mayShowReduced())
        for (const Wish& wish : wishes)
            if (!wish.done && wish.preview.isNull() && !isDecoding(wish.stamp, true)) {
                job = {wish.stamp, true, wishedScale};
                return true;
            }
    if (isDecodingSharp() || skimming.isActive())
        return false;
    if (!toSharpen.isEmpty()) {
        job = {toSharpen, false, DisplayScale()};
        return true;
    }
    if (!wishes.empty() && !wishes.front().done) {
        job = {wishes.front().stamp, false, DisplayScale()};
        return true;
    }
    return false;
}

void ImagePrefetcher::startJobs()
{
    Job job;
    for (int worker = 0; worker < workers; ++worker)
        if (!isDecoding(worker) && nextJob(job))
            startDecode(worker, job);
}

void ImagePrefetcher::startDecode(int worker, const Job& job)
{
    runningJobs[worker] = job;
    if (job.preview)
        running[worker].setFuture(
            QtConcurrent::run(&pool, decodePreviewForScreen, job.stamp.path, job.scale));
    else
        running[worker].setFuture(QtConcurrent::run(&pool, decodeImageForScreen, job.stamp.path));
}

void ImagePrefetcher::decodeFinished(int worker)
{
    if (!isDecoding(worker) || !running[worker].isFinished())
        return;
    const ScreenImage image = running[worker].result();
    running[worker].setFuture(QFuture<ScreenImage>());
    const Job& job = runningJobs[worker];
    if (job.stamp == awaited) {
        awaited = FileStamp();
        // A reduced decode already running arrives first; the sharp one follows, as after take.
        // A failure leaves the image before on screen, still to be sharpened perhaps.
        if (!image.isNull())
            toSharpen = image.isSharpest() ? FileStamp() : job.stamp;
        emit sglImageArrived(job.stamp.path, image);
    } else if (!job.preview && job.stamp == toSharpen) {
        toSharpen = FileStamp();
        // A file replaced since it was shown may hold another picture of another size.
        if (!image.isNull() && stampOf(job.stamp.path) == job.stamp)
            emit sglSharpImageReady(job.stamp.path, image);
    } else if (Wish* wish = wishFor(job.stamp)) {
        keepDecode(*wish, image);
    }
    startJobs();
}

void ImagePrefetcher::keepDecode(Wish& wish, const ScreenImage& image)
{
    if (wish.done)
        return;
    if (!image.isSharpest() && !image.isNull()) {
        wish.preview = image;
        return;
    }
    // The reduced one is not needed beside the sharpest, and a failure is final.
    wish.preview = ScreenImage();
    wish.sharpest = image;
    wish.done = true;
}
