#include "importtest.h"

#include "labelpath.h"
#include "workflowfixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// What the importer reads: each format into proposals beside the images, bad predictions
// reported and left out, label files never touched, and images matched without doubt.
class TestImportFormats : public ImportTest
{
    Q_OBJECT

private slots:
    void initTestCase();

    void proposalPathSitsInAHiddenFolder_data();
    void proposalPathSitsInAHiddenFolder();
    void exitCodes_data();
    void exitCodes();
    void importsEachFormat_data();
    void importsEachFormat();
    void leavesOutBadPredictions_data();
    void leavesOutBadPredictions();
    void neverTouchesLabelFilesAndKeepsProposals();
    void matchesImagesWithoutDoubt_data();
    void matchesImagesWithoutDoubt();
    void removesScratchFoldersWhenStopped_data();
    void removesScratchFoldersWhenStopped();
};

void TestImportFormats::initTestCase()
{
    makeRoot();
    buildDataset();

    // room1.jpg has no annotations, so no proposal.
    QVERIFY(writeFileBytes(path("coco.json"), R"({"images": [{"id": 7, "file_name": "sub/room2.jpg",
        "width": 64, "height": 48, "attributes": {"style": "Jane"}}, {"id": 8, "file_name": "room1.jpg"}],
      "annotations": [
        {"id": 1, "image_id": 7, "category_id": 2, "segmentation": [[10, 4, 50, 8, 46, 40, 6, 36]],
         "attributes": {"K": ["T1"]}},
        {"id": 2, "image_id": 7, "category_id": 1, "bbox": [20.4, 30, 24, 14], "score": 0.3}],
      "categories": [{"id": 1, "name": "S1"}, {"id": 2, "name": "S2"}]})"));
    QVERIFY(writeFileBytes(path("results.json"), R"([
        {"image_id": 2, "category_id": 9, "bbox": [1, 1, 10, 10], "score": 0.9},
        {"image_id": 2, "category_id": 1, "bbox": [5, 5, 10, 10], "score": 0.2}])"));
    // The instances the results were predicted on: id 2 is room2, whatever the walk's order.
    QVERIFY(writeFileBytes(path("predicted-on.json"), R"({"images": [
        {"id": 2, "file_name": "sub/room2.jpg"}, {"id": 1, "file_name": "room1.jpg"},
        {"id": 3, "file_name": "elsewhere/gone.jpg"}]})"));
    QVERIFY(writeFileBytes(path("predicted-on-named.json"), R"({"images": [
        {"id": 2, "file_name": "sub/room2.jpg"}], "categories": [{"id": 9, "name": "S2"}]})"));
    QVERIFY(writeFileBytes(path("no-images.json"), R"({"annotations": []})"));
    QVERIFY(writeFileBytes(path("bom.json"), "\xEF\xBB\xBF{\"images\": []}"));
    QVERIFY(writeFileBytes(path("utf16.json"), QByteArray("\xFF\xFE{\0}\0", 6)));
    QVERIFY(QDir().mkpath(path("utf16-yolo/labels")));
    QVERIFY(writeFileBytes(path("utf16-yolo/data.yaml"),
                           QByteArray("n\0a\0m\0e\0s\0:\0 \0[\0S\0]\0", 20)));
    // Material: Grey comes first; the attribute names Colour's.
    QVERIFY(
        writeFileBytes(path("tags-grey"), "S1 0 S2 0\nMaterial 2 Grey Wood\nColour 2 Red Grey\n"));
    QVERIFY(
        writeFileBytes(path("colour.json"), R"({"images": [{"id": 1, "file_name": "sub/room2.jpg"}],
      "annotations": [{"image_id": 1, "category_id": 1, "bbox": [1, 1, 9, 9],
                       "attributes": {"Colour": ["Grey"]}}],
      "categories": [{"id": 1, "name": "S2"}]})"));
    // Lamp and Wood each name two tags: neither is taken for the first.
    QVERIFY(
        writeFileBytes(path("tags-shared"),
                       "S1 0 S2 0 Lamp(floor) 0 Lamp(table) 0\nMaterial 2 Wood(oak) Wood(pine)\n"));
    QVERIFY(
        writeFileBytes(path("shared.json"), R"({"images": [{"id": 1, "file_name": "sub/room2.jpg"}],
      "annotations": [{"image_id": 1, "category_id": 3, "bbox": [1, 1, 9, 9]},
                      {"image_id": 1, "category_id": 2, "bbox": [1, 1, 9, 9],
                       "attributes": {"Material": ["Wood"]}},
                      {"image_id": 1, "category_id": 2, "bbox": [1, 1, 9, 9]}],
      "categories": [{"id": 2, "name": "S2"}, {"id": 3, "name": "Lamp"}]})"));
    // Corners on the far border, as a box that ends at the image's edge gives them, and one
    // pixel before the first.
    QVERIFY(QDir().mkpath(path("edge-yolo/labels")));
    QVERIFY(writeFileBytes(path("edge-yolo/data.yaml"), "names: [S1, S2]\n"));
    QVERIFY(
        writeFileBytes(path("edge-yolo/labels/room2.txt"), "1 0.5 0.5 1.0 0.5 1.0 1.0 0.5 1.0\n"));
    QVERIFY(
        writeFileBytes(path("edge.json"), R"({"images": [{"id": 1, "file_name": "sub/room2.jpg"}],
      "annotations": [{"image_id": 1, "category_id": 2, "bbox": [32, 24, 32, 24]}],
      "categories": [{"id": 2, "name": "S2"}]})"));
    // A comma inside quotes is part of the name, a comment after a name is not; a quote without
    // its end leaves no list.
    QVERIFY(QDir().mkpath(path("quoted-yolo/labels")));
    QVERIFY(writeFileBytes(path("quoted-yolo/data.yaml"), "names: ['x,y', \"S1\", 'S2'] # s\n"));
    QVERIFY(writeFileBytes(path("quoted-yolo/labels/room2.txt"),
                           "2 0.015625 0.020833 0.15625 0.020833 0.15625 0.208333 0.015625 "
                           "0.208333\n"));
    QVERIFY(QDir().mkpath(path("commented-yolo/labels")));
    QVERIFY(
        writeFileBytes(path("commented-yolo/data.yaml"), "names:\n  0: S1 # a\n  1: 'S2'  # b\n"));
    QVERIFY(writeFileBytes(path("commented-yolo/labels/room2.txt"),
                           "0 0.015625 0.020833 0.15625 0.020833 0.15625 0.208333 0.015625 "
                           "0.208333\n1 0.015625 0.020833 0.15625 0.020833 0.15625 0.208333 "
                           "0.015625 0.208333\n"));
    QVERIFY(QDir().mkpath(path("twice-yolo/labels")));
    QVERIFY(writeFileBytes(path("twice-yolo/data.yaml"), "names:\n  0: S1\n  1: S2\n  0: S2\n"));
    QVERIFY(QDir().mkpath(path("unquoted-yolo/labels")));
    QVERIFY(writeFileBytes(path("unquoted-yolo/data.yaml"), "names: [\"S1, S2]\n"));
    QVERIFY(QDir().mkpath(path("edge-dota/labelTxt")));
    QVERIFY(writeFileBytes(path("edge-dota/labelTxt/room2.txt"), "-1 -1 10 -1 10 10 -1 10 S2 0\n"));
    QVERIFY(QDir().mkpath(path("yolo/labels")));
    QVERIFY(writeFileBytes(path("yolo/data.yaml"), "nc: 2\nnames:\n  0: S1\n  1: \"S2\"\n"));
    QVERIFY(writeFileBytes(path("yolo/labels/room2.txt"),
                           "1 0.156250 0.083333 0.781250 0.166667 0.718750 0.833333 0.093750 "
                           "0.750000 0.9\n0 0.1 0.1 0.2 0.1 0.2 0.2 0.1 0.2 0.1\n"));
    QVERIFY(QDir().mkpath(path("dota/labelTxt")));
    QVERIFY(writeFileBytes(path("dota/labelTxt/room2.txt"),
                           "imagesource:GoogleEarth\ngsd:0.5\n10 4 50 8 46 40 6 36 S2 0\n"));
    QVERIFY(QDir().mkpath(path("task1")));
    QVERIFY(writeFileBytes(path("task1/Task1_S9.txt"), "room2 0.8 1 1 11 1 11 11 1 11\n"
                                                       "room2 0.1 2 2 12 2 12 12 2 12\n"
                                                       "nowhere 0.9 1 1 2 1 2 2 1 2\n"));
}

