#ifndef QUADROTAG_COCOSEGMENTATION_H
#define QUADROTAG_COCOSEGMENTATION_H

#include <QPointF>
#include <QString>

#include <opencv2/core.hpp>

#include <array>
#include <optional>
#include <vector>

// A COCO run-length mask: its height and width and the alternating runs of 0 and 1 down the
// columns, starting with 0.
struct CocoRle
{
    int height = 0;
    int width = 0;
    std::vector<quint64> counts;
};

// The runs of COCO's compressed counts string: six bits a character from '0', five of them
// value and one "more follows", the last group's sign bit extended, and from the fourth run
// on each a difference to the run two before. False on anything else, and on a run longer
// than the largest mask this program keeps.
bool decodeCocoCounts(const QByteArray& text, std::vector<quint64>& counts);

// The mask the runs describe, 255 inside; an error when the runs do not cover the image
// exactly or the image is larger than a mask this program keeps.
std::optional<cv::Mat> cocoMask(const CocoRle& rle, QString& error);

// A segmentation fitted with a quadrilateral: its corners in the file's pixel coordinates
// (pixel edges at whole numbers), in click order, and the share of the area it covers.
struct SegmentationFit
{
    std::array<QPointF, 4> corners;
    double coverage = 0.0;
};

std::optional<SegmentationFit> fitPolygons(const std::vector<std::vector<cv::Point2f>>& polygons);
std::optional<SegmentationFit> fitMask(const cv::Mat& mask);

#endif
