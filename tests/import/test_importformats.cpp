#include "test_importformats.h"

#include "labelpath.h"
#include "workflowfixture.h"

#include <QDir>
#include <QFile>
#include <QTest>

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
    // Refused with exit code 2: the program's name, what it says, and the hint when given.
    const auto refused = [](const char* name, const QStringList& arguments, const QByteArray& said,
                            const QByteArray& after = QByteArray()) {
        QTest::newRow(name) << arguments << 2 << "quadrotag-import: " + said + "\n" + after;
    };
    const auto coco = [](const QStringList& arguments) {
        return QStringList{"--format", "coco"} + arguments;
    };
    const auto yolo = [](const QString& folder) {
        return QStringList{"--format", "yolo-obb", folder, "ds"};
    };
    const QByteArray classNames = "cannot read the class names of ";
    QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray("*");
    QTest::newRow("version") << QStringList{"--version"} << 0 << QByteArray("*");
    refused("no format", {"coco.json", "ds"}, "unknown format \"\"; use coco, yolo-obb or dota",
            hint);
    refused("one argument", coco({"ds"}), "PREDICTIONS and DATASET are needed", hint);
    refused("score not a number", coco({"--min-score", "high", "coco.json", "ds"}),
            "--min-score needs a number, not \"high\"", hint);
    refused("missing predictions", coco({"none.json", "ds"}), "no predictions none.json");
    refused("missing dataset", coco({"coco.json", "none"}), "no dataset folder none");
    refused("not JSON", coco({"tags", "ds"}),
            "cannot read tags: not JSON at byte 0: Invalid value.");
    refused("byte-order mark", coco({"bom.json", "ds"}),
            "cannot read bom.json: begins with a byte-order mark; save it as UTF-8 without one");
    refused("coco in UTF-16 with its mark", coco({"utf16.json", "ds"}),
            "cannot read utf16.json: is UTF-16 text; save it as UTF-8");
    refused("data.yaml in UTF-16", yolo("utf16-yolo"),
            classNames + "utf16-yolo/data.yaml: is UTF-16 text; save it as UTF-8");
    refused("results list without --images", coco({"results.json", "ds"}),
            "results.json is a results list, which names images by id only; give the "
            "instances.json it was predicted on with --images FILE");
    refused("--images without images", coco({"--images", "no-images.json", "results.json", "ds"}),
            "no-images.json names no images");
    QTest::newRow("no data.yaml") << yolo("dota") << 2 << QByteArray("*");
    refused("flow list with a quote that has no end", yolo("unquoted-yolo"),
            classNames + "unquoted-yolo/data.yaml: the list of names cannot be read");
    refused("class named twice in data.yaml", yolo("twice-yolo"),
            classNames + "twice-yolo/data.yaml: class 0 is named twice");
    refused("no labelTxt or Task1 files", {"--format", "dota", "yolo", "ds"},
            "no folder yolo/labelTxt and no Task1_*.txt files in yolo");
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

QTEST_GUILESS_MAIN(TestImportFormats)
