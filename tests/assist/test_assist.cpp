#include "assistimage.h"
#include "syntheticscene.h"

#include <QTest>

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

Q_DECLARE_METATYPE(cv::Point2f)

class TestAssist : public QObject
{
    Q_OBJECT

private slots:
    void snapsToCorner_data();
    void snapsToCorner();
    void findsNoCornerWhereNoneStandsOut_data();
    void findsNoCornerWhereNoneStandsOut();
    void findsQuadrilateralInBox_data();
    void findsQuadrilateralInBox();
    void ordersCornersAsClicked_data();
    void ordersCornersAsClicked();
    void fitsMask_data();
    void fitsMask();
    void fitsPolygon_data();
    void fitsPolygon();
    void refusesWhatHasNoArea();

private:
    static double distance(const QPointF& a, const cv::Point2f& b)
    {
        return std::hypot(a.x() - b.x, a.y() - b.y);
    }
};

// A click near a corner lands on it: on the full image and, while a reduced decode is
// shown, on that reduced copy stretched over the full size.
void TestAssist::snapsToCorner_data()
{
    QTest::addColumn<QPointF>("click");
    QTest::addColumn<double>("radius");
    QTest::addColumn<int>("reduction");
    QTest::addColumn<double>("tolerance");
    // The corner is at (100, 80) in full-resolution pixel centres.
    QTest::newRow("on it") << QPointF(100, 80) << 8.0 << 1 << 0.5;
    QTest::newRow("left above") << QPointF(95, 74) << 8.0 << 1 << 0.5;
    QTest::newRow("right below") << QPointF(105, 84) << 8.0 << 1 << 0.5;
    QTest::newRow("just inside the radius") << QPointF(107.5, 80) << 8.0 << 1 << 0.5;
    QTest::newRow("at fit, 46 pixels off") << QPointF(68, 47) << 64.0 << 1 << 0.5;
    QTest::newRow("reduced decode of half size") << QPointF(96, 76) << 16.0 << 2 << 1.0;
    QTest::newRow("reduced decode of an eighth") << QPointF(90, 70) << 64.0 << 8 << 4.0;
}

void TestAssist::snapsToCorner()
{
    QFETCH(QPointF, click);
    QFETCH(double, radius);
    QFETCH(int, reduction);
    QFETCH(double, tolerance);
    const cv::Point2f corner(100.0f, 80.0f);
    const QSize fullSize(400, 300);
    const cv::Point2f shownCorner((corner.x + 0.5f) / reduction - 0.5f,
                                  (corner.y + 0.5f) / reduction - 0.5f);
    const AssistImage image(cornerImage(fullSize / reduction, shownCorner), fullSize);
    const std::optional<QPointF> snapped = image.snapCorner(click, radius);
    QVERIFY(snapped.has_value());
    QVERIFY2(distance(*snapped, corner) <= tolerance,
             qPrintable(QString("at %1, %2").arg(snapped->x()).arg(snapped->y())));
}

void TestAssist::findsNoCornerWhereNoneStandsOut_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QPointF>("click");
    QTest::addColumn<double>("radius");
    QTest::addColumn<QSize>("size");
    const QSize usual(300, 200);
    QTest::newRow("flat gray") << "flat" << QPointF(100, 80) << 30.0 << usual;
    QTest::newRow("faint noise") << "noise" << QPointF(100, 80) << 30.0 << usual;
    QTest::newRow("a straight edge") << "edge" << QPointF(100, 80) << 30.0 << usual;
    // The corner at (100, 80) is just beyond a radius of 8.
    QTest::newRow("corner beyond the radius") << "corner" << QPointF(109, 80) << 8.0 << usual;
    // Tiny images at a small zoom: the radius of 8 screen pixels spans far more than the image,
    // and the search would reduce the image to nothing.
    QTest::newRow("3 x 3 at 5 %") << "flat" << QPointF(1, 1) << 160.0 << QSize(3, 3);
    QTest::newRow("3 x 3 noise at 5 %") << "noise" << QPointF(1, 1) << 160.0 << QSize(3, 3);
    QTest::newRow("1 x 1 at 1 %") << "flat" << QPointF(0, 0) << 800.0 << QSize(1, 1);
    QTest::newRow("a line 400 x 2 at 5 %") << "noise" << QPointF(200, 1) << 160.0 << QSize(400, 2);
    QTest::newRow("a column 2 x 400 at 5 %")
        << "noise" << QPointF(1, 200) << 160.0 << QSize(2, 400);
    QTest::newRow("13 x 13 just reduced to one pixel")
        << "noise" << QPointF(6, 6) << 160.0 << QSize(13, 13);
    QTest::newRow("3 x 3 at 3200 %") << "flat" << QPointF(1, 1) << 0.25 << QSize(3, 3);
    QTest::newRow("clicked far off a 3 x 3")
        << "flat" << QPointF(500, -500) << 160.0 << QSize(3, 3);
}

