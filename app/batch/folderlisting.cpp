#include "folderlisting.h"

#include <QtConcurrent/QtConcurrentRun>

namespace {
// A count that moves five times a second reads as progress, not flicker.
const int countMilliseconds = 200;
} // namespace

FolderListing::FolderListing()
{
    countTimer.setInterval(countMilliseconds);
    connect(&countTimer, &QTimer::timeout, this, &FolderListing::reportCount);
    connect(&watcher, &QFutureWatcher<BatchFiles>::finished, this, &FolderListing::finished);
}

// The worker reads only the folder and its own counter, which it shares.
FolderListing::~FolderListing()
{
    watcher.waitForFinished();
}

void FolderListing::start(const QString& newFolder, const QString& newShownImage)
{
    pendingFolder = newFolder;
    pendingShownImage = newShownImage;
    if (!watcher.isRunning())
        runNext();
}

void FolderListing::cancel()
{
    pendingFolder.clear();
    pendingShownImage.clear();
    cancelled = true;
    countTimer.stop();
}

void FolderListing::runNext()
{
    cancelled = false;
    folder = pendingFolder;
    shownImage = pendingShownImage;
    pendingFolder.clear();
    pendingShownImage.clear();
    found = std::make_shared<std::atomic<int>>(0);
    const std::shared_ptr<std::atomic<int>> counter = found;
    const QString listed = folder;
    watcher.setFuture(
        QtConcurrent::run([listed, counter] { return listFolderImages(listed, counter.get()); }));
    countTimer.start();
}

void FolderListing::finished()
{
    countTimer.stop();
    if (!pendingFolder.isEmpty()) {
        runNext();
        return;
    }
    if (cancelled)
        return;
    result = watcher.result();
    emit sglListed(folder, shownImage);
}

void FolderListing::reportCount()
{
    emit sglCounted(folder, found->load(std::memory_order_relaxed));
}
