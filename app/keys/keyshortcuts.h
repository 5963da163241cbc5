#ifndef QUADROTAG_KEYSHORTCUTS_H
#define QUADROTAG_KEYSHORTCUTS_H

#include "keymap.h"

#include <QAction>
#include <QObject>
#include <QPointer>

class KeyShortcutsDialog;
class QMenu;
class QWidget;

// Function → Keyboard Shortcuts…: the operator's keys for every action of the window.
class KeyShortcuts : public QObject
{
    Q_OBJECT

public:
    KeyShortcuts();

    // Adds the menu entry, then takes every action the window has by now, with the keys they
    // start with as defaults, and gives them the operator's keys.
    void install(QWidget* window, QMenu* functionMenu);
    KeyMap& keyMap() { return map; }
    void openDialog();
    // The dialog while it is open.
    KeyShortcutsDialog* dialog() const;

private:
    QAction openAction;
    KeyMap map;
    QPointer<QWidget> owner;
    QPointer<KeyShortcutsDialog> shown;
};

#endif
