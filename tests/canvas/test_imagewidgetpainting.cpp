#include "canvasfixture.h"
#include "canvastest.h"
#include "imagewidget.h"

#include <QCoreApplication>
#include <QImage>
#include <QScreen>
#include <QTest>

#include <climits>
#include <functional>

namespace {
std::vector<Label> overlappingCaptionedShapes()
{
    const QString caption = QStringLiteral("Sofa\nMaterial: Wood, Leather");
    return {label({{10, 10}, {70, 10}, {70, 70}, {10, 70}}, true, caption),
            label({{50, 50}, {120, 40}, {130, 110}, {60, 120}}, true, QStringLiteral("Rug")),
            label({{110, 110}, {180, 110}, {180, 180}, {110, 180}}, true, caption)};
}

// Translucent yellow over white leaves a strong lack of blue.
bool isRubberBand(const QColor& color)
{
    return color.red() > 180 && color.green() > 180 && color.blue() < 200;
}

bool sameOutside(const QImage& a, const QImage& b, const QRect& excluded)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!excluded.contains(x, y) && a.pixel(x, y) != b.pixel(x, y))
                return false;
    return true;
}
} // namespace

using Edit = std::function<void(ImageViewer*)>;
Q_DECLARE_METATYPE(Edit)

// What the canvas paints over the image: fills, handles, captions and the outline being
// drawn, and that repainting only the changed area shows what a whole repaint shows.
class TestImageWidgetPainting : public CanvasTest
{
    Q_OBJECT

private slots:
    void fillsActiveShapeRedOthersGreen_data();
    void fillsActiveShapeRedOthersGreen();
    void paintsCaptionOnlyForTaggedShapes_data();
    void paintsCaptionOnlyForTaggedShapes();
    void anchorsCaptionAtRoundedCentroid_data();
    void anchorsCaptionAtRoundedCentroid();
    void paintsRubberBand_data();
    void paintsRubberBand();
    void repaintOfChangedAreaMatchesFullRepaint_data();
    void repaintOfChangedAreaMatchesFullRepaint();
    void hidingShapesKeepsTheOutlineBeingDrawn_data();
    void hidingShapesKeepsTheOutlineBeingDrawn();
};

void TestImageWidgetPainting::fillsActiveShapeRedOthersGreen_data()
{
    QTest::addColumn<int>("active");
    QTest::addColumn<int>("redShape");

    QTest::newRow("none active") << -1 << -1;
    QTest::newRow("first active") << 0 << 0;
    QTest::newRow("second active") << 1 << 1;
    QTest::newRow("arrow-head active") << 2 << 2;
    QTest::newRow("index beyond the list") << 3 << -1;
    QTest::newRow("largest index") << INT_MAX << -1;
    QTest::newRow("negative index") << -7 << -1;
}

void TestImageWidgetPainting::fillsActiveShapeRedOthersGreen()
{
    QFETCH(int, active);
    QFETCH(int, redShape);

    viewer->setAnnotation(annotationOf({label({{10, 10}, {60, 10}, {60, 60}, {10, 60}}),
                                        label({{100, 100}, {150, 100}, {150, 150}, {100, 150}}),
                                        label({{10, 100}, {60, 125}, {10, 150}, {25, 125}})}));
    viewer->setActiveShape(active);
    const QImage image = canvasImage();

    const QPoint insides[] = {{35, 35}, {125, 125}, {40, 125}};
    for (int shape = 0; shape < 3; ++shape) {
        const QColor expected = blend(shape == redShape ? activeFill : otherFill, background);
        const QColor seen = image.pixelColor(insides[shape]);
        QVERIFY2(near(seen, expected), qPrintable(QStringLiteral("shape %1 is %2, expected %3")
                                                      .arg(shape)
                                                      .arg(describe(seen), describe(expected))));
    }
    // Outside every shape, and in the arrow-head's notch, the image shows through.
    QCOMPARE(image.pixelColor(80, 80), background);
    QCOMPARE(image.pixelColor(15, 125), background);
}

