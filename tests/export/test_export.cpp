#include "quadgeometry.h"

#include "datasetfixture.h"
#include "imageannotation.h"
#include "labelfile.h"
#include "labelpath.h"
#include "reviewfile.h"
#include "teampaths.h"
#include "workflowfixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

Q_DECLARE_METATYPE(Quad)

namespace {

const char exporter[] = QUADROTAG_EXPORT_EXECUTABLE;

// Single tags Sofa, Chair, Lamp at row 0; Material at row 1, Colour at row 2, Object at row 3.
const QByteArray vocabulary = "Sofa 0 Chair(seat) 0 Lamp 0\n"
                              "Material 2 Fabric Wood(oak)\n"
                              "Colour(main) 3 Grey Red Blue\n"
                              "Object 3 Bed Table(low) Desk\n";

// An EXIF block holding only the orientation tag, value 6: turned a quarter clockwise.
const QByteArray exifOrientation6 = QByteArray::fromHex("ffe10022"
                                                        "457869660000"
                                                        "4d4d002a00000008"
                                                        "0001"
                                                        "011200030000000100060000"
                                                        "00000000");

ProgramRun runExporter(const QString& workingDir, const QStringList& arguments)
{
    return runProgram(QString::fromLatin1(exporter), workingDir, arguments);
}

// The JPEG bytes with the EXIF block right after the start-of-image marker.
bool writeTurnedJpeg(const QString& path, int width, int height)
{
    std::vector<uchar> encoded;
    if (!cv::imencode(".jpg", cv::Mat(height, width, CV_8UC3, cv::Scalar(90, 90, 90)), encoded))
        return false;
    QByteArray bytes(reinterpret_cast<const char*>(encoded.data()),
                     static_cast<qsizetype>(encoded.size()));
    bytes.insert(2, exifOrientation6);
    return writeFileBytes(path, bytes);
}

QJsonValue json(const char* text)
{
    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray("{\"v\":") + text + "}", &error);
    return error.error == QJsonParseError::NoError ? document.object().value("v") : QJsonValue();
}

// Every file below dir, hidden ones too, so that leftovers of a refused export show.
QStringList filesBelow(const QString& dir)
{
    QStringList found;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(dir).relativeFilePath(it.next());
    found.sort();
    return found;
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void exitCodes_data();
    void exitCodes();
    void writesCoco();
    void takesClassesFromCategory();
    void writesYoloObb();
    void writesDota();
    void reportsEveryProblem_data();
    void reportsEveryProblem();
    void refusedExportWritesNothing_data();
    void refusedExportWritesNothing();
    void forcedExportLeavesOutFaultyShapes();
    void unwritableOutputLeavesNothing();
    void exportingAgainLeavesOnlyThisRunsFiles_data();
    void exportingAgainLeavesOnlyThisRunsFiles();
    void namesClassesThatShareAStem();
    void ordersCornersClockwiseFromTopLeft_data();
    void ordersCornersClockwiseFromTopLeft();
    void countsAsJson();
    void countsAsTable();
    void refusesALabelFolderItDidNotMake_data();
    void refusesALabelFolderItDidNotMake();
    void walksTheDatasetInPathOrder_data();
    void walksTheDatasetInPathOrder();
    void exportsOnlyAcceptedImages_data();
    void exportsOnlyAcceptedImages();
    void countsReviews_data();
    void countsReviews();
    void countsSavesPerOperator_data();
    void countsSavesPerOperator();

private:
    void buildCleanDataset();
    void buildFaultyDataset();
    void buildCountedDataset();
    void buildReviewedDataset();
    QString path(const QString& relative) const { return root.filePath(relative); }

    QTemporaryDir root;
};

void TestExport::initTestCase()
{
    QVERIFY(root.isValid());
    QVERIFY(writeFileBytes(path("tags"), vocabulary));
    QVERIFY(writeFileBytes(path("afile"), "not a folder"));
    buildCleanDataset();
    buildFaultyDataset();
    buildCountedDataset();
    buildReviewedDataset();
}

