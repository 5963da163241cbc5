#include "batchlistmodel.h"
#include "batchtest.h"
#include "quadrotag.h"
#include "workflowfixture.h"

#include <QtTest>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>

// The Images list on the real window: its marks and progress, its filter by name, tag and
// state, clicks and keys that jump through it, and the skip to the next unlabelled image.
class TestBatchList : public BatchTest
{
    Q_OBJECT

private slots:
    void listShowsThreeStatesAndCountsProposals()
    {
        makeJobFolder({0, 3});
        writeProposal(jobPath(jobImages[1]), proposal);
        writeProposal(jobPath(jobImages[3]), proposal);
        writeProposal(jobPath(jobImages[4]), proposal);
        openFolder(jobPath());
        QCOMPARE(markedRows(), QList<int>({0, 3}));
        QCOMPARE(rowsWith(BatchListModel::ProposedRole), QList<int>({1, 4}));
        QCOMPARE(progress(), QString("2 of 5 labelled, 2 proposed"));
        // Labelling goes on at the first image without either; the proposals wait for review.
        QCOMPARE(status(), "3/5  " + jobPath("img3.Jpg"));
        pressKey(Qt::Key_Up);
        QCOMPARE(status(), QString("2 shapes proposed"));

        pressKey(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(fileBytes(jobPath("img2.lbl")), proposal);
        QCOMPARE(status(), "3/5  " + jobPath("img3.Jpg"));
        QCOMPARE(progress(), QString("3 of 5 labelled, 1 proposed"));
        pressKey(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(status(), QString("2 shapes proposed"));
        QCOMPARE(window->imageSession().imagePath(), jobPath("img11.jpg"));
    }

    void filterShowsMatchingImages_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("state");
        QTest::addColumn<QStringList>("listed");
        // The image on screen, img2.JPG, stays listed until it is left.
        QTest::newRow("name, any case")
            << "IMG1" << 0 << QStringList({"img1.jpg", "img2.JPG", "img10.jpg", "img11.jpg"});
        // Given by the vocabulary loaded at the end of the window's making, as a start loads it.
        QTest::newRow("tag caption") << "s3" << 0 << QStringList({"img2.JPG", "img10.jpg"});
        QTest::newRow("no match") << "zz" << 0 << QStringList({"img2.JPG"});
        QTest::newRow("unlabelled")
            << "" << 1 << QStringList({"img2.JPG", "img3.Jpg", "img11.jpg"});
        QTest::newRow("proposed") << "" << 2 << QStringList({"img2.JPG", "img11.jpg"});
        QTest::newRow("labelled") << "" << 3 << QStringList({"img1.jpg", "img2.JPG", "img10.jpg"});
        QTest::newRow("empty") << "" << 4 << QStringList({"img1.jpg", "img2.JPG"});
        QTest::newRow("name and state")
            << "img1" << 3 << QStringList({"img1.jpg", "img2.JPG", "img10.jpg"});
    }

    void filterShowsMatchingImages()
    {
        QFETCH(QString, text);
        QFETCH(int, state);
        QFETCH(QStringList, listed);
        makeJobFolder({3});
        QVERIFY(writeFileBytes(jobPath("img1.lbl"), "0\n"));
        QVERIFY(writeFileBytes(jobPath("img10.lbl"), "0\n4 10 10 60 10 60 60 10 60 \n1 0 2 \n"));
        writeProposal(jobPath("img11.jpg"), proposal);
        openFolder(jobPath());
        typeFilter(text, state);
        QCOMPARE(listedNames(), listed);
    }

    void filterReadsALabelFileAgainOnceItChanged_data()
    {
        QTest::addColumn<QByteArray>("changed");
        QTest::addColumn<int>("seconds");
        // img10.lbl held (0, 2), S3; another program gives it S5 instead.
        QTest::newRow("same size, later")
            << QByteArray("0\n4 10 10 60 10 60 60 10 60 \n1 0 4 \n") << 60;
        QTest::newRow("other size, same time")
            << QByteArray("0\n4 10 10 60 10 60 60 10 60 \n2 0 4 0 5 \n") << 0;
    }

    void filterReadsALabelFileAgainOnceItChanged()
    {
        QFETCH(QByteArray, changed);
        QFETCH(int, seconds);
        makeJobFolder({});
        const QString labelPath = jobPath("img10.lbl");
        QVERIFY(writeFileBytes(labelPath, "0\n4 10 10 60 10 60 60 10 60 \n1 0 2 \n"));
        openFolder(jobPath());
        typeFilter("s3");
        QCOMPARE(listedNames(), QStringList({"img1.jpg", "img10.jpg"}));
        const QDateTime before = QFileInfo(labelPath).lastModified();
        QVERIFY(writeFileBytes(labelPath, changed));
        QFile file(labelPath);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(before.addSecs(seconds), QFileDevice::FileModificationTime));
        file.close();
        filterField()->clear();
        typeFilter("s5");
        QCOMPARE(listedNames(), QStringList({"img1.jpg", "img10.jpg"}));
    }

