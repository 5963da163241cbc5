#include "editingtest.h"
#include "quadrotag.h"
#include "workflowfixture.h"

#include <QMenu>
#include <QtTest>

// Drawing and selecting on the real window: corner handles, Esc and Backspace while
// drawing, Ctrl+right press through stacked shapes, assisted boxes and nudges.
class TestDrawing : public EditingTest
{
    Q_OBJECT

private slots:
    void cornerHandleMovesThatCornerAlone_data()
    {
        QTest::addColumn<double>("scale");
        QTest::newRow("100 %") << 1.0;
        QTest::newRow("400 %") << 4.0;
    }

    void cornerHandleMovesThatCornerAlone()
    {
        QFETCH(double, scale);
        QVERIFY(writeFileBytes(pathOf("a.lbl"), "0\n4 20 20 60 20 60 60 20 60 \n1 0 0 \n"));
        openBatch(batch);
        viewer()->setZoom(scale);
        QTest::mouseClick(canvas(), Qt::RightButton, {}, onCanvas({40, 40}));
        QSignalSpy moved(canvas(), &ImageWidget::sglShapeMoved);
        dragCorner(onCanvas({60, 60}), onCanvas({75, 52}));
        QCOMPARE(moved.count(), 0);
        QCOMPARE(annotation().labels[0].points,
                 std::vector<QPoint>({{20, 20}, {60, 20}, {75, 52}, {20, 60}}));
        QCOMPARE(window->editHistory().count(), 1);
        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")), QByteArray("0\n4 20 20 60 20 75 52 20 60 \n1 0 0 \n"));
    }

    void cornerDragThatCrossesTheEdgesIsRefused()
    {
        QVERIFY(writeFileBytes(pathOf("a.lbl"), square));
        openBatch(batch);
        QTest::mouseClick(canvas(), Qt::RightButton, {}, {150, 150});
        MessageBoxCloser closer;
        dragCorner({100, 100}, {150, 250});
        QCOMPARE(closer.titles, QStringList("Warning"));
        QCOMPARE(closer.texts, QStringList("Not a valid shape! "));
        QCOMPARE(annotation().labels[0].points,
                 std::vector<QPoint>({{100, 100}, {200, 100}, {200, 200}, {100, 200}}));
        QCOMPARE(window->editHistory().count(), 0);
        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")), square);
    }

    void cornersStayOnTheImage_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("edit");
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QByteArray>("after");