void TestExport::buildCleanDataset()
{
    QVERIFY(QDir().mkpath(path("clean/sub")));
    QVERIFY(writeTestJpeg(path("clean/room1.jpg"), 64, 48, 120));
    QVERIFY(
        writeLabels(path("clean/room1.lbl"), 15,
                    {shape({{10, 4}, {50, 8}, {46, 40}, {6, 36}}, {{0, 1}, {1, 1}, {2, 1}, {3, 2}}),
                     shape({{44, 44}, {44, 30}, {20, 30}, {20, 44}}, {{0, 0}, {0, 2}})}));
    QVERIFY(writeTurnedJpeg(path("clean/sub/turned.jpg"), 64, 48));
    QVERIFY(writeLabels(path("clean/sub/turned.lbl"), 0,
                        {shape({{2, 50}, {40, 50}, {40, 62}, {2, 62}}, {{0, 2}})}));
    QVERIFY(writeTestJpeg(path("clean/sub/Plain.JPG"), 32, 24, 200));
    QVERIFY(QFile::link(path("clean/sub"), path("clean/linked")));
    // Neither a hidden folder nor the tools' own, nor a recovery file, is part of the dataset.
    QVERIFY(QDir().mkpath(path("clean/.hidden")));
    QVERIFY(writeTestJpeg(path("clean/.hidden/secret.jpg"), 32, 24, 10));
    QVERIFY(QDir().mkpath(path("clean/.proposals")));
    QVERIFY(writeTestJpeg(path("clean/.proposals/own.jpg"), 32, 24, 10));
    QVERIFY(writeLabels(path("clean/.proposals/room1.lbl"), 1, {}));
    QVERIFY(writeLabels(path("clean/.room1.lbl.recovery"), 1, {}));
    // The team's folder is passed by without a note.
    QVERIFY(QDir().mkpath(path("clean/.quadrotag/claims")));
    QVERIFY(writeTestJpeg(path("clean/.quadrotag/team.jpg"), 32, 24, 10));
}

void TestExport::buildFaultyDataset()
{
    // One planted fault per image; the j and k folders share an image name.
    const std::vector<QPoint> square{{1, 1}, {10, 1}, {10, 10}, {1, 10}};
    QVERIFY(QDir().mkpath(path("faults/j")));
    QVERIFY(QDir().mkpath(path("faults/k")));
    for (const char* name : {"a_badpair", "b_noclass", "c_points", "d_crossed", "e_outside",
                             "f_style", "g_cut", "j/dup", "k/dup", "l_edge", "m_folder"})
        QVERIFY(writeTestJpeg(path(QStringLiteral("faults/%1.jpg").arg(name)), 64, 48, 60));
    QVERIFY(writeLabels(path("faults/a_badpair.lbl"), 0, {shape(square, {{0, 1}, {9, 9}})}));
    QVERIFY(writeLabels(path("faults/b_noclass.lbl"), 0, {shape(square, {{1, 1}})}));
    QVERIFY(writeLabels(path("faults/c_points.lbl"), 0,
                        {shape({{1, 1}, {10, 1}, {10, 10}}, {{0, 0}})}));
    QVERIFY(writeLabels(path("faults/d_crossed.lbl"), 0,
                        {shape({{0, 0}, {10, 10}, {10, 0}, {0, 10}}, {{0, 0}})}));
    QVERIFY(writeLabels(path("faults/e_outside.lbl"), 0,
                        {shape({{1, 1}, {70, 1}, {70, 10}, {1, 10}}, {{0, 0}})}));
    QVERIFY(writeLabels(path("faults/f_style.lbl"), 16, {shape(square, {{0, 0}})}));
    QVERIFY(writeFileBytes(path("faults/g_cut.lbl"), "0\n4 1 1 10 1 10 10 1 10 \n1 0 0 \n4 2 2 "));
    QVERIFY(writeLabels(path("faults/h_orphan.lbl"), 0, {shape(square, {{0, 0}})}));
    QVERIFY(writeFileBytes(path("faults/i_broken.jpg"), "not a JPEG at all"));
    // Moved onto the last column, this shape would be a line.
    QVERIFY(writeLabels(path("faults/l_edge.lbl"), 0,
                        {shape({{70, 1}, {80, 1}, {80, 10}, {70, 10}}, {{0, 0}})}));
    QVERIFY(QDir().mkpath(path("faults/m_folder.lbl")));
}

