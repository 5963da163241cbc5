#include "imageprefetcher.h"

#include "earlyimagedecode.h"
#include "imagedecoding.h"
#include "imagestream.h"

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
    return size == other.size && modified == other.modified;
}

ImagePrefetcher::ImagePrefetcher(QObject* parent) : QObject(parent)
{
    // A JPEG decodes on one core; the second worker makes only reduced images, which are
    // small, so that skimming keeps both cores busy without holding much more memory.
    pool.setMaxThreadCount(workers);
    returnLargeBuffersWhenFreed();
    for (int worker = 0; worker < workers; ++worker)
        connect(&running[worker], &QFutureWatcher<Decoded>::finished, this,
                [this, worker] { decodeFinished(worker); });
    skimming.setSingleShot(true);
    skimming.setInterval(skimPauseMilliseconds);
    connect(&skimming, &QTimer::timeout, this, &ImagePrefetcher::startJobs);
}

ImagePrefetcher::~ImagePrefetcher()
{
    clear();
    for (QFutureWatcher<Decoded>& decode : running)
        decode.disconnect(this);
    pool.waitForDone();
}

ImagePrefetcher::FileStamp ImagePrefetcher::stampOf(const QString& path)
{
    const QFileInfo info(path);
    // The size asked first comes with the rest in one look, which on a share is a round trip;
    // whether the file exists, asked first, would take a look of its own.
    const qint64 size = info.size();
    return {info.exists() ? size : -1, info.lastModified()};
}

// On a worker. A file cut short while it was read leaves the decode without a stamp.
ImagePrefetcher::Decoded ImagePrefetcher::decode(const Job& job, const ShowTop& showTop)
{
    if (job.onlyIfChanged && stampOf(job.path) == job.shown)
        return {};
    Decoded decoded;
    // The stamp comes with the bytes, from the one opening of the file.
    ImageFile file;
    // The first image of a start may be decoded already, sharp, which a preview need not wait for.
    if (std::optional<EarlyImageDecode::Decoded> early =
            EarlyImageDecode::take(job.path, job.topRows, showTop)) {
        decoded.image = std::move(early->image);
        file = std::move(early->file);
    } else {
        const std::shared_ptr<ImageStream> stream = ImageStream::open(job.path, decodeByteBudget);
        bool topShown = job.topRows <= 0;
        const auto rowsIn = [&](const ScreenImage& sofar, int rows) {
            if (topShown || rows < job.topRows || job.topRows >= sofar.fullSize.height())
                return;
            topShown = true;
            if (ScreenImage top = topRowsOf(sofar, job.topRows); !top.isNull())
                showTop(std::move(top));
        };
        decoded.image = job.preview ? decodePreviewForScreen(*stream, job.scale)
                                    : decodeImageForScreen(*stream, rowsIn);
        file = stream->whole();
    }
    if (!file.cutShort)
        decoded.stamp = FileStamp{file.size, file.modified};
    return decoded;
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
        Wish* known = wishFor(path);
        newWishes.push_back(known ? std::move(*known) : Wish{path, {}, {}, false});
    }
    wishes = std::move(newWishes);
    wishedScale = scale;
    startJobs();
}

ScreenImage ImagePrefetcher::take(const QString& path, const DisplayScale& scale)
{
    // The operator has gone on from whatever image was awaited.
    awaited.clear();
    Decoded held = takeHeld(path);
    ScreenImage image = held.stamp ? std::move(held.image) : ScreenImage();
    if (image.isNull() && !image.tooLarge)
        return handOver(path, scale,
                        scale.mayShowReduced() ? decodePreviewForScreen(path, scale)
                                               : decodeImageForScreen(path),
                        std::nullopt);
    return handOver(path, scale, std::move(image), held.stamp);
}

ScreenImage ImagePrefetcher::takeOrDecodeBehind(const QString& path, const DisplayScale& scale)
{
    awaited.clear();
    // Only a decode already made is handed over here, a failure too; any other is awaited.
    Decoded held = isMade(path) ? takeHeld(path) : Decoded();
    if (!held.stamp)
        return decodeBehind(path, scale);
    return handOver(path, scale, std::move(held.image), held.stamp);
}

ScreenImage ImagePrefetcher::handOver(const QString& path, const DisplayScale& scale,
                                      ScreenImage image, const std::optional<FileStamp>& madeAhead)
{
    wishes.erase(std::remove_if(wishes.begin(), wishes.end(),
                                [&](const Wish& wish) { return wish.path == path; }),
                 wishes.end());
    // A failed image leaves the one before on screen, still to be sharpened perhaps. A sharp
    // image decoded just now needs no look at its file.
    if (!image.isNull() && (madeAhead || !image.isSharpest()))
        toSharpen = OnScreen{path, madeAhead ? *madeAhead : FileStamp(), image.isSharpest()};
    else if (!image.isNull())
        toSharpen.reset();
    if (scale.mayShowReduced())
        skimming.start();
    // After the caller's next wishes, whose reduced decodes come first.
    QMetaObject::invokeMethod(this, &ImagePrefetcher::startJobs, Qt::QueuedConnection);
    return image;
}

ScreenImage ImagePrefetcher::decodeBehind(const QString& path, const DisplayScale& scale)
{
    awaited = path;
    awaitedScale = scale;
    // A decode of it already running is awaited as it is.
    wishes.erase(std::remove_if(wishes.begin(), wishes.end(),
                                [&](const Wish& wish) { return wish.path == path; }),
                 wishes.end());
    if (scale.mayShowReduced())
        skimming.start();
    startJobs();
    ScreenImage image;
    image.pending = true;
    return image;
}

bool ImagePrefetcher::isMade(const QString& path)
{
    const Wish* wish = wishFor(path);
    return wish && (wish->done || !wish->preview.image.isNull());
}

