#include "imageviewer.h"
#include "imagewidget.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdlib>

using Points = std::vector<QPoint>;

namespace {
// A dark quadrilateral on a light, slightly textured wall; its corners are image pixels.
const Points quadCorners{{120, 90}, {300, 110}, {290, 260}, {110, 240}};

// The same picture drawn factor times as large.
QPixmap wallWithQuad(const QSize& size, bool withQuad, int factor = 1)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(210, 205, 200));
    QPainter painter(&image);
    if (withQuad) {
        QPolygonF outline;
        // Pixel centres sit half a pixel in from the painter's pixel edges.
        for (const QPoint& corner : quadCorners)
            outline << QPointF(corner * factor) + QPointF(0.5, 0.5);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(40, 30, 30));
        painter.drawPolygon(outline);
    }
    painter.end();
    return QPixmap::fromImage(image);
}

// A dark bar 240 x 12 pixels across the wall: at a small zoom its corners lie within one
// snap radius of each other.
const Points barCorners{{80, 150}, {319, 150}, {319, 161}, {80, 161}};

QPixmap wallWithBar(const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(210, 205, 200));
    QPainter painter(&image);
    painter.fillRect(QRect(barCorners[0], barCorners[2]), QColor(40, 30, 30));
    painter.end();
    return QPixmap::fromImage(image);
}

void send(QWidget* widget, QEvent::Type type, Qt::MouseButton button, const QPoint& at,
          Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, held, modifiers);
    QApplication::sendEvent(widget, &event);
}

void leftDrag(QWidget* widget, const QPoint& from, const QPoint& to)
{
    send(widget, QEvent::MouseButtonPress, Qt::LeftButton, from);
    send(widget, QEvent::MouseMove, Qt::LeftButton, (from + to) / 2);
    send(widget, QEvent::MouseMove, Qt::LeftButton, to);
    send(widget, QEvent::MouseButtonRelease, Qt::LeftButton, to);
}

bool near(const QPoint& a, const QPoint& b, int tolerance)
{
    return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance;
}
} // namespace

// The drawing aids on the canvas: snapped corners, boxes that become quadrilaterals.
class TestAssistCanvas : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void placesCornerWhereAssistSays_data();
    void placesCornerWhereAssistSays();
    void rubberBandFollowsSnappedPosition();
    void boxBecomesQuadrilateral_data();
    void boxBecomesQuadrilateral();
    void droppedCornerSnaps();
    void snapsOnThePixelsShown_data();
    void snapsOnThePixelsShown();
    void repaintAfterBoxMatchesFullRepaint_data();
    void repaintAfterBoxMatchesFullRepaint();

private:
    ImageWidget* canvas() { return viewer->imageWidget(); }
    QPoint onCanvas(const QPoint& imagePixel)
    {
        const QPointF centre =
            canvas()->viewTransform().toCanvas(QPointF(imagePixel) + QPointF(0.5, 0.5));
        return QPoint(int(std::floor(centre.x())), int(std::floor(centre.y())));
    }
    void show(bool withQuad, double scale);

    ImageViewer* viewer = nullptr;
};

void TestAssistCanvas::init()
{
    viewer = new ImageViewer;
    viewer->resize(500, 400);
    viewer->show();
    QVERIFY(QTest::qWaitForWindowExposed(viewer));
}

void TestAssistCanvas::cleanup()
{
    delete viewer;
    viewer = nullptr;
}

void TestAssistCanvas::show(bool withQuad, double scale)
{
    viewer->setImage(wallWithQuad(QSize(400, 320), withQuad));
    viewer->setZoom(scale);
}

void TestAssistCanvas::placesCornerWhereAssistSays_data()
{
    QTest::addColumn<bool>("assist");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("withQuad");
    QTest::addColumn<double>("scale");
    // Offset of the click from the corner, in screen pixels.
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<bool>("snaps");
    QTest::newRow("off by default") << false << 0 << true << 1.0 << QPoint(4, 3) << false;
    QTest::newRow("on, 100 %") << true << 0 << true << 1.0 << QPoint(4, 3) << true;
    QTest::newRow("on, Shift places exactly")
        << true << int(Qt::ShiftModifier) << true << 1.0 << QPoint(4, 3) << false;
    QTest::newRow("on, at fit") << true << 0 << true << 0.25 << QPoint(5, -4) << true;
    QTest::newRow("on, at 200 %") << true << 0 << true << 2.0 << QPoint(-6, 5) << true;
    QTest::newRow("on, beyond 8 screen pixels")
        << true << 0 << true << 0.25 << QPoint(10, 0) << false;
    QTest::newRow("on, flat image") << true << 0 << false << 1.0 << QPoint(4, 3) << false;
}

