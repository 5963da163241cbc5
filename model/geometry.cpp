#include "geometry.h"

#include <algorithm>

namespace {
// Which side of the line through a and b the point p lies on, in single precision.
float side(const QPoint& a, const QPoint& b, const QPoint& p)
{
    return coordinateDifference(p.x(), a.x()) * coordinateDifference(b.y(), a.y()) -
           coordinateDifference(p.y(), a.y()) * coordinateDifference(b.x(), a.x());
}
} // namespace

bool segmentsSeparate(const QPoint& a, const QPoint& b, const QPoint& c, const QPoint& d)
{
    // Boxes that only touch are left to the side tests.
    if (std::max(a.x(), b.x()) < std::min(c.x(), d.x()) ||
        std::max(c.x(), d.x()) < std::min(a.x(), b.x()) ||
        std::max(a.y(), b.y()) < std::min(c.y(), d.y()) ||
        std::max(c.y(), d.y()) < std::min(a.y(), b.y()))
        return true;

    if (side(a, b, c) * side(a, b, d) > 0.0f)
        return true;
    return side(c, d, b) * side(c, d, a) > 0.0f;
}
