#ifndef QUADROTAG_IMAGEVIEWER_H
#define QUADROTAG_IMAGEVIEWER_H

#include "displayscale.h"
#include "imagewidget.h"

#include <QPointF>
#include <QScrollArea>

class QResizeEvent;
class QWheelEvent;

// The scroll area around the canvas and the window's only handle on it. It also
// chooses the canvas's zoom: a scale kept from image to image, or fitting each image
// into the view; zooming keeps the point that matters where it is on screen.
class ImageViewer : public QScrollArea
{
    Q_OBJECT

public:
    explicit ImageViewer(QWidget* parent = nullptr);

    ImageWidget* imageWidget();
    // A null pixmap keeps the previous image and content size. A reduced decode comes
    // with the image's full size, which the view fits, zooms and scrolls by, so that
    // its sharp decode later takes its place without moving anything.
    void setImage(const QPixmap& image, const QSize& fullSize = QSize());
    void setAnnotation(const ImageAnnotation& newAnnotation);
    // No range check: an index outside the list paints every shape green.
    void setActiveShape(int index);

    // Leaves fitting and shows the canvas at this scale about the view's centre.
    void setZoom(double scale);
    double zoom() const { return canvas.viewTransform().scale(); }
    bool isFittingWindow() const { return fitting; }
    // How the next image will be shown, for decoding no more of it than that needs.
    DisplayScale displayScale() const;

signals:
    void sglZoomChanged(double scale);

public slots:
    void slotZoomIn();
    void slotZoomOut();
    void slotOriginalSize();
    void slotFitToWindow();

protected:
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPointF viewCentre() const;
    double fitScale() const;
    // Shows the canvas at the scale (held within the zoom range) with the image point
    // now under viewportPoint kept there, as far as the scroll range allows.
    void zoomAbout(double scale, const QPointF& viewportPoint);

    // Declared after the base, so it is destroyed before the scroll area, whose
    // viewport then no longer lists it as a child to delete.
    ImageWidget canvas;
    bool fitting = false;
    // Wheel angle not yet spent on a zoom step, so that small touchpad deltas add up.
    int wheelRemainder = 0;
};

#endif
