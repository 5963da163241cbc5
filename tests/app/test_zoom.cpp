#include "quadrotag.h"
#include "windowtest.h"
#include "workflowfixture.h"

#include <QtTest>

#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>
#include <QWheelEvent>

#include <cmath>
#include <string>
#include <vector>

// Zoom on the real window: keys and wheel within the limits, the point under the cursor kept,
// clicks and drags landing on the image pixel at every zoom, fit, and hostile coordinates.
class TestZoom : public WindowTest
{
    Q_OBJECT

private:
    QString zoomText() const
    {
        for (const QLabel* label : window->statusBar()->findChildren<QLabel*>())
            if (label->text().endsWith(" %"))
                return label->text();
        return "<no zoom level>";
    }

    void openImageOfSize(const QString& name, int width, int height)
    {
        QVERIFY(writeTestJpeg(pathOf(name), width, height, 128));
        openBatch({pathOf(name)});
    }

    // As the window system delivers it: to the viewport, where the canvas passes it on.
    void wheel(int delta, const QPointF& position, Qt::KeyboardModifiers modifiers)
    {
        QWidget* viewport = viewer()->viewport();
        QWheelEvent event(position, viewport->mapToGlobal(position), QPoint(), QPoint(0, delta),
                          Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
    }

    // Zoom inputs as written in the test tables: key sequences, or "wheel" or
    // "plain wheel" with an angle.
    void zoomBy(const QString& input)
    {
        const QStringList words = input.split(' ');
        const QPointF centre = QRectF(viewer()->viewport()->rect()).center();
        if (words[0] == "wheel")
            wheel(words[1].toInt(), centre, Qt::ControlModifier);
        else if (words[0] == "plain")
            wheel(words[2].toInt(), centre, Qt::NoModifier);
        else
            QTest::keySequence(window.get(), QKeySequence(input));
    }

    // Where the image point lies in the viewport at the current zoom and scroll.
    QPointF inViewport(const QPointF& imagePoint) const
    {
        return canvas()->viewTransform().toCanvas(imagePoint) + QPointF(canvas()->pos());
    }

    QPointF imagePointAt(const QPointF& viewportPosition) const
    {
        return canvas()->viewTransform().toImage(viewportPosition - QPointF(canvas()->pos()));
    }

private slots:
    void zoomKeysAndWheelStepWithinLimits_data()
    {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QString>("shown");

        const QStringList twelveIn = QVector<QString>(12, "Ctrl++").toList();
        QTest::newRow("starts at the original size") << QStringList() << 1.0 << "100 %";
        QTest::newRow("Ctrl++") << QStringList{"Ctrl++"} << 1.25 << "125 %";
        QTest::newRow("Ctrl+=") << QStringList{"Ctrl+="} << 1.25 << "125 %";
        QTest::newRow("Ctrl+-") << QStringList{"Ctrl+-"} << 0.8 << "80 %";
        QTest::newRow("in and out again")
            << QStringList{"Ctrl++", "Ctrl++", "Ctrl+-", "Ctrl+-"} << 1.0 << "100 %";
        QTest::newRow("Ctrl+0") << QStringList{"Ctrl++", "Ctrl++", "Ctrl+0"} << 1.0 << "100 %";
        QTest::newRow("at most 800 %") << twelveIn << 8.0 << "800 %";
        QTest::newRow("out from 800 %") << twelveIn + QStringList{"Ctrl+-"} << 6.4 << "640 %";
        QTest::newRow("at least 5 %") << QVector<QString>(20, "Ctrl+-").toList() << 0.05 << "5 %";
        QTest::newRow("Ctrl+wheel notch") << QStringList{"wheel 120"} << 1.25 << "125 %";
        QTest::newRow("Ctrl+wheel two notches back") << QStringList{"wheel -240"} << 0.64 << "64 %";
        QTest::newRow("touchpad deltas below a notch")
            << QStringList{"wheel 40", "wheel 40"} << 1.0 << "100 %";
        QTest::newRow("touchpad deltas adding up to a notch")
            << QStringList{"wheel 40", "wheel 40", "wheel 40"} << 1.25 << "125 %";
        QTest::newRow("plain wheel") << QStringList{"plain wheel -120"} << 1.0 << "100 %";
    }

    void zoomKeysAndWheelStepWithinLimits()
    {
        QFETCH(QStringList, inputs);
        QFETCH(double, scale);
        QFETCH(QString, shown);

        openImageOfSize("large.jpg", 2000, 1500);
        for (const QString& input : inputs)
            zoomBy(input);
        QCOMPARE(viewer()->zoom(), scale);
        QCOMPARE(zoomText(), shown);
        QCOMPARE(canvas()->size(), QSize(std::lround(2000 * scale), std::lround(1500 * scale)));
        QCOMPARE(status(), "1/1  " + pathOf("large.jpg"));
    }

    void plainWheelScrolls()
    {
        openImageOfSize("large.jpg", 2000, 1500);
        const int before = viewer()->verticalScrollBar()->value();
        zoomBy("plain wheel -120");
        QVERIFY(viewer()->verticalScrollBar()->value() > before);
    }

    void wheelKeepsTheImagePointUnderTheCursor_data()
    {
        QTest::addColumn<int>("delta");
        QTest::addColumn<QPointF>("cursor");

        QTest::newRow("in, near the top left") << 120 << QPointF(40.5, 30.5);
        QTest::newRow("in three notches, near the centre") << 360 << QPointF(200.5, 150.5);
        QTest::newRow("out, near the top left") << -120 << QPointF(60.5, 20.5);
        QTest::newRow("out two notches") << -240 << QPointF(250.5, 220.5);
    }

    void wheelKeepsTheImagePointUnderTheCursor()
    {
        QFETCH(int, delta);
        QFETCH(QPointF, cursor);

        openImageOfSize("large.jpg", 4000, 3000);
        QScrollBar* horizontal = viewer()->horizontalScrollBar();
        QScrollBar* vertical = viewer()->verticalScrollBar();
        horizontal->setValue(horizontal->maximum() / 2);
        vertical->setValue(vertical->maximum() / 2);
        const QPointF imagePoint = imagePointAt(cursor);

        wheel(delta, cursor, Qt::ControlModifier);
        QVERIFY(viewer()->zoom() != 1.0);
        const QPointF drift = inViewport(imagePoint) - cursor;
        QVERIFY2(std::abs(drift.x()) <= 1.0 && std::abs(drift.y()) <= 1.0,
                 qPrintable(QString("drift %1, %2").arg(drift.x()).arg(drift.y())));
    }

    void cornersLandOnTheImagePixelUnderTheCursor_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<std::vector<QPoint>>("clicks");

        // At 25 % a canvas pixel spans four image pixels, and its centre lies on the border
        // of the second and third, which counts as the second; at 400 % an image pixel
        // spans four canvas pixels.
        QTest::newRow("25 %") << 0.25
                              << std::vector<QPoint>{{10, 10}, {50, 10}, {50, 40}, {10, 40}};
        QTest::newRow("100 %") << 1.0
                               << std::vector<QPoint>{{41, 41}, {201, 41}, {201, 161}, {41, 161}};
        QTest::newRow("400 %, first canvas pixel of each image pixel")
            << 4.0 << std::vector<QPoint>{{164, 164}, {804, 164}, {804, 644}, {164, 644}};
        QTest::newRow("400 %, last canvas pixel of each image pixel")
            << 4.0 << std::vector<QPoint>{{167, 167}, {807, 167}, {807, 647}, {167, 647}};
    }

