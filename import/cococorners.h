#ifndef QUADROTAG_COCOCORNERS_H
#define QUADROTAG_COCOCORNERS_H

#include "prediction.h"

#include <rapidjson/document.h>

// The corners of a COCO annotation: the polygon of its segmentation when it has four corners,
// the quadrilateral fitted to a larger polygon or a mask, else its box. False when it has none
// of these, with the reason in prediction.error when a segmentation was refused. A mask of
// another size than imageSize, when that is known, is refused before it is decoded.
bool cornersOf(const rapidjson::Value& annotation, Prediction& prediction,
               const QSize& imageSize = QSize());

#endif
