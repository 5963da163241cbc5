#ifndef QUADROTAG_SHAPEPAINTER_H
#define QUADROTAG_SHAPEPAINTER_H

#include "label.h"
#include "viewtransform.h"

#include <QHash>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <QString>

#include <vector>

class QPaintDevice;
class QPainter;

// The shapes over the image as the canvas draws them through its view transform: translucent
// fills, the active shape's corner handles, the captions and the outline of a shape being
// drawn. It also tells which part of the canvas each covers, so that a change repaints only
// there.
class ShapePainter
{
public:
    // Captions are measured for the device they are drawn on.
    explicit ShapePainter(const QPaintDevice* canvas) : canvas(canvas) {}

    // The shape at activeShape red, every other one green; an index beyond the list
    // matches none.
    void paintFills(QPainter& painter, const ViewTransform& view, const std::vector<Label>& labels,
                    int activeShape, const QRegion& damaged) const;
    void paintHandles(QPainter& painter, const ViewTransform& view,
                      const std::vector<QPoint>& corners) const;
    // Captions wrap at the width of the canvas, whose size is canvasSize.
    void paintCaptions(QPainter& painter, const ViewTransform& view, const QSize& canvasSize,
                       const std::vector<Label>& labels, const QRegion& damaged) const;
    // The outline through the corners placed so far and on to the mouse position.
    void paintOutline(QPainter& painter, const ViewTransform& view,
                      const std::vector<QPoint>& corners, const QPoint& cursor) const;

    // Where fills, handles and outlines through these corners may reach on the canvas.
    QRect cornersArea(const ViewTransform& view, const std::vector<QPoint>& corners) const;
    QRect captionArea(const ViewTransform& view, const QSize& canvasSize, const Label& label) const;

private:
    QPoint captionAnchor(const ViewTransform& view, const std::vector<QPoint>& points) const;
    QSize captionSize(const QString& text, const QSize& canvasSize) const;

    const QPaintDevice* canvas;
    // Laid-out caption sizes by text, for the wrapping width they were measured at,
    // so that a repaint can tell which captions reach into the damaged area.
    mutable QHash<QString, QSize> captionSizes;
    mutable int captionSizesWidth = -1;
};

#endif
