#include "imagedecoding.h"

#include <QFile>
#include <QImageIOHandler>
#include <QImageReader>

#include <cstdlib>

#include <sys/mman.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

// The pixel layout below is that of a little-endian machine.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN,
              "32-bit RGB is stored as BGRA only on little-endian machines");

namespace {

const std::size_t hugePageSize = std::size_t(2) << 20;

void releaseBuffer(void* buffer)
{
    std::free(buffer);
}

// A 32-bit RGB image in memory of its own, laid out in huge pages where the system offers
// them: a photograph's buffer then takes a few dozen page faults instead of tens of
// thousands, which makes filling it three times quicker. It goes back to the system when
// the last copy of the image is gone.
QImage screenImage(int width, int height)
{
    const qsizetype bytesPerLine = qsizetype(width) * 4;
    const std::size_t bytes = std::size_t(bytesPerLine) * std::size_t(height);
    void* buffer = nullptr;
    if (bytes == 0 || ::posix_memalign(&buffer, hugePageSize, bytes) != 0)
        return QImage();
#ifdef MADV_HUGEPAGE
    ::madvise(buffer, bytes, MADV_HUGEPAGE);
#endif
    return QImage(static_cast<uchar*>(buffer), width, height, bytesPerLine, QImage::Format_RGB32,
                  releaseBuffer, buffer);
}

bool fitsBudget(const QSize& size)
{
    return qint64(size.width()) * qint64(size.height()) <= screenPixelBudget;
}

// OpenCV throws on sizes beyond its own limits and on failed allocations; on a worker
// thread that would end the program, so every failure becomes a null image here.
QImage decodedPixels(const QString& path, int flags) noexcept
{
    try {
        const cv::Mat decoded = cv::imread(QFile::encodeName(path).toStdString(), flags);
        if (decoded.empty())
            return QImage();
        QImage image = screenImage(decoded.cols, decoded.rows);
        if (image.isNull())
            return QImage();
        // Format_RGB32 keeps each pixel as blue, green, red and 255 in memory order,
        // which is exactly what the conversion to BGRA writes.
        cv::Mat screen(decoded.rows, decoded.cols, CV_8UC4, image.bits(),
                       static_cast<std::size_t>(image.bytesPerLine()));
        cv::cvtColor(decoded, screen, cv::COLOR_BGR2BGRA);
        return image;
    } catch (...) {
        return QImage();
    }
}

} // namespace

const qint64 screenPixelBudget = qint64(48) << 20;

QSize imageHeaderSize(const QString& path)
{
    // The reader parses the header only; pixels are decoded by read(), which is not called.
    QImageReader reader(path);
    reader.setAutoTransform(false);
    const QSize stored = reader.size();
    if (!stored.isValid())
        return QSize();
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    return turned ? stored.transposed() : stored;
}

ScreenImage decodeImageForScreen(const QString& path)
{
    ScreenImage image;
    image.fullSize = imageHeaderSize(path);
    if (image.fullSize.isValid() && !fitsBudget(image.fullSize)) {
        image.tooLarge = true;
        return image;
    }
    // A format whose header the reader does not know is decoded all the same.
    image.pixels = decodedPixels(path, cv::IMREAD_COLOR);
    image.fullSize = image.isNull() ? QSize() : image.pixels.size();
    if (!image.isNull() && !fitsBudget(image.fullSize)) {
        image.tooLarge = true;
        image.pixels = QImage();
    }
    return image;
}
