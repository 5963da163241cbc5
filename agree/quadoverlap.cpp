#include "quadoverlap.h"

#include <QPointF>

#include <algorithm>
#include <array>
#include <vector>

namespace {

using Triangle = std::array<QPointF, 3>;
using Polygon = std::vector<QPointF>;

double cross(const QPointF& origin, const QPointF& a, const QPointF& b)
{
    return (a.x() - origin.x()) * (b.y() - origin.y()) -
           (a.y() - origin.y()) * (b.x() - origin.x());
}

long long signedTwiceArea(const QPoint& a, const QPoint& b, const QPoint& c)
{
    return static_cast<long long>(b.x() - a.x()) * (c.y() - a.y()) -
           static_cast<long long>(b.y() - a.y()) * (c.x() - a.x());
}

// The diagonal 0-2 lies inside unless the corner 1 or 3 points inward; then 1-3 does.
// Corners are taken relative to the origin so that doubles keep the shape's own precision.
std::array<Triangle, 2> triangles(const Quad& q, const QPoint& origin)
{
    const auto point = [&q, &origin](int i) {
        const QPoint& p = q[static_cast<std::size_t>(i)];
        return QPointF(static_cast<double>(static_cast<long long>(p.x()) - origin.x()),
                       static_cast<double>(static_cast<long long>(p.y()) - origin.y()));
    };
    const long long first = signedTwiceArea(q[0], q[1], q[2]);
    const long long second = signedTwiceArea(q[0], q[2], q[3]);
    const bool diagonalInside = (first >= 0 && second >= 0) || (first <= 0 && second <= 0);
    if (diagonalInside)
        return {Triangle{point(0), point(1), point(2)}, Triangle{point(0), point(2), point(3)}};
    return {Triangle{point(1), point(2), point(3)}, Triangle{point(1), point(3), point(0)}};
}

double polygonArea(const Polygon& polygon)
{
    double twice = 0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const QPointF& a = polygon[i];
        const QPointF& b = polygon[(i + 1) % polygon.size()];
        twice += a.x() * b.y() - b.x() * a.y();
    }
    return twice < 0 ? -twice / 2 : twice / 2;
}

// Keeps the part of the polygon on the inner side of the edge from a to b (Sutherland-Hodgman).
Polygon clipByEdge(const Polygon& polygon, const QPointF& a, const QPointF& b, double orientation)
{
    Polygon kept;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const QPointF& current = polygon[i];
        const QPointF& next = polygon[(i + 1) % polygon.size()];
        const double sideCurrent = cross(a, b, current) * orientation;
        const double sideNext = cross(a, b, next) * orientation;
        if (sideCurrent >= 0)
            kept.push_back(current);
        if ((sideCurrent >= 0) != (sideNext >= 0)) {
            const double t = sideCurrent / (sideCurrent - sideNext);
            kept.push_back(current + (next - current) * t);
        }
    }
    return kept;
}

double triangleIntersectionArea(const Triangle& subject, const Triangle& clip)
{
    const double orientation = cross(clip[0], clip[1], clip[2]);
    if (orientation == 0)
        return 0;
    Polygon polygon(subject.begin(), subject.end());
    for (std::size_t i = 0; i < clip.size() && polygon.size() >= 3; ++i)
        polygon = clipByEdge(polygon, clip[i], clip[(i + 1) % clip.size()], orientation);
    return polygon.size() >= 3 ? polygonArea(polygon) : 0;
}

} // namespace

double quadIntersectionArea(const Quad& first, const Quad& second)
{
    // Most pairs of an image lie apart; their bounds tell so without clipping.
    const QRect a = cornerBounds(first);
    const QRect b = cornerBounds(second);
    if (a.x() + a.width() <= b.x() || b.x() + b.width() <= a.x() || a.y() + a.height() <= b.y() ||
        b.y() + b.height() <= a.y())
        return 0;
    // The two triangles of a shape share only their diagonal, so their overlaps add up.
    // Far from 0 a double has no bits left for a small shape: measure from the pair's corner.
    const QPoint origin(std::min(a.x(), b.x()), std::min(a.y(), b.y()));
    double area = 0;
    for (const Triangle& a : triangles(first, origin)) {
        for (const Triangle& b : triangles(second, origin))
            area += triangleIntersectionArea(a, b);
    }
    return area;
}

double quadIoU(const Quad& first, const Quad& second)
{
    const double shared = quadIntersectionArea(first, second);
    const double united = quadArea(first) + quadArea(second) - shared;
    return united > 0 ? shared / united : 0;
}
