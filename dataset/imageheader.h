#ifndef QUADROTAG_IMAGEHEADER_H
#define QUADROTAG_IMAGEHEADER_H

#include <QSize>
#include <QString>

// The size of an image as the operator saw it, after its EXIF orientation, read from the
// header alone. False with the reader's reason when the header does not decode.
bool readImageSize(const QString& imagePath, QSize& size, QString& error);

#endif
