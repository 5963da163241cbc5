#include "workflowfixture.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstring>
#include <iostream>

#include <unistd.h>

StdoutCapture::StdoutCapture() : previous(std::cout.rdbuf(buffer.rdbuf())) {}

StdoutCapture::~StdoutCapture()
{
    std::cout.rdbuf(previous);
}

StderrCapture::StderrCapture() : file(std::tmpfile()), previous(::dup(STDERR_FILENO))
{
    std::fflush(stderr);
    ::dup2(::fileno(file), STDERR_FILENO);
}

StderrCapture::~StderrCapture()
{
    std::fflush(stderr);
    ::dup2(previous, STDERR_FILENO);
    ::close(previous);
    std::fclose(file);
}

QByteArray StderrCapture::text()
{
    std::fflush(stderr);
    std::cerr.flush();
    QFile captured;
    if (!captured.open(::fileno(file), QIODevice::ReadOnly))
        return QByteArray();
    captured.seek(0);
    return captured.readAll();
}

MessageBoxCloser::MessageBoxCloser(QMessageBox::StandardButton answer) : answer(answer)
{
    connect(&timer, &QTimer::timeout, this, &MessageBoxCloser::closeActiveBox);
    timer.start(5);
}

MessageBoxCloser::MessageBoxCloser(const QString& text) : MessageBoxCloser(QMessageBox::NoButton)
{
    answerText = text;
}

QAbstractButton* MessageBoxCloser::answerButton(QMessageBox* box) const
{
    for (QAbstractButton* button : box->buttons()) {
        if (!answerText.isEmpty() && button->text() == answerText)
            return button;
    }
    return box->button(answer);
}

void MessageBoxCloser::closeActiveBox()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box)
        return;
    titles << box->windowTitle();
    texts << box->text();
    textFormats << box->textFormat();
    QAbstractButton* button = answerButton(box);
    if (!button)
        button = box->button(QMessageBox::Ok);
    if (!button)
        button = box->defaultButton();
    if (button)
        button->click();
    else
        box->done(QMessageBox::Ok);
}

const QByteArray testVocabulary = "S1 0 S2 0 S3 0 S4 0 S5 0 S6 0 S7 0\n"
                                  "K 7 T1 T2 T3 T4 T5 T6 T7\n"
                                  "S8 0\n"
                                  "M 10 U1 U2 U3 U4 U5 U6 U7 U8 U9 U10\n"
                                  "S9 0\n";

bool writeTestJpeg(const QString& path, int width, int height, int grey)
{
    cv::Mat image(height, width, CV_8UC3, cv::Scalar(grey, grey, grey));
    return cv::imwrite(QFile::encodeName(path).toStdString(), image);
}

bool writePhotoLike(const QString& path, int width, int height, int seed, bool sixteenBits)
{
    cv::Mat image(height, width, CV_8UC3);
    cv::RNG random(seed);
    cv::Mat small(30, 40, CV_8UC3);
    random.fill(small, cv::RNG::UNIFORM, 40, 220);
    cv::resize(small, image, image.size(), 0, 0, cv::INTER_CUBIC);
    cv::Mat noise(image.size(), CV_8UC3);
    random.fill(noise, cv::RNG::NORMAL, 0, 12);
    image += noise;
    if (sixteenBits)
        image.convertTo(image, CV_16UC3, 257.0);
    // Each format takes only its own setting.
    return cv::imwrite(QFile::encodeName(path).toStdString(), image,
                       {cv::IMWRITE_JPEG_QUALITY, 92, cv::IMWRITE_WEBP_QUALITY, 90});
}

QByteArray sunRaster(int width, int height)
{
    std::vector<uchar> encoded;
    cv::imencode(".ras", cv::Mat(height, width, CV_8UC3, cv::Scalar(90, 120, 150)), encoded);
    return QByteArray(reinterpret_cast<const char*>(encoded.data()), qsizetype(encoded.size()));
}

