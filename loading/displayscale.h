#ifndef QUADROTAG_DISPLAYSCALE_H
#define QUADROTAG_DISPLAYSCALE_H

#include <QSize>

// How large an image is going to be shown: at a zoom kept from image to image, or
// fitted into an area. A plain value, so that it can go along to a decode on a worker.
struct DisplayScale
{
    // Screen pixels per image pixel; used when fitInto is empty.
    double zoom = 1.0;
    // The room each image is fitted into; empty when the zoom is kept.
    QSize fitInto;
    // Where the zoom is kept: the full-resolution rows from an image's top down to the view's
    // bottom edge, all that is seen of it; 0 when not known.
    int rowsToViewBottom = 0;

    double scaleFor(const QSize& imageSize) const;
    // Whether an image may be shown at half its size or less, where a reduced decode
    // covers the screen.
    bool mayShowReduced() const;
};

#endif