void TestExport::buildCountedDataset()
{
    // Shapes per labelled image 3, 1, 0 and 2: the lower middle of an even count is 1.
    const std::vector<QPoint> square{{1, 1}, {10, 1}, {10, 10}, {1, 10}};
    QVERIFY(QDir().mkpath(path("counted/.proposals")));
    for (const char* name : {"one", "two", "three", "four", "five", "six"})
        QVERIFY(writeTestJpeg(path(QStringLiteral("counted/%1.jpg").arg(name)), 32, 24, 90));
    QVERIFY(writeLabels(path("counted/one.lbl"), 5,
                        {shape(square, {{0, 0}, {2, 1}}), shape(square, {{0, 0}, {0, 0}}),
                         shape(square, {{0, 2}})}));
    QVERIFY(writeLabels(path("counted/two.lbl"), 5, {shape(square, {{0, 0}})}));
    QVERIFY(writeLabels(path("counted/three.lbl"), 15, {}));
    QVERIFY(writeLabels(path("counted/.proposals/four.lbl"), 0, {shape(square, {{0, 0}})}));
    // The unknown tag (9, 9) leaves the second shape out of the export, so out of the counts.
    QVERIFY(writeLabels(path("counted/six.lbl"), 0,
                        {shape(square, {{0, 1}, {2, 1}}), shape(square, {{0, 1}, {9, 9}})}));
    // Images the export leaves out count nowhere: a label file cut short, a folder in a label
    // file's place; a folder is no image, nor a proposal; the team's folder is no dataset.
    QVERIFY(writeTestJpeg(path("counted/seven.jpg"), 32, 24, 90));
    QVERIFY(writeFileBytes(path("counted/seven.lbl"), "0\n4 1 1 10 1 10 10 1 10 \n1 0 0 \n4 2 2 "));
    QVERIFY(writeTestJpeg(path("counted/eight.jpg"), 32, 24, 90));
    QVERIFY(QDir().mkpath(path("counted/eight.lbl")));
    QVERIFY(QDir().mkpath(path("counted/nine.jpg")));
    QVERIFY(QDir().mkpath(path("counted/.proposals/five.lbl")));
    QVERIFY(QDir().mkpath(path("counted/.quadrotag")));
    QVERIFY(writeTestJpeg(path("counted/.quadrotag/ten.jpg"), 32, 24, 90));
    QVERIFY(writeLabels(path("counted/.quadrotag/ten.lbl"), 0, {shape(square, {{0, 0}})}));
}

