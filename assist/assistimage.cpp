#include "assistimage.h"

#include "cornersnap.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace {
// A box is searched for its quadrilateral on a copy this many pixels across at most.
const int boxSearchSide = 256;
const double boxMinimumShare = 1.0 / 3.0;
// How many pixels of the reduced copy a corner found on it may be off.
const double roughCornerReach = 5.0;
// Room beyond a snap radius for the corner detector's own neighbourhood.
const int windowMargin = 8;

bool isFourChannel(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}
} // namespace

AssistImage::AssistImage(const QImage& image, const QSize& imageFullSize)
    : pixels(image), fullSize(imageFullSize.isEmpty() ? image.size() : imageFullSize)
{
    if (!pixels.isNull() && !isFourChannel(pixels.format()) &&
        pixels.format() != QImage::Format_Grayscale8)
        pixels = pixels.convertToFormat(QImage::Format_RGB32);
}

double AssistImage::fullPerPixel() const
{
    return pixels.width() > 0 ? double(fullSize.width()) / pixels.width() : 1.0;
}

QPointF AssistImage::GrayWindow::toFull(const cv::Point2f& point) const
{
    return origin + QPointF(point.x, point.y) * step;
}

cv::Point2f AssistImage::GrayWindow::fromFull(const QPointF& point) const
{
    const QPointF inWindow = (point - origin) / step;
    return cv::Point2f(float(inWindow.x()), float(inWindow.y()));
}

AssistImage::GrayWindow AssistImage::grayWindow(const QRectF& area, int maximumSide) const
{
    GrayWindow window;
    const double full = fullPerPixel();
    // Full-resolution pixel centre c lies in pixel (c + 0.5) / full - 0.5 of the pixels.
    const QRect inPixels = QRect(QPoint(int(std::floor((area.left() + 0.5) / full - 0.5)),
                                        int(std::floor((area.top() + 0.5) / full - 0.5))),
                                 QPoint(int(std::ceil((area.right() + 0.5) / full - 0.5)),
                                        int(std::ceil((area.bottom() + 0.5) / full - 0.5))))
                               .intersected(pixels.rect());
    if (inPixels.isEmpty())
        return window;
    const bool four = isFourChannel(pixels.format());
    const cv::Mat whole(pixels.height(), pixels.width(), four ? CV_8UC4 : CV_8UC1,
                        const_cast<uchar*>(pixels.constBits()), std::size_t(pixels.bytesPerLine()));
    const int longer = std::max(inPixels.width(), inPixels.height());
    const int reduction = maximumSide > 0 ? (longer + maximumSide - 1) / maximumSide : 1;
    // Whole blocks of pixels, which OpenCV averages by its fast path.
    const int columns = std::max(reduction, inPixels.width() - inPixels.width() % reduction);
    const int rows = std::max(reduction, inPixels.height() - inPixels.height() % reduction);
    const cv::Rect taken = cv::Rect(inPixels.x(), inPixels.y(), columns, rows) &
                           cv::Rect(0, 0, whole.cols, whole.rows);
    const cv::Mat part = whole(taken);
    cv::Mat reduced = part;
    if (reduction > 1)
        cv::resize(part, reduced,
                   cv::Size(std::max(1, part.cols / reduction), std::max(1, part.rows / reduction)),
                   0, 0, cv::INTER_AREA);
    if (four)
        cv::cvtColor(reduced, window.gray, cv::COLOR_BGRA2GRAY);
    else
        window.gray = reduced.clone();
    const double across = double(part.cols) / std::max(1, reduced.cols);
    window.step = full * across;
    // Centre of window pixel 0 in full-resolution pixel-centre coordinates.
    window.origin = QPointF((inPixels.x() + across / 2.0) * full - 0.5,
                            (inPixels.y() + across / 2.0) * full - 0.5);
    return window;
}

std::optional<QPointF> AssistImage::snapCorner(const QPointF& near, double radius) const
{
    if (pixels.isNull() || !(radius > 0.0))
        return std::nullopt;
    const double reach = radius + windowMargin * fullPerPixel();
    const GrayWindow window =
        grayWindow(QRectF(near - QPointF(reach, reach), near + QPointF(reach, reach)), 0);
    if (window.gray.empty())
        return std::nullopt;
    const std::optional<cv::Point2f> corner =
        strongestCorner(window.gray, window.fromFull(near), radius / window.step);
    if (!corner)
        return std::nullopt;
    return window.toFull(*corner);
}

std::optional<Quadrilateral> AssistImage::quadrilateralIn(const QRectF& box,
                                                          double cornerRadius) const
{
    const std::optional<Outline> outline = outlineIn(box);
    if (!outline)
        return std::nullopt;
    return snapped(*outline, cornerRadius);
}

std::optional<AssistImage::Outline> AssistImage::outlineIn(const QRectF& box) const
{
    if (pixels.isNull() || box.isEmpty())
        return std::nullopt;
    const GrayWindow window = grayWindow(box, boxSearchSide);
    if (window.gray.empty())
        return std::nullopt;
    const std::optional<Quadrilateral> found =
        mostProminentQuadrilateral(window.gray, boxMinimumShare);
    if (!found)
        return std::nullopt;
    Outline outline;
    for (std::size_t i = 0; i < outline.corners.size(); ++i) {
        const QPointF corner = window.toFull((*found)[i]);
        outline.corners[i] = cv::Point2f(float(corner.x()), float(corner.y()));
    }
    outline.corners = inClickOrder(outline.corners);
    // The outline was found on a reduced copy, a few of its pixels from the true corner.
    outline.cornerReach = roughCornerReach * window.step;
    return outline;
}

Quadrilateral AssistImage::snapped(const Outline& outline, double cornerRadius) const
{
    const double reach = std::max(cornerRadius, outline.cornerReach);
    Quadrilateral corners;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const QPointF rough(outline.corners[i].x, outline.corners[i].y);
        const QPointF corner = snapCorner(rough, reach).value_or(rough);
        corners[i] = cv::Point2f(float(corner.x()), float(corner.y()));
    }
    return inClickOrder(corners);
}
