#include "cocosegmentation.h"

#include "quadfit.h"

#include <limits>

namespace {
// Larger masks than this are refused rather than decoded: 64 Mi pixels, a 64 MiB mask.
const quint64 maskPixelLimit = quint64(1) << 26;
const int bitsPerCharacter = 5;
const int firstCharacter = '0';
const int valueBits = 0x1f;
const int moreBit = 0x20;
const int signBit = 0x10;
// Enough five-bit groups for any count of a mask this program keeps.
const int mostGroups = 12;

SegmentationFit fromFit(const QuadrilateralFit& fit, double shift)
{
    SegmentationFit result;
    for (std::size_t i = 0; i < 4; ++i)
        result.corners[i] = QPointF(fit.corners[i].x + shift, fit.corners[i].y + shift);
    result.coverage = fit.coverage;
    return result;
}
} // namespace

bool decodeCocoCounts(const QByteArray& text, std::vector<quint64>& counts)
{
    counts.clear();
    qsizetype at = 0;
    while (at < text.size()) {
        qint64 value = 0;
        int group = 0;
        bool more = true;
        while (more) {
            if (at >= text.size() || group >= mostGroups)
                return false;
            const int character = static_cast<unsigned char>(text[at]) - firstCharacter;
            if (character < 0 || character > (valueBits | moreBit))
                return false;
            value |= qint64(character & valueBits) << (bitsPerCharacter * group);
            more = (character & moreBit) != 0;
            ++at;
            ++group;
            if (!more && (character & signBit))
                value |= -(qint64(1) << (bitsPerCharacter * group));
        }
        // Each run kept is within the largest mask, so this sum cannot overflow.
        if (counts.size() > 2)
            value += qint64(counts[counts.size() - 2]);
        if (value < 0 || quint64(value) > maskPixelLimit)
            return false;
        counts.push_back(quint64(value));
    }
    return true;
}

std::optional<cv::Mat> cocoMask(const CocoRle& rle, QString& error)
{
    const quint64 pixels = quint64(std::max(0, rle.height)) * quint64(std::max(0, rle.width));
    if (rle.height <= 0 || rle.width <= 0) {
        error = QStringLiteral("an RLE mask with a size that is not valid");
        return std::nullopt;
    }
    if (pixels > maskPixelLimit) {
        error = QStringLiteral("an RLE mask of %1x%2 pixels").arg(rle.width).arg(rle.height);
        return std::nullopt;
    }
    quint64 total = 0;
    for (const quint64 count : rle.counts) {
        if (count > pixels - total) {
            total = pixels + 1;
            break;
        }
        total += count;
    }
    if (total != pixels) {
        error = QStringLiteral("RLE counts that do not cover the %1x%2 mask")
                    .arg(rle.width)
                    .arg(rle.height);
        return std::nullopt;
    }
    // The runs go down the columns, so the mask is filled transposed and turned once.
    cv::Mat transposed = cv::Mat::zeros(rle.width, rle.height, CV_8U);
    quint64 position = 0;
    for (std::size_t i = 0; i < rle.counts.size(); ++i) {
        if (i % 2 == 1)
            std::fill_n(transposed.data + position, rle.counts[i], uchar(255));
        position += rle.counts[i];
    }
    return cv::Mat(transposed.t());
}

std::optional<SegmentationFit> fitPolygons(const std::vector<std::vector<cv::Point2f>>& polygons)
{
    const std::optional<QuadrilateralFit> fit = fitQuadrilateralToPolygons(polygons);
    return fit ? std::optional<SegmentationFit>(fromFit(*fit, 0.0)) : std::nullopt;
}

std::optional<SegmentationFit> fitMask(const cv::Mat& mask)
{
    const std::optional<QuadrilateralFit> fit = fitQuadrilateralToMask(mask);
    // Pixel centres of the mask lie half a pixel in from the pixel edges the file counts in.
    return fit ? std::optional<SegmentationFit>(fromFit(*fit, 0.5)) : std::nullopt;
}
