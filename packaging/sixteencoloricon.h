#ifndef QUADROTAG_PACKAGING_SIXTEENCOLORICON_H
#define QUADROTAG_PACKAGING_SIXTEENCOLORICON_H

#include <QByteArray>
#include <QImage>

#include <vector>

// The bytes of a Windows icon file (.ico) holding the given images, each as a 16-colour
// bitmap (4 bits per pixel) with a transparency mask. All images share one palette: black
// first (it also stands under transparent pixels), then the 15 opaque colours that occur most
// often; every other colour takes the nearest palette entry. A pixel is transparent when its
// alpha is below half. Images wider or taller than 256 pixels are not representable.
QByteArray encodeSixteenColorIcon(const std::vector<QImage>& images);

#endif