void TestAssist::findsNoCornerWhereNoneStandsOut()
{
    QFETCH(QString, picture);
    QFETCH(QPointF, click);
    QFETCH(double, radius);
    QFETCH(QSize, size);
    QImage pixels;
    if (picture == "corner") {
        pixels = cornerImage(size, cv::Point2f(100, 80));
    } else if (picture == "edge") {
        pixels = cornerImage(size, cv::Point2f(100, -1000));
    } else {
        cv::Mat gray(size.height(), size.width(), CV_8U, cv::Scalar(128));
        if (picture == "noise") {
            cv::Mat grain(gray.size(), CV_8U);
            cv::randn(grain, cv::Scalar(0), cv::Scalar(2));
            gray += grain;
        }
        pixels = QImage(gray.data, gray.cols, gray.rows, int(gray.step), QImage::Format_Grayscale8)
                     .copy();
    }
    const AssistImage image(pixels, QSize());
    QVERIFY(!image.snapCorner(click, radius).has_value());
    // A box round the whole of a picture without outlines, with corners snapped as far,
    // finds none either.
    if (picture == "flat" || picture == "noise")
        QVERIFY(
            !image.quadrilateralIn(QRectF(QPointF(-0.5, -0.5), QSizeF(size)), radius).has_value());
}

void TestAssist::findsQuadrilateralInBox_data()
{
    QTest::addColumn<double>("margin");
    QTest::addColumn<uint>("seed");
    QTest::addColumn<bool>("found");
    QTest::newRow("tight box") << 0.05 << 1u << true;
    QTest::newRow("a tenth around") << 0.1 << 2u << true;
    QTest::newRow("a fifth around") << 0.2 << 3u << true;
    // The frame then covers about a quarter of the box, short of the third asked for.
    QTest::newRow("half again around") << 0.5 << 4u << false;
}

void TestAssist::findsQuadrilateralInBox()
{
    QFETCH(double, margin);
    QFETCH(uint, seed);
    QFETCH(bool, found);
    const SyntheticScene scene = renderScene(QSize(1200, 900), 0.4, seed);
    const cv::Rect2f bounds(cv::Point2f(std::min({scene.corners[0].x, scene.corners[1].x,
                                                  scene.corners[2].x, scene.corners[3].x}),
                                        std::min({scene.corners[0].y, scene.corners[1].y,
                                                  scene.corners[2].y, scene.corners[3].y})),
                            cv::Point2f(std::max({scene.corners[0].x, scene.corners[1].x,
                                                  scene.corners[2].x, scene.corners[3].x}),
                                        std::max({scene.corners[0].y, scene.corners[1].y,
                                                  scene.corners[2].y, scene.corners[3].y})));
    const QRectF box = QRectF(bounds.x, bounds.y, bounds.width, bounds.height)
                           .adjusted(-margin * bounds.width, -margin * bounds.height,
                                     margin * bounds.width, margin * bounds.height);
    const std::optional<Quadrilateral> quad =
        AssistImage(scene.pixels, QSize()).quadrilateralIn(box, 8);
    QCOMPARE(quad.has_value(), found);
    if (!found)
        return;
    for (std::size_t i = 0; i < 4; ++i)
        QVERIFY2(cv::norm((*quad)[i] - scene.corners[i]) <= 3.0,
                 qPrintable(QString("corner %1 at %2, %3, truly %4, %5")
                                .arg(i)
                                .arg((*quad)[i].x)
                                .arg((*quad)[i].y)
                                .arg(scene.corners[i].x)
                                .arg(scene.corners[i].y)));
}

void TestAssist::ordersCornersAsClicked_data()
{
    QTest::addColumn<Quadrilateral>("corners");
    const Quadrilateral clicked{cv::Point2f(0, 0), cv::Point2f(10, 1), cv::Point2f(11, 9),
                                cv::Point2f(-1, 10)};
    QTest::newRow("already in order") << clicked;
    QTest::newRow("anticlockwise") << Quadrilateral{clicked[0], clicked[3], clicked[2], clicked[1]};
    QTest::newRow("starting elsewhere")
        << Quadrilateral{clicked[2], clicked[3], clicked[0], clicked[1]};
    QTest::newRow("scrambled") << Quadrilateral{clicked[1], clicked[3], clicked[0], clicked[2]};
}

void TestAssist::ordersCornersAsClicked()
{
    QFETCH(Quadrilateral, corners);
    const Quadrilateral ordered = inClickOrder(corners);
    const Quadrilateral expected{cv::Point2f(0, 0), cv::Point2f(10, 1), cv::Point2f(11, 9),
                                 cv::Point2f(-1, 10)};
    for (std::size_t i = 0; i < 4; ++i)
        QCOMPARE(ordered[i], expected[i]);
}

