#ifndef QUADROTAG_TIFFSTRUCTURE_H
#define QUADROTAG_TIFFSTRUCTURE_H

#include <QByteArray>
#include <QSize>

#include <functional>

// What the first directory of a TIFF structure tells: a TIFF file's, or the EXIF block that
// PNG and WebP files carry in the same layout.
struct TiffFacts
{
    bool readable = false;
    // Empty when the directory names no width or height (an EXIF block names none).
    QSize size;
    // EXIF orientation, 1 to 8; 1 when not given or out of range.
    int orientation = 1;
    bool hasExtraSamples = false;
    bool hasNextPage = false;
    // How the decoder stores a pixel: a float TIFF takes 4 or 8 bytes a sample.
    int samplesPerPixel = 1;
    int bitsPerSample = 1;
};

// readAt gives up to length bytes at an offset from the structure's first byte, fewer at
// its end. Only the first directory is read, whatever the number of pages.
TiffFacts readTiffStructure(const std::function<QByteArray(qint64, int)>& readAt);

#endif
