#include "shapepainter.h"

#include "geometry.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QTextOption>

#include <cmath>

namespace {
const QColor rubberBandColor(200, 200, 0, 150);
const QColor activeShapeColor(150, 0, 0, 120);
const QColor shapeColor(0, 150, 0, 120);
const QColor captionColor(20, 20, 20, 200);
const qreal rubberBandWidth = 2.0;
const qreal captionPenWidth = 1.0;
const int captionPointSize = 15;
const char* const captionFamily = "Times New Roman";
const std::size_t cornersPerShape = 4;
// The active shape's corner handles are squares of a constant size on screen.
const QColor handleColor(150, 0, 0);
const double handleHalfSize = 3.5;
// Handles, antialiased edges and pen caps reach this far beyond a shape's corners.
const int edgeMargin = 6;
// Glyphs may overhang their laid-out box a little.
const int captionMargin = 6;
// Beyond this many different captions the size cache starts over.
const int captionCacheLimit = 4096;
const int textFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

QFont captionFont()
{
    QFont font;
    font.setPointSize(captionPointSize);
    font.setFamily(captionFamily);
    return font;
}

} // namespace

void ShapePainter::paintFills(QPainter& painter, const ViewTransform& view,
                              const std::vector<Label>& labels, int activeShape,
                              const QRegion& damaged) const
{
    const QBrush activeBrush(activeShapeColor);
    const QBrush otherBrush(shapeColor);
    for (std::size_t j = 0; j < labels.size(); ++j) {
        const std::vector<QPoint>& points = labels[j].points;
        // Outside the damaged area the fill could not change a pixel.
        if (!damaged.intersects(cornersArea(view, points)))
            continue;
        QPolygonF outline;
        outline.reserve(qsizetype(points.size()));
        for (const QPoint& point : points)
            outline << view.toCanvas(point);
        QPainterPath path;
        path.addPolygon(outline);
        const bool active = activeShape >= 0 && static_cast<std::size_t>(activeShape) == j;
        painter.fillPath(path, active ? activeBrush : otherBrush);
    }
}

void ShapePainter::paintHandles(QPainter& painter, const ViewTransform& view,
                                const std::vector<QPoint>& corners) const
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(handleColor);
    const QPointF half(handleHalfSize, handleHalfSize);
    for (const QPoint& corner : corners) {
        const QPointF centre = view.toCanvas(corner);
        painter.drawRect(QRectF(centre - half, centre + half));
    }
}

void ShapePainter::paintCaptions(QPainter& painter, const ViewTransform& view,
                                 const QSize& canvasSize, const std::vector<Label>& labels,
                                 const QRegion& damaged) const
{
    painter.setFont(captionFont());
    painter.setPen(
        QPen(QBrush(captionColor), captionPenWidth, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));

    const QSizeF area(canvasSize);
    for (const Label& label : labels) {
        // Without points there is no centre to hang the caption from.
        if (label.tags.empty() || label.points.empty())
            continue;
        if (!damaged.intersects(captionArea(view, canvasSize, label)))
            continue;
        painter.drawText(QRectF(QPointF(captionAnchor(view, label.points)), area), label.text,
                         QTextOption());
    }
}

void ShapePainter::paintOutline(QPainter& painter, const ViewTransform& view,
                                const std::vector<QPoint>& corners, const QPoint& cursor) const
{
    if (corners.empty())
        return;
    painter.setPen(QPen(QBrush(rubberBandColor), rubberBandWidth, Qt::SolidLine, Qt::SquareCap,
                        Qt::BevelJoin));
    const std::size_t count = corners.size();
    for (std::size_t i = 1; i < count; ++i)
        painter.drawLine(view.toCanvas(corners[i]), view.toCanvas(corners[i - 1]));
    painter.drawLine(view.toCanvas(corners[count - 1]), view.toCanvas(cursor));
    // With three corners the outline closes through the mouse position.
    if (count == cornersPerShape - 1)
        painter.drawLine(view.toCanvas(corners[0]), view.toCanvas(cursor));
}

QRect ShapePainter::cornersArea(const ViewTransform& view, const std::vector<QPoint>& corners) const
{
    return view.canvasArea(corners, edgeMargin);
}

QRect ShapePainter::captionArea(const ViewTransform& view, const QSize& canvasSize,
                                const Label& label) const
{
    if (label.tags.empty() || label.points.empty() || label.text.isEmpty())
        return QRect();
    const QSize size = captionSize(label.text, canvasSize);
    // In floating point: an anchor far out on a hand-made file's shape must not overflow.
    return saturatedRect(
        QRectF(QPointF(captionAnchor(view, label.points)), QSizeF(size))
            .adjusted(-captionMargin, -captionMargin, captionMargin, captionMargin));
}

// The mean of the corners as placed on the canvas, each half rounded towards
// positive infinity; at the original size that is the mean in image pixels.
QPoint ShapePainter::captionAnchor(const ViewTransform& view,
                                   const std::vector<QPoint>& points) const
{
    qint64 sumX = 0;
    qint64 sumY = 0;
    for (const QPoint& point : points) {
        sumX += point.x();
        sumY += point.y();
    }
    const double count = static_cast<double>(points.size());
    const QPointF mean(static_cast<double>(sumX) / count, static_cast<double>(sumY) / count);
    const QPointF onCanvas = view.toCanvas(mean);
    return QPoint(saturatedCoordinate(std::floor(onCanvas.x() + 0.5)),
                  saturatedCoordinate(std::floor(onCanvas.y() + 0.5)));
}

QSize ShapePainter::captionSize(const QString& text, const QSize& canvasSize) const
{
    if (captionSizesWidth != canvasSize.width() || captionSizes.size() > captionCacheLimit) {
        captionSizes.clear();
        captionSizesWidth = canvasSize.width();
    }
    auto size = captionSizes.constFind(text);
    if (size == captionSizes.constEnd()) {
        const QRect layout = QFontMetrics(captionFont(), canvas)
                                 .boundingRect(QRect(QPoint(0, 0), canvasSize), textFlags, text);
        size = captionSizes.insert(text, layout.size());
    }
    return *size;
}
