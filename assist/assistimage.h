#ifndef QUADROTAG_ASSISTIMAGE_H
#define QUADROTAG_ASSISTIMAGE_H

#include "quadfit.h"

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSize>

#include <optional>

// The pixels shown for an image, perhaps a reduced decode of it, as the drawing aids see
// them: every position in and out is in full-resolution pixels (pixel centres at whole
// numbers), and only a window around the place asked about is ever read.
class AssistImage
{
public:
    AssistImage() = default;
    // pixels stretched over an image of fullSize; an empty fullSize means pixels is the
    // whole image. The pixels are shared, not copied.
    AssistImage(const QImage& pixels, const QSize& fullSize);

    // The strongest corner within radius of near, found on the pixels and refined to a
    // fraction of a pixel; none when no corner stands out there.
    std::optional<QPointF> snapCorner(const QPointF& near, double radius) const;
    // The most prominent convex quadrilateral inside box covering at least a third of it,
    // each corner snapped within cornerRadius, in click order; none when there is none.
    std::optional<Quadrilateral> quadrilateralIn(const QRectF& box, double cornerRadius) const;

    // The same quadrilateral as found, before its corners are snapped, and how far its
    // corners may be off the picture's own.
    struct Outline
    {
        Quadrilateral corners;
        double cornerReach = 0.0;
    };
    std::optional<Outline> outlineIn(const QRectF& box) const;
    // Its corners each snapped within cornerRadius or its own reach, whichever is larger.
    Quadrilateral snapped(const Outline& outline, double cornerRadius) const;

    bool isNull() const { return pixels.isNull(); }

private:
    // The 8-bit gray pixels of this area of pixels, reduced so that its longer side has at
    // most maximumSide pixels (0: not reduced); offset and step map them back.
    struct GrayWindow
    {
        cv::Mat gray;
        QPointF origin;
        double step = 1.0;
        QPointF toFull(const cv::Point2f& point) const;
        cv::Point2f fromFull(const QPointF& point) const;
    };
    GrayWindow grayWindow(const QRectF& area, int maximumSide) const;
    double fullPerPixel() const;

    QImage pixels;
    QSize fullSize;
};

#endif