void TestExport::buildReviewedDataset()
{
    const std::vector<QPoint> square{{1, 1}, {10, 1}, {10, 10}, {1, 10}};
    QVERIFY(QDir().mkpath(path("reviewed")));
    for (const char* name :
         {"accepted", "rejected", "changed", "unreviewed", "malformed", "unlabelled"}) {
        const QString image = path(QStringLiteral("reviewed/%1.jpg").arg(name));
        QVERIFY(writeTestJpeg(image, 32, 24, 90));
        if (QByteArray(name) != "unlabelled")
            QVERIFY(writeLabels(labelPathFor(image), 0, {shape(square, {{0, 0}})}));
    }
    const auto review = [this](const char* name, Review::Verdict verdict,
                               const QByteArray& digest) {
        Review written;
        written.verdict = verdict;
        written.reviewer = "lead";
        written.at = QDateTime(QDate(2026, 12, 1), QTime(9, 30), Qt::UTC);
        written.labelDigest = digest;
        return writeReview(written,
                           reviewPathFor(path(QStringLiteral("reviewed/%1.jpg").arg(name))));
    };
    const auto digestOf = [this](const char* name) {
        return fileDigest(path(QStringLiteral("reviewed/%1.lbl").arg(name)));
    };
    QVERIFY(review("accepted", Review::Verdict::Accepted, digestOf("accepted")));
    QVERIFY(review("rejected", Review::Verdict::Rejected, digestOf("rejected")));
    // Accepted, then saved again with another shape.
    QVERIFY(review("changed", Review::Verdict::Accepted, digestOf("changed")));
    QVERIFY(writeLabels(path("reviewed/changed.lbl"), 0,
                        {shape(square, {{0, 0}}), shape(square, {{0, 1}})}));
    // A review left behind by an image whose label file is gone counts nowhere.
    QVERIFY(review("unlabelled", Review::Verdict::Accepted, bytesDigest("0\n")));
    QVERIFY(
        writeFileBytes(reviewPathFor(path("reviewed/malformed.jpg")), "state accepted\nby lead\n"));
}

void TestExport::exitCodes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("err");

    const QByteArray any = "*";
    const QByteArray hint = "Try 'quadrotag-export --help'.\n";
    QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray();
    QTest::newRow("version") << QStringList{"--version"} << 0 << QByteArray();
    QTest::newRow("clean check") << QStringList{"--check", "clean"} << 0 << any;
    QTest::newRow("faults check") << QStringList{"--check", "faults"} << 1 << any;
    QTest::newRow("clean stats") << QStringList{"--stats", "clean"} << 0 << any;
    QTest::newRow("faults stats") << QStringList{"--stats", "--json", "faults"} << 1 << any;
    QTest::newRow("json without stats") << QStringList{"--json", "--check", "clean"} << 2
                                        << "quadrotag-export: --json goes with --stats\n" + hint;
    QTest::newRow("unknown option") << QStringList{"--bogus", "clean"} << 2
                                    << "quadrotag-export: Unknown option 'bogus'.\n" + hint;
    QTest::newRow("no dataset") << QStringList{"--check"} << 2
                                << "quadrotag-export: no DATASET folder given\n" + hint;
    QTest::newRow("missing dataset folder")
        << QStringList{"--check", "nowhere"} << 2
        << QByteArray("quadrotag-export: no dataset folder nowhere\n");
    QTest::newRow("missing vocabulary")
        << QStringList{"--check", "--vocabulary", "none", "clean"} << 2
        << QByteArray("quadrotag-export: cannot read the vocabulary none\n");
    QTest::newRow("folder as vocabulary")
        << QStringList{"--check", "--vocabulary", "clean", "clean"} << 2
        << QByteArray("quadrotag-export: cannot read the vocabulary clean\n");
    QTest::newRow("unknown category")
        << QStringList{"--check", "--classes", "Shape", "clean"} << 2
        << QByteArray("quadrotag-export: the vocabulary tags has no category Shape\n");
    QTest::newRow("unknown format")
        << QStringList{"--format", "voc", "--output", "out", "clean"} << 2
        << "quadrotag-export: unknown format \"voc\"; use coco, yolo-obb or dota\n" + hint;
    QTest::newRow("output needed")
        << QStringList{"clean"} << 2
        << "quadrotag-export: --output DIR is needed unless --check is given\n" + hint;
    QTest::newRow("output below a file")
        << QStringList{"--output", "afile/out", "clean"} << 2
        << QByteArray("quadrotag-export: cannot create the folder afile/out\n");
}

void TestExport::exitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, err);

    const ProgramRun run = runExporter(root.path(), arguments);
    QCOMPARE(run.exitCode, exitCode);
    if (err != "*")
        QCOMPARE(run.err, err);
}

