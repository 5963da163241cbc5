#include "imageprefetcher.h"

#include "imagedecoding.h"

#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>

#include <utility>

bool ImagePrefetcher::FileStamp::operator==(const FileStamp& other) const
{
    return path == other.path && size == other.size && modified == other.modified;
}

ImagePrefetcher::ImagePrefetcher(QObject* parent) : QObject(parent)
{
    // A baseline JPEG decodes on one core; a second worker would only hold more memory.
    pool.setMaxThreadCount(1);
    connect(&running, &QFutureWatcher<ScreenImage>::finished, this,
            &ImagePrefetcher::decodeFinished);
}

ImagePrefetcher::~ImagePrefetcher()
{
    clear();
    running.disconnect(this);
    pool.waitForDone();
}

ImagePrefetcher::FileStamp ImagePrefetcher::stampOf(const QString& path)
{
    const QFileInfo info(path);
    return {path, info.exists() ? info.size() : -1, info.lastModified()};
}

void ImagePrefetcher::prefetch(const QString& path, const DisplayScale& scale)
{
    if (path.isEmpty())
        return;
    const FileStamp stamp = stampOf(path);
    if (!(stamp == wished)) {
        dropWish();
        wished = stamp;
    }
    wishedScale = scale;
    startNextJob();
}

ScreenImage ImagePrefetcher::take(const QString& path, const DisplayScale& scale)
{
    const FileStamp stamp = stampOf(path);
    ScreenImage image = takeHeld(stamp);
    if (image.isNull() && !image.tooLarge)
        image = scale.mayShowReduced() ? decodePreviewForScreen(path, scale)
                                       : decodeImageForScreen(path);
    // What to decode next is decided once this image is shown.
    dropWish();
    // A failed image leaves the one before on screen, still to be sharpened perhaps.
    if (!image.isNull())
        toSharpen = image.sharpest ? FileStamp() : stamp;
    // After the caller's next wish, whose reduced decode comes first.
    QMetaObject::invokeMethod(this, &ImagePrefetcher::startNextJob, Qt::QueuedConnection);
    return image;
}

// A decode made ahead, or the one under way, as finishing it is quicker than starting
// again; null if there is none.
ScreenImage ImagePrefetcher::takeHeld(const FileStamp& stamp)
{
    if (!(stamp == wished))
        return ScreenImage();
    if (wishedDone)
        return std::exchange(wishedSharpest, ScreenImage());
    if (!wishedPreview.isNull())
        return std::exchange(wishedPreview, ScreenImage());
    if (!isDecoding() || !(runningJob.stamp == stamp))
        return ScreenImage();
    running.waitForFinished();
    const ScreenImage image = running.result();
    running.setFuture(QFuture<ScreenImage>());
    return image;
}

void ImagePrefetcher::clear()
{
    dropWish();
    toSharpen = FileStamp();
}

bool ImagePrefetcher::holds(const QString& path) const
{
    return stampOf(path) == wished && (!wishedPreview.isNull() || !wishedSharpest.isNull());
}

int ImagePrefetcher::imagesHeld() const
{
    return (wishedPreview.isNull() ? 0 : 1) + (wishedSharpest.isNull() ? 0 : 1) +
           (isDecoding() ? 1 : 0);
}

// A decode finishes on the worker before the GUI thread hears of it; until then its
// image is held all the same.
bool ImagePrefetcher::isDecoding() const
{
    return running.future().isValid();
}

// In order: the reduced next image, so that skimming finds it ready; the sharp image on
// screen; the sharp next image.
void ImagePrefetcher::startNextJob()
{
    if (isDecoding())
        return;
    const bool wishOpen = !wished.isEmpty() && !wishedDone;
    if (wishOpen && wishedPreview.isNull() && wishedScale.mayShowReduced())
        startDecode({wished, true, wishedScale});
    else if (!toSharpen.isEmpty())
        startDecode({toSharpen, false, DisplayScale()});
    else if (wishOpen)
        startDecode({wished, false, DisplayScale()});
}

void ImagePrefetcher::startDecode(const Job& job)
{
    runningJob = job;
    if (job.preview)
        running.setFuture(
            QtConcurrent::run(&pool, decodePreviewForScreen, job.stamp.path, job.scale));
    else
        running.setFuture(QtConcurrent::run(&pool, decodeImageForScreen, job.stamp.path));
}

void ImagePrefetcher::decodeFinished()
{
    if (!running.future().isValid() || !running.isFinished())
        return;
    const ScreenImage image = running.result();
    running.setFuture(QFuture<ScreenImage>());
    if (!runningJob.preview && runningJob.stamp == toSharpen) {
        toSharpen = FileStamp();
        if (!image.isNull())
            emit sglSharpImageReady(runningJob.stamp.path, image);
    } else if (runningJob.stamp == wished) {
        keepWishedDecode(image);
    }
    startNextJob();
}

void ImagePrefetcher::keepWishedDecode(const ScreenImage& image)
{
    if (!image.sharpest && !image.isNull()) {
        wishedPreview = image;
        return;
    }
    // The reduced one is not needed beside the sharpest, and a failure is final.
    wishedPreview = ScreenImage();
    wishedSharpest = image;
    wishedDone = true;
}

void ImagePrefetcher::dropWish()
{
    wished = FileStamp();
    wishedScale = DisplayScale();
    wishedPreview = ScreenImage();
    wishedSharpest = ScreenImage();
    wishedDone = false;
}
