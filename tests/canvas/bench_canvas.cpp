#include "imageviewer.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <memory>

// One drag step: the window hands the canvas a fresh copy of the annotation with
// the dragged shape moved, and the canvas repaints.
class BenchCanvas : public QObject
{
    Q_OBJECT

private slots:
    void dragStepOnScreen_data() { shapeCounts(); }
    void dragStepOnScreen();
    void wholeCanvasRepaint_data() { shapeCounts(); }
    void wholeCanvasRepaint();

    // A 6000 x 4000 photo with 1,000 tagged shapes spread over it, in a 1280 x 800 view.
    void dragStepOnLargePhoto_data() { zoomLevels(); }
    void dragStepOnLargePhoto();
    void zoomStepOnLargePhoto_data();
    void zoomStepOnLargePhoto();
    void pageScrollOnLargePhoto_data() { zoomLevels(); }
    void pageScrollOnLargePhoto();
    // Brightness and contrast: one step of the keys, and the next image shown with them on.
    void adjustmentStepOnLargePhoto_data();
    void adjustmentStepOnLargePhoto();
    void nextImageWithAdjustment_data();
    void nextImageWithAdjustment();

private:
    static void shapeCounts();
    static void zoomLevels();
    static ImageAnnotation crowdedAnnotation(int shapes, int spacing = 1);
    static QPixmap photoLikeImage(const QSize& size);
    static std::unique_ptr<ImageViewer> largePhotoView(const ImageAnnotation& annotation,
                                                       double scale);
    static void showOnImage(ImageViewer& viewer, const ImageAnnotation& annotation, int active,
                            bool captions);
};

void BenchCanvas::shapeCounts()
{
    QTest::addColumn<int>("shapes");
    QTest::addColumn<bool>("captions");
    QTest::newRow("50 shapes") << 50 << true;
    QTest::newRow("200 shapes") << 200 << true;
    QTest::newRow("1000 shapes") << 1000 << true;
    // Not what the operator sees while dragging; it splits the cost between fills and captions.
    QTest::newRow("1000 shapes, captions off") << 1000 << false;
}

// Fit is written as a scale of 0.
void BenchCanvas::zoomLevels()
{
    QTest::addColumn<double>("scale");
    QTest::newRow("fit") << 0.0;
    QTest::newRow("50 %") << 0.5;
    QTest::newRow("100 %") << 1.0;
    QTest::newRow("200 %") << 2.0;
}

// Spacing 1 packs the shapes into about 1900 x 1000 pixels; larger spacings spread them.
ImageAnnotation BenchCanvas::crowdedAnnotation(int shapes, int spacing)
{
    ImageAnnotation annotation;
    const int columns = 40;
    for (int i = 0; i < shapes; ++i) {
        const int x = ((i % columns) * 47 + 5) * spacing;
        const int y = ((i / columns) * 41 % 1000 + 5) * spacing;
        Label label;
        label.points = {{x, y}, {x + 60, y + 4}, {x + 55, y + 50}, {x - 3, y + 45}};
        label.tags = {{0, i % 7}, {3, i % 5}};
        label.text = QStringLiteral("Sofa %1\nWood").arg(i);
        annotation.labels.push_back(label);
    }
    return annotation;
}

// A 1920 x 1080 image with the annotation on it, one shape active.
void BenchCanvas::showOnImage(ImageViewer& viewer, const ImageAnnotation& annotation, int active,
                              bool captions)
{
    QPixmap image(1920, 1080);
    image.fill(QColor(180, 160, 140));
    viewer.setImage(image);
    viewer.setAnnotation(annotation);
    viewer.setActiveShape(active);
    if (!captions)
        viewer.imageWidget()->toggleText();
}

