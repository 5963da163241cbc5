#ifndef QUADROTAG_GEOMETRY_H
#define QUADROTAG_GEOMETRY_H

#include <QPoint>
#include <QtGlobal>

// A coordinate difference as a single-precision float. Taken in 64 bits so that
// coordinates from a hand-made label file cannot overflow.
inline float coordinateDifference(int to, int from)
{
    return static_cast<float>(static_cast<qint64>(to) - static_cast<qint64>(from));
}

// True when the segments a-b and c-d have no point in common. Touching ends and
// collinear overlaps count as meeting.
bool segmentsSeparate(const QPoint& a, const QPoint& b, const QPoint& c, const QPoint& d);

#endif
