#include "earlyimagedecode.h"
#include "headerprobe.h"
#include "imagedecoding.h"
#include "imageprefetcher.h"
#include "imagestream.h"
#include "screenpixels.h"
#include "workflowfixture.h"

#include <QtTest>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

Q_DECLARE_METATYPE(DisplayScale)
Q_DECLARE_METATYPE(ScreenImage)

namespace {

// A picture whose pixels differ everywhere, so that a swapped channel or a shifted row shows.
cv::Mat noisyPicture(int width, int height, int seed)
{
    cv::Mat picture(height, width, CV_8UC3);
    cv::RNG(seed).fill(picture, cv::RNG::UNIFORM, 0, 256);
    return picture;
}

QByteArray encoded(const char* extension, const cv::Mat& picture,
                   const std::vector<int>& parameters = {})
{
    std::vector<uchar> bytes;
    cv::imencode(extension, picture, bytes, parameters);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

bool writeJpeg(const QString& path, const cv::Mat& picture)
{
    return cv::imwrite(QFile::encodeName(path).toStdString(), picture);
}

// Another picture at path, dated a minute on, so that no clock tick can hide the change.
bool replaceJpeg(const QString& path, const cv::Mat& picture)
{
    QFile file(path);
    const bool replaced = writeJpeg(path, picture) && file.open(QIODevice::ReadWrite) &&
                          file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                           QFileDevice::FileModificationTime);
    file.close();
    return replaced;
}

// The pixels of OpenCV's decoder reading the file itself, as the screen lays them out.
QImage decodedInPlace(const QString& path)
{
    const HeaderFacts facts = probeImageHeader(path);
    const std::string name = QFile::encodeName(path).toStdString();
    const cv::Mat colours =
        facts.format == ImageFormat::Jpeg
            ? cv::imread(name)
            : uprightScreenColours(cv::imread(name, cv::IMREAD_UNCHANGED),
                                   facts.format == ImageFormat::Tiff ? 1 : facts.orientation,
                                   facts.hasAlpha);
    cv::Mat screen = colours;
    if (colours.channels() != 4)
        cv::cvtColor(colours, screen,
                     colours.channels() == 1 ? cv::COLOR_GRAY2BGRA : cv::COLOR_BGR2BGRA);
    return QImage(screen.data, screen.cols, screen.rows, int(screen.step), QImage::Format_RGB32)
        .copy();
}

} // namespace

