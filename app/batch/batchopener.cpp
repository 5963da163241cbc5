#include "batchopener.h"

#include "batchpaths.h"
#include "batchstepper.h"
#include "imagevisit.h"
#include "projecthistory.h"
#include "teamdesk.h"

#include <QDir>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
// The listing's names, sets and sort keys were freed on the worker, whose heap keeps them
// from the system until told; for a million images that is hundreds of megabytes.
// Done on a worker once the batch has been painted, so the window does not wait for it.
void returnListingScratch()
{
#ifdef __GLIBC__
    const int afterPaintMilliseconds = 500;
    QTimer::singleShot(afterPaintMilliseconds,
                       [] { QThreadPool::globalInstance()->start([] { malloc_trim(0); }); });
#endif
}
} // namespace

BatchOpener::BatchOpener(ImageVisit& visit, BatchStepper& stepper, TeamDesk& team,
                         ProjectHistory& history)
    : visit(visit), stepper(stepper), team(team), history(history)
{
    connect(&folderListing, &FolderListing::sglCounted, this, &BatchOpener::showListingCount);
    connect(&folderListing, &FolderListing::sglListed, this, &BatchOpener::openListedFolder);
}

void BatchOpener::openImages(const QStringList& files, const QString& shownImage)
{
    // The old batch stays on screen when its image could not be saved.
    if (files.isEmpty() || !visit.leave())
        return;
    if (!project.isEmpty())
        history.rememberImages(project, files);
    startBatch(findBatchFiles(files), std::max(0, int(files.indexOf(shownImage))));
}

void BatchOpener::openFolder(const QString& folder)
{
    BatchFiles batch = listFolderImages(folder);
    if (batch.imagePaths.isEmpty()) {
        emit sglNote(QStringLiteral("No JPEG images in ") + folder);
        return;
    }
    const bool edited = visit.session().needsSaving();
    if (!visit.leave())
        return;
    // The image just saved may lie in this folder and have had no label file yet.
    if (edited)
        batch = listFolderImages(folder);
    startFolderBatch(folder, batch, QString());
}

void BatchOpener::listFolder(const QString& folder, const QString& shownImage)
{
    // Saved before the listing, so the label files it finds include this image's.
    if (visit.leave())
        folderListing.start(folder, shownImage);
}

void BatchOpener::showListingCount(const QString& folder, int images)
{
    emit sglProgress(
        QStringLiteral("Listing %1: %2 images").arg(QDir::toNativeSeparators(folder)).arg(images));
}

void BatchOpener::openListedFolder(const QString& folder, const QString& shownImage)
{
    const BatchFiles batch = folderListing.take();
    if (batch.imagePaths.isEmpty()) {
        emit sglNote(QStringLiteral("No JPEG images in ") + folder);
        return;
    }
    // Edits made while the folder was listed.
    if (visit.leave())
        startFolderBatch(folder, batch, shownImage);
    returnListingScratch();
}

void BatchOpener::startFolderBatch(const QString& folder, const BatchFiles& batch,
                                   const QString& shownImage)
{
    if (!project.isEmpty())
        history.rememberFolder(project, folder);
    // Two operators opening one folder start on different images.
    startBatch(batch, startImageOf(batch, shownImage, team.holdersOf(batch.imagePaths)));
}

void BatchOpener::startBatch(const BatchFiles& batch, int first)
{
    if (batch.imagePaths.isEmpty())
        return;
    // A folder still being listed must not replace this batch when it is done.
    folderListing.cancel();
    stepper.start(batch, first);
}