// The first corner of a new shape, placed near the quadrilateral's first corner.
void TestAssistCanvas::placesCornerWhereAssistSays()
{
    QFETCH(bool, assist);
    QFETCH(int, modifiers);
    QFETCH(bool, withQuad);
    QFETCH(double, scale);
    QFETCH(QPoint, offset);
    QFETCH(bool, snaps);
    show(withQuad, scale);
    canvas()->setAssist(assist);
    const QPoint click = onCanvas(quadCorners[0]) + offset;
    const QPoint clickedPixel = canvas()->viewTransform().imagePixelAt(QPointF(click));
    send(canvas(), QEvent::MouseButtonPress, Qt::LeftButton, click,
         Qt::KeyboardModifiers(modifiers));
    send(canvas(), QEvent::MouseButtonRelease, Qt::LeftButton, click,
         Qt::KeyboardModifiers(modifiers));
    QCOMPARE(canvas()->currentMode(), int(ImageWidget::Drawing));
    QCOMPARE(canvas()->placedCorners().size(), std::size_t(1));
    const QPoint placed = canvas()->placedCorners()[0];
    if (snaps)
        QVERIFY2(near(placed, quadCorners[0], 1),
                 qPrintable(QString("%1, %2").arg(placed.x()).arg(placed.y())));
    else
        QCOMPARE(placed, clickedPixel);
}

// The outline being drawn ends at the corner the next click would place.
void TestAssistCanvas::rubberBandFollowsSnappedPosition()
{
    show(true, 1.0);
    canvas()->setAssist(true);
    const QPoint first = onCanvas({20, 20});
    send(canvas(), QEvent::MouseButtonPress, Qt::LeftButton, first);
    send(canvas(), QEvent::MouseButtonRelease, Qt::LeftButton, first);
    const QPoint towards = onCanvas(quadCorners[1]) + QPoint(-3, 4);
    send(canvas(), QEvent::MouseMove, Qt::NoButton, towards);
    const QImage painted = canvas()->grab().toImage();
    // The band's end is drawn on the corner, not at the mouse.
    const QColor atCorner = painted.pixelColor(onCanvas(quadCorners[1]));
    const QColor atMouse = painted.pixelColor(towards + QPoint(1, 1));
    QVERIFY2(atCorner.red() > atCorner.blue() + 40, qPrintable(atCorner.name()));
    QVERIFY2(!(atMouse.red() > atMouse.blue() + 40 && atMouse.green() > atMouse.blue() + 40),
             qPrintable(atMouse.name()));
}

void TestAssistCanvas::boxBecomesQuadrilateral_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<double>("scale");
    // The drag on screen, from the box's top-left corner.
    QTest::addColumn<QPoint>("drag");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("around the quadrilateral") << "quad" << 1.0 << QPoint(0, 0) << "quad";
    QTest::newRow("around it at half size") << "quad" << 0.5 << QPoint(0, 0) << "quad";
    // Found on a copy reduced four times, a few pixels off; snapped, on the corners.
    QTest::newRow("around it four times as large, at 25 %")
        << "large quad" << 0.25 << QPoint(0, 0) << "quad";
    QTest::newRow("nothing inside: the box") << "flat" << 1.0 << QPoint(0, 0) << "box";
    QTest::newRow("drag of 10 pixels: a box") << "flat" << 1.0 << QPoint(8, 6) << "box";
    QTest::newRow("drag of 9 pixels: a click") << "flat" << 1.0 << QPoint(9, 0) << "click";
    QTest::newRow("drag of 9.4 pixels: a click") << "flat" << 1.0 << QPoint(7, 6) << "click";
    // A box without height holds no shape; the press is the click that starts one.
    QTest::newRow("flat drag of 12 pixels: a click") << "flat" << 1.0 << QPoint(12, 0) << "click";
    // Snapped at a third of the size, the bar's corners fold onto each other: the bar as found.
    QTest::newRow("around a thin bar at 33 %") << "bar" << 0.33 << QPoint(0, 0) << "bar";
    QTest::newRow("around a thin bar at 100 %") << "bar" << 1.0 << QPoint(0, 0) << "bar";
}

