#ifndef QUADROTAG_DARKPALETTE_H
#define QUADROTAG_DARKPALETTE_H

#include <QPalette>

// A dark palette for the Fusion style: light text on dark grey, with disabled text
// dimmed and a blue that stays readable as highlight and link.
QPalette darkPalette();

#endif
