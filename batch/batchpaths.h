#ifndef QUADROTAG_BATCHPATHS_H
#define QUADROTAG_BATCHPATHS_H

#include "labelpath.h"

#include <QString>

#include <string>

// The path as the file system spells it, for OpenCV and the label file functions.
std::string localPath(const QString& path);

// "position/count  path" in at most maxBytes bytes of UTF-8; a path that does not
// fit loses its beginning, so the file name stays readable.
QString statusText(int position, int count, const QString& path, int maxBytes = 1023);

#endif