class TestImagePrefetcher : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString pathOf(const QString& name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(writeJpeg(pathOf("a.jpg"), noisyPicture(320, 240, 1)));
        QVERIFY(writeJpeg(pathOf("b.jpg"), noisyPicture(300, 200, 2)));
        QVERIFY(writeJpeg(pathOf("big.jpg"), noisyPicture(2400, 1600, 3)));
    }

    void decodedPixelsAreTheFilesColours()
    {
        const QImage image = decodeImageForScreen(pathOf("a.jpg")).pixels;
        const cv::Mat reference = cv::imread(QFile::encodeName(pathOf("a.jpg")).toStdString());
        QCOMPARE(image.format(), QImage::Format_RGB32);
        QCOMPARE(image.size(), QSize(reference.cols, reference.rows));
        for (const QPoint& at : {QPoint(0, 0), QPoint(319, 0), QPoint(17, 133), QPoint(319, 239)}) {
            const cv::Vec3b bgr = reference.at<cv::Vec3b>(at.y(), at.x());
            QCOMPARE(image.pixel(at), qRgb(bgr[2], bgr[1], bgr[0]));
        }
        // Read in one range and in several at once, ranges of 64 KiB put together in order, at
        // their boundaries and more of them than there are readers.
        const qint64 range = 64 << 10;
        for (const qint64 size : {range - 1, range, range + 1, 17 * range + 1}) {
            QByteArray bytes(size, Qt::Uninitialized);
            for (qint64 at = 0; at < size; ++at)
                bytes[at] = char((at * 7919) >> 8);
            QVERIFY(writeFileBytes(pathOf("ranges.jpg"), bytes));
            QCOMPARE(readImageFile(pathOf("ranges.jpg")).bytes, bytes);
        }
        // A decode begun at start serves its own image only, once, its rows in view first.
        const QImage big = decodeImageForScreen(pathOf("big.jpg")).pixels;
        for (const char* name : {"b.jpg", "big.jpg"}) {
            EarlyImageDecode::start(pathOf("big.jpg"));
            QList<QImage> tops;
            const auto early = EarlyImageDecode::take(
                pathOf(name), 400, [&tops](ScreenImage top) { tops << top.pixels; });
            QCOMPARE(early.has_value(), QByteArray(name) == "big.jpg");
            QVERIFY(!EarlyImageDecode::take(pathOf(name)));
            if (early)
                QVERIFY(early->image.pixels == big && tops.size() == 1 &&
                        tops[0].copy(0, 0, 2400, 400) == big.copy(0, 0, 2400, 400));
        }
        // A read let go stops where it is, and what it has is not the file; one that ended
        // first, on a busy machine, is whole, and another is let go.
        QVERIFY(writeFileBytes(pathOf("long.jpg"), QByteArray()));
        QVERIFY(QFile::resize(pathOf("long.jpg"), qint64(64) << 20));
        ImageFile part;
        for (int attempt = 0; attempt < 20 && !part.cutShort; ++attempt) {
            const auto dropped = ImageStream::open(pathOf("long.jpg"), decodeByteBudget);
            dropped->abandon();
            part = dropped->whole();
            QVERIFY(part.bytes.size() == (part.cutShort ? 0 : part.size));
        }
        QVERIFY(part.cutShort);
    }

    void takeHandsOverWhatAForegroundDecodeGives()
    {
        ImagePrefetcher prefetcher;
        prefetcher.prefetch(pathOf("a.jpg"));
        QTRY_VERIFY(prefetcher.holds(pathOf("a.jpg")));
        const QImage taken = prefetcher.take(pathOf("a.jpg")).pixels;
        QCOMPARE(taken, decodeImageForScreen(pathOf("a.jpg")).pixels);
        QCOMPARE(prefetcher.imagesHeld(), 0);
    }

    void takeWhileTheDecodeRunsWaitsForIt()
    {
        ImagePrefetcher prefetcher;
        prefetcher.prefetch(pathOf("big.jpg"));
        QCOMPARE(prefetcher.take(pathOf("big.jpg")).pixels,
                 decodeImageForScreen(pathOf("big.jpg")).pixels);
        QCOMPARE(prefetcher.imagesHeld(), 0);
    }

    void fileReplacedAfterThePrefetchIsDecodedAgain_data()
    {
        QTest::addColumn<bool>("replaced");
        QTest::newRow("unchanged") << false;
        QTest::newRow("replaced") << true;
    }

    // Taking looks at no file; the worker does, and the new picture follows.
    void fileReplacedAfterThePrefetchIsDecodedAgain()
    {
        QFETCH(bool, replaced);
        const QString path = pathOf("replaced.jpg");
        QVERIFY(writeJpeg(path, noisyPicture(200, 100, 4)));
        const QImage before = decodeImageForScreen(path).pixels;
        ImagePrefetcher prefetcher;
        QSignalSpy sharpened(&prefetcher, &ImagePrefetcher::sglSharpImageReady);
        prefetcher.prefetch(path);
        QTRY_VERIFY(prefetcher.holds(path));

        if (replaced)
            QVERIFY(replaceJpeg(path, noisyPicture(200, 100, 5)));
        QCOMPARE(prefetcher.take(path).pixels, before);
        // Once the next image is held sharp, the one on screen was looked at.
        prefetcher.prefetch(pathOf("a.jpg"));
        QTRY_VERIFY(prefetcher.holds(pathOf("a.jpg")));
        QCOMPARE(sharpened.count(), replaced ? 1 : 0);
        if (replaced)
            QCOMPARE(sharpened[0][1].value<ScreenImage>().pixels,
                     decodeImageForScreen(path).pixels);
    }

    void newerWishReplacesTheWaitingOne()
    {
        ImagePrefetcher prefetcher;
        prefetcher.prefetch(pathOf("big.jpg"));
        prefetcher.prefetch(pathOf("a.jpg"));
        prefetcher.prefetch(pathOf("b.jpg"));
        QVERIFY(prefetcher.imagesHeld() <= 2);
        // The big one is dropped when done; only the last wish is decoded and kept.
        QTRY_VERIFY(prefetcher.holds(pathOf("b.jpg")));
        QCOMPARE(prefetcher.imagesHeld(), 1);
        QVERIFY(!prefetcher.holds(pathOf("a.jpg")) && !prefetcher.holds(pathOf("big.jpg")));
    }

    void headerDecidesWhatIsDecoded_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QSize>("fullSize");
        QTest::addColumn<QSize>("pixelsSize");
        // What the pixel at shows; nothing is checked where it is 0.
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QRgb>("seen");
        QTest::newRow("not a JPEG")
            << QByteArray("not a JPEG at all") << QSize() << QSize() << QPoint() << QRgb(0);
        QTest::newRow("missing") << QByteArray() << QSize() << QSize() << QPoint() << QRgb(0);
        const QByteArray png = encoded(".png", noisyPicture(64, 48, 7));
        QTest::newRow("PNG claiming 100000 x 100000")
            << pngClaimingSize(100000, 100000) << QSize(100000, 100000) << QSize() << QPoint()
            << QRgb(0);
        QTest::newRow("truncated PNG")
            << png.left(png.size() / 2) << QSize() << QSize() << QPoint() << QRgb(0);
        const QByteArray webp = encoded(".webp", noisyPicture(64, 48, 7));
        QTest::newRow("truncated WebP")
            << webp.left(webp.size() / 2) << QSize() << QSize() << QPoint() << QRgb(0);
        QTest::newRow("WebP") << webp << QSize(64, 48) << QSize(64, 48) << QPoint() << QRgb(0);
        QTest::newRow("TIFF of 10,000 pages")
            << tiffOfPages(10000) << QSize(3, 2) << QSize(3, 2) << QPoint(2, 1) << qRgb(9, 9, 9);
        QTest::newRow("BMP with a negative height")
            << topDownBmp() << QSize(2, 2) << QSize(2, 2) << QPoint(0, 0) << qRgb(255, 0, 0);
        QTest::newRow("1 x 1 PNG") << encoded(".png", cv::Mat(1, 1, CV_8UC3, cv::Scalar(1, 2, 3)))
                                   << QSize(1, 1) << QSize(1, 1) << QPoint(0, 0) << qRgb(3, 2, 1);
        QTest::newRow("grey PNG") << encoded(".png", cv::Mat(4, 4, CV_8UC1, cv::Scalar(90)))
                                  << QSize(4, 4) << QSize(4, 4) << QPoint(3, 3) << qRgb(90, 90, 90);
        // The full range is mapped: the high byte alone would show 16384 black.
        QTest::newRow("16-bit PNG at 16384")
            << encoded(".png", cv::Mat(4, 4, CV_16UC3, cv::Scalar::all(16384))) << QSize(4, 4)
            << QSize(4, 4) << QPoint(1, 1) << qRgb(64, 64, 64);
        QTest::newRow("16-bit PNG at 65535")
            << encoded(".png", cv::Mat(4, 4, CV_16UC3, cv::Scalar::all(65535))) << QSize(4, 4)
            << QSize(4, 4) << QPoint(1, 1) << qRgb(255, 255, 255);
        QTest::newRow("transparent PNG shows the dark square")
            << encoded(".png", cv::Mat(16, 16, CV_8UC4, cv::Scalar(0, 0, 255, 0))) << QSize(16, 16)
            << QSize(16, 16) << QPoint(8, 0) << qRgb(153, 153, 153);
        QTest::newRow("half transparent red over the light square")
            << encoded(".png", cv::Mat(16, 16, CV_8UC4, cv::Scalar(0, 0, 255, 128)))
            << QSize(16, 16) << QSize(16, 16) << QPoint(7, 7) << qRgb(230, 102, 102);
        QTest::newRow("transparent palette PNG shows the dark square")
            << transparentPalettePng(16) << QSize(16, 16) << QSize(16, 16) << QPoint(8, 0)
            << qRgb(153, 153, 153);
        QTest::newRow("transparent lossless WebP")
            << encoded(".webp", cv::Mat(16, 16, CV_8UC4, cv::Scalar(0, 0, 255, 0))) << QSize(16, 16)
            << QSize(16, 16) << QPoint(0, 8) << qRgb(153, 153, 153);
        // Beyond the budget even at an eighth, and beyond OpenCV's own limit, where it throws.
        QTest::newRow("60000 x 60000 header")
            << jpegClaimingSize(60000, 60000) << QSize(60000, 60000) << QSize() << QPoint()
            << QRgb(0);
        // What a JPEG's header may claim, as it is decoded reduced; the others only whole.
        QTest::newRow("PNG claiming 12000 x 6000")
            << pngClaimingSize(12000, 6000) << QSize(12000, 6000) << QSize() << QPoint() << QRgb(0);
        QTest::newRow("12000 x 6000 header") << jpegClaimingSize(12000, 6000) << QSize(12000, 6000)
                                             << QSize(6000, 3000) << QPoint() << QRgb(0);
        QTest::newRow("48000 x 24000 panorama")
            << jpegClaimingSize(48000, 24000) << QSize(48000, 24000) << QSize(6000, 3000)
            << QPoint() << QRgb(0);
        // The decoder would hold 576 MB of 64-bit floats: refused unread, as the PNG above.
        QTest::newRow("TIFF of 64-bit floats claiming 6000 x 4000")
            << tiffClaiming(QSize(6000, 4000), 3, 64) << QSize(6000, 4000) << QSize() << QPoint()
            << QRgb(0);
        // 32-bit floats in three samples: 384 MiB at 8192 x 4096 is the most, so that one is
        // read (and found to hold no pixels), and one row more is refused.
        QTest::newRow("TIFF of 32-bit floats at the byte budget")
            << tiffClaiming(QSize(8192, 4096), 3, 32) << QSize() << QSize() << QPoint() << QRgb(0);
        QTest::newRow("TIFF of 32-bit floats a row beyond")
            << tiffClaiming(QSize(8192, 4097), 3, 32) << QSize(8192, 4097) << QSize() << QPoint()
            << QRgb(0);
        QTest::newRow("TIFF of 32-bit floats a row beyond, depths as big-endian longs")
            << tiffClaiming(QSize(8192, 4097), 3, 32, true) << QSize(8192, 4097) << QSize()
            << QPoint() << QRgb(0);
        // Two samples' depths stand in the directory entry itself.
        QTest::newRow("TIFF of two 64-bit samples claiming 8192 x 4096")
            << tiffClaiming(QSize(8192, 4096), 2, 64) << QSize(8192, 4096) << QSize() << QPoint()
            << QRgb(0);
        QTest::newRow("grey TIFF of 32-bit floats")
            << encoded(".tiff", cv::Mat(4, 4, CV_32FC1, cv::Scalar(0.5))) << QSize(4, 4)
            << QSize(4, 4) << QPoint(3, 3) << qRgb(128, 128, 128);
        // Decoded as its bytes arrive, in several reads, exactly as from the whole file.
        const QByteArray photo = encoded(".jpg", noisyPicture(640, 480, 8));
        for (int orientation = 1; orientation <= 8; ++orientation) {
            const QSize upright = orientation >= 5 ? QSize(480, 640) : QSize(640, 480);
            QTest::addRow("JPEG turned %d", orientation)
                << withExifOrientation(photo, orientation) << upright << upright << QPoint()
                << QRgb(0);
        }
        // An XMP segment before the EXIF one: OpenCV reads the first segment as the EXIF block.
        const QByteArray turned = withExifOrientation(photo, 6);
        const QByteArray xmp("\xFF\xE1\x00\x23http://ns.adobe.com/xap/1.0/\0<x/>", 37);
        QTest::newRow("JPEG turned after an XMP segment")
            << turned.left(2) + xmp + turned.mid(2) << QSize(640, 480) << QSize(640, 480)
            << QPoint() << QRgb(0);
        // Of two orientation entries OpenCV takes the first.
        QTest::newRow("JPEG whose EXIF says 3 and then 6")
            << photo.left(2) +
                   QByteArray("\xFF\xE1\0\x2e"
                              "Exif\0\0II*\0\x08\0\0\0\x02\0\x12\x01\x03\0\x01\0\0\0\x03\0\0\0"
                              "\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\0\0\0\0",
                              48) +
                   photo.mid(2)
            << QSize(640, 480) << QSize(640, 480) << QPoint() << QRgb(0);
        QTest::newRow("grey JPEG")
            << encoded(".jpg", cv::Mat(48, 64, CV_8UC1, cv::Scalar(90))) << QSize(64, 48)
            << QSize(64, 48) << QPoint(3, 3) << qRgb(90, 90, 90);
        QTest::newRow("progressive JPEG")
            << encoded(".jpg", noisyPicture(640, 480, 9), {cv::IMWRITE_JPEG_PROGRESSIVE, 1})
            << QSize(640, 480) << QSize(640, 480) << QPoint() << QRgb(0);
        QTest::newRow("JPEG cut in half") << photo.left(photo.size() / 2) << QSize(640, 480)
                                          << QSize(640, 480) << QPoint() << QRgb(0);
        // Its pixels could be any number: it is not decoded to find out.
        QTest::newRow("raster whose size the header does not tell")
            << sunRaster(64, 48) << QSize() << QSize() << QPoint() << QRgb(0);
        // Zeros after its end: read whole at the byte budget, refused unread a byte past it.
        QTest::newRow("PNG padded to the byte budget")
            << png << QSize(64, 48) << QSize(64, 48) << QPoint() << QRgb(0);
        QTest::newRow("PNG padded a byte past the byte budget")
            << png << QSize(64, 48) << QSize() << QPoint() << QRgb(0);
    }

    // Foreground and worker alike: no exception; past the budget, reduced to fit or refused.
    void headerDecidesWhatIsDecoded()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QSize, fullSize);
        QFETCH(QSize, pixelsSize);
        QFETCH(QPoint, at);
        QFETCH(QRgb, seen);
        const QString path = pathOf(QTest::currentDataTag() + QStringLiteral(".jpg"));
        if (!contents.isEmpty())
            QVERIFY(writeFileBytes(path, contents));
        const QByteArray tag(QTest::currentDataTag());
        if (tag.contains("padded"))
            QVERIFY(QFile::resize(path, decodeByteBudget + (tag.contains("past") ? 1 : 0)));

        const ImageFile file = readImageFile(path);
        QCOMPARE(file.overBudget, tag.contains("past"));
        QCOMPARE(file.bytes.isEmpty(), !file.isRead() || contents.isEmpty());
        if (file.isRead())
            QVERIFY(probeImageHeaderOf(file.bytes) == probeImageHeader(path));
        const ScreenImage foreground = decodeImageForScreen(file);
        ImagePrefetcher prefetcher;
        prefetcher.prefetch(path);
        QTRY_VERIFY(prefetcher.imagesHeld() == 0 || prefetcher.holds(path));
        const ScreenImage background = prefetcher.take(path);
        // Decoded as it arrives or from the whole file, the same; a file cut short is read to
        // its end by OpenCV's own reader differently from the bytes in memory.
        QCOMPARE(background.pixels, foreground.pixels);
        for (const ScreenImage& image : {foreground, background}) {
            QCOMPARE(image.pixels.size(), pixelsSize.isValid() ? pixelsSize : QSize(0, 0));
            QCOMPARE(image.tooLarge, fullSize.isValid() && !pixelsSize.isValid());
            QCOMPARE(image.fullSize, fullSize);
            QVERIFY(image.isSharpest());
            if (seen != 0)
                QCOMPARE(image.pixels.pixel(at), seen);
            QCOMPARE(image.firstPageOnly, tag.contains("pages"));
            if (image.reduction == 1 && !image.isNull() && !tag.contains("cut"))
                QCOMPARE(image.pixels, decodedInPlace(path));
        }
    }

    void previewCoversTheScreenUpright_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<DisplayScale>("scale");
        QTest::addColumn<int>("reduction");
        QTest::addColumn<bool>("replacedWhileShown");
        const QSize upright(2400, 1600);
        const QString jpg = "jpg";
        QTest::newRow("fit at 25 %") << jpg << 1 << DisplayScale{1.0, upright / 4} << 4 << false;
        QTest::newRow("fit at 40 %") << jpg << 1 << DisplayScale{1.0, upright * 0.4} << 2 << false;
        QTest::newRow("zoom 10 %") << jpg << 1 << DisplayScale{0.1, QSize()} << 8 << false;
        QTest::newRow("zoom 60 %") << jpg << 1 << DisplayScale{0.6, QSize()} << 1 << false;
        QTest::newRow("turned, fit at 25 %")
            << jpg << 6 << DisplayScale{1.0, upright.transposed() / 4} << 4 << false;
        QTest::newRow("turned the other way")
            << jpg << 8 << DisplayScale{0.6, QSize()} << 1 << false;
        // Only libjpeg decodes reduced; the others are scaled down whole, turned by their EXIF.
        QTest::newRow("PNG turned, fit at 25 %")
            << "png" << 6 << DisplayScale{1.0, upright.transposed() / 4} << 4 << false;
        QTest::newRow("WebP turned the other way")
            << "webp" << 8 << DisplayScale{0.6, QSize()} << 1 << false;
        QTest::newRow("TIFF turned, fit at 25 %")
            << "tiff" << 6 << DisplayScale{1.0, upright.transposed() / 4} << 4 << false;
        // Awaited as its reduced decode ahead runs, which then arrives first.
        QTest::newRow("PNG stepped to while made ahead")
            << "png" << 1 << DisplayScale{1.0, upright / 4} << 4 << false;
        // Another picture of another size: its sharp pixels replace the reduced ones.
        QTest::newRow("file replaced while shown reduced")
            << jpg << 1 << DisplayScale{1.0, upright / 4} << 4 << true;
        // At full size its rows in view come first, the rest black until the whole follows.
        QTest::newRow("stepped to at full size, the rows in view first")
            << jpg << 1 << DisplayScale{1.0, QSize(), 400} << 1 << false;
        QTest::newRow("turned, stepped to at full size")
            << jpg << 6 << DisplayScale{1.0, QSize(), 400} << 1 << false;
        QTest::newRow("stepped to at full size, the view to its end")
            << jpg << 1 << DisplayScale{1.0, QSize(), 1600} << 1 << false;
    }

    // A reduced decode shows what the sharp one shows, upright; the sharp one follows.
    void previewCoversTheScreenUpright()
    {
        QFETCH(QString, format);
        QFETCH(int, orientation);
        QFETCH(DisplayScale, scale);
        QFETCH(int, reduction);
        QFETCH(bool, replacedWhileShown);
        // Four plain quarters, which show a turn or a mirror after any reduction.
        cv::Mat quarters(1600, 2400, CV_8UC3, cv::Scalar(200, 40, 40));
        quarters(cv::Rect(1200, 0, 1200, 800)).setTo(cv::Scalar(40, 200, 40));
        quarters(cv::Rect(0, 800, 1200, 800)).setTo(cv::Scalar(40, 40, 200));
        const QString path = pathOf("quarters." + format);
        QVERIFY(writeJpeg(path, quarters));
        const QByteArray stored = fileBytes(path);
        QVERIFY(writeFileBytes(path,
                               format == "png" ? pngWithExifOrientation(stored, orientation)
                               : format == "webp"
                                   ? webpWithExifOrientation(stored, QSize(2400, 1600), orientation)
                               : format == "tiff" ? tiffWithOrientation(stored, orientation)
                                                  : withExifOrientation(stored, orientation)));

        ImagePrefetcher prefetcher;
        QSignalSpy sharpened(&prefetcher, &ImagePrefetcher::sglSharpImageReady);
        QSignalSpy arrived(&prefetcher, &ImagePrefetcher::sglImageArrived);
        const bool stepped = QByteArray(QTest::currentDataTag()).contains("stepped");
        // Both workers make reduced images ahead, so it is its reduced one that is awaited.
        if (stepped)
            prefetcher.prefetch({pathOf("a.jpg"), path}, scale);
        ScreenImage preview =
            stepped ? prefetcher.takeOrDecodeBehind(path, scale) : prefetcher.take(path, scale);
        if (stepped) {
            QTRY_COMPARE(arrived.count(), 1);
            preview = arrived[0][1].value<ScreenImage>();
        }
        if (replacedWhileShown) {
            QVERIFY(replaceJpeg(path, noisyPicture(900, 700, 6)));
            // One sharp decode at a time, the image on screen's first: once the next image
            // is held sharp, the one on screen was decoded and judged.
            prefetcher.prefetch(QStringList(pathOf("a.jpg")), DisplayScale());
            QTRY_VERIFY(prefetcher.holds(pathOf("a.jpg")));
            QCOMPARE(sharpened.count(), 1);
            QCOMPARE(sharpened[0][1].value<ScreenImage>().fullSize, QSize(900, 700));
            return;
        }
        const ScreenImage sharp = decodeImageForScreen(path);
        const QSize upright = orientation >= 6 ? QSize(1600, 2400) : QSize(2400, 1600);
        QCOMPARE(sharp.pixels.size(), upright);
        // The top left quarter: turned clockwise the lower left comes up, else the upper right.
        const QRgb topLeft = orientation == 6   ? qRgb(200, 40, 40)
                             : orientation == 8 ? qRgb(40, 200, 40)
                                                : qRgb(40, 40, 200);
        const QRgb seen = sharp.pixels.pixel(300, 300);
        QVERIFY2(qAbs(qRed(seen) - qRed(topLeft)) + qAbs(qGreen(seen) - qGreen(topLeft)) < 30,
                 qPrintable(QString::number(seen, 16)));
        QCOMPARE(preview.fullSize, upright);
        QCOMPARE(preview.reduction, reduction);
        QCOMPARE(preview.pixels.size(), upright / reduction);
        if (format == "jpg" && !stepped)
            QCOMPARE(preview.pixels, decodePreviewForScreen(readImageFile(path), scale).pixels);
        const bool topFirst = QByteArray(QTest::currentDataTag()).contains("rows in view first");
        QCOMPARE(preview.isSharpest(), reduction == 1 && !topFirst);
        const QRect top(0, 0, 2400, scale.rowsToViewBottom);
        if (topFirst)
            QVERIFY(preview.pixels.copy(top) == sharp.pixels.copy(top) &&
                    preview.pixels.pixel(0, top.height()) == qRgb(0, 0, 0));
        for (const QPoint& at : {QPoint(300, 300), QPoint(1300, 300), QPoint(300, 1300)}) {
            const QRgb full =
                topFirst && !top.contains(at) ? qRgb(0, 0, 0) : sharp.pixels.pixel(at);
            const QRgb reduced = preview.pixels.pixel(at / reduction);
            QVERIFY(qAbs(qRed(full) - qRed(reduced)) + qAbs(qBlue(full) - qBlue(reduced)) < 30);
        }
        QTRY_COMPARE(sharpened.count(), reduction == 1 && !topFirst ? 0 : 1);
        if (reduction > 1 || topFirst)
            QCOMPARE(sharpened[0][1].value<ScreenImage>().pixels, sharp.pixels);
    }

    void clearDropsTheImageBeingMade()
    {
        ImagePrefetcher prefetcher;
        prefetcher.prefetch(pathOf("big.jpg"));
        prefetcher.clear();
        QTRY_COMPARE(prefetcher.imagesHeld(), 0);
        QTest::qWait(50);
        QCOMPARE(prefetcher.imagesHeld(), 0);
    }

    void destroyedWhileDecoding()
    {
        auto prefetcher = std::make_unique<ImagePrefetcher>();
        prefetcher->prefetch(pathOf("big.jpg"));
        prefetcher->prefetch(pathOf("a.jpg"));
        prefetcher.reset();
        QVERIFY(!prefetcher);
    }
};

QTEST_GUILESS_MAIN(TestImagePrefetcher)
#include "test_imageprefetcher.moc"