void TestExport::writesCoco()
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

void TestExport::takesClassesFromCategory()
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

void TestExport::writesYoloObb()
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

void TestExport::writesDota()
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

void TestExport::reportsEveryProblem_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("duplicate");

    QTest::newRow("coco keeps one name space per path") << "coco" << QByteArray();
    QTest::newRow("yolo-obb flattens folders")
        << "yolo-obb"
        << QByteArray("faults/k/dup.jpg: same name as faults/j/dup.jpg; both would be written "
                      "to dup.txt\n");
}

void TestExport::reportsEveryProblem()
{
    QFETCH(QString, format);
    QFETCH(QByteArray, duplicate);

    const ProgramRun run = runExporter(root.path(), {"--check", "--format", format, "faults"});
    QCOMPARE(run.exitCode, 1);
    const QByteArray expected =
        "faults/a_badpair.lbl: shape 1: tag (9, 9) names no tag cell of the vocabulary\n"
        "faults/b_noclass.lbl: shape 1: no class tag\n"
        "faults/c_points.lbl: shape 1: 3 points, not 4\n"
        "faults/d_crossed.lbl: shape 1: opposite edges cross\n"
        "faults/e_outside.lbl: shape 1: corner (70, 1) outside the 64x48 image\n"
        "faults/f_style.lbl: style index 16 outside 0 to 15\n"
        "faults/g_cut.lbl: label file could not be read to its end; shapes after shape 1 are "
        "lost\n"
        "faults/i_broken.jpg: image header cannot be read: Unsupported image format\n"
        "faults/l_edge.lbl: shape 1: corner (70, 1) outside the 64x48 image; on its border the "
        "shape would have no area, so it is left out\n"
        "faults/m_folder.lbl: label file cannot be read\n"
        "faults/h_orphan.lbl: label file without an image\n" +
        duplicate;
    QCOMPARE(run.out, expected);
    QCOMPARE(run.err.left(run.err.indexOf(", 0.")),
             QByteArray("Checked 12 images, 8 shapes, 3 categories, ") +
                 (duplicate.isEmpty() ? "11 problems (3 images" : "12 problems (4 images") +
                 " and 6 shapes left out)");
}

void TestExport::refusedExportWritesNothing_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("coco") << "coco";
    QTest::newRow("yolo-obb") << "yolo-obb";
    QTest::newRow("dota") << "dota";
}

void TestExport::refusedExportWritesNothing()
{
    QFETCH(QString, format);
    const QString output = "refused-" + format;
    const ProgramRun run =
        runExporter(root.path(), {"--format", format, "--output", output, "faults"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.err.startsWith("Nothing written, --force exports in spite of problems."));
    QCOMPARE(filesBelow(path(output)), QStringList());
}

void TestExport::forcedExportLeavesOutFaultyShapes()
{
    const ProgramRun run =
        runExporter(root.path(), {"--force", "--format", "dota", "--output", "forced", "faults"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("(4 images and 6 shapes left out)"), run.err.constData());
    // The corner outside the image is moved onto its last column.
    QCOMPARE(fileBytes(path("forced/labelTxt/e_outside.txt")),
             QByteArray("1 1 63 1 63 10 1 10 Sofa 0\n"));
    QCOMPARE(fileBytes(path("forced/labelTxt/a_badpair.txt")), QByteArray());
    QCOMPARE(fileBytes(path("forced/labelTxt/l_edge.txt")), QByteArray());
    QCOMPARE(fileBytes(path("forced/labelTxt/dup.txt")), QByteArray());
    // Images whose shapes could not all be read would teach that the lost ones are not there.
    for (const char* leftOut : {"i_broken.txt", "g_cut.txt", "m_folder.txt"})
        QVERIFY2(!QFile::exists(path("forced/labelTxt/") + leftOut), leftOut);
}

void TestExport::unwritableOutputLeavesNothing()
{
    // A folder in the place of instances.json: the file cannot be made, whoever runs the test.
    QVERIFY(QDir().mkpath(path("blocked/instances.json")));
    const ProgramRun run = runExporter(root.path(), {"--output", "blocked", "clean"});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.startsWith("quadrotag-export: cannot write blocked/instances.json"),
             run.err.constData());
    QCOMPARE(filesBelow(path("blocked")), QStringList{"instances.json"});
}

void TestExport::exportingAgainLeavesOnlyThisRunsFiles_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("stale");
    QTest::newRow("yolo-obb") << "yolo-obb"
                              << "labels/gone.txt";
    QTest::newRow("dota") << "dota"
                          << "labelTxt/gone.txt";
}

