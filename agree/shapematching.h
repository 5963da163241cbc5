#ifndef QUADROTAG_SHAPEMATCHING_H
#define QUADROTAG_SHAPEMATCHING_H

#include "quadgeometry.h"

#include <vector>

// A shape of the first operator paired with one of the second, by their positions in the
// label files.
struct ShapeMatch
{
    int a = -1;
    int b = -1;
    double iou = 0;

    bool operator==(const ShapeMatch& other) const
    {
        return a == other.a && b == other.b && iou == other.iou;
    }
};

// The pairs (row, column) of an assignment that maximises the summed weight, one column
// per row at most, for a matrix of non-negative weights (shortest augmenting paths over the
// cells above 0).
// Pairs of weight 0 are left out: they add nothing.
std::vector<std::pair<int, int>>
maximumWeightAssignment(const std::vector<std::vector<double>>& weights, int columns);

// The pairs that maximise the summed IoU over pairs whose IoU reaches threshold, in the
// order of the first operator's shapes.
std::vector<ShapeMatch> matchShapes(const std::vector<Quad>& a, const std::vector<Quad>& b,
                                    double threshold);

#endif
