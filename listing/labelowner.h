#ifndef QUADROTAG_LABELOWNER_H
#define QUADROTAG_LABELOWNER_H

#include <QStringList>

// Of images of one folder that share one label file ("x.jpg", "x.JPG"), the position of the
// one that keeps it: the first by file name in the order the window lists a folder, however
// the images were named. -1 when there is none.
qsizetype labelOwnerAmong(const QStringList& fileNames);

#endif
