#ifndef QUADROTAG_SCREENIMAGE_H
#define QUADROTAG_SCREENIMAGE_H

#include <QImage>
#include <QSize>
#include <QString>

// One decode of an image file for the screen: its pixels, perhaps at a fraction of the
// full resolution, and the size of the whole image, which is what shapes are measured in.
struct ScreenImage
{
    // 32-bit RGB; null when the image can't be shown.
    QImage pixels;
    // The upright size in full-resolution pixels; also known when the image was refused
    // for its size, empty when the file could not be read at all.
    QSize fullSize;
    // Full-resolution pixels per pixel along each side: 1, 2, 4 or 8.
    int reduction = 1;
    // The reduction of the sharpest decode this program makes of the image: 1, or the
    // least reduction that fits the memory budget.
    int sharpestReduction = 1;
    // The image holds more pixels than this program can, even at an eighth of each side,
    // so it was not decoded.
    bool tooLarge = false;
    // The file's size where the file itself was too large to read: its pixels were never the
    // reason. -1 otherwise.
    qint64 unreadFileBytes = -1;
    // The file holds more pages (a TIFF), of which only the first is shown.
    bool firstPageOnly = false;
    // Being decoded on a worker: the pixels come with ImagePrefetcher::sglImageArrived.
    bool pending = false;
    // Only the rows from the top down to the view's bottom have come, the rest is black: the
    // whole image follows.
    bool partial = false;

    bool isNull() const { return pixels.isNull(); }
    // No sharper decode of this image follows.
    bool isSharpest() const { return !partial && reduction == sharpestReduction; }
    // Shown reduced for good, because the full resolution would not fit the memory budget.
    bool isReducedToFit() const { return sharpestReduction > 1; }
    // For the warning about an image that can't be opened: why, when its size is the reason.
    QString refusalNote() const;
    // For the status bar while an image reduced to fit is shown.
    QString reductionNote() const;
    // For the status bar while the first page of several is shown.
    static QString firstPageNote();
};

// A 32-bit RGB image of this size in memory of its own, laid out in huge pages where the system
// offers them; null where it can't be had.
QImage screenBuffer(int width, int height);
// The top of an image still being decoded, for showing before the rest has come: the rows of
// sofar's pixels that hold the image's first `rows` rows copied, the rest black. Null where the
// memory can't be had.
ScreenImage topRowsOf(const ScreenImage& sofar, int rows);

#endif
