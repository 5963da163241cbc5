#include "geometry.h"
#include "imageannotation.h"
#include "label.h"

#include <QTest>

#include <climits>
#include <iostream>
#include <sstream>

using Points = std::vector<QPoint>;

namespace {
Label labelWith(const Points& points)
{
    Label label;
    label.points = points;
    return label;
}

// Captures what std::cerr receives while it lives.
class CerrCapture
{
public:
    CerrCapture() : previous(std::cerr.rdbuf(buffer.rdbuf())) {}
    ~CerrCapture() { std::cerr.rdbuf(previous); }
    std::string text() const { return buffer.str(); }

private:
    std::ostringstream buffer;
    std::streambuf* previous;
};
} // namespace

class TestGeometry : public QObject
{
    Q_OBJECT

private slots:
    void separatesSegments_data();
    void separatesSegments();
    void checksQuadrilateral_data();
    void checksQuadrilateral();
    void containsPointInTriangle_data();
    void containsPointInTriangle();
    void findsShapeUnderPoint_data();
    void findsShapeUnderPoint();
    void cyclesThroughShapesUnderPoint_data();
    void cyclesThroughShapesUnderPoint();
    void movesPointsWithinTheIntegerRange_data();
    void movesPointsWithinTheIntegerRange();
};

void TestGeometry::separatesSegments_data()
{
    QTest::addColumn<QPoint>("a");
    QTest::addColumn<QPoint>("b");
    QTest::addColumn<QPoint>("c");
    QTest::addColumn<QPoint>("d");
    QTest::addColumn<bool>("separate");

    QTest::newRow("crossing") << QPoint(0, 0) << QPoint(10, 10) << QPoint(10, 0) << QPoint(0, 10)
                              << false;
    QTest::newRow("boxes apart in x")
        << QPoint(0, 0) << QPoint(4, 10) << QPoint(5, 0) << QPoint(9, 10) << true;
    QTest::newRow("boxes apart in y")
        << QPoint(0, 0) << QPoint(10, 4) << QPoint(0, 5) << QPoint(10, 9) << true;
    QTest::newRow("shared end") << QPoint(0, 0) << QPoint(10, 0) << QPoint(10, 0) << QPoint(10, 10)
                                << false;
    QTest::newRow("end on the other segment")
        << QPoint(0, 0) << QPoint(10, 0) << QPoint(5, 0) << QPoint(5, 10) << false;
    QTest::newRow("collinear overlapping")
        << QPoint(0, 0) << QPoint(20, 0) << QPoint(10, 0) << QPoint(30, 0) << false;
    QTest::newRow("collinear apart")
        << QPoint(0, 0) << QPoint(10, 0) << QPoint(20, 0) << QPoint(30, 0) << true;
    QTest::newRow("parallel, boxes overlapping")
        << QPoint(0, 0) << QPoint(10, 10) << QPoint(1, 0) << QPoint(11, 10) << true;
    QTest::newRow("boxes touching at a corner only")
        << QPoint(0, 0) << QPoint(10, 10) << QPoint(10, 0) << QPoint(20, -10) << true;
    QTest::newRow("line through but segment short of the other")
        << QPoint(0, 0) << QPoint(10, 10) << QPoint(0, 10) << QPoint(4, 6) << true;
    QTest::newRow("extreme coordinates crossing")
        << QPoint(INT_MIN, INT_MIN) << QPoint(INT_MAX, INT_MAX) << QPoint(INT_MIN, INT_MAX)
        << QPoint(INT_MAX, INT_MIN) << false;
}

void TestGeometry::separatesSegments()
{
    QFETCH(QPoint, a);
    QFETCH(QPoint, b);
    QFETCH(QPoint, c);
    QFETCH(QPoint, d);
    QFETCH(bool, separate);

    QCOMPARE(segmentsSeparate(a, b, c, d), separate);
    // The answer must not depend on which segment comes first or on its direction.
    QCOMPARE(segmentsSeparate(c, d, a, b), separate);
    QCOMPARE(segmentsSeparate(b, a, d, c), separate);
}

