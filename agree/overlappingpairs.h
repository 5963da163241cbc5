#ifndef QUADROTAG_OVERLAPPINGPAIRS_H
#define QUADROTAG_OVERLAPPINGPAIRS_H

#include "quadgeometry.h"

#include <utility>
#include <vector>

// The pairs (i, j) of a shape of a and a shape of b whose bounding boxes share some area, each
// once, in no particular order. A grid with cells the size of a typical shape finds them, so
// the work grows with the shapes and their overlaps, not with the product of their counts.
std::vector<std::pair<int, int>> overlappingPairs(const std::vector<Quad>& a,
                                                  const std::vector<Quad>& b);

#endif