void TestExport::exportingAgainLeavesOnlyThisRunsFiles()
{
    QFETCH(QString, format);
    QFETCH(QString, stale);
    const QString output = "again-" + format;
    const QStringList arguments{"--format", format, "--output", output, "clean"};
    QCOMPARE(runExporter(root.path(), arguments).exitCode, 0);
    const QStringList firstRun = filesBelow(path(output));
    QVERIFY(writeFileBytes(path(output + "/" + stale), "0.1 0.1 0.2 0.1 0.2 0.2 0.1 0.2 Sofa 0\n"));

    QCOMPARE(runExporter(root.path(), arguments).exitCode, 0);
    QCOMPARE(filesBelow(path(output)), firstRun);
    // The label folder is as open as any folder made anew, not a private scratch folder.
    QVERIFY(QDir().mkpath(path("fresh")));
    QCOMPARE(QFileInfo(path(output + "/" + QFileInfo(stale).path())).permissions(),
             QFileInfo(path("fresh")).permissions());
}

void TestExport::namesClassesThatShareAStem()
{
    QVERIFY(writeFileBytes(path("tags-shared"), "Lamp(floor) 0 Sofa 0 Lamp(table) 0\n"));
    QVERIFY(QDir().mkpath(path("empty")));
    const ProgramRun run =
        runExporter(root.path(), {"--check", "--vocabulary", "tags-shared", "empty"});
    QCOMPARE(run.out, QByteArray("tags-shared: more than one class tag is named Lamp\n"));
    QCOMPARE(run.exitCode, 1);
}

void TestExport::ordersCornersClockwiseFromTopLeft_data()
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

void TestExport::ordersCornersClockwiseFromTopLeft()
{
    QFETCH(Quad, corners);
    QFETCH(Quad, ordered);
    QCOMPARE(clockwiseFromTopLeft(corners), ordered);
}

