#include "canvastest.h"

#include "canvasfixture.h"

#include <QTest>

void CanvasTest::init()
{
    viewer = new ImageViewer;
    viewer->setImage(filledPixmap(QSize(200, 200), background));
    viewer->resize(300, 300);
    viewer->show();
    QVERIFY(QTest::qWaitForWindowExposed(viewer));
}

void CanvasTest::cleanup()
{
    delete viewer;
    viewer = nullptr;
}
