#ifndef QUADROTAG_VIEWSETTINGS_H
#define QUADROTAG_VIEWSETTINGS_H

#include "viewadjustment.h"

// How the operator likes to look at the images, kept in the program's settings between
// runs. Values a settings file holds outside the ranges come back held within them.
ViewAdjustment storedViewAdjustment();
void storeViewAdjustment(const ViewAdjustment& adjustment);
bool storedDarkPalette();
void storeDarkPalette(bool dark);

#endif
