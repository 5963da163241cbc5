#include "editingtest.h"

#include "quadrotag.h"
#include "recenttagstrip.h"
#include "tagfinder.h"
#include "workflowfixture.h"

#include <QLineEdit>
#include <QMenu>
#include <QtTest>

// Editing on the real window: every edit one step of the undo history, the title's mark,
// the tag finder, the recent tags and the shapes repeated from the previous image.
class TestEditing : public EditingTest
{
    Q_OBJECT

private slots:
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

    void numberKeysReachTheShapeUnlessTyped_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("toggles");
        QTest::newRow("after a click in the tag table") << "table" << true;
        QTest::newRow("after the finder closed") << "finder closed" << true;
        QTest::newRow("typed into the Images filter") << "filter" << false;
        QTest::newRow("typed into the finder") << "finder" << false;
    }

    // The recent tag keys, without a click on the canvas first; in a text field digits are text.
    void numberKeysReachTheShapeUnlessTyped()
    {
        QFETCH(QString, focus);
        QFETCH(bool, toggles);
        openBatch(batch);
        drawSquare(100, 10, 50);
        clickTag(0, 0);
        clickTag(0, 3);
        QCOMPARE(recentStrip()->text(), QString("1 S4  2 S1"));
        auto* filter = window->findChild<QLineEdit*>(QStringLiteral("filterField"));
        QVERIFY(filter);
        if (focus == "filter") {
            filter->setFocus(Qt::MouseFocusReason);
        } else if (focus.startsWith("finder")) {
            pressKey(Qt::Key_T, Qt::ControlModifier);
            if (focus == "finder closed")
                typeKey(Qt::Key_Escape);
        }
        typeKey(Qt::Key_2);
        const std::vector<std::pair<int, int>> before{{0, 0}, {0, 3}};
        const std::vector<std::pair<int, int>> toggled{{0, 3}};
        QCOMPARE(annotation().labels[0].tags, toggles ? toggled : before);
        if (focus == "filter")
            QCOMPARE(filter->text(), QString("2"));
        if (focus == "finder")
            QCOMPARE(finder()->text(), QString("2"));
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
};

QTEST_MAIN(TestEditing)
#include "test_editing.moc"
