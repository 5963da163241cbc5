#include "batchopener.h"

#include "batchpaths.h"
#include "batchstepper.h"
#include "imagevisit.h"
#include "labelpath.h"
#include "labelpaths.h"
#include "projectfolder.h"
#include "projecthistory.h"
#include "teamdesk.h"

#include <QDir>
#include <QFileInfo>
#include <QStatusBar>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <iostream>
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
    // Found among the window's parts, as a test finds it.
    folderListing.setParent(this);
    connect(&folderListing, &FolderListing::sglCounted, this, &BatchOpener::showListingCount);
    connect(&folderListing, &FolderListing::sglListed, this, &BatchOpener::openListedFolder);
    connect(&folderListing, &FolderListing::sglFirstImage, this, &BatchOpener::showFirstImage);
    connect(&folderListing, &FolderListing::sglNamedFound, this, &BatchOpener::openFoundImages);
    connect(&visit.session(), &ImageSession::saved, this, [this](const QString& labelPath) {
        if (listingWanted)
            savedWhileListing.insert(labelPath);
    });
}

void BatchOpener::install(QWidget* window, QStatusBar* bar)
{
    // Found among the window's children.
    setParent(window);
    statusBar = bar;
}

void BatchOpener::cancel()
{
    folderListing.cancel();
    savedWhileListing.clear();
    shownEarly.clear();
    if (!listingWanted)
        return;
    listingWanted = false;
    clearListingCount();
}

void BatchOpener::openImages(const QStringList& chosen, const QString& shownImage)
{
    forgetHolders();
    const QStringList files = imagesOfThisProject(chosen);
    // The old batch stays on screen when its image could not be saved.
    if (files.isEmpty() || !visit.leave())
        return;
    if (!project.isEmpty())
        history.rememberImages(project, files);
    startBatch(findBatchFiles(files), std::max(0, int(files.indexOf(shownImage))));
}

void BatchOpener::openNamedImages(const QStringList& files,
                                  std::function<void(const QString& note)> teller)
{
    // A dialog closed without a choice leaves a listing under way as it is.
    if (files.isEmpty())
        return;
    savedWhileListing.clear();
    listingWanted = true;
    tellRefused = std::move(teller);
    folderListing.startNamed(files, [own = vocabularyFolder()](const QStringList& named) {
        return findNamedBatch(
            named, [&own](const QStringList& images) { return pathsOfOtherProjects(images, own); });
    });
}

void BatchOpener::openFoundImages()
{
    NamedBatch found = folderListing.takeNamed();
    const auto teller = std::exchange(tellRefused, {});
    // Only the request still wanted arrives: a batch or project opened since dropped it.
    forgetHolders();
    noteOtherProjects(found.ofOtherProjects);
    BatchFiles& batch = found.batch;
    // Edits made meanwhile are saved; the old batch stays on screen when they could not be.
    if (!batch.imagePaths.isEmpty() && visit.leave()) {
        markSavedWhileListing(batch);
        if (!project.isEmpty())
            history.rememberImages(project, batch.imagePaths);
        startBatch(batch, 0);
    }
    cancel();
    // Told once the batch is open: a box waits in an event loop of its own.
    if (!found.refused.isEmpty())
        teller(NamedImages{{}, found.refused}.refusalNote());
}

