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
    waitingPath.clear();
    running.disconnect(this);
    pool.waitForDone();
}

ImagePrefetcher::FileStamp ImagePrefetcher::stampOf(const QString& path)
{
    const QFileInfo info(path);
    return {path, info.exists() ? info.size() : -1, info.lastModified()};
}

void ImagePrefetcher::prefetch(const QString& path)
{
    if (path.isEmpty())
        return;
    const FileStamp stamp = stampOf(path);
    if (!prefetched.isNull() && stamp == prefetchedStamp)
        return;
    if (running.isRunning()) {
        const bool alreadyRunning = runningStamp == stamp && keepRunningResult;
        waitingPath = alreadyRunning ? QString() : path;
        return;
    }
    startDecode(path);
}

ScreenImage ImagePrefetcher::take(const QString& path)
{
    // What to decode next is decided once this image is shown.
    waitingPath.clear();
    const FileStamp stamp = stampOf(path);
    if (running.isRunning() && runningStamp == stamp) {
        // Half done already: finishing it is quicker than starting again.
        running.waitForFinished();
        ScreenImage image = running.result();
        running.setFuture(QFuture<ScreenImage>());
        return image;
    }
    if (!prefetched.isNull() && prefetchedStamp == stamp) {
        prefetchedStamp = FileStamp();
        return std::exchange(prefetched, ScreenImage());
    }
    // Whatever is held belongs to another image; it may be wanted next, so it stays.
    return decodeImageForScreen(path);
}

void ImagePrefetcher::clear()
{
    waitingPath.clear();
    keepRunningResult = false;
    prefetched = ScreenImage();
    prefetchedStamp = FileStamp();
}

bool ImagePrefetcher::holds(const QString& path) const
{
    return !prefetched.isNull() && prefetchedStamp == stampOf(path);
}

int ImagePrefetcher::imagesHeld() const
{
    return (prefetched.isNull() ? 0 : 1) + (running.isRunning() ? 1 : 0);
}

void ImagePrefetcher::startDecode(const QString& path)
{
    // Only what was wished for last is kept: the new decode replaces the old image.
    prefetched = ScreenImage();
    prefetchedStamp = FileStamp();
    runningStamp = stampOf(path);
    keepRunningResult = true;
    running.setFuture(QtConcurrent::run(&pool, decodeImageForScreen, path));
}

void ImagePrefetcher::decodeFinished()
{
    if (!running.future().isValid() || !running.isFinished())
        return;
    if (waitingPath.isEmpty() && keepRunningResult) {
        prefetched = running.result();
        prefetchedStamp = runningStamp;
    }
    running.setFuture(QFuture<ScreenImage>());
    if (!waitingPath.isEmpty())
        startDecode(std::exchange(waitingPath, QString()));
}