void TestImageWidgetPainting::paintsCaptionOnlyForTaggedShapes_data()
{
    QTest::addColumn<Label>("shape");
    QTest::addColumn<int>("toggles");
    QTest::addColumn<bool>("captionShown");

    const Points square{{20, 20}, {80, 20}, {80, 80}, {20, 80}};
    const QString text = QStringLiteral("Sofa\nWood");
    QTest::newRow("tagged") << label(square, true, text) << 0 << true;
    QTest::newRow("untagged with text") << label(square, false, text) << 0 << false;
    QTest::newRow("tagged with empty text") << label(square, true) << 0 << false;
    QTest::newRow("tagged without points") << label({}, true, text) << 0 << false;
    QTest::newRow("captions switched off") << label(square, true, text) << 1 << false;
    QTest::newRow("captions switched back on") << label(square, true, text) << 2 << true;
}

void TestImageWidgetPainting::paintsCaptionOnlyForTaggedShapes()
{
    QFETCH(Label, shape);
    QFETCH(int, toggles);
    QFETCH(bool, captionShown);

    Label withoutText = shape;
    withoutText.text.clear();
    viewer->setAnnotation(annotationOf({withoutText}));
    const QImage reference = canvasImage();

    viewer->setAnnotation(annotationOf({shape}));
    for (int i = 0; i < toggles; ++i)
        viewer->imageWidget()->toggleText();
    const QImage image = canvasImage();

    QCOMPARE(image != reference, captionShown);
}

void TestImageWidgetPainting::anchorsCaptionAtRoundedCentroid_data()
{
    QTest::addColumn<Points>("points");
    QTest::addColumn<QPoint>("anchor");
    QTest::addColumn<QPoint>("wrongAnchor");

    QTest::newRow("unit square, halves round up")
        << Points{{0, 0}, {1, 0}, {1, 1}, {0, 1}} << QPoint(1, 1) << QPoint(0, 0);
    QTest::newRow("negative half rounds up")
        << Points{{-1, 40}, {0, 41}} << QPoint(0, 41) << QPoint(-1, 41);
    QTest::newRow("thirds round down")
        << Points{{30, 30}, {31, 30}, {30, 31}} << QPoint(30, 30) << QPoint(31, 31);
}

void TestImageWidgetPainting::anchorsCaptionAtRoundedCentroid()
{
    QFETCH(Points, points);
    QFETCH(QPoint, anchor);
    QFETCH(QPoint, wrongAnchor);

    const QString text = QStringLiteral("Mg\nWy");
    // A one-point shape fills nothing, so its caption hangs exactly from that point.
    viewer->setAnnotation(annotationOf({label({anchor}, true, text)}));
    const QImage atAnchor = canvasImage();
    viewer->setAnnotation(annotationOf({label({wrongAnchor}, true, text)}));
    const QImage atWrongAnchor = canvasImage();
    viewer->setAnnotation(annotationOf({label(points, true, text)}));
    const QImage image = canvasImage();

    QRect fill;
    for (const QPoint& point : points)
        fill |= QRect(point, QSize(1, 1));
    const QRect excluded = fill.adjusted(-2, -2, 2, 2);
    QVERIFY(sameOutside(image, atAnchor, excluded));
    QVERIFY(!sameOutside(image, atWrongAnchor, excluded));
}

