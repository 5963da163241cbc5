#include "quadfit.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// A side must show at least this mean gray-level step per pixel across it to be an edge.
const double weakestSideFloor = 6.0;
const int samplesPerSide = 24;
// Tolerances of the four-point approximation, as shares of the outline's length.
const double approximationStart = 0.005;
const double approximationEnd = 0.1;
const double approximationStep = 0.005;
const int sideReach = 2;
// An outline counts as clear when its weakest side is at least this share of the clearest one's.
const double clearEnoughShare = 0.5;
// Canny's upper threshold is tried at these fractions of the strongest gradient, so that
// both a faint panel on a plain wall and a frame on a busy one close their outline.
const std::array<double, 4> edgeThresholdShares{0.15, 0.25, 0.4, 0.6};
// Coverage of a polygon is measured on a raster with its longer side about this long.
const double coverageRasterSide = 1024.0;

double triangleArea(const cv::Point2f& a, const cv::Point2f& b, const cv::Point2f& c)
{
    return std::abs((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y)) / 2.0;
}

// Drops, one at a time, the corner whose removal loses the least area.
std::vector<cv::Point2f> cutDownToFour(std::vector<cv::Point2f> hull)
{
    while (hull.size() > 4) {
        std::size_t cheapest = 0;
        double least = std::numeric_limits<double>::max();
        for (std::size_t i = 0; i < hull.size(); ++i) {
            const std::size_t before = (i + hull.size() - 1) % hull.size();
            const std::size_t after = (i + 1) % hull.size();
            const double lost = triangleArea(hull[before], hull[i], hull[after]);
            if (lost < least) {
                least = lost;
                cheapest = i;
            }
        }
        hull.erase(hull.begin() + std::ptrdiff_t(cheapest));
    }
    return hull;
}

// Douglas-Peucker keeps the points that stand out most, so the tips of sharp corners
// survive; where no tolerance leaves exactly four, the cheapest corners are cut instead.
std::vector<cv::Point2f> fourCornersOf(const std::vector<cv::Point2f>& hull)
{
    const double perimeter = cv::arcLength(hull, true);
    for (double share = approximationStart; share <= approximationEnd; share += approximationStep) {
        std::vector<cv::Point2f> approximated;
        cv::approxPolyDP(hull, approximated, share * perimeter, true);
        if (approximated.size() == 4)
            return approximated;
        if (approximated.size() < 4)
            break;
    }
    return cutDownToFour(hull);
}

double quadrilateralArea(const Quadrilateral& corners)
{
    return std::abs(cv::contourArea(std::vector<cv::Point2f>(corners.begin(), corners.end())));
}

// The mean gray-level step across one side, at evenly spaced points along it.
double edgeAcross(const cv::Mat& gradientX, const cv::Mat& gradientY, const cv::Point2f& from,
                  const cv::Point2f& to)
{
    const cv::Point2f along = to - from;
    const double length = std::hypot(along.x, along.y);
    if (length < 1.0)
        return 0.0;
    const cv::Point2f normal(float(-along.y / length), float(along.x / length));
    double sum = 0.0;
    for (int i = 0; i < samplesPerSide; ++i) {
        const cv::Point2f at = from + along * float((i + 0.5) / samplesPerSide);
        // An outline traced round a thickened edge runs a pixel or two beside it.
        double across = 0.0;
        for (int offset = -sideReach; offset <= sideReach; ++offset) {
            const cv::Point2f beside = at + normal * float(offset);
            const int x = std::clamp(cvRound(beside.x), 0, gradientX.cols - 1);
            const int y = std::clamp(cvRound(beside.y), 0, gradientX.rows - 1);
            across = std::max(across, double(std::abs(gradientX.at<float>(y, x) * normal.x +
                                                      gradientY.at<float>(y, x) * normal.y)));
        }
        sum += across;
    }
    return sum / samplesPerSide;
}

double weakestSide(const cv::Mat& gradientX, const cv::Mat& gradientY, const Quadrilateral& quad)
{
    double weakest = std::numeric_limits<double>::max();
    for (std::size_t i = 0; i < quad.size(); ++i)
        weakest = std::min(weakest, edgeAcross(gradientX, gradientY, quad[i], quad[(i + 1) % 4]));
    return weakest;
}

