#include "jpegorientation.h"

#include "imagecodecs.h"

#include <opencv2/imgcodecs.hpp>

#include <vector>

namespace {

// Four flat blocks of grey, one level each, which every turn and mirror puts elsewhere.
const int block = 8;
const int levelStep = 80;

cv::Mat standInPicture()
{
    cv::Mat picture(2 * block, 2 * block, CV_8UC1);
    for (int quadrant = 0; quadrant < 4; ++quadrant)
        picture(cv::Rect((quadrant % 2) * block, (quadrant / 2) * block, block, block))
            .setTo(quadrant * levelStep);
    return picture;
}

// The stand-in's segments after its start and its own APP0: tables, frame, scan and end.
QByteArray standInBody()
{
    std::vector<uchar> encoded;
    try {
        if (!ImageCodecs::encode(".jpg", standInPicture(), encoded,
                                 {cv::IMWRITE_JPEG_QUALITY, 100}))
            return QByteArray();
    } catch (...) {
        return QByteArray();
    }
    QByteArray body(reinterpret_cast<const char*>(encoded.data()), qsizetype(encoded.size()));
    qsizetype at = 2;
    while (at + 4 <= body.size() && uchar(body[at]) == 0xff && uchar(body[at + 1]) == 0xe0)
        at += 2 + ((uchar(body[at + 2]) << 8) | uchar(body[at + 3]));
    return body.mid(at);
}

// The quadrant (0 top left, 1 top right, 2 bottom left, 3 bottom right) whose level shows at.
int quadrantAt(const cv::Mat& decoded, int x, int y)
{
    const int level = decoded.at<cv::Vec3b>(y, x)[1];
    return std::min(3, (level + levelStep / 2) / levelStep);
}

// Which quadrants come to the top, left and right, tells the turn.
int orientationShown(const cv::Mat& decoded)
{
    if (decoded.rows != 2 * block || decoded.cols != 2 * block || decoded.type() != CV_8UC3)
        return 0;
    const int topLeft = quadrantAt(decoded, block / 2, block / 2);
    const int topRight = quadrantAt(decoded, block + block / 2, block / 2);
    const int orientations[4][4] = {{0, 1, 5, 0}, {2, 0, 0, 8}, {6, 0, 0, 4}, {0, 7, 3, 0}};
    return orientations[topLeft][topRight];
}

// Whether the segments are all APP0 (JFIF and its extension), which turn no picture for any
// decoder: such a file is asked nothing, and OpenCV's codecs need not even be loaded.
bool holdsOnlyApp0(const QByteArray& segments)
{
    qsizetype at = 0;
    while (at + 4 <= segments.size() && uchar(segments[at]) == 0xff &&
           uchar(segments[at + 1]) == 0xe0)
        at += 2 + ((uchar(segments[at + 2]) << 8) | uchar(segments[at + 3]));
    return at == segments.size();
}

} // namespace

int openCvJpegOrientation(const QByteArray& segments)
{
    if (holdsOnlyApp0(segments))
        return 1;
    static const QByteArray body = standInBody();
    if (body.isEmpty())
        return 0;
    const QByteArray file = QByteArray("\xff\xd8", 2) + segments + body;
    try {
        const cv::Mat bytes(1, int(file.size()), CV_8UC1, const_cast<char*>(file.constData()));
        return orientationShown(ImageCodecs::decode(bytes, cv::IMREAD_COLOR));
    } catch (...) {
        return 0;
    }
}
