#ifndef QUADROTAG_IMAGEWIDGET_H
#define QUADROTAG_IMAGEWIDGET_H

#include "assistimage.h"
#include "crosshair.h"
#include "imageannotation.h"
#include "imagelayer.h"
#include "label.h"
#include "shapepainter.h"
#include "viewadjustment.h"
#include "viewtransform.h"

#include <QPixmap>
#include <QPoint>
#include <QWidget>

#include <vector>

class ImageViewer;

// The canvas: the image at its top-left corner, at the scale the scrolling view
// chose, every shape as a translucent fill with its caption, and the outline of a
// shape being drawn. It only reads its copy of the annotation and reports edits
// through signals, always in image pixels.
class ImageWidget : public QWidget
{
    Q_OBJECT

public:
    enum Mode { Idle, Drawing, Moving, MovingCorner, Boxing };

    explicit ImageWidget(QWidget* parent = nullptr);

    // A null pixmap is ignored so that a failed decode keeps the last image. The pixmap
    // may hold fewer pixels than the image it shows, whose size is then imageFullSize; it
    // is stretched over the whole image, and everything else stays in full-resolution
    // pixels.
    void setPixmap(const QPixmap& newPixmap, const QSize& imageFullSize = QSize());
    void toggleText();
    void resetDrawing();
    // While corners are being placed: forget them all, or only the last one.
    void cancelDrawing();
    void removeLastCorner();
    // With assist on, corners snap to the image's corners and a left drag draws a box that
    // becomes the quadrilateral in it.
    void setAssist(bool on);
    bool isAssisting() const { return assisting; }
    // Lines across the image through the pointer, at the snapped position while assisting.
    void setCrosshair(bool on);
    const Crosshair& crosshairLines() const { return crosshair; }

    const ViewTransform& viewTransform() const { return view; }
    // The size the canvas takes to show the whole image at the current scale.
    QSize scaledSize() const { return view.canvasSize(image.fullSize()); }
    // In full-resolution pixels, whatever the pixmap on display holds.
    QSize imageSize() const { return image.fullSize(); }
    bool showsReducedImage() const { return image.isReduced(); }
    int currentMode() const { return mode; }
    int currentActiveShape() const { return activeShape; }
    const std::vector<QPoint>& placedCorners() const { return newShapePoints; }

    // Brightness and contrast of the image as shown; the pixmap itself is never changed.
    void setViewAdjustment(const ViewAdjustment& newAdjustment);
    const ViewAdjustment& viewAdjustment() const { return image.adjustment(); }
    // Hidden shapes lose fills, handles and captions and can't be taken with the right
    // button; the outline of a shape being drawn stays.
    void setShapesHidden(bool hidden);
    bool areShapesHidden() const { return shapesHidden; }
    // The corners moved as one onto the image where the shape fits, and each held on it
    // where it does not: a shape from another image lands where corners may go.
    std::vector<QPoint> placedOnImage(const std::vector<QPoint>& corners) const;

signals:
    void sglShapeAdded(Label& label);
    void sglActiveShapeChanged(int index);
    void sglShapeMoved(QPoint& displacement);
    // A drag of the active shape ended: the button that held it was released.
    void sglShapeMoveFinished();
    // One corner of the active shape is being dragged to this image pixel; the drag
    // ends with sglShapeMoveFinished.
    void sglCornerMoved(int corner, QPoint& position);
    // While a shape is drawn, dragged, boxed or a corner moved: the image pixel under the
    // pointer and the width and height of the shape's corners, in image pixels.
    void sglSizeMeasured(const QPoint& pointer, const QSize& bounds);
    // Nothing is being drawn or moved any more.
    void sglSizeCleared();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void selectShapeAt(const QPoint& position, bool underActive);
    void grabCorner(int corner);
    int handleAt(const QPointF& canvasPosition) const;
    void startShape(const QPoint& position);
    void placeCorner(const QPoint& position);
    QPoint cornerAt(const QPoint& imagePixel) const;
    bool isOnImage(const QPoint& point) const;
    QPoint keptOnImage(const QPoint& displacement) const;
    bool hasShape(int index) const;

    // Called by the scrolling view; each repaints only where the picture changes.
    void replaceAnnotation(const ImageAnnotation& newAnnotation);
    void replaceActiveShape(int index);
    void setScale(double scale);
    QRect shapeArea(const Label& label) const;
    QRect rubberBandArea() const;
    QRect cornersAreaOf(int index) const;
    QRect pressChangeableArea() const;
    // Drawing aids, in assistdrawing.cpp.
    QPoint placedCorner(const QPoint& imagePixel, Qt::KeyboardModifiers modifiers) const;
    double snapRadius() const;
    AssistImage shownPixels() const;
    bool startBox(QMouseEvent* event);
    void followBox(QMouseEvent* event);
    void finishBox(QMouseEvent* event);
    bool isBoxDrag(const QPointF& canvasPosition) const;
    std::vector<QPoint> shapeInBox(const QRectF& box) const;
    QRect boxArea() const;
    void paintBox(QPainter& painter) const;
    void snapDroppedCorner(QMouseEvent* event);
    // In crosshairdrawing.cpp.
    void followCrosshair(const std::optional<QPoint>& imagePixel);
    void updateCrosshairArea();
    // In livesize.cpp.
    std::vector<QPoint> measuredCorners() const;
    void reportSize();

    // The scrolling view is the only writer of annotation and activeShape.
    friend class ImageViewer;

    QPoint cursorPos;
    ImageLayer image{this};
    ShapePainter shapes{this};
    int mode = Idle;
    int activeShape = -1;
    ImageAnnotation annotation;
    std::vector<QPoint> newShapePoints;
    bool showText = true;
    ViewTransform view;
    bool shapesHidden = false;
    // The corner of the active shape held by the mouse while mode is MovingCorner.
    int movedCorner = -1;
    QPoint cornerBeforeMove;
    // The active shape's corners when a drag of the whole shape began.
    std::vector<QPoint> shapeBeforeMove;

    bool assisting = false;
    Crosshair crosshair;
    // The image pixel under the pointer, the dragged corner's place, and whether a size is shown.
    QPoint pointerPixel;
    QPoint draggedCorner;
    bool measuring = false;
    // Where the left press of a possible box was, on the canvas, and where the mouse is now.
    QPointF boxStart;
    QPointF boxEnd;
};

#endif
