#include "test_importformats.h"

#include "workflowfixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Bad predictions reported and left out, label files never touched, images matched without
// doubt and scratch removed when stopped.
void TestImportFormats::leavesOutBadPredictions_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("predictions");
    QTest::addColumn<QByteArray>("out");

    const QByteArray sameSquare = "1 0.015625 0.020833 0.15625 0.020833 0.15625 0.208333 "
                                  "0.015625 0.208333";
    QTest::newRow("dota") << "dota"
                          << "labelTxt/room2.txt"
                          << QByteArray("10 4 50 8 46 40 6 36 Bed 0\n"
                                        "0 0 10 10 10 0 0 10 S1 0\n"
                                        "1 1 70 1 70 10 1 10 S1 0\n"
                                        "1 1 10 1 10 10 1 10 S2 0\n"
                                        "garbage\n"
                                        "1 1 65 1 65 10 1 10 S1 0\n"
                                        "1 -2 10 -2 10 10 1 10 S1 0\n"
                                        "63 1 64 1 64 10 63 10 S1 0\n"
                                        "1e308 10 50 10 50 38 -1e308 38 S1 0\n")
                          << QByteArray("bad/labelTxt/room2.txt: line 1: unknown class \"Bed\"\n"
                                        "bad/labelTxt/room2.txt: line 2: opposite edges cross\n"
                                        "bad/labelTxt/room2.txt: line 3: corner (70, 1) outside "
                                        "the 64x48 image\n"
                                        "bad/labelTxt/room2.txt: line 5: 1 fields, not 9 or 10\n"
                                        "bad/labelTxt/room2.txt: line 6: corner (65, 1) outside "
                                        "the 64x48 image\n"
                                        "bad/labelTxt/room2.txt: line 7: corner (1, -2) outside "
                                        "the 64x48 image\n"
                                        "bad/labelTxt/room2.txt: line 8: corner (64, 1) outside "
                                        "the 64x48 image; on its border the shape would have no "
                                        "area\n"
                                        // Outside before crossed: far corners meet at the limit.
                                        "bad/labelTxt/room2.txt: line 9: corner (1000000000, 10) "
                                        "outside the 64x48 image\n");
    QTest::newRow("yolo-obb") << "yolo-obb"
                              << "labels/room2.txt"
                              << QByteArray("5 0.1 0.1 0.2 0.1 0.2 0.2 0.1 0.2\n"
                                            "0 -0.5 0.1 0.2 0.1 0.2 0.2 0.1 0.2\n"
                                            "1 0.015625 0.020833 0.15625 0.020833 0.15625 "
                                            "0.208333 0.015625 0.208333\n"
                                            "0 nan 0.1 0.2 0.1 0.2 0.2 0.1 0.2\n"
                                            "0 1e300 1e300 1e300 1e300 1e300 1e300 1e300 "
                                            "1e300\n")
                              << QByteArray("bad/labels/room2.txt: line 1: class 5 is not in "
                                            "data.yaml\n"
                                            "bad/labels/room2.txt: line 2: corner (-32, 5) outside "
                                            "the 64x48 image\n"
                                            "bad/labels/room2.txt: line 4: a corner or the "
                                            "confidence is not a number\n"
                                            "bad/labels/room2.txt: line 5: corner (1000000000, "
                                            "1000000000) outside the 64x48 image\n");
    // The tail of a long line would pass for a line of its own.
    QTest::newRow("yolo-obb line longer than 4096 bytes")
        << "yolo-obb"
        << "labels/room2.txt"
        << "1 " + QByteArray(4093, '0') + " " + sameSquare + "\n" + sameSquare + "\n"
        << QByteArray("bad/labels/room2.txt: line 1: longer than 4096 bytes\n");
    // 4,096 bytes before the line end, whichever end it has, is still a line.
    const QByteArray padded = "1 " + QByteArray(4096 - sameSquare.size(), '0') + sameSquare.mid(2);
    QTest::newRow("yolo-obb lines of 4096 and 4097 bytes")
        << "yolo-obb"
        << "labels/room2.txt" << padded + "\r\n0" + padded + "\n"
        << QByteArray("bad/labels/room2.txt: line 2: longer than 4096 bytes\n");
    const QByteArray task1Square = "room2 0.9 1 1 10 1 10 10 1 10\n";
    QTest::newRow("dota task 1 line longer than 4096 bytes")
        << "dota"
        << "Task1_S2.txt"
        << "room2 " + QByteArray(4089, '0') + " " + task1Square + task1Square
        << QByteArray("bad/Task1_S2.txt: line 1: longer than 4096 bytes\n");
    QTest::newRow("coco duplicate images and categories")
        << "coco"
        << "instances.json" << QByteArray(R"({"annotations": [
        {"image_id": 1, "category_id": 1, "bbox": [1, 1, 9, 9]},
        {"image_id": 1, "category_id": 3, "bbox": [1, 1, 9, 9]},
        {"image_id": 2, "category_id": 1, "bbox": [1, 1, 9, 9]},
        {"image_id": 4, "category_id": 1, "bbox": [1, 1, 9, 9]}],
      "images": [{"id": 1, "file_name": "sub/room2.jpg"}, {"id": 2, "file_name": "room1.jpg"},
                 {"id": 3, "file_name": "./room1.jpg"}, {"id": 4, "file_name": "sub/a.jpg"},
                 {"id": 4, "file_name": "sub/b.jpg"}],
      "categories": [{"id": 1, "name": "S2"}, {"id": 3, "name": "S1"}, {"id": 3, "name": "S2"}]})")
        << QByteArray("bad/instances.json: category id 3 is given more than once\n"
                      "bad/instances.json: image room1.jpg is listed more than once; their "
                      "annotations are left out\n"
                      "bad/instances.json: image id 4 is given to more than one image; their "
                      "annotations are left out\n"
                      "bad/instances.json: annotation 2: category id 3 names more than one "
                      "category\n");
    QTest::newRow("coco image names with a NUL")
        << "coco"
        << "instances.json" << QByteArray(R"({"annotations": [
        {"image_id": 1, "category_id": 2, "bbox": [1, 1, 9, 9]},
        {"image_id": 2, "category_id": 2, "bbox": [1, 1, 9, 9]},
        {"image_id": 3, "category_id": 2, "bbox": [1, 1, 9, 9]},
        {"image_id": 4, "category_id": 2, "bbox": [1, 1, 9, 9]}],
      "images": [{"id": 1, "file_name": "sub/room2.jpg"}, {"id": 2, "file_name": "room1.jpg\u0000x"},
                 {"id": 3, "file_name": "room1\u0000.jpg"}, {"id": 4, "file_name": "x\u0000/../room1.jpg"}],
      "categories": [{"id": 2, "name": "S2"}]})")
        << QByteArray("bad/instances.json: image room1.jpg\\x00x is not in ds\n"
                      "bad/instances.json: image room1\\x00.jpg is not in ds\n"
                      "bad/instances.json: image x\\x00/../room1.jpg is not in ds\n");
    QTest::newRow("coco") << "coco"
                          << "instances.json" << QByteArray(R"({"annotations": [
        {"image_id": 1, "category_id": 3, "bbox": [1, 1, 9, 9]},
        {"image_id": 1, "category_id": 1, "segmentation": [[0, 0, 10, 10, 10, 0, 0, 10]]},
        {"image_id": 1, "category_id": 2, "bbox": [1, 1, 9, 9], "attributes": {"K": ["T9"]}},
        {"image_id": 1, "category_id": 2, "segmentation": [[1, 1, 10, 1]]},
        {"image_id": 5, "category_id": 2, "bbox": [1, 1, 9, 9]},
        {"image_id": 1, "category_id": 2, "segmentation": []},
        {"image_id": 1, "category_id": 4, "bbox": [1, 1, 9, 9]},
        {"image_id": 1, "category_id": 2, "bbox": [1, 1, 9, 9]},
        {"image_id": 1, "category_id": 2, "bbox": [1, 1, 9, 9], "score": "0.05"},
        {"image_id": 1, "category_id": 2, "bbox": [1, 1, 9, 9], "score": null},
        {"image_id": 1, "category_id": 2, "bbox": [10, 1, -9, 9]},
        {"image_id": 1, "category_id": 2, "bbox": [1, 1, 0, 9]}],
      "categories": [{"id": 1, "name": "S1"}, {"id": 2, "name": "S2"}, {"id": 3, "name": "Bed"},
                     {"id": 4, "name": "Be\n  d"}],
      "images": [{"id": 1, "file_name": "sub/room2.jpg"}, {"id": 2, "file_name": "../room3.jpg"}]})")
                          << QByteArray("bad/instances.json: annotation 1: unknown class \"Bed\"\n"
                                        "bad/instances.json: annotation 2: opposite edges cross\n"
                                        "bad/instances.json: annotation 3: unknown tag \"T9\" of "
                                        "\"K\"\n"
                                        "bad/instances.json: annotation 4: a segmentation part "
                                        "of fewer than three points\n"
                                        "bad/instances.json: annotation 6: no segmentation of "
                                        "four corners and no bbox\n"
                                        // One line a problem, whatever the file's text holds.
                                        "bad/instances.json: annotation 7: unknown class \"Be "
                                        "d\"\n"
                                        "bad/instances.json: annotation 9: a score that is not "
                                        "a number\n"
                                        "bad/instances.json: annotation 10: a score that is not "
                                        "a number\n"
                                        "bad/instances.json: annotation 11: a bbox of negative "
                                        "width or height\n"
                                        "bad/instances.json: annotation 12: a bbox of no width "
                                        "or height\n"
                                        "bad/instances.json: image ../room3.jpg is not in ds\n"
                                        "bad/instances.json: 1 annotations of image id 5 left "
                                        "out: no such image id\n");
}

