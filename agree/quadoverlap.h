#ifndef QUADROTAG_QUADOVERLAP_H
#define QUADROTAG_QUADOVERLAP_H

#include "quadgeometry.h"

// The area two quadrilaterals share. Arrow-head shapes are split into two triangles along
// the diagonal that lies inside them, so non-convex shapes count only what they enclose.
// The corners must not cross (a bow-tie has no inside to share).
double quadIntersectionArea(const Quad& first, const Quad& second);
// Intersection over union; 0 when both enclose nothing.
double quadIoU(const Quad& first, const Quad& second);

#endif
