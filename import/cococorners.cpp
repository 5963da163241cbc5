#include "cococorners.h"

#include "cocosegmentation.h"

#include <cmath>
#include <optional>

namespace {

const int cornerValues = 8;
const int boxValues = 4;
// A fitted quadrilateral must cover this share of the segmentation to stand for it.
const double leastFitCoverage = 0.8;
// Farther from the origin than any image reaches; the fitting's arithmetic stays exact below it.
const double farthestPoint = 1e9;

// count finite numbers from the array into values; false when it holds anything else.
bool numbersOf(const rapidjson::Value& array, int count, std::vector<double>& values)
{
    if (!array.IsArray() || array.Size() != static_cast<rapidjson::SizeType>(count))
        return false;
    values.clear();
    for (const rapidjson::Value& number : array.GetArray()) {
        if (!number.IsNumber() || !std::isfinite(number.GetDouble()))
            return false;
        values.push_back(number.GetDouble());
    }
    return true;
}

enum class Segmentation { Absent, Fitted, Refused };

bool farOutside(const std::vector<std::vector<cv::Point2f>>& polygons)
{
    for (const std::vector<cv::Point2f>& polygon : polygons)
        for (const cv::Point2f& point : polygon)
            if (std::abs(point.x) > farthestPoint || std::abs(point.y) > farthestPoint)
                return true;
    return false;
}

// The parts of a polygon segmentation, each of three points or more, four or more in all.
// Anything else in a list of outlines is an error; no outlines at all is none.
std::optional<std::vector<std::vector<cv::Point2f>>> polygonsOf(const rapidjson::Value& value,
                                                                QString& error)
{
    if (!value.IsArray() || value.Empty() || !value[0].IsArray())
        return std::nullopt;
    std::vector<std::vector<cv::Point2f>> polygons;
    std::size_t points = 0;
    for (const rapidjson::Value& part : value.GetArray()) {
        std::vector<double> numbers;
        if (!part.IsArray() || !numbersOf(part, static_cast<int>(part.Size()), numbers)) {
            error = QStringLiteral("a segmentation coordinate that is not a number");
            return std::nullopt;
        }
        if (numbers.size() % 2 != 0) {
            error = QStringLiteral("a segmentation outline of an odd count of coordinates");
            return std::nullopt;
        }
        if (numbers.size() < 6) {
            error = QStringLiteral("a segmentation part of fewer than three points");
            return std::nullopt;
        }
        std::vector<cv::Point2f> polygon;
        for (std::size_t i = 0; i < numbers.size(); i += 2)
            polygon.emplace_back(float(numbers[i]), float(numbers[i + 1]));
        points += polygon.size();
        polygons.push_back(std::move(polygon));
    }
    if (points < 4) {
        error = QStringLiteral("a segmentation of fewer than four points");
        return std::nullopt;
    }
    return polygons;
}

// A run-length mask as COCO writes it: size [height, width] and counts, a list of runs or
// their compressed string.
bool rleOf(const rapidjson::Value& value, CocoRle& rle)
{
    const auto size = value.FindMember("size");
    const auto counts = value.FindMember("counts");
    if (size == value.MemberEnd() || counts == value.MemberEnd() || !size->value.IsArray() ||
        size->value.Size() != 2 || !size->value[0].IsInt() || !size->value[1].IsInt())
        return false;
    rle.height = size->value[0].GetInt();
    rle.width = size->value[1].GetInt();
    rle.counts.clear();
    if (counts->value.IsString())
        return decodeCocoCounts(
            QByteArray(counts->value.GetString(), qsizetype(counts->value.GetStringLength())),
            rle.counts);
    if (!counts->value.IsArray())
        return false;
    for (const rapidjson::Value& count : counts->value.GetArray()) {
        if (!count.IsUint64())
            return false;
        rle.counts.push_back(count.GetUint64());
    }
    return true;
}

// A segmentation of many points or a mask becomes the quadrilateral that fits it best; one that
// covers too little of it is refused with the reason.
Segmentation fittedSegmentation(const rapidjson::Value& value, Prediction& prediction,
                                const QSize& imageSize)
{
    std::optional<SegmentationFit> fit;
    if (value.IsObject()) {
        CocoRle rle;
        if (!rleOf(value, rle)) {
            prediction.error = QStringLiteral("a segmentation mask that is not COCO RLE");
            return Segmentation::Refused;
        }
        const QSize maskSize(rle.width, rle.height);
        if (imageSize.isValid() && !maskSize.isEmpty() && maskSize != imageSize) {
            prediction.error = QStringLiteral("an RLE mask of %1x%2 pixels on the %3x%4 image")
                                   .arg(rle.width)
                                   .arg(rle.height)
                                   .arg(imageSize.width())
                                   .arg(imageSize.height());
            return Segmentation::Refused;
        }
        const std::optional<cv::Mat> mask = cocoMask(rle, prediction.error);
        if (!mask)
            return Segmentation::Refused;
        prediction.maskSize = QSize(rle.width, rle.height);
        fit = fitMask(*mask);
    } else if (const auto polygons = polygonsOf(value, prediction.error)) {
        if (farOutside(*polygons)) {
            prediction.error = QStringLiteral("a segmentation point outside any image");
            return Segmentation::Refused;
        }
        fit = fitPolygons(*polygons);
    } else {
        return prediction.error.isEmpty() ? Segmentation::Absent : Segmentation::Refused;
    }
    if (!fit) {
        prediction.error = QStringLiteral("a segmentation without area");
        return Segmentation::Refused;
    }
    if (fit->coverage < leastFitCoverage) {
        prediction.error =
            QStringLiteral("the best quadrilateral covers %1 % of the segmentation, less than 80 %")
                .arg(int(std::floor(fit->coverage * 100)));
        return Segmentation::Refused;
    }
    prediction.corners = {fit->corners[0], fit->corners[1], fit->corners[2], fit->corners[3]};
    return Segmentation::Fitted;
}

} // namespace

bool cornersOf(const rapidjson::Value& annotation, Prediction& prediction, const QSize& imageSize)
{
    std::vector<double> values;
    const auto segmentation = annotation.FindMember("segmentation");
    if (segmentation != annotation.MemberEnd() && segmentation->value.IsArray() &&
        segmentation->value.Size() == 1 &&
        numbersOf(segmentation->value[0], cornerValues, values)) {
        for (std::size_t i = 0; i < prediction.corners.size(); ++i)
            prediction.corners[i] = QPointF(values[2 * i], values[2 * i + 1]);
        return true;
    }
    if (segmentation != annotation.MemberEnd()) {
        const Segmentation fitted = fittedSegmentation(segmentation->value, prediction, imageSize);
        if (fitted != Segmentation::Absent)
            return fitted == Segmentation::Fitted;
    }
    const auto box = annotation.FindMember("bbox");
    if (box == annotation.MemberEnd() || !numbersOf(box->value, boxValues, values))
        return false;
    // A negative size would turn the box inside out, a mirror image of what was meant.
    if (values[2] < 0 || values[3] < 0) {
        prediction.error = QStringLiteral("a bbox of negative width or height");
        return false;
    }
    if (values[2] == 0 || values[3] == 0) {
        prediction.error = QStringLiteral("a bbox of no width or height");
        return false;
    }
    const double left = values[0];
    const double top = values[1];
    const double right = left + values[2];
    const double bottom = top + values[3];
    prediction.corners = {QPointF(left, top), QPointF(right, top), QPointF(right, bottom),
                          QPointF(left, bottom)};
    return true;
}
