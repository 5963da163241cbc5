#ifndef QUADROTAG_SCREENPIXELS_H
#define QUADROTAG_SCREENPIXELS_H

#include <opencv2/core.hpp>

// Decoded pixels as they look, for formats OpenCV hands over unchanged: turned upright by the
// EXIF orientation (1 to 8), 16 bits a channel scaled to 8 (the full range, 65535 to 255), and
// an alpha channel laid over a neutral checkerboard. Grey, BGR or opaque BGRA at 8 bits, left
// for the conversion into the screen's buffer; empty when the channels or depth are of no kind
// an image file gives.
cv::Mat uprightScreenColours(const cv::Mat& decoded, int orientation, bool hasAlpha);

#endif
