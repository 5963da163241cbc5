#include "imagedecoding.h"

#include "headerprobe.h"
#include "imagecodecs.h"
#include "imagestream.h"
#include "jpegstreamdecoder.h"
#include "screenpixels.h"

#include <algorithm>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

// The pixel layout below is that of a little-endian machine.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN,
              "32-bit RGB is stored as BGRA only on little-endian machines");

namespace {

const int largestReduction = 8;

qint64 pixelsOf(const QSize& size)
{
    return qint64(size.width()) * qint64(size.height());
}

bool fitsBudget(const QSize& size)
{
    return pixelsOf(size) <= screenPixelBudget;
}

// What a header tells before any pixel is decoded.
struct ImageHeader
{
    QSize size;
    // JPEG, which libjpeg decodes straight at a half, a quarter or an eighth of each side.
    bool reducible = false;
    // The rest are decoded as stored and made to look as they are meant to here.
    int orientation = 1;
    bool hasAlpha = false;
    bool hasMorePages = false;
    qint64 storedBytesPerPixel = 4;
};

ImageHeader headerOf(const HeaderFacts& facts)
{
    // OpenCV's TIFF decoder turns the pixels as the tag says even when asked for them unchanged.
    const int turnStill = facts.format == ImageFormat::Tiff ? 1 : facts.orientation;
    return {facts.size,         facts.format == ImageFormat::Jpeg, turnStill, facts.hasAlpha,
            facts.hasMorePages, facts.storedBytesPerPixel};
}

// The decoder's own buffer, before its pixels are made 8 bits a channel, fits as well: a float
// TIFF within the pixel budget could otherwise take gigabytes.
bool fitsBudget(const ImageHeader& header, const QSize& size)
{
    return fitsBudget(size) && pixelsOf(size) <= decodeByteBudget / header.storedBytesPerPixel;
}

// The decoder's pixels: libjpeg's colour, turned as its EXIF says, or any other format as
// stored (16 bits and alpha kept), made to look as it is meant to here.
cv::Mat decodedColours(const QByteArray& bytes, const ImageHeader& header, int flags)
{
    const cv::Mat file(1, int(bytes.size()), CV_8UC1, const_cast<char*>(bytes.constData()));
    if (header.reducible)
        return ImageCodecs::decode(file, flags);
    return uprightScreenColours(ImageCodecs::decode(file, cv::IMREAD_UNCHANGED), header.orientation,
                                header.hasAlpha);
}

// OpenCV throws on sizes beyond its own limits and on failed allocations; on a worker
// thread that would end the program, so every failure becomes a null image here.
QImage decodedPixels(const QByteArray& bytes, const ImageHeader& header, int flags) noexcept
{
    try {
        const cv::Mat decoded = decodedColours(bytes, header, flags);
        if (decoded.empty())
            return QImage();
        QImage image = screenBuffer(decoded.cols, decoded.rows);
        if (image.isNull())
            return QImage();
        // Format_RGB32 keeps each pixel as blue, green, red and 255 in memory order,
        // which is exactly what the conversion to BGRA writes.
        cv::Mat screen(decoded.rows, decoded.cols, CV_8UC4, image.bits(),
                       static_cast<std::size_t>(image.bytesPerLine()));
        if (decoded.channels() == 4)
            decoded.copyTo(screen);
        else
            cv::cvtColor(decoded, screen,
                         decoded.channels() == 1 ? cv::COLOR_GRAY2BGRA : cv::COLOR_BGR2BGRA);
        return image;
    } catch (...) {
        return QImage();
    }
}

// libjpeg rounds a reduced side up.
QSize reducedSize(const QSize& full, int reduction)
{
    return QSize((full.width() + reduction - 1) / reduction,
                 (full.height() + reduction - 1) / reduction);
}

// The least reduction whose pixels fit the budget; 0 when none does.
int budgetReduction(const ImageHeader& header)
{
    const int largest = header.reducible ? largestReduction : 1;
    for (int reduction = 1; reduction <= largest; reduction *= 2)
        if (fitsBudget(header, reducedSize(header.size, reduction)))
            return reduction;
    return 0;
}

// The most reduction whose pixels still cover the screen at this scale.
int screenReduction(const DisplayScale& scale, const QSize& size)
{
    const double shown = scale.scaleFor(size);
    int reduction = 1;
    while (reduction < largestReduction && 2 * reduction * shown <= 1.0)
        reduction *= 2;
    return reduction;
}

int decoderFlags(int reduction)
{
    switch (reduction) {
    case 2:
        return cv::IMREAD_REDUCED_COLOR_2;
    case 4:
        return cv::IMREAD_REDUCED_COLOR_4;
    case 8:
        return cv::IMREAD_REDUCED_COLOR_8;
    default:
        return cv::IMREAD_COLOR;
    }
}

// The upright full size: the header's, turned as the decoder turned the pixels, since
// the reader and the decoder might read the orientation differently.
QSize fullSizeOf(const QSize& decoded, const QSize& header, int reduction)
{
    if (reducedSize(header, reduction) == decoded)
        return header;
    if (reducedSize(header.transposed(), reduction) == decoded)
        return header.transposed();
    return decoded * reduction;
}

ScreenImage refused(const QSize& size)
{
    ScreenImage image;
    image.tooLarge = true;
    image.fullSize = size;
    return image;
}

ScreenImage decodedAt(const QByteArray& bytes, const ImageHeader& header, int reduction,
                      int sharpestReduction)
{
    ScreenImage image;
    image.pixels = decodedPixels(bytes, header, decoderFlags(reduction));
    if (image.isNull())
        return image;
    image.fullSize = fullSizeOf(image.pixels.size(), header.size, reduction);
    // Only where the header told another size than the pixels have.
    if (!fitsBudget(image.pixels.size()))
        return refused(image.fullSize);
    image.reduction = reduction;
    image.sharpestReduction = sharpestReduction;
    image.firstPageOnly = header.hasMorePages;
    return image;
}

// What libjpeg would have decoded reduced, for the formats decoded only whole: made on the
// worker, so that the step shows as few pixels as a JPEG's does. Unchanged if it fails.
ScreenImage scaledDown(ScreenImage image, int reduction) noexcept
{
    if (reduction == 1 || image.isNull())
        return image;
    const QSize size = reducedSize(image.pixels.size(), reduction);
    QImage reduced = screenBuffer(size.width(), size.height());
    if (reduced.isNull())
        return image;
    try {
        const cv::Mat whole(image.pixels.height(), image.pixels.width(), CV_8UC4,
                            const_cast<uchar*>(image.pixels.constBits()),
                            static_cast<std::size_t>(image.pixels.bytesPerLine()));
        cv::Mat scaled(size.height(), size.width(), CV_8UC4, reduced.bits(),
                       static_cast<std::size_t>(reduced.bytesPerLine()));
        cv::resize(whole, scaled, scaled.size(), 0, 0, cv::INTER_AREA);
    } catch (...) {
        return image;
    }
    image.pixels = std::move(reduced);
    image.reduction = reduction;
    return image;
}

// A file larger than the decoder may hold is refused from its header alone, read in place.
ScreenImage refusedUnread(const ImageFile& file)
{
    const QSize size = probeImageHeader(file.path).size;
    if (!size.isValid())
        return ScreenImage();
    ScreenImage image = refused(size);
    image.unreadFileBytes = file.size;
    return image;
}

ScreenImage decodedWhole(const ImageFile& file, const DisplayScale* scale)
{
    return scale ? decodePreviewForScreen(file, *scale) : decodeImageForScreen(file);
}

// Twelve bytes tell any format.
bool startsAsJpeg(ImageStream& stream)
{
    const qint64 formatBytes = 12;
    const qint64 arrived = std::min(stream.waitBeyond(formatBytes - 1), formatBytes);
    return formatOfFirstBytes(QByteArray::fromRawData(stream.bytes(), arrived)) ==
           ImageFormat::Jpeg;
}

// What libjpeg makes of the bytes as they arrive; null where it can't, and where the image is
// beyond the budget, which the decoder of whole files then tells.
ScreenImage jpegAsRead(ImageStream& stream, const DisplayScale* scale,
                       const RowsArriving& rowsArriving)
{
    JpegStreamDecoder jpeg(stream);
    if (!jpeg.readHeader())
        return ScreenImage();
    const ImageHeader header{jpeg.uprightSize(), true, 1, false, false, 3};
    const int leastReduction = budgetReduction(header);
    if (!header.size.isValid() || leastReduction == 0)
        return ScreenImage();
    const int reduction =
        scale ? std::max(leastReduction, screenReduction(*scale, header.size)) : leastReduction;
    ScreenImage image;
    image.fullSize = header.size;
    image.reduction = reduction;
    image.sharpestReduction = leastReduction;
    const auto told = [&](const QImage& sofar, int storedRows) {
        image.pixels = sofar;
        rowsArriving(image, std::min(header.size.height(), storedRows * reduction));
    };
    image.pixels = jpeg.decode(reduction, rowsArriving ? told : JpegStreamDecoder::RowsIn());
    if (image.pixels.size() != reducedSize(header.size, reduction))
        return ScreenImage();
    return image;
}

ScreenImage decodedAsRead(ImageStream& stream, const DisplayScale* scale,
                          const RowsArriving& rowsArriving = RowsArriving())
{
    ScreenImage image;
    if (stream.opened().isRead() && startsAsJpeg(stream))
        image = jpegAsRead(stream, scale, rowsArriving);
    const ImageFile file = stream.whole();
    // A file cut short leaves empty bytes, which decode to nothing.
    if (image.isNull() || file.cutShort)
        return decodedWhole(file, scale);
    return image;
}

} // namespace

