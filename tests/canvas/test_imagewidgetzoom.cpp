#include "canvasfixture.h"
#include "canvastest.h"
#include "imagewidget.h"

#include <QImage>
#include <QPainter>
#include <QTest>

#include <cmath>
#include <cstdlib>

// The image at other scales than its own: enlarged crisp, reduced smooth, a reduced decode
// stretched over the whole image, shapes and captions following it, and the view adjusted.
class TestImageWidgetZoom : public CanvasTest
{
    Q_OBJECT

private slots:
    void scalesImageCrispUpSmoothDown_data();
    void scalesImageCrispUpSmoothDown();
    void stretchesReducedImageOverTheWholeImage_data();
    void stretchesReducedImageOverTheWholeImage();
    void fillsFollowTheImageAtZoom_data();
    void fillsFollowTheImageAtZoom();
    void captionsKeepTheirScreenSizeAtZoom();
    void reducedImageComesBackAtAScaleShownBefore_data();
    void reducedImageComesBackAtAScaleShownBefore();
    void adjustsOnlyThePixelsShown_data();
    void adjustsOnlyThePixelsShown();
};

// One-pixel black and white checks: enlarged they must stay pure, reduced they blend.
// Rows at scales that are not whole numbers fail if the drawing and the mouse round apart.
void TestImageWidgetZoom::scalesImageCrispUpSmoothDown_data()
{
    QTest::addColumn<double>("scale");
    QTest::newRow("400 %") << 4.0;
    QTest::newRow("125 %") << 1.25;
    QTest::newRow("50 %") << 0.5;
    QTest::newRow("25 %") << 0.25;
}

void TestImageWidgetZoom::scalesImageCrispUpSmoothDown()
{
    QFETCH(double, scale);
    QImage checks(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < checks.height(); ++y)
        for (int x = 0; x < checks.width(); ++x)
            checks.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    viewer->setImage(QPixmap::fromImage(checks));
    viewer->setZoom(scale);
    const QImage image = canvasImage();
    QCOMPARE(image.size(), QSize(std::lround(64 * scale), std::lround(64 * scale)));

    for (int y = 2; y < image.height() - 2; ++y)
        for (int x = 2; x < image.width() - 2; ++x) {
            const QColor seen = image.pixelColor(x, y);
            if (scale > 1.0) {
                // What shows at a canvas pixel is the image pixel a click there addresses.
                const QColor under = checks.pixelColor(
                    viewer->imageWidget()->viewTransform().imagePixelAt(QPointF(x, y)));
                QVERIFY2(seen == under, qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
            } else {
                QVERIFY2(std::abs(seen.red() - 128) < 10, qPrintable(describe(seen)));
            }
        }
}

// A scale below the original size, left for another and taken up again, shows the image again.
void TestImageWidgetZoom::reducedImageComesBackAtAScaleShownBefore_data()
{
    QTest::addColumn<QList<double>>("scales");
    QTest::newRow("50 %, 100 %, 50 %") << QList<double>{0.5, 1.0, 0.5};
    QTest::newRow("50 %, 200 %, 50 %") << QList<double>{0.5, 2.0, 0.5};
    QTest::newRow("50 %, 25 %, 50 %") << QList<double>{0.5, 0.25, 0.5};
}

void TestImageWidgetZoom::reducedImageComesBackAtAScaleShownBefore()
{
    QFETCH(QList<double>, scales);
    viewer->setImage(filledPixmap(QSize(64, 64), Qt::red), QSize());
    for (const double scale : scales) {
        viewer->setZoom(scale);
        canvasImage();
    }
    const QImage image = canvasImage();
    QCOMPARE(image.size(), QSize(32, 32));
    QVERIFY2(near(image.pixelColor(16, 16), Qt::red),
             qPrintable(describe(image.pixelColor(16, 16))));
}

// A decode at a quarter of each side stands for the whole 64 x 64 image at every scale.
void TestImageWidgetZoom::stretchesReducedImageOverTheWholeImage_data()
{
    QTest::addColumn<double>("scale");
    QTest::newRow("400 %") << 4.0;
    QTest::newRow("100 %") << 1.0;
    QTest::newRow("25 %") << 0.25;
}

void TestImageWidgetZoom::stretchesReducedImageOverTheWholeImage()
{
    QFETCH(double, scale);
    QImage reduced(16, 16, QImage::Format_RGB32);
    reduced.fill(Qt::blue);
    QPainter(&reduced).fillRect(0, 0, 8, 8, Qt::red);
    viewer->setImage(QPixmap::fromImage(reduced), QSize(64, 64));
    viewer->setZoom(scale);
    QCOMPARE(viewer->imageWidget()->imageSize(), QSize(64, 64));
    const QImage image = canvasImage();
    QCOMPARE(image.size(), QSize(std::lround(64 * scale), std::lround(64 * scale)));
    for (const QPoint& pixel : {QPoint(4, 4), QPoint(28, 28), QPoint(36, 4), QPoint(60, 60)}) {
        const QPoint onCanvas = viewer->imageWidget()->viewTransform().toCanvas(pixel).toPoint();
        const QColor expected = pixel.x() < 32 && pixel.y() < 32 ? Qt::red : Qt::blue;
        QVERIFY2(near(image.pixelColor(onCanvas), expected),
                 qPrintable(describe(image.pixelColor(onCanvas))));
    }
}

void TestImageWidgetZoom::fillsFollowTheImageAtZoom_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<Points>("filled");
    QTest::addColumn<Points>("bare");

    // The square covers image pixels 20 to 59 each way.
    QTest::newRow("400 %") << 4.0 << Points{{81, 81}, {238, 238}} << Points{{78, 78}, {242, 100}};
    QTest::newRow("50 %") << 0.5 << Points{{11, 11}, {28, 28}} << Points{{9, 9}, {31, 20}};
}

