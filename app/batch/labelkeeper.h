#ifndef QUADROTAG_LABELKEEPER_H
#define QUADROTAG_LABELKEEPER_H

#include <QString>

// The file name of the image beside this one that keeps their shared label file ("x.jpg" for
// "x.JPG"), found by asking for each other letter case of the suffix rather than listing the
// folder; empty when this image keeps its own.
QString labelKeeperOnDisk(const QString& imagePath);

#endif