void TestImageWidgetPainting::paintsRubberBand_data()
{
    QTest::addColumn<Points>("clicks");
    QTest::addColumn<Points>("moves");
    QTest::addColumn<bool>("reset");
    QTest::addColumn<Points>("onBand");
    QTest::addColumn<Points>("offBand");

    const QPoint p0(20, 20), p1(120, 20), p2(120, 120), p3(20, 120);
    QTest::newRow("one corner") << Points{p0} << Points{p1} << false << Points{{70, 20}}
                                << Points{{20, 70}, {70, 70}};
    QTest::newRow("two corners") << Points{p0, p1} << Points{p2} << false
                                 << Points{{70, 20}, {120, 70}} << Points{{70, 70}, {20, 70}};
    QTest::newRow("three corners, mouse still on the third")
        << Points{p0, p1, p2} << Points{} << false << Points{{70, 20}, {120, 70}, {70, 70}}
        << Points{{20, 70}, {70, 120}};
    QTest::newRow("three corners, mouse moved")
        << Points{p0, p1, p2} << Points{p3} << false
        << Points{{70, 20}, {120, 70}, {70, 120}, {20, 70}} << Points{{70, 70}};
    QTest::newRow("shape completed") << Points{p0, p1, p2, p3} << Points{{150, 150}} << false
                                     << Points{} << Points{{70, 20}, {120, 70}, {70, 120}};
    QTest::newRow("drawing reset")
        << Points{p0, p1} << Points{p2} << true << Points{} << Points{{70, 20}, {120, 70}};
}

void TestImageWidgetPainting::paintsRubberBand()
{
    QFETCH(Points, clicks);
    QFETCH(Points, moves);
    QFETCH(bool, reset);
    QFETCH(Points, onBand);
    QFETCH(Points, offBand);

    ImageWidget* canvas = viewer->imageWidget();
    viewer->setImage(filledPixmap(QSize(200, 200), Qt::white));
    leftClicks(canvas, clicks);
    for (const QPoint& position : moves)
        play(canvas, {move(position)});
    if (reset)
        canvas->resetDrawing();
    const QImage image = canvasImage();

    for (const QPoint& point : onBand)
        QVERIFY2(isRubberBand(image.pixelColor(point)),
                 qPrintable(QStringLiteral("no band at (%1, %2): %3")
                                .arg(point.x())
                                .arg(point.y())
                                .arg(describe(image.pixelColor(point)))));
    for (const QPoint& point : offBand)
        QVERIFY2(image.pixelColor(point) == QColor(Qt::white),
                 qPrintable(QStringLiteral("band at (%1, %2)").arg(point.x()).arg(point.y())));
}

void TestImageWidgetPainting::repaintOfChangedAreaMatchesFullRepaint_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<Edit>("edit");

    std::vector<std::pair<const char*, Edit>> edits;
    const auto newRow = [&edits](const char* name) -> Edit& {
        edits.push_back({name, Edit()});
        return edits.back().second;
    };
    const std::vector<Label> shapes = overlappingCaptionedShapes();
    const auto moved = [shapes](QPoint offset) {
        std::vector<Label> result = shapes;
        for (QPoint& point : result[0].points)
            point += offset;
        return annotationOf(result);
    };
    newRow("drag over other shapes") = Edit([moved](ImageViewer* v) {
        v->setAnnotation(moved({35, 40}));
    });
    newRow("drag and back") = Edit([moved](ImageViewer* v) {
        v->setAnnotation(moved({90, 90}));
        QCoreApplication::processEvents();
        v->setAnnotation(moved({0, 0}));
    });
    newRow("middle shape deleted") = Edit([shapes](ImageViewer* v) {
        v->setAnnotation(annotationOf({shapes[0], shapes[2]}));
    });
    newRow("caption changed") = Edit([shapes](ImageViewer* v) {
        std::vector<Label> changed = shapes;
        changed[2].text = QStringLiteral("Sofa\n");
        v->setAnnotation(annotationOf(changed));
    });
    newRow("other shape active") = Edit([](ImageViewer* v) { v->setActiveShape(0); });
    newRow("no shape active") = Edit([](ImageViewer* v) { v->setActiveShape(-1); });
    newRow("right press selects another shape") = Edit([](ImageViewer* v) {
        play(v->imageWidget(),
             {press(Qt::RightButton, {20, 20}), release(Qt::RightButton, {20, 20})});
    });
    newRow("right press on nothing") = Edit([](ImageViewer* v) {
        play(v->imageWidget(),
             {press(Qt::RightButton, {190, 5}), release(Qt::RightButton, {190, 5})});
    });
    newRow("first corner turns the active shape green") = Edit([](ImageViewer* v) {
        leftClicks(v->imageWidget(), {{190, 20}});
    });
    newRow("right press abandons an outline") = Edit([](ImageViewer* v) {
        leftClicks(v->imageWidget(), {{20, 150}, {90, 160}, {100, 20}});
        QCoreApplication::processEvents();
        play(v->imageWidget(),
             {press(Qt::RightButton, {190, 5}), release(Qt::RightButton, {190, 5})});
    });
    newRow("rubber band follows the mouse") = Edit([](ImageViewer* v) {
        leftClicks(v->imageWidget(), {{20, 150}, {90, 160}});
        QCoreApplication::processEvents();
        for (int step = 0; step < 5; ++step) {
            play(v->imageWidget(), {move(QPoint(150 - step * 20, 60 + step * 25))});
            QCoreApplication::processEvents();
        }
    });

    // Canvas positions: at other scales the same presses land on other image pixels.
    for (const double scale : {1.0, 4.0, 0.5})
        for (const auto& [name, edit] : edits)
            QTest::newRow(qPrintable(QStringLiteral("%1 at %2 %").arg(name).arg(scale * 100)))
                << scale << edit;
}

