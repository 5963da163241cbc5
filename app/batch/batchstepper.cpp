#include "batchstepper.h"

#include "annotationeditor.h"
#include "batchpanel.h"
#include "editgate.h"
#include "imageviewer.h"
#include "imagevisit.h"
#include "labelpath.h"
#include "labelviewer.h"
#include "sessionquestions.h"
#include "starttrace.h"

#include <QFileInfo>
#include <QPixmap>

#include <iostream>

BatchStepper::BatchStepper(ImageVisit& visit, ImageViewer& viewer, LabelViewer& table,
                           AnnotationEditor& editor, BatchPanel& panel, QWidget* window)
    : visit(visit), viewer(viewer), table(table), editor(editor), panel(panel), window(window)
{
    connect(&prefetcher, &ImagePrefetcher::sglSharpImageReady, this, &BatchStepper::showSharp);
    connect(&prefetcher, &ImagePrefetcher::sglImageArrived, this, &BatchStepper::showArrived);
    // Entering reads the label file, and so does a read once the claim settles.
    connect(&visit, &ImageVisit::entered, this, &BatchStepper::markShownImage);
}

void BatchStepper::markShownImage()
{
    if (currentImage < 0 || currentImage >= imagePaths.size())
        return;
    // Another program may have written or removed the file since the batch was listed.
    panel.setLabelled(currentImage, labelPaths.keeperOf(currentImage).isEmpty() &&
                                        visit.session().hasLabelFile());
}

void BatchStepper::start(const BatchFiles& batch, int first)
{
    if (batch.imagePaths.isEmpty())
        return;
    traceStartStep("batch started");
    std::cout << batch.imagePaths.size() << std::endl;
    begin(batch, first);
}

void BatchStepper::startWithOne(const QString& imagePath, bool chosenToLabel)
{
    traceStartStep("first image started");
    // Its label file and proposal known, so the panel counts it as the whole list will; only a
    // remembered image is looked up. The listing tells no image that may share its label file,
    // so no twin is looked for, which on a share would cost a look-up for each spelling of each
    // image suffix.
    const QStringList one{imagePath};
    const bool proposed = !chosenToLabel && QFileInfo(proposalPathFor(imagePath)).isFile();
    begin({one,
           chosenToLabel ? std::vector<bool>{false} : findLabelFiles(one),
           {proposed},
           {},
           {},
           {}},
          0);
}

bool BatchStepper::holdsOnly(const QString& imagePath) const
{
    return imagePaths.size() == 1 && imagePaths.front() == imagePath;
}

void BatchStepper::adopt(const BatchFiles& batch, int row)
{
    // An image that could not be shown stays unshown, as when a batch starts on it.
    const bool shown = shownRow() == 0;
    std::cout << batch.imagePaths.size() << std::endl;
    imagePaths = batch.imagePaths;
    currentImage = row;
    labelPaths = LabelPaths(imagePaths, batch.sharedLabels, batch.keepersOutside);
    panel.setBatch(batch, labelPaths);
    traceStartStep("batch listed in the panel");
    if (shown) {
        // Saved or read again while the list was made: the session knows.
        panel.setLabelled(row,
                          labelPaths.keeperOf(row).isEmpty() && visit.session().hasLabelFile());
        panel.showRow(row);
    }
    emit sglBatchChanged();
    prefetchLikelyNext();
    if (shown)
        emit sglShown();
}

void BatchStepper::begin(const BatchFiles& batch, int first)
{
    imagePaths = batch.imagePaths;
    currentImage = first;
    stepDirection = 1;
    prefetcher.clear();
    setLoading(false);
    labelPaths = LabelPaths(imagePaths, batch.sharedLabels, batch.keepersOutside);
    panel.setBatch(batch, labelPaths);
    traceStartStep("batch listed in the panel");
    emit sglBatchChanged();
    loadCurrentImage();
}

void BatchStepper::close()
{
    prefetcher.clear();
    setLoading(false);
    imagePaths.clear();
    labelPaths = LabelPaths(imagePaths);
    currentImage = 0;
    panel.setBatch(BatchFiles(), labelPaths);
    emit sglBatchChanged();
    // Nothing of the old batch stays on screen: a white area of the same size.
    QPixmap blank(1, 1);
    blank.fill(Qt::white);
    viewer.imageWidget()->resetDrawing();
    viewer.setImage(blank, viewer.imageWidget()->imageSize());
    editor.showWholeAnnotation();
    emit sglShown();
}

void BatchStepper::loadCurrentImage()
{
    if (currentImage < 0 || currentImage >= imagePaths.size())
        return;
    if (loading && currentImage == shownRow()) {
        returnToShownImage();
        return;
    }
    readEntryAhead();
    ScreenImage image =
        prefetcher.takeOrDecodeBehind(imagePaths[currentImage], viewer.displayScale());
    setLoading(image.pending);
    if (image.isNull() && !image.pending) {
        warnCannotOpen(imagePaths[currentImage], image);
        return;
    }
    // The worker starts on the next image while this one is handed over.
    prefetchLikelyNext();
    if (!image.pending)
        enterCurrentImage(std::move(image));
}

