#ifndef QUADROTAG_IMAGEANNOTATION_H
#define QUADROTAG_IMAGEANNOTATION_H

#include "label.h"

#include <QStringList>

#include <vector>

// Everything annotated on one image: its furnishing style and its shapes.
class ImageAnnotation
{
public:
    ImageAnnotation();

    // Forgets the style and every shape; the style names stay.
    void clear();

    // Index of the first label whose first four corners enclose p, or -1. The
    // lower index wins where shapes overlap.
    int shapeAt(const QPoint& p) const;
    // Edges included; a triangle with its corners on one line contains nothing.
    bool triangleContains(const QPoint& a, const QPoint& b, const QPoint& c, const QPoint& p) const;

    bool operator==(const ImageAnnotation& other) const;
    bool operator!=(const ImageAnnotation& other) const { return !(*this == other); }

    int styleIndex = 0;
    std::vector<Label> labels;
    // Fixed order: label files store only the index into this list.
    QStringList styleNames;
};

#endif
