#include "appicondrawing.h"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>

namespace {

// Everything is drawn on a 256-unit square and scaled to the requested size.
constexpr qreal designSize = 256.0;

const QColor outlineColor(0x2f, 0x3b, 0x48);
const QColor wallColor(0xdc, 0xe8, 0xf0);
const QColor floorColor(0xb5, 0x8b, 0x5a);
const QColor shapeOutlineColor(0xd7, 0x26, 0x3d);
const QColor shapeFillColor(0xd7, 0x26, 0x3d, 0x60);
const QColor tagColor(0xf4, 0xb4, 0x00);
const QColor holeColor(Qt::white);

const QRectF photoRect(14, 30, 228, 196);
constexpr qreal photoCornerRadius = 22;
constexpr qreal horizonY = 160;
const QPolygonF shapeCorners({{50, 86}, {172, 58}, {192, 176}, {66, 198}});
const QPointF tagAnchor(186, 174);
constexpr qreal tagAngle = -28;

// A line of `width` design units, but never thinner than one pixel of the drawn image.
QPen visiblePen(const QColor& color, qreal width, int size)
{
    const qreal onePixel = designSize / size;
    QPen pen(color, std::max(width, onePixel));
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void drawPhoto(QPainter& painter, int size)
{
    QPainterPath frame;
    frame.addRoundedRect(photoRect, photoCornerRadius, photoCornerRadius);
    painter.setPen(Qt::NoPen);
    painter.setBrush(wallColor);
    painter.drawPath(frame);
    painter.save();
    painter.setClipPath(frame);
    painter.setBrush(floorColor);
    painter.drawRect(
        QRectF(photoRect.left(), horizonY, photoRect.width(), photoRect.bottom() - horizonY));
    painter.restore();
    painter.setPen(visiblePen(outlineColor, 8, size));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(frame);
}

void drawShape(QPainter& painter, int size)
{
    painter.setPen(visiblePen(shapeOutlineColor, 10, size));
    painter.setBrush(shapeFillColor);
    painter.drawPolygon(shapeCorners);
}

// A luggage tag hanging from the shape's corner, its hole at the anchor.
void drawTag(QPainter& painter, int size)
{
    painter.save();
    painter.translate(tagAnchor);
    painter.rotate(tagAngle);
    const QPolygonF tag({{-14, -8}, {14, -8}, {30, 14}, {30, 70}, {-30, 70}, {-30, 14}});
    painter.setPen(visiblePen(outlineColor, 7, size));
    painter.setBrush(tagColor);
    painter.drawPolygon(tag);
    painter.setBrush(holeColor);
    painter.drawEllipse(QPointF(0, 8), 8, 8);
    painter.restore();
}

} // namespace

QImage drawAppIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / designSize, size / designSize);
    drawPhoto(painter, size);
    drawShape(painter, size);
    drawTag(painter, size);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}