std::vector<std::vector<cv::Point>> edgeOutlines(const cv::Mat& gray, double upperThreshold)
{
    cv::Mat edges;
    cv::Canny(gray, edges, upperThreshold / 2, upperThreshold, 3, true);
    // Closes the one-pixel gaps that JPEG blocks and texture leave in an edge.
    cv::dilate(edges, edges, cv::Mat());
    std::vector<std::vector<cv::Point>> outlines;
    cv::findContours(edges, outlines, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
    return outlines;
}

cv::Rect2f boundsOf(const std::vector<cv::Point2f>& points)
{
    cv::Point2f least = points.front();
    cv::Point2f most = points.front();
    for (const cv::Point2f& point : points) {
        least = cv::Point2f(std::min(least.x, point.x), std::min(least.y, point.y));
        most = cv::Point2f(std::max(most.x, point.x), std::max(most.y, point.y));
    }
    return cv::Rect2f(least, most);
}

std::vector<cv::Point2f> asFloat(const std::vector<cv::Point>& points)
{
    return std::vector<cv::Point2f>(points.begin(), points.end());
}
} // namespace

Quadrilateral inClickOrder(const Quadrilateral& corners)
{
    cv::Point2f centre(0, 0);
    for (const cv::Point2f& corner : corners)
        centre += corner * 0.25f;
    Quadrilateral ordered = corners;
    // With y pointing down, a growing angle turns clockwise on screen.
    std::sort(ordered.begin(), ordered.end(),
              [&centre](const cv::Point2f& a, const cv::Point2f& b) {
                  return std::atan2(a.y - centre.y, a.x - centre.x) <
                         std::atan2(b.y - centre.y, b.x - centre.x);
              });
    const auto topLeft = std::min_element(
        ordered.begin(), ordered.end(),
        [](const cv::Point2f& a, const cv::Point2f& b) { return a.x + a.y < b.x + b.y; });
    std::rotate(ordered.begin(), topLeft, ordered.end());
    return ordered;
}

std::optional<Quadrilateral> quadrilateralOfOutline(const std::vector<cv::Point2f>& outline)
{
    if (outline.size() < 3)
        return std::nullopt;
    std::vector<cv::Point2f> hull;
    cv::convexHull(outline, hull);
    if (hull.size() < 3 || cv::contourArea(hull) <= 0.0)
        return std::nullopt;
    if (hull.size() == 3) {
        // A triangle's longest side gets its middle as a fourth corner.
        std::size_t longest = 0;
        for (std::size_t i = 1; i < 3; ++i)
            if (cv::norm(hull[(i + 1) % 3] - hull[i]) >
                cv::norm(hull[(longest + 1) % 3] - hull[longest]))
                longest = i;
        hull.insert(hull.begin() + std::ptrdiff_t(longest + 1),
                    (hull[longest] + hull[(longest + 1) % 3]) * 0.5f);
    }
    const std::vector<cv::Point2f> four = fourCornersOf(hull);
    return inClickOrder({four[0], four[1], four[2], four[3]});
}

std::optional<QuadrilateralFit> fitQuadrilateralToMask(const cv::Mat& mask)
{
    if (mask.empty() || mask.type() != CV_8UC1)
        return std::nullopt;
    cv::Mat binary = mask != 0;
    const int inside = cv::countNonZero(binary);
    if (inside == 0)
        return std::nullopt;
    std::vector<std::vector<cv::Point>> regions;
    cv::findContours(binary.clone(), regions, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_NONE);
    const auto largest =
        std::max_element(regions.begin(), regions.end(),
                         [](const std::vector<cv::Point>& a, const std::vector<cv::Point>& b) {
                             return cv::contourArea(a) < cv::contourArea(b);
                         });
    // Pixel centres would cut half a pixel off every border; the outline runs round the pixels.
    std::vector<cv::Point2f> outline;
    for (const cv::Point& pixel : *largest)
        for (const cv::Point2f& offset : {cv::Point2f(-0.5f, -0.5f), cv::Point2f(0.5f, -0.5f),
                                          cv::Point2f(0.5f, 0.5f), cv::Point2f(-0.5f, 0.5f)})
            outline.push_back(cv::Point2f(pixel) + offset);
    const std::optional<Quadrilateral> quad = quadrilateralOfOutline(outline);
    if (!quad)
        return std::nullopt;
    cv::Mat covered = cv::Mat::zeros(mask.size(), CV_8U);
    std::vector<cv::Point> corners;
    for (const cv::Point2f& corner : *quad)
        corners.push_back(cv::Point(cvRound(corner.x * 16), cvRound(corner.y * 16)));
    cv::fillConvexPoly(covered, corners, cv::Scalar(255), cv::LINE_8, 4);
    const int coveredInside = cv::countNonZero(covered & binary);
    return QuadrilateralFit{*quad, double(coveredInside) / inside};
}

