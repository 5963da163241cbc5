#include "editingtest.h"

#include "quadrotag.h"
#include "recenttagstrip.h"
#include "tagfinder.h"

#include <QtTest>

TagFinder* EditingTest::finder() const
{
    return window->findChild<TagFinder*>();
}

RecentTagStrip* EditingTest::recentStrip() const
{
    return window->findChild<RecentTagStrip*>();
}

void EditingTest::typeKeys(const QString& text)
{
    QTest::keyClicks(QApplication::focusWidget(), text);
}

void EditingTest::typeKey(Qt::Key key)
{
    QTest::keyClick(QApplication::focusWidget(), key);
}

void EditingTest::makeEdit(Edit edit)
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
    case NudgeShape:
        QTest::mouseClick(canvas(), Qt::RightButton, {}, onShape);
        pressKey(Qt::Key_Right, Qt::AltModifier);
        break;
    case PasteShape:
        QTest::mouseClick(canvas(), Qt::RightButton, {}, onShape);
        pressKey(Qt::Key_C, Qt::ControlModifier);
        pressKey(Qt::Key_V, Qt::ControlModifier);
        break;
    case AcceptImage:
        pressKey(Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        break;
    case RejectImage:
        pressKey(Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
        break;
    case PinNote:
        QTest::mouseClick(canvas(), Qt::LeftButton, Qt::AltModifier, QPoint(120, 120));
        break;
    case SaveImage:
        pressKey(Qt::Key_S, Qt::ControlModifier);
        break;
    }
}

// A right drag of the active shape's handle at this corner, all in canvas positions.
void EditingTest::dragCorner(const QPoint& from, const QPoint& to)
{
    QTest::mousePress(canvas(), Qt::RightButton, {}, from);
    QTest::mouseMove(canvas(), (from + to) / 2);
    QTest::mouseMove(canvas(), to);
    QTest::mouseRelease(canvas(), Qt::RightButton, {}, to);
}

QPoint EditingTest::onCanvas(const QPoint& imagePoint) const
{
    return canvas()->viewTransform().toCanvas(imagePoint).toPoint();
}