void TestImportFormats::leavesOutBadPredictions()
{
    QFETCH(QString, format);
    QFETCH(QString, file);
    QFETCH(QByteArray, predictions);
    QFETCH(QByteArray, out);

    QVERIFY(QDir(path("bad")).removeRecursively());
    QVERIFY(QDir().mkpath(QFileInfo(path("bad/" + file)).path()));
    QVERIFY(writeFileBytes(path("bad/" + file), predictions));
    QVERIFY(writeFileBytes(path("bad/data.yaml"), "names: [S1, S2]\n"));
    const ProgramRun run = import({"--format", format, "bad", "ds"});
    QCOMPARE(run.out, out);
    QCOMPARE(run.exitCode, 1);
    // The summary alone: nothing the toolkit says of a name on the way.
    QVERIFY2(run.err.startsWith("Imported into ds: ") && run.err.count('\n') == 1,
             run.err.constData());
    QCOMPARE(fileBytes(path("ds/sub/.proposals/room2.lbl")),
             QByteArray("0\n4 1 1 10 1 10 10 1 10 \n1 0 1 \n"));
}

void TestImportFormats::neverTouchesLabelFilesAndKeepsProposals()
{
    QVERIFY(QDir().mkpath(path("own/labelTxt")));
    QVERIFY(writeFileBytes(path("own/labelTxt/room1.txt"), "2 2 20 2 20 20 2 20 S2 0\n"));
    QVERIFY(writeFileBytes(path("own/labelTxt/room2.txt"), "3 3 30 3 30 30 3 30 S1 0\n"));
    const QByteArray labelFile = fileBytes(path("ds/room1.lbl"));
    const QByteArray modelSays = "0\n4 2 2 20 2 20 20 2 20 \n1 0 1 \n";

    ProgramRun run = import({"--format", "dota", "own", "ds"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(fileBytes(path("ds/room1.lbl")), labelFile);
    QCOMPARE(fileBytes(path("ds/.proposals/room1.lbl")), modelSays);
    QVERIFY2(run.err.contains("2 images, 2 proposals written, 0 kept (--replace replaces them), "
                              "1 images already labelled"),
             run.err.constData());

    QVERIFY(writeFileBytes(path("own/labelTxt/room1.txt"), "4 4 40 4 40 40 4 40 S3 0\n"));
    run = import({"--format", "dota", "own", "ds"});
    QCOMPARE(fileBytes(path("ds/.proposals/room1.lbl")), modelSays);
    QVERIFY2(run.err.contains("0 proposals written, 2 kept"), run.err.constData());

    run = import({"--format", "dota", "--replace", "own", "ds"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(fileBytes(path("ds/.proposals/room1.lbl")),
             QByteArray("0\n4 4 4 40 4 40 40 4 40 \n1 0 2 \n"));
    QCOMPARE(fileBytes(path("ds/room1.lbl")), labelFile);
}

void TestImportFormats::matchesImagesWithoutDoubt_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("predictions");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QStringList>("proposals");

    const QByteArray square = "1 1 9 1 9 9 1 9";
    const QByteArray shared = "twins/a/x.jpg: another image is named x too; the predictions for "
                              "that name are given to neither\n"
                              "twins/a/x.png: another image is named x too; the predictions for "
                              "that name are given to neither\n"
                              "twins/b/x.jpg: another image is named x too; the predictions for "
                              "that name are given to neither\n";
    QTest::newRow("yolo-obb: a shared name gets nothing")
        << "yolo-obb"
        << "labels/x.txt" << QByteArray("0 0.1 0.1 0.5 0.1 0.5 0.5 0.1 0.5\n") << shared
        << QStringList{"y"};
    QTest::newRow("dota: a shared name gets nothing") << "dota"
                                                      << "labelTxt/x.txt" << square + " S1 0\n"
                                                      << shared << QStringList{"y"};
    QTest::newRow("dota task 1: a shared name gets nothing, and no word of a missing image")
        << "dota"
        << "Task1_S1.txt"
        << "x 0.9 " + square + "\ny 0.9 " + square + "\n"
        << shared << QStringList{"y"};
    QTest::newRow("yolo-obb: a file whose name differs from the image's in case is told of")
        << "yolo-obb"
        << "labels/Y.txt" << QByteArray("0 0.1 0.1 0.5 0.1 0.5 0.5 0.1 0.5\n")
        << QByteArray("twin-predictions/labels/Y.txt: no image of this name in twins\n")
        << QStringList{"y"};
    QTest::newRow("dota: a file of no image is told of")
        << "dota"
        << "labelTxt/zzz.txt" << square + " S1 0\n"
        << QByteArray("twin-predictions/labelTxt/zzz.txt: no image of this name in twins\n")
        << QStringList{"y"};
    QTest::newRow("yolo-obb: a file whose name is not text is told of")
        << "yolo-obb" << QString::fromLatin1("labels/y\xe9.txt")
        << QByteArray("0 0.1 0.1 0.5 0.1 0.5 0.5 0.1 0.5\n")
        << QByteArray("twin-predictions/labels/y\\xe9.txt: name can't be read as UTF-8; no "
                      "image takes it up\n")
        << QStringList{"y"};
    QTest::newRow("coco: by path, each twin its own")
        << "coco"
        << "instances.json" << QByteArray(R"({"images": [{"id": 1, "file_name": "a/x.jpg"},
            {"id": 2, "file_name": "b/x.jpg"}, {"id": 3, "file_name": ".quadrotag/y.jpg"}],
          "annotations": [{"image_id": 1, "category_id": 1, "bbox": [1, 1, 8, 8]},
            {"image_id": 2, "category_id": 1, "bbox": [1, 1, 8, 8]},
            {"image_id": 3, "category_id": 1, "bbox": [1, 1, 8, 8]}],
          "categories": [{"id": 1, "name": "S1"}]})")
        << QByteArray("twin-predictions/instances.json: image .quadrotag/y.jpg is not in "
                      "twins\n")
        << QStringList{"a/x", "b/x"};
    QTest::newRow("coco: a twin across formats does not write its keeper's proposal")
        << "coco"
        << "instances.json" << QByteArray(R"({"images": [{"id": 1, "file_name": "a/x.png"}],
          "annotations": [{"image_id": 1, "category_id": 1, "bbox": [1, 1, 8, 8]}],
          "categories": [{"id": 1, "name": "S1"}]})")
        << QByteArray("twins/a/x.png: shares its label file x.lbl with x.jpg; left out\n")
        << QStringList();
}

