#include "imagewidget.h"

#include "geometry.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
const int cornersPerShape = 4;
// How near a right press must come to one of the active shape's corner handles to take
// hold of it.
const double handleGrabDistance = 6.0;

// How far the span [low, high] moves to lie within [0, length - 1]; a span longer than that
// starts at 0.
double shiftOnto(int low, int high, int length)
{
    const double last = std::max(0, length - 1);
    if (high > last)
        return std::max(last - high, -double(low));
    return low < 0 ? -double(low) : 0.0;
}

QSize desktopSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualSize() : QSize();
}

} // namespace

ImageWidget::ImageWidget(QWidget* parent) : QWidget(parent, Qt::WindowFlags())
{
    QPixmap blank(desktopSize());
    blank.fill(Qt::white);
    image.setPixmap(blank, blank.size());
    setMouseTracking(true);
}

void ImageWidget::setPixmap(const QPixmap& newPixmap, const QSize& imageFullSize)
{
    if (newPixmap.isNull())
        return;
    image.setPixmap(newPixmap, imageFullSize.isEmpty() ? newPixmap.size() : imageFullSize);
    update();
}

void ImageWidget::toggleText()
{
    showText = !showText;
    update();
}

void ImageWidget::resetDrawing()
{
    mode = Idle;
    movedCorner = -1;
    newShapePoints.clear();
}

void ImageWidget::cancelDrawing()
{
    if (mode != Drawing)
        return;
    const QRect before = rubberBandArea();
    resetDrawing();
    update(before);
    reportSize();
}

void ImageWidget::removeLastCorner()
{
    if (mode != Drawing)
        return;
    const QRect before = rubberBandArea();
    newShapePoints.pop_back();
    if (newShapePoints.empty())
        mode = Idle;
    update(before.united(rubberBandArea()));
    reportSize();
}

void ImageWidget::mousePressEvent(QMouseEvent* event)
{
    // A press changes at most the outline being drawn and which shape is red.
    const QRect before = pressChangeableArea();
    if (shapesHidden && event->button() == Qt::RightButton) {
        // A shape the operator can't see is not moved by accident.
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint pixel = view.imagePixelAt(event->position());
    cursorPos = pixel;
    // With Ctrl the press reaches past the active shape to the next one under it.
    const bool underActive = event->modifiers().testFlag(Qt::ControlModifier);
    const int corner = underActive ? -1 : handleAt(event->position());
    if (event->button() == Qt::RightButton && corner != -1)
        grabCorner(corner);
    else if (event->button() == Qt::RightButton)
        selectShapeAt(pixel, underActive);
    else if (event->button() == Qt::LeftButton && mode == Idle && !startBox(event))
        startShape(placedCorner(pixel, event->modifiers()));
    else if (event->button() == Qt::LeftButton && mode == Drawing)
        placeCorner(placedCorner(pixel, event->modifiers()));
    update(before.united(pressChangeableArea()));
    pointerPixel = pixel;
    reportSize();
    QWidget::mousePressEvent(event);
}

// The second click of a double click already placed its corner with its own press.
void ImageWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        event->accept();
    else
        mousePressEvent(event);
}

void ImageWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (mode == Boxing && event->button() == Qt::LeftButton)
        finishBox(event);
    if (mode == MovingCorner)
        snapDroppedCorner(event);
    if (mode == Moving || mode == MovingCorner) {
        mode = Idle;
        movedCorner = -1;
        emit sglShapeMoveFinished();
    }
    reportSize();
    QWidget::mouseReleaseEvent(event);
}

void ImageWidget::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pixel = view.imagePixelAt(event->position());
    if (crosshair.isOn())
        followCrosshair(isOnImage(pixel) ? std::optional(placedCorner(pixel, event->modifiers()))
                                         : std::nullopt);
    if (mode == Moving) {
        // Measured from the press, not from the previous move: the window adds it
        // to the corners the shape had when the drag began.
        QPoint displacement = keptOnImage(saturatedDifference(pixel, cursorPos));
        emit sglShapeMoved(displacement);
    } else if (mode == MovingCorner) {
        // The corner follows the mouse from where it was, wherever on the handle the press was.
        QPoint position =
            cornerAt(saturatedSum(cornerBeforeMove, saturatedDifference(pixel, cursorPos)));
        draggedCorner = position;
        emit sglCornerMoved(movedCorner, position);
    } else if (mode == Drawing) {
        const QRect before = rubberBandArea();
        cursorPos = placedCorner(pixel, event->modifiers());
        update(before.united(rubberBandArea()));
    } else if (mode == Boxing) {
        followBox(event);
    }
    pointerPixel = pixel;
    reportSize();
    QWidget::mouseMoveEvent(event);
}