// A rotated rectangle comes back as itself; a disc is covered well short of 80 %.
void TestAssist::fitsMask_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<double>("leastCoverage");
    QTest::addColumn<double>("mostCoverage");
    QTest::newRow("rotated rectangle") << "rectangle" << 0.97 << 1.0;
    QTest::newRow("disc") << "disc" << 0.5 << 0.7;
}

void TestAssist::fitsMask()
{
    QFETCH(QString, shape);
    QFETCH(double, leastCoverage);
    QFETCH(double, mostCoverage);
    cv::Mat mask = cv::Mat::zeros(200, 300, CV_8U);
    const cv::RotatedRect rectangle(cv::Point2f(150, 100), cv::Size2f(160, 90), 20);
    cv::Point2f truth[4];
    rectangle.points(truth);
    if (shape == "rectangle") {
        std::vector<cv::Point> corners;
        for (const cv::Point2f& corner : truth)
            corners.push_back(cv::Point(cvRound(corner.x * 16), cvRound(corner.y * 16)));
        cv::fillConvexPoly(mask, corners, cv::Scalar(1), cv::LINE_8, 4);
    } else {
        cv::circle(mask, cv::Point(150, 100), 60, cv::Scalar(1), cv::FILLED);
    }
    const std::optional<QuadrilateralFit> fit = fitQuadrilateralToMask(mask);
    QVERIFY(fit.has_value());
    QVERIFY2(fit->coverage >= leastCoverage && fit->coverage <= mostCoverage,
             qPrintable(QString::number(fit->coverage)));
    if (shape != "rectangle")
        return;
    const Quadrilateral expected = inClickOrder({truth[0], truth[1], truth[2], truth[3]});
    for (std::size_t i = 0; i < 4; ++i)
        // The mask's staircase lets a corner of its hull stray by up to two pixels.
        QVERIFY2(cv::norm(fit->corners[i] - expected[i]) <= 2.5,
                 qPrintable(QString("%1, %2 for %3, %4")
                                .arg(fit->corners[i].x)
                                .arg(fit->corners[i].y)
                                .arg(expected[i].x)
                                .arg(expected[i].y)));
}

void TestAssist::fitsPolygon_data()
{
    QTest::addColumn<int>("pointsPerSide");
    QTest::addColumn<double>("wobble");
    QTest::addColumn<double>("leastCoverage");
    QTest::newRow("32 points, straight sides") << 8 << 0.0 << 0.99;
    QTest::newRow("100 points, sides wobbling") << 25 << 1.0 << 0.97;
}

// The outline of a rotated rectangle traced with many points is fitted to its corners.
void TestAssist::fitsPolygon()
{
    QFETCH(int, pointsPerSide);
    QFETCH(double, wobble);
    QFETCH(double, leastCoverage);
    const cv::RotatedRect rectangle(cv::Point2f(500, 300), cv::Size2f(300, 120), -30);
    cv::Point2f truth[4];
    rectangle.points(truth);
    std::vector<cv::Point2f> polygon;
    for (int side = 0; side < 4; ++side)
        for (int i = 0; i < pointsPerSide; ++i) {
            const cv::Point2f along = truth[(side + 1) % 4] - truth[side];
            const cv::Point2f outward(along.y, -along.x);
            const float bump = i % 2 == 1 ? float(wobble / cv::norm(outward)) : 0.0f;
            polygon.push_back(truth[side] + along * (float(i) / pointsPerSide) - outward * bump);
        }
    const std::optional<QuadrilateralFit> fit = fitQuadrilateralToPolygons({polygon});
    QVERIFY(fit.has_value());
    QVERIFY2(fit->coverage >= leastCoverage, qPrintable(QString::number(fit->coverage)));
    const Quadrilateral expected = inClickOrder({truth[0], truth[1], truth[2], truth[3]});
    for (std::size_t i = 0; i < 4; ++i)
        QVERIFY2(cv::norm(fit->corners[i] - expected[i]) <= wobble + 0.01,
                 qPrintable(QString("%1, %2").arg(fit->corners[i].x).arg(fit->corners[i].y)));
}

void TestAssist::refusesWhatHasNoArea()
{
    QVERIFY(!quadrilateralOfOutline({{0, 0}, {5, 5}, {10, 10}, {20, 20}}).has_value());
    QVERIFY(!quadrilateralOfOutline({{0, 0}, {5, 5}}).has_value());
    QVERIFY(!fitQuadrilateralToMask(cv::Mat::zeros(20, 20, CV_8U)).has_value());
    // A triangle is given the middle of its longest side as a fourth corner.
    const std::optional<Quadrilateral> triangle =
        quadrilateralOfOutline({{0, 0}, {10, 0}, {0, 10}});
    QVERIFY(triangle.has_value());
    QCOMPARE(std::count(triangle->begin(), triangle->end(), cv::Point2f(5, 5)), 1);
}

QTEST_APPLESS_MAIN(TestAssist)
#include "test_assist.moc"
