#include "crosshair.h"
#include "shapepainter.h"

#include <QImage>
#include <QPainter>
#include <QTest>

// The crosshair's paint beside the shapes' own, on a 1920 x 1080 canvas frame: the lines
// across the whole frame against the fills and captions of the shapes over it. Run by hand:
// the crosshair's row should cost no more than any of the shapes' rows.
class BenchCrosshair : public QObject
{
    Q_OBJECT

private slots:
    void paint_data();
    void paint();
};

namespace {
std::vector<Label> spreadShapes(int count)
{
    std::vector<Label> labels;
    for (int i = 0; i < count; ++i) {
        const int x = (i % 40) * 47 + 5;
        const int y = (i / 40) * 41 % 1000 + 5;
        Label label;
        label.points = {{x, y}, {x + 60, y + 4}, {x + 55, y + 50}, {x - 3, y + 45}};
        label.tags = {{0, i % 7}};
        label.text = QStringLiteral("Sofa %1\nWood").arg(i);
        labels.push_back(label);
    }
    return labels;
}
} // namespace

void BenchCrosshair::paint_data()
{
    QTest::addColumn<int>("shapes");
    QTest::addColumn<double>("scale");
    QTest::newRow("crosshair, 100 %") << 0 << 1.0;
    QTest::newRow("crosshair, 300 %") << 0 << 3.0;
    QTest::newRow("1 shape") << 1 << 1.0;
    QTest::newRow("10 shapes") << 10 << 1.0;
    QTest::newRow("50 shapes") << 50 << 1.0;
}

void BenchCrosshair::paint()
{
    QFETCH(int, shapes);
    QFETCH(double, scale);
    QImage frame(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    frame.fill(QColor(180, 160, 140));
    const ViewTransform view(scale);
    const ShapePainter painterOfShapes(&frame);
    const std::vector<Label> labels = spreadShapes(shapes);
    Crosshair crosshair;
    crosshair.setOn(true);
    crosshair.follow(QPoint(300, 200));
    QPainter painter(&frame);
    QBENCHMARK
    {
        if (shapes == 0) {
            crosshair.paint(painter, view, frame.rect());
        } else {
            painter.setRenderHint(QPainter::Antialiasing);
            painterOfShapes.paintFills(painter, view, labels, 0, QRegion(frame.rect()));
            painterOfShapes.paintCaptions(painter, view, frame.size(), labels,
                                          QRegion(frame.rect()));
        }
    }
}

QTEST_MAIN(BenchCrosshair)
#include "bench_crosshair.moc"
