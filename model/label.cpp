#include "label.h"

#include "geometry.h"

#include <iostream>

bool Label::operator==(const Label& other) const
{
    return points == other.points && tags == other.tags && text == other.text;
}

bool Label::isValid() const
{
    if (points.size() != 4) {
        std::cerr << "Should be 4 points!" << std::endl;
        return false;
    }
    return segmentsSeparate(points[0], points[1], points[2], points[3]) &&
           segmentsSeparate(points[1], points[2], points[3], points[0]);
}
