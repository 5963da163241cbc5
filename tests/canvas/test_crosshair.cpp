#include "imageviewer.h"
#include "imagewidget.h"

#include <QApplication>
#include <QPainter>
#include <QTest>

#include <cmath>

namespace {
const QColor wall(210, 205, 200);
// A dark quadrilateral on the wall; its first corner is where a snapped pointer goes.
const QPoint quadCorner(120, 90);

QPixmap wallWithQuad(const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(wall);
    QPainter painter(&image);
    QPolygonF outline;
    for (const QPoint& corner : {quadCorner, QPoint(300, 110), QPoint(290, 260), QPoint(110, 240)})
        outline << QPointF(corner) + QPointF(0.5, 0.5);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 30, 30));
    painter.drawPolygon(outline);
    painter.end();
    return QPixmap::fromImage(image);
}

void moveTo(QWidget* widget, const QPoint& at, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(QEvent::MouseMove, QPointF(at), QPointF(widget->mapToGlobal(at)),
                      Qt::NoButton, Qt::NoButton, modifiers);
    QApplication::sendEvent(widget, &event);
}

bool isLineColour(const QColor& colour)
{
    return colour == QColor(Qt::black) || colour == QColor(Qt::white);
}
} // namespace

// The crosshair's pixels on the canvas: where the pointer is, or where a click would place a
// corner while assisting.
class TestCrosshair : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void linesCrossTheImageAtThePointer_data();
    void linesCrossTheImageAtThePointer();
    void linesFollowThePointerAndLeaveNothingBehind();
    void noLinesOffTheImageOrAfterLeaving();
    void aZoomHidesTheLinesUntilThePointerMoves_data();
    void aZoomHidesTheLinesUntilThePointerMoves();

private:
    ImageWidget* canvas() { return viewer->imageWidget(); }
    QImage frame() { return canvas()->grab().toImage(); }
    // The canvas column and row of this image pixel's middle.
    QPoint onCanvas(const QPoint& imagePixel)
    {
        const QPointF centre =
            canvas()->viewTransform().toCanvas(QPointF(imagePixel) + QPointF(0.5, 0.5));
        return QPoint(int(std::floor(centre.x())), int(std::floor(centre.y())));
    }
    // Every pixel of the column (or row) is a line colour, both tones show, and the
    // neighbours are not part of it.
    bool crossesAt(const QImage& image, const QPoint& centre) const;
    int linePixels(const QImage& image) const;

    ImageViewer* viewer = nullptr;
};

void TestCrosshair::init()
{
    viewer = new ImageViewer;
    viewer->resize(500, 400);
    viewer->show();
    QVERIFY(QTest::qWaitForWindowExposed(viewer));
    viewer->setImage(wallWithQuad(QSize(400, 320)));
}

void TestCrosshair::cleanup()
{
    delete viewer;
    viewer = nullptr;
}

bool TestCrosshair::crossesAt(const QImage& image, const QPoint& centre) const
{
    int dark = 0;
    int light = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QColor colour = image.pixelColor(centre.x(), y);
        if (!isLineColour(colour))
            return false;
        (colour == QColor(Qt::black) ? dark : light) += 1;
    }
    for (int x = 0; x < image.width(); ++x)
        if (!isLineColour(image.pixelColor(x, centre.y())))
            return false;
    const QPoint beside(centre.x() + 1, centre.y() + 3);
    return dark > 0 && light > 0 && !isLineColour(image.pixelColor(beside));
}