void BatchStepper::setLoading(bool isLoading)
{
    visit.session().editGate().setImageLoading(isLoading);
    if (loading == isLoading)
        return;
    loading = isLoading;
    emit sglLoadingChanged(isLoading);
}

// Stepped back to while another image loads: still on screen, saved as it was left, read anew.
void BatchStepper::returnToShownImage()
{
    prefetcher.stopAwaiting();
    setLoading(false);
    visit.reenter();
    prefetchLikelyNext();
    emit sglShown();
}

void BatchStepper::warnCannotOpen(const QString& path, const ScreenImage& image)
{
    warn(window, QStringLiteral("Cannot open image ") + path + image.refusalNote());
}

void BatchStepper::showArrived(const QString& path, const ScreenImage& image)
{
    if (!loading || imagePaths.value(currentImage) != path)
        return;
    setLoading(false);
    if (!image.isNull()) {
        enterCurrentImage(image);
        return;
    }
    warnCannotOpen(imagePaths[currentImage], image);
    // The image left stays on screen, and may be edited again; without one, nothing may be.
    if (!visit.session().isOpen())
        visit.session().editGate().setHold(EditGate::Hold::Closed);
    emit sglShown();
}

void BatchStepper::enterCurrentImage(ScreenImage image)
{
    traceStartStep(image.partial ? "top of the image decoded" : "image decoded");
    const QPixmap pixmap = QPixmap::fromImage(std::move(image.pixels));
    table.clearSelection();
    editor.forgetDrag();
    const QString sharer = labelPaths.keeperOf(currentImage);
    visit.enter(
        imagePaths[currentImage], labelPaths[currentImage],
        [&] {
            viewer.imageWidget()->resetDrawing();
            viewer.setImage(pixmap, image.fullSize);
            editor.showWholeAnnotation();
            panel.showRow(currentImage);
            emit sglShown();
            if (image.isReducedToFit())
                emit sglNote(image.reductionNote());
            else if (image.firstPageOnly)
                emit sglNote(ScreenImage::firstPageNote());
        },
        sharer);
}

void BatchStepper::showSharp(const QString& path, const ScreenImage& image)
{
    const int shown = shownRow();
    if (shown < 0 || imagePaths[shown] != path)
        return;
    // Only its top was shown; what is on screen stays, for the operator to know.
    if (image.isNull())
        warnCannotOpen(path, image);
    else
        viewer.setImage(QPixmap::fromImage(image.pixels), image.fullSize);
}

void BatchStepper::readEntryAhead()
{
    // Already read, or being read, when it was the likely next one.
    visit.readAhead({imagePaths[currentImage]}, {labelPaths[currentImage]});
}

// The operator usually goes on in the direction of the last step; one who skims at a
// small scale finds the image after that made ahead too.
void BatchStepper::decodeAhead(const QString& imagePath)
{
    prefetcher.prefetch(imagePath, viewer.displayScale());
}

void BatchStepper::prefetchLikelyNext()
{
    QStringList likelyNext;
    QStringList likelyLabels;
    for (const int next : {currentImage + stepDirection, currentImage + 2 * stepDirection})
        if (next >= 0 && next < imagePaths.size()) {
            likelyNext << imagePaths[next];
            likelyLabels << labelPaths[next];
        }
    prefetcher.prefetch(likelyNext, viewer.displayScale());
    // The image still loading is entered once its pixels come: its read stays wanted.
    if (loading) {
        likelyNext.prepend(imagePaths[currentImage]);
        likelyLabels.prepend(labelPaths[currentImage]);
    }
    // With the pixels, what entering them needs from the disk.
    visit.readAhead(likelyNext, likelyLabels);
}

int BatchStepper::shownRow() const
{
    return panel.list().shownRow();
}

void BatchStepper::next()
{
    // An annotation that could not be written stays on screen rather than being dropped.
    if (imagePaths.isEmpty() || !visit.leave(SaveGuard::Proposal::Accept))
        return;
    if (currentImage < imagePaths.size() - 1) {
        stepDirection = 1;
        ++currentImage;
        loadCurrentImage();
    }
}

void BatchStepper::previous()
{
    if (imagePaths.isEmpty() || !visit.leave())
        return;
    if (currentImage > 0) {
        stepDirection = -1;
        --currentImage;
        loadCurrentImage();
    }
}

void BatchStepper::nextUnlabelled()
{
    if (imagePaths.isEmpty() || !visit.leave(SaveGuard::Proposal::Accept))
        return;
    const int next = panel.list().nextUnlabelledRow(currentImage);
    if (next == -1)
        emit sglNote(QStringLiteral("No image without a label file after this one"));
    else
        goTo(next);
}

// Leaves the image as Down does: it is saved first, and stays when that fails.
void BatchStepper::goTo(int index, SaveGuard::Proposal proposal)
{
    if (index >= 0 && index < imagePaths.size() && index != currentImage && visit.leave(proposal)) {
        stepDirection = index > currentImage ? 1 : -1;
        currentImage = index;
        loadCurrentImage();
    }
    // A click that did not lead there must not leave the list pointing elsewhere.
    panel.followShownImage();
}
