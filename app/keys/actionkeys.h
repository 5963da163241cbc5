#ifndef QUADROTAG_ACTIONKEYS_H
#define QUADROTAG_ACTIONKEYS_H

namespace Ui {
class QuadrotagClass;
}

// The property of an action that lists those of its keys only this platform gives it.
extern const char platformKeysProperty[];

// Gives the actions of the form the keys that one shortcut field can't hold: the other
// keys operators know for Redo and Zoom In, and the platform's own for Undo and Redo.
void addAlternativeKeys(Ui::QuadrotagClass& ui);

#endif
