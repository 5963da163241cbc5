#ifndef QUADROTAG_JPEGORIENTATION_H
#define QUADROTAG_JPEGORIENTATION_H

#include <QByteArray>

// The EXIF orientation (1 to 8) OpenCV's JPEG decoder turns a JPEG by, told by the segments that
// stand before its pixels (every APPn and COM segment, with marker and length, in the file's
// order); 0 where it can't be told. Every image shown so far was turned so, and the shapes drawn
// on it are measured in that turn: OpenCV itself reads them, on a stand-in picture.
int openCvJpegOrientation(const QByteArray& segments);

#endif
