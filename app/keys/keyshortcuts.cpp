#include "keyshortcuts.h"

#include "keyshortcutsdialog.h"

#include <QMenu>
#include <QWidget>

KeyShortcuts::KeyShortcuts() : openAction(QStringLiteral("Keyboard Shortcuts…"))
{
    openAction.setObjectName(QStringLiteral("actionKeyboard_Shortcuts"));
    openAction.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    connect(&openAction, &QAction::triggered, this, &KeyShortcuts::openDialog);
}

void KeyShortcuts::install(QWidget* window, QMenu* functionMenu)
{
    owner = window;
    functionMenu->addAction(&openAction);
    map.collect(window);
    map.load();
}

void KeyShortcuts::openDialog()
{
    if (shown) {
        shown->raise();
        shown->activateWindow();
        return;
    }
    shown = new KeyShortcutsDialog(map, owner);
    shown->setAttribute(Qt::WA_DeleteOnClose);
    shown->open();
    shown->activateWindow();
}

KeyShortcutsDialog* KeyShortcuts::dialog() const
{
    return shown;
}
