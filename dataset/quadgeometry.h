#ifndef QUADROTAG_QUADGEOMETRY_H
#define QUADROTAG_QUADGEOMETRY_H

#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>

using Quad = std::array<QPoint, 4>;

// The enclosed area by the shoelace formula; arrow-head shapes count only what they enclose.
double quadArea(const Quad& corners);
// Twice the signed shoelace area: positive when the corners run clockwise on screen
// (y grows downward).
long long twiceSignedArea(const Quad& corners);
// x, y of the smallest corner values, width and height as differences of corner values.
QRect cornerBounds(const Quad& corners);
// The corners running clockwise on screen, starting at the corner nearest the top-left
// of their bounds; the upper one wins a tie.
Quad clockwiseFromTopLeft(const Quad& corners);
// Whether a corner lies more than margin pixels outside the pixels 0..width-1, 0..height-1.
bool hasCornerOutside(const Quad& corners, const QSize& size, QPoint& outside, int margin = 0);
// Moves every corner onto the nearest pixel of the image.
Quad clampedInto(const Quad& corners, const QSize& size);

#endif
