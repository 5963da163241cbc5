#ifndef QUADROTAG_CORNERSNAP_H
#define QUADROTAG_CORNERSNAP_H

#include <opencv2/core.hpp>

#include <optional>

// The strongest corner of an 8-bit gray image within radius of near, refined to a
// fraction of a pixel, in the image's pixel-centre coordinates; none when no corner
// within reach stands out from the flat or merely edged surroundings. A large radius
// is searched on a reduced copy first, so the cost hardly grows with it.
std::optional<cv::Point2f> strongestCorner(const cv::Mat& gray, const cv::Point2f& near,
                                           double radius);

#endif
