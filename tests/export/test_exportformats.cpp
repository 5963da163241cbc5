#include "classtable.h"
#include "consolereport.h"
#include "exporttest.h"
#include "imagechecker.h"
#include "quadgeometry.h"
#include "workflowfixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

Q_DECLARE_METATYPE(Quad)

// What an export writes: COCO, YOLO OBB and DOTA files from the clean dataset, classes
// from a category, corners in order, images in path order, and accepted images only.
class TestExportFormats : public ExportTest
{
    Q_OBJECT

private slots:
    void initTestCase();

    void writesCoco();
    void takesClassesFromCategory();
    void writesYoloObb();
    void writesDota();
    void namesClassesThatShareAStem();
    void ordersCornersClockwiseFromTopLeft_data();
    void ordersCornersClockwiseFromTopLeft();
    void walksTheDatasetInPathOrder_data();
    void walksTheDatasetInPathOrder();
    void exportsOnlyAcceptedImages_data();
    void exportsOnlyAcceptedImages();
    void acceptedBytesAreTheBytesExported();
};

void TestExportFormats::initTestCase()
{
    makeRoot();
    buildCleanDataset();
    buildReviewedDataset();
}

void TestExportFormats::writesCoco()
{
    const ProgramRun run = runExporter(root.path(), {"--output", "coco", "clean"});
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.startsWith("quadrotag-export: passed over the hidden folder clean/.hidden\n"
                                "quadrotag-export: passed over the linked folder clean/linked\n"
                                "Exported to coco/instances.json: 3 images, 3 shapes, 3 "
                                "categories, 0 problems (0 images and 0 shapes left out), "),
             run.err.constData());

    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(fileBytes(path("coco/instances.json")), &error);
    QCOMPARE(error.errorString(), QJsonParseError().errorString());
    const QJsonObject coco = document.object();
    QVERIFY(coco.value("info").isObject());
    QCOMPARE(coco.value("licenses"), json("[]"));
    QCOMPARE(coco.value("categories"),
             json(R"([{"id": 1, "name": "Sofa", "supercategory": "furniture"},
                      {"id": 2, "name": "Chair", "supercategory": "furniture"},
                      {"id": 3, "name": "Lamp", "supercategory": "furniture"}])"));
    QCOMPARE(coco.value("images"),
             json(R"([{"id": 1, "file_name": "room1.jpg", "width": 64, "height": 48,
                       "attributes": {"style": "Modern Brief", "style_index": 15}},
                      {"id": 2, "file_name": "sub/Plain.JPG", "width": 32, "height": 24,
                       "attributes": {"style": "None", "style_index": 0}},
                      {"id": 3, "file_name": "sub/turned.jpg", "width": 48, "height": 64,
                       "attributes": {"style": "None", "style_index": 0}}])"));
    QCOMPARE(coco.value("annotations"), json(R"([{"id": 1, "image_id": 1, "category_id": 2,
                       "segmentation": [[10, 4, 50, 8, 46, 40, 6, 36]], "area": 1296.0,
                       "bbox": [6, 4, 44, 36], "iscrowd": 0,
                       "attributes": {"Material": ["Fabric"], "Colour": ["Grey"],
                                      "Object": ["Table"]}},
                      {"id": 2, "image_id": 1, "category_id": 1,
                       "segmentation": [[44, 44, 44, 30, 20, 30, 20, 44]], "area": 336.0,
                       "bbox": [20, 30, 24, 14], "iscrowd": 0,
                       "attributes": {"single_tags": ["Lamp"]}},
                      {"id": 3, "image_id": 3, "category_id": 3,
                       "segmentation": [[2, 50, 40, 50, 40, 62, 2, 62]], "area": 456.0,
                       "bbox": [2, 50, 38, 12], "iscrowd": 0, "attributes": {}}])"));
}

