#ifndef QUADROTAG_LIVESIZELABEL_H
#define QUADROTAG_LIVESIZELABEL_H

#include <QLabel>

class ImageWidget;
class QStatusBar;

// In the status bar while a shape is drawn, dragged or a corner moved: the pointer's image
// pixel and the shape's width × height in image pixels.
class LiveSizeLabel : public QLabel
{
    Q_OBJECT

public:
    LiveSizeLabel();

    void install(QStatusBar* statusBar, ImageWidget* canvas);
    static QString textOf(const QPoint& pointer, const QSize& bounds);
};

#endif
