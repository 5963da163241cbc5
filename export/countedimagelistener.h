#ifndef QUADROTAG_COUNTEDIMAGELISTENER_H
#define QUADROTAG_COUNTEDIMAGELISTENER_H

#include "exportimage.h"
#include "reviewstate.h"

class ImageAnnotation;

// Told of every image the statistics count, as they count it, so that finer figures of a
// report rest on the very images and states that --stats counts.
class CountedImageListener
{
public:
    virtual ~CountedImageListener() = default;
    // annotation is null for an image without a label file.
    virtual void imageCounted(const ExportImage& image, const ImageAnnotation* annotation,
                              ReviewState review, bool hasProposal) = 0;
};

#endif