void TestGeometry::checksQuadrilateral_data()
{
    QTest::addColumn<Points>("points");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("complains");

    const QPoint o(0, 0);
    QTest::newRow("square") << Points{o, {10, 0}, {10, 10}, {0, 10}} << true << false;
    QTest::newRow("square anticlockwise") << Points{o, {0, 10}, {10, 10}, {10, 0}} << true << false;
    QTest::newRow("bow-tie") << Points{o, {10, 10}, {10, 0}, {0, 10}} << false << false;
    QTest::newRow("other bow-tie") << Points{o, {10, 0}, {0, 10}, {10, 10}} << false << false;
    QTest::newRow("arrow-head") << Points{o, {10, 5}, {0, 10}, {3, 5}} << true << false;
    QTest::newRow("collinear") << Points{o, {10, 0}, {20, 0}, {30, 0}} << false << false;
    QTest::newRow("corner on the opposite edge")
        << Points{o, {10, 0}, {5, 0}, {5, 10}} << false << false;
    QTest::newRow("two corners at one spot") << Points{o, o, {10, 0}, {10, 10}} << false << false;
    QTest::newRow("no points") << Points{} << false << true;
    QTest::newRow("three points") << Points{o, {10, 0}, {10, 10}} << false << true;
    QTest::newRow("five points") << Points{o, {10, 0}, {10, 10}, {0, 10}, {0, 5}} << false << true;
}

void TestGeometry::checksQuadrilateral()
{
    QFETCH(Points, points);
    QFETCH(bool, valid);
    QFETCH(bool, complains);

    CerrCapture cerr;
    QCOMPARE(labelWith(points).isValid(), valid);
    QCOMPARE(QString::fromStdString(cerr.text()),
             complains ? QStringLiteral("Should be 4 points!\n") : QString());
}

void TestGeometry::containsPointInTriangle_data()
{
    QTest::addColumn<QPoint>("a");
    QTest::addColumn<QPoint>("b");
    QTest::addColumn<QPoint>("c");
    QTest::addColumn<QPoint>("p");
    QTest::addColumn<bool>("contains");

    const QPoint a(0, 0), b(10, 0), c(0, 10);
    QTest::newRow("inside") << a << b << c << QPoint(2, 3) << true;
    QTest::newRow("corner a") << a << b << c << a << true;
    QTest::newRow("corner b") << a << b << c << b << true;
    QTest::newRow("corner c") << a << b << c << c << true;
    QTest::newRow("on edge ab") << a << b << c << QPoint(5, 0) << true;
    QTest::newRow("on hypotenuse") << a << b << c << QPoint(5, 5) << true;
    QTest::newRow("just beyond hypotenuse") << a << b << c << QPoint(5, 6) << false;
    QTest::newRow("left of edge ac") << a << b << c << QPoint(-1, 5) << false;
    QTest::newRow("above edge ab") << a << b << c << QPoint(5, -1) << false;
    QTest::newRow("far away") << a << b << c << QPoint(100, 100) << false;
    QTest::newRow("corners on one line")
        << a << QPoint(10, 10) << QPoint(20, 20) << QPoint(5, 5) << false;
    QTest::newRow("corners at one spot") << a << a << a << a << false;
    const QPoint far(-1000000000, -1000000000);
    QTest::newRow("large triangle, inside")
        << far << QPoint(1000000000, far.y()) << QPoint(far.x(), 1000000000)
        << QPoint(-500000000, -500000000) << true;
    QTest::newRow("large triangle, outside")
        << far << QPoint(1000000000, far.y()) << QPoint(far.x(), 1000000000)
        << QPoint(900000000, 900000000) << false;
}

void TestGeometry::containsPointInTriangle()
{
    QFETCH(QPoint, a);
    QFETCH(QPoint, b);
    QFETCH(QPoint, c);
    QFETCH(QPoint, p);
    QFETCH(bool, contains);

    const ImageAnnotation annotation;
    QCOMPARE(annotation.triangleContains(a, b, c, p), contains);
}

void TestGeometry::findsShapeUnderPoint_data()
{
    QTest::addColumn<std::vector<Points>>("shapes");
    QTest::addColumn<QPoint>("p");
    QTest::addColumn<int>("index");

    const Points square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    const Points arrowHead{{0, 0}, {10, 5}, {0, 10}, {3, 5}};
    const Points farSquare{{100, 100}, {110, 100}, {110, 110}, {100, 110}};

    const QPoint edgePoints[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10},
                                 {5, 0}, {10, 5}, {5, 10},  {0, 5}};
    for (const QPoint& p : edgePoints) {
        const QByteArray name =
            QByteArray("square at ") + QByteArray::number(p.x()) + ',' + QByteArray::number(p.y());
        QTest::newRow(name.constData()) << std::vector<Points>{farSquare, square} << p << 1;
    }
    QTest::newRow("right of the square") << std::vector<Points>{square} << QPoint(11, 5) << -1;
    QTest::newRow("no shapes") << std::vector<Points>{} << QPoint(5, 5) << -1;
    QTest::newRow("arrow-head notch") << std::vector<Points>{arrowHead} << QPoint(1, 5) << 0;
    QTest::newRow("arrow-head tip side") << std::vector<Points>{arrowHead} << QPoint(8, 5) << 0;
    QTest::newRow("overlap picks the lower index")
        << std::vector<Points>{farSquare, square, Points{{5, 5}, {15, 5}, {15, 15}, {5, 15}}}
        << QPoint(7, 7) << 1;
    QTest::newRow("too few points skipped")
        << std::vector<Points>{Points{{0, 0}, {10, 0}, {10, 10}}, Points{}, square} << QPoint(5, 5)
        << 2;
    QTest::newRow("first four of five points")
        << std::vector<Points>{Points{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {50, 50}}} << QPoint(5, 5)
        << 0;
    QTest::newRow("fifth point ignored")
        << std::vector<Points>{Points{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {50, 50}}}
        << QPoint(30, 30) << -1;
}