void BatchOpener::openFolder(const QString& folder)
{
    forgetHolders();
    if (!isFolderOfThisProject(folder))
        return;
    BatchFiles batch = listFolderImages(folder);
    if (batch.imagePaths.isEmpty()) {
        emit sglNote(QStringLiteral("No images in ") + folder);
        noteUndecodable(batch);
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

void BatchOpener::listFolder(const QString& folder, const QString& shownImage, Project known)
{
    // Saved before the listing, so the label files it finds include this image's.
    if ((known == Project::Look && !isFolderOfThisProject(folder)) || !visit.leave())
        return;
    savedWhileListing.clear();
    shownEarly.clear();
    listingWanted = true;
    listingProject = project;
    listingRemembered = shownImage;
    folderListing.start(folder, shownImage);
}

void BatchOpener::showListingCount(const QString& folder, int images)
{
    // A lasting message: how far the listing has come.
    listingProgress =
        QStringLiteral("Listing %1: %2 images").arg(QDir::toNativeSeparators(folder)).arg(images);
    statusBar->showMessage(listingProgress);
}

void BatchOpener::clearListingCount()
{
    // A note shown since stays its time; the count of a listing that is over goes at once.
    if (statusBar->currentMessage() == listingProgress)
        statusBar->clearMessage();
    listingProgress.clear();
}

void BatchOpener::openListedFolder(const QString& folder, const QString& shownImage)
{
    BatchFiles batch = folderListing.take();
    forgetHolders();
    // Listed for a project that is no longer open: its images are not this one's.
    if (!listingWanted || listingProject != project)
        return cancel();
    if (batch.imagePaths.isEmpty()) {
        cancel();
        emit sglNote(QStringLiteral("No images in ") + folder);
        noteUndecodable(batch);
        return;
    }
    if (adoptFirstImage(batch)) {
        noteUndecodable(batch);
        cancel();
        returnListingScratch();
        return;
    }
    // Edits made while the folder was listed.
    if (visit.leave()) {
        markSavedWhileListing(batch);
        startFolderBatch(folder, batch, shownImage);
    }
    cancel();
    returnListingScratch();
}

void BatchOpener::showFirstImage(const QString& folder, const QString& imagePath)
{
    forgetHolders();
    // Saved meanwhile, even as the image on screen is left now: where to start is the whole
    // list's to say.
    if (!listingWanted || listingProject != project || !visit.leave() ||
        savedWhileListing.contains(labelPathFor(imagePath)))
        return;
    // Shown without a look at the claims: on a share that waits on round trips before the
    // paint. Its claim, taken on the claim worker, tells whether another holds it.
    if (!project.isEmpty())
        history.rememberFolder(project, folder);
    shownEarly = imagePath;
    // Any other image the listing told was chosen for having no label file and no proposal.
    stepper.startWithOne(imagePath, imagePath != listingRemembered);
}

bool BatchOpener::adoptFirstImage(BatchFiles& batch)
{
    const QString shown = std::exchange(shownEarly, QString());
    // Its claim found another's: the list starts where the two do not meet. A claim still
    // being taken is not waited for; the list's marks follow like every batch's.
    if (shown.isEmpty() || !stepper.holdsOnly(shown) || isHeldByOther(shown))
        return false;
    const int row = int(batch.imagePaths.indexOf(shown));
    if (row < 0)
        return false;
    markSavedWhileListing(batch);
    stepper.adopt(batch, row);
    return true;
}

bool BatchOpener::isHeldByOther(const QString& imagePath) const
{
    return visit.session().imagePath() == imagePath && team.isHeldByOther();
}

void BatchOpener::markSavedWhileListing(BatchFiles& batch) const
{
    if (savedWhileListing.isEmpty())
        return;
    const LabelPaths labels(batch.imagePaths, batch.sharedLabels);
    for (const QString& labelPath : savedWhileListing)
        for (const int row : labels.rowsOf(labelPath))
            batch.labelled[std::size_t(row)] = true;
}

void BatchOpener::startFolderBatch(const QString& folder, const BatchFiles& batch,
                                   const QString& shownImage)
{
    if (!project.isEmpty())
        history.rememberFolder(project, folder);
    // Two operators opening one folder start on different images.
    startBatch(batch, startImageOf(batch, shownImage, lookUpHolders(batch.imagePaths)));
    noteUndecodable(batch);
}

const std::vector<QString>& BatchOpener::lookUpHolders(const QStringList& imagePaths)
{
    if (heldPaths.isEmpty() || heldPaths != imagePaths) {
        heldPaths = imagePaths;
        heldBy = team.holdersOf(imagePaths);
    }
    return heldBy;
}

void BatchOpener::forgetHolders()
{
    heldPaths.clear();
    heldBy.clear();
}

void BatchOpener::noteUndecodable(const BatchFiles& batch)
{
    if (batch.undecodable.isEmpty())
        return;
    tell(QStringLiteral("Left out %1 image names that can't be read as text: %2")
             .arg(batch.undecodable.size())
             .arg(batch.undecodable.join(QStringLiteral(", "))));
}

void BatchOpener::tell(const QString& note)
{
    std::cerr << qPrintable(note) << std::endl;
    emit sglNote(note);
}

QString BatchOpener::vocabularyFolder() const
{
    return project.isEmpty() ? QDir::currentPath() : project;
}

QStringList BatchOpener::imagesOfThisProject(const QStringList& files)
{
    const QStringList other = pathsOfOtherProjects(files, vocabularyFolder());
    if (other.isEmpty())
        return files;
    noteOtherProjects(other);
    QStringList own = files;
    for (const QString& file : other)
        own.removeOne(file);
    return own;
}

void BatchOpener::noteOtherProjects(const QStringList& files)
{
    if (files.isEmpty())
        return;
    QStringList named;
    for (const QString& file : files)
        named << QDir::toNativeSeparators(file);
    tell(QStringLiteral("Left out, images of another project: ") +
         named.join(QStringLiteral(", ")));
}

bool BatchOpener::isFolderOfThisProject(const QString& folder)
{
    // A remembered folder may have been removed since.
    if (!QFileInfo(folder).isDir()) {
        tell(QStringLiteral("%1 is gone").arg(QDir::toNativeSeparators(folder)));
        return false;
    }
    if (pathsOfOtherProjects({folder}, vocabularyFolder()).isEmpty())
        return true;
    tell(
        QStringLiteral("%1 belongs to the project %2: open that project to label it")
            .arg(QDir::toNativeSeparators(folder), QDir::toNativeSeparators(projectAbove(folder))));
    return false;
}

void BatchOpener::startBatch(const BatchFiles& batch, int first)
{
    if (batch.imagePaths.isEmpty())
        return;
    // A folder still being listed must not replace this batch when it is done.
    cancel();
    stepper.start(batch, first);
}
