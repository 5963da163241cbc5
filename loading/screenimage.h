#ifndef QUADROTAG_SCREENIMAGE_H
#define QUADROTAG_SCREENIMAGE_H

#include <QImage>
#include <QSize>
#include <QString>

// One decode of an image file for the screen: its pixels, perhaps at a fraction of the
// full resolution, and the size of the whole image, which is what shapes are measured in.
struct ScreenImage
{
    // 32-bit RGB; null when the image can't be shown.
    QImage pixels;
    // The upright size in full-resolution pixels; also known when the image was refused
    // for its size, empty when the file could not be read at all.
    QSize fullSize;
    // The image holds more pixels than this program can, so it was not decoded.
    bool tooLarge = false;

    bool isNull() const { return pixels.isNull(); }
    // For the warning about an image that can't be opened: why, when its size is the reason.
    QString refusalNote() const;
};

#endif