ImagePrefetcher::Wish* ImagePrefetcher::wishFor(const QString& path)
{
    for (Wish& wish : wishes)
        if (wish.path == path)
            return &wish;
    return nullptr;
}

// A decode made ahead, or else one under way, as finishing it is quicker than starting
// again; without a stamp if there is none.
ImagePrefetcher::Decoded ImagePrefetcher::takeHeld(const QString& path)
{
    Wish* wish = wishFor(path);
    if (!wish)
        return {};
    if (wish->done)
        return std::exchange(wish->sharpest, Decoded());
    if (!wish->preview.image.isNull())
        return std::exchange(wish->preview, Decoded());
    return finishDecodeOf(path);
}

ImagePrefetcher::Decoded ImagePrefetcher::finishDecodeOf(const QString& path)
{
    for (int worker = 0; worker < workers; ++worker) {
        if (!isDecoding(worker) || runningJobs[worker].path != path ||
            runningJobs[worker].onlyIfChanged)
            continue;
        running[worker].waitForFinished();
        Decoded decoded = running[worker].result();
        running[worker].setFuture(QFuture<Decoded>());
        return decoded;
    }
    return {};
}

void ImagePrefetcher::clear()
{
    wishes.clear();
    toSharpen.reset();
    awaited.clear();
}

void ImagePrefetcher::runOnEveryWorker(const std::function<void()>& work)
{
    for (int worker = 0; worker < workers; ++worker)
        pool.start(work);
}

bool ImagePrefetcher::holds(const QString& path) const
{
    return std::any_of(wishes.begin(), wishes.end(), [&](const Wish& wish) {
        return wish.path == path && (!wish.preview.image.isNull() || !wish.sharpest.image.isNull());
    });
}

int ImagePrefetcher::imagesHeld() const
{
    int held = 0;
    for (const Wish& wish : wishes)
        held += (wish.preview.image.isNull() ? 0 : 1) + (wish.sharpest.image.isNull() ? 0 : 1);
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

bool ImagePrefetcher::isDecoding(const QString& path, bool preview) const
{
    for (int worker = 0; worker < workers; ++worker)
        if (isDecoding(worker) && runningJobs[worker].path == path &&
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
        const bool preview = awaitedScale.mayShowReduced();
        job = {awaited, preview, awaitedScale,
               {},      false,   preview ? 0 : awaitedScale.rowsToViewBottom};
        return true;
    }
    if (wishedScale.mayShowReduced())
        for (const Wish& wish : wishes)
            if (!wish.done && wish.preview.image.isNull() && !isDecoding(wish.path, true)) {
                job = {wish.path, true, wishedScale, {}, false};
                return true;
            }
    if (isDecodingSharp() || skimming.isActive())
        return false;
    if (toSharpen) {
        job = {toSharpen->path, false, DisplayScale(), toSharpen->shown, toSharpen->onlyIfChanged};
        return true;
    }
    if (!wishes.empty() && !wishes.front().done) {
        job = {wishes.front().path, false, DisplayScale(), {}, false};
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
    // The pool's jobs end before this prefetcher does.
    const ShowTop showTopHere = [this, path = job.path](ScreenImage top) {
        QMetaObject::invokeMethod(
            this, [this, path, top = std::move(top)] { showTop(path, top); }, Qt::QueuedConnection);
    };
    running[worker].setFuture(QtConcurrent::run(&pool, &ImagePrefetcher::decode, job, showTopHere));
}

void ImagePrefetcher::decodeFinished(int worker)
{
    if (!isDecoding(worker) || !running[worker].isFinished())
        return;
    const Decoded decoded = running[worker].result();
    running[worker].setFuture(QFuture<Decoded>());
    const Job& job = runningJobs[worker];
    if (!awaited.isEmpty() && job.path == awaited && !job.onlyIfChanged) {
        showArrived(job.path, decoded.image);
        startJobs();
        return;
    }
    const bool forScreen = !job.preview && toSharpen && job.path == toSharpen->path &&
                           job.onlyIfChanged == toSharpen->onlyIfChanged;
    if (forScreen) {
        const bool topOnly = toSharpen->topOnly;
        toSharpen.reset();
        // The file as it is now, which may hold another picture than the one shown; where only
        // its top is shown, a failure too.
        if (!decoded.image.isNull() || topOnly)
            emit sglSharpImageReady(job.path, decoded.image);
    } else if (Wish* wish = wishFor(job.path); wish && !job.onlyIfChanged) {
        keepDecode(*wish, decoded);
    }
    startJobs();
}

void ImagePrefetcher::showArrived(const QString& path, const ScreenImage& image)
{
    awaited.clear();
    // A reduced decode already running arrives first; the sharp one follows, as after take.
    // A failure leaves the image before on screen, still to be sharpened perhaps.
    if (!image.isNull() && image.isSharpest())
        toSharpen.reset();
    else if (!image.isNull())
        toSharpen = OnScreen{path, FileStamp(), false, image.partial};
    emit sglImageArrived(path, image);
}

// Only while the operator still waits for the image, whose decode then goes on to the rest.
void ImagePrefetcher::showTop(const QString& path, const ScreenImage& top)
{
    if (awaited == path && isDecoding(path, false))
        showArrived(path, top);
}

void ImagePrefetcher::keepDecode(Wish& wish, const Decoded& decoded)
{
    if (wish.done)
        return;
    if (!decoded.image.isSharpest() && !decoded.image.isNull()) {
        wish.preview = decoded;
        return;
    }
    // The reduced one is not needed beside the sharpest, and a failure is final.
    wish.preview = Decoded();
    wish.sharpest = decoded;
    wish.done = true;
}
