#include "exporttest.h"
#include "workflowfixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cstdio>
#include <ctime>

#include <sys/time.h>

// What the exporter refuses and reports: its exit codes, every problem of the faulty
// dataset, and outputs it will not write or overwrite.
class TestExportProblems : public ExportTest
{
    Q_OBJECT

private slots:
    void initTestCase();

    void exitCodes_data();
    void exitCodes();
    void reportsEveryProblem_data();
    void reportsEveryProblem();
    void refusedExportWritesNothing_data();
    void refusedExportWritesNothing();
    void forcedExportLeavesOutFaultyShapes();
    void unwritableOutputLeavesNothing();
    void exportingAgainLeavesOnlyThisRunsFiles_data();
    void exportingAgainLeavesOnlyThisRunsFiles();
    void refusesALabelFolderItDidNotMake_data();
    void refusesALabelFolderItDidNotMake();
    void reportsNamesThatConfuseFiles();

private:
    void buildFaultyDataset();
    void buildNamesDataset();
};

void TestExportProblems::initTestCase()
{
    makeRoot();
    QVERIFY(writeFileBytes(path("afile"), "not a folder"));
    buildCleanDataset();
    buildFaultyDataset();
    buildNamesDataset();
}

void TestExportProblems::buildNamesDataset()
{
    // Four photos whose names differ in the suffix or its case share one label file; another
    // name is not UTF-8, and a real file bears the text it would decode to.
    const std::vector<QPoint> square{{1, 1}, {10, 1}, {10, 10}, {1, 10}};
    QVERIFY(QDir().mkpath(path("names")));
    for (const char* name : {"x.jpg", "x.Jpg", "x.JPG", "x.png", "z.jpg", "latin\uFFFD.jpg"})
        QVERIFY(writeTestJpeg(path("names/") + QString::fromUtf8(name), 64, 48, 60));
    QVERIFY(writeLabels(path("names/x.lbl"), 0, {shape(square, {{0, 0}})}));
    QVERIFY(writeTestJpeg(path("names/latin.jpg"), 64, 48, 60));
    const QByteArray undecodable = QFile::encodeName(path("names/latin")) + "\xe9.jpg";
    QVERIFY(std::rename(QFile::encodeName(path("names/latin.jpg")).constData(),
                        undecodable.constData()) == 0);
    // Its label file's text names the label file the real one would have.
    const QByteArray undecodableLabel = QFile::encodeName(path("names/latin")) + "\xe9.lbl";
    std::FILE* label = std::fopen(undecodableLabel.constData(), "w");
    QVERIFY(label);
    std::fclose(label);
    QVERIFY(QFileInfo::exists(path("names/") + QString::fromUtf8("latin\uFFFD.jpg")));
    // Nor is a folder's name; opened by its text it would be another folder.
    QVERIFY(QDir().mkpath(path("names/sub")));
    QVERIFY(writeTestJpeg(path("names/sub/y.jpg"), 64, 48, 60));
    const QByteArray undecodableFolder = QFile::encodeName(path("names/sub")) + "\xe9";
    QVERIFY(std::rename(QFile::encodeName(path("names/sub")).constData(),
                        undecodableFolder.constData()) == 0);
}

void TestExportProblems::reportsNamesThatConfuseFiles()
{
    const ProgramRun run = runExporter(root.path(), {"--check", "names"});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out,
             QByteArray("names/sub\\xe9: folder name is not text; what it holds is left out\n"
                        "names/latin\\xe9.jpg: name can't be read as UTF-8; left out\n"
                        "names/x.JPG: shares its label file x.lbl with x.jpg; left out\n"
                        "names/x.Jpg: shares its label file x.lbl with x.jpg; left out\n"
                        "names/x.png: shares its label file x.lbl with x.jpg; left out\n"));
    QCOMPARE(run.err.left(run.err.indexOf(", 0.")),
             QByteArray("Checked 7 images, 1 shapes, 3 categories, 5 problems (4 images and 0 "
                        "shapes left out)"));

    // The shapes drawn on x.jpg, the twin the window lets be edited, go with its picture.
    const ProgramRun exported =
        runExporter(root.path(), {"--force", "--output", "names-coco", "names"});
    QCOMPARE(exported.exitCode, 1);
    const QJsonObject coco =
        QJsonDocument::fromJson(fileBytes(path("names-coco/instances.json"))).object();
    QStringList exportedNames;
    for (const QJsonValue image : coco.value("images").toArray())
        exportedNames << image.toObject().value("file_name").toString();
    QCOMPARE(exportedNames, (QStringList{QString::fromUtf8("latin\uFFFD.jpg"), "x.jpg", "z.jpg"}));
    const QJsonArray annotations = coco.value("annotations").toArray();
    QCOMPARE(annotations.size(), 1);
    QCOMPARE(annotations.at(0).toObject().value("image_id").toInt(), 2);
}

void TestExportProblems::buildFaultyDataset()
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
    // Cut inside its header, before the last byte of its height (300).
    QVERIFY(writeTestJpeg(path("faults/n_cut.png"), 64, 300, 60));
    QVERIFY(QFile::resize(path("faults/n_cut.png"), 23));
    // Moved onto the last column, this shape would be a line.
    QVERIFY(writeLabels(path("faults/l_edge.lbl"), 0,
                        {shape({{70, 1}, {80, 1}, {80, 10}, {70, 10}}, {{0, 0}})}));
    QVERIFY(QDir().mkpath(path("faults/m_folder.lbl")));
}

