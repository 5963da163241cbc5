#include "imagelayer.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

void ImageLayer::setPixmap(const QPixmap& newPixmap, const QSize& newFullSize)
{
    currentPixmap = newPixmap;
    imageSize = newFullSize;
}

void ImageLayer::paint(QPainter& painter, const ViewTransform& view, const QRect& damaged) const
{
    if (view.isOriginalSize() && !isReduced())
        drawWhole(painter, currentPixmap, damaged);
    else if (view.scale() < 1.0)
        drawWhole(painter, downscaledPixmap(view), damaged);
    else
        drawEnlarged(painter, view, damaged);
}

const QPixmap& ImageLayer::downscaledPixmap(const ViewTransform& view) const
{
    if (downscaledKey != currentPixmap.cacheKey() || downscaledScale != view.scale()) {
        downscaled = currentPixmap.scaled(view.canvasSize(imageSize), Qt::IgnoreAspectRatio,
                                          Qt::SmoothTransformation);
        downscaledKey = currentPixmap.cacheKey();
        downscaledScale = view.scale();
    }
    return downscaled;
}

// Only the pixels in view are enlarged, without smoothing so that they stay crisp.
void ImageLayer::drawEnlarged(QPainter& painter, const ViewTransform& view,
                              const QRect& damaged) const
{
    const QRect source = view.imagePixelsIn(damaged, imageSize);
    const QRectF target(view.toCanvas(source.topLeft()),
                        view.toCanvas(source.bottomRight() + QPoint(1, 1)));
    // A reduced pixmap is stretched over the whole image.
    const double across = double(currentPixmap.width()) / imageSize.width();
    const double down = double(currentPixmap.height()) / imageSize.height();
    const QRectF inPixmap(source.x() * across, source.y() * down, source.width() * across,
                          source.height() * down);
    drawPart(painter, target, currentPixmap, inPixmap);
}

// Only the scaled pixels on screen are adjusted, so a change costs what the view holds,
// whatever the size of the image.
void ImageLayer::drawWhole(QPainter& painter, const QPixmap& shown, const QRect& damaged) const
{
    if (currentAdjustment.isNeutral()) {
        painter.drawPixmap(0, 0, shown);
        return;
    }
    const QRectF part(damaged & shown.rect());
    drawPart(painter, part, shown, part);
}

void ImageLayer::drawPart(QPainter& painter, const QRectF& target, const QPixmap& shown,
                          const QRectF& source) const
{
    if (currentAdjustment.isNeutral()) {
        painter.drawPixmap(target, shown, source);
        return;
    }
    // A paint event may name the whole canvas; only what the view shows is worth adjusting.
    const QRectF inView = target & QRectF(canvas->visibleRegion().boundingRect());
    if (inView.isEmpty())
        return;
    const double across = source.width() / target.width();
    const double down = source.height() / target.height();
    const QRectF seen(source.x() + (inView.x() - target.x()) * across,
                      source.y() + (inView.y() - target.y()) * down, inView.width() * across,
                      inView.height() * down);
    const QRect whole = seen.toAlignedRect() & shown.rect();
    if (whole.isEmpty())
        return;
    const QImage part = adjustedCopy(shown.toImage(), whole, currentAdjustment);
    painter.drawImage(inView, part, seen.translated(-QPointF(whole.topLeft())));
}
