#ifndef QUADROTAG_IMAGELAYER_H
#define QUADROTAG_IMAGELAYER_H

#include "viewadjustment.h"
#include "viewtransform.h"

#include <QPixmap>
#include <QSize>

class QPainter;
class QWidget;

// The image under the shapes: a pixmap stretched over the whole image, which may have more
// pixels than the pixmap holds, shown with a brightness and contrast that never change the
// pixmap itself.
class ImageLayer
{
public:
    // Only the part of this canvas that is on screen is ever adjusted.
    explicit ImageLayer(const QWidget* canvas) : canvas(canvas) {}

    void setPixmap(const QPixmap& newPixmap, const QSize& newFullSize);
    void setAdjustment(const ViewAdjustment& newAdjustment) { currentAdjustment = newAdjustment; }
    // The smoothly scaled copy serves scales below the original size only.
    void releaseScaledCopy()
    {
        downscaled = QPixmap();
        // The copy made for a scale must be made again when that scale comes back.
        downscaledKey = 0;
        downscaledScale = 0.0;
    }
    void paint(QPainter& painter, const ViewTransform& view, const QRect& damaged) const;

    const QPixmap& pixmap() const { return currentPixmap; }
    QSize fullSize() const { return imageSize; }
    bool isReduced() const { return currentPixmap.size() != imageSize; }
    const ViewAdjustment& adjustment() const { return currentAdjustment; }

private:
    const QPixmap& downscaledPixmap(const ViewTransform& view) const;
    void drawEnlarged(QPainter& painter, const ViewTransform& view, const QRect& damaged) const;
    void drawWhole(QPainter& painter, const QPixmap& shown, const QRect& damaged) const;
    void drawPart(QPainter& painter, const QRectF& target, const QPixmap& shown,
                  const QRectF& source) const;

    const QWidget* canvas;
    QPixmap currentPixmap;
    // The size of the image shown, of which currentPixmap may be a reduced decode.
    QSize imageSize;
    ViewAdjustment currentAdjustment;

    // Below the original size the image is drawn from a smoothly scaled copy made
    // once per scale and image: scaling the full image on every frame is too slow.
    mutable QPixmap downscaled;
    mutable qint64 downscaledKey = 0;
    mutable double downscaledScale = 0.0;
};

#endif