void TestExport::countsAsJson()
{
    const ProgramRun run = runExporter(root.path(), {"--stats", "--json", "counted"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.startsWith(
                 "counted/eight.lbl: label file cannot be read\n"
                 "counted/seven.lbl: label file could not be read to its end; shapes after shape "
                 "1 are lost\n"
                 "counted/six.lbl: shape 2: tag (9, 9) names no tag cell of the vocabulary\n"
                 "Checked 8 images, 7 shapes, 3 categories, 3 problems (2 images and 2 shapes "
                 "left out)"),
             run.err.constData());
    QVERIFY(run.out.endsWith("}\n"));
    QCOMPARE(run.out.count('\n'), 1);

    QJsonParseError error;
    const QJsonObject stats = QJsonDocument::fromJson(run.out, &error).object();
    QCOMPARE(error.errorString(), QJsonParseError().errorString());
    QCOMPARE(stats.keys().size(), 7);
    QCOMPARE(stats.value("images"), json(R"({"total": 6, "labelled": 4, "unlabelled": 2,
                                             "proposed": 1, "empty": 1})"));
    QCOMPARE(stats.value("tags"), json(R"([{"caption": "Sofa", "shapes": 3, "images": 2},
        {"caption": "Chair", "shapes": 1, "images": 1},
        {"caption": "Lamp", "shapes": 1, "images": 1},
        {"caption": "Material: Fabric", "shapes": 0, "images": 0},
        {"caption": "Material: Wood", "shapes": 0, "images": 0},
        {"caption": "Colour: Grey", "shapes": 2, "images": 2},
        {"caption": "Colour: Red", "shapes": 0, "images": 0},
        {"caption": "Colour: Blue", "shapes": 0, "images": 0},
        {"caption": "Object: Bed", "shapes": 0, "images": 0},
        {"caption": "Object: Table", "shapes": 0, "images": 0},
        {"caption": "Object: Desk", "shapes": 0, "images": 0}])"));
    const QJsonArray styles = stats.value("styles").toArray();
    QCOMPARE(styles.size(), 16);
    QCOMPARE(styles.at(0), json(R"({"style": "None", "images": 1})"));
    QCOMPARE(styles.at(1), json(R"({"style": "Scandinavian", "images": 0})"));
    QCOMPARE(styles.at(5), json(R"({"style": "Chinese", "images": 2})"));
    QCOMPARE(styles.at(15), json(R"({"style": "Modern Brief", "images": 1})"));
    QCOMPARE(stats.value("shapes_per_image"), json(R"({"min": 0, "median": 1, "max": 3})"));
    QCOMPARE(stats.value("problems"), json("3"));
    QCOMPARE(stats.value("operators"), json("[]"));
}

void TestExport::countsAsTable()
{
    const ProgramRun run = runExporter(root.path(), {"--stats", "counted"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.out.startsWith(
                 "Images 6: 4 labelled (1 without shapes), 2 unlabelled (1 with a proposal)\n"
                 "Shapes per labelled image: min 0, median 1, max 3\n"
                 "Problems 3\n"
                 "Reviews: 0 accepted, 0 rejected, 0 changed since review, 4 unreviewed\n"
                 "\n"
                 "Tag               Shapes  Images\n"
                 "Sofa                   3       2\n"
                 "Chair                  1       1\n"),
             run.out.constData());
    QVERIFY(run.out.contains("\nColour: Grey           2       2\n"));
    QVERIFY(run.out.contains("\nStyle            Images\n"
                             "None                  1\n"));
    QVERIFY(run.out.endsWith("\nChinese               2\n"
                             "Jane                  0\n"
                             "American              0\n"
                             "Neoclassical          0\n"
                             "European              0\n"
                             "Mixture               0\n"
                             "Post-modern           0\n"
                             "Retro                 0\n"
                             "Mediterranean         0\n"
                             "Pastoralism           0\n"
                             "Modern Brief          1\n"));
    QVERIFY(!run.out.contains("names no tag cell"));
}

void TestExport::refusesALabelFolderItDidNotMake_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("refused");

    QTest::newRow("a labels folder of the user's")
        << "yolo-obb" << QStringList{"labels/notes.txt"} << "labels";
    QTest::newRow("an empty labelTxt folder") << "dota" << QStringList{"labelTxt/"} << "labelTxt";
    QTest::newRow("a file named labels") << "yolo-obb" << QStringList{"labels"} << "labels";
    QTest::newRow("the mark as a folder, not a file")
        << "dota" << QStringList{"labelTxt/.quadrotag-export/", "labelTxt/a.txt"} << "labelTxt";
}

void TestExport::refusesALabelFolderItDidNotMake()
{
    QFETCH(QString, format);
    QFETCH(QStringList, present);
    QFETCH(QString, refused);

    const QString output = "users-" + QString(QTest::currentDataTag()).replace(' ', '-');
    for (const QString& entry : present) {
        const QString entryPath = path(output + "/" + entry);
        QVERIFY(entry.endsWith('/') ? QDir().mkpath(entryPath)
                                    : QDir().mkpath(QFileInfo(entryPath).path()) &&
                                          writeFileBytes(entryPath, "the user's own\n"));
    }
    const QStringList before = filesBelow(path(output));
    const ProgramRun run =
        runExporter(root.path(), {"--format", format, "--output", output, "clean"});
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.err, "quadrotag-export: " + (output + "/" + refused).toUtf8() +
                          " was not made by an export; move it away or choose another --output, "
                          "nothing was written\n");
    QCOMPARE(filesBelow(path(output)), before);
}

