#include "headerprobe.h"

#include "imagenames.h"
#include "tiffstructure.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>

#include <climits>
#include <cstdlib>
#include <functional>

namespace {

const int firstBytes = 32;
// Chunks before the pixels: a few in a real file; a file of thousands is not worth reading.
const int mostChunks = 64;
// An EXIF block beyond this is not an orientation worth reading.
const int largestExif = 64 * 1024;
const int pngIhdrEnd = 33;

quint32 bigEndian(const QByteArray& bytes, int offset)
{
    quint32 value = 0;
    for (int index = 0; index < 4; ++index)
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + index]);
    return value;
}

quint32 littleEndian(const QByteArray& bytes, int offset, int width)
{
    quint32 value = 0;
    for (int index = width - 1; index >= 0; --index)
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + index]);
    return value;
}

QSize sizeOf(qint64 width, qint64 height)
{
    if (width <= 0 || height <= 0 || width > INT_MAX || height > INT_MAX)
        return QSize();
    return QSize(int(width), int(height));
}

// Up to length bytes at an offset, fewer at the end: from the file, or from its bytes read before.
using ReadAt = std::function<QByteArray(qint64 offset, qint64 length)>;

QByteArray readAt(QFile& file, qint64 offset, qint64 length)
{
    if (offset < 0 || length < 0 || !file.seek(offset))
        return QByteArray();
    return file.read(length);
}

// The orientation in an EXIF block, which may begin with the JPEG segment's "Exif" mark.
int exifOrientation(QByteArray exif)
{
    if (exif.startsWith(QByteArray("Exif\0\0", 6)))
        exif.remove(0, 6);
    return readTiffStructure([&exif](qint64 offset, int length) {
               return offset < 0 || offset > exif.size() ? QByteArray() : exif.mid(offset, length);
           })
        .orientation;
}

void readJpeg(QIODevice* device, HeaderFacts& facts)
{
    // Qt's reader parses the markers and the EXIF orientation without decoding a pixel.
    device->seek(0);
    QImageReader reader(device);
    reader.setAutoTransform(false);
    const QSize stored = reader.size();
    if (!stored.isValid() || stored.isEmpty())
        return;
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    facts.size = turned ? stored.transposed() : stored;
}

void readPng(const ReadAt& readAt, const QByteArray& start, HeaderFacts& facts)
{
    if (bigEndian(start, 8) != 13 || start.mid(12, 4) != "IHDR")
        return;
    const unsigned char colourType = static_cast<unsigned char>(start[25]);
    const int bitDepth = static_cast<unsigned char>(start[24]);
    facts.storedBytesPerPixel = bitDepth == 16 ? 8 : 4;
    facts.hasAlpha = colourType == 4 || colourType == 6;
    facts.size = sizeOf(bigEndian(start, 16), bigEndian(start, 20));
    qint64 offset = pngIhdrEnd;
    for (int chunk = 0; chunk < mostChunks; ++chunk) {
        const QByteArray head = readAt(offset, 8);
        if (head.size() < 8 || head.mid(4) == "IDAT" || head.mid(4) == "IEND")
            break;
        const quint32 length = bigEndian(head, 0);
        // Transparency given apart from the pixels: the decoder still hands over an alpha.
        if (head.mid(4) == "tRNS")
            facts.hasAlpha = true;
        if (head.mid(4) == "eXIf" && length <= quint32(largestExif))
            facts.orientation = exifOrientation(readAt(offset + 8, length));
        offset += 12 + qint64(length);
    }
}

void readWebPExtended(const ReadAt& readAt, const QByteArray& start, HeaderFacts& facts)
{
    const unsigned char flags = static_cast<unsigned char>(start[20]);
    facts.hasAlpha = flags & 0x10;
    facts.size =
        sizeOf(qint64(littleEndian(start, 24, 3)) + 1, qint64(littleEndian(start, 27, 3)) + 1);
    if (!(flags & 0x08))
        return;
    qint64 offset = 12;
    for (int chunk = 0; chunk < mostChunks; ++chunk) {
        const QByteArray head = readAt(offset, 8);
        if (head.size() < 8)
            break;
        const quint32 length = littleEndian(head, 4, 4);
        if (head.startsWith("EXIF") && length <= quint32(largestExif))
            facts.orientation = exifOrientation(readAt(offset + 8, length));
        offset += 8 + qint64(length) + (length & 1);
    }
}

void readWebP(const ReadAt& readAt, const QByteArray& start, HeaderFacts& facts)
{
    const QByteArray chunk = start.mid(12, 4);
    if (chunk == "VP8 " && start.mid(23, 3) == "\x9d\x01\x2a")
        facts.size =
            sizeOf(littleEndian(start, 26, 2) & 0x3fff, littleEndian(start, 28, 2) & 0x3fff);
    else if (chunk == "VP8L" && start[20] == '\x2f') {
        const quint32 bits = littleEndian(start, 21, 4);
        facts.size = sizeOf((bits & 0x3fff) + 1, ((bits >> 14) & 0x3fff) + 1);
        facts.hasAlpha = (bits >> 28) & 1;
    } else if (chunk == "VP8X")
        readWebPExtended(readAt, start, facts);
}

