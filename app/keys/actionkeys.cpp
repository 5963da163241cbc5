#include "actionkeys.h"

#include "ui_quadrotag.h"

void addAlternativeKeys(Ui::QuadrotagClass& ui)
{
    // Ctrl+Y as well, which many operators know from other programs; a key listed
    // twice would make the shortcut ambiguous.
    QList<QKeySequence> redoKeys = {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                    QKeySequence(Qt::CTRL | Qt::Key_Y)};
    for (const QKeySequence& key : QKeySequence::keyBindings(QKeySequence::Redo))
        if (!redoKeys.contains(key))
            redoKeys.append(key);
    ui.actionRedo->setShortcuts(redoKeys);
    ui.actionUndo->setShortcuts(QKeySequence::Undo);
    // Ctrl+= too, so that zooming in needs no Shift where plus shares the key with equals.
    ui.actionZoom_In->setShortcuts(
        {ui.actionZoom_In->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
}