int TestCrosshair::linePixels(const QImage& image) const
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += isLineColour(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

void TestCrosshair::linesCrossTheImageAtThePointer_data()
{
    QTest::addColumn<bool>("assist");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<double>("scale");
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QPoint>("crossing");
    QTest::newRow("flat wall") << false << 0 << 1.0 << QPoint(50, 40) << QPoint(50, 40);
    QTest::newRow("near a corner, no assist")
        << false << 0 << 1.0 << QPoint(124, 93) << QPoint(124, 93);
    QTest::newRow("near a corner, assist snaps")
        << true << 0 << 1.0 << QPoint(124, 93) << quadCorner;
    QTest::newRow("assist, Shift does not snap")
        << true << int(Qt::ShiftModifier) << 1.0 << QPoint(124, 93) << QPoint(124, 93);
    QTest::newRow("assist, far from corners")
        << true << 0 << 1.0 << QPoint(30, 300) << QPoint(30, 300);
    QTest::newRow("200 %: through the pixel's middle")
        << false << 0 << 2.0 << QPoint(100, 80) << QPoint(50, 40);
}

void TestCrosshair::linesCrossTheImageAtThePointer()
{
    QFETCH(bool, assist);
    QFETCH(int, modifiers);
    QFETCH(double, scale);
    QFETCH(QPoint, pointer);
    QFETCH(QPoint, crossing);
    viewer->setZoom(scale);
    canvas()->setAssist(assist);
    moveTo(canvas(), pointer, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(linePixels(frame()), 0);
    canvas()->setCrosshair(true);
    moveTo(canvas(), pointer, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(canvas()->crosshairLines().position(), std::optional<QPoint>(crossing));
    QVERIFY(crossesAt(frame(), onCanvas(crossing)));
}

void TestCrosshair::linesFollowThePointerAndLeaveNothingBehind()
{
    canvas()->setCrosshair(true);
    moveTo(canvas(), QPoint(50, 40));
    QCoreApplication::processEvents();
    moveTo(canvas(), QPoint(200, 150));
    // What the partial repaint left on screen equals a whole new frame.
    QApplication::processEvents();
    const QImage shown = frame();
    QVERIFY(crossesAt(shown, QPoint(200, 150)));
    QCOMPARE(shown.pixelColor(50, 10), wall);
    QCOMPARE(shown.pixelColor(10, 40), wall);
    const QSize size = canvas()->size();
    QCOMPARE(linePixels(shown), size.width() + size.height() - 1);
    canvas()->setCrosshair(false);
    QCOMPARE(linePixels(frame()), 0);
}

void TestCrosshair::noLinesOffTheImageOrAfterLeaving()
{
    canvas()->setCrosshair(true);
    moveTo(canvas(), QPoint(50, 40));
    QVERIFY(canvas()->crosshairLines().position());
    moveTo(canvas(), QPoint(450, 40));
    QVERIFY(!canvas()->crosshairLines().position());
    moveTo(canvas(), QPoint(399, 319));
    QCOMPARE(canvas()->crosshairLines().position(), std::optional<QPoint>(QPoint(399, 319)));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(canvas(), &leave);
    QVERIFY(!canvas()->crosshairLines().position());
    QCOMPARE(linePixels(frame()), 0);
}

void TestCrosshair::aZoomHidesTheLinesUntilThePointerMoves_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("linesLeft");
    QTest::newRow("zoomed in") << 2.0 << 0;
    QTest::newRow("the same scale again: they stay") << 1.0 << 1;
}

// The pointer stands still over another image pixel once the scale changed (a zoom key).
void TestCrosshair::aZoomHidesTheLinesUntilThePointerMoves()
{
    QFETCH(double, scale);
    QFETCH(int, linesLeft);
    canvas()->setCrosshair(true);
    moveTo(canvas(), QPoint(50, 40));
    viewer->setZoom(scale);
    QCOMPARE(canvas()->crosshairLines().position().has_value(), linesLeft > 0);
    QCOMPARE(linePixels(frame()) > 0, linesLeft > 0);
    moveTo(canvas(), QPoint(100, 80));
    QCOMPARE(canvas()->crosshairLines().position(), std::optional<QPoint>(QPoint(100, 80) / scale));
}

QTEST_MAIN(TestCrosshair)
#include "test_crosshair.moc"