void ImageWidget::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    resize(scaledSize());
    image.paint(painter, view, event->rect());
    painter.setRenderHint(QPainter::Antialiasing);
    if (mode == Drawing)
        shapes.paintOutline(painter, view, newShapePoints, cursorPos);
    paintBox(painter);
    if (!shapesHidden) {
        shapes.paintFills(painter, view, annotation.labels, activeShape, event->region());
        if (hasShape(activeShape))
            shapes.paintHandles(painter, view, annotation.labels[activeShape].points);
        if (showText)
            shapes.paintCaptions(painter, view, scaledSize(), annotation.labels, event->region());
    }
    crosshair.paint(painter, view, event->rect());
}

void ImageWidget::selectShapeAt(const QPoint& position, bool underActive)
{
    activeShape =
        underActive ? annotation.nextShapeAt(position, activeShape) : annotation.shapeAt(position);
    newShapePoints.clear();
    mode = activeShape == -1 ? Idle : Moving;
    shapeBeforeMove.clear();
    if (activeShape != -1)
        shapeBeforeMove = annotation.labels[static_cast<std::size_t>(activeShape)].points;
    emit sglActiveShapeChanged(activeShape);
}

void ImageWidget::grabCorner(int corner)
{
    newShapePoints.clear();
    mode = MovingCorner;
    movedCorner = corner;
    cornerBeforeMove = annotation.labels[activeShape].points[corner];
    draggedCorner = cornerBeforeMove;
    // As every right press does, also when the shape was already active.
    emit sglActiveShapeChanged(activeShape);
}

// The corner of the active shape whose handle is nearest this canvas position, if one
// is near enough to take hold of; -1 otherwise.
int ImageWidget::handleAt(const QPointF& canvasPosition) const
{
    if (!hasShape(activeShape))
        return -1;
    const std::vector<QPoint>& points = annotation.labels[activeShape].points;
    int nearest = -1;
    double nearestDistance = handleGrabDistance;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const QPointF offset = view.toCanvas(points[i]) - canvasPosition;
        const double distance = std::max(std::abs(offset.x()), std::abs(offset.y()));
        if (distance <= nearestDistance) {
            nearest = static_cast<int>(i);
            nearestDistance = distance;
        }
    }
    return nearest;
}

void ImageWidget::startShape(const QPoint& position)
{
    mode = Drawing;
    newShapePoints.clear();
    newShapePoints.push_back(position);
    activeShape = -1;
    emit sglActiveShapeChanged(-1);
}

void ImageWidget::placeCorner(const QPoint& position)
{
    newShapePoints.push_back(position);
    if (newShapePoints.size() < cornersPerShape)
        return;

    mode = Idle;
    Label label;
    label.points = newShapePoints;
    if (label.isValid())
        emit sglShapeAdded(label);
    else
        QMessageBox::warning(this, "Warning", "Not a valid shape! ",
                             QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::NoButton);
    newShapePoints.clear();
}

// Corners are kept on the image, also where the scaled canvas ends within a pixel.
QPoint ImageWidget::cornerAt(const QPoint& imagePixel) const
{
    return QPoint(std::clamp(imagePixel.x(), 0, std::max(0, imageSize().width() - 1)),
                  std::clamp(imagePixel.y(), 0, std::max(0, imageSize().height() - 1)));
}

bool ImageWidget::isOnImage(const QPoint& point) const
{
    return point.x() >= 0 && point.y() >= 0 && point.x() < imageSize().width() &&
           point.y() < imageSize().height();
}

