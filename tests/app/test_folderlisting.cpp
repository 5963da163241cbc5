#include "folderlisting.h"
#include "labelpath.h"
#include "workflowfixture.h"

#include <QtTest>

// The listing of a folder on a worker thread: its count as it goes, and which request wins.
class TestFolderListing : public QObject
{
    Q_OBJECT

private:
    // Empty files: the listing never opens them.
    static bool makeFiles(const QString& folder, const QString& pattern, int count)
    {
        if (!QDir().mkpath(folder))
            return false;
        for (int i = 0; i < count; ++i)
            if (!writeFileBytes(folder + "/" + pattern.arg(i), QByteArray()))
                return false;
        return true;
    }

private slots:
    void countsTheImagesItLists_data()
    {
        QTest::addColumn<int>("images");
        QTest::addColumn<int>("others");
        QTest::newRow("none") << 0 << 3;
        QTest::newRow("fewer than one report") << 1023 << 0;
        QTest::newRow("one report") << 1024 << 5;
        QTest::newRow("one past") << 1025 << 5;
        QTest::newRow("several reports") << 2050 << 0;
    }
    void countsTheImagesItLists()
    {
        QFETCH(int, images);
        QFETCH(int, others);
        QTemporaryDir dir;
        QVERIFY(makeFiles(dir.path(), "r%1.jpg", images));
        QVERIFY(makeFiles(dir.path(), "r%1.lbl", others));
        QVERIFY(makeFiles(dir.path(), ".hidden%1.jpg", 2));
        std::atomic<int> found{-1};
        const BatchFiles batch = listFolderImages(dir.path(), &found);
        QCOMPARE(found.load(), images);
        QCOMPARE(batch.imagePaths.size(), images);
        // The same batch as without a count.
        const BatchFiles plain = listFolderImages(dir.path());
        QCOMPARE(batch.imagePaths, plain.imagePaths);
        QCOMPARE(batch.labelled, plain.labelled);
    }

