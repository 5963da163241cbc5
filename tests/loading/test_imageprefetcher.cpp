#include "imagedecoding.h"
#include "imageprefetcher.h"
#include "workflowfixture.h"

#include <QtTest>

#include <opencv2/imgcodecs.hpp>

namespace {

// A picture whose pixels differ everywhere, so that a swapped channel or a shifted row shows.
cv::Mat noisyPicture(int width, int height, int seed)
{
    cv::Mat picture(height, width, CV_8UC3);
    cv::RNG(seed).fill(picture, cv::RNG::UNIFORM, 0, 256);
    return picture;
}

bool writeJpeg(const QString& path, const cv::Mat& picture)
{
    return cv::imwrite(QFile::encodeName(path).toStdString(), picture);
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

    void fileReplacedAfterThePrefetchIsDecodedAgain()
    {
        const QString path = pathOf("replaced.jpg");
        QVERIFY(writeJpeg(path, noisyPicture(200, 100, 4)));
        ImagePrefetcher prefetcher;
        prefetcher.prefetch(path);
        QTRY_COMPARE(prefetcher.imagesHeld(), 1);

        QVERIFY(writeJpeg(path, noisyPicture(200, 100, 5)));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                 QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(prefetcher.take(path).pixels, decodeImageForScreen(path).pixels);
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

    void imageThatCantBeShownGivesANullImage_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QSize>("refusedSize");
        QTest::newRow("not a JPEG") << QByteArray("not a JPEG at all") << QSize();
        QTest::newRow("missing") << QByteArray() << QSize();
        // Beyond OpenCV's own limit, where its decoder throws.
        QTest::newRow("60000 x 60000 header")
            << jpegClaimingSize(60000, 60000) << QSize(60000, 60000);
        QTest::newRow("12000 x 6000 header") << jpegClaimingSize(12000, 6000) << QSize(12000, 6000);
    }

    // In the foreground and on the worker alike: never an exception, and the reason
    // when it is the image's size.
    void imageThatCantBeShownGivesANullImage()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QSize, refusedSize);
        const QString path = pathOf(QTest::currentDataTag() + QStringLiteral(".jpg"));
        if (!contents.isEmpty())
            QVERIFY(writeFileBytes(path, contents));

        const ScreenImage foreground = decodeImageForScreen(path);
        ImagePrefetcher prefetcher;
        prefetcher.prefetch(path);
        QTRY_COMPARE(prefetcher.imagesHeld(), 0);
        const ScreenImage background = prefetcher.take(path);
        for (const ScreenImage& image : {foreground, background}) {
            QVERIFY(image.isNull());
            QCOMPARE(image.tooLarge, refusedSize.isValid());
            if (image.tooLarge)
                QCOMPARE(image.fullSize, refusedSize);
        }
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
