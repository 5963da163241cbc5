#include "actionkeys.h"

#include "ui_quadrotag.h"

const char platformKeysProperty[] = "platformKeys";

namespace {

// The keys every platform gives, then those this one adds; a key listed twice would make the
// shortcut ambiguous.
void giveKeys(QAction* action, const QList<QKeySequence>& everywhere,
              QKeySequence::StandardKey standard)
{
    QList<QKeySequence> platformKeys;
    for (const QKeySequence& key : QKeySequence::keyBindings(standard))
        if (!everywhere.contains(key) && !platformKeys.contains(key))
            platformKeys.append(key);
    action->setShortcuts(everywhere + platformKeys);
    action->setProperty(platformKeysProperty, QVariant::fromValue(platformKeys));
}

} // namespace

void addAlternativeKeys(Ui::QuadrotagClass& ui)
{
    giveKeys(ui.actionUndo, {QKeySequence(Qt::CTRL | Qt::Key_Z)}, QKeySequence::Undo);
    // Ctrl+Y as well, which many operators know from other programs.
    giveKeys(ui.actionRedo,
             {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
             QKeySequence::Redo);
    // Ctrl+= too, so that zooming in needs no Shift where plus shares the key with equals.
    ui.actionZoom_In->setShortcuts(
        {ui.actionZoom_In->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
}