QByteArray topDownBmp()
{
    cv::Mat picture(2, 2, CV_8UC3, cv::Scalar(255, 0, 0));
    picture.row(1).setTo(cv::Scalar(0, 0, 255));
    std::vector<uchar> encoded;
    cv::imencode(".bmp", picture, encoded);
    QByteArray bmp(reinterpret_cast<const char*>(encoded.data()), qsizetype(encoded.size()));
    const qint32 height = -2;
    std::memcpy(bmp.data() + 22, &height, sizeof height);
    return bmp;
}

QByteArray jpegClaimingSize(int width, int height)
{
    std::vector<uchar> encoded;
    cv::imencode(".jpg", cv::Mat(16, 16, CV_8UC3, cv::Scalar(90, 120, 150)), encoded);
    QByteArray bytes(reinterpret_cast<const char*>(encoded.data()), qsizetype(encoded.size()));
    // Marker segments follow the start marker: FF, type, a 16-bit length, the contents.
    const char startOfFrame = char(0xC0);
    for (qsizetype at = 2; at + 9 < bytes.size();) {
        if (bytes[at + 1] == startOfFrame) {
            bytes[at + 5] = char(height >> 8);
            bytes[at + 6] = char(height & 0xFF);
            bytes[at + 7] = char(width >> 8);
            bytes[at + 8] = char(width & 0xFF);
            break;
        }
        at += 2 + ((uchar(bytes[at + 2]) << 8) | uchar(bytes[at + 3]));
    }
    return bytes;
}