std::optional<QuadrilateralFit>
fitQuadrilateralToPolygons(const std::vector<std::vector<cv::Point2f>>& polygons)
{
    std::vector<cv::Point2f> outline;
    for (const std::vector<cv::Point2f>& polygon : polygons)
        outline.insert(outline.end(), polygon.begin(), polygon.end());
    const std::optional<Quadrilateral> quad = quadrilateralOfOutline(outline);
    if (!quad)
        return std::nullopt;
    const cv::Rect2f bounds = boundsOf(outline);
    const double scale = coverageRasterSide / std::max(1.0f, std::max(bounds.width, bounds.height));
    const cv::Size raster(int(std::ceil(bounds.width * scale)) + 2,
                          int(std::ceil(bounds.height * scale)) + 2);
    // Each part is filled on its own, so that parts that overlap still count once.
    auto fillInto = [&](cv::Mat& filled, const std::vector<cv::Point2f>& points) {
        std::vector<cv::Point> scaled;
        for (const cv::Point2f& point : points)
            scaled.push_back(cv::Point(cvRound((point.x - bounds.x) * scale * 16) + 16,
                                       cvRound((point.y - bounds.y) * scale * 16) + 16));
        cv::fillPoly(filled, std::vector<std::vector<cv::Point>>{scaled}, cv::Scalar(255),
                     cv::LINE_8, 4);
    };
    cv::Mat area = cv::Mat::zeros(raster, CV_8U);
    for (const std::vector<cv::Point2f>& polygon : polygons)
        fillInto(area, polygon);
    const int inside = cv::countNonZero(area);
    if (inside == 0)
        return std::nullopt;
    cv::Mat covered = cv::Mat::zeros(raster, CV_8U);
    fillInto(covered, std::vector<cv::Point2f>(quad->begin(), quad->end()));
    return QuadrilateralFit{*quad, double(cv::countNonZero(covered & area)) / inside};
}

std::optional<Quadrilateral> mostProminentQuadrilateral(const cv::Mat& gray, double minimumShare)
{
    if (gray.empty() || gray.type() != CV_8UC1)
        return std::nullopt;
    cv::Mat gradientX;
    cv::Mat gradientY;
    // Sobel's 3 x 3 kernel weighs a step four times; an eighth of it is half the step, the
    // steepest a blurred edge shows from one pixel to the next.
    cv::Sobel(gray, gradientX, CV_32F, 1, 0, 3, 0.125);
    cv::Sobel(gray, gradientY, CV_32F, 0, 1, 3, 0.125);
    cv::Mat magnitude;
    cv::magnitude(gradientX, gradientY, magnitude);
    double strongest = 0.0;
    cv::minMaxLoc(magnitude, nullptr, &strongest);
    // Canny measures the step with Sobel's unscaled kernel in L2.
    const double cannyScale = 8.0;

    const double minimumArea = minimumShare * gray.cols * gray.rows;
    std::vector<std::pair<Quadrilateral, double>> candidates;
    double strongestSide = weakestSideFloor;
    for (const double share : edgeThresholdShares) {
        for (const std::vector<cv::Point>& outline :
             edgeOutlines(gray, share * strongest * cannyScale)) {
            if (outline.size() < 4)
                continue;
            const std::optional<Quadrilateral> quad = quadrilateralOfOutline(asFloat(outline));
            if (!quad || quadrilateralArea(*quad) < minimumArea)
                continue;
            const std::vector<cv::Point2f> corners(quad->begin(), quad->end());
            if (!cv::isContourConvex(corners))
                continue;
            const double score = weakestSide(gradientX, gradientY, *quad);
            if (score < weakestSideFloor)
                continue;
            candidates.emplace_back(*quad, score);
            strongestSide = std::max(strongestSide, score);
        }
    }
    // The box was drawn round the object: of the outlines about as clear as the clearest,
    // the outermost is the object, those within it are its parts (a picture in its frame).
    std::optional<Quadrilateral> best;
    double largest = 0.0;
    for (const auto& [quad, score] : candidates) {
        const double area = quadrilateralArea(quad);
        if (score >= clearEnoughShare * strongestSide && area > largest) {
            largest = area;
            best = quad;
        }
    }
    return best;
}
