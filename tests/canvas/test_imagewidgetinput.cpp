#include "canvasfixture.h"
#include "canvastest.h"
#include "imagewidget.h"

#include <QApplication>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {
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

// What a press, a drag and a release on the canvas do: corners placed, shapes taken and
// dragged, and shapes placed on the image.
class TestImageWidgetInput : public CanvasTest
{
    Q_OBJECT

private slots:
    void completesShapeOnFourthCorner_data();
    void completesShapeOnFourthCorner();
    void rightPressSelectsShape_data();
    void rightPressSelectsShape();
    void dragReportsDisplacementFromPress_data();
    void dragReportsDisplacementFromPress();
    void doubleClickPlacesOneCorner();
    void hiddenShapesCannotBeTaken_data();
    void hiddenShapesCannotBeTaken();
    void placesShapesOnTheImage_data();
    void placesShapesOnTheImage();
};

void TestImageWidgetInput::completesShapeOnFourthCorner_data()
{
    QTest::addColumn<Points>("corners");
    QTest::addColumn<bool>("valid");

    QTest::newRow("square") << Points{{0, 0}, {10, 0}, {10, 10}, {0, 10}} << true;
    QTest::newRow("arrow-head") << Points{{0, 0}, {10, 5}, {0, 10}, {3, 5}} << true;
    QTest::newRow("bow-tie") << Points{{0, 0}, {10, 10}, {10, 0}, {0, 10}} << false;
    QTest::newRow("collinear") << Points{{0, 0}, {10, 0}, {20, 0}, {30, 0}} << false;
    QTest::newRow("all at one spot") << Points{{5, 5}, {5, 5}, {5, 5}, {5, 5}} << false;
}

void TestImageWidgetInput::completesShapeOnFourthCorner()
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

void TestImageWidgetInput::rightPressSelectsShape_data()
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

void TestImageWidgetInput::rightPressSelectsShape()
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

void TestImageWidgetInput::dragReportsDisplacementFromPress_data()
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

void TestImageWidgetInput::dragReportsDisplacementFromPress()
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

void TestImageWidgetInput::doubleClickPlacesOneCorner()
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

void TestImageWidgetInput::hiddenShapesCannotBeTaken_data()
{
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<int>("selections");
    QTest::newRow("shown") << false << 1;
    QTest::newRow("hidden") << true << 0;
}

// A shape the operator can't see is neither selected nor dragged; drawing goes on.
void TestImageWidgetInput::hiddenShapesCannotBeTaken()
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

void TestImageWidgetInput::placesShapesOnTheImage_data()
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

void TestImageWidgetInput::placesShapesOnTheImage()
{
    QFETCH(Points, corners);
    QFETCH(Points, placed);
    QCOMPARE(viewer->imageWidget()->placedOnImage(corners), placed);
}

QTEST_MAIN(TestImageWidgetInput)
#include "test_imagewidgetinput.moc"
