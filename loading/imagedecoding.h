#ifndef QUADROTAG_IMAGEDECODING_H
#define QUADROTAG_IMAGEDECODING_H

#include "displayscale.h"
#include "imagefile.h"
#include "screenimage.h"

#include <QSize>
#include <QString>

#include <functional>

class ImageStream;

// The most pixels one image may hold on screen: 48 Mi pixels, 192 MiB at 32 bits, which
// takes a 50-megapixel photograph whole; larger JPEGs are shown reduced. With the image
// on screen, the next one decoded ahead and a decode in flight, the program then stays
// well under a gigabyte.
extern const qint64 screenPixelBudget;
// The most bytes the decoder may hold for one image before its pixels are made 8 bits a
// channel: 384 MiB, a 16-bit image with alpha at the pixel budget.
extern const qint64 decodeByteBudget;

// Decodes the image file at path straight into the layout a pixmap uses (32-bit RGB),
// so that showing it needs no conversion: at full resolution, or, where that would not
// fit the budget, at the least reduction of a JPEG that does. An image beyond the budget
// even then, in pixels or in the bytes its decoder would hold, is refused from its header,
// undecoded, and so is one whose header tells no size. Never throws: a file that can't be
// decoded, whatever the reason, gives a null image. Safe to call from any thread.
ScreenImage decodeImageForScreen(const QString& path);
// The same, but for an image shown at half size or less only as many pixels as still cover
// the screen at that scale: for a JPEG a fraction of the work, any other format decoded whole
// and scaled down. Unless that is all the budget allows anyway, the result is not the
// sharpest, and decodeImageForScreen gives that.
ScreenImage decodePreviewForScreen(const QString& path, const DisplayScale& scale);

// Both read the file first, once, with this: a file larger than the decoder's byte budget is
// left unread and refused from its header.
ImageFile readImageFile(const QString& path);
ScreenImage decodeImageForScreen(const ImageFile& file);
ScreenImage decodePreviewForScreen(const ImageFile& file, const DisplayScale& scale);
// The same for a file still being read: a JPEG is decoded as its bytes arrive, any other format
// once they all have. They return once the whole file was read.
ScreenImage decodeImageForScreen(ImageStream& stream);
ScreenImage decodePreviewForScreen(ImageStream& stream, const DisplayScale& scale);
// Told on the decoding thread after each row of a JPEG whose rows are stored upright: the image
// so far, whose pixels below the first `rows` full-resolution rows are not yet written.
using RowsArriving = std::function<void(const ScreenImage& sofar, int rows)>;
ScreenImage decodeImageForScreen(ImageStream& stream, const RowsArriving& rowsArriving);

#endif
