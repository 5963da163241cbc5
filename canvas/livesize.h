#ifndef QUADROTAG_LIVESIZE_H
#define QUADROTAG_LIVESIZE_H

#include <QPoint>
#include <QSize>

#include <vector>

// The width and height of the smallest upright rectangle through these corners, in the
// corners' own units: the difference of the extreme coordinates. Empty for no corners.
QSize boundingSize(const std::vector<QPoint>& corners);

#endif
