#include "screenpixels.h"

namespace {

// Two light greys, far enough apart to show the squares, neither shared with a photo's white.
const uchar lightSquare = 204;
const uchar darkSquare = 153;
const int squareSide = 8;

cv::Mat eightBit(const cv::Mat& decoded)
{
    cv::Mat converted;
    switch (decoded.depth()) {
    case CV_8U:
        return decoded;
    case CV_16U:
        decoded.convertTo(converted, CV_8U, 1.0 / 257.0);
        return converted;
    case CV_32F:
        decoded.convertTo(converted, CV_8U, 255.0);
        return converted;
    default:
        return cv::Mat();
    }
}

cv::Mat upright(const cv::Mat& stored, int orientation)
{
    cv::Mat turned;
    switch (orientation) {
    case 2:
        cv::flip(stored, turned, 1);
        return turned;
    case 3:
        cv::rotate(stored, turned, cv::ROTATE_180);
        return turned;
    case 4:
        cv::flip(stored, turned, 0);
        return turned;
    case 5:
        cv::transpose(stored, turned);
        return turned;
    case 6:
        cv::rotate(stored, turned, cv::ROTATE_90_CLOCKWISE);
        return turned;
    case 7:
        cv::transpose(stored, turned);
        cv::flip(turned, turned, -1);
        return turned;
    case 8:
        cv::rotate(stored, turned, cv::ROTATE_90_COUNTERCLOCKWISE);
        return turned;
    default:
        return stored;
    }
}

// The pixels of bgra laid over the checkerboard, in place; alpha becomes opaque.
void overCheckerboard(cv::Mat& bgra)
{
    for (int row = 0; row < bgra.rows; ++row) {
        auto* pixel = bgra.ptr<cv::Vec4b>(row);
        for (int column = 0; column < bgra.cols; ++column) {
            const bool light = ((row / squareSide) + (column / squareSide)) % 2 == 0;
            const int board = light ? lightSquare : darkSquare;
            const int alpha = pixel[column][3];
            for (int channel = 0; channel < 3; ++channel)
                pixel[column][channel] =
                    uchar((pixel[column][channel] * alpha + board * (255 - alpha) + 127) / 255);
            pixel[column][3] = 255;
        }
    }
}

} // namespace

cv::Mat uprightScreenColours(const cv::Mat& decoded, int orientation, bool hasAlpha)
{
    cv::Mat levels = eightBit(decoded);
    const int channels = levels.channels();
    if (levels.empty() || (channels != 1 && channels != 3 && channels != 4))
        return cv::Mat();
    if (channels == 4) {
        // A copy only where the decoder's pixels are still shared with the caller.
        if (levels.data == decoded.data || !levels.isContinuous())
            levels = levels.clone();
        if (hasAlpha)
            overCheckerboard(levels);
        else
            levels.reshape(1, int(levels.total())).col(3).setTo(255);
    }
    return upright(levels, orientation);
}