void TestImportFormats::proposalPathSitsInAHiddenFolder_data()
{
    QTest::addColumn<QString>("imagePath");
    QTest::addColumn<QString>("proposalPath");
    QTest::newRow("plain") << "/data/r07.jpg"
                           << "/data/.proposals/r07.lbl";
    QTest::newRow("dotted folder") << "/data/a.b/c.jpg"
                                   << "/data/a.b/.proposals/c.lbl";
    QTest::newRow("two extensions") << "x/room.final.jpg"
                                    << "x/.proposals/room.final.lbl";
    QTest::newRow("no folder") << "room.jpg"
                               << ".proposals/room.lbl";
}

void TestImportFormats::proposalPathSitsInAHiddenFolder()
{
    QFETCH(QString, imagePath);
    QFETCH(QString, proposalPath);
    QCOMPARE(proposalPathFor(imagePath), proposalPath);
}

void TestImportFormats::exitCodes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("err");

    const QByteArray hint = "Try 'quadrotag-import --help'.\n";
    QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray("*");
    QTest::newRow("version") << QStringList{"--version"} << 0 << QByteArray("*");
    QTest::newRow("no format") << QStringList{"coco.json", "ds"} << 2
                               << "quadrotag-import: unknown format \"\"; use coco, yolo-obb or "
                                  "dota\n" +
                                      hint;
    QTest::newRow("one argument") << QStringList{"--format", "coco", "ds"} << 2
                                  << "quadrotag-import: PREDICTIONS and DATASET are needed\n" +
                                         hint;
    QTest::newRow("score not a number")
        << QStringList{"--format", "coco", "--min-score", "high", "coco.json", "ds"} << 2
        << "quadrotag-import: --min-score needs a number, not \"high\"\n" + hint;
    QTest::newRow("missing predictions")
        << QStringList{"--format", "coco", "none.json", "ds"} << 2
        << QByteArray("quadrotag-import: no predictions none.json\n");
    QTest::newRow("missing dataset") << QStringList{"--format", "coco", "coco.json", "none"} << 2
                                     << QByteArray("quadrotag-import: no dataset folder none\n");
    QTest::newRow("not JSON") << QStringList{"--format", "coco", "tags", "ds"} << 2
                              << QByteArray("quadrotag-import: cannot read tags: not JSON at "
                                            "byte 0: Invalid value.\n");
    QTest::newRow("byte-order mark") << QStringList{"--format", "coco", "bom.json", "ds"} << 2
                                     << QByteArray("quadrotag-import: cannot read bom.json: begins "
                                                   "with a byte-order mark; save it as UTF-8 "
                                                   "without one\n");
    QTest::newRow("coco in UTF-16 with its mark")
        << QStringList{"--format", "coco", "utf16.json", "ds"} << 2
        << QByteArray("quadrotag-import: cannot read utf16.json: is UTF-16 text; save it as "
                      "UTF-8\n");
    QTest::newRow("data.yaml in UTF-16")
        << QStringList{"--format", "yolo-obb", "utf16-yolo", "ds"} << 2
        << QByteArray("quadrotag-import: cannot read the class names of utf16-yolo/data.yaml: is "
                      "UTF-16 text; save it as UTF-8\n");
    QTest::newRow("results list without --images")
        << QStringList{"--format", "coco", "results.json", "ds"} << 2
        << QByteArray("quadrotag-import: results.json is a results list, which names images by "
                      "id only; give the instances.json it was predicted on with --images FILE\n");
    QTest::newRow("--images without images")
        << QStringList{"--format", "coco", "--images", "no-images.json", "results.json", "ds"} << 2
        << QByteArray("quadrotag-import: no-images.json names no images\n");
    QTest::newRow("no data.yaml") << QStringList{"--format", "yolo-obb", "dota", "ds"} << 2
                                  << QByteArray("*");
    QTest::newRow("flow list with a quote that has no end")
        << QStringList{"--format", "yolo-obb", "unquoted-yolo", "ds"} << 2
        << QByteArray("quadrotag-import: cannot read the class names of "
                      "unquoted-yolo/data.yaml: the list of names cannot be read\n");
    QTest::newRow("class named twice in data.yaml")
        << QStringList{"--format", "yolo-obb", "twice-yolo", "ds"} << 2
        << QByteArray("quadrotag-import: cannot read the class names of twice-yolo/data.yaml: "
                      "class 0 is named twice\n");
    QTest::newRow("no labelTxt or Task1 files")
        << QStringList{"--format", "dota", "yolo", "ds"} << 2
        << QByteArray("quadrotag-import: no folder yolo/labelTxt and no Task1_*.txt files in "
                      "yolo\n");
}