// What the operator waits for: only the area the drag changed is painted, on a
// shown canvas, with the dragged shape in view.
void BenchCanvas::dragStepOnScreen()
{
    QFETCH(int, shapes);
    QFETCH(bool, captions);

    const ImageAnnotation atRest = crowdedAnnotation(shapes);
    const int dragged = shapes / 2;
    ImageAnnotation moved = atRest;
    for (QPoint& point : moved.labels[dragged].points)
        point += QPoint(10, -5);

    ImageViewer viewer;
    showOnImage(viewer, atRest, dragged, captions);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    const QPoint corner = atRest.labels[dragged].points[0];
    viewer.ensureVisible(corner.x(), corner.y(), 200, 200);
    QCoreApplication::processEvents();

    bool forward = true;
    QBENCHMARK
    {
        viewer.setAnnotation(forward ? moved : atRest);
        forward = !forward;
        QCoreApplication::processEvents();
    }
}

// Every pixel of the 1920 x 1080 canvas painted again, as when an image is shown.
void BenchCanvas::wholeCanvasRepaint()
{
    QFETCH(int, shapes);
    QFETCH(bool, captions);

    const ImageAnnotation annotation = crowdedAnnotation(shapes);
    ImageViewer viewer;
    showOnImage(viewer, annotation, shapes / 2, captions);
    ImageWidget* canvas = viewer.imageWidget();

    QBENCHMARK
    {
        viewer.setAnnotation(annotation);
        QPixmap frame = canvas->grab();
        Q_UNUSED(frame);
    }
}

// Smooth colour areas with grain, so that scaling works on what a camera delivers.
QPixmap BenchCanvas::photoLikeImage(const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor(200, 180, 150));
    gradient.setColorAt(1, QColor(60, 70, 90));
    painter.fillRect(image.rect(), gradient);
    painter.end();
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = int(random.bounded(24)) - 12;
            const QRgb p = line[x];
            line[x] = qRgb(qBound(0, qRed(p) + grain, 255), qBound(0, qGreen(p) + grain, 255),
                           qBound(0, qBlue(p) + grain, 255));
        }
    }
    return QPixmap::fromImage(image);
}

std::unique_ptr<ImageViewer> BenchCanvas::largePhotoView(const ImageAnnotation& annotation,
                                                         double scale)
{
    auto viewer = std::make_unique<ImageViewer>();
    viewer->resize(1280, 800);
    viewer->setImage(photoLikeImage(QSize(6000, 4000)));
    viewer->setAnnotation(annotation);
    viewer->show();
    if (!QTest::qWaitForWindowExposed(viewer.get()))
        return nullptr;
    if (scale > 0)
        viewer->setZoom(scale);
    else
        viewer->slotFitToWindow();
    QCoreApplication::processEvents();
    return viewer;
}

// From a move of the mouse to the repainted view: the window hands the moved shape over.
void BenchCanvas::dragStepOnLargePhoto()
{
    QFETCH(double, scale);
    const ImageAnnotation atRest = crowdedAnnotation(1000, 3);
    const int dragged = 500;
    ImageAnnotation moved = atRest;
    for (QPoint& point : moved.labels[dragged].points)
        point += QPoint(10, -5);

    const std::unique_ptr<ImageViewer> viewer = largePhotoView(atRest, scale);
    QVERIFY(viewer);
    viewer->setActiveShape(dragged);
    const QPointF corner =
        viewer->imageWidget()->viewTransform().toCanvas(atRest.labels[dragged].points[0]);
    viewer->ensureVisible(int(corner.x()), int(corner.y()), 200, 200);
    QCoreApplication::processEvents();

    bool forward = true;
    QBENCHMARK
    {
        viewer->setAnnotation(forward ? moved : atRest);
        forward = !forward;
        QCoreApplication::processEvents();
    }
}

void BenchCanvas::zoomStepOnLargePhoto_data()
{
    QTest::addColumn<double>("scale");
    // Below the original size every step makes a new smoothly scaled copy of the photo.
    QTest::newRow("between fit and one step in") << 0.0;
    QTest::newRow("between 50 % and 62 %") << 0.5;
    QTest::newRow("between 200 % and 250 %") << 2.0;
}