    void filterKeysMoveThroughTheListedImages()
    {
        makeJobFolder({});
        openFolder(jobPath());
        addTaggedShape();
        typeFilter("img1");
        QCOMPARE(listedNames(), QStringList({"img1.jpg", "img10.jpg", "img11.jpg"}));
        // The list filtered again still marks the image on screen as its current row.
        checkListShows(0);
        QTest::keyClick(filterField(), Qt::Key_Return);
        waitForImage();
        QCOMPARE(fileBytes(jobPath("img1.lbl")),
                 QByteArray("0\n4 20 20 70 20 70 70 20 70 \n1 0 0 \n"));
        QCOMPARE(status(), "4/5  " + jobPath("img10.jpg"));
        QVERIFY(canvas()->hasFocus());

        pressKey(Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(status(), "5/5  " + jobPath("img11.jpg"));
        pressKey(Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
        pressKey(Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(status(), "1/5  " + jobPath("img1.jpg"));
        pressKey(Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(status(), QString("No listed image before this one"));

        pressKey(Qt::Key_L, Qt::ControlModifier);
        QTest::keyClick(filterField(), Qt::Key_Escape);
        QCOMPARE(filterField()->text(), QString());
        QCOMPARE(listedNames(), jobImages);
    }

    void imageLeavesTheFilteredListWhenLeftAfterAnEdit()
    {
        makeJobFolder({});
        openFolder(jobPath());
        typeFilter("", 1);
        QCOMPARE(listedNames(), jobImages);
        addTaggedShape();
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(listedNames(), jobImages);
        pressKey(Qt::Key_Down);
        QCOMPARE(listedNames(), jobImages.mid(1));

        // The tags of a saved image are read again: the filter finds the one just given.
        typeFilter("s5", 0);
        QCOMPARE(listedNames(), QStringList({"img2.JPG"}));
        pressKey(Qt::Key_Up);
        QTest::mouseClick(canvas(), Qt::RightButton, {}, {45, 45});
        clickTag(0, 4);
        pressKey(Qt::Key_Down);
        QCOMPARE(listedNames(), QStringList({"img1.jpg", "img2.JPG"}));
    }

    void clickInTheListSavesAndJumps()
    {
        makeJobFolder({0, 1, 3});
        openFolder(jobPath());
        addTaggedShape();
        clickListRow(4);
        QCOMPARE(fileBytes(jobPath("img3.lbl")),
                 QByteArray("0\n4 20 20 70 20 70 70 20 70 \n1 0 0 \n"));
        QCOMPARE(status(), "5/5  " + jobPath("img11.jpg"));
        QCOMPARE(markedRows(), QList<int>({0, 1, 2, 3}));
        QCOMPARE(progress(), QString("4 of 5 labelled"));
        checkListShows(4);

        // Up and Down keep moving through the batch while the list has the focus.
        QTest::keyClick(imagesList(), Qt::Key_Up);
        waitForImage();
        QCOMPARE(status(), "4/5  " + jobPath("img10.jpg"));
        checkListShows(3);

        // Enter on the row the keyboard moved to.
        QTest::keyClick(imagesList(), Qt::Key_Home);
        waitForImage();
        QTest::keyClick(imagesList(), Qt::Key_Return);
        waitForImage();
        QCOMPARE(status(), "1/5  " + jobPath("img1.jpg"));
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        checkListShows(0);
    }

    void failedSaveLeavesImageAndMarksAsTheyWere()
    {
        makeJobFolder({0});
        QVERIFY(QDir(dir->path()).mkdir("job/img2.lbl"));
        openFolder(jobPath());
        QCOMPARE(status(), "2/5  " + jobPath("img2.JPG"));
        addTaggedShape();

        MessageBoxCloser closer;
        clickListRow(3);
        pressKey(Qt::Key_S, Qt::ControlModifier);
        pressKey(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(closer.texts, QStringList(3, "Fail writing to " + jobPath("img2.lbl")));
        QCOMPARE(status(), "2/5  " + jobPath("img2.JPG"));
        QCOMPARE(markedRows(), QList<int>({0}));
        QCOMPARE(progress(), QString("1 of 5 labelled"));
        checkListShows(1);
        QCOMPARE(annotation().labels.size(), std::size_t(1));
    }

    void nextUnlabelledSkipsLabelledImagesAndStaysAtTheEnd()
    {
        makeJobFolder({0, 3});
        openFolder(jobPath());
        QCOMPARE(status(), "2/5  " + jobPath("img2.JPG"));
        addTaggedShape();
        pressKey(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(status(), "3/5  " + jobPath("img3.Jpg"));
        QCOMPARE(fileBytes(jobPath("img2.lbl")),
                 QByteArray("0\n4 20 20 70 20 70 70 20 70 \n1 0 0 \n"));
        pressKey(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(status(), "5/5  " + jobPath("img11.jpg"));
        checkListShows(4);

        addTaggedShape();
        pressKey(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(status(), QString("No image without a label file after this one"));
        QVERIFY(QFile::exists(jobPath("img11.lbl")));
        QCOMPARE(progress(), QString("4 of 5 labelled"));
        checkListShows(4);
    }

    // "a.JPG" shares a.lbl with "a.jpg": only a.jpg's row is ticked when it is saved, and
    // labelling starts past the twin, which can't be labelled.
    void caseTwinIsNeitherTickedNorWhereLabellingGoesOn_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("folder") << true;
        QTest::newRow("named images") << false;
    }
    void caseTwinIsNeitherTickedNorWhereLabellingGoesOn()
    {
        QFETCH(bool, folder);
        QVERIFY(writeTestJpeg(pathOf("a.JPG"), 400, 300, 90));
        QVERIFY(writeFileBytes(pathOf("a.lbl"), storedLabel));
        if (folder)
            openFolder(dir->path());
        else
            openBatch({batch[0], pathOf("a.JPG"), batch[1]});
        QCOMPARE(listedNames().mid(0, 2), (QStringList{"a.jpg", "a.JPG"}));
        QCOMPARE(markedRows(), QList<int>({0}));
        // The twin is no work: it is not counted, and Ctrl+Down passes it by.
        QCOMPARE(progress(), QString(folder ? "1 of 3 labelled" : "1 of 2 labelled"));
        // Images named are shown from the first; a folder from where labelling goes on.
        QCOMPARE(window->imageSession().imagePath(), folder ? batch[1] : batch[0]);
        clickListRow(0);
        addTaggedShape();
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(markedRows(), QList<int>({0}));
        pressKey(Qt::Key_Down);
        QCOMPARE(window->imageSession().imagePath(), pathOf("a.JPG"));
        QCOMPARE(markedRows(), QList<int>({0}));
        const QByteArray saved = fileBytes(pathOf("a.lbl"));
        addTaggedShape();
        pressKey(Qt::Key_S, Qt::ControlModifier);
        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")), saved);
        QCOMPARE(markedRows(), QList<int>({0}));
        clickListRow(0);
        pressKey(Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(window->imageSession().imagePath(), batch[1]);
        typeFilter("", 1);
        QCOMPARE(listedNames(), folder ? (QStringList{"b.jpg", "c.jpg"}) : QStringList{"b.jpg"});
    }

    // Named alone or before "a.jpg", "a.JPG" is still not the image whose label file a.lbl is.
    void caseTwinNamedWithoutItsKeeperFirstIsReadOnly_data()
    {
        QTest::addColumn<bool>("keeperNamed");
        QTest::newRow("named alone") << false;
        QTest::newRow("named before a.jpg") << true;
    }
    void caseTwinNamedWithoutItsKeeperFirstIsReadOnly()
    {
        QFETCH(bool, keeperNamed);
        QVERIFY(writeTestJpeg(pathOf("a.JPG"), 400, 300, 90));
        QVERIFY(writeFileBytes(pathOf("a.lbl"), storedLabel));
        openBatch(keeperNamed ? QStringList{pathOf("a.JPG"), batch[0]}
                              : QStringList{pathOf("a.JPG")});
        QCOMPARE(window->imageSession().imagePath(), pathOf("a.JPG"));
        QCOMPARE(markedRows(), keeperNamed ? QList<int>({1}) : QList<int>());
        addTaggedShape();
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(fileBytes(pathOf("a.lbl")), storedLabel);
        QCOMPARE(markedRows(), keeperNamed ? QList<int>({1}) : QList<int>());
    }

    void progressFollowsSaves()
    {
        QVERIFY(writeFileBytes(pathOf("b.lbl"), storedLabel));
        openBatch(batch);
        QCOMPARE(progress(), QString("1 of 3 labelled"));
        QCOMPARE(markedRows(), QList<int>({1}));
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(progress(), QString("1 of 3 labelled"));
        addTaggedShape();
        QCOMPARE(progress(), QString("1 of 3 labelled"));
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(progress(), QString("2 of 3 labelled"));
        QCOMPARE(markedRows(), QList<int>({0, 1}));

        // A file removed behind the program's back is noticed at the next visit.
        QVERIFY(QFile::remove(pathOf("b.lbl")));
        pressKey(Qt::Key_Down);
        QCOMPARE(progress(), QString("1 of 3 labelled"));
        QCOMPARE(markedRows(), QList<int>({0}));
    }
};

QTEST_MAIN(TestBatchList)
#include "test_batchlist.moc"
