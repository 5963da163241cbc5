#ifndef QUADROTAG_LABELPATH_H
#define QUADROTAG_LABELPATH_H

#include <QString>

// The label file of an image: the image path up to the last "." of its file name,
// followed by ".lbl"; a file name without a "." gets ".lbl" appended.
QString labelPathFor(const QString& imagePath);

#endif
