#include "imagedecoding.h"

#include <QFile>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

// The pixel layout below is that of a little-endian machine.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN,
              "32-bit RGB is stored as BGRA only on little-endian machines");

QImage decodeImageForScreen(const QString& path)
{
    const cv::Mat decoded = cv::imread(QFile::encodeName(path).toStdString(), cv::IMREAD_COLOR);
    if (decoded.empty())
        return QImage();
    QImage image(decoded.cols, decoded.rows, QImage::Format_RGB32);
    if (image.isNull())
        return QImage();
    // Format_RGB32 keeps each pixel as blue, green, red and 255 in memory order,
    // which is exactly what the conversion to BGRA writes.
    cv::Mat screen(decoded.rows, decoded.cols, CV_8UC4, image.bits(),
                   static_cast<std::size_t>(image.bytesPerLine()));
    cv::cvtColor(decoded, screen, cv::COLOR_BGR2BGRA);
    return image;
}
