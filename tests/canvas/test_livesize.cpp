#include "canvasfixture.h"
#include "canvastest.h"
#include "imagewidget.h"
#include "livesize.h"

#include <QSignalSpy>
#include <QTest>

#include <limits>

Q_DECLARE_METATYPE(MouseSteps)

// The size the status bar shows while a shape is drawn or moved, on the 200 x 200 canvas.
class TestLiveSize : public CanvasTest
{
    Q_OBJECT

private slots:
    void boundingSizeOfCorners_data();
    void boundingSizeOfCorners();
    void measuresTheShapeUnderTheMouse_data();
    void measuresTheShapeUnderTheMouse();
    void clearedWhenTheShapeIsLetGo_data();
    void clearedWhenTheShapeIsLetGo();
};

void TestLiveSize::boundingSizeOfCorners_data()
{
    QTest::addColumn<Points>("corners");
    QTest::addColumn<QSize>("size");
    QTest::newRow("none") << Points{} << QSize();
    QTest::newRow("one") << Points{{5, 7}} << QSize(0, 0);
    QTest::newRow("square") << Points{{10, 10}, {60, 10}, {60, 60}, {10, 60}} << QSize(50, 50);
    QTest::newRow("extremes in other corners")
        << Points{{30, 5}, {90, 40}, {20, 70}, {0, 30}} << QSize(90, 65);
    QTest::newRow("beyond the image") << Points{{-10, -5}, {10, 5}} << QSize(20, 10);
    const int lowest = std::numeric_limits<int>::min();
    const int highest = std::numeric_limits<int>::max();
    QTest::newRow("across the whole range")
        << Points{{lowest, 100}, {100, lowest}} << QSize(highest, highest);
    QTest::newRow("just within the range")
        << Points{{-1, 0}, {highest - 1, 1}} << QSize(highest, 1);
}

void TestLiveSize::boundingSizeOfCorners()
{
    QFETCH(Points, corners);
    QFETCH(QSize, size);
    QCOMPARE(boundingSize(corners), size);
}

void TestLiveSize::measuresTheShapeUnderTheMouse_data()
{
    QTest::addColumn<MouseSteps>("steps");
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QSize>("bounds");
    QTest::newRow("first corner placed")
        << MouseSteps{press(Qt::LeftButton, {10, 10}), release(Qt::LeftButton, {10, 10}),
                      move({60, 90})}
        << QPoint(60, 90) << QSize(50, 80);
    QTest::newRow("three corners placed, mouse inside them")
        << MouseSteps{press(Qt::LeftButton, {10, 10}),
                      release(Qt::LeftButton, {10, 10}),
                      press(Qt::LeftButton, {110, 20}),
                      release(Qt::LeftButton, {110, 20}),
                      press(Qt::LeftButton, {100, 120}),
                      release(Qt::LeftButton, {100, 120}),
                      move({50, 50})}
        << QPoint(50, 50) << QSize(100, 110);
    QTest::newRow("shape dragged: its own size")
        << MouseSteps{press(Qt::RightButton, {50, 50}), move({70, 65})} << QPoint(70, 65)
        << QSize(80, 60);
    QTest::newRow("corner dragged outwards")
        << MouseSteps{press(Qt::RightButton, {100, 90}), move({130, 150})} << QPoint(130, 150)
        << QSize(110, 120);
    QTest::newRow("corner dragged inwards")
        << MouseSteps{press(Qt::RightButton, {100, 90}), move({80, 70})} << QPoint(80, 70)
        << QSize(80, 60);
}

// The shape on the canvas spans 20..100 by 30..90, active, for the drags.
void TestLiveSize::measuresTheShapeUnderTheMouse()
{
    QFETCH(MouseSteps, steps);
    QFETCH(QPoint, pointer);
    QFETCH(QSize, bounds);
    viewer->setAnnotation(annotationOf({label({{20, 30}, {100, 30}, {100, 90}, {20, 90}}, true)}));
    viewer->setActiveShape(0);
    ImageWidget* canvas = viewer->imageWidget();
    QSignalSpy measured(canvas, &ImageWidget::sglSizeMeasured);
    play(canvas, steps);
    QVERIFY(!measured.isEmpty());
    QCOMPARE(measured.last().at(0).toPoint(), pointer);
    QCOMPARE(measured.last().at(1).toSize(), bounds);
}

void TestLiveSize::clearedWhenTheShapeIsLetGo_data()
{
    QTest::addColumn<MouseSteps>("steps");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<bool>("cleared");
    const MouseSteps firstCorner{press(Qt::LeftButton, {10, 10}), release(Qt::LeftButton, {10, 10}),
                                 move({60, 90})};
    QTest::newRow("still drawing") << firstCorner << false << false;
    QTest::newRow("drawing given up") << firstCorner << true << true;
    QTest::newRow("drag released") << MouseSteps{press(Qt::RightButton, {50, 50}), move({70, 65}),
                                                 release(Qt::RightButton, {70, 65})}
                                   << false << true;
    QTest::newRow("mouse moved over the canvas, nothing held")
        << MouseSteps{move({70, 65}), move({80, 65})} << false << false;
}

void TestLiveSize::clearedWhenTheShapeIsLetGo()
{
    QFETCH(MouseSteps, steps);
    QFETCH(bool, escape);
    QFETCH(bool, cleared);
    viewer->setAnnotation(annotationOf({label({{20, 30}, {100, 30}, {100, 90}, {20, 90}}, true)}));
    ImageWidget* canvas = viewer->imageWidget();
    QSignalSpy clearedSpy(canvas, &ImageWidget::sglSizeCleared);
    play(canvas, steps);
    if (escape)
        canvas->cancelDrawing();
    QCOMPARE(clearedSpy.size(), cleared ? 1 : 0);
}

QTEST_MAIN(TestLiveSize)
#include "test_livesize.moc"
