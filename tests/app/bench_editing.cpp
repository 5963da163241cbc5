// Editing through the real window on an image with 1,000 tagged shapes, with every
// edit recorded in the undo history.
#include "quadrotag.h"
#include "workflowfixture.h"

#include <QtTest>

class BenchEditing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void dragStep();
    void wholeDragRecorded();
    void undoAndRedoOfADrag();

private:
    ImageWidget* canvas() const { return window->findChild<ImageViewer*>()->imageWidget(); }
    void pressOnDraggedShape();
    void send(QEvent::Type type, Qt::MouseButton button, const QPoint& position);

    QTemporaryDir dir;
    QString previousDirectory;
    std::unique_ptr<Quadrotag> window;
    const int shapeCount = 1000;
    // The middle shape of the grid; its corner (x, y) is in view.
    const QPoint grabPoint{20 * 47 + 30, 12 * 41 + 20};
};

void BenchEditing::initTestCase()
{
    QVERIFY(writeFileBytes(dir.filePath("tags"), testVocabulary));
    QVERIFY(writeTestJpeg(dir.filePath("room.jpg"), 1920, 1080, 150));
    QByteArray labels = "0\n";
    for (int i = 0; i < shapeCount; ++i) {
        const int x = (i % 40) * 47 + 5;
        const int y = (i / 40) * 41 % 1000 + 5;
        for (const int number : {4, x, y, x + 40, y + 4, x + 38, y + 35, x - 3, y + 33})
            labels += QByteArray::number(number) + ' ';
        labels +=
            "\n2 0 " + QByteArray::number(i % 6) + " 2 " + QByteArray::number(1 + i % 5) + " \n";
    }
    QVERIFY(writeFileBytes(dir.filePath("room.lbl"), labels));
    previousDirectory = QDir::currentPath();
    QDir::setCurrent(dir.path());
    window = std::make_unique<Quadrotag>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->openImages({dir.filePath("room.jpg")});
    QCOMPARE(int(window->imageAnnotation().labels.size()), shapeCount);
    window->findChild<ImageViewer*>()->ensureVisible(grabPoint.x(), grabPoint.y(), 200, 200);
    QCoreApplication::processEvents();
}

void BenchEditing::cleanupTestCase()
{
    window.reset();
    QDir::setCurrent(previousDirectory);
}

// Straight to the canvas, as the window system delivers them during a right drag.
void BenchEditing::send(QEvent::Type type, Qt::MouseButton button, const QPoint& position)
{
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::RightButton;
    QMouseEvent event(type, QPointF(position), QPointF(canvas()->mapToGlobal(position)), button,
                      held, Qt::NoModifier);
    QApplication::sendEvent(canvas(), &event);
}

void BenchEditing::pressOnDraggedShape()
{
    StdoutCapture quiet;
    send(QEvent::MouseButtonPress, Qt::RightButton, grabPoint);
}

// One mouse move of a drag, painted: what the operator waits for 60 times a second.
void BenchEditing::dragStep()
{
    pressOnDraggedShape();
    // The moves must reach the shape, or the benchmark would time nothing.
    const QPoint corner = window->imageAnnotation().labels[shapeCount / 2].points[0];
    send(QEvent::MouseMove, Qt::NoButton, grabPoint + QPoint(10, -5));
    QCOMPARE(window->imageAnnotation().labels[shapeCount / 2].points[0], corner + QPoint(10, -5));
    int step = 0;
    QBENCHMARK
    {
        send(QEvent::MouseMove, Qt::NoButton,
             grabPoint + QPoint(step % 2 ? 10 : 0, step % 2 ? -5 : 0));
        ++step;
        QCoreApplication::processEvents();
    }
    // Qt Test may run this function again: leave the shape where it was.
    send(QEvent::MouseMove, Qt::NoButton, grabPoint);
    send(QEvent::MouseButtonRelease, Qt::RightButton, grabPoint);
}

// Press, one move and release: the release records the drag as one undo step.
void BenchEditing::wholeDragRecorded()
{
    const int before = window->editHistory().count();
    bool away = false;
    auto dragOnce = [&] {
        pressOnDraggedShape();
        away = !away;
        const QPoint to = grabPoint + QPoint(away ? 10 : -10, 0);
        send(QEvent::MouseMove, Qt::NoButton, to);
        send(QEvent::MouseButtonRelease, Qt::RightButton, to);
        QCoreApplication::processEvents();
    };
    QBENCHMARK
    {
        dragOnce();
    }
    // Back where it started, for the next run of this function.
    if (away)
        dragOnce();
    // Every drag is a step, up to the history's limit.
    QVERIFY(window->editHistory().count() > before || window->editHistory().count() == 200);
}

void BenchEditing::undoAndRedoOfADrag()
{
    auto* undo = window->findChild<QAction*>("actionUndo");
    auto* redo = window->findChild<QAction*>("actionRedo");
    QVERIFY(undo->isEnabled());
    QBENCHMARK
    {
        undo->trigger();
        QCoreApplication::processEvents();
        redo->trigger();
        QCoreApplication::processEvents();
    }
}

QTEST_MAIN(BenchEditing)
#include "bench_editing.moc"
