// The crosshair on the canvas: it follows the pointer, or the corner a click would place.
#include "imagewidget.h"

void ImageWidget::setCrosshair(bool on)
{
    if (crosshair.isOn() == on)
        return;
    updateCrosshairArea();
    crosshair.setOn(on);
    if (!on)
        crosshair.follow(std::nullopt);
}

void ImageWidget::followCrosshair(const std::optional<QPoint>& imagePixel)
{
    if (crosshair.position() == imagePixel)
        return;
    updateCrosshairArea();
    crosshair.follow(imagePixel);
    updateCrosshairArea();
}

void ImageWidget::leaveEvent(QEvent* event)
{
    followCrosshair(std::nullopt);
    QWidget::leaveEvent(event);
}

// Only the two lines are painted again, never the whole image.
void ImageWidget::updateCrosshairArea()
{
    update(crosshair.horizontalArea(view, scaledSize()));
    update(crosshair.verticalArea(view, scaledSize()));
}
