#include "imagewidget.h"

#include "geometry.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygon>
#include <QScreen>
#include <QTextOption>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
const QColor rubberBandColor(200, 200, 0, 150);
const QColor activeShapeColor(150, 0, 0, 120);
const QColor shapeColor(0, 150, 0, 120);
const QColor captionColor(20, 20, 20, 200);
const qreal rubberBandWidth = 2.0;
const qreal captionPenWidth = 1.0;
const int captionPointSize = 15;
const char* const captionFamily = "Times New Roman";
const int cornersPerShape = 4;
// The active shape's corner handles: squares of a constant size on screen, and how
// near a right press must come to one to take hold of it.
const QColor handleColor(150, 0, 0);
const double handleHalfSize = 3.5;
const double handleGrabDistance = 6.0;
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
    pixmap = QPixmap(desktopSize());
    pixmap.fill(Qt::white);
    fullSize = pixmap.size();
    setMouseTracking(true);
}

void ImageWidget::setPixmap(const QPixmap& newPixmap, const QSize& imageFullSize)
{
    if (newPixmap.isNull())
        return;
    pixmap = newPixmap;
    fullSize = imageFullSize.isEmpty() ? newPixmap.size() : imageFullSize;
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
    QWidget::mouseReleaseEvent(event);
}

void ImageWidget::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pixel = view.imagePixelAt(event->position());
    if (mode == Moving) {
        // Measured from the press, not from the previous move: the window adds it
        // to the corners the shape had when the drag began.
        QPoint displacement = keptOnImage(saturatedDifference(pixel, cursorPos));
        emit sglShapeMoved(displacement);
    } else if (mode == MovingCorner) {
        // The corner follows the mouse from where it was, wherever on the handle the press was.
        QPoint position =
            cornerAt(saturatedSum(cornerBeforeMove, saturatedDifference(pixel, cursorPos)));
        emit sglCornerMoved(movedCorner, position);
    } else if (mode == Drawing) {
        const QRect before = rubberBandArea();
        cursorPos = placedCorner(pixel, event->modifiers());
        update(before.united(rubberBandArea()));
    } else if (mode == Boxing) {
        followBox(event);
    }
    QWidget::mouseMoveEvent(event);
}

void ImageWidget::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    resize(scaledSize());
    paintImage(painter, event->rect());
    painter.setRenderHint(QPainter::Antialiasing);
    paintRubberBand(painter);
    paintBox(painter);
    if (shapesHidden)
        return;
    paintShapes(painter, event->region());
    paintHandles(painter);
    if (showText)
        paintCaptions(painter, event->region());
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
    // As every right press does, also when the shape was already active.
    emit sglActiveShapeChanged(activeShape);
}

// The corner of the active shape whose handle is nearest this canvas position, if one
// is near enough to take hold of; -1 otherwise.
int ImageWidget::handleAt(const QPointF& canvasPosition) const
{
    if (activeShape < 0 || static_cast<std::size_t>(activeShape) >= annotation.labels.size())
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
    return QPoint(std::clamp(imagePixel.x(), 0, std::max(0, fullSize.width() - 1)),
                  std::clamp(imagePixel.y(), 0, std::max(0, fullSize.height() - 1)));
}

bool ImageWidget::isOnImage(const QPoint& point) const
{
    return point.x() >= 0 && point.y() >= 0 && point.x() < fullSize.width() &&
           point.y() < fullSize.height();
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
        right = std::min(right, fullSize.width() - 1 - corner.x());
        up = std::max(up, -corner.y());
        down = std::min(down, fullSize.height() - 1 - corner.y());
    }
    return QPoint(std::clamp(displacement.x(), left, right),
                  std::clamp(displacement.y(), up, down));
}

