#ifndef QUADROTAG_AGREEMENTTHUMBNAIL_H
#define QUADROTAG_AGREEMENTTHUMBNAIL_H

#include <QString>

// A small JPEG of an image with the first operator's shapes drawn in one colour and the
// second's in another, as a data: URI for the page; empty when the image does not decode.
QString agreementThumbnail(const QString& imagePath, const QString& labelPathA,
                           const QString& labelPathB);

#endif