void TestImportFormats::exitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, err);

    const ProgramRun run = import(arguments);
    QCOMPARE(run.exitCode, exitCode);
    if (err != "*")
        QCOMPARE(run.err, err);
    if (exitCode == 2)
        QVERIFY(!QFile::exists(path("ds/sub/.proposals")));
}

void TestImportFormats::importsEachFormat_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("proposal");
    QTest::addColumn<QByteArray>("out");

    const QByteArray chairWithT1 = "4 10 4 50 8 46 40 6 36 \n2 0 1 2 1 \n";
    QTest::newRow("coco instances, categories last, style by name")
        << QStringList{"--format", "coco", "coco.json", "ds"}
        << "6\n" + chairWithT1 + "4 20 30 44 30 44 44 20 44 \n1 0 0 \n"
        << QByteArray();
    QTest::newRow("coco below the least score")
        << QStringList{"--format", "coco", "--min-score", "0.5", "coco.json", "ds"}
        << "6\n" + chairWithT1 << QByteArray();
    QTest::newRow("coco score equal to the least score")
        << QStringList{"--format", "coco", "--min-score", "0.3", "coco.json", "ds"}
        << "6\n" + chairWithT1 + "4 20 30 44 30 44 44 20 44 \n1 0 0 \n"
        << QByteArray();
    QTest::newRow("coco results list with scores, ids of the images it was predicted on")
        << QStringList{"--format",          "coco",         "--min-score", "0.5", "--images",
                       "predicted-on.json", "results.json", "ds"}
        << QByteArray("0\n4 1 1 11 1 11 11 1 11 \n1 6 0 \n") << QByteArray();
    QTest::newRow("coco results list, categories of the images it was predicted on")
        << QStringList{"--format",     "coco",     "--min-score",
                       "0.5",          "--images", "predicted-on-named.json",
                       "results.json", "ds"}
        << QByteArray("0\n4 1 1 11 1 11 11 1 11 \n1 0 1 \n")
        << QByteArray("results.json: annotation 2: unknown category id\n");
    QTest::newRow("coco attribute by its own category")
        << QStringList{"--format", "coco", "--vocabulary", "tags-grey", "colour.json", "ds"}
        << QByteArray("0\n4 1 1 10 1 10 10 1 10 \n2 0 1 2 2 \n") << QByteArray();
    QTest::newRow("coco names of more than one tag")
        << QStringList{"--format", "coco", "--vocabulary", "tags-shared", "shared.json", "ds"}
        << QByteArray("0\n4 1 1 10 1 10 10 1 10 \n1 0 1 \n")
        << QByteArray("shared.json: annotation 1: class \"Lamp\" names more than one class tag\n"
                      "shared.json: annotation 2: tag \"Wood\" of \"Material\" names more than "
                      "one tag\n");
    QTest::newRow("yolo-obb x = 1.0 onto the last column")
        << QStringList{"--format", "yolo-obb", "edge-yolo", "ds"}
        << QByteArray("0\n4 32 24 63 24 63 47 32 47 \n1 0 1 \n") << QByteArray();
    QTest::newRow("yolo-obb quoted names with commas")
        << QStringList{"--format", "yolo-obb", "quoted-yolo", "ds"}
        << QByteArray("0\n4 1 1 10 1 10 10 1 10 \n1 0 1 \n") << QByteArray();
    QTest::newRow("yolo-obb block list of names with comments")
        << QStringList{"--format", "yolo-obb", "commented-yolo", "ds"}
        << QByteArray("0\n4 1 1 10 1 10 10 1 10 \n1 0 0 \n4 1 1 10 1 10 10 1 10 \n1 0 1 \n")
        << QByteArray();
    QTest::newRow("coco box to the far edge onto the border")
        << QStringList{"--format", "coco", "edge.json", "ds"}
        << QByteArray("0\n4 32 24 63 24 63 47 32 47 \n1 0 1 \n") << QByteArray();
    QTest::newRow("dota a pixel before the first onto the border")
        << QStringList{"--format", "dota", "edge-dota", "ds"}
        << QByteArray("0\n4 0 0 10 0 10 10 0 10 \n1 0 1 \n") << QByteArray();
    QTest::newRow("yolo-obb with a confidence column")
        << QStringList{"--format", "yolo-obb", "--min-score", "0.5", "yolo", "ds"}
        << QByteArray("0\n4 10 4 50 8 46 40 6 36 \n1 0 1 \n") << QByteArray();
    QTest::newRow("dota labelTxt with header lines")
        << QStringList{"--format", "dota", "dota", "ds"}
        << QByteArray("0\n4 10 4 50 8 46 40 6 36 \n1 0 1 \n") << QByteArray();
    QTest::newRow("dota task 1 results")
        << QStringList{"--format", "dota", "--min-score", "0.5", "task1", "ds"}
        << QByteArray("0\n4 1 1 11 1 11 11 1 11 \n1 6 0 \n")
        << QByteArray("task1: 1 predictions for the image nowhere, which is not in ds\n");
}

void TestImportFormats::importsEachFormat()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, proposal);
    QFETCH(QByteArray, out);

    const ProgramRun run = import(arguments);
    QCOMPARE(run.out, out);
    QCOMPARE(run.exitCode, out.isEmpty() ? 0 : 1);
    QCOMPARE(fileBytes(path("ds/sub/.proposals/room2.lbl")), proposal);
    // No format here names room1.jpg, so it gets no proposal.
    QVERIFY(!QFile::exists(path("ds/.proposals/room1.lbl")));
}

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
        {"image_id": 3, "category_id": 2, "bbox": [1, 1, 9, 9]}],
      "images": [{"id": 1, "file_name": "sub/room2.jpg"}, {"id": 2, "file_name": "room1.jpg\u0000x"},
                 {"id": 3, "file_name": "room1\u0000.jpg"}],
      "categories": [{"id": 2, "name": "S2"}]})")
        << QByteArray("bad/instances.json: image room1.jpg\\x00x is not in ds\n"
                      "bad/instances.json: image room1\\x00.jpg is not in ds\n");
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
QTEST_GUILESS_MAIN(TestImportFormats)
#include "test_importformats.moc"
