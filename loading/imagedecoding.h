#ifndef QUADROTAG_IMAGEDECODING_H
#define QUADROTAG_IMAGEDECODING_H

#include <QImage>
#include <QString>

// Decodes the image file at path straight into the layout a pixmap uses (32-bit
// RGB), so that showing it needs no conversion. A null image when the file can't
// be decoded. Safe to call from any thread.
QImage decodeImageForScreen(const QString& path);

#endif
