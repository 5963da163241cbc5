#ifndef QUADROTAG_TESTS_EDITINGTEST_H
#define QUADROTAG_TESTS_EDITINGTEST_H

#include "windowtest.h"

#include <QByteArray>
#include <QPoint>
#include <QString>

class RecentTagStrip;
class TagFinder;

// The operator's edits on the real window, each as its keys and clicks: what the tests of
// editing, drawing and the gate that refuses edits all make.
class EditingTest : public WindowTest
{
    Q_OBJECT

protected:
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
        RedoStep,
        NudgeShape,
        PasteShape,
        AcceptImage,
        RejectImage,
        PinNote,
        SaveImage
    };

    TagFinder* finder() const;
    RecentTagStrip* recentStrip() const;
    // Keys as the operator types them: to the widget that has the keyboard.
    void typeKeys(const QString& text);
    void typeKey(Qt::Key key);
    // One operator edit on an image whose first shape covers (10, 10) to (60, 60).
    void makeEdit(Edit edit);
    // A right drag of the active shape's handle at this corner, all in canvas positions.
    void dragCorner(const QPoint& from, const QPoint& to);
    QPoint onCanvas(const QPoint& imagePoint) const;

    static inline const QByteArray square = "0\n4 100 100 200 100 200 200 100 200 \n1 0 0 \n";
};

#endif
