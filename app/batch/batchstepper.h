#ifndef QUADROTAG_BATCHSTEPPER_H
#define QUADROTAG_BATCHSTEPPER_H

#include "batchfiles.h"
#include "imageprefetcher.h"
#include "labelpaths.h"
#include "saveguard.h"

#include <QObject>
#include <QString>
#include <QStringList>

class AnnotationEditor;
class BatchPanel;
class ImageViewer;
class ImageVisit;
class LabelViewer;
class QWidget;

// The open batch and the steps through it: which image is on screen, decoding the one to be
// shown and the one likely next, and every move from one image to another, each of which
// leaves the image on screen through the visit and enters the next through it.
class BatchStepper : public QObject
{
    Q_OBJECT

public:
    BatchStepper(ImageVisit& visit, ImageViewer& viewer, LabelViewer& table,
                 AnnotationEditor& editor, BatchPanel& panel, QWidget* window);

    // Makes these files the batch and shows the image at first; the image on screen was left.
    void start(const BatchFiles& batch, int first);
    // A batch of this one image, shown while the folder it lies in is still being listed;
    // chosenToLabel: the listing chose it for having neither a label file nor a proposal.
    void startWithOne(const QString& imagePath, bool chosenToLabel = false);
    // Whether the batch is that one image, on screen or not.
    bool holdsOnly(const QString& imagePath) const;
    // Makes these files the batch around that one image, which is its row and stays as it is:
    // nothing of it is left, saved, read or decoded again.
    void adopt(const BatchFiles& batch, int row);
    // No batch any more: nothing of it is on screen or in memory.
    void close();
    // Down, Up and Ctrl+Down: the image on screen is left first and stays when that fails.
    void next();
    void previous();
    void nextUnlabelled();
    // To the image at index, as a click in the list does.
    void goTo(int index, SaveGuard::Proposal proposal = SaveGuard::Proposal::Keep);
    // The image on screen was shown reduced; its sharp pixels take its place.
    void showSharp(const QString& path, const ScreenImage& image);
    // The image stepped to, decoded on a worker, is shown if the operator is still on it.
    void showArrived(const QString& path, const ScreenImage& image);
    // Starts decoding the image likely shown next, before it is known to be.
    void decodeAhead(const QString& imagePath);
    // Leaves the prefetcher's work, as the window closes.
    void stopDecoding() { prefetcher.clear(); }

    const QStringList& paths() const { return imagePaths; }
    const LabelPaths& labels() const { return labelPaths; }
    // The position of the image on screen, or -1; after a failed decode not current().
    int shownRow() const;
    // The image stepped to is being decoded on a worker; the one left, if any, is on screen.
    bool isLoading() const { return loading; }
    const ImagePrefetcher& imagePrefetcher() const { return prefetcher; }

signals:
    void sglNote(const QString& note);
    // A new image is on screen, or the batch was closed, or the one stepped to failed to arrive.
    void sglShown();
    // A batch was started or closed; its images are listed, none is shown yet.
    void sglBatchChanged();
    // The image stepped to began or ended being decoded on a worker.
    void sglLoadingChanged(bool loading);

private:
    void begin(const BatchFiles& batch, int first);
    void loadCurrentImage();
    // What entering the current image needs from the disk, read on a worker beside its decode.
    void readEntryAhead();
    void enterCurrentImage(ScreenImage image);
    void setLoading(bool loading);
    void returnToShownImage();
    void warnCannotOpen(const QString& path, const ScreenImage& image);
    void markShownImage();
    void prefetchLikelyNext();

    ImageVisit& visit;
    ImageViewer& viewer;
    LabelViewer& table;
    AnnotationEditor& editor;
    BatchPanel& panel;
    QWidget* window;
    QStringList imagePaths;
    LabelPaths labelPaths;
    int currentImage = 0;
    // +1 after Down and at the start of a batch, -1 after Up.
    int stepDirection = 1;
    // The current image is being decoded on a worker; the one left is still on screen.
    bool loading = false;
    // Decodes the image the operator will most likely show next.
    ImagePrefetcher prefetcher;
};

#endif