void TestImportFormats::matchesImagesWithoutDoubt()
{
    QFETCH(QString, format);
    QFETCH(QString, file);
    QFETCH(QByteArray, predictions);
    QFETCH(QByteArray, out);
    QFETCH(QStringList, proposals);

    // Three images named x, two of them sharing a label file; y has a namesake only in the team's
    // folder, which is no dataset.
    QVERIFY(QDir(path("twins")).removeRecursively());
    QVERIFY(QDir(path("twin-predictions")).removeRecursively());
    for (const char* image : {"twins/a/x.jpg", "twins/a/x.png", "twins/b/x.jpg", "twins/y.jpg",
                              "twins/.quadrotag/y.jpg"}) {
        QVERIFY(QDir().mkpath(QFileInfo(path(image)).path()));
        QVERIFY(writeTestJpeg(path(image), 16, 16, 90));
    }
    QVERIFY(QDir().mkpath(QFileInfo(path("twin-predictions/" + file)).path()));
    QVERIFY(writeFileBytes(path("twin-predictions/" + file), predictions));
    // By its Latin-1 bytes, é is no text (Qt's listing, and so the next clean-up, skips it).
    const QByteArray predictionsName =
        QFile::encodeName(path("twin-predictions/")) + file.toLatin1();
    QVERIFY(std::rename(QFile::encodeName(path("twin-predictions/" + file)).constData(),
                        predictionsName.constData()) == 0);
    QVERIFY(writeFileBytes(path("twin-predictions/data.yaml"), "names: [S1]\n"));
    if (format != "coco")
        QVERIFY(writeFileBytes(QFileInfo(path("twin-predictions/" + file)).path() + "/y.txt",
                               format == "yolo-obb" ? "0 0.1 0.1 0.5 0.1 0.5 0.5 0.1 0.5\n"
                                                    : "1 1 9 1 9 9 1 9 S1 0\n"));

    const ProgramRun run = import({"--format", format, "twin-predictions", "twins"});
    QCOMPARE(std::remove(predictionsName.constData()), 0);
    QCOMPARE(run.out, out);
    QCOMPARE(run.exitCode, 1);
    QStringList written;
    for (const char* stem : {"a/x", "b/x", "y", ".quadrotag/y"}) {
        const QString stemPath = QString::fromLatin1(stem);
        const qsizetype slash = stemPath.lastIndexOf('/') + 1;
        if (QFile::exists(path("twins/" + stemPath.left(slash) + ".proposals/" +
                               stemPath.mid(slash) + ".lbl")))
            written << stemPath;
    }
    QCOMPARE(written, proposals);
}

