#ifndef QUADROTAG_IMAGEDECODING_H
#define QUADROTAG_IMAGEDECODING_H

#include "screenimage.h"

#include <QSize>
#include <QString>

// The most pixels one image may hold on screen: 48 Mi pixels, 192 MiB at 32 bits, which
// takes a 50-megapixel photograph whole. With the image on screen, the next one decoded
// ahead and a decode in flight, the program then stays well under a gigabyte.
extern const qint64 screenPixelBudget;

// The upright size of the image at path as its header gives it, without decoding any
// pixels; empty when the header can't be read.
QSize imageHeaderSize(const QString& path);

// Decodes the image file at path straight into the layout a pixmap uses (32-bit RGB),
// so that showing it needs no conversion. An image whose header claims more pixels than
// the budget is refused unread. Never throws: a file that can't be decoded, whatever
// the reason, gives a null image. Safe to call from any thread.
ScreenImage decodeImageForScreen(const QString& path);

#endif
