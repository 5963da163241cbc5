#ifndef QUADROTAG_ACTIONKEYS_H
#define QUADROTAG_ACTIONKEYS_H

namespace Ui {
class QuadrotagClass;
}

// Gives the actions of the form the keys that one shortcut field can't hold: the other
// keys operators know for Redo and Zoom In.
void addAlternativeKeys(Ui::QuadrotagClass& ui);

#endif
