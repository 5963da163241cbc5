#ifndef QUADROTAG_GEOMETRY_H
#define QUADROTAG_GEOMETRY_H

#include <QPoint>
#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <limits>

// A coordinate difference as a single-precision float. Taken in 64 bits so that
// coordinates from a hand-made label file cannot overflow.
inline float coordinateDifference(int to, int from)
{
    return static_cast<float>(static_cast<qint64>(to) - static_cast<qint64>(from));
}

// The nearest 32-bit value: what a coordinate computed in 64 bits or in floating
// point may become without leaving the range a label file can hold.
inline int saturatedCoordinate(double value)
{
    const double lowest = std::numeric_limits<int>::min();
    const double highest = std::numeric_limits<int>::max();
    if (std::isnan(value))
        return 0;
    return static_cast<int>(std::clamp(value, lowest, highest));
}

// p + offset, each coordinate held within the 32-bit range.
inline QPoint saturatedSum(const QPoint& p, const QPoint& offset)
{
    return QPoint(saturatedCoordinate(double(qint64(p.x()) + offset.x())),
                  saturatedCoordinate(double(qint64(p.y()) + offset.y())));
}

// to - from, each coordinate held within the 32-bit range.
inline QPoint saturatedDifference(const QPoint& to, const QPoint& from)
{
    return QPoint(saturatedCoordinate(double(qint64(to.x()) - from.x())),
                  saturatedCoordinate(double(qint64(to.y()) - from.y())));
}

// True when the segments a-b and c-d have no point in common. Touching ends and
// collinear overlaps count as meeting.
bool segmentsSeparate(const QPoint& a, const QPoint& b, const QPoint& c, const QPoint& d);

#endif