void TestExportProblems::exitCodes_data()
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
    QTest::newRow("names check") << QStringList{"--check", "names"} << 1 << any;
    QTest::newRow("names stats") << QStringList{"--stats", "names"} << 1 << any;
    QTest::newRow("json without stats") << QStringList{"--json", "--check", "clean"} << 2
                                        << "quadrotag-export: --json goes with --stats\n" + hint;
    QTest::newRow("unknown option") << QStringList{"--bogus", "clean"} << 2
                                    << "quadrotag-export: Unknown option 'bogus'.\n" + hint;
    QTest::newRow("no dataset") << QStringList{"--check"} << 2
                                << "quadrotag-export: no DATASET folder given\n" + hint;
    QTest::newRow("two datasets") << QStringList{"--check", "clean", "faults"} << 2
                                  << "quadrotag-export: only one DATASET folder can be given\n" +
                                         hint;
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

void TestExportProblems::exitCodes()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, err);

    const ProgramRun run = runExporter(root.path(), arguments);
    QCOMPARE(run.exitCode, exitCode);
    if (err != "*")
        QCOMPARE(run.err, err);
}

void TestExportProblems::reportsEveryProblem_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("duplicate");

    QTest::newRow("coco keeps one name space per path") << "coco" << QByteArray();
    QTest::newRow("yolo-obb flattens folders")
        << "yolo-obb"
        << QByteArray("faults/k/dup.jpg: same name as faults/j/dup.jpg; both would be written "
                      "to dup.txt\n");
}

void TestExportProblems::reportsEveryProblem()
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
        "faults/n_cut.png: image header cannot be read: its header tells no size\n"
        "faults/h_orphan.lbl: label file without an image\n" +
        duplicate;
    QCOMPARE(run.out, expected);
    QCOMPARE(run.err.left(run.err.indexOf(", 0.")),
             QByteArray("Checked 13 images, 8 shapes, 3 categories, ") +
                 (duplicate.isEmpty() ? "12 problems (4 images" : "13 problems (5 images") +
                 " and 6 shapes left out)");
}

void TestExportProblems::refusedExportWritesNothing_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("coco") << "coco";
    QTest::newRow("yolo-obb") << "yolo-obb";
    QTest::newRow("dota") << "dota";
}

void TestExportProblems::refusedExportWritesNothing()
{
    QFETCH(QString, format);
    const QString output = "refused-" + format;
    const ProgramRun run =
        runExporter(root.path(), {"--format", format, "--output", output, "faults"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.err.startsWith("Nothing written, --force exports in spite of problems."));
    QCOMPARE(filesBelow(path(output)), QStringList());
}

void TestExportProblems::forcedExportLeavesOutFaultyShapes()
{
    const ProgramRun run =
        runExporter(root.path(), {"--force", "--format", "dota", "--output", "forced", "faults"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("(5 images and 6 shapes left out)"), run.err.constData());
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

void TestExportProblems::unwritableOutputLeavesNothing()
{
    // A folder in the place of instances.json: the file cannot be made, whoever runs the test.
    QVERIFY(QDir().mkpath(path("blocked/instances.json")));
    const ProgramRun run = runExporter(root.path(), {"--output", "blocked", "clean"});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.startsWith("quadrotag-export: cannot write blocked/instances.json"),
             run.err.constData());
    QCOMPARE(filesBelow(path("blocked")), QStringList{"instances.json"});
}

void TestExportProblems::exportingAgainLeavesOnlyThisRunsFiles_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("stale");
    QTest::newRow("yolo-obb") << "yolo-obb"
                              << "labels/gone.txt";
    QTest::newRow("dota") << "dota"
                          << "labelTxt/gone.txt";
    QTest::newRow("yolo-obb staging a killed run left") << "yolo-obb"
                                                        << ".quadrotag-export-k1ll3d/labels/a.txt";
    QTest::newRow("coco spool a killed run left") << "coco"
                                                  << ".instances.json.annotations-k1ll3d";
}

void TestExportProblems::exportingAgainLeavesOnlyThisRunsFiles()
{
    QFETCH(QString, format);
    QFETCH(QString, stale);
    const QString output = "again-" + format;
    const QStringList arguments{"--format", format, "--output", output, "clean"};
    QCOMPARE(runExporter(root.path(), arguments).exitCode, 0);
    const QStringList firstRun = filesBelow(path(output));
    QVERIFY(QDir().mkpath(QFileInfo(path(output + "/" + stale)).path()));
    QVERIFY(writeFileBytes(path(output + "/" + stale), "0.1 0.1 0.2 0.1 0.2 0.2 0.1 0.2 Sofa 0\n"));
    // Untouched for two days, as what a killed run left behind.
    const timeval twoDaysAgo{std::time(nullptr) - 2 * 24 * 60 * 60, 0};
    const timeval times[2] = {twoDaysAgo, twoDaysAgo};
    QCOMPARE(::utimes(QFile::encodeName(path(output + "/" + stale.section('/', 0, 0))).constData(),
                      times),
             0);

    QCOMPARE(runExporter(root.path(), arguments).exitCode, 0);
    QCOMPARE(filesBelow(path(output)), firstRun);
    if (stale.startsWith('.'))
        return;
    // The label folder is as open as any folder made anew, not a private scratch folder.
    QVERIFY(QDir().mkpath(path("fresh")));
    QCOMPARE(QFileInfo(path(output + "/" + QFileInfo(stale).path())).permissions(),
             QFileInfo(path("fresh")).permissions());
}

void TestExportProblems::refusesALabelFolderItDidNotMake_data()
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

void TestExportProblems::refusesALabelFolderItDidNotMake()
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

QTEST_GUILESS_MAIN(TestExportProblems)
#include "test_exportproblems.moc"