// Every corner that was on the image when the drag began stays on it; the shape keeps its
// form, so the whole displacement stops at the first border a corner reaches. Corners a
// label file put outside the image neither stop the drag nor are pulled in.
QPoint ImageWidget::keptOnImage(const QPoint& displacement) const
{
    int left = std::numeric_limits<int>::min();
    int right = std::numeric_limits<int>::max();
    int up = std::numeric_limits<int>::min();
    int down = std::numeric_limits<int>::max();
    for (const QPoint& corner : shapeBeforeMove) {
        if (!isOnImage(corner))
            continue;
        left = std::max(left, -corner.x());
        right = std::min(right, imageSize().width() - 1 - corner.x());
        up = std::max(up, -corner.y());
        down = std::min(down, imageSize().height() - 1 - corner.y());
    }
    return QPoint(std::clamp(displacement.x(), left, right),
                  std::clamp(displacement.y(), up, down));
}

void ImageWidget::replaceAnnotation(const ImageAnnotation& newAnnotation)
{
    const std::vector<Label>& before = annotation.labels;
    const std::vector<Label>& after = newAnnotation.labels;
    QRegion changed;
    for (std::size_t i = 0; i < std::max(before.size(), after.size()); ++i) {
        if (i < before.size() && i < after.size() && before[i] == after[i])
            continue;
        if (i < before.size())
            changed += shapeArea(before[i]);
        if (i < after.size())
            changed += shapeArea(after[i]);
    }
    annotation = newAnnotation;
    update(changed);
}

void ImageWidget::replaceActiveShape(int index)
{
    const QRect changed = cornersAreaOf(activeShape).united(cornersAreaOf(index));
    activeShape = index;
    update(changed);
}

void ImageWidget::setScale(double scale)
{
    if (scale == view.scale())
        return;
    view = ViewTransform(scale);
    // The pointer now stands over another image pixel; the next move places the lines again.
    crosshair.follow(std::nullopt);
    if (!(scale < 1.0))
        image.releaseScaledCopy();
    update();
}

bool ImageWidget::hasShape(int index) const
{
    return index >= 0 && static_cast<std::size_t>(index) < annotation.labels.size();
}

QRect ImageWidget::cornersAreaOf(int index) const
{
    return hasShape(index) ? shapes.cornersArea(view, annotation.labels[index].points) : QRect();
}

QRect ImageWidget::pressChangeableArea() const
{
    return rubberBandArea().united(cornersAreaOf(activeShape));
}

QRect ImageWidget::shapeArea(const Label& label) const
{
    return shapes.cornersArea(view, label.points)
        .united(shapes.captionArea(view, scaledSize(), label));
}

QRect ImageWidget::rubberBandArea() const
{
    if (mode != Drawing || newShapePoints.empty())
        return QRect();
    std::vector<QPoint> outline = newShapePoints;
    outline.push_back(cursorPos);
    return shapes.cornersArea(view, outline);
}

void ImageWidget::setViewAdjustment(const ViewAdjustment& newAdjustment)
{
    if (newAdjustment == image.adjustment())
        return;
    image.setAdjustment(newAdjustment);
    update();
}

void ImageWidget::setShapesHidden(bool hidden)
{
    if (hidden == shapesHidden)
        return;
    shapesHidden = hidden;
    update();
}

std::vector<QPoint> ImageWidget::placedOnImage(const std::vector<QPoint>& corners) const
{
    if (corners.empty())
        return corners;
    const auto [left, right] =
        std::minmax_element(corners.begin(), corners.end(),
                            [](const QPoint& a, const QPoint& b) { return a.x() < b.x(); });
    const auto [top, bottom] =
        std::minmax_element(corners.begin(), corners.end(),
                            [](const QPoint& a, const QPoint& b) { return a.y() < b.y(); });
    const double across = shiftOnto(left->x(), right->x(), imageSize().width());
    const double down = shiftOnto(top->y(), bottom->y(), imageSize().height());
    std::vector<QPoint> placed;
    placed.reserve(corners.size());
    for (const QPoint& corner : corners)
        placed.push_back(cornerAt(QPoint(saturatedCoordinate(corner.x() + across),
                                         saturatedCoordinate(corner.y() + down))));
    return placed;
}
