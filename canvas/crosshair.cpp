#include "crosshair.h"

#include "viewtransform.h"

#include <QPainter>
#include <QPen>

#include <cmath>

namespace {
const int dashLength = 4;
}

std::optional<QPoint> Crosshair::canvasPoint(const ViewTransform& view) const
{
    if (!shown || !pixel)
        return std::nullopt;
    // Through the middle of the pixel, at any zoom.
    const QPointF centre = view.toCanvas(QPointF(*pixel) + QPointF(0.5, 0.5));
    return QPoint(int(std::floor(centre.x())), int(std::floor(centre.y())));
}

QRect Crosshair::horizontalArea(const ViewTransform& view, const QSize& canvasSize) const
{
    const std::optional<QPoint> at = canvasPoint(view);
    return at ? QRect(0, at->y(), canvasSize.width(), 1) : QRect();
}

QRect Crosshair::verticalArea(const ViewTransform& view, const QSize& canvasSize) const
{
    const std::optional<QPoint> at = canvasPoint(view);
    return at ? QRect(at->x(), 0, 1, canvasSize.height()) : QRect();
}

void Crosshair::paint(QPainter& painter, const ViewTransform& view, const QRect& exposed) const
{
    const std::optional<QPoint> at = canvasPoint(view);
    if (!at)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Dashes start at the canvas edge, so a repainted strip continues the pattern.
    const QLine horizontal(0, at->y(), exposed.right(), at->y());
    const QLine vertical(at->x(), 0, at->x(), exposed.bottom());
    QPen dark(Qt::black, 0);
    painter.setPen(dark);
    painter.drawLine(horizontal);
    painter.drawLine(vertical);
    QPen light(Qt::white, 0);
    light.setDashPattern({dashLength, dashLength});
    painter.setPen(light);
    painter.drawLine(horizontal);
    painter.drawLine(vertical);
    painter.restore();
}