void TestGeometry::findsShapeUnderPoint()
{
    QFETCH(std::vector<Points>, shapes);
    QFETCH(QPoint, p);
    QFETCH(int, index);

    ImageAnnotation annotation;
    for (const Points& points : shapes)
        annotation.labels.push_back(labelWith(points));
    QCOMPARE(annotation.shapeAt(p), index);
}

void TestGeometry::cyclesThroughShapesUnderPoint_data()
{
    QTest::addColumn<int>("after");
    QTest::addColumn<QPoint>("p");
    QTest::addColumn<int>("index");

    // A sofa, a cushion inside it, a rug beside the sofa overlapping the cushion's corner.
    QTest::newRow("nothing active starts at the first") << -1 << QPoint(45, 45) << 0;
    QTest::newRow("after the sofa, the cushion") << 0 << QPoint(45, 45) << 1;
    QTest::newRow("after the cushion, the rug") << 1 << QPoint(45, 45) << 3;
    QTest::newRow("after the rug, round to the sofa") << 3 << QPoint(45, 45) << 0;
    QTest::newRow("a shape elsewhere is passed over") << 2 << QPoint(45, 45) << 3;
    QTest::newRow("only the sofa here") << 0 << QPoint(10, 10) << 0;
    QTest::newRow("nothing here") << 1 << QPoint(500, 500) << -1;
    QTest::newRow("index beyond the list") << 9 << QPoint(45, 45) << 0;
}

void TestGeometry::cyclesThroughShapesUnderPoint()
{
    QFETCH(int, after);
    QFETCH(QPoint, p);
    QFETCH(int, index);

    ImageAnnotation annotation;
    for (const Points& points : {Points{{0, 0}, {100, 0}, {100, 60}, {0, 60}},
                                 Points{{30, 30}, {50, 30}, {50, 50}, {30, 50}},
                                 Points{{200, 200}, {250, 200}, {250, 250}, {200, 250}},
                                 Points{{40, 40}, {90, 40}, {90, 90}, {40, 90}}})
        annotation.labels.push_back(labelWith(points));
    QCOMPARE(annotation.nextShapeAt(p, after), index);
}

void TestGeometry::movesPointsWithinTheIntegerRange_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QPoint>("sum");
    QTest::addColumn<QPoint>("difference");

    QTest::newRow("small") << QPoint(100, 100) << QPoint(110, 95) << QPoint(210, 195)
                           << QPoint(10, -5);
    QTest::newRow("sum beyond the largest")
        << QPoint(INT_MAX, 5) << QPoint(30, -5) << QPoint(INT_MAX, 0) << QPoint(INT_MIN + 31, -10);
    QTest::newRow("sum beyond the smallest")
        << QPoint(INT_MIN, -5) << QPoint(-30, INT_MIN) << QPoint(INT_MIN, INT_MIN)
        << QPoint(INT_MAX - 29, INT_MIN + 5);
    QTest::newRow("difference across the whole range")
        << QPoint(INT_MIN, INT_MAX) << QPoint(INT_MAX, INT_MIN) << QPoint(-1, -1)
        << QPoint(INT_MAX, INT_MIN);
}

// What a drag adds to a corner, and the displacement it is measured as, saturate.
void TestGeometry::movesPointsWithinTheIntegerRange()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QPoint, sum);
    QFETCH(QPoint, difference);
    QCOMPARE(saturatedSum(from, to), sum);
    QCOMPARE(saturatedDifference(to, from), difference);
}

QTEST_APPLESS_MAIN(TestGeometry)
#include "test_geometry.moc"
