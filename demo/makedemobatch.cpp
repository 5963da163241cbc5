// Paints a handful of simple furnished rooms as JPEG files, so the demo batch
// needs no photographs from anywhere else.
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <iostream>
#include <string>
#include <vector>

namespace {

struct Palette
{
    cv::Scalar wall, floor, sofa, wood, rug, accent;
};

const std::vector<Palette> palettes = {
    {{215, 228, 236},
     {96, 128, 160},
     {120, 110, 100},
     {60, 95, 140},
     {70, 70, 150},
     {60, 160, 220}},
    {{200, 215, 205},
     {150, 170, 190},
     {160, 130, 80},
     {90, 120, 160},
     {180, 190, 200},
     {40, 90, 200}},
    {{190, 205, 225}, {70, 90, 120}, {50, 60, 150}, {40, 60, 90}, {110, 140, 170}, {200, 200, 80}},
    {{235, 235, 230},
     {170, 180, 185},
     {90, 90, 90},
     {140, 160, 180},
     {60, 100, 60},
     {30, 120, 230}},
    {{180, 200, 215},
     {80, 110, 140},
     {100, 140, 110},
     {50, 80, 110},
     {150, 120, 160},
     {210, 170, 90}},
};

void paintRoom(cv::Mat& image, const Palette& colours, int variant)
{
    const int width = image.cols;
    const int height = image.rows;
    const int horizon = height * 3 / 5;
    image.setTo(colours.wall);
    cv::rectangle(image, {0, horizon}, {width, height}, colours.floor, cv::FILLED);
    for (int y = horizon; y < height; y += 18)
        cv::line(image, {0, y}, {width, y}, colours.floor * 0.85, 1, cv::LINE_AA);

    const int shift = (variant * 97) % 200;
    // Window with a view of the sky.
    cv::rectangle(image, {60 + shift, 70}, {230 + shift, 260}, {235, 210, 170}, cv::FILLED);
    cv::rectangle(image, {60 + shift, 70}, {230 + shift, 260}, {250, 250, 250}, 8);
    cv::line(image, {145 + shift, 70}, {145 + shift, 260}, {250, 250, 250}, 6);

    // Framed artwork.
    cv::rectangle(image, {470 - shift / 2, 110}, {600 - shift / 2, 200}, colours.accent,
                  cv::FILLED);
    cv::rectangle(image, {470 - shift / 2, 110}, {600 - shift / 2, 200}, colours.wood, 6);

    // Rug as a quadrilateral in perspective.
    std::vector<cv::Point> rug = {
        {220, horizon + 60}, {620, horizon + 60}, {700, height - 30}, {140, height - 30}};
    cv::fillConvexPoly(image, rug, colours.rug, cv::LINE_AA);

    // Sofa: seat, back and arms.
    const int sofaLeft = 120 + shift / 3;
    cv::rectangle(image, {sofaLeft, horizon - 70}, {sofaLeft + 330, horizon + 40}, colours.sofa,
                  cv::FILLED);
    cv::rectangle(image, {sofaLeft - 25, horizon - 20}, {sofaLeft + 10, horizon + 55},
                  colours.sofa * 0.8, cv::FILLED);
    cv::rectangle(image, {sofaLeft + 320, horizon - 20}, {sofaLeft + 355, horizon + 55},
                  colours.sofa * 0.8, cv::FILLED);
    cv::rectangle(image, {sofaLeft + 5, horizon}, {sofaLeft + 320, horizon + 45},
                  colours.sofa * 1.15, cv::FILLED);

    // Coffee table and a floor lamp.
    cv::ellipse(image, {420, horizon + 120}, {110, 30}, 0, 0, 360, colours.wood, cv::FILLED,
                cv::LINE_AA);
    cv::line(image, {700 - shift / 4, horizon + 100}, {700 - shift / 4, 170}, {40, 40, 40}, 5);
    cv::ellipse(image, {700 - shift / 4, 160}, {40, 30}, 0, 180, 360, {180, 230, 250}, cv::FILLED,
                cv::LINE_AA);

    // Potted plant.
    cv::rectangle(image, {40, horizon + 60}, {90, horizon + 120}, {60, 80, 150}, cv::FILLED);
    cv::circle(image, {65, horizon + 30}, 40, {60, 140, 60}, cv::FILLED, cv::LINE_AA);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::cerr << "usage: makedemobatch <output folder>" << std::endl;
        return 2;
    }
    const std::string folder = argv[1];
    // The last room is a lossless PNG, as renders of rooms come out of 3-D tools.
    const std::size_t rooms = palettes.size() + 1;
    for (std::size_t i = 0; i < rooms; ++i) {
        cv::Mat image(600, 800, CV_8UC3);
        paintRoom(image, palettes[i % palettes.size()], int(i));
        const bool last = i + 1 == rooms;
        const std::string path =
            folder + "/room" + std::to_string(i + 1) + (last ? ".png" : ".jpg");
        const std::vector<int> quality{cv::IMWRITE_JPEG_QUALITY, 90};
        if (!cv::imwrite(path, image, last ? std::vector<int>() : quality)) {
            std::cerr << "cannot write " << path << std::endl;
            return 1;
        }
    }
    return 0;
}