void readTiff(const ReadAt& readAt, HeaderFacts& facts)
{
    const TiffFacts tiff =
        readTiffStructure([&readAt](qint64 offset, int length) { return readAt(offset, length); });
    facts.size = tiff.size;
    facts.orientation = tiff.orientation;
    facts.hasAlpha = tiff.hasExtraSamples;
    facts.hasMorePages = tiff.hasNextPage;
    facts.storedBytesPerPixel = qint64(tiff.samplesPerPixel) * ((tiff.bitsPerSample + 7) / 8);
}

void readBmp(const QByteArray& start, HeaderFacts& facts)
{
    const quint32 infoBytes = littleEndian(start, 14, 4);
    if (infoBytes == 12) {
        facts.size = sizeOf(littleEndian(start, 18, 2), littleEndian(start, 20, 2));
        return;
    }
    // A negative height stores the rows from the top down.
    const qint64 height = qint32(littleEndian(start, 22, 4));
    facts.size = sizeOf(qint32(littleEndian(start, 18, 4)), std::llabs(height));
}

// Where the size fields a reader takes from the first bytes end; 0 where it reads them itself.
int sizeFieldsEnd(ImageFormat format, const QByteArray& start)
{
    switch (format) {
    case ImageFormat::Png:
        return 26;
    case ImageFormat::WebP:
        return start.mid(12, 4) == "VP8L" ? 25 : 30;
    case ImageFormat::Bmp:
        return littleEndian(start, 14, 4) == 12 ? 22 : 26;
    default:
        return 0;
    }
}

bool turnsSideways(int orientation)
{
    return orientation >= 5;
}

} // namespace

ImageFormat formatOfFirstBytes(const QByteArray& start)
{
    if (start.startsWith("\xff\xd8\xff"))
        return ImageFormat::Jpeg;
    if (start.startsWith("\x89PNG\r\n\x1a\n"))
        return ImageFormat::Png;
    if (start.startsWith("RIFF") && start.mid(8, 4) == "WEBP")
        return ImageFormat::WebP;
    if (start.startsWith(QByteArray("II*\0", 4)) || start.startsWith(QByteArray("MM\0*", 4)))
        return ImageFormat::Tiff;
    if (start.startsWith("BM") && start.size() >= 18)
        return ImageFormat::Bmp;
    return ImageFormat::None;
}

namespace {

// jpegDevice: where Qt's reader finds the JPEG's markers, from its first byte.
HeaderFacts probeHeader(const ReadAt& readAt, QIODevice* jpegDevice)
{
    QByteArray start = readAt(0, firstBytes);
    HeaderFacts facts;
    facts.format = formatOfFirstBytes(start);
    const qsizetype stored = start.size();
    start = start.leftJustified(firstBytes, '\0');
    switch (facts.format) {
    case ImageFormat::Jpeg:
        facts.storedBytesPerPixel = 3;
        readJpeg(jpegDevice, facts);
        return facts;
    case ImageFormat::Png:
        readPng(readAt, start, facts);
        break;
    case ImageFormat::WebP:
        readWebP(readAt, start, facts);
        break;
    case ImageFormat::Tiff:
        readTiff(readAt, facts);
        break;
    case ImageFormat::Bmp:
        readBmp(start, facts);
        break;
    case ImageFormat::None:
        break;
    }
    // A file cut inside its header would be sized from the zeros that stand in for the rest.
    if (stored < sizeFieldsEnd(facts.format, start))
        facts.size = QSize();
    if (facts.size.isValid() && turnsSideways(facts.orientation))
        facts.size.transpose();
    return facts;
}

} // namespace

bool HeaderFacts::operator==(const HeaderFacts& other) const
{
    return format == other.format && size == other.size && orientation == other.orientation &&
           hasAlpha == other.hasAlpha && hasMorePages == other.hasMorePages &&
           storedBytesPerPixel == other.storedBytesPerPixel;
}

HeaderFacts probeImageHeader(const QString& path)
{
    // Opening a FIFO or a device waits for a writer that may never come.
    if (!QFileInfo(path).isFile())
        return HeaderFacts();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return HeaderFacts();
    return probeHeader(
        [&file](qint64 offset, qint64 length) { return readAt(file, offset, length); }, &file);
}

HeaderFacts probeImageHeaderOf(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return probeHeader(
        [&bytes](qint64 offset, qint64 length) {
            return offset < 0 || length < 0 || offset > bytes.size() ? QByteArray()
                                                                     : bytes.mid(offset, length);
        },
        &buffer);
}

bool isImageFile(const QString& path)
{
    if (!isImageFileName(QFileInfo(path).fileName()) || !QFileInfo(path).isFile())
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) &&
           formatOfFirstBytes(file.read(firstBytes)) != ImageFormat::None;
}
