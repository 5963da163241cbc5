#include "batchtest.h"
#include "quadrotag.h"
#include "screenimage.h"
#include "workflowfixture.h"

#include <QtTest>

#include <QDir>
#include <QFile>
#include <QMessageBox>

#include <opencv2/imgcodecs.hpp>

#include <set>
#include <unistd.h>
#include <utility>
#include <vector>

using TagPairs = std::vector<std::pair<int, int>>;

// Saving on the real window: the label file written on leaving, on a new batch and on
// closing, a file changed on disk by someone else, failures to write or read, and label
// files that viewing must leave as they are.
class TestSaving : public BatchTest
{
    Q_OBJECT

private slots:
    // A style is annotation work of its own; "None" alone is nothing to store.
    void styleOfImageWithoutShapesIsStored()
    {
        openBatch(batch);
        styleChooser()->setCurrentIndex(9);
        pressKey(Qt::Key_Down);
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(fileBytes(pathOf("a.lbl")), QByteArray("9\n"));
        QVERIFY(!QFile::exists(pathOf("b.lbl")));
    }

    void newBatchSavesTheImageBeingLeft()
    {
        openBatch(batch);
        drawSquare(20, 20, 50);
        clickTag(0, 0);
        openBatch({batch[1], batch[2]});
        QCOMPARE(status(), "1/2  " + batch[1]);
        QVERIFY(annotation().labels.empty());
        QCOMPARE(fileBytes(pathOf("a.lbl")), QByteArray("0\n4 20 20 70 20 70 70 20 70 \n1 0 0 \n"));
    }

    void failedSaveKeepsTheOldBatchOnScreen()
    {
        QVERIFY(QDir(dir->path()).mkdir("a.lbl"));
        openBatch(batch);
        drawSquare(20, 20, 50);
        clickTag(0, 0);
        MessageBoxCloser closer;
        // Read longer than a save waits before it says "Saving…", which goes with the save.
        closer.answerAfter(300);
        StdoutCapture out;
        openBatch({batch[1], batch[2]});
        QCOMPARE(closer.texts, QStringList("Fail writing to " + pathOf("a.lbl")));
        QCOMPARE(out.text(), std::string());
        QCOMPARE(status(), "1/3  " + batch[0]);
        QCOMPARE(annotation().labels.size(), std::size_t(1));
    }