// From a Ctrl+wheel notch to the repainted view, alternately in and out.
void BenchCanvas::zoomStepOnLargePhoto()
{
    QFETCH(double, scale);
    const std::unique_ptr<ImageViewer> viewer = largePhotoView(crowdedAnnotation(1000, 3), scale);
    QVERIFY(viewer);
    QWidget* viewport = viewer->viewport();
    const QPointF cursor(400, 300);

    int delta = 120;
    QBENCHMARK
    {
        QWheelEvent notch(cursor, viewport->mapToGlobal(cursor), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &notch);
        delta = -delta;
        QCoreApplication::processEvents();
    }
}

// One page down or back up; at fit there is nothing to scroll, so the whole canvas is
// repainted instead.
void BenchCanvas::pageScrollOnLargePhoto()
{
    QFETCH(double, scale);
    const std::unique_ptr<ImageViewer> viewer = largePhotoView(crowdedAnnotation(1000, 3), scale);
    QVERIFY(viewer);
    QScrollBar* bar = viewer->verticalScrollBar();
    bar->setValue(bar->maximum() / 3);
    QCoreApplication::processEvents();

    bool down = true;
    QBENCHMARK
    {
        if (bar->maximum() > 0)
            bar->triggerAction(down ? QAbstractSlider::SliderPageStepAdd
                                    : QAbstractSlider::SliderPageStepSub);
        else
            viewer->imageWidget()->update();
        down = !down;
        QCoreApplication::processEvents();
    }
}

void BenchCanvas::adjustmentStepOnLargePhoto_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("shapes");
    QTest::addColumn<bool>("adjusting");
    // The plain repaints are what the same view costs without any adjustment.
    for (const double scale : {0.0, 1.0})
        for (const int shapes : {0, 1000})
            for (const bool adjusting : {false, true})
                QTest::addRow("%s, %d shapes, %s", scale > 0 ? "100 %" : "fit", shapes,
                              adjusting ? "B pressed" : "plain repaint")
                    << scale << shapes << adjusting;
}

// From a B press to the repainted view, alternately 10 % and 20 % brighter.
void BenchCanvas::adjustmentStepOnLargePhoto()
{
    QFETCH(double, scale);
    QFETCH(int, shapes);
    QFETCH(bool, adjusting);
    const std::unique_ptr<ImageViewer> viewer = largePhotoView(crowdedAnnotation(shapes, 3), scale);
    QVERIFY(viewer);
    ImageWidget* canvas = viewer->imageWidget();
    bool brighter = true;
    QBENCHMARK
    {
        if (adjusting)
            canvas->setViewAdjustment(ViewAdjustment().withBrightness(brighter ? 20 : 10));
        else
            canvas->update();
        brighter = !brighter;
        QCoreApplication::processEvents();
    }
}

void BenchCanvas::nextImageWithAdjustment_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<bool>("adjusted");
    QTest::newRow("fit, neutral") << 0.0 << false;
    QTest::newRow("fit, brighter") << 0.0 << true;
    QTest::newRow("100 %, neutral") << 1.0 << false;
    QTest::newRow("100 %, brighter") << 1.0 << true;
}

// The canvas's share of Next: another 6000 x 4000 photo handed over and painted.
void BenchCanvas::nextImageWithAdjustment()
{
    QFETCH(double, scale);
    QFETCH(bool, adjusted);
    const std::unique_ptr<ImageViewer> viewer = largePhotoView(crowdedAnnotation(1000, 3), scale);
    QVERIFY(viewer);
    if (adjusted)
        viewer->imageWidget()->setViewAdjustment(ViewAdjustment().withBrightness(30));
    // Two photos as the decoder hands them over: 32-bit RGB.
    const QPixmap first = photoLikeImage(QSize(6000, 4000));
    const QPixmap photos[2] = {first, QPixmap::fromImage(first.toImage().mirrored(true, false))};
    int next = 0;
    QBENCHMARK
    {
        viewer->setImage(photos[next]);
        next = 1 - next;
        QCoreApplication::processEvents();
    }
}

QTEST_MAIN(BenchCanvas)
#include "bench_canvas.moc"
