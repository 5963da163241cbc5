#include "viewtransform.h"

#include <QPolygon>
#include <QTest>

#include <climits>

using Points = std::vector<QPoint>;

class TestViewTransform : public QObject
{
    Q_OBJECT

private slots:
    void mapsCanvasPositionToImagePixel_data();
    void mapsCanvasPositionToImagePixel();
    void canvasAreaCoversPointsWithoutOverflow_data();
    void canvasAreaCoversPointsWithoutOverflow();
};

void TestViewTransform::mapsCanvasPositionToImagePixel_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<QPointF>("position");
    QTest::addColumn<QPoint>("pixel");

    QTest::newRow("100 %, whole pixel") << 1.0 << QPointF(10, 7) << QPoint(10, 7);
    QTest::newRow("100 %, negative") << 1.0 << QPointF(-3, -1) << QPoint(-3, -1);
    QTest::newRow("100 %, fraction rounds") << 1.0 << QPointF(10.6, 7.4) << QPoint(11, 7);
    QTest::newRow("400 %, first canvas pixel") << 4.0 << QPointF(8, 12) << QPoint(2, 3);
    QTest::newRow("400 %, last canvas pixel") << 4.0 << QPointF(11, 15) << QPoint(2, 3);
    QTest::newRow("400 %, left of the image") << 4.0 << QPointF(-1, -4) << QPoint(-1, -1);
    QTest::newRow("125 %, centre on a border goes up-left")
        << 1.25 << QPointF(2, 7) << QPoint(1, 5);
    QTest::newRow("25 %, centre on a border goes up-left")
        << 0.25 << QPointF(10, 0) << QPoint(41, 1);
    QTest::newRow("far beyond the 32-bit range")
        << 0.05 << QPointF(2e9, -2e9) << QPoint(INT_MAX, INT_MIN);
}

void TestViewTransform::mapsCanvasPositionToImagePixel()
{
    QFETCH(double, scale);
    QFETCH(QPointF, position);
    QFETCH(QPoint, pixel);
    QCOMPARE(ViewTransform(scale).imagePixelAt(position), pixel);
}

void TestViewTransform::canvasAreaCoversPointsWithoutOverflow_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<Points>("points");
    QTest::addColumn<QRect>("area");

    const Points square{{10, 20}, {50, 20}, {50, 60}, {10, 60}};
    QTest::newRow("100 % as the polygon's box with the margin")
        << 1.0 << square
        << QPolygon(square.begin(), square.end()).boundingRect().adjusted(-3, -3, 3, 3);
    QTest::newRow("400 %") << 4.0 << square << QRect(QPoint(37, 77), QPoint(203, 243));
    QTest::newRow("no points") << 1.0 << Points{} << QRect();
    QTest::newRow("ends of the 32-bit range")
        << 1.0 << Points{{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}}
        << QRect(QPoint(-(1 << 30), -(1 << 30)), QPoint((1 << 30) - 1, (1 << 30) - 1));
    // Beyond the limit the area is empty: nothing there is on the canvas.
    QTest::newRow("800 % of a far corner")
        << 8.0 << Points{{200000000, 5}} << QRect(QPoint(1 << 30, 37), QPoint((1 << 30) - 1, 43));
}

void TestViewTransform::canvasAreaCoversPointsWithoutOverflow()
{
    QFETCH(double, scale);
    QFETCH(Points, points);
    QFETCH(QRect, area);
    QCOMPARE(ViewTransform(scale).canvasArea(points, 3), area);
}

QTEST_APPLESS_MAIN(TestViewTransform)
#include "test_viewtransform.moc"
