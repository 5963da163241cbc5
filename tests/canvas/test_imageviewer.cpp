#include "imageviewer.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include <cstdlib>

namespace {
QPixmap filledPixmap(const QSize& size, const QColor& color)
{
    QPixmap pixmap(size);
    pixmap.fill(color);
    return pixmap;
}
} // namespace

class TestImageViewer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsWithWhiteDesktopSizedCanvas();
    void centresSmallImage();
    void scrollsLargeImageToLastPixel();
    void nullImageKeepsPreviousImage();

private:
    ImageViewer* viewer = nullptr;
};

void TestImageViewer::init()
{
    viewer = new ImageViewer;
    viewer->resize(400, 300);
    viewer->show();
    QVERIFY(QTest::qWaitForWindowExposed(viewer));
}

void TestImageViewer::cleanup()
{
    delete viewer;
    viewer = nullptr;
}

void TestImageViewer::startsWithWhiteDesktopSizedCanvas()
{
    const QSize desktop = QGuiApplication::primaryScreen()->virtualSize();
    QCOMPARE(viewer->widget(), static_cast<QWidget*>(viewer->imageWidget()));
    QCOMPARE(viewer->imageWidget()->size(), desktop);

    const QImage image = viewer->imageWidget()->grab().toImage();
    QCOMPARE(image.size(), desktop);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != QColor(Qt::white))
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) is not white").arg(x).arg(y)));
}

void TestImageViewer::centresSmallImage()
{
    const QSize size(100, 50);
    viewer->setImage(filledPixmap(size, Qt::red));
    QCoreApplication::processEvents();

    QWidget* viewport = viewer->viewport();
    const QRect placed = viewer->imageWidget()->geometry();
    QCOMPARE(placed.size(), size);
    QVERIFY(std::abs(placed.center().x() - viewport->rect().center().x()) <= 1);
    QVERIFY(std::abs(placed.center().y() - viewport->rect().center().y()) <= 1);

    const QImage shown = viewport->grab().toImage();
    QCOMPARE(shown.pixelColor(placed.center()), QColor(Qt::red));
    const QRgb dark = viewer->palette().color(QPalette::Dark).rgb();
    QCOMPARE(shown.pixel(2, 2), dark);
    QCOMPARE(shown.pixel(viewport->width() - 3, viewport->height() - 3), dark);
}

void TestImageViewer::scrollsLargeImageToLastPixel()
{
    const QSize size(1000, 900);
    QImage source(size, QImage::Format_RGB32);
    source.fill(Qt::gray);
    source.setPixelColor(0, 0, Qt::blue);
    source.setPixelColor(size.width() - 1, size.height() - 1, Qt::red);
    viewer->setImage(QPixmap::fromImage(source));
    QCoreApplication::processEvents();

    ImageWidget* canvas = viewer->imageWidget();
    QWidget* viewport = viewer->viewport();
    QCOMPARE(canvas->size(), size);
    QCOMPARE(viewport->grab().toImage().pixelColor(canvas->mapTo(viewport, QPoint(0, 0))),
             QColor(Qt::blue));
    // A decode shows first the rows down to the view's bottom edge, the screen's worth at least.
    QVERIFY(viewer->displayScale().rowsToViewBottom >= viewport->height());

    viewer->horizontalScrollBar()->setValue(viewer->horizontalScrollBar()->maximum());
    viewer->verticalScrollBar()->setValue(viewer->verticalScrollBar()->maximum());
    QCoreApplication::processEvents();

    const QPoint last = canvas->mapTo(viewport, QPoint(size.width() - 1, size.height() - 1));
    QVERIFY(viewport->rect().contains(last));
    QVERIFY(viewer->displayScale().rowsToViewBottom >= size.height());
    QCOMPARE(viewport->grab().toImage().pixelColor(last), QColor(Qt::red));
}

void TestImageViewer::nullImageKeepsPreviousImage()
{
    const QSize size(200, 100);
    viewer->setImage(filledPixmap(size, Qt::blue));
    viewer->setImage(QPixmap());

    ImageWidget* canvas = viewer->imageWidget();
    QCOMPARE(canvas->size(), size);
    const QImage image = canvas->grab().toImage();
    QCOMPARE(image.size(), size);
    QCOMPARE(image.pixelColor(0, 0), QColor(Qt::blue));
    QCOMPARE(image.pixelColor(size.width() - 1, size.height() - 1), QColor(Qt::blue));
}

QTEST_MAIN(TestImageViewer)
#include "test_imageviewer.moc"
