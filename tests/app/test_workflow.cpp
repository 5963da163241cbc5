#include "batchtest.h"
#include "librarylogging.h"
#include "quadrotag.h"
#include "workflowfixture.h"

#include <QtTest>

#include <QApplication>
#include <QDialog>
#include <QStatusBar>
#include <QTimer>

#include <set>
#include <utility>
#include <vector>

using TagPairs = std::vector<std::pair<int, int>>;

// Opening a batch of images or a folder on the real window and stepping through it: where
// a folder starts, what a cancelled dialog or a folder without JPEGs leaves, and that
// each image keeps its own shapes and style.
class TestWorkflow : public BatchTest
{
    Q_OBJECT

private slots:
    void drawnAndTaggedShapeIsSavedAndRestored()
    {
        {
            StdoutCapture out;
            openBatch(batch);
            QCOMPARE(out.text(), std::string("3\n"));
        }
        QCOMPARE(status(), "1/3  " + batch[0]);
        {
            StdoutCapture out;
            drawSquare(20, 20, 100);
            QCOMPARE(out.text(), std::string("Active shape: -1\nShape Added!\n"));
        }
        clickTag(0, 1);
        clickTag(2, 2);
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        QCOMPARE(annotation().labels[0].tags, TagPairs({{0, 1}, {2, 2}}));
        QCOMPARE(annotation().labels[0].text, QString("S2\nK: T2\n"));
        styleChooser()->setCurrentIndex(4);

        pressKey(Qt::Key_Down);
        QCOMPARE(fileBytes(pathOf("a.lbl")),
                 QByteArray("4\n4 20 20 120 20 120 120 20 120 \n2 0 1 2 2 \n"));
        QCOMPARE(status(), "2/3  " + batch[1]);
        QVERIFY(annotation().labels.empty());
        QCOMPARE(styleChooser()->currentIndex(), 0);
        QVERIFY(!QFile::exists(pathOf("b.lbl")));

        pressKey(Qt::Key_Up);
        QCOMPARE(status(), "1/3  " + batch[0]);
        QCOMPARE(styleChooser()->currentIndex(), 4);
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        QCOMPARE(annotation().labels[0].points,
                 std::vector<QPoint>({{20, 20}, {120, 20}, {120, 120}, {20, 120}}));
        QCOMPARE(annotation().labels[0].text, QString("S2\nK: T2\n"));
        QVERIFY(selectedCells().empty());
        const QColor fill = pixelAt(canvas(), {100, 30});
        QVERIFY2(fill.green() > fill.red() + 20, qPrintable(fill.name()));

        StdoutCapture out;
        QTest::mousePress(canvas(), Qt::RightButton, {}, {60, 60});
        QTest::mouseRelease(canvas(), Qt::RightButton, {}, {60, 60});
        QCOMPARE(out.text(), std::string("Active shape: 0\n"));
        QCOMPARE(selectedCells(), (std::set<std::pair<int, int>>{{0, 1}, {2, 2}}));
        const QColor active = pixelAt(canvas(), {100, 30});
        QVERIFY2(active.red() > active.green() + 20, qPrintable(active.name()));
    }

    void nextOnLastAndPreviousOnFirstOnlySave()
    {
        openBatch(batch);
        drawSquare(20, 20, 50);
        clickTag(0, 3);
        pressKey(Qt::Key_Up);
        QCOMPARE(status(), "1/3  " + batch[0]);
        QCOMPARE(fileBytes(pathOf("a.lbl")), QByteArray("0\n4 20 20 70 20 70 70 20 70 \n1 0 3 \n"));

        pressKey(Qt::Key_Down);
        pressKey(Qt::Key_Down);
        drawSquare(30, 30, 50);
        clickTag(6, 0);
        pressKey(Qt::Key_Down);
        QCOMPARE(status(), "3/3  " + batch[2]);
        QCOMPARE(fileBytes(pathOf("c.lbl")), QByteArray("0\n4 30 30 80 30 80 80 30 80 \n1 6 0 \n"));
        QCOMPARE(annotation().labels.size(), std::size_t(1));
    }

