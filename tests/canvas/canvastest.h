#ifndef QUADROTAG_TESTS_CANVASTEST_H
#define QUADROTAG_TESTS_CANVASTEST_H

#include "imageviewer.h"

#include <QImage>
#include <QObject>

// What the tests of the canvas share: for every test function a fresh scrolling view of a
// 200 x 200 image in the background grey, shown and exposed.
class CanvasTest : public QObject
{
    Q_OBJECT

protected:
    QImage canvasImage() { return viewer->imageWidget()->grab().toImage(); }

    ImageViewer* viewer = nullptr;

private slots:
    void init();
    void cleanup();
};

#endif
