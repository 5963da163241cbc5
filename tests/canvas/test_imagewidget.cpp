#include "imageviewer.h"
#include "imagewidget.h"

#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <climits>
#include <cstdlib>
#include <functional>

using Points = std::vector<QPoint>;

namespace {
const QColor background(128, 128, 128);
const QColor activeFill(150, 0, 0, 120);
const QColor otherFill(0, 150, 0, 120);

struct MouseStep
{
    QEvent::Type type;
    Qt::MouseButton button;
    QPoint position;
};
using MouseSteps = std::vector<MouseStep>;

MouseStep press(Qt::MouseButton button, QPoint position)
{
    return {QEvent::MouseButtonPress, button, position};
}
MouseStep release(Qt::MouseButton button, QPoint position)
{
    return {QEvent::MouseButtonRelease, button, position};
}
MouseStep move(QPoint position)
{
    return {QEvent::MouseMove, Qt::NoButton, position};
}

// Sends the steps as the window system would, with the held buttons tracked, so
// that moves during a drag carry the button state.
void play(QWidget* widget, const MouseSteps& steps)
{
    Qt::MouseButtons held;
    for (const MouseStep& step : steps) {
        if (step.type == QEvent::MouseButtonPress)
            held |= step.button;
        else if (step.type == QEvent::MouseButtonRelease)
            held &= ~Qt::MouseButtons(step.button);
        QMouseEvent event(step.type, QPointF(step.position),
                          QPointF(widget->mapToGlobal(step.position)), step.button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
}

// QTest::mouseClick would take (0, 0) for "the widget's centre".
void leftClicks(QWidget* widget, const Points& corners)
{
    for (const QPoint& corner : corners)
        play(widget, {press(Qt::LeftButton, corner), release(Qt::LeftButton, corner)});
}

QPixmap filledPixmap(const QSize& size, const QColor& color)
{
    QPixmap pixmap(size);
    pixmap.fill(color);
    return pixmap;
}

Label label(const Points& points, bool tagged = false, const QString& text = QString())
{
    Label result;
    result.points = points;
    if (tagged)
        result.tags.push_back({0, 0});
    result.text = text;
    return result;
}

ImageAnnotation annotationOf(const std::vector<Label>& labels)
{
    ImageAnnotation annotation;
    annotation.labels = labels;
    return annotation;
}

std::vector<Label> overlappingCaptionedShapes()
{
    const QString caption = QStringLiteral("Sofa\nMaterial: Wood, Leather");
    return {label({{10, 10}, {70, 10}, {70, 70}, {10, 70}}, true, caption),
            label({{50, 50}, {120, 40}, {130, 110}, {60, 120}}, true, QStringLiteral("Rug")),
            label({{110, 110}, {180, 110}, {180, 180}, {110, 180}}, true, caption)};
}

// Translucent source-over blend, as the fills and the rubber band appear.
QColor blend(const QColor& source, const QColor& under)
{
    const double alpha = source.alphaF();
    auto channel = [alpha](int top, int bottom) {
        return static_cast<int>(top * alpha + bottom * (1.0 - alpha) + 0.5);
    };
    return QColor(channel(source.red(), under.red()), channel(source.green(), under.green()),
                  channel(source.blue(), under.blue()));
}

bool near(const QColor& seen, const QColor& expected)
{
    const int tolerance = 2;
    return std::abs(seen.red() - expected.red()) <= tolerance &&
           std::abs(seen.green() - expected.green()) <= tolerance &&
           std::abs(seen.blue() - expected.blue()) <= tolerance;
}

QString describe(const QColor& color)
{
    return QStringLiteral("(%1, %2, %3)").arg(color.red()).arg(color.green()).arg(color.blue());
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

// Closes every modal box that opens while it lives and remembers what it showed.
class WarningCatcher : public QObject
{
public:
    WarningCatcher()
    {
        connect(&timer, &QTimer::timeout, this, &WarningCatcher::closeBox);
        timer.start(0);
    }

    int count = 0;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QWidget* parent = nullptr;

private:
    void closeBox()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        ++count;
        title = box->windowTitle();
        text = box->text();
        buttons = box->standardButtons();
        icon = box->icon();
        parent = box->parentWidget();
        box->done(QMessageBox::Cancel);
    }

    QTimer timer;
};
} // namespace

Q_DECLARE_METATYPE(MouseSteps)

using Edit = std::function<void(ImageViewer*)>;
Q_DECLARE_METATYPE(Edit)

class TestImageWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void completesShapeOnFourthCorner_data();
    void completesShapeOnFourthCorner();
    void rightPressSelectsShape_data();
    void rightPressSelectsShape();
    void dragReportsDisplacementFromPress_data();
    void dragReportsDisplacementFromPress();
    void doubleClickPlacesOneCorner();

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

    void scalesImageCrispUpSmoothDown_data();
    void scalesImageCrispUpSmoothDown();
    void stretchesReducedImageOverTheWholeImage_data();
    void stretchesReducedImageOverTheWholeImage();
    void fillsFollowTheImageAtZoom_data();
    void fillsFollowTheImageAtZoom();
    void captionsKeepTheirScreenSizeAtZoom();

    void adjustsOnlyThePixelsShown_data();
    void adjustsOnlyThePixelsShown();
    void hidingShapesKeepsTheOutlineBeingDrawn_data();
    void hidingShapesKeepsTheOutlineBeingDrawn();
    void hiddenShapesCannotBeTaken_data();
    void hiddenShapesCannotBeTaken();
    void placesShapesOnTheImage_data();
    void placesShapesOnTheImage();

private:
    QImage canvasImage() { return viewer->imageWidget()->grab().toImage(); }

    ImageViewer* viewer = nullptr;
};

void TestImageWidget::init()
{
    viewer = new ImageViewer;
    viewer->setImage(filledPixmap(QSize(200, 200), background));
    viewer->resize(300, 300);
    viewer->show();
    QVERIFY(QTest::qWaitForWindowExposed(viewer));
}

void TestImageWidget::cleanup()
{
    delete viewer;
    viewer = nullptr;
}

void TestImageWidget::completesShapeOnFourthCorner_data()
{
    QTest::addColumn<Points>("corners");
    QTest::addColumn<bool>("valid");

    QTest::newRow("square") << Points{{0, 0}, {10, 0}, {10, 10}, {0, 10}} << true;
    QTest::newRow("arrow-head") << Points{{0, 0}, {10, 5}, {0, 10}, {3, 5}} << true;
    QTest::newRow("bow-tie") << Points{{0, 0}, {10, 10}, {10, 0}, {0, 10}} << false;
    QTest::newRow("collinear") << Points{{0, 0}, {10, 0}, {20, 0}, {30, 0}} << false;
    QTest::newRow("all at one spot") << Points{{5, 5}, {5, 5}, {5, 5}, {5, 5}} << false;
}

void TestImageWidget::completesShapeOnFourthCorner()
{
    QFETCH(Points, corners);
    QFETCH(bool, valid);

    ImageWidget* canvas = viewer->imageWidget();
    // A previously active shape must be deselected by the first corner.
    viewer->setAnnotation(annotationOf({label({{100, 100}, {150, 100}, {150, 150}, {100, 150}})}));
    viewer->setActiveShape(0);

    std::vector<Label> added;
    connect(canvas, &ImageWidget::sglShapeAdded, this,
            [&added](Label& shape) { added.push_back(shape); });
    QSignalSpy activeChanged(canvas, &ImageWidget::sglActiveShapeChanged);

    leftClicks(canvas, Points(corners.begin(), corners.end() - 1));
    QCOMPARE(canvas->currentMode(), int(ImageWidget::Drawing));
    QCOMPARE(canvas->placedCorners(), Points(corners.begin(), corners.end() - 1));

    WarningCatcher warning;
    leftClicks(canvas, {corners.back()});

    QCOMPARE(activeChanged.count(), 1);
    QCOMPARE(activeChanged.at(0).at(0).toInt(), -1);
    QCOMPARE(canvas->currentActiveShape(), -1);
    QCOMPARE(canvas->currentMode(), int(ImageWidget::Idle));
    QVERIFY(canvas->placedCorners().empty());

    if (valid) {
        QCOMPARE(warning.count, 0);
        QCOMPARE(added.size(), std::size_t(1));
        QCOMPARE(added[0].points, corners);
        QVERIFY(added[0].tags.empty());
        QVERIFY(added[0].text.isEmpty());
    } else {
        QVERIFY(added.empty());
        QCOMPARE(warning.count, 1);
        QCOMPARE(warning.title, QStringLiteral("Warning"));
        QCOMPARE(warning.text, QStringLiteral("Not a valid shape! "));
        QCOMPARE(warning.buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(warning.icon, QMessageBox::Warning);
        QCOMPARE(warning.parent, static_cast<QWidget*>(canvas));
    }
}

void TestImageWidget::rightPressSelectsShape_data()
{
    QTest::addColumn<Points>("cornersFirst");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<int>("earlierPresses");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("mode");

    const int moving = ImageWidget::Moving;
    const int idle = ImageWidget::Idle;
    QTest::newRow("first shape") << Points{} << QPoint(30, 30) << 0 << 0 << moving;
    QTest::newRow("overlap picks the lower index")
        << Points{} << QPoint(50, 50) << 0 << 0 << moving;
    QTest::newRow("second shape") << Points{} << QPoint(80, 80) << 0 << 1 << moving;
    QTest::newRow("empty area") << Points{} << QPoint(150, 150) << 0 << -1 << idle;
    QTest::newRow("same shape again still emits") << Points{} << QPoint(80, 80) << 1 << 1 << moving;
    QTest::newRow("while drawing, on a shape")
        << Points{{150, 10}, {180, 10}} << QPoint(80, 80) << 0 << 1 << moving;
    QTest::newRow("while drawing, empty area")
        << Points{{150, 10}, {180, 10}, {180, 40}} << QPoint(150, 150) << 0 << -1 << idle;
}

void TestImageWidget::rightPressSelectsShape()
{
    QFETCH(Points, cornersFirst);
    QFETCH(QPoint, position);
    QFETCH(int, earlierPresses);
    QFETCH(int, index);
    QFETCH(int, mode);

    ImageWidget* canvas = viewer->imageWidget();
    viewer->setAnnotation(annotationOf({label({{20, 20}, {60, 20}, {60, 60}, {20, 60}}),
                                        label({{40, 40}, {100, 40}, {100, 100}, {40, 100}})}));
    leftClicks(canvas, cornersFirst);

    QSignalSpy activeChanged(canvas, &ImageWidget::sglActiveShapeChanged);
    int added = 0;
    connect(canvas, &ImageWidget::sglShapeAdded, this, [&added](Label&) { ++added; });
    for (int i = 0; i < earlierPresses; ++i)
        play(canvas, {press(Qt::RightButton, position), release(Qt::RightButton, position)});
    play(canvas, {press(Qt::RightButton, position)});

    QCOMPARE(activeChanged.count(), earlierPresses + 1);
    for (const QList<QVariant>& arguments : activeChanged)
        QCOMPARE(arguments.at(0).toInt(), index);
    QCOMPARE(canvas->currentActiveShape(), index);
    QCOMPARE(canvas->currentMode(), mode);
    QVERIFY(canvas->placedCorners().empty());
    QCOMPARE(added, 0);
}

void TestImageWidget::dragReportsDisplacementFromPress_data()
{
    QTest::addColumn<MouseSteps>("steps");
    QTest::addColumn<Points>("displacements");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("finished");

    const QPoint anchor(100, 100);
    const int moving = ImageWidget::Moving;
    const int idle = ImageWidget::Idle;
    QTest::newRow("measured from the press")
        << MouseSteps{press(Qt::RightButton, anchor), move({110, 95}), move({120, 100})}
        << Points{{10, -5}, {20, 0}} << moving << 0;
    QTest::newRow("nothing after release")
        << MouseSteps{press(Qt::RightButton, anchor), move({110, 95}),
                      release(Qt::RightButton, {110, 95}), move({120, 100})}
        << Points{{10, -5}} << idle << 1;
    QTest::newRow("release of another button ends the drag")
        << MouseSteps{press(Qt::RightButton, anchor), release(Qt::LeftButton, anchor),
                      move({120, 100})}
        << Points{} << idle << 1;
    QTest::newRow("left press moves the anchor")
        << MouseSteps{press(Qt::RightButton, anchor), press(Qt::LeftButton, {105, 105}),
                      move({110, 110})}
        << Points{{5, 5}} << moving << 0;
    QTest::newRow("middle press moves the anchor")
        << MouseSteps{press(Qt::RightButton, anchor), press(Qt::MiddleButton, {101, 102}),
                      move({110, 110})}
        << Points{{9, 8}} << moving << 0;
    QTest::newRow("press on empty area starts no drag")
        << MouseSteps{press(Qt::RightButton, {10, 10}), move({20, 20})} << Points{} << idle << 0;
    QTest::newRow("moves without a press")
        << MouseSteps{move({20, 20}), move({120, 120})} << Points{} << idle << 0;
    QTest::newRow("a second release finishes nothing")
        << MouseSteps{press(Qt::RightButton, anchor), release(Qt::RightButton, anchor),
                      release(Qt::LeftButton, anchor)}
        << Points{} << idle << 1;
}

void TestImageWidget::dragReportsDisplacementFromPress()
{
    QFETCH(MouseSteps, steps);
    QFETCH(Points, displacements);
    QFETCH(int, mode);
    QFETCH(int, finished);

    ImageWidget* canvas = viewer->imageWidget();
    viewer->setAnnotation(annotationOf({label({{90, 90}, {130, 90}, {130, 130}, {90, 130}})}));

    Points moved;
    connect(canvas, &ImageWidget::sglShapeMoved, this,
            [&moved](QPoint& displacement) { moved.push_back(displacement); });
    QSignalSpy finishes(canvas, &ImageWidget::sglShapeMoveFinished);
    play(canvas, steps);

    QCOMPARE(moved, displacements);
    QCOMPARE(finishes.count(), finished);
    QCOMPARE(canvas->currentMode(), mode);
}

void TestImageWidget::doubleClickPlacesOneCorner()
{
    ImageWidget* canvas = viewer->imageWidget();
    leftClicks(canvas, {{5, 5}});
    // Through the window, so that the toolkit turns the second press into a double click.
    const QPoint spot(20, 20);
    QTest::mouseDClick(viewer->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                       canvas->mapTo(viewer, spot));

    QCOMPARE(canvas->placedCorners(), (Points{{5, 5}, spot}));
    QCOMPARE(canvas->currentMode(), int(ImageWidget::Drawing));
}

void TestImageWidget::fillsActiveShapeRedOthersGreen_data()
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

void TestImageWidget::fillsActiveShapeRedOthersGreen()
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

void TestImageWidget::paintsCaptionOnlyForTaggedShapes_data()
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

void TestImageWidget::paintsCaptionOnlyForTaggedShapes()
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

void TestImageWidget::anchorsCaptionAtRoundedCentroid_data()
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

void TestImageWidget::anchorsCaptionAtRoundedCentroid()
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

void TestImageWidget::paintsRubberBand_data()
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

void TestImageWidget::paintsRubberBand()
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

// One-pixel black and white checks: enlarged they must stay pure, reduced they blend.
// Rows at scales that are not whole numbers fail if the drawing and the mouse round apart.
void TestImageWidget::scalesImageCrispUpSmoothDown_data()
{
    QTest::addColumn<double>("scale");
    QTest::newRow("400 %") << 4.0;
    QTest::newRow("125 %") << 1.25;
    QTest::newRow("50 %") << 0.5;
    QTest::newRow("25 %") << 0.25;
}

void TestImageWidget::scalesImageCrispUpSmoothDown()
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

// A decode at a quarter of each side stands for the whole 64 x 64 image at every scale.
void TestImageWidget::stretchesReducedImageOverTheWholeImage_data()
{
    QTest::addColumn<double>("scale");
    QTest::newRow("400 %") << 4.0;
    QTest::newRow("100 %") << 1.0;
    QTest::newRow("25 %") << 0.25;
}

void TestImageWidget::stretchesReducedImageOverTheWholeImage()
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

void TestImageWidget::fillsFollowTheImageAtZoom_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<Points>("filled");
    QTest::addColumn<Points>("bare");

    // The square covers image pixels 20 to 59 each way.
    QTest::newRow("400 %") << 4.0 << Points{{81, 81}, {238, 238}} << Points{{78, 78}, {242, 100}};
    QTest::newRow("50 %") << 0.5 << Points{{11, 11}, {28, 28}} << Points{{9, 9}, {31, 20}};
}

void TestImageWidget::fillsFollowTheImageAtZoom()
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
void TestImageWidget::captionsKeepTheirScreenSizeAtZoom()
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

QTEST_MAIN(TestImageWidget)
#include "test_imagewidget.moc"

void TestImageWidget::repaintOfChangedAreaMatchesFullRepaint_data()
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
void TestImageWidget::repaintOfChangedAreaMatchesFullRepaint()
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

void TestImageWidget::adjustsOnlyThePixelsShown_data()
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
void TestImageWidget::adjustsOnlyThePixelsShown()
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

void TestImageWidget::hidingShapesKeepsTheOutlineBeingDrawn_data()
{
    QTest::addColumn<bool>("hidden");
    QTest::newRow("shown") << false;
    QTest::newRow("hidden") << true;
}

void TestImageWidget::hidingShapesKeepsTheOutlineBeingDrawn()
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

void TestImageWidget::hiddenShapesCannotBeTaken_data()
{
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<int>("selections");
    QTest::newRow("shown") << false << 1;
    QTest::newRow("hidden") << true << 0;
}

// A shape the operator can't see is neither selected nor dragged; drawing goes on.
void TestImageWidget::hiddenShapesCannotBeTaken()
{
    QFETCH(bool, hidden);
    QFETCH(int, selections);
    ImageWidget* canvas = viewer->imageWidget();
    viewer->setAnnotation(annotationOf({label({{10, 10}, {70, 10}, {70, 70}, {10, 70}})}));
    canvas->setShapesHidden(hidden);
    QSignalSpy selected(canvas, &ImageWidget::sglActiveShapeChanged);
    play(canvas, {press(Qt::RightButton, {40, 40})});
    QCOMPARE(selected.count(), selections);
    QCOMPARE(canvas->currentMode(), int(hidden ? ImageWidget::Idle : ImageWidget::Moving));
    play(canvas, {release(Qt::RightButton, {40, 40})});

    leftClicks(canvas, {{100, 100}});
    QCOMPARE(canvas->currentMode(), int(ImageWidget::Drawing));
}

void TestImageWidget::placesShapesOnTheImage_data()
{
    QTest::addColumn<Points>("corners");
    QTest::addColumn<Points>("placed");
    // The image is 200 x 200 pixels.
    QTest::newRow("inside, kept") << Points{{10, 10}, {50, 10}, {50, 50}, {10, 50}}
                                  << Points{{10, 10}, {50, 10}, {50, 50}, {10, 50}};
    QTest::newRow("up to the last pixel, kept")
        << Points{{150, 0}, {199, 0}, {199, 199}, {150, 199}}
        << Points{{150, 0}, {199, 0}, {199, 199}, {150, 199}};
    QTest::newRow("over the right border, moved left whole")
        << Points{{180, 10}, {230, 10}, {230, 50}, {180, 50}}
        << Points{{149, 10}, {199, 10}, {199, 50}, {149, 50}};
    QTest::newRow("over the left border, moved right whole")
        << Points{{-20, 10}, {30, 10}, {30, 50}, {-20, 50}}
        << Points{{0, 10}, {50, 10}, {50, 50}, {0, 50}};
    QTest::newRow("over the bottom border, moved up whole")
        << Points{{10, 180}, {50, 180}, {50, 240}, {10, 240}}
        << Points{{10, 139}, {50, 139}, {50, 199}, {10, 199}};
    QTest::newRow("over the top border, moved down whole")
        << Points{{10, -5}, {50, -5}, {50, 40}, {10, 40}}
        << Points{{10, 0}, {50, 0}, {50, 45}, {10, 45}};
    QTest::newRow("wider than the image, from the left edge and held")
        << Points{{-10, 10}, {300, 10}, {300, 50}, {-10, 50}}
        << Points{{0, 10}, {199, 10}, {199, 50}, {0, 50}};
    QTest::newRow("at the end of the coordinate range")
        << Points{{2147483600, 10}, {2147483640, 10}, {2147483640, 50}, {2147483600, 50}}
        << Points{{159, 10}, {199, 10}, {199, 50}, {159, 50}};
}

void TestImageWidget::placesShapesOnTheImage()
{
    QFETCH(Points, corners);
    QFETCH(Points, placed);
    QCOMPARE(viewer->imageWidget()->placedOnImage(corners), placed);
}
