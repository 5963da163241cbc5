// The size of the shape under the mouse while it is drawn or moved, for the status bar.
#include "livesize.h"

#include "imagewidget.h"

#include <algorithm>
#include <limits>

QSize boundingSize(const std::vector<QPoint>& corners)
{
    if (corners.empty())
        return QSize();
    const auto [left, right] = std::minmax_element(
        corners.begin(), corners.end(), [](QPoint a, QPoint b) { return a.x() < b.x(); });
    const auto [top, bottom] = std::minmax_element(
        corners.begin(), corners.end(), [](QPoint a, QPoint b) { return a.y() < b.y(); });
    // A label file may hold corners across the whole int range: the span is capped, not wrapped.
    const auto span = [](int low, int high) {
        return int(std::min<qint64>(qint64(high) - low, std::numeric_limits<int>::max()));
    };
    return QSize(span(left->x(), right->x()), span(top->y(), bottom->y()));
}

// A moved shape keeps its size, so the corners it had when the drag began tell it.
std::vector<QPoint> ImageWidget::measuredCorners() const
{
    std::vector<QPoint> corners;
    if (mode == Drawing) {
        corners = newShapePoints;
        corners.push_back(cursorPos);
    } else if (mode == Moving) {
        corners = shapeBeforeMove;
    } else if (mode == MovingCorner && hasShape(activeShape)) {
        corners = annotation.labels[activeShape].points;
        if (movedCorner >= 0 && std::size_t(movedCorner) < corners.size())
            corners[std::size_t(movedCorner)] = draggedCorner;
    } else if (mode == Boxing) {
        corners = {view.imagePixelAt(boxStart), view.imagePixelAt(boxEnd)};
    }
    return corners;
}

void ImageWidget::reportSize()
{
    const std::vector<QPoint> corners = measuredCorners();
    if (!corners.empty()) {
        measuring = true;
        emit sglSizeMeasured(pointerPixel, boundingSize(corners));
    } else if (measuring) {
        measuring = false;
        emit sglSizeCleared();
    }
}