void TestExport::walksTheDatasetInPathOrder_data()
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
    QTest::newRow("a linked folder is passed by with a note")
        << QStringList{"d/x.jpg", "l->d"} << QStringList{"d/x.jpg"}
        << QByteArray("quadrotag-export: passed over the linked folder walk/l\n");
}

void TestExport::walksTheDatasetInPathOrder()
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
            QVERIFY(writeTestJpeg(entryPath, 8, 8, 50));
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
        exported << image.value("file_name").toString();
    }
    QCOMPARE(exported, fileNames);
}

void TestExport::exportsOnlyAcceptedImages_data()
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

void TestExport::exportsOnlyAcceptedImages()
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

void TestExport::countsReviews_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("counts");

    QTest::newRow("json") << QStringList{"--json"}
                          << QByteArray("\"reviews\":{\"accepted\":1,\"rejected\":1,"
                                        "\"changed\":1,\"unreviewed\":2}");
    QTest::newRow("table") << QStringList{}
                           << QByteArray("\nReviews: 1 accepted, 1 rejected, 1 changed since "
                                         "review, 2 unreviewed\n");
    QTest::newRow("json, accepted only")
        << QStringList{"--json", "--accepted-only"}
        << QByteArray("\"reviews\":{\"accepted\":1,\"rejected\":0,\"changed\":0,"
                      "\"unreviewed\":0}");
}

void TestExport::countsReviews()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, counts);

    const ProgramRun run =
        runExporter(root.path(), QStringList{"--stats"} + options + QStringList{"reviewed"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains(counts), run.out.constData());
}

void TestExport::countsSavesPerOperator_data()
{
    QTest::addColumn<bool>("asJson");
    QTest::newRow("json") << true;
    QTest::newRow("table") << false;
}

// Two hosts of one operator count together; sorted by name, whatever the order on disk.
void TestExport::countsSavesPerOperator()
{
    QFETCH(bool, asJson);
    const QString logs = path("counted/.quadrotag/log/");
    const auto removeLogs =
        qScopeGuard([&] { QDir(path("counted/.quadrotag")).removeRecursively(); });
    QVERIFY(QDir().mkpath(logs));
    QVERIFY(writeFileBytes(logs + "zed@pc1.log", "2026-12-07T10:00:00Z\tone.jpg\t2\n"));
    QVERIFY(writeFileBytes(logs + "ann@pc1.log", "2026-12-07T10:00:00Z\tone.jpg\t2\n"
                                                 "2026-12-07T10:05:00Z\ttwo.jpg\t1\n"));
    QVERIFY(writeFileBytes(logs + "ann@pc2.log", "2026-12-07T11:00:00Z\tone.jpg\t3\n"));
    QStringList arguments{"--stats", "counted"};
    if (asJson)
        arguments.insert(1, "--json");
    const ProgramRun run = runExporter(root.path(), arguments);
    if (asJson) {
        const QJsonObject stats = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(stats.value("operators"), json(R"([{"operator": "ann", "saves": 3, "images": 2},
            {"operator": "zed", "saves": 1, "images": 1}])"));
        QCOMPARE(stats.value("images").toObject().value("total"), json("6"));
    } else {
        QVERIFY2(run.out.endsWith("Modern Brief          1\n"
                                  "\n"
                                  "Operator   Saves  Images\n"
                                  "ann            3       2\n"
                                  "zed            1       1\n"),
                 run.out.constData());
    }
}

QTEST_GUILESS_MAIN(TestExport)
#include "test_export.moc"