QByteArray withExifOrientation(const QByteArray& jpeg, int orientation)
{
    // Little-endian TIFF structure with one entry: tag 0x0112, type SHORT, count 1.
    QByteArray exif("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 24);
    exif += char(orientation);
    exif += QByteArray(7, '\0');
    const int length = int(exif.size()) + 2;
    const QByteArray segment =
        QByteArray("\xFF\xE1", 2) + char(length >> 8) + char(length & 0xFF) + exif;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

namespace {

QByteArray exifOrientationBlock(int orientation)
{
    return QByteArray("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18) + char(orientation) +
           QByteArray(7, '\0');
}

QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes;
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += char(value >> shift);
    return bytes;
}

QByteArray littleEndian(quint32 value, int width)
{
    QByteArray bytes;
    for (int index = 0; index < width; ++index)
        bytes += char(value >> (8 * index));
    return bytes;
}

// A PNG chunk with its CRC-32, so that the decoder does not drop it.
QByteArray pngChunk(const QByteArray& type, const QByteArray& body)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : type + body) {
        crc ^= static_cast<unsigned char>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return bigEndian32(quint32(body.size())) + type + body + bigEndian32(~crc);
}

const int pngIhdrEnd = 33;

} // namespace

QByteArray pngWithExifOrientation(const QByteArray& png, int orientation)
{
    return png.left(pngIhdrEnd) + pngChunk("eXIf", exifOrientationBlock(orientation)) +
           png.mid(pngIhdrEnd);
}

QByteArray webpWithExifOrientation(const QByteArray& webp, QSize size, int orientation)
{
    const QByteArray extended = "VP8X" + littleEndian(10, 4) + QByteArray("\x08\0\0\0", 4) +
                                littleEndian(quint32(size.width() - 1), 3) +
                                littleEndian(quint32(size.height() - 1), 3);
    const QByteArray exif = exifOrientationBlock(orientation);
    const QByteArray body =
        "WEBP" + extended + webp.mid(12) + "EXIF" + littleEndian(quint32(exif.size()), 4) + exif;
    return "RIFF" + littleEndian(quint32(body.size()), 4) + body;
}

QByteArray pngClaimingSize(int width, int height)
{
    std::vector<uchar> encoded;
    cv::imencode(".png", cv::Mat(16, 16, CV_8UC3, cv::Scalar(90, 120, 150)), encoded);
    const QByteArray png(reinterpret_cast<const char*>(encoded.data()), qsizetype(encoded.size()));
    const QByteArray header =
        bigEndian32(quint32(width)) + bigEndian32(quint32(height)) + png.mid(24, 5);
    return png.left(8) + pngChunk("IHDR", header) + png.mid(pngIhdrEnd);
}

QByteArray transparentPalettePng(int side)
{
    std::vector<uchar> encoded;
    cv::imencode(".png", cv::Mat(side, side, CV_8UC1, cv::Scalar(0)), encoded);
    const QByteArray grey(reinterpret_cast<const char*>(encoded.data()), qsizetype(encoded.size()));
    // The grey levels become indices into a palette of one black, fully transparent colour.
    QByteArray header = grey.mid(16, 13);
    header[9] = 3;
    return grey.left(8) + pngChunk("IHDR", header) + pngChunk("PLTE", QByteArray(3, '\0')) +
           pngChunk("tRNS", QByteArray(1, '\0')) + grey.mid(pngIhdrEnd);
}

QByteArray tiffWithOrientation(const QByteArray& tiff, int orientation)
{
    const auto number = [&tiff](qint64 offset, int width) {
        quint32 value = 0;
        for (int index = width - 1; index >= 0; --index)
            value = (value << 8) | static_cast<unsigned char>(tiff[offset + index]);
        return value;
    };
    const quint32 directory = number(4, 4);
    QList<QByteArray> entries{littleEndian(274, 2) + littleEndian(3, 2) + littleEndian(1, 4) +
                              littleEndian(quint32(orientation), 4)};
    for (quint32 entry = 0; entry < number(directory, 2); ++entry)
        entries << tiff.mid(directory + 2 + 12 * entry, 12);
    std::sort(entries.begin(), entries.end(), [](const QByteArray& left, const QByteArray& right) {
        return quint8(left[1]) * 256 + quint8(left[0]) < quint8(right[1]) * 256 + quint8(right[0]);
    });
    // The new first directory goes at the end; the pixels and the old one stay where they are.
    const QByteArray body = tiff.mid(8) + QByteArray(tiff.size() % 2, '\0');
    return tiff.left(4) + littleEndian(quint32(8 + body.size()), 4) + body +
           littleEndian(quint32(entries.size()), 2) + entries.join() + littleEndian(0, 4);
}

// A TIFF whose first page is three pixels wide, the others one.
QByteArray tiffOfPages(int pages)
{
    std::vector<cv::Mat> all(std::size_t(pages), cv::Mat(1, 1, CV_8UC3, cv::Scalar::all(9)));
    all[0] = cv::Mat(2, 3, CV_8UC3, cv::Scalar::all(9));
    QTemporaryDir scratch;
    const QString path = scratch.filePath("pages.tiff");
    cv::imwritemulti(QFile::encodeName(path).toStdString(), all);
    return fileBytes(path);
}

// A TIFF that is its first directory alone: this size, of samples this deep, which the depths
// after the directory give where they do not fit in its entry.
// bigEndianLongs: as some writers do, the depths are four-byte values, most significant first.
QByteArray tiffClaiming(const QSize& size, int samples, int bits, bool bigEndianLongs)
{
    QByteArray tiff =
        bigEndianLongs ? QByteArray("MM\0*\0\0\0\x08", 8) : QByteArray("II*\0\x08\0\0\0", 8);
    const auto add = [&tiff, bigEndianLongs](quint32 value, int bytes) {
        for (int byte = 0; byte < bytes; ++byte)
            tiff.append(char((value >> (8 * (bigEndianLongs ? bytes - 1 - byte : byte))) & 0xff));
    };
    const auto entry = [&add, bigEndianLongs](int tag, int type, int count, quint32 value) {
        add(tag, 2);
        add(type, 2);
        add(count, 4);
        // A short stands first in the four bytes.
        add(bigEndianLongs && type == 3 ? value << 16 : value, 4);
    };
    const int entries = 4;
    const quint32 depthsAt = 8 + 2 + entries * 12 + 4;
    add(entries, 2);
    entry(256, 4, 1, size.width());
    entry(257, 4, 1, size.height());
    if (bigEndianLongs)
        entry(258, 4, samples, depthsAt);
    else
        entry(258, 3, samples,
              samples > 2 ? depthsAt : quint32(bits) * (samples == 2 ? 0x10001 : 1));
    entry(277, 3, 1, samples);
    add(0, 4);
    for (int sample = 0; sample < samples; ++sample)
        add(bits, bigEndianLongs ? 4 : 2);
    return tiff;
}
