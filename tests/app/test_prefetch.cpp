#include "earlyentryread.h"
#include "editgate.h"
#include "entryreadahead.h"
#include "imagedecoding.h"
#include "labelfile.h"
#include "labelpath.h"
#include "quadrotag.h"
#include "reviewfile.h"
#include "teampaths.h"
#include "windowtest.h"
#include "workflowfixture.h"

#include <QMutex>
#include <QSemaphore>
#include <QtTest>

#include <opencv2/imgcodecs.hpp>

#include <memory>

#include <sys/stat.h>

Q_DECLARE_METATYPE(ScreenImage)

// The window shows images decoded ahead of time exactly as it shows those decoded on
// the key press, and never an image other than the one the operator is on.
class TestPrefetch : public WindowTest
{
    Q_OBJECT

private:
    // A review whose one note says text: rewritten with another text of its length, the file
    // keeps its size.
    static Review reviewNoted(const QString& text)
    {
        Review review;
        review.reviewer = QStringLiteral("lead");
        review.at = QDateTime(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC);
        review.labelDigest = QByteArray(64, 'a');
        review.notes = {{QPoint(30, 40), text}};
        return review;
    }

    const ImagePrefetcher& prefetcher() const { return window->imagePrefetcher(); }

    // Noise, so that any pixel taken from the wrong place or channel shows.
    static bool writeNoisyJpeg(const QString& path, int width, int height, int seed)
    {
        cv::Mat picture(height, width, CV_8UC3);
        cv::RNG(seed).fill(picture, cv::RNG::UNIFORM, 0, 256);
        return cv::imwrite(QFile::encodeName(path).toStdString(), picture);
    }

    // The canvas shows the image unscaled at its top-left corner.
    QImage shownImage() const
    {
        const QImage painted = canvas()->grab().toImage();
        return painted.convertToFormat(QImage::Format_RGB32);
    }

    QStringList noisyBatch(int count, int width = 160, int height = 120,
                           const QString& suffix = QStringLiteral("jpg"))
    {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            const QString path = pathOf(QStringLiteral("img%1.%2").arg(i).arg(suffix));
            if (!writeNoisyJpeg(path, width, height, i))
                return {};
            paths << path;
        }
        return paths;
    }

