#include "imageviewer.h"

#include <QTest>

// One drag step as the operator sees it: the window hands the canvas a fresh
// copy of the annotation and the canvas repaints everything.
class BenchCanvas : public QObject
{
    Q_OBJECT

private slots:
    void dragStep_data();
    void dragStep();
};

void BenchCanvas::dragStep_data()
{
    QTest::addColumn<int>("shapes");
    QTest::addColumn<bool>("captions");
    QTest::newRow("50 shapes") << 50 << true;
    QTest::newRow("200 shapes") << 200 << true;
    QTest::newRow("1000 shapes") << 1000 << true;
    // Not what the operator sees while dragging; it splits the cost between fills and captions.
    QTest::newRow("1000 shapes, captions off") << 1000 << false;
}

void BenchCanvas::dragStep()
{
    QFETCH(int, shapes);
    QFETCH(bool, captions);

    const QSize imageSize(1920, 1080);
    QPixmap image(imageSize);
    image.fill(QColor(180, 160, 140));

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

    ImageViewer viewer;
    viewer.setImage(image);
    viewer.setAnnotation(annotation);
    viewer.setActiveShape(shapes / 2);
    ImageWidget* canvas = viewer.imageWidget();
    if (!captions)
        canvas->toggleText();

    QBENCHMARK
    {
        viewer.setAnnotation(annotation);
        QPixmap frame = canvas->grab();
        Q_UNUSED(frame);
    }
}

QTEST_MAIN(BenchCanvas)
#include "bench_canvas.moc"
