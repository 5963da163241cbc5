#ifndef QUADROTAG_PACKAGING_APPICONDRAWING_H
#define QUADROTAG_PACKAGING_APPICONDRAWING_H

#include <QImage>

// The program's icon: a photo with a tilted four-corner shape outlined on it and a tag hung
// on the shape. Drawn afresh at every size, so small sizes keep lines at least a pixel wide.
QImage drawAppIcon(int size);

#endif
