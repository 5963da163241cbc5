#include "syntheticscene.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {
const int jpegQuality = 85;
const int subPixelBits = 4;

struct Patch
{
    std::vector<cv::Point2f> polygon;
    cv::Scalar colour;
};

// OpenCV's antialiased fill is off by a fraction of a pixel, so the patches are filled
// sharply on an enlarged copy of the area they cover and averaged back down: a pixel then
// takes the share of its area that a patch covers.
void paint(cv::Mat& image, const std::vector<Patch>& patches)
{
    std::vector<cv::Point2f> all;
    for (const Patch& patch : patches)
        all.insert(all.end(), patch.polygon.begin(), patch.polygon.end());
    const cv::Rect area = (cv::boundingRect(all) + cv::Size(2, 2) - cv::Point(1, 1)) &
                          cv::Rect(0, 0, image.cols, image.rows);
    if (area.empty())
        return;
    const int factor = std::max(area.width, area.height) <= 1500 ? 4 : 2;
    cv::Mat enlarged;
    cv::resize(image(area), enlarged, area.size() * factor, 0, 0, cv::INTER_NEAREST);
    for (const Patch& patch : patches) {
        std::vector<cv::Point> scaled;
        // Pixel centre p of the image is pixel centre factor * (p + 0.5) - 0.5 enlarged.
        for (const cv::Point2f& point : patch.polygon)
            scaled.push_back(cv::Point(
                cvRound((factor * (point.x - area.x + 0.5f) - 0.5f) * (1 << subPixelBits)),
                cvRound((factor * (point.y - area.y + 0.5f) - 0.5f) * (1 << subPixelBits))));
        cv::fillPoly(enlarged, std::vector<std::vector<cv::Point>>{scaled}, patch.colour,
                     cv::LINE_8, subPixelBits);
    }
    cv::resize(enlarged, image(area), area.size(), 0, 0, cv::INTER_AREA);
}

// Plaster with blotches and a faint wallpaper stripe.
cv::Mat wall(const cv::Size& size, std::mt19937& random)
{
    cv::Mat noise(size / 16 + cv::Size(1, 1), CV_8UC3);
    cv::randu(noise, cv::Scalar(150, 150, 150), cv::Scalar(215, 210, 200));
    cv::Mat texture;
    cv::resize(noise, texture, size, 0, 0, cv::INTER_CUBIC);
    std::uniform_int_distribution<int> period(18, 40);
    const int stripe = period(random);
    for (int x = 0; x < size.width; x += stripe)
        cv::line(texture, cv::Point(x, 0), cv::Point(x, size.height - 1), cv::Scalar(140, 140, 135),
                 2);
    return texture;
}

cv::Point2f between(const cv::Point2f& a, const cv::Point2f& b, float share)
{
    return a + (b - a) * share;
}
} // namespace

SyntheticScene renderScene(const QSize& size, double frameShare, std::uint32_t seed)
{
    std::mt19937 random(seed);
    const cv::Size canvas(size.width(), size.height());
    cv::Mat image = wall(canvas, random);

    const float side = float(frameShare * std::min(size.width(), size.height()));
    std::uniform_real_distribution<float> place(0.3f, 0.7f);
    const cv::Point2f centre(place(random) * size.width(), place(random) * size.height());
    std::uniform_real_distribution<float> aspect(0.7f, 1.4f);
    const float width = side * aspect(random);
    const float height = side;
    std::uniform_real_distribution<float> tilt(-0.12f, 0.12f);
    const float angle = tilt(random);
    // Perspective: each corner pulled in or out by up to a tenth of the side.
    std::uniform_real_distribution<float> skew(-0.1f, 0.1f);
    std::vector<cv::Point2f> outer;
    const cv::Point2f half[4] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}};
    for (const cv::Point2f& h : half) {
        const cv::Point2f local(h.x * width * (1 + skew(random)),
                                h.y * height * (1 + skew(random)));
        outer.push_back(centre +
                        cv::Point2f(local.x * std::cos(angle) - local.y * std::sin(angle),
                                    local.x * std::sin(angle) + local.y * std::cos(angle)));
    }
    std::uniform_int_distribution<int> shade(20, 90);
    const cv::Scalar frameColour(shade(random), shade(random) / 2, shade(random) / 3);
    // The picture inside the frame: a border's width in, lighter, with a horizon of its own.
    std::vector<cv::Point2f> inner;
    for (std::size_t i = 0; i < 4; ++i)
        inner.push_back(between(outer[i], centre, 0.12f));
    const std::vector<cv::Point2f> ground{between(inner[3], inner[0], 0.45f),
                                          between(inner[2], inner[1], 0.55f), inner[2], inner[3]};
    paint(image, {{outer, frameColour},
                  {inner, cv::Scalar(170, 190, 200)},
                  {ground, cv::Scalar(70, 120, 90)}});

    cv::GaussianBlur(image, image, cv::Size(0, 0), 0.8);
    cv::Mat grain(canvas, CV_16SC3);
    cv::randn(grain, cv::Scalar::all(0), cv::Scalar::all(3));
    image.convertTo(image, CV_16SC3);
    image += grain;
    image.convertTo(image, CV_8UC3);
    std::vector<uchar> jpeg;
    cv::imencode(".jpg", image, jpeg, {cv::IMWRITE_JPEG_QUALITY, jpegQuality});
    const cv::Mat decoded = cv::imdecode(jpeg, cv::IMREAD_COLOR);
    cv::Mat bgra;
    cv::cvtColor(decoded, bgra, cv::COLOR_BGR2BGRA);

    SyntheticScene scene;
    scene.pixels =
        QImage(bgra.data, bgra.cols, bgra.rows, int(bgra.step), QImage::Format_RGB32).copy();
    scene.corners = {outer[0], outer[1], outer[2], outer[3]};
    return scene;
}

QImage cornerImage(const QSize& size, const cv::Point2f& corner)
{
    cv::Mat image(size.height(), size.width(), CV_8UC4, cv::Scalar(220, 220, 220, 255));
    const float right = float(size.width());
    const float bottom = float(size.height());
    paint(image, {{{corner, {right, corner.y}, {right, bottom}, {corner.x, bottom}},
                   cv::Scalar(30, 30, 30, 255)}});
    return QImage(image.data, image.cols, image.rows, int(image.step), QImage::Format_RGB32).copy();
}