    // Another operator's file is never overwritten without asking, whichever way the
    // image is left.
    void outsideChangeIsMetByAQuestion_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<int>("shown");
        const QByteArray mine = "0\n4 20 20 70 20 70 70 20 70 \n1 0 0 \n";
        const QByteArray theirs = "7\n";
        QTest::newRow("Down, overwrite") << "Overwrite" << Qt::Key_Down << mine << 1;
        QTest::newRow("Down, discard mine") << "Discard My Changes" << Qt::Key_Down << theirs << 0;
        QTest::newRow("Down, cancel") << "Cancel" << Qt::Key_Down << theirs << 0;
        QTest::newRow("Ctrl+S, overwrite") << "Overwrite" << Qt::Key_S << mine << 0;
    }

    void outsideChangeIsMetByAQuestion()
    {
        QFETCH(QString, answer);
        QFETCH(Qt::Key, key);
        QFETCH(QByteArray, written);
        QFETCH(int, shown);
        openBatch(batch);
        addTaggedShape();
        QVERIFY(writeFileBytes(pathOf("a.lbl"), "7\n"));
        {
            MessageBoxCloser closer(answer);
            pressKey(key, key == Qt::Key_S ? Qt::ControlModifier : Qt::NoModifier);
            QCOMPARE(closer.titles, QStringList({"Label File Changed"}));
            QVERIFY(closer.texts.value(0).contains(pathOf("a.lbl")));
        }
        QCOMPARE(fileBytes(pathOf("a.lbl")), written);
        QCOMPARE(status(), QString("%1/3  ").arg(shown + 1) + batch[shown]);
        if (answer == "Discard My Changes")
            QCOMPARE(annotation().styleIndex, 7);
        QCOMPARE(window->isWindowModified(), answer == "Cancel");
    }

    void closingSavesTheImageOnScreen_data()
    {
        QTest::addColumn<QByteArray>("labelFile");
        QTest::addColumn<bool>("drawTaggedShape");
        QTest::addColumn<bool>("deleteFirstShape");
        QTest::addColumn<QByteArray>("written");

        const QByteArray oneShape = "3\n4 10 10 60 10 60 60 10 60 \n1 0 0 \n";
        QTest::newRow("tagged shape, written as Down would")
            << QByteArray() << true << false
            << QByteArray("4\n4 200 20 250 20 250 70 200 70 \n1 0 1 \n");
        QTest::newRow("every shape deleted, style line alone")
            << oneShape << false << true << QByteArray("3\n");
        QTest::newRow("untouched image without label file writes nothing")
            << QByteArray() << false << false << QByteArray("<missing>");
        QTest::newRow("untouched label file stays") << oneShape << false << false << oneShape;
    }

    void closingSavesTheImageOnScreen()
    {
        QFETCH(QByteArray, labelFile);
        QFETCH(bool, drawTaggedShape);
        QFETCH(bool, deleteFirstShape);
        QFETCH(QByteArray, written);

        if (!labelFile.isEmpty())
            QVERIFY(writeFileBytes(pathOf("a.lbl"), labelFile));
        openBatch(batch);
        if (drawTaggedShape) {
            drawSquare(200, 20, 50);
            clickTag(0, 1);
            styleChooser()->setCurrentIndex(4);
        }
        if (deleteFirstShape) {
            QTest::mouseClick(canvas(), Qt::RightButton, {}, {30, 30});
            pressKey(Qt::Key_Delete);
        }
        MessageBoxCloser closer;
        QVERIFY(window->close());
        QVERIFY(closer.texts.isEmpty());
        QCOMPARE(fileBytes(pathOf("a.lbl")), written);
    }

    void failedSaveOnCloseAsksBeforeLosingTheEdits_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::newRow("default answer keeps the window") << int(QMessageBox::Ok) << false;
        QTest::newRow("closing anyway") << int(QMessageBox::Yes) << true;
    }

    void failedSaveOnCloseAsksBeforeLosingTheEdits()
    {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QVERIFY(QDir(dir->path()).mkdir("a.lbl"));
        openBatch(batch);
        drawSquare(20, 20, 50);
        clickTag(0, 0);

        MessageBoxCloser closer{QMessageBox::StandardButton(answer)};
        QCOMPARE(window->close(), closed);
        QCOMPARE(closer.titles, QStringList({"Warning", "Close"}));
        QCOMPARE(closer.texts[0], "Fail writing to " + pathOf("a.lbl"));
        QCOMPARE(closer.texts[1], QString("The annotation of this image could not be saved. "
                                          "Close anyway and lose its unsaved changes?"));
        QCOMPARE(window->isVisible(), !closed);
    }

    void viewingNeverRewritesALabelFile_data()
    {
        QTest::addColumn<QByteArray>("labelFile");
        QTest::addColumn<bool>("warned");
        QTest::addColumn<int>("shapesShown");
        QTest::addColumn<QByteArray>("styleLine");
        // The image beside the label file, of the format its name says.
        QTest::addColumn<QString>("imageName");
        const QByteArray shape = "4 10 10 60 10 60 60 10 60 \n1 0 0 \n";
        QTest::newRow("damaged after one shape")
            << "2\n" + shape + "4 1 1 x" << true << 1 << QByteArray("2") << "a.jpg";
        QTest::newRow("style beyond the names")
            << "42\n" + shape << false << 1 << QByteArray("42") << "a.jpg";
        QTest::newRow("hand-made layout") << QByteArray("1 4 10 10 60 10 60 60 10 60 1 0 0")
                                          << false << 1 << QByteArray("1") << "a.jpg";
        for (const char* name : {"a.jpeg", "a.png", "a.webp", "a.tif", "a.TIFF", "a.bmp"})
            QTest::newRow(name) << "3\n" + shape << false << 1 << QByteArray("3") << name;
        QTest::newRow("a.tif of three pages")
            << "3\n" + shape << false << 1 << QByteArray("3") << "a.tif";
        // A link to a label file of a store elsewhere is the image's own, written through.
        QTest::newRow("a link to a store")
            << "3\n" + shape << false << 1 << QByteArray("3") << "a.jpg";
    }

    void viewingNeverRewritesALabelFile()
    {
        QFETCH(QByteArray, labelFile);
        QFETCH(bool, warned);
        QFETCH(int, shapesShown);
        QFETCH(QByteArray, styleLine);
        QFETCH(QString, imageName);
        // In place of a.jpg, which would keep the label file as an earlier twin.
        QStringList images = batch;
        QVERIFY(QFile::remove(images[0]));
        images[0] = pathOf(imageName);
        const bool pages = QByteArray(QTest::currentDataTag()).contains("pages");
        const std::vector<cv::Mat> threePages(3, cv::Mat(300, 400, CV_8UC3, cv::Scalar::all(9)));
        QVERIFY(pages ? cv::imwritemulti(QFile::encodeName(images[0]).toStdString(), threePages)
                      : writeTestJpeg(images[0], 400, 300, 128));
        const bool linked = QByteArray(QTest::currentDataTag()).contains("link");
        const QString labelPath = pathOf(linked ? "store/a.lbl" : "a.lbl");
        QVERIFY(QDir().mkpath(pathOf("store")));
        QVERIFY(writeFileBytes(labelPath, labelFile));
        QVERIFY(!linked || QFile::link(labelPath, pathOf("a.lbl")));
        MessageBoxCloser closer;
        openBatch(images);
        QCOMPARE(status() == ScreenImage::firstPageNote(), pages);
        QCOMPARE(closer.texts,
                 warned ? QStringList("Fail reading from " + pathOf("a.lbl")) : QStringList());
        QCOMPARE(int(annotation().labels.size()), shapesShown);

        pressKey(Qt::Key_Down);
        pressKey(Qt::Key_Up);
        QCOMPARE(fileBytes(pathOf("a.lbl")), labelFile);

        // An edit writes what is on screen, the style that was read included.
        drawSquare(100, 100, 50);
        clickTag(0, 2);
        pressKey(Qt::Key_Down);
        const QByteArray edited = fileBytes(labelPath);
        QVERIFY(edited.endsWith("4 100 100 150 100 150 150 100 150 \n1 0 2 \n"));
        QCOMPARE(edited.left(edited.indexOf('\n')), styleLine);
    }

    void undecodableImageNeverReceivesAnotherImagesShapes()
    {
        QVERIFY(writeFileBytes(pathOf("b.jpg"), "this is not a JPEG file"));
        openBatch(batch);
        drawSquare(20, 20, 50);
        clickTag(0, 0);

        MessageBoxCloser closer;
        pressKey(Qt::Key_Down);
        QCOMPARE(closer.titles, QStringList("Warning"));
        QCOMPARE(closer.texts, QStringList("Cannot open image " + batch[1]));
        QCOMPARE(status(), "1/3  " + batch[0]);

        // Work goes on on the image still shown; saving must reach its own file.
        drawSquare(200, 20, 50);
        clickTag(0, 1);
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!QFile::exists(pathOf("b.lbl")));
        const QByteArray bothShapes = "0\n4 20 20 70 20 70 70 20 70 \n1 0 0 \n"
                                      "4 200 20 250 20 250 70 200 70 \n1 0 1 \n";
        QCOMPARE(fileBytes(pathOf("a.lbl")), bothShapes);

        pressKey(Qt::Key_Down);
        QCOMPARE(status(), "3/3  " + batch[2]);
        QVERIFY(!QFile::exists(pathOf("b.lbl")));
        QCOMPARE(fileBytes(pathOf("a.lbl")), bothShapes);
        QCOMPARE(closer.texts.size(), 1);
    }

    void unwritableLabelPathKeepsTheImageOnScreen_data()
    {
        QTest::addColumn<bool>("inBackground");
        QTest::addColumn<bool>("shareStalls");
        QTest::newRow("claims taken on the step") << false << false;
        QTest::newRow("claims taken in the background") << true << false;
        // Each Down's save waits for a share that answers late; the window answers meanwhile,
        // refusing edits and a second Down.
        QTest::newRow("share answering late") << true << true;
    }

    void unwritableLabelPathKeepsTheImageOnScreen()
    {
        QFETCH(bool, inBackground);
        QFETCH(bool, shareStalls);
        // What the window did while the save waited: the share stalled still, and the edit
        // and the step it refused.
        QStringList answered;
        const auto pressDown = [&] {
            answered.clear();
            QTimer whileSaving;
            connect(&whileSaving, &QTimer::timeout, window.get(), [&] {
                if (!window->imageSession().editGate().isSaving())
                    return;
                whileSaving.stop();
                // Said without a key pressed: the operator sees the step was taken.
                QTRY_COMPARE(status(), QString("Saving…"));
                pressKey(Qt::Key_Z, Qt::ControlModifier);
                answered << QString::number(isShareStalled()) << status();
                pressKey(Qt::Key_Down);
                answered << status();
                // The position of the image comes back, as after any note.
                window->statusBar()->clearMessage();
                shareAnswers();
            });
            if (shareStalls) {
                stallShare();
                whileSaving.start(5);
            }
            pressKey(Qt::Key_Down);
            if (shareStalls)
                QCOMPARE(answered, QStringList({"1", "Saving…", "Saving…"}));
        };
        QVERIFY(QDir(dir->path()).mkdir("a.lbl"));
        MessageBoxCloser closer;
        window->teamDesk().setClaimsInBackground(inBackground);
        openBatch(batch);
        QTRY_COMPARE(window->teamDesk().hold(), EditGate::Hold::Own);
        QVERIFY(closer.texts.isEmpty());
        QVERIFY(annotation().labels.empty());
        drawSquare(20, 20, 50);
        clickTag(0, 0);
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(closer.titles, QStringList("Warning"));
        QCOMPARE(closer.texts, QStringList("Fail writing to " + pathOf("a.lbl")));
        QCOMPARE(annotation().labels.size(), std::size_t(1));

        // Moving on would drop the shape that could not be written: the image stays.
        pressDown();
        QCOMPARE(closer.texts.size(), 2);
        QCOMPARE(status(), "1/3  " + batch[0]);
        QCOMPARE(annotation().labels.size(), std::size_t(1));

        QVERIFY(QDir(dir->path()).rmdir("a.lbl"));
        pressDown();
        QTRY_COMPARE(status(), "2/3  " + batch[1]);
        QCOMPARE(fileBytes(pathOf("a.lbl")), QByteArray("0\n4 20 20 70 20 70 70 20 70 \n1 0 0 \n"));
    }

    // Its shapes were never shown, so nothing may replace them: the image is read only.
    void unreadableLabelFileIsReported_data()
    {
        QTest::addColumn<bool>("tooLarge");
        QTest::newRow("no permission") << false;
        QTest::newRow("too large to keep") << true;
    }
    void unreadableLabelFileIsReported()
    {
        QFETCH(bool, tooLarge);
        if (!tooLarge && ::geteuid() == 0)
            QSKIP("root reads any file; the folder case covers the other failure path");
        QVERIFY(writeFileBytes(pathOf("a.lbl"), "2\n4 1 1 9 1 9 9 1 9 \n1 0 0 \n"));
        if (tooLarge)
            QVERIFY(QFile::resize(pathOf("a.lbl"), (qint64(64) << 20) + 1));
        else
            QVERIFY(QFile::setPermissions(pathOf("a.lbl"), QFileDevice::Permissions()));
        const qint64 size = QFileInfo(pathOf("a.lbl")).size();
        MessageBoxCloser closer;
        openBatch(batch);
        QCOMPARE(closer.texts, QStringList("Fail reading from " + pathOf("a.lbl")));
        QVERIFY(annotation().labels.empty());
        QCOMPARE(styleChooser()->currentIndex(), 0);
        drawSquare(100, 100, 50);
        QVERIFY(annotation().labels.empty());
        QCOMPARE(status(), QString::fromLatin1(EditGate::unreadableLabelNote));
        pressKey(Qt::Key_Down);
        QCOMPARE(QFileInfo(pathOf("a.lbl")).size(), size);
    }

    void nonAsciiPathsAreSavedAndReadBack()
    {
        QVERIFY(QDir(dir->path()).mkdir(QString::fromUtf8("données")));
        const QString image = pathOf(QString::fromUtf8("données/salon é.jpg"));
        QVERIFY(writeTestJpeg(image, 200, 150, 90));
        openBatch({image});
        drawSquare(20, 20, 40);
        clickTag(0, 2);
        pressKey(Qt::Key_S, Qt::ControlModifier);
        const QString label = pathOf(QString::fromUtf8("données/salon é.lbl"));
        QCOMPARE(fileBytes(label), QByteArray("0\n4 20 20 60 20 60 60 20 60 \n1 0 2 \n"));
        openBatch({image});
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        QCOMPARE(annotation().labels[0].text, QString("S3\n"));
    }

    void labelFromAnotherVocabularyKeepsItsTags()
    {
        QVERIFY(
            writeFileBytes(pathOf("a.lbl"), "1\n4 10 10 90 10 90 90 10 90 \n3 0 4 2 0 99 99 \n"));
        openBatch(batch);
        QCOMPARE(annotation().labels[0].tags, TagPairs({{0, 4}, {2, 0}, {99, 99}}));
        QCOMPARE(annotation().labels[0].text, QString("S5\n"));
        QTest::mouseClick(canvas(), Qt::RightButton, {}, {50, 50});
        QCOMPARE(selectedCells(), (std::set<std::pair<int, int>>{{0, 4}}));
    }
};

QTEST_MAIN(TestSaving)
#include "test_saving.moc"
