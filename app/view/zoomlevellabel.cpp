#include "zoomlevellabel.h"

#include "imageviewer.h"

#include <QStatusBar>

#include <cmath>

ZoomLevelLabel::ZoomLevelLabel(QWidget* parent) : QLabel(parent) {}

void ZoomLevelLabel::showZoom(double scale)
{
    setText(QStringLiteral("%1 %").arg(std::lround(scale * 100.0)));
}

void ZoomLevelLabel::install(QStatusBar* statusBar, const ImageViewer& viewer)
{
    connect(&viewer, &ImageViewer::sglZoomChanged, this, &ZoomLevelLabel::showZoom);
    statusBar->addPermanentWidget(this);
    showZoom(viewer.zoom());
}
