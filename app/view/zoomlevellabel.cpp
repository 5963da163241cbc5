#include "zoomlevellabel.h"

#include <cmath>

ZoomLevelLabel::ZoomLevelLabel(QWidget* parent) : QLabel(parent) {}

void ZoomLevelLabel::showZoom(double scale)
{
    setText(QStringLiteral("%1 %").arg(std::lround(scale * 100.0)));
}