void TestExportFormats::takesClassesFromCategory()
{
    const ProgramRun run = runExporter(
        root.path(), {"--classes", "Object", "--force", "--output", "objects", "clean"});
    QCOMPARE(run.out, QByteArray("clean/room1.lbl: shape 2: no class tag\n"
                                 "clean/sub/turned.lbl: shape 1: no class tag\n"));
    QCOMPARE(run.exitCode, 1);
    const QJsonObject coco =
        QJsonDocument::fromJson(fileBytes(path("objects/instances.json"))).object();
    QCOMPARE(coco.value("categories"), json(R"([{"id": 1, "name": "Bed", "supercategory": "Object"},
                      {"id": 2, "name": "Table", "supercategory": "Object"},
                      {"id": 3, "name": "Desk", "supercategory": "Object"}])"));
    const QJsonArray annotations = coco.value("annotations").toArray();
    QCOMPARE(annotations.size(), 1);
    QCOMPARE(annotations.at(0).toObject().value("category_id"), QJsonValue(2));
    QCOMPARE(annotations.at(0).toObject().value("attributes"),
             json(R"({"single_tags": ["Chair"], "Material": ["Fabric"], "Colour": ["Grey"]})"));
}

void TestExportFormats::writesYoloObb()
{
    const ProgramRun run =
        runExporter(root.path(), {"--format", "yolo-obb", "--output", "yolo", "clean"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(filesBelow(path("yolo")),
             (QStringList{"data.yaml", "labels", "labels/.quadrotag-export", "labels/Plain.txt",
                          "labels/room1.txt", "labels/turned.txt"}));
    QCOMPARE(fileBytes(path("yolo/data.yaml")),
             QByteArray("# Classes exported by quadrotag-export; add path, train and val for "
                        "your trainer.\n"
                        "nc: 3\nnames:\n  0: \"Sofa\"\n  1: \"Chair\"\n  2: \"Lamp\"\n"));
    QCOMPARE(fileBytes(path("yolo/labels/room1.txt")),
             QByteArray("1 0.156250 0.083333 0.781250 0.166667 0.718750 0.833333 0.093750 "
                        "0.750000\n"
                        "0 0.687500 0.916667 0.687500 0.625000 0.312500 0.625000 0.312500 "
                        "0.916667\n"));
    QCOMPARE(fileBytes(path("yolo/labels/turned.txt")),
             QByteArray("2 0.041667 0.781250 0.833333 0.781250 0.833333 0.968750 0.041667 "
                        "0.968750\n"));
    QCOMPARE(fileBytes(path("yolo/labels/Plain.txt")), QByteArray());
}

void TestExportFormats::writesDota()
{
    const ProgramRun run =
        runExporter(root.path(), {"--format", "dota", "--output", "dota", "clean"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(filesBelow(path("dota")),
             (QStringList{"labelTxt", "labelTxt/.quadrotag-export", "labelTxt/Plain.txt",
                          "labelTxt/room1.txt", "labelTxt/turned.txt"}));
    QCOMPARE(fileBytes(path("dota/labelTxt/room1.txt")),
             QByteArray("10 4 50 8 46 40 6 36 Chair 0\n20 30 44 30 44 44 20 44 Sofa 0\n"));
    QCOMPARE(fileBytes(path("dota/labelTxt/turned.txt")),
             QByteArray("2 50 40 50 40 62 2 62 Lamp 0\n"));
}

void TestExportFormats::namesClassesThatShareAStem()
{
    QVERIFY(
        writeFileBytes(path("tags-shared"),
                       "Lamp(floor) 0 Sofa 0 Lamp(table) 0\nMaterial 2 Wood(oak) Wood(pine)\n"));
    QVERIFY(QDir().mkpath(path("empty")));
    const ProgramRun run =
        runExporter(root.path(), {"--check", "--vocabulary", "tags-shared", "empty"});
    QCOMPARE(run.out, QByteArray("tags-shared: more than one class tag is named Lamp\n"
                                 "tags-shared: more than one tag of Material is named Wood\n"));
    QCOMPARE(run.exitCode, 1);
}

void TestExportFormats::ordersCornersClockwiseFromTopLeft_data()
{
    QTest::addColumn<Quad>("corners");
    QTest::addColumn<Quad>("ordered");

    const Quad square{QPoint(0, 0), QPoint(10, 0), QPoint(10, 10), QPoint(0, 10)};
    QTest::newRow("already in order") << square << square;
    QTest::newRow("clockwise from another corner")
        << Quad{QPoint(10, 10), QPoint(0, 10), QPoint(0, 0), QPoint(10, 0)} << square;
    QTest::newRow("counter-clockwise")
        << Quad{QPoint(10, 0), QPoint(0, 0), QPoint(0, 10), QPoint(10, 10)} << square;
    QTest::newRow("diamond: the upper of two equal corners")
        << Quad{QPoint(5, 10), QPoint(0, 5), QPoint(5, 0), QPoint(10, 5)}
        << Quad{QPoint(5, 0), QPoint(10, 5), QPoint(5, 10), QPoint(0, 5)};
    QTest::newRow("arrow head") << Quad{QPoint(0, 0), QPoint(4, 6), QPoint(0, 12), QPoint(12, 6)}
                                << Quad{QPoint(0, 0), QPoint(12, 6), QPoint(0, 12), QPoint(4, 6)};
}

void TestExportFormats::ordersCornersClockwiseFromTopLeft()
{
    QFETCH(Quad, corners);
    QFETCH(Quad, ordered);
    QCOMPARE(clockwiseFromTopLeft(corners), ordered);
}

void TestExportFormats::walksTheDatasetInPathOrder_data()
{
    // Entries below a new dataset folder: "x/" a folder, "x->y" a link to y, else an image.
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("fileNames");
    QTest::addColumn<QByteArray>("notes");

    QTest::newRow("nested folders by whole path, not depth by depth")
        << QStringList{"c/z.jpg", "a/b/y.jpg", "a b/w.jpg", "a/x.jpg"}
        << QStringList{"a/x.jpg", "a b/w.jpg", "a/b/y.jpg", "c/z.jpg"} << QByteArray();
    QTest::newRow("names by code, upper case first")
        << QStringList{"b.jpg", "B.JPG", "a.jpg"} << QStringList{"B.JPG", "a.jpg", "b.jpg"}
        << QByteArray();
    QTest::newRow("the team's folder passed by without a note")
        << QStringList{".quadrotag/claims/", ".quadrotag/q.jpg", "d.jpg"} << QStringList{"d.jpg"}
        << QByteArray();
    QTest::newRow("another hidden folder passed by with a note")
        << QStringList{".hidden/h.jpg", "d.jpg"} << QStringList{"d.jpg"}
        << QByteArray("quadrotag-export: passed over the hidden folder walk/.hidden\n");
    QTest::newRow("a folder named like an image is a folder")
        << QStringList{"e.jpg/f.jpg"} << QStringList{"e.jpg/f.jpg"} << QByteArray();
    QTest::newRow("a hidden image is none")
        << QStringList{".h.jpg", "d.jpg"} << QStringList{"d.jpg"} << QByteArray();
    QTest::newRow("a linked image is an image")
        << QStringList{"d.jpg", "l.jpg->d.jpg"} << QStringList{"d.jpg", "l.jpg"} << QByteArray();
    // Each sized from its own header: the table checks every image is 8 x 6.
    QTest::newRow("every format, its name kept")
        << QStringList{"f.jpeg", "b.webp", "a.png", "c.TIF", "e.bmp", "d.tiff", "x.png.jpg"}
        << QStringList{"a.png", "b.webp", "c.TIF", "d.tiff", "e.bmp", "f.jpeg", "x.png.jpg"}
        << QByteArray();
    QTest::newRow("a linked folder is passed by with a note")
        << QStringList{"d/x.jpg", "l->d"} << QStringList{"d/x.jpg"}
        << QByteArray("quadrotag-export: passed over the linked folder walk/l\n");
}

void TestExportFormats::walksTheDatasetInPathOrder()
{
    QFETCH(QStringList, entries);
    QFETCH(QStringList, fileNames);
    QFETCH(QByteArray, notes);

    QVERIFY(QDir(path("walk")).removeRecursively());
    QVERIFY(QDir().mkpath(path("walk")));
    for (const QString& entry : entries) {
        const QString entryPath = path("walk/" + entry.section("->", 0, 0));
        QVERIFY(QDir().mkpath(entry.endsWith('/') ? entryPath : QFileInfo(entryPath).path()));
        if (entry.contains("->"))
            QVERIFY(QFile::link(entry.section("->", 1), entryPath));
        else if (!entry.endsWith('/'))
            QVERIFY(writeTestJpeg(entryPath, 8, 6, 50));
    }
    const ProgramRun run = runExporter(root.path(), {"--output", "walk-coco", "walk"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err.left(run.err.indexOf("Exported to")), notes);
    QStringList exported;
    const QJsonArray images = QJsonDocument::fromJson(fileBytes(path("walk-coco/instances.json")))
                                  .object()
                                  .value("images")
                                  .toArray();
    for (qsizetype index = 0; index < images.size(); ++index) {
        const QJsonObject image = images.at(index).toObject();
        QCOMPARE(image.value("id").toInt(), index + 1);
        QCOMPARE(QSize(image.value("width").toInt(), image.value("height").toInt()), QSize(8, 6));
        exported << image.value("file_name").toString();
    }
    QCOMPARE(exported, fileNames);
}

void TestExportFormats::exportsOnlyAcceptedImages_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("exported");

    QTest::newRow("coco, accepted only")
        << QStringList{"--accepted-only", "--format", "coco"} << QStringList{"accepted.jpg"};
    QTest::newRow("dota, accepted only")
        << QStringList{"--accepted-only", "--format", "dota"} << QStringList{"accepted.txt"};
    QTest::newRow("coco, every image")
        << QStringList{"--format", "coco"}
        << QStringList{"accepted.jpg", "changed.jpg",    "malformed.jpg",
                       "rejected.jpg", "unlabelled.jpg", "unreviewed.jpg"};
}

void TestExportFormats::exportsOnlyAcceptedImages()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, exported);

    const QString output = QStringLiteral("reviewed-out-%1").arg(QTest::currentDataTag());
    const ProgramRun run =
        runExporter(root.path(), options + QStringList{"--output", output, "reviewed"});
    QCOMPARE(run.exitCode, 0);
    QStringList names;
    if (options.contains("dota")) {
        names = QDir(path(output + "/labelTxt")).entryList(QDir::Files, QDir::Name);
    } else {
        const QJsonObject coco =
            QJsonDocument::fromJson(fileBytes(path(output + "/instances.json"))).object();
        for (const QJsonValue& image : coco.value("images").toArray())
            names << image.toObject().value("file_name").toString();
    }
    QCOMPARE(names, exported);
    QCOMPARE(run.err.contains("images passed over as not accepted"),
             options.contains("--accepted-only"));
}

// --accepted-only judges and exports one read of the label file, so a save in between can't
// put bytes the lead never accepted into the dataset.
void TestExportFormats::acceptedBytesAreTheBytesExported()
{
    const TagLayout noTags;
    const ClassTable classes(noTags);
    ConsoleReport report(QStringLiteral("test"), stdout, stderr, false);
    ImageChecker checker(classes, report);
    ExportImage image;
    const QString imagePath = path("reviewed/accepted.jpg");
    const QString labelPath = path("reviewed/accepted.lbl");
    QVERIFY(checker.check(imagePath, labelPath, image));
    const long long shapesOnDisk = checker.shapesFound();
    QVERIFY(shapesOnDisk > 0);
    QVERIFY(image.styleIndex != 3);

    const QByteArray judged("3\n");
    QVERIFY(checker.check(imagePath, labelPath, image, &judged));
    QCOMPARE(checker.shapesFound(), shapesOnDisk);
    QCOMPARE(image.styleIndex, 3);
}

QTEST_GUILESS_MAIN(TestExportFormats)
#include "test_exportformats.moc"
