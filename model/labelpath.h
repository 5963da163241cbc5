#ifndef QUADROTAG_LABELPATH_H
#define QUADROTAG_LABELPATH_H

#include <QString>

// The label file of an image: the image path up to the last "." of its file name,
// followed by ".lbl"; a file name without a "." gets ".lbl" appended.
QString labelPathFor(const QString& imagePath);

// Where the unsaved state of an image is kept against a crash: a hidden file beside its
// label file, "." + the label file's name + ".recovery".
QString recoveryPathFor(const QString& labelPath);

#endif
