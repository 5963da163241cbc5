#include "quadrotag.h"
#include "windowtest.h"
#include "workflowfixture.h"

#include <QtTest>

#include <set>
#include <utility>
#include <vector>

// The shapes on the real canvas: a drag from its anchor, Delete on the active shape and
// while a shape is held, captions hidden with Space, tags chosen while drawing.
class TestShapes : public WindowTest
{
    Q_OBJECT

private slots:
    void dragMovesFromTheAnchorWithoutDrift()
    {
        openBatch(batch);
        drawSquare(100, 100, 100);
        QTest::mouseClick(canvas(), Qt::LeftButton, {}, {300, 20}); // starts another shape
        QTest::mousePress(canvas(), Qt::RightButton, {}, {150, 150});
        QTest::mouseMove(canvas(), {160, 145});
        QCOMPARE(annotation().labels[0].points,
                 std::vector<QPoint>({{110, 95}, {210, 95}, {210, 195}, {110, 195}}));
        for (int step = 0; step < 20; ++step)
            QTest::mouseMove(canvas(), {150 + step * 3, 150 - step});
        QTest::mouseMove(canvas(), {150, 150});
        QCOMPARE(annotation().labels[0].points,
                 std::vector<QPoint>({{100, 100}, {200, 100}, {200, 200}, {100, 200}}));
        // The shape stops at the image's corner.
        QTest::mouseMove(canvas(), {40, 40});
        QCOMPARE(annotation().labels[0].points[0], QPoint(0, 0));
        QTest::mouseRelease(canvas(), Qt::RightButton, {}, {40, 40});
        QTest::mouseMove(canvas(), {90, 90});
        QCOMPARE(annotation().labels[0].points[0], QPoint(0, 0));
    }

    void deleteRemovesActiveShapeAndEmptyAnnotationIsSaved()
    {
        QVERIFY(writeFileBytes(pathOf("a.lbl"), "3\n4 10 10 60 10 60 60 10 60 \n1 0 0 \n"
                                                "4 200 10 260 10 260 60 200 60 \n1 0 2 \n"));
        openBatch(batch);
        QCOMPARE(annotation().labels.size(), std::size_t(2));
        QCOMPARE(styleChooser()->currentIndex(), 3);

        pressKey(Qt::Key_Delete);
        QCOMPARE(annotation().labels.size(), std::size_t(2));

        for (const QPoint& inside : {QPoint(30, 30), QPoint(230, 30)}) {
            QTest::mousePress(canvas(), Qt::RightButton, {}, inside);
            QTest::mouseRelease(canvas(), Qt::RightButton, {}, inside);
            pressKey(Qt::Key_Delete);
            QVERIFY(selectedCells().empty());
        }
        QVERIFY(annotation().labels.empty());

        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")), QByteArray("3\n"));
        pressKey(Qt::Key_Down);
        QVERIFY(!QFile::exists(pathOf("b.lbl")));
    }

    // Deleting a shape held by the mouse would record its mid-drag corners.
    void deleteIsIgnoredWhileAShapeIsHeld()
    {
        openBatch(batch);
        drawSquare(10, 10, 50);
        drawSquare(100, 10, 50);
        QTest::mousePress(canvas(), Qt::RightButton, {}, {120, 30});
        QTest::mouseMove(canvas(), {130, 50});
        pressKey(Qt::Key_Delete);
        QTest::mouseMove(canvas(), {140, 60});
        QTest::mouseRelease(canvas(), Qt::RightButton, {}, {140, 60});
        QCOMPARE(annotation().labels.size(), std::size_t(2));
        QCOMPARE(annotation().labels[1].points[0], QPoint(120, 40));
        pressKey(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(annotation().labels[1].points[0], QPoint(100, 10));
    }

    void spaceHidesAndShowsCaptions()
    {
        openBatch(batch);
        drawSquare(20, 20, 100);
        clickTag(0, 0);
        QTest::mouseClick(canvas(), Qt::RightButton, {}, {350, 250});
        const QImage shown = canvas()->grab().toImage();
        pressKey(Qt::Key_Space);
        const QImage hidden = canvas()->grab().toImage();
        QVERIFY(shown != hidden);
        pressKey(Qt::Key_Space);
        QCOMPARE(canvas()->grab().toImage(), shown);
    }

    void tagsChosenWhileDrawingBelongToTheNewShape()
    {
        openBatch(batch);
        drawShape({{20, 20}, {70, 20}});
        clickTag(0, 2);
        drawShape({{70, 70}, {20, 70}});
        QCOMPARE(annotation().labels.at(0).tags, (std::vector<std::pair<int, int>>{{0, 2}}));
        QCOMPARE(selectedCells(), (std::set<std::pair<int, int>>{{0, 2}}));
        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")), QByteArray("0\n4 20 20 70 20 70 70 20 70 \n1 0 2 \n"));
    }
};

QTEST_MAIN(TestShapes)
#include "test_shapes.moc"
