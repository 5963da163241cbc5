#ifndef QUADROTAG_IMAGEVIEWER_H
#define QUADROTAG_IMAGEVIEWER_H

#include "imagewidget.h"

#include <QScrollArea>

// The scroll area around the canvas and the window's only handle on it.
class ImageViewer : public QScrollArea
{
    Q_OBJECT

public:
    explicit ImageViewer(QWidget* parent = nullptr);

    ImageWidget* imageWidget();
    // A null pixmap keeps the previous image and content size.
    void setImage(const QPixmap& image);
    void setAnnotation(const ImageAnnotation& newAnnotation);
    // No range check: an index outside the list paints every shape green.
    void setActiveShape(int index);

private:
    // Declared after the base, so it is destroyed before the scroll area, whose
    // viewport then no longer lists it as a child to delete.
    ImageWidget canvas;
};

#endif