private slots:

    void prefetchedImageShowsTheSamePixelsAsAForegroundDecode()
    {
        const QStringList batch = noisyBatch(2);
        openBatch(batch);
        QTRY_VERIFY(prefetcher().holds(batch[1]));
        pressKey(Qt::Key_Down);
        QCOMPARE(status(), "2/2  " + batch[1]);
        const QImage prefetched = shownImage();
        QCOMPARE(prefetched, decodeImageForScreen(batch[1]).pixels);

        openBatch({batch[1]});
        QCOMPARE(shownImage(), prefetched);
    }

    // The label file read ahead is read anew once the claim is taken, and the pixels are
    // checked on a worker right after the step, which brings the new picture; a label file
    // rewritten in the second it was read ahead, to the same size, is caught also when the
    // share's clock runs behind this computer's; so is a review file.
    void fileReplacedAfterItsPrefetchIsShownAsItIsNow_data()
    {
        QTest::addColumn<QString>("replaced");
        QTest::addColumn<bool>("sameStamp");
        QTest::addColumn<int>("shareClockBehind");
        QTest::newRow("image") << "img1.jpg" << false << 0;
        QTest::newRow("label file") << "img1.lbl" << false << 0;
        QTest::newRow("label file, same size and time") << "img1.lbl" << true << 0;
        QTest::newRow("label file, same size and time, share's clock behind")
            << "img1.lbl" << true << 5;
        QTest::newRow("review file, same size and time, share's clock behind")
            << "review" << true << 5;
    }

    void fileReplacedAfterItsPrefetchIsShownAsItIsNow()
    {
        QFETCH(QString, replaced);
        QFETCH(bool, sameStamp);
        QFETCH(int, shareClockBehind);
        const bool image = replaced == "img1.jpg";
        const bool review = replaced == "review";
        const QStringList batch = noisyBatch(2);
        const QString path = review ? reviewPathFor(batch[1]) : pathOf(replaced);
        if (review)
            QVERIFY(writeReview(reviewNoted("first"), path));
        else if (!image)
            QVERIFY(writeFileBytes(path, "0\n4 1 1 9 1 9 9 1 9 \n1 0 0 \n"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-shareClockBehind),
                                 QFileDevice::FileModificationTime));
        file.close();
        const QDateTime readAhead = QFileInfo(path).lastModified();
        openBatch(batch);
        QTRY_VERIFY(prefetcher().holds(batch[1]));
        if (image)
            QVERIFY(writeNoisyJpeg(batch[1], 160, 120, 99));
        else if (review)
            QVERIFY(writeReview(reviewNoted("later"), path));
        else
            QVERIFY(writeFileBytes(path, "0\n4 2 2 8 2 8 8 2 8 \n1 0 0 \n"));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(sameStamp ? readAhead : QDateTime::currentDateTime().addSecs(30),
                                 QFileDevice::FileModificationTime));
        file.close();
        pressKey(Qt::Key_Down);
        if (image)
            QTRY_COMPARE(shownImage(), decodeImageForScreen(batch[1]).pixels);
        if (review) {
            QTRY_COMPARE(window->review().shownNotes().size(), std::size_t(1));
            QTRY_COMPARE(window->review().shownNotes().front().text, QStringLiteral("later"));
            return;
        }
        QCOMPARE(QByteArray::fromStdString(labelFileContents(window->imageAnnotation())),
                 image ? QByteArray("0\n") : fileBytes(path));
    }

    void prefetchInFlightIsDroppedWithTheBatch()
    {
        const QStringList large = noisyBatch(2, 2400, 1600);
        QVERIFY(writeNoisyJpeg(pathOf("other.jpg"), 200, 150, 7));
        window->openImages(large);
        openBatch({pathOf("other.jpg")});
        QCOMPARE(status(), "1/1  " + pathOf("other.jpg"));
        QCOMPARE(shownImage(), decodeImageForScreen(pathOf("other.jpg")).pixels);
        QTRY_COMPARE(prefetcher().imagesHeld(), 0);

        // And closing while a decode runs neither waits for more nor leaves anything behind.
        window->openImages(large);
        QVERIFY(window->close());
        window.reset();
    }

    void imageThatCantBeShownWarnsOnlyWhenReached_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("fifo");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not a JPEG") << QByteArray("this is not a JPEG file") << false << QString();
        QTest::newRow("60000 x 60000 header")
            << jpegClaimingSize(60000, 60000) << false
            << QStringLiteral("\n(60000 × 60000 pixels is more than this program can hold)");
        QTest::newRow("raster whose size the header does not tell")
            << sunRaster(64, 48) << false << QString();
        QTest::newRow("800 x 600 header, the file a byte past the byte budget")
            << jpegClaimingSize(800, 600) << false
            << QStringLiteral("\n(a file of 385 MiB is more than this program can read: 384 MiB)");
        // Opening it would wait for a writer forever, and the window with it.
        QTest::newRow("FIFO where the image was") << QByteArray() << true << QString();
    }

    // Decoded ahead in the background, and on a worker as the first of a batch.
    void imageThatCantBeShownWarnsOnlyWhenReached()
    {
        QFETCH(QByteArray, contents);
        QFETCH(bool, fifo);
        QFETCH(QString, reason);
        QStringList batch = noisyBatch(3);
        if (fifo)
            QVERIFY(QFile::remove(batch[1]) &&
                    ::mkfifo(QFile::encodeName(batch[1]).constData(), 0600) == 0);
        else
            QVERIFY(writeFileBytes(batch[1], contents));
        if (QByteArray(QTest::currentDataTag()).contains("past the byte budget"))
            QVERIFY(QFile::resize(batch[1], decodeByteBudget + 1));
        MessageBoxCloser closer;
        openBatch(batch);
        QTRY_COMPARE(prefetcher().imagesHeld(), 0);
        QTest::qWait(20);
        QVERIFY(closer.texts.isEmpty());
        pressKey(Qt::Key_Down);
        const QString warning = "Cannot open image " + batch[1] + reason;
        QCOMPARE(closer.texts, QStringList(warning));
        QCOMPARE(closer.titles, QStringList("Warning"));
        QCOMPARE(status(), "1/3  " + batch[0]);

        openBatch({batch[1], batch[2]});
        QCOMPARE(closer.texts, QStringList({warning, warning}));
    }

    void editOnTheReducedImageWritesWhatTheSharpOneWould_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::addColumn<int>("side");
        QTest::newRow("fit") << 0.0 << 60;
        // Zoomed in before the sharp image is there: the reduced one enlarged.
        QTest::newRow("400 %") << 4.0 << 400;
    }

    void editOnTheReducedImageWritesWhatTheSharpOneWould()
    {
        QFETCH(double, zoom);
        QFETCH(int, side);
        QByteArray written[2];
        for (int sharp = 0; sharp < 2; ++sharp) {
            const QString path = pathOf(QStringLiteral("photo%1.jpg").arg(sharp));
            QVERIFY(writeNoisyJpeg(path, 2400, 1600, 5));
            viewer()->slotFitToWindow();
            openBatch({path});
            QCOMPARE(canvas()->imageSize(), QSize(2400, 1600));
            QVERIFY(canvas()->showsReducedImage());
            if (sharp)
                QTRY_VERIFY(!canvas()->showsReducedImage());
            if (zoom > 0)
                viewer()->setZoom(zoom);
            const QPoint corner = QRect(QPoint(0, 0), canvas()->size()).center();
            drawSquare(corner.x(), corner.y(), side);
            clickTag(0, 0);
            pressKey(Qt::Key_S, Qt::ControlModifier);
            QCOMPARE(canvas()->showsReducedImage(), !sharp);
            written[sharp] = fileBytes(QString(path).replace(".jpg", ".lbl"));
        }
        QCOMPARE(written[0], written[1]);
        QVERIFY(written[0].count('\n') == 3);
    }

    void firstImageOfABatchArrivesFromAWorker_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("atFit");
        // The reduction the status bar names for an image beyond the budget; 0 within it.
        QTest::addColumn<int>("beyond");
        QTest::newRow("small JPEG") << "jpg" << QSize(400, 300) << false << 0;
        QTest::newRow("large JPEG at fit, reduced") << "jpg" << QSize(2400, 1600) << true << 0;
        // Its rows in view first, then the whole; a failure of the rest is told.
        QTest::newRow("large JPEG at full size, its top first")
            << "jpg" << QSize(2400, 1600) << false << 0;
        QTest::newRow("PNG of a megapixel") << "png" << QSize(1024, 1024) << false << 0;
        // The note that a step shows for its time gives way to the loading note again.
        QTest::newRow("note meanwhile") << "png" << QSize(1024, 1024) << false << 0;
        QTest::newRow("can't be shown") << "png" << QSize() << false << 0;
        QTest::newRow("panorama of 48000 x 24000") << "jpg" << QSize(48000, 24000) << true << 8;
        // First decoded at an eighth for the screen, then at the half that fits.
        QTest::newRow("panorama of 20000 x 3000") << "jpg" << QSize(20000, 3000) << true << 2;
    }

    // Nothing of it is decoded in the window: until it arrives, the status bar says so and
    // every edit is refused; then it is shown as a decode here shows it, and one beyond the
    // budget reduced, its shapes in full-resolution pixels.
    void firstImageOfABatchArrivesFromAWorker()
    {
        QFETCH(QString, suffix);
        QFETCH(QSize, size);
        QFETCH(bool, atFit);
        QFETCH(int, beyond);
        const QString path = pathOf("first." + suffix);
        QVERIFY(beyond > 0 ? writeFileBytes(path, jpegClaimingSize(size.width(), size.height()))
                : size.isValid() ? writeNoisyJpeg(path, size.width(), size.height(), 0)
                                 : writeFileBytes(path, pngClaimingSize(1100, 1000)));
        if (atFit)
            viewer()->slotFitToWindow();
        MessageBoxCloser closer;
        QSignalSpy arrived(&prefetcher(), &ImagePrefetcher::sglImageArrived);
        QSignalSpy sharpened(&prefetcher(), &ImagePrefetcher::sglSharpImageReady);
        holdDecoders();
        window->openImages({path});
        const QString loading = QString::fromUtf8(EditGate::imageLoadingNote);
        QCOMPARE(status(), loading);
        QVERIFY(isLoadingImage());
        QVERIFY(window->imageSession().imagePath().isEmpty());
        if (QByteArray(QTest::currentDataTag()).contains("note")) {
            window->statusBar()->showMessage("-", 1);
            QTRY_COMPARE(status(), loading);
        }
        releaseDecoders();
        waitForImage();
        if (!size.isValid()) {
            QCOMPARE(closer.texts, QStringList("Cannot open image " + path));
            QCOMPARE(status(), QString());
            // No image behind it to take a shape: drawn, it would vanish with the next one.
            drawSquare(20, 20, 50);
            QCOMPARE(window->imageAnnotation().labels.size(), std::size_t(0));
            QCOMPARE(status(), QString("No image is open"));
            return;
        }
        QCOMPARE(canvas()->imageSize(), size);
        QCOMPARE(arrived[0][1].value<ScreenImage>().reduction > 1, atFit);
        if (beyond > 0) {
            QVERIFY(canvas()->showsReducedImage());
            QCOMPARE(status(),
                     QStringLiteral("%1 × %2 pixels is more than this program can hold: "
                                    "shown at 1/%3, shapes still in full-resolution pixels")
                         .arg(size.width())
                         .arg(size.height())
                         .arg(beyond));
            const std::vector<QPoint> corners{{100, 50}, {300, 50}, {300, 150}, {100, 150}};
            drawShape(corners);
            clickTag(0, 0);
            pressKey(Qt::Key_S, Qt::ControlModifier);
            QCOMPARE(annotation().labels.size(), std::size_t(1));
            const double scale = viewer()->zoom();
            for (std::size_t i = 0; i < corners.size(); ++i)
                QVERIFY((QPointF(annotation().labels[0].points[i]) - QPointF(corners[i]) / scale)
                            .manhattanLength() <= 2 / scale);
            QCOMPARE(fileBytes(pathOf("first.lbl")), bytesOf(annotation()));
            return;
        }
        QCOMPARE(status(), "1/1  " + path);
        QCOMPARE(arrived.count(), 1);
        const bool topFirst = QByteArray(QTest::currentDataTag()).contains("top first");
        QCOMPARE(arrived[0][1].value<ScreenImage>().partial, topFirst);
        QTRY_COMPARE(sharpened.count(), topFirst ? 1 : 0);
        if (!atFit)
            QCOMPARE(shownImage().copy(QRect(QPoint(0, 0), size)),
                     decodeImageForScreen(path).pixels);
        if (topFirst) {
            emit const_cast<ImagePrefetcher&>(prefetcher()).sglSharpImageReady(path, ScreenImage());
            QCOMPARE(closer.texts, QStringList("Cannot open image " + path));
        }
    }

    void rapidDownEndsOnTheRightImageWithBoundedDecodes_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QSize>("size");
        // Never made ahead in time, so every step waits for the image behind the one left.
        QTest::addColumn<bool>("alwaysBehind");
        QTest::newRow("JPEG") << "jpg" << QSize(800, 600) << false;
        QTest::newRow("PNG of a megapixel") << "png" << QSize(1024, 1024) << false;
        // The results of the images passed over are dropped.
        QTest::newRow("PNG of more") << "png" << QSize(1025, 1024) << true;
        QTest::newRow("PNG of more, back up to the one on screen")
            << "png" << QSize(1025, 1024) << true;
        // Its files are looked at on the claim worker: no edit is taken until they are.
        QTest::newRow("PNG of more, back up behind a share answering late")
            << "png" << QSize(1025, 1024) << true;
        // The decode in flight is waited for, and nothing arrives at a window that is gone.
        QTest::newRow("PNG of more, window closed while it loads")
            << "png" << QSize(1025, 1024) << true;
        // Entry reads not yet begun of images passed over never run, so the image stopped at
        // does not wait behind them; a read is handed out only for the files it was made for.
        QTest::newRow("entry reads of images passed over") << "" << QSize() << true;
    }

    void rapidDownEndsOnTheRightImageWithBoundedDecodes()
    {
        QFETCH(QString, suffix);
        QFETCH(QSize, size);
        QFETCH(bool, alwaysBehind);
        if (suffix.isEmpty()) {
            QSemaphore busy;
            QSemaphore release;
            QMutex guard;
            QStringList read;
            {
                EntryReadAhead ahead([&](const QString& image, const QString& label) {
                    guard.lock();
                    read << image;
                    guard.unlock();
                    if (image == "a") {
                        busy.release();
                        release.acquire();
                    }
                    EntryFiles files;
                    files.label.bytes = label.toStdString();
                    return files;
                });
                ahead.readAhead({"a"}, {"a.lbl"});
                busy.acquire();
                ahead.readAhead({"b", "c"}, {"b.lbl", "c.lbl"});
                ahead.readAhead({"d"}, {"d.lbl"});
                ahead.readAhead({"e"}, {"e.lbl"});
                release.release();
                QCOMPARE(ahead.take("d", "d.lbl").label.bytes, std::string("d.lbl"));
                QCOMPARE(ahead.take("e", "e.lbl").label.bytes, std::string("e.lbl"));
                QCOMPARE(ahead.take("e", "other.lbl").label.bytes, std::string("other.lbl"));
            }
            // Gone, it has waited for its worker.
            read.sort();
            QCOMPARE(read, (QStringList{"a", "d", "e", "e"}));
            // A start's early read counts as read ahead, for its own files, until let go.
            EntryReadAhead ahead([](const QString&, const QString& label) {
                EntryFiles files;
                files.label.bytes = label.toStdString();
                return files;
            });
            const QString early = pathOf("early.jpg");
            QVERIFY(writeFileBytes(labelPathFor(early), "3\n"));
            EarlyEntryRead::start(early);
            QCOMPARE(ahead.take(early, labelPathFor(early)).label.bytes, std::string("3\n"));
            QVERIFY(!EarlyEntryRead::take().files.isValid());
            EarlyEntryRead::start(early);
            ahead.readAhead({"b"}, {"b.lbl"});
            ahead.readAhead({"c"}, {"c.lbl"});
            QCOMPARE(ahead.take(early, labelPathFor(early)).label.bytes,
                     labelPathFor(early).toStdString());
            return;
        }
        const QStringList batch = noisyBatch(20, size.width(), size.height(), suffix);
        for (int i = 0; i < batch.size(); ++i)
            QVERIFY(writeFileBytes(pathOf(QStringLiteral("img%1.lbl").arg(i)),
                                   QByteArray::number(i % 16) + "\n4 1 1 9 1 9 9 1 9 \n1 0 0 \n"));
        openBatch(batch);
        QTRY_VERIFY(!window->imageAnnotation().labels.empty());
        const QByteArray tag = QTest::currentDataTag();
        if (tag.contains("back") || tag.contains("closed")) {
            pressKey(Qt::Key_Down);
            QTRY_COMPARE(status(), "2/20  " + batch[1]);
            // Nothing made ahead: the next image loads behind the one on screen.
            const_cast<ImagePrefetcher&>(prefetcher()).clear();
            pressKeyOnly(Qt::Key_Down);
            QCOMPARE(status(), QString::fromUtf8(EditGate::imageLoadingNote));
            if (tag.contains("closed")) {
                MessageBoxCloser closer;
                QVERIFY(window->close());
                window.reset();
                QTest::qWait(50);
                QCOMPARE(closer.texts, QStringList());
                QCOMPARE(fileBytes(pathOf("img2.lbl")), "2\n4 1 1 9 1 9 9 1 9 \n1 0 0 \n");
                return;
            }
            if (tag.contains("late"))
                stallShare();
            pressKeyOnly(Qt::Key_Up);
            if (tag.contains("late")) {
                QCOMPARE(window->imageSession().editGate().refusal(EditGate::Edit::Write),
                         QString::fromUtf8(EditGate::pendingNote));
                shareAnswers();
                QTRY_VERIFY(
                    window->imageSession().editGate().refusal(EditGate::Edit::Write).isEmpty());
            }
            // The image left is still on screen, editable at once.
            QCOMPARE(status(), "2/20  " + batch[1]);
            return;
        }
        for (int i = 1; i < batch.size(); ++i) {
            pressKeyOnly(Qt::Key_Down);
            QVERIFY(prefetcher().imagesHeld() <= 2);
            // The first may have been made ahead while the first image arrived.
            if (i > 1 && alwaysBehind)
                QCOMPARE(status(), QString::fromUtf8(EditGate::imageLoadingNote));
        }
        QTRY_COMPARE(status(), "20/20  " + batch[19]);
        QCOMPARE(window->imageAnnotation().styleIndex, 19 % 16);
        // Away from the shape and caption every label file holds.
        const QRect plainPart(100, 100, 700, 500);
        QCOMPARE(shownImage().copy(plainPart),
                 decodeImageForScreen(batch[19]).pixels.copy(plainPart));
    }
};

QTEST_MAIN(TestPrefetch)
#include "test_prefetch.moc"