void TestAssistCanvas::boxBecomesQuadrilateral()
{
    QFETCH(QString, picture);
    QFETCH(double, scale);
    QFETCH(QPoint, drag);
    QFETCH(QString, outcome);
    const int factor = picture == "large quad" ? 4 : 1;
    if (picture == "bar") {
        viewer->setImage(wallWithBar(QSize(400, 320)));
        viewer->setZoom(scale);
    } else if (factor > 1) {
        viewer->setImage(wallWithQuad(QSize(400, 320) * factor, true, factor));
        viewer->setZoom(scale);
    } else {
        show(picture == "quad", scale);
    }
    canvas()->setAssist(true);
    std::vector<Label> added;
    connect(canvas(), &ImageWidget::sglShapeAdded, this,
            [&added](Label& label) { added.push_back(label); });
    QSignalSpy activeChanged(canvas(), &ImageWidget::sglActiveShapeChanged);
    const QPoint from = onCanvas(picture == "bar" ? QPoint(70, 140) : QPoint(95, 75) * factor);
    const QPoint to =
        drag.isNull() ? onCanvas(picture == "bar" ? QPoint(330, 172) : QPoint(315, 275) * factor)
                      : from + drag;
    leftDrag(canvas(), from, to);
    QCOMPARE(activeChanged.count(), 1);
    QCOMPARE(activeChanged.at(0).at(0).toInt(), -1);
    const QPoint first = canvas()->viewTransform().imagePixelAt(QPointF(from));
    if (outcome == "click") {
        QCOMPARE(added.size(), std::size_t(0));
        QCOMPARE(canvas()->currentMode(), int(ImageWidget::Drawing));
        QCOMPARE(canvas()->placedCorners(), Points{first});
        return;
    }
    QCOMPARE(added.size(), std::size_t(1));
    QCOMPARE(canvas()->currentMode(), int(ImageWidget::Idle));
    const Points corners = added[0].points;
    QCOMPARE(corners.size(), std::size_t(4));
    const QPoint last = canvas()->viewTransform().imagePixelAt(QPointF(to));
    Points largerQuad;
    for (const QPoint& corner : quadCorners)
        largerQuad.push_back(corner * factor);
    const Points expected =
        outcome == "quad"
            ? largerQuad
            : (outcome == "bar"
                   ? barCorners
                   : Points{first, {last.x(), first.y()}, last, {first.x(), last.y()}});
    const int tolerance = outcome == "quad" ? 1 : (outcome == "bar" ? 3 : 0);
    for (std::size_t i = 0; i < 4; ++i)
        QVERIFY2(near(corners[i], expected[i], tolerance),
                 qPrintable(QString("%1: %2, %3").arg(i).arg(corners[i].x()).arg(corners[i].y())));
}

// A corner dragged by its handle and dropped near an image corner lands on it.
void TestAssistCanvas::droppedCornerSnaps()
{
    show(true, 1.0);
    canvas()->setAssist(true);
    Label shape;
    shape.points = {{100, 80}, {200, 80}, {200, 200}, {100, 200}};
    ImageAnnotation annotation;
    annotation.labels.push_back(shape);
    viewer->setAnnotation(annotation);
    viewer->setActiveShape(0);
    std::vector<std::pair<int, QPoint>> moved;
    connect(canvas(), &ImageWidget::sglCornerMoved, this,
            [&moved](int corner, QPoint& position) { moved.emplace_back(corner, position); });
    const QPoint handle = onCanvas({100, 80});
    const QPoint drop = onCanvas(quadCorners[0] + QPoint(4, -3));
    send(canvas(), QEvent::MouseButtonPress, Qt::RightButton, handle);
    send(canvas(), QEvent::MouseMove, Qt::RightButton, drop);
    send(canvas(), QEvent::MouseButtonRelease, Qt::RightButton, drop);
    QCOMPARE(moved.size(), std::size_t(2));
    // The move follows the mouse; the drop lands on the corner.
    QCOMPARE(moved[0].second, quadCorners[0] + QPoint(4, -3));
    QCOMPARE(moved[1].first, 0);
    QVERIFY2(near(moved[1].second, quadCorners[0], 1),
             qPrintable(QString("%1, %2").arg(moved[1].second.x()).arg(moved[1].second.y())));
}

