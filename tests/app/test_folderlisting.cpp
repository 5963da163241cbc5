#include "folderlisting.h"
#include "labelpath.h"
#include "workflowfixture.h"

#include <QtTest>

#include <QSemaphore>

#include <cstdio>

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
        QTest::newRow("not images")
            << QStringList{".h.jpg", ".h.png", "jpg", "g.jpgx", "g.gif", "h.jpg", ".tiff"}
            << QStringList{"h.jpg"} << "-";
        QTest::newRow("formats mixed, in natural order")
            << QStringList{"r10.png", "r2.webp", "r1.jpg", "r3.TIFF", "r4.bmp",
                           "r5.jpeg", "r6.tif",  "r2.lbl", "r5.lbl"}
            << QStringList{"r1.jpg", "r2.webp", "r3.TIFF", "r4.bmp", "r5.jpeg", "r6.tif", "r10.png"}
            << "-L--L--";
        QTest::newRow("twins across formats") << QStringList{"room.png", "room.jpg", "room.lbl"}
                                              << QStringList{"room.jpg", "room.png"} << "L0";
        QTest::newRow("two extensions, two stems") << QStringList{"x.png.jpg", "x.png.lbl", "x.png"}
                                                   << QStringList{"x.png", "x.png.jpg"} << "-L";
        QTest::newRow("letters beyond plain ones")
            << QStringList{"été 2.jpg", "été 2.lbl", "été 10.jpg"}
            << QStringList{"été 2.jpg", "été 10.jpg"} << "L-";
        QTest::newRow("a folder named like a label file")
            << QStringList{"k.jpg", "k.lbl/"} << QStringList{"k.jpg"} << "-";
        // A digit: the row shares the label file of that earlier row, and is not ticked.
        QTest::newRow("case twins, the first keeps the label file")
            << QStringList{"x.JPG", "x.jpg", "x.lbl"} << QStringList{"x.jpg", "x.JPG"} << "L0";
        QTest::newRow("case twins without a label file")
            << QStringList{"x.Jpg", "x.jpg"} << QStringList{"x.jpg", "x.Jpg"} << "-0";
        QTest::newRow("three twins, one label file")
            << QStringList{"y.JPG", "y.jpg", "y.jPg", "y.lbl"}
            << QStringList{"y.jpg", "y.jPg", "y.JPG"} << "L00";
        QTest::newRow("capital suffixes of other stems")
            << QStringList{"a.JPG", "b.jpg", "b.lbl", "a.lbl"} << QStringList{"a.JPG", "b.jpg"}
            << "LL";
        QTest::newRow("stems that differ in case")
            << QStringList{"X.jpg", "x.JPG", "x.lbl"} << QStringList{"x.JPG", "X.jpg"} << "L-";
        QTest::newRow("twins after others") << QStringList{"m.jpg", "n.JPG", "n.jpg", "n.lbl"}
                                            << QStringList{"m.jpg", "n.jpg", "n.JPG"} << "-L1";
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
            if (batch.sharedLabels.contains(int(row)))
                seen += labelled ? QString("!") : QString::number(batch.sharedLabels[int(row)]);
            else
                seen += labelled && proposed ? 'B' : labelled ? 'L' : proposed ? 'P' : '-';
        }
        for (const QString& image : images)
            paths << QDir(dir.path() + "/").filePath(image);
        QCOMPARE(batch.imagePaths, paths);
        QCOMPARE(seen, states);
    }

    // Named images share label files as a folder's do, and the one the folder's list shows
    // first keeps it however they were named, in the batch or not. Each row's state: '-' keeps
    // its own label file, a digit the row that keeps it, a name in brackets the image beside it
    // that does. "lnk/" is a link to the folder.
    void namedImagesShareLabelFilesAsAFoldersDo_data()
    {
        QTest::addColumn<QStringList>("named");
        QTest::addColumn<QString>("states");
        QTest::newRow("the list's first keeps it, not the first named")
            << QStringList{"x.JPG", "y.jpg", "x.jpg", "y.jpg"} << "2---";
        QTest::newRow("three twins") << QStringList{"x.JPG", "x.Jpg", "x.jpg"} << "22-";
        QTest::newRow("three twins, the keeper named first")
            << QStringList{"x.jpg", "x.JPG", "x.Jpg"} << "-00";
        QTest::newRow("twin through a linked folder") << QStringList{"x.jpg", "lnk/x.JPG"} << "-0";
        QTest::newRow("linked twin named first") << QStringList{"lnk/x.JPG", "x.jpg"} << "1-";
        QTest::newRow("one image through a linked folder")
            << QStringList{"x.jpg", "lnk/x.jpg"} << "--";
        QTest::newRow("twin named alone") << QStringList{"x.JPG"} << "(x.jpg)";
        QTest::newRow("keeper named alone") << QStringList{"x.jpg"} << "-";
        QTest::newRow("twin named before its keeper") << QStringList{"x.JPG", "x.jpg"} << "1-";
        QTest::newRow("twins named without their keeper")
            << QStringList{"x.JPG", "x.Jpg"} << "1(x.jpg)";
        QTest::newRow("twin named through a link, alone") << QStringList{"lnk/x.Jpg"} << "(x.jpg)";
        QTest::newRow("twin of another format named alone") << QStringList{"x.png"} << "(x.jpg)";
        QTest::newRow("twin of another format named first")
            << QStringList{"x.png", "x.jpg"} << "1-";
    }
    void namedImagesShareLabelFilesAsAFoldersDo()
    {
        QFETCH(QStringList, named);
        QFETCH(QString, states);
        QTemporaryDir dir;
        for (const char* name : {"x.jpg", "x.JPG", "x.Jpg", "x.png", "x.lbl", "y.jpg", "y.lbl"})
            QVERIFY(writeFileBytes(dir.filePath(name), QByteArray()));
        QVERIFY(QFile::link(dir.path(), dir.filePath("lnk")));
        QStringList paths;
        for (const QString& name : named)
            paths << dir.filePath(name);
        const BatchFiles batch = findBatchFiles(paths);
        QString seen;
        for (qsizetype row = 0; row < paths.size(); ++row) {
            const bool shared = batch.sharedLabels.contains(int(row));
            const QString keeper = batch.keepersOutside.value(int(row));
            // A row that doesn't keep the label file is never ticked for it.
            QCOMPARE(batch.labelled[std::size_t(row)], !shared && keeper.isEmpty());
            seen += shared             ? QString::number(batch.sharedLabels[int(row)])
                    : keeper.isEmpty() ? QString("-")
                                       : "(" + keeper + ")";
        }
        QCOMPARE(seen, states);
    }

    void firstImageToLabelPassesOverTwins()
    {
        QTemporaryDir dir;
        for (const char* name : {"x.jpg", "x.JPG", "x.lbl", "y.jpg", "y.lbl"})
            QVERIFY(writeFileBytes(dir.filePath(name), QByteArray()));
        const BatchFiles batch = findBatchFiles({dir.filePath("x.JPG"), dir.filePath("y.jpg"),
                                                 dir.filePath("x.jpg"), dir.filePath("y.jpg")});
        QCOMPARE(firstImageToLabel(batch), 0);
        BatchFiles unlabelled = batch;
        unlabelled.labelled = {true, true, false, true};
        unlabelled.sharedLabels.clear();
        QCOMPARE(firstImageToLabel(unlabelled), 2);
    }

    // Opened by its text, a name whose bytes don't come back would be another file: it is left
    // out and named with its bytes escaped, and a real file of that text stays alone.
    void namesThatCannotBeReadAsTextAreLeftOut()
    {
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path()) + "/";
        for (const QByteArray& name :
             {QByteArray("latin\xe9.jpg"), QByteArray("latin\xe8.jpg"),
              QByteArray("latin\xef\xbf\xbd.jpg"), QByteArray("latin\xef\xbf\xbd.lbl")}) {
            std::FILE* file = std::fopen((folder + name).constData(), "w");
            QVERIFY(file);
            std::fclose(file);
        }
        const BatchFiles batch = listFolderImages(dir.path());
        QCOMPARE(batch.imagePaths, QStringList{dir.filePath(QString::fromUtf8("latin\uFFFD.jpg"))});
        QCOMPARE(batch.labelled, std::vector<bool>{true});
        QStringList undecodable = batch.undecodable;
        undecodable.sort();
        QCOMPARE(undecodable, (QStringList{"latin\\xe8.jpg", "latin\\xe9.jpg"}));
    }

    // The image told before sorting is the one the sorted batch starts at, by the same rules;
    // "-" means none is told. Files: ">" marks a label file, "?" a proposal, "=" the remembered.
    void firstImageToldIsWhereTheBatchStarts_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("told");
        QTest::newRow("labelled skipped") << QStringList{"r1.jpg>", "r2.jpg", "r3.jpg"} << "r2.jpg";
        QTest::newRow("numbers by value")
            << QStringList{"img10.jpg", "img9.jpg", "img2.jpg>"} << "img9.jpg";
        QTest::newRow("proposal skipped") << QStringList{"a.jpg?", "b.jpg"} << "b.jpg";
        QTest::newRow("every image labelled or proposed") << QStringList{"a.jpg>", "b.jpg?"} << "-";
        QTest::newRow("equal to the collator, then by characters")
            << QStringList{"img2.jpg", "img02.jpg"} << "img02.jpg";
        QTest::newRow("accent is not after every plain letter")
            << QStringList{"e2.jpg", "\u00e91.jpg", "f0.jpg"} << "\u00e91.jpg";
        QTest::newRow("case twins: the one keeping the label file")
            << QStringList{"x.JPG", "x.jpg", "w.jpg>"} << "x.jpg";
        QTest::newRow("remembered though labelled")
            << QStringList{"r1.jpg", "r2.jpg>="} << "r2.jpg";
        QTest::newRow("remembered twin that shares its label file")
            << QStringList{"x.JPG=", "x.jpg"} << "-";
        QTest::newRow("remembered gone") << QStringList{"r1.jpg>", "r3.jpg"} << "r3.jpg";
        QStringList many;
        for (int i = 0; i < 40000; ++i)
            many << QString("n%1.jpg%2").arg(i).arg(i < 30000 ? ">" : "");
        QTest::newRow("the first in the last part of a long list") << many << "n30000.jpg";
    }
    void firstImageToldIsWhereTheBatchStarts()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, told);
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath(proposalFolderName)));
        FirstImageWish wish;
        wish.remembered = dir.filePath("gone.jpg");
        for (const QString& file : std::as_const(files)) {
            const QString name = file.section('.', 0, 0) + "." + file.section('.', 1).left(3);
            const QString stem = name.chopped(4);
            QVERIFY(writeFileBytes(dir.filePath(name), QByteArray()));
            if (file.contains('>'))
                QVERIFY(writeFileBytes(dir.filePath(stem + ".lbl"), "0\n"));
            if (file.contains('?'))
                QVERIFY(
                    writeFileBytes(dir.filePath(proposalFolderName) + "/" + stem + ".lbl", "0\n"));
            if (file.contains('='))
                wish.remembered = dir.filePath(name);
        }
        QStringList toldPaths;
        wish.tell = [&](const QString& path) { toldPaths << path; };
        const BatchFiles batch = listFolderImages(dir.path(), nullptr, wish);
        QCOMPARE(toldPaths, told == "-" ? QStringList() : QStringList{dir.filePath(told)});
        if (told != "-")
            QCOMPARE(batch.imagePaths[startImageOf(batch, wish.remembered)], dir.filePath(told));
    }

    void folderThatCannotBeReadListsNothing()
    {
        QTemporaryDir dir;
        QCOMPARE(listFolderImages(dir.filePath("missing")).imagePaths, QStringList());
    }

    // A file a killed save, claim or review left half written is swept on the worker once a
    // day has passed without a write to it; a file of another naming is never the program's.
    void listsInTheBackgroundAndReportsOnce_data()
    {
        QTest::addColumn<QString>("leftover");
        QTest::addColumn<int>("hoursOld");
        QTest::addColumn<bool>("removed");
        const QString saves = ".0123456789abcdef.tmp";
        QTest::newRow("a save's, a day old") << saves << 25 << true;
        QTest::newRow("a save's, written within the day") << saves << 23 << false;
        QTest::newRow("another naming, a day old") << ".0123456789abcdeF.tmp" << 25 << false;
        QTest::newRow("the importer's spool naming, a day old")
            << "quadrotag-import-abcdef" << 25 << false;
        QTest::newRow("a claim's, a day old") << ".quadrotag/claims/" + saves << 25 << true;
        QTest::newRow("kept work's, a day old") << ".quadrotag/kept/ann@pc1/" + saves << 25 << true;
    }
    void listsInTheBackgroundAndReportsOnce()
    {
        QFETCH(QString, leftover);
        QFETCH(int, hoursOld);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        QVERIFY(makeFiles(dir.filePath("job"), "r%1.jpg", 3));
        QVERIFY(writeFileBytes(dir.filePath("job/r1.lbl"), "0\n"));
        const QString leftoverPath = dir.filePath("job/" + leftover);
        QVERIFY(QDir().mkpath(QFileInfo(leftoverPath).path()));
        QFile file(leftoverPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-hoursOld * 3600),
                                 QFileDevice::FileModificationTime));
        file.close();
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
        QTRY_COMPARE(FolderListing::workersUnderWay(), 0);
        QCOMPARE(QFileInfo::exists(leftoverPath), !removed);
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

    // A share that hangs keeps its worker, never the window: the listing is abandoned, and
    // what the worker finds later reaches nobody.
    void listingGoneWithItsWorkerHangingWaitsForNothing()
    {
        auto release = std::make_shared<QSemaphore>();
        auto ended = std::make_shared<std::atomic<bool>>(false);
        const int before = FolderListing::workersUnderWay();
        {
            FolderListing listing(
                [release, ended](const QString&, std::atomic<int>*, const FirstImageWish&) {
                    release->acquire();
                    ended->store(true);
                    BatchFiles found;
                    found.imagePaths << "/hung/a.jpg";
                    found.labelled = {false};
                    found.proposed = {false};
                    return found;
                });
            listing.start("/hung");
            QVERIFY(listing.isRunning());
            QCOMPARE(FolderListing::workersUnderWay(), before + 1);
        }
        QVERIFY(!ended->load());
        release->release();
        QTRY_COMPARE(FolderListing::workersUnderWay(), before);
        QVERIFY(ended->load());
        QTest::qWait(50);
    }

    // A folder named at start is listed once, early; only the first request for that very
    // folder takes the early result over, any later one lists the folder as it is then.
    void earlyListingIsTakenOverOnceBySameFolder()
    {
        QTemporaryDir dir;
        QVERIFY(makeFiles(dir.filePath("job"), "r%1.jpg", 3));
        QVERIFY(makeFiles(dir.filePath("other"), "o%1.jpg", 1));
        FolderListing::startEarly(dir.filePath("job"));
        QTRY_COMPARE(FolderListing::workersUnderWay(), 0);
        // Written after the early listing: only a listing made anew sees it.
        QVERIFY(writeFileBytes(dir.filePath("job/r1.lbl"), "0\n"));
        FolderListing listing;
        QSignalSpy listed(&listing, &FolderListing::sglListed);
        listing.start(dir.filePath("other"));
        QVERIFY(listed.wait(5000));
        QCOMPARE(listing.take().imagePaths, QStringList{dir.filePath("other/o0.jpg")});
        for (const auto& labelled :
             {std::vector<bool>{false, false, false}, std::vector<bool>{false, true, false}}) {
            listing.start(dir.filePath("job"), "s");
            QVERIFY(listed.wait(5000));
            QCOMPARE(listed.last(), (QVariantList{dir.filePath("job"), "s"}));
            QCOMPARE(listing.take().labelled, labelled);
        }
    }

    // A request replaced while its worker still runs is dropped, though it ends last.
    void replacedRequestEndingLastIsDropped()
    {
        auto release = std::make_shared<QSemaphore>();
        FolderListing listing(
            [release](const QString& folder, std::atomic<int>*, const FirstImageWish& wish) {
                wish.tell(folder + "/a.jpg");
                if (folder == "/slow")
                    release->acquire();
                BatchFiles found;
                found.imagePaths << folder + "/a.jpg";
                found.labelled = {false};
                found.proposed = {false};
                return found;
            });
        QSignalSpy listed(&listing, &FolderListing::sglListed);
        QSignalSpy told(&listing, &FolderListing::sglFirstImage);
        listing.start("/slow");
        listing.start("/quick", "q");
        QVERIFY(listed.wait(5000));
        QVERIFY(!listing.isRunning());
        QCOMPARE(listing.take().imagePaths, QStringList{"/quick/a.jpg"});
        release->release();
        QTRY_COMPARE(FolderListing::workersUnderWay(), 0);
        QTest::qWait(50);
        QCOMPARE(listed.size(), 1);
        QCOMPARE(listed[0], (QVariantList{"/quick", "q"}));
        QCOMPARE(told.size(), 1);
        QCOMPARE(told[0], (QVariantList{"/quick", "/quick/a.jpg"}));
    }

    // The early listing found its first image without knowing of a remembered one: told only
    // to a request that remembers none, before the list.
    void earlyListingTellsItsFirstImageWhenNoneIsRemembered_data()
    {
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<bool>("isTold");
        QTest::newRow("none remembered") << QString() << true;
        QTest::newRow("one remembered") << "r2.jpg" << false;
    }
    void earlyListingTellsItsFirstImageWhenNoneIsRemembered()
    {
        QFETCH(QString, remembered);
        QFETCH(bool, isTold);
        QTemporaryDir dir;
        QVERIFY(makeFiles(dir.filePath("job"), "r%1.jpg", 3));
        QVERIFY(writeFileBytes(dir.filePath("job/r0.lbl"), "0\n"));
        FolderListing::startEarly(dir.filePath("job"));
        FolderListing listing;
        QStringList heard;
        connect(&listing, &FolderListing::sglFirstImage, this,
                [&](const QString&, const QString& path) { heard << path; });
        connect(&listing, &FolderListing::sglListed, this, [&] { heard << "listed"; });
        listing.start(dir.filePath("job"), remembered.isEmpty() ? "" : dir.filePath(remembered));
        QTRY_VERIFY(heard.contains("listed"));
        const QStringList expected =
            isTold ? QStringList{dir.filePath("job/r1.jpg"), "listed"} : QStringList{"listed"};
        QCOMPARE(heard, expected);
    }
};

QTEST_GUILESS_MAIN(TestFolderListing)
#include "test_folderlisting.moc"
