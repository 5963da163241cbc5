#include "batchfiles.h"
#include "batchpaths.h"
#include "filefixture.h"
#include "labelpath.h"

#include <QtTest>

#include <cstdio>

// What a batch is without a window: its images, label files, twins, start image and status.
class TestBatchPaths : public QObject
{
    Q_OBJECT

private slots:
    void labelPathReplacesTheExtensionOfTheFileName_data()
    {
        QTest::addColumn<QString>("imagePath");
        QTest::addColumn<QString>("labelPath");
        QTest::newRow("plain") << "/data/rooms/r07.jpg"
                               << "/data/rooms/r07.lbl";
        QTest::newRow("dotted folder") << "/data/a.b/c.jpg"
                                       << "/data/a.b/c.lbl";
        QTest::newRow("dot only in folder") << "/data/set.2/photo"
                                            << "/data/set.2/photo.lbl";
        QTest::newRow("other dotted folder") << "/data/set.3/photo"
                                             << "/data/set.3/photo.lbl";
        QTest::newRow("no dot at all") << "/data/photo"
                                       << "/data/photo.lbl";
        QTest::newRow("two extensions") << "/x/room.final.jpg"
                                        << "/x/room.final.lbl";
        QTest::newRow("non-ASCII") << QString::fromUtf8("/données/salon é.jpg")
                                   << QString::fromUtf8("/données/salon é.lbl");
    }

    void labelPathReplacesTheExtensionOfTheFileName()
    {
        QFETCH(QString, imagePath);
        QFETCH(QString, labelPath);
        QCOMPARE(labelPathFor(imagePath), labelPath);
    }

    void batchStartsAtImageLastShownOrFirstUnlabelled_data()
    {
        QTest::addColumn<std::vector<bool>>("labelled");
        QTest::addColumn<QString>("lastShown");
        QTest::addColumn<int>("start");
        QTest::addColumn<std::vector<bool>>("proposed");
        QTest::addColumn<QString>("heldByAnother");
        const std::vector<bool> firstTwoDone{true, true, false, false};
        QTest::newRow("first unlabelled")
            << firstTwoDone << QString() << 2 << std::vector<bool>() << QString();
        QTest::newRow("last shown, labelled")
            << firstTwoDone << "/f/b.jpg" << 1 << std::vector<bool>() << QString();
        QTest::newRow("last shown is the last")
            << firstTwoDone << "/f/d.jpg" << 3 << std::vector<bool>() << QString();
        QTest::newRow("last shown is the first")
            << firstTwoDone << "/f/a.jpg" << 0 << std::vector<bool>() << QString();
        QTest::newRow("last shown is gone")
            << firstTwoDone << "/f/e.jpg" << 2 << std::vector<bool>() << QString();
        QTest::newRow("nothing unlabelled")
            << std::vector<bool>(4, true) << QString() << 0 << std::vector<bool>() << QString();
        QTest::newRow("all unlabelled")
            << std::vector<bool>(4, false) << QString() << 0 << std::vector<bool>() << QString();
        QTest::newRow("first unlabelled is proposed")
            << firstTwoDone << QString() << 3 << std::vector<bool>{false, false, true, false}
            << QString();
        QTest::newRow("last shown is proposed")
            << firstTwoDone << "/f/c.jpg" << 2 << std::vector<bool>{false, false, true, false}
            << QString();
        QTest::newRow("last shown, held by another")
            << firstTwoDone << "/f/b.jpg" << 2 << std::vector<bool>() << "/f/b.jpg";
        QTest::newRow("first unlabelled held by another")
            << firstTwoDone << QString() << 3 << std::vector<bool>() << "/f/c.jpg";
    }

    void batchStartsAtImageLastShownOrFirstUnlabelled()
    {
        QFETCH(std::vector<bool>, labelled);
        QFETCH(QString, lastShown);
        QFETCH(int, start);
        QFETCH(std::vector<bool>, proposed);
        BatchFiles batch{
            {"/f/a.jpg", "/f/b.jpg", "/f/c.jpg", "/f/d.jpg"}, labelled, proposed, {}, {}, {}};
        QFETCH(QString, heldByAnother);
        std::vector<QString> holders(batch.imagePaths.size());
        for (qsizetype row = 0; row < batch.imagePaths.size(); ++row)
            if (batch.imagePaths[row] == heldByAnother)
                holders[std::size_t(row)] = "bob";
        QCOMPARE(startImageOf(batch, lastShown, holders), start);
    }