    void cornersLandOnTheImagePixelUnderTheCursor()
    {
        QFETCH(double, scale);
        QFETCH(std::vector<QPoint>, clicks);

        openBatch(batch);
        viewer()->setZoom(scale);
        drawShape(clicks);
        clickTag(0, 0);
        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")),
                 QByteArray("0\n4 41 41 201 41 201 161 41 161 \n1 0 0 \n"));
    }

    void rightPressSelectsAndDragsAtZoom_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<QPoint>("release");
        QTest::addColumn<int>("index");
        QTest::addColumn<QPoint>("firstCorner");

        QTest::newRow("400 %") << 4.0 << QPoint(602, 602) << QPoint(642, 582) << 1
                               << QPoint(110, 95);
        QTest::newRow("25 %") << 0.25 << QPoint(37, 37) << QPoint(47, 32) << 1 << QPoint(140, 80);
        QTest::newRow("25 %, the other shape")
            << 0.25 << QPoint(10, 10) << QPoint(12, 12) << 0 << QPoint(28, 28);
    }

    void rightPressSelectsAndDragsAtZoom()
    {
        QFETCH(double, scale);
        QFETCH(QPoint, press);
        QFETCH(QPoint, release);
        QFETCH(int, index);
        QFETCH(QPoint, firstCorner);

        QVERIFY(writeFileBytes(pathOf("a.lbl"), "0\n4 20 20 60 20 60 60 20 60 \n1 0 0 \n"
                                                "4 100 100 200 100 200 200 100 200 \n1 0 1 \n"));
        openBatch(batch);
        viewer()->setZoom(scale);
        QSignalSpy finished(canvas(), &ImageWidget::sglShapeMoveFinished);
        StdoutCapture out;
        QTest::mousePress(canvas(), Qt::RightButton, {}, press);
        QTest::mouseMove(canvas(), (press + release) / 2);
        QTest::mouseMove(canvas(), release);
        QTest::mouseRelease(canvas(), Qt::RightButton, {}, release);
        QCOMPARE(out.text(), "Active shape: " + std::to_string(index) + "\n");
        QCOMPARE(annotation().labels[index].points[0], firstCorner);
        QCOMPARE(finished.count(), 1);
    }

    void fitShowsTheWholeImage_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::newRow("landscape") << QSize(1600, 900);
        QTest::newRow("portrait") << QSize(900, 1600);
        QTest::newRow("smaller than the view") << QSize(120, 80);
    }

    void fitShowsTheWholeImage()
    {
        QFETCH(QSize, image);

        openImageOfSize("photo.jpg", image.width(), image.height());
        pressKey(Qt::Key_F, Qt::ControlModifier);
        // The scroll area shows or hides its scroll bars in a queued call.
        QCoreApplication::processEvents();
        const QSize room = viewer()->viewport()->size();
        const QSize shown = canvas()->size();
        QVERIFY2(shown.width() <= room.width() && shown.height() <= room.height(),
                 qPrintable(QString("%1x%2 in %3x%4")
                                .arg(shown.width())
                                .arg(shown.height())
                                .arg(room.width())
                                .arg(room.height())));
        QVERIFY(shown.width() >= room.width() - 1 || shown.height() >= room.height() - 1);
        QCOMPARE(viewer()->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(viewer()->verticalScrollBar()->maximum(), 0);
        QCOMPARE(zoomText(), QString("%1 %").arg(std::lround(viewer()->zoom() * 100)));
    }

    void zoomLevelSurvivesMovingThroughTheBatch()
    {
        QVERIFY(writeTestJpeg(pathOf("wide.jpg"), 1600, 900, 100));
        QVERIFY(writeTestJpeg(pathOf("tall.jpg"), 900, 1600, 100));
        openBatch({pathOf("wide.jpg"), pathOf("tall.jpg")});
        pressKey(Qt::Key_Minus, Qt::ControlModifier);
        pressKey(Qt::Key_Minus, Qt::ControlModifier);
        pressKey(Qt::Key_Down);
        QCOMPARE(status(), "2/2  " + pathOf("tall.jpg"));
        QCOMPARE(viewer()->zoom(), 0.64);
        QCOMPARE(canvas()->size(), QSize(576, 1024));
        QCOMPARE(zoomText(), QString("64 %"));

        pressKey(Qt::Key_F, Qt::ControlModifier);
        const double tallFit = viewer()->zoom();
        pressKey(Qt::Key_Up);
        QCoreApplication::processEvents();
        QVERIFY(viewer()->isFittingWindow());
        QVERIFY(viewer()->zoom() != tallFit);
        QCOMPARE(zoomText(), QString("%1 %").arg(std::lround(viewer()->zoom() * 100)));
        QCOMPARE(canvas()->width(), viewer()->viewport()->width());
        QVERIFY(canvas()->height() < viewer()->viewport()->height());
    }

    void originalSizeAfterZoomingPaintsAsBefore()
    {
        openBatch(batch);
        drawSquare(20, 20, 100);
        clickTag(0, 0);
        const QImage original = canvas()->grab().toImage();
        for (const QString& input : QStringList{"Ctrl++", "Ctrl++", "Ctrl+-", "Ctrl+F", "Ctrl+-"})
            zoomBy(input);
        viewer()->setZoom(4.0);
        const QColor inside = pixelAt(canvas(), {4 * 110, 4 * 30});
        QVERIFY2(inside.red() > inside.green() + 20, qPrintable(inside.name()));
        QCOMPARE(pixelAt(canvas(), {4 * 130, 4 * 30}), QColor(128, 128, 128));
        zoomBy("Ctrl+0");
        QCOMPARE(canvas()->grab().toImage(), original);
    }

    // Corners at the ends of the 32-bit range from a hand-made file: painting, the hit test
    // and dragging must neither overflow (the sanitizer build checks) nor leave the range.
    void hostileCoordinatesAreSafeAtEveryZoom()
    {
        QVERIFY(writeFileBytes(pathOf("a.lbl"),
                               "0\n4 -2147483648 -2147483648 100 -2147483648 100 100 "
                               "-2147483648 100 \n1 0 0 \n"
                               "4 150 150 2147483647 150 2147483647 2147483647 150 100000000 \n"
                               "1 0 1 \n"));
        openBatch(batch);
        QVERIFY(!canvas()->grab().isNull());
        pressKey(Qt::Key_F, Qt::ControlModifier);
        QVERIFY(!canvas()->grab().isNull());
        const double scale = viewer()->zoom();
        const auto onCanvas = [scale](int x, int y) {
            return QPoint(int(std::floor(x * scale)), int(std::floor(y * scale)));
        };

        QTest::mousePress(canvas(), Qt::RightButton, {}, onCanvas(300, 200));
        QCOMPARE(canvas()->currentActiveShape(), 1);
        QTest::mouseMove(canvas(), onCanvas(340, 240));
        QTest::mouseRelease(canvas(), Qt::RightButton, {}, onCanvas(340, 240));
        QTest::mousePress(canvas(), Qt::RightButton, {}, onCanvas(50, 50));
        QCOMPARE(canvas()->currentActiveShape(), 0);
        QTest::mouseMove(canvas(), onCanvas(10, 10));
        QTest::mouseRelease(canvas(), Qt::RightButton, {}, onCanvas(10, 10));
        pressKey(Qt::Key_0, Qt::ControlModifier);
        QVERIFY(!canvas()->grab().isNull());

        pressKey(Qt::Key_S, Qt::ControlModifier);
        const QPoint left = annotation().labels[0].points[2] - QPoint(100, 100);
        const QPoint right = annotation().labels[1].points[0] - QPoint(150, 150);
        QCOMPARE(fileBytes(pathOf("a.lbl")),
                 QString("0\n4 -2147483648 -2147483648 %1 -2147483648 %1 %2 -2147483648 %2 \n"
                         "1 0 0 \n"
                         "4 %3 %4 2147483647 %4 2147483647 2147483647 %3 %5 \n1 0 1 \n")
                     .arg(100 + left.x())
                     .arg(100 + left.y())
                     .arg(150 + right.x())
                     .arg(150 + right.y())
                     .arg(100000000 + right.y())
                     .toUtf8());
        // At fit a canvas pixel spans a little more than one image pixel.
        for (const QPoint& displacement : {-left, right})
            QVERIFY2(std::abs(displacement.x() - 40) <= 1 && std::abs(displacement.y() - 40) <= 1,
                     qPrintable(QString("%1, %2").arg(displacement.x()).arg(displacement.y())));
    }
};

QTEST_MAIN(TestZoom)
#include "test_zoom.moc"