const qint64 screenPixelBudget = qint64(48) << 20;
const qint64 decodeByteBudget = screenPixelBudget * 8;

ImageFile readImageFile(const QString& path)
{
    return readImageFile(path, decodeByteBudget);
}

ScreenImage decodeImageForScreen(const ImageFile& file)
{
    if (file.overBudget)
        return refusedUnread(file);
    const ImageHeader header = headerOf(probeImageHeaderOf(file.bytes));
    // Its pixels could be any number: decoding them to find out could take gigabytes.
    if (!header.size.isValid())
        return ScreenImage();
    const int reduction = budgetReduction(header);
    if (reduction == 0)
        return refused(header.size);
    return decodedAt(file.bytes, header, reduction, reduction);
}

ScreenImage decodePreviewForScreen(const ImageFile& file, const DisplayScale& scale)
{
    if (file.overBudget)
        return refusedUnread(file);
    const ImageHeader header = headerOf(probeImageHeaderOf(file.bytes));
    if (!header.size.isValid())
        return ScreenImage();
    const int leastReduction = budgetReduction(header);
    if (leastReduction == 0)
        return refused(header.size);
    const int reduction = std::max(leastReduction, screenReduction(scale, header.size));
    if (!header.reducible)
        return scaledDown(decodedAt(file.bytes, header, leastReduction, leastReduction), reduction);
    return decodedAt(file.bytes, header, reduction, leastReduction);
}

ScreenImage decodeImageForScreen(const QString& path)
{
    return decodeImageForScreen(readImageFile(path));
}

ScreenImage decodePreviewForScreen(const QString& path, const DisplayScale& scale)
{
    return decodePreviewForScreen(readImageFile(path), scale);
}

ScreenImage decodeImageForScreen(ImageStream& stream)
{
    return decodedAsRead(stream, nullptr);
}

ScreenImage decodePreviewForScreen(ImageStream& stream, const DisplayScale& scale)
{
    return decodedAsRead(stream, &scale);
}

ScreenImage decodeImageForScreen(ImageStream& stream, const RowsArriving& rowsArriving)
{
    return decodedAsRead(stream, nullptr, rowsArriving);
}