void ImageWidget::paintImage(QPainter& painter, const QRect& damaged) const
{
    if (view.isOriginalSize() && !showsReducedImage()) {
        drawWhole(painter, pixmap, damaged);
    } else if (view.scale() < 1.0) {
        drawWhole(painter, downscaledPixmap(), damaged);
    } else {
        // Only the pixels in view are enlarged, without smoothing so that they stay crisp.
        const QRect source = view.imagePixelsIn(damaged, fullSize);
        const QRectF target(view.toCanvas(source.topLeft()),
                            view.toCanvas(source.bottomRight() + QPoint(1, 1)));
        // A reduced pixmap is stretched over the whole image.
        const double across = double(pixmap.width()) / fullSize.width();
        const double down = double(pixmap.height()) / fullSize.height();
        const QRectF inPixmap(source.x() * across, source.y() * down, source.width() * across,
                              source.height() * down);
        drawPart(painter, target, pixmap, inPixmap);
    }
}

const QPixmap& ImageWidget::downscaledPixmap() const
{
    if (downscaledKey != pixmap.cacheKey() || downscaledScale != view.scale()) {
        downscaled = pixmap.scaled(scaledSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        downscaledKey = pixmap.cacheKey();
        downscaledScale = view.scale();
    }
    return downscaled;
}

void ImageWidget::paintRubberBand(QPainter& painter) const
{
    painter.setPen(QPen(QBrush(rubberBandColor), rubberBandWidth, Qt::SolidLine, Qt::SquareCap,
                        Qt::BevelJoin));
    if (mode != Drawing || newShapePoints.empty())
        return;

    const std::size_t count = newShapePoints.size();
    for (std::size_t i = 1; i < count; ++i)
        painter.drawLine(view.toCanvas(newShapePoints[i]), view.toCanvas(newShapePoints[i - 1]));
    painter.drawLine(view.toCanvas(newShapePoints[count - 1]), view.toCanvas(cursorPos));
    // With three corners the outline closes through the mouse position.
    if (count == cornersPerShape - 1)
        painter.drawLine(view.toCanvas(newShapePoints[0]), view.toCanvas(cursorPos));
}

void ImageWidget::paintShapes(QPainter& painter, const QRegion& damaged) const
{
    const QBrush activeBrush(activeShapeColor);
    const QBrush otherBrush(shapeColor);
    for (std::size_t j = 0; j < annotation.labels.size(); ++j) {
        const std::vector<QPoint>& points = annotation.labels[j].points;
        // Outside the damaged area the fill could not change a pixel.
        if (!damaged.intersects(view.canvasArea(points, edgeMargin)))
            continue;
        QPolygonF outline;
        outline.reserve(qsizetype(points.size()));
        for (const QPoint& point : points)
            outline << view.toCanvas(point);
        QPainterPath path;
        path.addPolygon(outline);
        // An index beyond the list matches no shape, so every shape stays green.
        const bool active = activeShape >= 0 && static_cast<std::size_t>(activeShape) == j;
        painter.fillPath(path, active ? activeBrush : otherBrush);
    }
}

void ImageWidget::paintHandles(QPainter& painter) const
{
    if (activeShape < 0 || static_cast<std::size_t>(activeShape) >= annotation.labels.size())
        return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(handleColor);
    const QPointF half(handleHalfSize, handleHalfSize);
    for (const QPoint& corner : annotation.labels[activeShape].points) {
        const QPointF centre = view.toCanvas(corner);
        painter.drawRect(QRectF(centre - half, centre + half));
    }
}

void ImageWidget::paintCaptions(QPainter& painter, const QRegion& damaged) const
{
    painter.setFont(captionFont());
    painter.setPen(
        QPen(QBrush(captionColor), captionPenWidth, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));

    const QSizeF area(scaledSize());
    for (const Label& label : annotation.labels) {
        // Without points there is no centre to hang the caption from.
        if (label.tags.empty() || label.points.empty())
            continue;
        if (!damaged.intersects(captionArea(label)))
            continue;
        painter.drawText(QRectF(QPointF(captionAnchor(label.points)), area), label.text,
                         QTextOption());
    }
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
    if (!(scale < 1.0))
        downscaled = QPixmap();
    update();
}

// The mean of the corners as placed on the canvas, each half rounded towards
// positive infinity; at the original size that is the mean in image pixels.
QPoint ImageWidget::captionAnchor(const std::vector<QPoint>& points) const
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

QRect ImageWidget::cornersAreaOf(int index) const
{
    const bool exists = index >= 0 && static_cast<std::size_t>(index) < annotation.labels.size();
    return exists ? view.canvasArea(annotation.labels[index].points, edgeMargin) : QRect();
}

QRect ImageWidget::pressChangeableArea() const
{
    return rubberBandArea().united(cornersAreaOf(activeShape));
}

QRect ImageWidget::shapeArea(const Label& label) const
{
    return view.canvasArea(label.points, edgeMargin).united(captionArea(label));
}

QRect ImageWidget::captionArea(const Label& label) const
{
    if (label.tags.empty() || label.points.empty() || label.text.isEmpty())
        return QRect();
    const QSize canvas = scaledSize();
    if (captionSizesWidth != canvas.width() || captionSizes.size() > captionCacheLimit) {
        captionSizes.clear();
        captionSizesWidth = canvas.width();
    }
    auto size = captionSizes.constFind(label.text);
    if (size == captionSizes.constEnd()) {
        const QRect layout = QFontMetrics(captionFont(), this)
                                 .boundingRect(QRect(QPoint(0, 0), canvas), textFlags, label.text);
        size = captionSizes.insert(label.text, layout.size());
    }
    // In floating point: an anchor far out on a hand-made file's shape must not overflow.
    return saturatedRect(
        QRectF(QPointF(captionAnchor(label.points)), QSizeF(*size))
            .adjusted(-captionMargin, -captionMargin, captionMargin, captionMargin));
}

QRect ImageWidget::rubberBandArea() const
{
    if (mode != Drawing || newShapePoints.empty())
        return QRect();
    std::vector<QPoint> outline = newShapePoints;
    outline.push_back(cursorPos);
    return view.canvasArea(outline, edgeMargin);
}

void ImageWidget::setViewAdjustment(const ViewAdjustment& newAdjustment)
{
    if (newAdjustment == adjustment)
        return;
    adjustment = newAdjustment;
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
    const double across = shiftOnto(left->x(), right->x(), fullSize.width());
    const double down = shiftOnto(top->y(), bottom->y(), fullSize.height());
    std::vector<QPoint> placed;
    placed.reserve(corners.size());
    for (const QPoint& corner : corners)
        placed.push_back(cornerAt(QPoint(saturatedCoordinate(corner.x() + across),
                                         saturatedCoordinate(corner.y() + down))));
    return placed;
}

// Only the scaled pixels on screen are adjusted, so a change costs what the view holds,
// whatever the size of the image.
void ImageWidget::drawWhole(QPainter& painter, const QPixmap& shown, const QRect& damaged) const
{
    if (adjustment.isNeutral()) {
        painter.drawPixmap(0, 0, shown);
        return;
    }
    const QRectF part(damaged & shown.rect());
    drawPart(painter, part, shown, part);
}

void ImageWidget::drawPart(QPainter& painter, const QRectF& target, const QPixmap& shown,
                           const QRectF& source) const
{
    if (adjustment.isNeutral()) {
        painter.drawPixmap(target, shown, source);
        return;
    }
    // A paint event may name the whole canvas; only what the view shows is worth adjusting.
    const QRectF inView = target & QRectF(visibleRegion().boundingRect());
    if (inView.isEmpty())
        return;
    const double across = source.width() / target.width();
    const double down = source.height() / target.height();
    const QRectF seen(source.x() + (inView.x() - target.x()) * across,
                      source.y() + (inView.y() - target.y()) * down, inView.width() * across,
                      inView.height() * down);
    const QRect whole = seen.toAlignedRect() & shown.rect();
    if (whole.isEmpty())
        return;
    const QImage part = adjustedCopy(shown.toImage(), whole, adjustment);
    painter.drawImage(inView, part, seen.translated(-QPointF(whole.topLeft())));
}
