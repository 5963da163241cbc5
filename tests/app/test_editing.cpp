#include "claim.h"
#include "quadrotag.h"
#include "recenttagstrip.h"
#include "tagfinder.h"
#include "teampaths.h"
#include "windowtest.h"
#include "workflowfixture.h"

#include <QMenu>
#include <QtTest>

// Editing on the real window: every edit one step of the undo history, the title's
// mark, and the comforts of drawing and selecting (corner handles, Esc and
// Backspace while drawing, Ctrl+right press through stacked shapes).
class TestEditing : public WindowTest
{
    Q_OBJECT

private:
    enum Edit {
        AddShape,
        TagShape,
        DragShape,
        DeleteShape,
        ChangeStyle,
        MoveCorner,
        FindTag,
        RecentTag,
        RepeatShapes,
        UndoStep,
        RedoStep
    };

    TagFinder* finder() const { return window->findChild<TagFinder*>(); }
    RecentTagStrip* recentStrip() const { return window->findChild<RecentTagStrip*>(); }
    // Keys as the operator types them: to the widget that has the keyboard.
    void typeKeys(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    void typeKey(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }

    // One operator edit on an image whose first shape covers (10, 10) to (60, 60).
    void makeEdit(Edit edit)
    {
        const QPoint onShape(30, 30);
        switch (edit) {
        case AddShape:
            drawSquare(200, 20, 50);
            break;
        case TagShape:
            QTest::mouseClick(canvas(), Qt::RightButton, {}, onShape);
            clickTag(0, 3);
            break;
        case DragShape:
            QTest::mousePress(canvas(), Qt::RightButton, {}, onShape);
            for (int step = 1; step <= 10; ++step)
                QTest::mouseMove(canvas(), onShape + QPoint(step * 4, step));
            QTest::mouseRelease(canvas(), Qt::RightButton, {}, onShape + QPoint(40, 10));
            break;
        case DeleteShape:
            QTest::mouseClick(canvas(), Qt::RightButton, {}, onShape);
            pressKey(Qt::Key_Delete);
            break;
        case ChangeStyle:
            styleChooser()->setCurrentIndex(11);
            break;
        case MoveCorner:
            QTest::mouseClick(canvas(), Qt::RightButton, {}, onShape);
            dragCorner({60, 60}, {80, 70});
            break;
        case FindTag:
            QTest::mouseClick(canvas(), Qt::RightButton, {}, onShape);
            pressKey(Qt::Key_T, Qt::ControlModifier);
            typeKeys(QStringLiteral("s4"));
            typeKey(Qt::Key_Return);
            break;
        case RecentTag:
            recentStrip()->noteTurnedOn({{0, 4}});
            QTest::mouseClick(canvas(), Qt::RightButton, {}, onShape);
            typeKey(Qt::Key_1);
            break;
        case RepeatShapes:
            pressKey(Qt::Key_R, Qt::ControlModifier);
            break;
        // Their keys are off while the history is empty; the slots are what they reach.
        case UndoStep:
            window->slotUndo();
            break;
        case RedoStep:
            window->slotRedo();
            break;
        }
    }

    // A right drag of the active shape's handle at this corner, all in canvas positions.
    void dragCorner(const QPoint& from, const QPoint& to)
    {
        QTest::mousePress(canvas(), Qt::RightButton, {}, from);
        QTest::mouseMove(canvas(), (from + to) / 2);
        QTest::mouseMove(canvas(), to);
        QTest::mouseRelease(canvas(), Qt::RightButton, {}, to);
    }

    QPoint onCanvas(const QPoint& imagePoint) const
    {
        return canvas()->viewTransform().toCanvas(imagePoint).toPoint();
    }

    static inline const QByteArray square = "0\n4 100 100 200 100 200 200 100 200 \n1 0 0 \n";

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

    void everyEditIsOneStepThatUndoAndRedoRestore_data()
    {
        QTest::addColumn<int>("edit");
        QTest::addColumn<int>("activeAfterUndo");
        QTest::addColumn<int>("activeAfterRedo");
        QTest::newRow("add") << int(AddShape) << -1 << 1;
        QTest::newRow("tag") << int(TagShape) << 0 << 0;
        QTest::newRow("drag of many moves") << int(DragShape) << 0 << 0;
        QTest::newRow("delete") << int(DeleteShape) << 0 << -1;
        QTest::newRow("style") << int(ChangeStyle) << -1 << -1;
        QTest::newRow("corner") << int(MoveCorner) << 0 << 0;
        QTest::newRow("tag found") << int(FindTag) << 0 << 0;
        QTest::newRow("recent tag key") << int(RecentTag) << 0 << 0;
    }

    void everyEditIsOneStepThatUndoAndRedoRestore()
    {
        QFETCH(int, edit);
        QFETCH(int, activeAfterUndo);
        QFETCH(int, activeAfterRedo);
        const QByteArray original = "2\n4 10 10 60 10 60 60 10 60 \n2 0 0 2 1 \n";
        QVERIFY(writeFileBytes(pathOf("a.lbl"), original));
        openBatch(batch);
        const ImageAnnotation before = annotation();
        makeEdit(Edit(edit));
        const ImageAnnotation after = annotation();
        QVERIFY(after != before);
        QCOMPARE(window->editHistory().count(), 1);

        pressKey(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(annotation(), before);
        QCOMPARE(styleChooser()->currentIndex(), before.styleIndex);
        checkActiveShape(activeAfterUndo);

        pressKey(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(annotation(), after);
        QCOMPARE(styleChooser()->currentIndex(), after.styleIndex);
        checkActiveShape(activeAfterRedo);

        pressKey(Qt::Key_Z, Qt::ControlModifier);
        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")), original);
        pressKey(Qt::Key_Up);
        QCOMPARE(window->editHistory().count(), 0);
        makeEdit(Edit(edit));
        pressKey(Qt::Key_Z, Qt::ControlModifier);
        pressKey(Qt::Key_Z, Qt::ShiftModifier | Qt::ControlModifier);
        pressKey(Qt::Key_Down);
        QCOMPARE(window->editHistory().count(), 0);
        QCOMPARE(fileBytes(pathOf("a.lbl")), bytesOf(after));
    }

    void everyEditIsRefusedOnAnImageHeldByAnother_data()
    {
        QTest::addColumn<int>("edit");
        QTest::newRow("add") << int(AddShape);
        QTest::newRow("tag") << int(TagShape);
        QTest::newRow("drag") << int(DragShape);
        QTest::newRow("delete") << int(DeleteShape);
        QTest::newRow("style") << int(ChangeStyle);
        QTest::newRow("corner") << int(MoveCorner);
        QTest::newRow("tag found") << int(FindTag);
        QTest::newRow("recent tag key") << int(RecentTag);
        QTest::newRow("repeat shapes") << int(RepeatShapes);
        QTest::newRow("undo") << int(UndoStep);
        QTest::newRow("redo") << int(RedoStep);
    }

    void everyEditIsRefusedOnAnImageHeldByAnother()
    {
        QFETCH(int, edit);
        // Laid out by hand, which a save would rewrite.
        const QByteArray original = "2\n4 10 10 60 10 60 60 10 60\n2 0 0 2 1\n";
        QVERIFY(writeFileBytes(pathOf("a.lbl"), original));
        QVERIFY(writeFileBytes(pathOf("b.lbl"), original));
        Claim bob = Claim::ofThisProcess("bob");
        bob.pid = 1; // lives as long as the test
        QVERIFY(QDir().mkpath(pathOf(".quadrotag/claims")));
        QVERIFY(writeFileBytes(claimPathFor(batch[1]), bob.toBytes()));
        openBatch(batch);
        pressKey(Qt::Key_Down);
        const QString note =
            "Held by bob since " + bob.since.toLocalTime().toString("hh:mm") + ": read only";
        QCOMPARE(status(), note);
        const ImageAnnotation before = annotation();
        const QStringList files = QDir(dir->path()).entryList(QDir::Files | QDir::Hidden);

        window->statusBar()->showMessage("-");
        makeEdit(Edit(edit));
        QCOMPARE(annotation(), before);
        QCOMPARE(styleChooser()->currentIndex(), before.styleIndex);
        QCOMPARE(window->editHistory().count(), 0);
        QCOMPARE(status(), note);

        pressKey(Qt::Key_S, Qt::ControlModifier);
        pressKey(Qt::Key_Down);
        QCOMPARE(status(), "3/3  " + batch[2]);
        QCOMPARE(fileBytes(pathOf("b.lbl")), original);
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden), files);
        QVERIFY(!QFile::exists(pathOf(".quadrotag/log")));
        QCOMPARE(fileBytes(claimPathFor(batch[1])), bob.toBytes());
    }

    void titleMarksUnsavedEdits()
    {
        openBatch(batch);
        window->winId();
        auto title = [this] { return window->windowHandle()->title(); };
        QCOMPARE(title(), QString("Quadrotag"));
        // An untagged shape is nothing a save would store.
        makeEdit(AddShape);
        QCOMPARE(title(), QString("Quadrotag"));
        clickTag(0, 0);
        QCOMPARE(title(), QString("Quadrotag*"));
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(title(), QString("Quadrotag"));
        makeEdit(ChangeStyle);
        QCOMPARE(title(), QString("Quadrotag*"));
        pressKey(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(title(), QString("Quadrotag"));
        pressKey(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(title(), QString("Quadrotag*"));
        pressKey(Qt::Key_Down);
        QCOMPARE(title(), QString("Quadrotag"));
    }

    void finderChoosesForTheActiveShape()
    {
        openBatch(batch);
        drawSquare(20, 20, 50);
        pressKey(Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), finder());
        typeKeys(QStringLiteral("m: U1"));
        // Up and Down step through the matches, not through the batch.
        typeKey(Qt::Key_Down);
        QCOMPARE(window->imageSession().imagePath(), batch[0]);
        typeKey(Qt::Key_Return);
        QCOMPARE(annotation().labels[0].tags, (std::vector<std::pair<int, int>>{{5, 5}}));
        QCOMPARE(annotation().labels[0].text, QString("M: U10\n"));
        QCOMPARE(finder()->text(), QString());
        QCOMPARE(QApplication::focusWidget(), viewer());
        checkActiveShape(0);

        // Esc leaves the shape and the drawing alone.
        pressKey(Qt::Key_T, Qt::ControlModifier);
        typeKeys(QStringLiteral("s1"));
        typeKey(Qt::Key_Escape);
        QCOMPARE(finder()->text(), QString());
        QCOMPARE(QApplication::focusWidget(), viewer());
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        QCOMPARE(window->editHistory().count(), 2);

        QTest::mouseClick(canvas(), Qt::RightButton, {}, QPoint(300, 250));
        pressKey(Qt::Key_T, Qt::ControlModifier);
        typeKeys(QStringLiteral("s1"));
        typeKey(Qt::Key_Return);
        QCOMPARE(status(), QString("No active shape to tag"));
        QCOMPARE(finder()->text(), QString("s1"));
        QCOMPARE(window->editHistory().count(), 2);
    }

    void recentTagsOnTheNumberKeys()
    {
        openBatch(batch);
        drawSquare(20, 20, 50);
        clickTag(0, 0);
        clickTag(2, 2);
        clickTag(0, 0);
        clickTag(4, 1);
        QCOMPARE(recentStrip()->text(), QString("1 M: U1  2 K: T2  3 S1"));

        drawSquare(100, 20, 50);
        QCOMPARE(QApplication::focusWidget(), viewer());
        typeKey(Qt::Key_3);
        QCOMPARE(annotation().labels[1].tags, (std::vector<std::pair<int, int>>{{0, 0}}));
        QCOMPARE(recentStrip()->text(), QString("1 S1  2 M: U1  3 K: T2"));
        typeKey(Qt::Key_3);
        typeKey(Qt::Key_9);
        QCOMPARE(annotation().labels[1].tags, (std::vector<std::pair<int, int>>{{0, 0}, {2, 2}}));
        QCOMPARE(window->editHistory().count(), 8);
        checkActiveShape(1);

        // In the finder a digit is text.
        pressKey(Qt::Key_T, Qt::ControlModifier);
        typeKey(Qt::Key_1);
        QCOMPARE(finder()->text(), QString("1"));
        QCOMPARE(window->editHistory().count(), 8);
    }

    void repeatsTheShapesOfThePreviousImage()
    {
        QVERIFY(writeFileBytes(pathOf("a.lbl"), "3\n4 10 10 60 10 60 60 10 60 \n2 0 0 2 1 \n"
                                                "4 100 10 160 10 160 60 100 60 \n1 4 1 \n"));
        openBatch(batch);
        pressKey(Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(status(), QString("No shapes stored for the previous image"));
        QCOMPARE(window->editHistory().count(), 0);

        pressKey(Qt::Key_Down);
        drawSquare(200, 100, 50);
        clickTag(0, 5);
        styleChooser()->setCurrentIndex(7);
        const ImageAnnotation own = annotation();
        pressKey(Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(annotation().labels.size(), std::size_t(3));
        QCOMPARE(annotation().labels[0], own.labels[0]);
        QCOMPARE(annotation().labels[1].text, QString("S1\nK: T1\n"));
        QCOMPARE(annotation().labels[2].points.front(), QPoint(100, 10));
        QCOMPARE(annotation().styleIndex, 7);
        checkActiveShape(2);
        pressKey(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(annotation(), own);

        // The previous image as saved: without a label file there is nothing to repeat.
        pressKey(Qt::Key_Down);
        QVERIFY(QFile::remove(pathOf("b.lbl")));
        pressKey(Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(status(), QString("No shapes stored for the previous image"));
        QVERIFY(annotation().labels.empty());
    }

    void tagTogglesAreIgnoredWhileAShapeIsHeld_data()
    {
        QTest::addColumn<QString>("toggle");
        QTest::newRow("cell click") << "click";
        QTest::newRow("number key") << "number";
        QTest::newRow("finder's Enter") << "finder";
    }

    // A step recorded mid-drag would leave undo unable to bring the shape back.
    void tagTogglesAreIgnoredWhileAShapeIsHeld()
    {
        QFETCH(QString, toggle);
        openBatch(batch);
        drawSquare(100, 10, 50);
        clickTag(0, 0);
        QTest::mousePress(canvas(), Qt::RightButton, {}, {120, 30});
        QTest::mouseMove(canvas(), {130, 50});
        if (toggle == "click") {
            clickTag(0, 3);
        } else if (toggle == "number") {
            QCOMPARE(recentStrip()->text(), QString("1 S1"));
            typeKey(Qt::Key_1);
        } else {
            pressKey(Qt::Key_T, Qt::ControlModifier);
            typeKeys(QStringLiteral("s4"));
            typeKey(Qt::Key_Return);
            // Still there for when the shape is let go.
            QCOMPARE(finder()->text(), QString("s4"));
        }
        QTest::mouseMove(canvas(), {140, 60});
        QTest::mouseRelease(canvas(), Qt::RightButton, {}, {140, 60});
        QCOMPARE(annotation().labels[0].tags, (std::vector<std::pair<int, int>>{{0, 0}}));
        QCOMPARE(selectedCells(), (std::set<std::pair<int, int>>{{0, 0}}));
        QCOMPARE(annotation().labels[0].points[0], QPoint(120, 40));
        pressKey(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(annotation().labels[0].points[0], QPoint(100, 10));
        QCOMPARE(annotation().labels[0].tags, (std::vector<std::pair<int, int>>{{0, 0}}));
    }

    void repeatedCornersStayOnTheImage_data()
    {
        QTest::addColumn<QByteArray>("previous");
        QTest::addColumn<QByteArray>("repeated");
        QTest::addColumn<QString>("note");
        const QByteArray inside = "4 10 10 60 10 60 60 10 60 \n1 0 0 \n";
        const QByteArray right = "4 120 10 180 10 180 60 120 60 \n1 0 1 \n";
        // The next image is 100 x 80 pixels.
        QTest::newRow("inside") << "0\n" + inside << "0\n" + inside << "";
        QTest::newRow("last column and row kept")
            << QByteArray("0\n4 50 50 99 50 99 79 50 79 \n1 0 0 \n")
            << QByteArray("0\n4 50 50 99 50 99 79 50 79 \n1 0 0 \n") << "";
        QTest::newRow("past the right and the bottom")
            << QByteArray("0\n4 50 50 150 50 150 150 50 150 \n1 0 0 \n")
            << QByteArray("0\n4 50 50 99 50 99 79 50 79 \n1 0 0 \n") << "";
        QTest::newRow("past the left and the top")
            << QByteArray("0\n4 -20 -20 30 -20 30 30 -20 30 \n1 0 0 \n")
            << QByteArray("0\n4 0 0 30 0 30 30 0 30 \n1 0 0 \n") << "";
        QTest::newRow("one wholly outside") << "0\n" + right + inside << "0\n" + inside
                                            << "Skipped 1 shape that lies outside this image";
        QTest::newRow("all outside") << "0\n" + right + right << QByteArray("0\n")
                                     << "Skipped 2 shapes that lie outside this image";
    }

    // Ctrl+R onto a smaller image: corners stay on it, as they do everywhere else.
    void repeatedCornersStayOnTheImage()
    {
        QFETCH(QByteArray, previous);
        QFETCH(QByteArray, repeated);
        QFETCH(QString, note);
        QVERIFY(writeFileBytes(pathOf("a.lbl"), previous));
        QVERIFY(writeTestJpeg(pathOf("small.jpg"), 100, 80, 128));
        openBatch({batch[0], pathOf("small.jpg")});
        pressKey(Qt::Key_Down);
        pressKey(Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(bytesOf(annotation()), repeated);
        QCOMPARE(window->editHistory().count(), repeated == "0\n" ? 0 : 1);
        if (!note.isEmpty())
            QCOMPARE(status(), note);
        else
            QCOMPARE(status(), "2/2  " + pathOf("small.jpg"));
    }

    void historyKeepsTheNewestTwoHundredSteps()
    {
        openBatch(batch);
        for (int step = 0; step < 205; ++step)
            styleChooser()->setCurrentIndex(1 + step % 2);
        QCOMPARE(window->editHistory().count(), 200);
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

    // Another edit between two runs of nudges keeps them apart in the history.
    void nudgeRunsEndWithAnotherEdit()
    {
        QVERIFY(writeFileBytes(pathOf("a.lbl"), "2\n4 10 10 60 10 60 60 10 60 \n2 0 0 2 1 \n"));
        openBatch(batch);
        QTest::mouseClick(canvas(), Qt::RightButton, {}, QPoint(30, 30));
        pressKey(Qt::Key_Right, Qt::AltModifier);
        pressKey(Qt::Key_Right, Qt::AltModifier);
        styleChooser()->setCurrentIndex(5);
        pressKey(Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(window->editHistory().count(), 3);
        QCOMPARE(annotation().labels[0].points[0], QPoint(12, 11));
        pressKey(Qt::Key_Z, Qt::ControlModifier);
        pressKey(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(annotation().labels[0].points[0], QPoint(12, 10));
        pressKey(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(annotation().labels[0].points[0], QPoint(10, 10));
    }
};

QTEST_MAIN(TestEditing)
#include "test_editing.moc"