    void cancelledDialogChangesNothing_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("Open Images") << false;
        QTest::newRow("Open Folder") << true;
    }

    void cancelledDialogChangesNothing()
    {
        QFETCH(bool, folder);
        openBatch(batch);
        drawSquare(20, 20, 50);
        QTimer::singleShot(200, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dialog->reject();
        });
        StdoutCapture out;
        folder ? window->slotOpenFolder() : window->slotOpenImages();
        QCOMPARE(out.text(), std::string());
        QCOMPARE(status(), "1/3  " + batch[0]);
        QCOMPARE(annotation().labels.size(), std::size_t(1));
    }

    void folderBecomesTheBatchInNaturalOrder()
    {
        makeJobFolder({0, 1, 3});
        {
            StdoutCapture out;
            openFolder(jobPath());
            QCOMPARE(out.text(), std::string("5\n"));
        }
        QCOMPARE(listedNames(), jobImages);
        QCOMPARE(markedRows(), QList<int>({0, 1, 3}));
        QCOMPARE(status(), "3/5  " + jobPath("img3.Jpg"));
        checkListShows(2);
        QCOMPARE(progress(), QString("3 of 5 labelled"));

        pressKey(Qt::Key_Up);
        QCOMPARE(status(), "2/5  " + jobPath("img2.JPG"));
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        checkListShows(1);
    }

    void folderStartsAtTheFirstImageWithoutALabelFile_data()
    {
        QTest::addColumn<QList<int>>("labelled");
        QTest::addColumn<QList<int>>("proposed");
        QTest::addColumn<int>("start");
        QTest::newRow("none labelled") << QList<int>() << QList<int>() << 0;
        QTest::newRow("first two labelled") << QList<int>({0, 1}) << QList<int>() << 2;
        QTest::newRow("only the last unlabelled") << QList<int>({0, 1, 2, 3}) << QList<int>() << 4;
        QTest::newRow("all labelled, from the first")
            << QList<int>({0, 1, 2, 3, 4}) << QList<int>() << 0;
        // A proposal waits for review; labelling goes on where nothing is yet.
        QTest::newRow("proposals passed over") << QList<int>({0}) << QList<int>({1, 2}) << 3;
        QTest::newRow("all labelled or proposed, from the first")
            << QList<int>({1}) << QList<int>({0, 2, 3, 4}) << 0;
    }

    void folderStartsAtTheFirstImageWithoutALabelFile()
    {
        QFETCH(QList<int>, labelled);
        QFETCH(QList<int>, proposed);
        QFETCH(int, start);
        makeJobFolder(labelled);
        for (int position : proposed)
            writeProposal(jobPath(jobImages[position]), proposal);
        openFolder(jobPath());
        QCOMPARE(window->imageSession().imagePath(), jobPath(jobImages[start]));
        QCOMPARE(markedRows(), labelled);
        QString progressText = QString("%1 of 5 labelled").arg(labelled.size());
        if (!proposed.isEmpty())
            progressText += QString(", %1 proposed").arg(proposed.size());
        QCOMPARE(progress(), progressText);
    }

    void folderOpenedAfterAnEditCountsTheImageJustSaved()
    {
        openBatch(batch);
        addTaggedShape();
        openFolder(dir->path());
        QCOMPARE(fileBytes(pathOf("a.lbl")), QByteArray("0\n4 20 20 70 20 70 70 20 70 \n1 0 0 \n"));
        QCOMPARE(status(), "2/3  " + batch[1]);
        QCOMPARE(markedRows(), QList<int>({0}));
    }

    void folderWithoutJpegsChangesNothing_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("empty folder named like a JPEG") << "job/folder.jpg";
        QTest::newRow("JPEGs only in a subfolder") << "outer";
    }

    void folderWithoutJpegsChangesNothing()
    {
        QFETCH(QString, folder);
        makeJobFolder({});
        QVERIFY(QDir(dir->path()).mkpath("outer/inner"));
        QVERIFY(writeTestJpeg(pathOf("outer/inner/x.jpg"), 40, 30, 100));
        QVERIFY(writeFileBytes(pathOf("outer/x.txt"), "text"));
        openBatch(batch);
        addTaggedShape();

        StdoutCapture out;
        openFolder(pathOf(folder));
        QCOMPARE(out.text(), std::string());
        QCOMPARE(status(), "No images in " + pathOf(folder));
        QCOMPARE(annotation().labels.size(), std::size_t(1));
        QVERIFY(window->isWindowModified());
        QCOMPARE(listedNames(), QStringList({"a.jpg", "b.jpg", "c.jpg"}));

        // When the note goes, the position of the image comes back.
        window->statusBar()->clearMessage();
        QCOMPARE(status(), "1/3  " + batch[0]);
    }

    void imageLibraryWritesNothingToStandardError()
    {
        silenceImageLibraryLogging();
        MessageBoxCloser closer;
        StderrCapture err;
        openBatch({pathOf("missing.jpg")});
        QCOMPARE(closer.texts, QStringList("Cannot open image " + pathOf("missing.jpg")));
        QCOMPARE(err.text(), QByteArray());
    }
};

QTEST_MAIN(TestWorkflow)
#include "test_workflow.moc"
