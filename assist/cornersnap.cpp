#include "cornersnap.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace {
// A large radius is searched at a reduction that leaves it about this many pixels.
const double coarseRadius = 12.0;
// The smaller eigenvalue of the gradients' structure tensor (OpenCV's scale, where a
// black-to-white corner gives about 0.1) that a corner must reach to count; noise on a
// plain wall and JPEG blocks stay well below it.
const double cornerStrengthFloor = 0.004;
const int blockSize = 3;
const int sobelSize = 3;
// cornerSubPix looks this far either side of the strongest pixel.
const int subPixelHalfWindow = 5;
// A refinement that wanders further than this left the corner it started from.
const float subPixelLeash = 4.0f;

struct Peak
{
    cv::Point position;
    double strength = 0.0;
};

// The strongest response within radius of centre, all in the coordinates of response.
Peak strongestWithin(const cv::Mat& response, const cv::Point2f& centre, double radius)
{
    cv::Mat mask = cv::Mat::zeros(response.size(), CV_8U);
    cv::circle(mask, cv::Point(cvRound(centre.x), cvRound(centre.y)), std::max(1, cvRound(radius)),
               cv::Scalar(255), cv::FILLED);
    Peak peak;
    cv::minMaxLoc(response, nullptr, &peak.strength, nullptr, &peak.position, mask);
    return peak;
}

cv::Mat cornerResponse(const cv::Mat& gray)
{
    cv::Mat response;
    cv::cornerMinEigenVal(gray, response, blockSize, sobelSize, cv::BORDER_REPLICATE);
    return response;
}

// The strongest full-resolution pixel near a peak found on a reduced copy.
cv::Point sharpenPeak(const cv::Mat& gray, const cv::Point2f& roughly, double reach)
{
    const int margin = blockSize + sobelSize;
    const cv::Rect around(cvFloor(roughly.x - reach) - margin, cvFloor(roughly.y - reach) - margin,
                          cvCeil(2 * reach) + 2 * margin + 1, cvCeil(2 * reach) + 2 * margin + 1);
    const cv::Rect inside = around & cv::Rect(0, 0, gray.cols, gray.rows);
    if (inside.empty())
        return cv::Point(cvRound(roughly.x), cvRound(roughly.y));
    const cv::Mat response = cornerResponse(gray(inside));
    const Peak peak = strongestWithin(response, roughly - cv::Point2f(inside.tl()), reach);
    return peak.position + inside.tl();
}

cv::Point2f refined(const cv::Mat& gray, const cv::Point& pixel)
{
    std::vector<cv::Point2f> corner{cv::Point2f(pixel)};
    const cv::Size half(subPixelHalfWindow, subPixelHalfWindow);
    const bool roomAround = pixel.x > subPixelHalfWindow + 1 && pixel.y > subPixelHalfWindow + 1 &&
                            pixel.x < gray.cols - subPixelHalfWindow - 2 &&
                            pixel.y < gray.rows - subPixelHalfWindow - 2;
    if (!roomAround)
        return corner[0];
    cv::cornerSubPix(gray, corner, half, cv::Size(-1, -1),
                     cv::TermCriteria(cv::TermCriteria::EPS + cv::TermCriteria::COUNT, 20, 0.01));
    const cv::Point2f moved = corner[0] - cv::Point2f(pixel);
    return std::hypot(moved.x, moved.y) <= subPixelLeash ? corner[0] : cv::Point2f(pixel);
}
} // namespace

std::optional<cv::Point2f> strongestCorner(const cv::Mat& gray, const cv::Point2f& near,
                                           double radius)
{
    if (gray.empty() || gray.type() != CV_8UC1 || !(radius > 0.0))
        return std::nullopt;
    const double reduction = std::max(1.0, radius / coarseRadius);
    cv::Mat coarse = gray;
    // A radius far wider than the picture (a tiny image at a small zoom) still leaves a pixel.
    if (reduction > 1.0)
        cv::resize(gray, coarse,
                   cv::Size(std::max(1, cvRound(gray.cols / reduction)),
                            std::max(1, cvRound(gray.rows / reduction))),
                   0, 0, cv::INTER_AREA);
    const double across = double(gray.cols) / coarse.cols;
    const double down = double(gray.rows) / coarse.rows;
    const cv::Point2f nearOnCoarse(float(near.x / across), float(near.y / down));
    const Peak peak = strongestWithin(cornerResponse(coarse), nearOnCoarse, radius / reduction);
    if (peak.strength < cornerStrengthFloor)
        return std::nullopt;

    cv::Point pixel = peak.position;
    if (coarse.data != gray.data) {
        const cv::Point2f roughly(float((peak.position.x + 0.5) * across - 0.5),
                                  float((peak.position.y + 0.5) * down - 0.5));
        pixel = sharpenPeak(gray, roughly, 2 * std::max(across, down) + 1);
    }
    const cv::Point2f corner = refined(gray, pixel);
    const cv::Point2f offset = corner - near;
    if (std::hypot(offset.x, offset.y) > radius + 0.5)
        return std::nullopt;
    return corner;
}