void TestImageWidgetZoom::fillsFollowTheImageAtZoom()
{
    QFETCH(double, scale);
    QFETCH(Points, filled);
    QFETCH(Points, bare);
    viewer->setZoom(scale);
    viewer->setAnnotation(annotationOf({label({{20, 20}, {60, 20}, {60, 60}, {20, 60}})}));
    const QImage image = canvasImage();
    const QColor expected = blend(otherFill, background);
    for (const QPoint& point : filled)
        QVERIFY2(near(image.pixelColor(point), expected),
                 qPrintable(describe(image.pixelColor(point))));
    for (const QPoint& point : bare)
        QCOMPARE(image.pixelColor(point), background);
}

// Zoomed out, a caption keeps its font size and hangs from the centroid on screen.
void TestImageWidgetZoom::captionsKeepTheirScreenSizeAtZoom()
{
    viewer->setImage(filledPixmap(QSize(800, 800), Qt::white));
    ImageWidget* canvas = viewer->imageWidget();
    const auto captionBox = [this, canvas](double scale) {
        viewer->setZoom(scale);
        viewer->setAnnotation(annotationOf(
            {label({{300, 300}, {500, 300}, {500, 500}, {300, 500}}, true, QStringLiteral("Mg"))}));
        const QImage withCaption = canvasImage();
        canvas->toggleText();
        const QImage without = canvasImage();
        canvas->toggleText();
        QRect box;
        for (int y = 0; y < without.height(); ++y)
            for (int x = 0; x < without.width(); ++x)
                if (withCaption.pixel(x, y) != without.pixel(x, y))
                    box |= QRect(x, y, 1, 1);
        return box;
    };
    const QRect original = captionBox(1.0);
    const QRect quarter = captionBox(0.25);
    QVERIFY(!original.isEmpty());
    QCOMPARE(quarter.size(), original.size());
    QCOMPARE(quarter.topLeft() - QPoint(100, 100), original.topLeft() - QPoint(400, 400));
}

void TestImageWidgetZoom::adjustsOnlyThePixelsShown_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<bool>("reduced");
    QTest::newRow("100 %") << 1.0 << false;
    QTest::newRow("50 %, the smoothly scaled copy") << 0.5 << false;
    QTest::newRow("300 %, the enlarged part") << 3.0 << false;
    QTest::newRow("100 %, a reduced decode stretched") << 1.0 << true;
}

// Brightness doubles each channel and contrast then stretches it about mid-grey; going
// back to neutral shows the image as it was, so the image itself was never changed.
void TestImageWidgetZoom::adjustsOnlyThePixelsShown()
{
    QFETCH(double, scale);
    QFETCH(bool, reduced);
    const QColor original(100, 60, 20);
    viewer->setImage(filledPixmap(reduced ? QSize(16, 16) : QSize(64, 64), original),
                     QSize(64, 64));
    viewer->setZoom(scale);
    ImageWidget* canvas = viewer->imageWidget();

    canvas->setViewAdjustment(ViewAdjustment().withBrightness(100).withContrast(10));
    // (200 - 127.5) * 1.1 + 127.5 = 207.25, (120 - 127.5) * 1.1 + 127.5 = 119.25, and so on.
    const QColor adjusted(207, 119, 32);
    QImage image = canvasImage();
    for (const QPoint& pixel : {QPoint(1, 1), QPoint(image.width() / 2, image.height() / 2),
                                QPoint(image.width() - 2, image.height() - 2)})
        QVERIFY2(near(image.pixelColor(pixel), adjusted),
                 qPrintable(describe(image.pixelColor(pixel))));

    canvas->setViewAdjustment(ViewAdjustment());
    image = canvasImage();
    const QPoint centre(image.width() / 2, image.height() / 2);
    QVERIFY2(near(image.pixelColor(centre), original),
             qPrintable(describe(image.pixelColor(centre))));
}

QTEST_MAIN(TestImageWidgetZoom)
#include "test_imagewidgetzoom.moc"