        // Targets lie past the border in every direction that matters, so that the scaled
        // view's rounding of a mouse position cannot show in the stored corners.
        const QByteArray outside = "0\n4 -20 100 200 100 200 200 100 200 \n1 0 0 \n";
        const QPoint centre(150, 150);
        for (const auto& [name, scale] : {std::pair{"100 %", 1.0}, std::pair{"fit", 0.0}}) {
            const auto row = [&](const char* what) -> QTestData& {
                QTestData& data =
                    QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(name, what)));
                data << scale;
                return data;
            };
            row("corners clicked outside")
                << QByteArray() << int(AddShape) << QPoint(-10, -10) << QPoint(500, 400)
                << QByteArray("0\n4 0 0 399 0 399 299 0 299 \n1 0 0 \n");
            row("shape dragged past the left")
                << square << int(DragShape) << centre << QPoint(-150, 150)
                << QByteArray("0\n4 0 100 100 100 100 200 0 200 \n1 0 0 \n");
            row("shape dragged past the right")
                << square << int(DragShape) << centre << QPoint(600, 150)
                << QByteArray("0\n4 299 100 399 100 399 200 299 200 \n1 0 0 \n");
            row("shape dragged past the top")
                << square << int(DragShape) << centre << QPoint(150, -200)
                << QByteArray("0\n4 100 0 200 0 200 100 100 100 \n1 0 0 \n");
            row("shape dragged past the bottom")
                << square << int(DragShape) << centre << QPoint(150, 500)
                << QByteArray("0\n4 100 199 200 199 200 299 100 299 \n1 0 0 \n");
            row("corner dragged past the top left")
                << square << int(MoveCorner) << QPoint(100, 100) << QPoint(-50, -50)
                << QByteArray("0\n4 0 0 200 100 200 200 100 200 \n1 0 0 \n");
            row("corner dragged past the top right")
                << square << int(MoveCorner) << QPoint(200, 100) << QPoint(500, -50)
                << QByteArray("0\n4 100 100 399 0 200 200 100 200 \n1 0 0 \n");
            row("corner dragged past the bottom right")
                << square << int(MoveCorner) << QPoint(200, 200) << QPoint(500, 400)
                << QByteArray("0\n4 100 100 200 100 399 299 100 200 \n1 0 0 \n");
            row("corner dragged past the bottom left")
                << square << int(MoveCorner) << QPoint(100, 200) << QPoint(-50, 400)
                << QByteArray("0\n4 100 100 200 100 200 200 0 299 \n1 0 0 \n");
            row("corner stored outside, only viewed")
                << outside << int(ChangeStyle) << QPoint() << QPoint() << outside;
            row("corner stored outside moves along, the others stop")
                << outside << int(DragShape) << centre << QPoint(-150, 150)
                << QByteArray("0\n4 -120 100 100 100 100 200 0 200 \n1 0 0 \n");
        }
    }

    void cornersStayOnTheImage()
    {
        QFETCH(double, scale);
        QFETCH(QByteArray, before);
        QFETCH(int, edit);
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QByteArray, after);
        if (!before.isEmpty())
            QVERIFY(writeFileBytes(pathOf("a.lbl"), before));
        openBatch(batch);
        if (scale > 0.0)
            viewer()->setZoom(scale);
        else
            viewer()->slotFitToWindow();
        if (edit == AddShape) {
            drawShape({onCanvas(from), onCanvas({to.x(), from.y()}), onCanvas(to),
                       onCanvas({from.x(), to.y()})});
            clickTag(0, 0);
        } else if (edit == MoveCorner) {
            QTest::mouseClick(canvas(), Qt::RightButton, {}, onCanvas({150, 150}));
            dragCorner(onCanvas(from), onCanvas(to));
        } else if (edit == DragShape) {
            dragCorner(onCanvas(from), onCanvas(to));
        }
        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")), after);
    }

    void handleRadiusDecidesBetweenCornerAndWholeShape_data()
    {
        QTest::addColumn<int>("distance");
        QTest::addColumn<bool>("wholeShape");
        QTest::newRow("on the corner") << 0 << false;
        QTest::newRow("at the radius") << 6 << false;
        QTest::newRow("just outside the radius") << 7 << true;
    }

    void handleRadiusDecidesBetweenCornerAndWholeShape()
    {
        QFETCH(int, distance);
        QFETCH(bool, wholeShape);
        QVERIFY(writeFileBytes(pathOf("a.lbl"), square));
        openBatch(batch);
        QTest::mouseClick(canvas(), Qt::RightButton, {}, {150, 150});
        const QPoint press = QPoint(200, 200) - QPoint(distance, distance);
        dragCorner(press, press + QPoint(10, 5));
        const std::vector<QPoint> expected =
            wholeShape ? std::vector<QPoint>{{110, 105}, {210, 105}, {210, 205}, {110, 205}}
                       : std::vector<QPoint>{{100, 100}, {200, 100}, {210, 205}, {100, 200}};
        QCOMPARE(annotation().labels[0].points, expected);
    }

    void handlesMarkTheActiveShapesCorners_data()
    {
        QTest::addColumn<double>("scale");
        QTest::newRow("100 %") << 1.0;
        QTest::newRow("400 %") << 4.0;
    }

    void handlesMarkTheActiveShapesCorners()
    {
        QFETCH(double, scale);
        QVERIFY(writeFileBytes(pathOf("a.lbl"), "0\n4 20 20 60 20 60 60 20 60 \n1 0 0 \n"));
        openBatch(batch);
        viewer()->setZoom(scale);
        const QPoint corner = onCanvas({60, 60});
        // Just outside the shape: the handle is the same size on screen at every zoom.
        const QPoint inHandle = corner + QPoint(2, 2);
        const QPoint beyondHandle = corner + QPoint(6, 6);
        const QColor before = canvas()->grab().toImage().pixelColor(inHandle);
        QTest::mouseClick(canvas(), Qt::RightButton, {}, onCanvas({40, 40}));
        const QImage painted = canvas()->grab().toImage();
        QCOMPARE(painted.pixelColor(inHandle), QColor(150, 0, 0));
        QCOMPARE(painted.pixelColor(beyondHandle), before);
    }

    void escapeAndBackspaceTakeBackCorners_data()
    {
        QTest::addColumn<int>("placed");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("left");
        for (int placed = 1; placed <= 3; ++placed) {
            const QByteArray count = QByteArray::number(placed);
            QTest::newRow("Esc after " + count) << placed << int(Qt::Key_Escape) << 0;
            QTest::newRow("Backspace after " + count)
                << placed << int(Qt::Key_Backspace) << placed - 1;
        }
    }

    void escapeAndBackspaceTakeBackCorners()
    {
        QFETCH(int, placed);
        QFETCH(int, key);
        QFETCH(int, left);
        QVERIFY(writeFileBytes(pathOf("a.lbl"), square));
        openBatch(batch);
        const std::vector<QPoint> clicks{{10, 10}, {60, 10}, {60, 60}, {10, 60}};
        StdoutCapture out;
        drawShape({clicks.begin(), clicks.begin() + placed});
        pressKey(Qt::Key(key));
        QCOMPARE(canvas()->placedCorners(),
                 std::vector<QPoint>(clicks.begin(), clicks.begin() + left));
        QCOMPARE(canvas()->currentMode(), int(left ? ImageWidget::Drawing : ImageWidget::Idle));
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        QCOMPARE(window->editHistory().count(), 0);
        QCOMPARE(out.text(), std::string("Active shape: -1\n"));

        // The corners still to place complete the next shape as usual.
        drawShape({clicks.begin() + left, clicks.end()});
        QCOMPARE(annotation().labels.size(), std::size_t(2));
        QCOMPARE(annotation().labels[1].points, clicks);
    }

    void ctrlRightPressReachesShapesUnderTheActiveOne()
    {
        // A sofa, a cushion lying on it, a rug reaching under both; all under (70, 70).
        QVERIFY(writeFileBytes(pathOf("a.lbl"), "0\n4 0 0 200 0 200 120 0 120 \n1 0 0 \n"
                                                "4 40 40 90 40 90 90 40 90 \n1 0 1 \n"
                                                "4 60 60 260 60 260 160 60 160 \n1 0 2 \n"));
        openBatch(batch);
        const QPoint spot(70, 70);
        StdoutCapture out;
        QTest::mouseClick(canvas(), Qt::RightButton, {}, spot);
        for (int press = 0; press < 3; ++press)
            QTest::mouseClick(canvas(), Qt::RightButton, Qt::ControlModifier, spot);
        QTest::mouseClick(canvas(), Qt::RightButton, {}, spot);
        QCOMPARE(out.text(), std::string("Active shape: 0\nActive shape: 1\nActive shape: 2\n"
                                         "Active shape: 0\nActive shape: 0\n"));

        // Reached that way, the cushion is dragged like any other shape.
        QTest::mouseClick(canvas(), Qt::RightButton, Qt::ControlModifier, spot);
        QTest::mousePress(canvas(), Qt::RightButton, Qt::ControlModifier, spot);
        QTest::mouseMove(canvas(), spot + QPoint(5, 5));
        QTest::mouseRelease(canvas(), Qt::RightButton, Qt::ControlModifier, spot + QPoint(5, 5));
        QCOMPARE(annotation().labels[2].points[0], QPoint(65, 65));
        checkActiveShape(2);
    }

    void assistDrawingIsOffAtFirstAndRemembered()
    {
        QVERIFY(!canvas()->isAssisting());
        const QList<QAction*> entries = window->findChildren<QMenu*>("menuFunction")[0]->actions();
        const auto entry = std::find_if(entries.begin(), entries.end(), [](QAction* action) {
            return action->text() == QStringLiteral("Assist Drawing");
        });
        QVERIFY(entry != entries.end());
        QCOMPARE((*entry)->shortcut(), QKeySequence(QStringLiteral("Ctrl+G")));
        pressKey(Qt::Key_G, Qt::ControlModifier);
        QVERIFY(canvas()->isAssisting());
        QVERIFY((*entry)->isChecked());
        // The next run starts as this one was left.
        window = std::make_unique<Quadrotag>();
        QVERIFY(canvas()->isAssisting());
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        pressKey(Qt::Key_G, Qt::ControlModifier);
        QVERIFY(!canvas()->isAssisting());
        window = std::make_unique<Quadrotag>();
        QVERIFY(!canvas()->isAssisting());
    }

    // On the plain test image the box finds nothing inside and its own corners make the shape.
    void boxIsOneStepAndTheNewShapeIsActive()
    {
        openBatch(batch);
        pressKey(Qt::Key_G, Qt::ControlModifier);
        QTest::mousePress(canvas(), Qt::LeftButton, {}, QPoint(100, 80));
        QTest::mouseMove(canvas(), QPoint(150, 120));
        QTest::mouseMove(canvas(), QPoint(200, 160));
        QTest::mouseRelease(canvas(), Qt::LeftButton, {}, QPoint(200, 160));
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        QCOMPARE(annotation().labels[0].points,
                 (std::vector<QPoint>{{100, 80}, {200, 80}, {200, 160}, {100, 160}}));
        QCOMPARE(window->editHistory().count(), 1);
        checkActiveShape(0);
        pressKey(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(annotation().labels.size(), std::size_t(0));
    }

    void nudgesMoveTheActiveShapeUpToTheBorder_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<int>("presses");
        QTest::addColumn<QPoint>("moved");
        // The shape covers (10, 10) to (60, 60) of the 400 x 300 image.
        QTest::newRow("Alt+Right") << int(Qt::Key_Right) << false << 1 << QPoint(1, 0);
        QTest::newRow("Alt+Down three times") << int(Qt::Key_Down) << false << 3 << QPoint(0, 3);
        QTest::newRow("Alt+Shift+Right") << int(Qt::Key_Right) << true << 1 << QPoint(10, 0);
        QTest::newRow("Alt+Shift+Up to the border")
            << int(Qt::Key_Up) << true << 1 << QPoint(0, -10);
        QTest::newRow("Alt+Shift+Left stops at the border")
            << int(Qt::Key_Left) << true << 2 << QPoint(-10, 0);
        QTest::newRow("Alt+Left eleven times stops at the border")
            << int(Qt::Key_Left) << false << 11 << QPoint(-10, 0);
    }

    void nudgesMoveTheActiveShapeUpToTheBorder()
    {
        QFETCH(int, key);
        QFETCH(bool, shift);
        QFETCH(int, presses);
        QFETCH(QPoint, moved);
        const QByteArray original = "2\n4 10 10 60 10 60 60 10 60 \n2 0 0 2 1 \n";
        QVERIFY(writeFileBytes(pathOf("a.lbl"), original));
        openBatch(batch);
        const std::vector<QPoint> before = annotation().labels[0].points;
        // Nothing active: the keys do nothing.
        pressKey(Qt::Key(key), Qt::AltModifier);
        QCOMPARE(window->editHistory().count(), 0);
        QTest::mouseClick(canvas(), Qt::RightButton, {}, QPoint(30, 30));
        for (int press = 0; press < presses; ++press)
            pressKey(Qt::Key(key), shift ? Qt::AltModifier | Qt::ShiftModifier : Qt::AltModifier);
        std::vector<QPoint> expected = before;
        for (QPoint& corner : expected)
            corner += moved;
        QCOMPARE(annotation().labels[0].points, expected);
        // The presses in a row are one step.
        QCOMPARE(window->editHistory().count(), 1);
        pressKey(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(annotation().labels[0].points, before);
        checkActiveShape(0);
    }

    void nudgeRunsEndWithAnotherEdit_data()
    {
        QTest::addColumn<QString>("between");
        QTest::addColumn<int>("steps");
        QTest::newRow("a style chosen") << "style" << 3;
        // Undo after a save goes back to the saved position first.
        QTest::newRow("a save") << "save" << 2;
    }

    // Another edit or a save between two runs of nudges keeps them apart in the history.
    void nudgeRunsEndWithAnotherEdit()
    {
        QFETCH(QString, between);
        QFETCH(int, steps);
        QVERIFY(writeFileBytes(pathOf("a.lbl"), "2\n4 10 10 60 10 60 60 10 60 \n2 0 0 2 1 \n"));
        openBatch(batch);
        QTest::mouseClick(canvas(), Qt::RightButton, {}, QPoint(30, 30));
        pressKey(Qt::Key_Right, Qt::AltModifier);
        pressKey(Qt::Key_Right, Qt::AltModifier);
        if (between == "style")
            styleChooser()->setCurrentIndex(5);
        else
            pressKey(Qt::Key_S, Qt::ControlModifier);
        pressKey(Qt::Key_Down, Qt::AltModifier);
        pressKey(Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(window->editHistory().count(), steps);
        QCOMPARE(annotation().labels[0].points[0], QPoint(12, 12));
        pressKey(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(annotation().labels[0].points[0], QPoint(12, 10));
        for (int step = 1; step < steps; ++step)
            pressKey(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(annotation().labels[0].points[0], QPoint(10, 10));
    }
};

QTEST_MAIN(TestDrawing)
#include "test_drawing.moc"