    // Each image with the state of its label file and proposal, as the loader would find them.
    void batchHoldsEachImageWithItsFiles_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("images");
        QTest::addColumn<QString>("states");
        QTest::newRow("labelled, case of the image suffix")
            << QStringList{"a.JPG", "a.lbl", "b.jpg"} << QStringList{"a.JPG", "b.jpg"} << "L-";
        QTest::newRow("label suffix in capitals is no label file")
            << QStringList{"b.jpg", "b.LBL"} << QStringList{"b.jpg"} << "-";
        QTest::newRow("proposal only")
            << QStringList{"c.jpg", QString(proposalFolderName) + "/c.lbl"} << QStringList{"c.jpg"}
            << "P";
        QTest::newRow("label and proposal")
            << QStringList{"c.jpg", "c.lbl", QString(proposalFolderName) + "/c.lbl"}
            << QStringList{"c.jpg"} << "B";
        QTest::newRow("stem holding the suffix")
            << QStringList{"d.jpg.jpg", "d.jpg.lbl", "d.lbl"} << QStringList{"d.jpg.jpg"} << "L";
        QTest::newRow("another image's label")
            << QStringList{"e.jpg", "e2.lbl", "ee.lbl"} << QStringList{"e.jpg"} << "-";
        QTest::newRow("not images") << QStringList{".h.jpg", "f.jpeg", "jpg", "g.jpgx", "h.jpg"}
                                    << QStringList{"h.jpg"} << "-";
        QTest::newRow("letters beyond plain ones")
            << QStringList{"été 2.jpg", "été 2.lbl", "été 10.jpg"}
            << QStringList{"été 2.jpg", "été 10.jpg"} << "L-";
        QTest::newRow("a folder named like a label file")
            << QStringList{"k.jpg", "k.lbl/"} << QStringList{"k.jpg"} << "-";
    }
    void batchHoldsEachImageWithItsFiles()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, images);
        QFETCH(QString, states);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(proposalFolderName));
        for (const QString& file : files)
            QVERIFY(file.endsWith('/') ? QDir(dir.path()).mkpath(file)
                                       : writeFileBytes(dir.filePath(file), QByteArray()));
        const BatchFiles batch = listFolderImages(dir.path() + "/");
        QStringList paths;
        QString seen;
        for (qsizetype row = 0; row < batch.imagePaths.size(); ++row) {
            const bool labelled = batch.labelled[std::size_t(row)];
            const bool proposed = batch.proposed[std::size_t(row)];
            seen += labelled && proposed ? 'B' : labelled ? 'L' : proposed ? 'P' : '-';
        }
        for (const QString& image : images)
            paths << QDir(dir.path() + "/").filePath(image);
        QCOMPARE(batch.imagePaths, paths);
        QCOMPARE(seen, states);
    }

    void folderThatCannotBeReadListsNothing()
    {
        QTemporaryDir dir;
        QCOMPARE(listFolderImages(dir.filePath("missing")).imagePaths, QStringList());
    }

    void listsInTheBackgroundAndReportsOnce()
    {
        QTemporaryDir dir;
        QVERIFY(makeFiles(dir.filePath("job"), "r%1.jpg", 3));
        QVERIFY(writeFileBytes(dir.filePath("job/r1.lbl"), "0\n"));
        FolderListing listing;
        QSignalSpy listed(&listing, &FolderListing::sglListed);
        listing.start(dir.filePath("job"), "last.jpg");
        QVERIFY(listing.isRunning());
        QVERIFY(listed.wait(10000));
        QVERIFY(!listing.isRunning());
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed[0], (QVariantList{dir.filePath("job"), "last.jpg"}));
        const BatchFiles batch = listing.take();
        QCOMPARE(batch.imagePaths.size(), 3);
        QCOMPARE(batch.labelled, (std::vector<bool>{false, true, false}));
    }

    void laterRequestReplacesAnUnfinishedOne()
    {
        QTemporaryDir dir;
        QVERIFY(makeFiles(dir.filePath("big"), "r%1.jpg", 20000));
        QVERIFY(makeFiles(dir.filePath("small"), "s%1.jpg", 2));
        QVERIFY(makeFiles(dir.filePath("last"), "t%1.jpg", 1));
        FolderListing listing;
        QSignalSpy listed(&listing, &FolderListing::sglListed);
        listing.start(dir.filePath("big"), "b");
        listing.start(dir.filePath("small"), "s");
        listing.start(dir.filePath("last"), "t");
        QVERIFY(listed.wait(20000));
        QTest::qWait(50);
        // Only the newest request is answered; the ones in between are never listed.
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed[0], (QVariantList{dir.filePath("last"), "t"}));
        QCOMPARE(listing.take().imagePaths, QStringList{dir.filePath("last/t0.jpg")});
    }

    void cancelledListingIsNotReported_data()
    {
        QTest::addColumn<bool>("startAgain");
        QTest::newRow("cancelled") << false;
        QTest::newRow("started again after cancelling") << true;
    }
    void cancelledListingIsNotReported()
    {
        QFETCH(bool, startAgain);
        QTemporaryDir dir;
        QVERIFY(makeFiles(dir.filePath("big"), "r%1.jpg", 20000));
        QVERIFY(makeFiles(dir.filePath("small"), "s%1.jpg", 2));
        FolderListing listing;
        QSignalSpy listed(&listing, &FolderListing::sglListed);
        listing.start(dir.filePath("big"));
        listing.start(dir.filePath("small"));
        listing.cancel();
        if (startAgain)
            listing.start(dir.filePath("small"), "s");
        QCOMPARE(listed.wait(startAgain ? 20000 : 3000), startAgain);
        QTRY_VERIFY(!listing.isRunning());
        QCOMPARE(listed.size(), startAgain ? 1 : 0);
        if (startAgain)
            QCOMPARE(listed[0], (QVariantList{dir.filePath("small"), "s"}));
    }
};

QTEST_GUILESS_MAIN(TestFolderListing)
#include "test_folderlisting.moc"
