#include "imagewidget.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
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
// Antialiased edges and pen caps reach this far beyond a shape's corners.
const int edgeMargin = 3;
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

QRect cornersArea(const std::vector<QPoint>& points)
{
    if (points.empty())
        return QRect();
    return QPolygon(points.begin(), points.end())
        .boundingRect()
        .adjusted(-edgeMargin, -edgeMargin, edgeMargin, edgeMargin);
}

QSize desktopSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualSize() : QSize();
}

// Mean of the corners, each half rounded towards positive infinity.
QPoint captionAnchor(const std::vector<QPoint>& points)
{
    qint64 sumX = 0;
    qint64 sumY = 0;
    for (const QPoint& point : points) {
        sumX += point.x();
        sumY += point.y();
    }
    const double count = static_cast<double>(points.size());
    return QPoint(static_cast<int>(std::floor(static_cast<double>(sumX) / count + 0.5)),
                  static_cast<int>(std::floor(static_cast<double>(sumY) / count + 0.5)));
}
} // namespace

ImageWidget::ImageWidget(QWidget* parent) : QWidget(parent, Qt::WindowFlags())
{
    pixmap = QPixmap(desktopSize());
    pixmap.fill(Qt::white);
    setMouseTracking(true);
}

void ImageWidget::setPixmap(const QPixmap& newPixmap)
{
    if (newPixmap.isNull())
        return;
    pixmap = newPixmap;
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
    newShapePoints.clear();
}

void ImageWidget::mousePressEvent(QMouseEvent* event)
{
    // A press changes at most the outline being drawn and which shape is red.
    const QRect before = pressChangeableArea();
    const QPoint position = event->position().toPoint();
    cursorPos = position;
    if (event->button() == Qt::RightButton)
        selectShapeAt(position);
    else if (event->button() == Qt::LeftButton && mode == Idle)
        startShape(position);
    else if (event->button() == Qt::LeftButton && mode == Drawing)
        placeCorner(position);
    update(before.united(pressChangeableArea()));
    QWidget::mousePressEvent(event);
}

void ImageWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (mode == Moving) {
        mode = Idle;
        emit sglShapeMoveFinished();
    }
    QWidget::mouseReleaseEvent(event);
}

void ImageWidget::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint position = event->position().toPoint();
    if (mode == Moving) {
        // Measured from the press, not from the previous move: the window adds it
        // to the corners the shape had when the drag began.
        QPoint displacement = position - cursorPos;
        emit sglShapeMoved(displacement);
    } else if (mode == Drawing) {
        const QRect before = rubberBandArea();
        cursorPos = position;
        update(before.united(rubberBandArea()));
    }
    QWidget::mouseMoveEvent(event);
}

void ImageWidget::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    resize(pixmap.size());
    painter.drawPixmap(0, 0, pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paintRubberBand(painter);
    paintShapes(painter, event->region());
    if (showText)
        paintCaptions(painter, event->region());
}

void ImageWidget::selectShapeAt(const QPoint& position)
{
    activeShape = annotation.shapeAt(position);
    newShapePoints.clear();
    mode = activeShape == -1 ? Idle : Moving;
    emit sglActiveShapeChanged(activeShape);
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

void ImageWidget::paintRubberBand(QPainter& painter) const
{
    painter.setPen(QPen(QBrush(rubberBandColor), rubberBandWidth, Qt::SolidLine, Qt::SquareCap,
                        Qt::BevelJoin));
    if (mode != Drawing || newShapePoints.empty())
        return;

    const std::size_t count = newShapePoints.size();
    for (std::size_t i = 1; i < count; ++i)
        painter.drawLine(newShapePoints[i], newShapePoints[i - 1]);
    painter.drawLine(newShapePoints[count - 1], cursorPos);
    // With three corners the outline closes through the mouse position.
    if (count == cornersPerShape - 1)
        painter.drawLine(newShapePoints[0], cursorPos);
}

void ImageWidget::paintShapes(QPainter& painter, const QRegion& damaged) const
{
    const QBrush activeBrush(activeShapeColor);
    const QBrush otherBrush(shapeColor);
    for (std::size_t j = 0; j < annotation.labels.size(); ++j) {
        const std::vector<QPoint>& points = annotation.labels[j].points;
        // Outside the damaged area the fill could not change a pixel.
        if (!damaged.intersects(cornersArea(points)))
            continue;
        QPainterPath path;
        path.addPolygon(QPolygon(points.begin(), points.end()));
        // An index beyond the list matches no shape, so every shape stays green.
        const bool active = activeShape >= 0 && static_cast<std::size_t>(activeShape) == j;
        painter.fillPath(path, active ? activeBrush : otherBrush);
    }
}

void ImageWidget::paintCaptions(QPainter& painter, const QRegion& damaged) const
{
    painter.setFont(captionFont());
    painter.setPen(
        QPen(QBrush(captionColor), captionPenWidth, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));

    const QSizeF area(pixmap.size());
    for (const Label& label : annotation.labels) {
        // Without points there is no centre to hang the caption from.
        if (label.tags.empty() || label.points.empty())
            continue;
        if (!damaged.intersects(captionArea(label)))
            continue;
        painter.drawText(QRectF(captionAnchor(label.points), area), label.text, QTextOption());
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

QRect ImageWidget::cornersAreaOf(int index) const
{
    const bool exists = index >= 0 && static_cast<std::size_t>(index) < annotation.labels.size();
    return exists ? cornersArea(annotation.labels[index].points) : QRect();
}

QRect ImageWidget::pressChangeableArea() const
{
    return rubberBandArea().united(cornersAreaOf(activeShape));
}

QRect ImageWidget::shapeArea(const Label& label) const
{
    return cornersArea(label.points).united(captionArea(label));
}

QRect ImageWidget::captionArea(const Label& label) const
{
    if (label.tags.empty() || label.points.empty() || label.text.isEmpty())
        return QRect();
    if (captionSizesWidth != pixmap.width() || captionSizes.size() > captionCacheLimit) {
        captionSizes.clear();
        captionSizesWidth = pixmap.width();
    }
    auto size = captionSizes.constFind(label.text);
    if (size == captionSizes.constEnd()) {
        const QRect layout =
            QFontMetrics(captionFont(), this)
                .boundingRect(QRect(QPoint(0, 0), pixmap.size()), textFlags, label.text);
        size = captionSizes.insert(label.text, layout.size());
    }
    return QRect(captionAnchor(label.points), *size)
        .adjusted(-captionMargin, -captionMargin, captionMargin, captionMargin);
}

QRect ImageWidget::rubberBandArea() const
{
    if (mode != Drawing || newShapePoints.empty())
        return QRect();
    std::vector<QPoint> outline = newShapePoints;
    outline.push_back(cursorPos);
    return cornersArea(outline);
}
