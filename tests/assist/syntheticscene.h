#ifndef QUADROTAG_SYNTHETICSCENE_H
#define QUADROTAG_SYNTHETICSCENE_H

#include "quadfit.h"

#include <QImage>
#include <QSize>

#include <cstdint>

// A photograph made for measuring the drawing aids: a planar frame with a picture in it,
// seen in perspective on a textured wall, slightly blurred, noisy and JPEG-compressed,
// with the frame's outer corners known exactly (pixel centres at whole numbers).
struct SyntheticScene
{
    QImage pixels;
    Quadrilateral corners;
};

// The frame spans about frameShare of the shorter side, at a place and tilt drawn from seed.
SyntheticScene renderScene(const QSize& size, double frameShare, std::uint32_t seed);

// A single dark-on-light corner, pointing right-down from corner (pixel centres), unblurred.
QImage cornerImage(const QSize& size, const cv::Point2f& corner);

#endif
