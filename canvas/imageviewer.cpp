#include "imageviewer.h"

#include <QPalette>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {
const double zoomStep = 1.25;
const double minimumZoom = 0.05;
const double maximumZoom = 8.0;
// One notch of a common mouse wheel, in eighths of a degree.
const int wheelNotch = 120;
} // namespace

ImageViewer::ImageViewer(QWidget* parent) : QScrollArea(parent), canvas(nullptr)
{
    setWidget(&canvas);
    widget()->setFixedSize(canvas.scaledSize());
    setMaximumSize(canvas.imageSize());
    setBackgroundRole(QPalette::Dark);
    setAlignment(Qt::AlignCenter);
}

ImageWidget* ImageViewer::imageWidget()
{
    return &canvas;
}

void ImageViewer::setImage(const QPixmap& image, const QSize& fullSize)
{
    canvas.setPixmap(image, fullSize);
    if (fitting)
        canvas.setScale(fitScale());
    widget()->setFixedSize(canvas.scaledSize());
    if (fitting)
        emit sglZoomChanged(zoom());
}

void ImageViewer::setAnnotation(const ImageAnnotation& newAnnotation)
{
    canvas.replaceAnnotation(newAnnotation);
}

void ImageViewer::setActiveShape(int index)
{
    canvas.replaceActiveShape(index);
}

DisplayScale ImageViewer::displayScale() const
{
    if (fitting)
        return DisplayScale{zoom(), maximumViewportSize()};
    // Before the window is first laid out its viewport is not yet its size: no view is taller
    // than the screen.
    const QScreen* shownOn = screen();
    const int viewHeight =
        std::max(viewport()->height(), shownOn ? shownOn->geometry().height() : 0);
    const double bottom = (verticalScrollBar()->value() + viewHeight) / zoom();
    return DisplayScale{zoom(), QSize(), int(std::min(std::ceil(bottom), double(INT_MAX)))};
}

void ImageViewer::setZoom(double scale)
{
    fitting = false;
    zoomAbout(scale, viewCentre());
}

void ImageViewer::slotZoomIn()
{
    setZoom(zoom() * zoomStep);
}

void ImageViewer::slotZoomOut()
{
    setZoom(zoom() / zoomStep);
}

void ImageViewer::slotOriginalSize()
{
    setZoom(1.0);
}

void ImageViewer::slotFitToWindow()
{
    fitting = true;
    zoomAbout(fitScale(), viewCentre());
}

void ImageViewer::wheelEvent(QWheelEvent* event)
{
    if (!event->modifiers().testFlag(Qt::ControlModifier)) {
        QScrollArea::wheelEvent(event);
        return;
    }
    wheelRemainder += event->angleDelta().y();
    const int steps = wheelRemainder / wheelNotch;
    wheelRemainder -= steps * wheelNotch;
    if (steps != 0) {
        fitting = false;
        zoomAbout(zoom() * std::pow(zoomStep, steps), event->position());
    }
    event->accept();
}

void ImageViewer::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    if (fitting)
        zoomAbout(fitScale(), viewCentre());
}

QPointF ImageViewer::viewCentre() const
{
    return QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0);
}

double ImageViewer::fitScale() const
{
    const DisplayScale fitted{zoom(), maximumViewportSize()};
    return std::clamp(fitted.scaleFor(canvas.imageSize()), minimumZoom, maximumZoom);
}

void ImageViewer::zoomAbout(double scale, const QPointF& viewportPoint)
{
    const QPointF imagePoint =
        canvas.viewTransform().toImage(viewportPoint - QPointF(canvas.pos()));
    canvas.setScale(std::clamp(scale, minimumZoom, maximumZoom));
    widget()->setFixedSize(canvas.scaledSize());
    // The canvas now sits at minus the scroll values wherever it is larger than the view.
    const QPointF canvasPoint = canvas.viewTransform().toCanvas(imagePoint);
    horizontalScrollBar()->setValue(int(std::lround(canvasPoint.x() - viewportPoint.x())));
    verticalScrollBar()->setValue(int(std::lround(canvasPoint.y() - viewportPoint.y())));
    emit sglZoomChanged(zoom());
}
