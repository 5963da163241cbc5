#ifndef QUADROTAG_VIEWTRANSFORM_H
#define QUADROTAG_VIEWTRANSFORM_H

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>

#include <vector>

// How the canvas shows its image: image pixel p covers the canvas area from p * scale
// to (p + 1) * scale. Painting, hit tests and repaint areas all go through it, so image
// and canvas coordinates never meet in one expression. Positions are mapped in floating
// point and only saturated into 32 bits at the end, as a label file may hold any corner.
class ViewTransform
{
public:
    explicit ViewTransform(double scale = 1.0) : factor(scale) {}

    double scale() const { return factor; }
    bool isOriginalSize() const { return factor == 1.0; }

    // The canvas size that shows the whole image, at least one pixel each way.
    QSize canvasSize(const QSize& imageSize) const;
    QPointF toCanvas(const QPoint& imagePoint) const;
    QPointF toCanvas(const QPointF& imagePoint) const;
    QPointF toImage(const QPointF& canvasPosition) const;
    // The image pixel under the centre of the canvas pixel at this position; at
    // scale 1 and whole-pixel positions that is the position itself.
    QPoint imagePixelAt(const QPointF& canvasPosition) const;
    // Canvas area of the bounding box of these image points, grown by margin on
    // every side; empty for no points.
    QRect canvasArea(const std::vector<QPoint>& imagePoints, int margin) const;
    // The whole image pixels that show in this canvas area.
    QRect imagePixelsIn(const QRect& canvasRect, const QSize& imageSize) const;

private:
    double factor;
};

// A rectangle cut down to what a QRect can hold with room to spare for adjustments.
QRect saturatedRect(const QRectF& rect);

#endif
