#ifndef QUADROTAG_LABELKEEPER_H
#define QUADROTAG_LABELKEEPER_H

#include <QString>

// The file name of the image beside this one that keeps their shared label file ("x.jpg" for
// "x.JPG" or "x.png"), found by asking for each image suffix in each letter case rather than
// listing the folder; empty when this image keeps its own.
QString labelKeeperOnDisk(const QString& imagePath);

#endif