void TestImportFormats::removesScratchFoldersWhenStopped_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("interrupt") << SIGINT;
    QTest::newRow("terminate") << SIGTERM;
    QTest::newRow("hang up") << SIGHUP;
}

void TestImportFormats::removesScratchFoldersWhenStopped()
{
    QFETCH(int, signal);
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    // A pipe for instances.json: the importer is reading it, mid-annotations, when stopped.
    const QByteArray fifo = QFile::encodeName(path("stream.json"));
    QFile::remove(path("stream.json"));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    QProcess importer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", scratch.path());
    importer.setProcessEnvironment(environment);
    importer.setWorkingDirectory(root.path());
    importer.start(importerProgram(), {"--format", "coco", "stream.json", "ds"});
    QVERIFY(importer.waitForStarted());
    // Opens once the importer reads: the signal must find it inside the import.
    int writeEnd = -1;
    for (int wait = 0; wait < 3000 && writeEnd < 0; ++wait) {
        writeEnd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
        if (writeEnd < 0)
            QTest::qWait(10);
    }
    QVERIFY(writeEnd >= 0);
    QCOMPARE(::fcntl(writeEnd, F_SETFL, 0), 0);
    QFile stream;
    QVERIFY(stream.open(writeEnd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
    const QByteArray annotation = R"({"image_id": 1, "category_id": 1, "bbox": [1, 1, 9, 9]})";
    stream.write(R"({"images": [{"id": 1, "file_name": "sub/room2.jpg"}],
        "categories": [{"id": 1, "name": "S1"}], "annotations": [)" +
                 annotation);
    QVERIFY(stream.flush());
    QVERIFY(!QDir(scratch.path()).isEmpty());

    QCOMPARE(::kill(static_cast<pid_t>(importer.processId()), signal), 0);
    for (int i = 0; i < 1000; ++i)
        stream.write(", " + annotation);
    stream.write("]}");
    stream.close();
    QVERIFY(importer.waitForFinished(60000));
    QCOMPARE(importer.exitStatus(), QProcess::NormalExit);
    QCOMPARE(importer.exitCode(), 128 + signal);
    QCOMPARE(QDir(scratch.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
    QVERIFY(!QFileInfo::exists(path("ds/sub/.proposals/room2.lbl")));
}
