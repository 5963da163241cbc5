#include "viewtransform.h"

#include "geometry.h"

#include <algorithm>
#include <cmath>

namespace {
// Repaint areas are kept well inside the 32-bit range so that QRect arithmetic on
// them (united, adjusted, intersected) cannot overflow.
const double areaLimit = 1 << 30;

double clampedToArea(double value)
{
    return std::clamp(value, -areaLimit, areaLimit);
}
} // namespace

QRect saturatedRect(const QRectF& rect)
{
    if (rect.isEmpty())
        return QRect();
    const int left = int(std::floor(clampedToArea(rect.left())));
    const int top = int(std::floor(clampedToArea(rect.top())));
    const int right = int(std::ceil(clampedToArea(rect.right())));
    const int bottom = int(std::ceil(clampedToArea(rect.bottom())));
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

QSize ViewTransform::canvasSize(const QSize& imageSize) const
{
    const int width = std::max(1, int(std::lround(imageSize.width() * factor)));
    const int height = std::max(1, int(std::lround(imageSize.height() * factor)));
    return QSize(width, height);
}

QPointF ViewTransform::toCanvas(const QPoint& imagePoint) const
{
    return QPointF(double(imagePoint.x()) * factor, double(imagePoint.y()) * factor);
}

QPointF ViewTransform::toCanvas(const QPointF& imagePoint) const
{
    return imagePoint * factor;
}

QPointF ViewTransform::toImage(const QPointF& canvasPosition) const
{
    return canvasPosition / factor;
}

QPoint ViewTransform::imagePixelAt(const QPointF& canvasPosition) const
{
    // A centre on the border between two image pixels goes to the upper-left one, as
    // the toolkit's unsmoothed enlargement draws it, so a click addresses what it shows.
    const double x = std::ceil((canvasPosition.x() + 0.5) / factor) - 1.0;
    const double y = std::ceil((canvasPosition.y() + 0.5) / factor) - 1.0;
    return QPoint(saturatedCoordinate(x), saturatedCoordinate(y));
}

QRect ViewTransform::canvasArea(const std::vector<QPoint>& imagePoints, int margin) const
{
    if (imagePoints.empty())
        return QRect();
    const auto [minX, maxX] =
        std::minmax_element(imagePoints.begin(), imagePoints.end(),
                            [](const QPoint& a, const QPoint& b) { return a.x() < b.x(); });
    const auto [minY, maxY] =
        std::minmax_element(imagePoints.begin(), imagePoints.end(),
                            [](const QPoint& a, const QPoint& b) { return a.y() < b.y(); });
    const QPointF topLeft = toCanvas(QPoint(minX->x(), minY->y()));
    const QPointF bottomRight = toCanvas(QPoint(maxX->x(), maxY->y()));
    // Like QPolygon::boundingRect, the box holds the pixel at the bottom-right corner.
    return saturatedRect(
        QRectF(topLeft, bottomRight).adjusted(-margin, -margin, margin + 1, margin + 1));
}

QRect ViewTransform::imagePixelsIn(const QRect& canvasRect, const QSize& imageSize) const
{
    const QRectF imageArea(canvasRect.x() / factor, canvasRect.y() / factor,
                           canvasRect.width() / factor, canvasRect.height() / factor);
    return saturatedRect(imageArea).intersected(QRect(QPoint(0, 0), imageSize));
}