void TestAssistCanvas::snapsOnThePixelsShown_data()
{
    QTest::addColumn<int>("reduction");
    QTest::addColumn<bool>("sharpAfter");
    QTest::addColumn<int>("tolerance");
    QTest::newRow("full resolution") << 1 << false << 1;
    QTest::newRow("a quarter while the sharp decode is made") << 4 << false << 4;
    QTest::newRow("the sharp decode once it came") << 4 << true << 1;
}

// The aids read the pixels on display, in full-resolution pixels, and never those of the image
// shown before: a click near where the last image had a corner finds this image's one.
void TestAssistCanvas::snapsOnThePixelsShown()
{
    QFETCH(int, reduction);
    QFETCH(bool, sharpAfter);
    QFETCH(int, tolerance);
    const QSize fullSize(400, 320);
    show(true, 1.0);
    canvas()->setAssist(true);
    // Within reach of both corners, nearer the old one.
    const QPoint click = onCanvas(quadCorners[0] + QPoint(2, 2));
    send(canvas(), QEvent::MouseButtonPress, Qt::LeftButton, click);
    send(canvas(), QEvent::MouseButtonRelease, Qt::LeftButton, click);
    QVERIFY(near(canvas()->placedCorners().at(0), quadCorners[0], 1));
    canvas()->cancelDrawing();
    // The next room, the picture hung 6 pixels further right and down.
    const QPoint shift(6, 6);
    QImage moved(fullSize, QImage::Format_RGB32);
    moved.fill(QColor(210, 205, 200));
    QPainter painter(&moved);
    painter.drawPixmap(shift, wallWithQuad(fullSize, true));
    painter.end();
    const QPixmap sharp = QPixmap::fromImage(moved);
    viewer->setImage(
        sharp.scaled(fullSize / reduction, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
        fullSize);
    if (sharpAfter)
        viewer->setImage(sharp, fullSize);
    const QPoint target = quadCorners[0] + shift;
    send(canvas(), QEvent::MouseButtonPress, Qt::LeftButton, click);
    send(canvas(), QEvent::MouseButtonRelease, Qt::LeftButton, click);
    QCOMPARE(canvas()->placedCorners().size(), std::size_t(1));
    const QPoint placed = canvas()->placedCorners()[0];
    QVERIFY2(near(placed, target, tolerance),
             qPrintable(QString("%1, %2").arg(placed.x()).arg(placed.y())));
}

void TestAssistCanvas::repaintAfterBoxMatchesFullRepaint_data()
{
    QTest::addColumn<QPoint>("drag");
    QTest::newRow("a box") << QPoint(60, 50);
    QTest::newRow("a short drag") << QPoint(5, 0);
}

// The shape that was active turns green on screen, the box's outline goes; only the areas
// that changed are repainted, and they must be enough.
void TestAssistCanvas::repaintAfterBoxMatchesFullRepaint()
{
    QFETCH(QPoint, drag);
    show(false, 1.0);
    canvas()->setAssist(true);
    Label shape;
    shape.points = {{20, 20}, {80, 20}, {80, 80}, {20, 80}};
    ImageAnnotation annotation;
    annotation.labels.push_back(shape);
    viewer->setAnnotation(annotation);
    viewer->setActiveShape(0);
    QCoreApplication::processEvents();
    const QPoint from = onCanvas({200, 150});
    send(canvas(), QEvent::MouseButtonPress, Qt::LeftButton, from);
    send(canvas(), QEvent::MouseMove, Qt::LeftButton, from + drag);
    QCoreApplication::processEvents();
    send(canvas(), QEvent::MouseButtonRelease, Qt::LeftButton, from + drag);
    QCoreApplication::processEvents();
    QCOMPARE(canvas()->currentActiveShape(), -1);
    const QImage onScreen = viewer->screen()->grabWindow(viewer->winId()).toImage();
    const QImage repaintedWhole = viewer->grab().toImage();
    QCOMPARE(onScreen.convertToFormat(QImage::Format_RGB32),
             repaintedWhole.convertToFormat(QImage::Format_RGB32));
}

QTEST_MAIN(TestAssistCanvas)
#include "test_assistcanvas.moc"
