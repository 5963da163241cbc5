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
    // Index of the first label after `after` in list order, wrapping around, whose shape
    // encloses p; -1 for none. Asked again with its answer, it goes through every shape
    // at p, so shapes under other shapes can be reached.
    int nextShapeAt(const QPoint& p, int after) const;
    // Edges included; a triangle with its corners on one line contains nothing.
    bool triangleContains(const QPoint& a, const QPoint& b, const QPoint& c, const QPoint& p) const;

    // Whether the first four corners of the label enclose p.
    bool encloses(const Label& label, const QPoint& p) const;

    bool operator==(const ImageAnnotation& other) const;
    bool operator!=(const ImageAnnotation& other) const { return !(*this == other); }

    int styleIndex = 0;
    std::vector<Label> labels;
    // Fixed order: label files store only the index into this list.
    QStringList styleNames;
};

#endif
