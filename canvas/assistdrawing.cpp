// The drawing aids of the canvas: corners that snap to the image and a box that becomes
// the quadrilateral in it. Kept apart from the plain editing in imagewidget.cpp.
#include "imagewidget.h"

#include "geometry.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPen>

#include <cmath>

namespace {
// How far from the mouse, on screen, a corner is looked for; the image pixels that makes
// depend on the zoom.
const double snapScreenRadius = 8.0;
// A left drag shorter than this, on screen, is a click.
const double boxScreenDrag = 10.0;
const QColor boxColor(200, 200, 0, 150);
const qreal boxPenWidth = 2.0;
const int boxMargin = 3;

QPoint rounded(const cv::Point2f& point)
{
    return QPoint(qRound(point.x), qRound(point.y));
}

// Four corners whose opposite edges stay apart, so none lies on another.
bool isProperQuadrilateral(const std::vector<QPoint>& corners)
{
    Label shape;
    shape.points = corners;
    return corners.size() == 4 && shape.isValid();
}
} // namespace

void ImageWidget::setAssist(bool on)
{
    if (assisting == on)
        return;
    assisting = on;
    if (mode == Boxing) {
        mode = Idle;
        update();
    }
}

QPoint ImageWidget::placedCorner(const QPoint& imagePixel, Qt::KeyboardModifiers modifiers) const
{
    const QPoint exact = cornerAt(imagePixel);
    if (!assisting || modifiers.testFlag(Qt::ShiftModifier))
        return exact;
    const std::optional<QPointF> snapped = shownPixels().snapCorner(QPointF(exact), snapRadius());
    return snapped ? cornerAt(QPoint(qRound(snapped->x()), qRound(snapped->y()))) : exact;
}

double ImageWidget::snapRadius() const
{
    return snapScreenRadius / view.scale();
}

// Exactly the pixels on display: while a reduced decode is shown the aids use it, and the
// sharp decode as soon as it replaces it. Made at each use, as it only shares the pixmap's
// pixels, so that no image that left the screen stays in memory.
AssistImage ImageWidget::shownPixels() const
{
    return AssistImage(image.pixmap().toImage(), imageSize());
}

// A left press with assist on may begin a box; whether it does shows on release.
bool ImageWidget::startBox(QMouseEvent* event)
{
    if (!assisting)
        return false;
    mode = Boxing;
    boxStart = event->position();
    boxEnd = boxStart;
    return true;
}

void ImageWidget::followBox(QMouseEvent* event)
{
    const QRect before = boxArea();
    boxEnd = event->position();
    update(before.united(boxArea()));
}

void ImageWidget::finishBox(QMouseEvent* event)
{
    // The box goes, and the shape that was active turns green either way.
    const QRect before = boxArea().united(pressChangeableArea());
    boxEnd = event->position();
    mode = Idle;
    Label label;
    if (isBoxDrag(boxEnd)) {
        const QRectF box(QPointF(view.imagePixelAt(QPointF(std::min(boxStart.x(), boxEnd.x()),
                                                           std::min(boxStart.y(), boxEnd.y())))),
                         QPointF(view.imagePixelAt(QPointF(std::max(boxStart.x(), boxEnd.x()),
                                                           std::max(boxStart.y(), boxEnd.y())))));
        label.points = shapeInBox(box);
    }
    if (isProperQuadrilateral(label.points)) {
        activeShape = -1;
        update(before);
        emit sglActiveShapeChanged(-1);
        emit sglShapeAdded(label);
        return;
    }
    // A short drag, or a box without area, is the click that starts a shape.
    startShape(placedCorner(view.imagePixelAt(boxStart), event->modifiers()));
    update(before.united(pressChangeableArea()));
}

bool ImageWidget::isBoxDrag(const QPointF& canvasPosition) const
{
    const QPointF drag = canvasPosition - boxStart;
    return std::hypot(drag.x(), drag.y()) >= boxScreenDrag;
}

// The quadrilateral the box holds, its corners snapped; when snapping folds it (corners of
// a thin bar snap onto each other), as found; the box's own corners when neither is a proper
// quadrilateral or the picture shows none.
std::vector<QPoint> ImageWidget::shapeInBox(const QRectF& box) const
{
    const AssistImage pixels = shownPixels();
    if (const std::optional<AssistImage::Outline> outline = pixels.outlineIn(box)) {
        for (const Quadrilateral& quad :
             {pixels.snapped(*outline, snapRadius()), outline->corners}) {
            std::vector<QPoint> corners;
            for (const cv::Point2f& corner : quad)
                corners.push_back(cornerAt(rounded(corner)));
            if (isProperQuadrilateral(corners))
                return corners;
        }
    }
    const QPoint first = box.topLeft().toPoint();
    const QPoint last = box.bottomRight().toPoint();
    return {cornerAt(first), cornerAt(QPoint(last.x(), first.y())), cornerAt(last),
            cornerAt(QPoint(first.x(), last.y()))};
}

QRect ImageWidget::boxArea() const
{
    if (mode != Boxing || !isBoxDrag(boxEnd))
        return QRect();
    return QRectF(boxStart, boxEnd)
        .normalized()
        .toAlignedRect()
        .adjusted(-boxMargin, -boxMargin, boxMargin, boxMargin);
}

void ImageWidget::paintBox(QPainter& painter) const
{
    if (mode != Boxing || !isBoxDrag(boxEnd))
        return;
    painter.setPen(
        QPen(QBrush(boxColor), boxPenWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(boxStart, boxEnd).normalized());
}

// A corner dropped after a handle drag snaps as a placed corner does.
void ImageWidget::snapDroppedCorner(QMouseEvent* event)
{
    const QPoint pixel = view.imagePixelAt(event->position());
    if (!assisting || event->modifiers().testFlag(Qt::ShiftModifier) || pixel == cursorPos)
        return;
    const QPoint dropped =
        cornerAt(saturatedSum(cornerBeforeMove, saturatedDifference(pixel, cursorPos)));
    QPoint snapped = placedCorner(dropped, event->modifiers());
    emit sglCornerMoved(movedCorner, snapped);
}
