#include "imageviewer.h"

#include <QTest>

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

private:
    static void shapeCounts();
    static ImageAnnotation crowdedAnnotation(int shapes);
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

ImageAnnotation BenchCanvas::crowdedAnnotation(int shapes)
{
    ImageAnnotation annotation;
    const int columns = 40;
    for (int i = 0; i < shapes; ++i) {
        const int x = (i % columns) * 47 + 5;
        const int y = (i / columns) * 41 % 1000 + 5;
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

QTEST_MAIN(BenchCanvas)
#include "bench_canvas.moc"
