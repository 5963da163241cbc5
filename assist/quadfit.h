#ifndef QUADROTAG_QUADFIT_H
#define QUADROTAG_QUADFIT_H

#include <opencv2/core.hpp>

#include <array>
#include <optional>
#include <vector>

using Quadrilateral = std::array<cv::Point2f, 4>;

// A quadrilateral fitted to an outline or a mask, and the share of the outline's or
// mask's area that it covers (0 to 1).
struct QuadrilateralFit
{
    Quadrilateral corners;
    double coverage = 0.0;
};

// The four corners in the order a person clicks them: the top-left-most first, then
// clockwise as seen on screen.
Quadrilateral inClickOrder(const Quadrilateral& corners);

// The convex quadrilateral that best stands for this outline: its convex hull cut down
// to four corners, each cut taking off the least area. None for fewer than three
// distinct points or a hull without area.
std::optional<Quadrilateral> quadrilateralOfOutline(const std::vector<cv::Point2f>& outline);

// The same for an 8-bit mask (non-zero inside), from its largest outer region, with the
// share of all the mask's pixels that the quadrilateral covers.
std::optional<QuadrilateralFit> fitQuadrilateralToMask(const cv::Mat& mask);

// Polygons of any number of points (the parts of one outline) as a quadrilateral, in the
// polygons' coordinates, with the share of their area it covers, measured on a raster.
std::optional<QuadrilateralFit>
fitQuadrilateralToPolygons(const std::vector<std::vector<cv::Point2f>>& polygons);

// The most prominent convex quadrilateral in an 8-bit gray image that covers at least
// minimumShare of it: found among the outlines of its edges, the one whose weakest side
// has the strongest edge across it. None when no such outline is there.
std::optional<Quadrilateral> mostProminentQuadrilateral(const cv::Mat& gray, double minimumShare);

#endif
