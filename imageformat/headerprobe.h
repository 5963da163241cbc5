#ifndef QUADROTAG_HEADERPROBE_H
#define QUADROTAG_HEADERPROBE_H

#include <QByteArray>
#include <QSize>
#include <QString>

enum class ImageFormat { None, Jpeg, Png, WebP, Tiff, Bmp };

// The format that a file's first bytes (twelve suffice) announce.
ImageFormat formatOfFirstBytes(const QByteArray& start);

// What an image file's header tells before any pixel is decoded.
struct HeaderFacts
{
    ImageFormat format = ImageFormat::None;
    // Upright, after the EXIF orientation; invalid when the header tells no size.
    QSize size;
    // The EXIF orientation (1 to 8) the pixels of a format other than JPEG are decoded in and
    // have to be turned from; the JPEG decoder turns its own.
    int orientation = 1;
    // An alpha channel that the pixels are to be shown over.
    bool hasAlpha = false;
    // A TIFF with pages after the first, which alone is shown.
    bool hasMorePages = false;
    // What the decoder holds for each pixel before it is made 8 bits a channel: at most 8 bytes
    // in the other formats, any number in a TIFF (floats of 8 bytes, dozens of samples).
    qint64 storedBytesPerPixel = 4;

    bool operator==(const HeaderFacts& other) const;
};

// Reads only a file's header. A FIFO, a device or a folder tells nothing, and so does a file
// whose header is cut short or claims no pixels.
HeaderFacts probeImageHeader(const QString& path);
// The same from a whole file's bytes, read before.
HeaderFacts probeImageHeaderOf(const QByteArray& bytes);
// An image by its name (see imagenames.h) and by its first bytes.
bool isImageFile(const QString& path);

#endif