// What is on screen after an edit must equal a repaint of the whole canvas, even
// though the edit repaints only the area it changed.
void TestImageWidgetPainting::repaintOfChangedAreaMatchesFullRepaint()
{
    QFETCH(double, scale);
    QFETCH(Edit, edit);
    viewer->setZoom(scale);
    viewer->setAnnotation(annotationOf(overlappingCaptionedShapes()));
    viewer->setActiveShape(2);
    QCoreApplication::processEvents();

    edit(viewer);
    QCoreApplication::processEvents();

    const QImage onScreen = viewer->screen()->grabWindow(viewer->winId()).toImage();
    const QImage repaintedWhole = viewer->grab().toImage();
    QCOMPARE(onScreen.convertToFormat(QImage::Format_RGB32),
             repaintedWhole.convertToFormat(QImage::Format_RGB32));
}

void TestImageWidgetPainting::hidingShapesKeepsTheOutlineBeingDrawn_data()
{
    QTest::addColumn<bool>("hidden");
    QTest::newRow("shown") << false;
    QTest::newRow("hidden") << true;
}

void TestImageWidgetPainting::hidingShapesKeepsTheOutlineBeingDrawn()
{
    QFETCH(bool, hidden);
    ImageWidget* canvas = viewer->imageWidget();
    viewer->setAnnotation(annotationOf(
        {label({{10, 10}, {70, 10}, {70, 70}, {10, 70}}, true, QStringLiteral("Sofa"))}));
    viewer->setActiveShape(0);
    canvas->setShapesHidden(hidden);
    const QImage image = canvasImage();

    const QColor fill = image.pixelColor(25, 60);
    QVERIFY2(near(fill, hidden ? background : blend(activeFill, background)),
             qPrintable(describe(fill)));
    const QColor handle = image.pixelColor(10, 10);
    QVERIFY2(near(handle, hidden ? background : QColor(150, 0, 0)), qPrintable(describe(handle)));
    // The caption hangs from the centre (40, 40) in near-black letters.
    bool letters = false;
    for (int y = 40; y < 62; ++y)
        for (int x = 40; x < 90; ++x)
            letters = letters || image.pixelColor(x, y).red() < 70;
    QCOMPARE(letters, !hidden);

    leftClicks(canvas, {{100, 120}, {180, 120}});
    play(canvas, {move({180, 180})});
    const QColor band = canvasImage().pixelColor(140, 120);
    QVERIFY2(band.red() > 150 && band.blue() < 90, qPrintable(describe(band)));
}

QTEST_MAIN(TestImageWidgetPainting)
#include "test_imagewidgetpainting.moc"