    void statusShowsPositionCountAndPath()
    {
        QCOMPARE(statusText(3, 12, "/data/r03.jpg"), QString("3/12  /data/r03.jpg"));
    }

    void longPathIsShortenedFromItsBeginning_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("ASCII") << "/" + QString(3000, 'a') + "/room.jpg";
        QTest::newRow("two-byte characters") << "/" + QString(1500, QChar(0xe9)) + "/room.jpg";
        QTest::newRow("surrogate pairs")
            << "/" + QString::fromUtf8("\xF0\x9F\x9B\x8B").repeated(700) + "/room.jpg";
    }

    void longPathIsShortenedFromItsBeginning()
    {
        QFETCH(QString, path);
        const QString text = statusText(1, 2, path);
        QVERIFY2(text.toUtf8().size() <= 1023, qPrintable(QString::number(text.toUtf8().size())));
        QVERIFY(text.toUtf8().size() > 1000);
        QVERIFY(text.startsWith("1/2  ..."));
        QVERIFY(text.endsWith("/room.jpg"));
        QVERIFY(path.endsWith(text.mid(8)));
        QVERIFY(!text.contains(QChar(QChar::ReplacementCharacter)));
    }

    void namesSortAsPeopleCount_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("numbers by value") << QStringList({"img10.jpg", "img9.jpg", "img100.jpg"})
                                          << QStringList({"img9.jpg", "img10.jpg", "img100.jpg"});
        QTest::newRow("case does not split the letters")
            << QStringList({"b2.jpg", "B1.JPG", "a3.jpg"})
            << QStringList({"a3.jpg", "B1.JPG", "b2.jpg"});
        QTest::newRow("leading zeros in a fixed order")
            << QStringList({"img02.jpg", "img2.jpg", "img1.jpg"})
            << QStringList({"img1.jpg", "img02.jpg", "img2.jpg"});
    }

    void namesSortAsPeopleCount()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, sorted);
        sortNaturally(names);
        QCOMPARE(names, sorted);
    }

    void labelFilesAreFoundInEveryFolderOfTheBatch()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("one"));
        QVERIFY(QDir(dir.path()).mkpath("two/b.lbl"));
        for (const char* name : {"one/a.lbl", "two/c.lbl", "two/.d.lbl"}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QStringList images = {dir.filePath("one/a.jpg"),  dir.filePath("one/c.jpg"),
                                    dir.filePath("two/b.jpg"),  dir.filePath("two/c.JPG"),
                                    dir.filePath("two/.d.jpg"), dir.filePath("three/a.jpg")};
        QCOMPARE(findLabelFiles(images),
                 std::vector<bool>({true, false, false, true, true, false}));
    }

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
        // Named one by one, the same images have the same files.
        const BatchFiles named = findBatchFiles(batch.imagePaths);
        QCOMPARE(named.labelled, batch.labelled);
        QCOMPARE(named.proposed, batch.proposed);
        QCOMPARE(named.sharedLabels, batch.sharedLabels);
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
        QTest::newRow("a folder at a twin's name is none") << QStringList{"z.JPG"} << "-";
        QTest::newRow("a stem in other letters is no twin") << QStringList{"X.jpg"} << "-";
        QTest::newRow("a longer name of the same stem is no twin") << QStringList{"y.jpg"} << "-";
    }
    void namedImagesShareLabelFilesAsAFoldersDo()
    {
        QFETCH(QStringList, named);
        QFETCH(QString, states);
        QTemporaryDir dir;
        for (const char* name : {"x.jpg", "x.JPG", "x.Jpg", "x.png", "x.lbl", "y.jpg", "y.lbl",
                                 "X.jpg", "X.lbl", "z.JPG", "z.lbl", "y.jpg.png"})
            QVERIFY(writeFileBytes(dir.filePath(name), QByteArray()));
        QVERIFY(QDir(dir.path()).mkdir("z.jpg"));
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
};

QTEST_APPLESS_MAIN(TestBatchPaths)
#include "test_batchpaths.moc"
