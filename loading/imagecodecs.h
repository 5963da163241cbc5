#ifndef QUADROTAG_IMAGECODECS_H
#define QUADROTAG_IMAGECODECS_H

#include <opencv2/core.hpp>

#include <string>
#include <vector>

// OpenCV's readers and writers of image files, loaded the first time one is wanted instead of
// linked: their library brings a hundred others (GDAL, GDCM and theirs), which linked in cost
// every start a tenth of a second before its first line ran, though a JPEG whose segments are
// all JFIF's never needs them.
class ImageCodecs
{
public:
    // As cv::imdecode; empty where they can't be loaded, which the first time says why on the
    // error output. Whoever asks while another thread loads them waits for it.
    static cv::Mat decode(cv::InputArray bytes, int flags);
    // As cv::imencode; false where they can't be loaded.
    static bool encode(const std::string& extension, cv::InputArray image,
                       std::vector<uchar>& bytes, const std::vector<int>& parameters);
};

#endif
