#include "quadgeometry.h"

#include <algorithm>
#include <utility>

long long twiceSignedArea(const Quad& corners)
{
    long long sum = 0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const QPoint& a = corners[i];
        const QPoint& b = corners[(i + 1) % corners.size()];
        sum += static_cast<long long>(a.x()) * b.y() - static_cast<long long>(b.x()) * a.y();
    }
    return sum;
}

double quadArea(const Quad& corners)
{
    const long long twice = twiceSignedArea(corners);
    return static_cast<double>(twice < 0 ? -twice : twice) / 2.0;
}

QRect cornerBounds(const Quad& corners)
{
    int left = corners[0].x();
    int top = corners[0].y();
    int right = left;
    int bottom = top;
    for (const QPoint& p : corners) {
        left = std::min(left, p.x());
        top = std::min(top, p.y());
        right = std::max(right, p.x());
        bottom = std::max(bottom, p.y());
    }
    return QRect(left, top, right - left, bottom - top);
}

Quad clockwiseFromTopLeft(const Quad& corners)
{
    Quad ordered = corners;
    if (twiceSignedArea(ordered) < 0)
        std::reverse(ordered.begin(), ordered.end());
    const QRect bounds = cornerBounds(corners);
    const auto distanceToTopLeft = [&bounds](const QPoint& p) {
        const long long dx = p.x() - bounds.x();
        const long long dy = p.y() - bounds.y();
        return std::make_pair(dx * dx + dy * dy, p.y());
    };
    const auto first =
        std::min_element(ordered.begin(), ordered.end(), [&](const QPoint& a, const QPoint& b) {
            return distanceToTopLeft(a) < distanceToTopLeft(b);
        });
    std::rotate(ordered.begin(), first, ordered.end());
    return ordered;
}

bool hasCornerOutside(const Quad& corners, const QSize& size, QPoint& outside, int margin)
{
    for (const QPoint& p : corners) {
        if (p.x() < -margin || p.y() < -margin || p.x() >= size.width() + margin ||
            p.y() >= size.height() + margin) {
            outside = p;
            return true;
        }
    }
    return false;
}

Quad clampedInto(const Quad& corners, const QSize& size)
{
    Quad clamped = corners;
    for (QPoint& p : clamped)
        p = QPoint(std::clamp(p.x(), 0, size.width() - 1), std::clamp(p.y(), 0, size.height() - 1));
    return clamped;
}
