#ifndef QUADROTAG_CROSSHAIR_H
#define QUADROTAG_CROSSHAIR_H

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

class QPainter;
class ViewTransform;

// A horizontal and a vertical canvas line, one pixel wide, through the image pixel under the
// pointer and across the whole image; dark and light dashes in turn, so it shows on any photo.
class Crosshair
{
public:
    void setOn(bool on) { shown = on; }
    bool isOn() const { return shown; }
    // The image pixel the lines pass through; none while the pointer is off the image.
    void follow(const std::optional<QPoint>& imagePixel) { pixel = imagePixel; }
    const std::optional<QPoint>& position() const { return pixel; }
    // The canvas column and row of the lines, when they are drawn.
    std::optional<QPoint> canvasPoint(const ViewTransform& view) const;
    // Where the lines lie on a canvas of this size: what to repaint when they move.
    QRect horizontalArea(const ViewTransform& view, const QSize& canvasSize) const;
    QRect verticalArea(const ViewTransform& view, const QSize& canvasSize) const;
    void paint(QPainter& painter, const ViewTransform& view, const QRect& exposed) const;

private:
    bool shown = false;
    std::optional<QPoint> pixel;
};

#endif
