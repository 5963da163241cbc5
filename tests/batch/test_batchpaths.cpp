#include "batchfiles.h"
#include "batchpaths.h"

#include <QtTest>

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
};

QTEST_APPLESS_MAIN(TestBatchPaths)
#include "test_batchpaths.moc"
