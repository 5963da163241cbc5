#include "imageviewer.h"

#include <QPalette>

ImageViewer::ImageViewer(QWidget* parent) : QScrollArea(parent), canvas(nullptr)
{
    setWidget(&canvas);
    widget()->setFixedSize(canvas.pixmap.size());
    setMaximumSize(canvas.pixmap.size());
    setBackgroundRole(QPalette::Dark);
    setAlignment(Qt::AlignCenter);
}

ImageWidget* ImageViewer::imageWidget()
{
    return &canvas;
}

void ImageViewer::setImage(const QPixmap& image)
{
    canvas.setPixmap(image);
    widget()->setFixedSize(canvas.pixmap.size());
}

void ImageViewer::setAnnotation(const ImageAnnotation& newAnnotation)
{
    canvas.replaceAnnotation(newAnnotation);
}

void ImageViewer::setActiveShape(int index)
{
    canvas.replaceActiveShape(index);
}
