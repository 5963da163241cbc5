#include "importtest.h"
#include "quadgeometry.h"

#include "imageannotation.h"
#include "labelfile.h"
#include "workflowfixture.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <algorithm>

namespace {

const char exporter[] = QUADROTAG_EXPORT_EXECUTABLE;

// Each shape's corners clockwise from the top-left and its tags, in file order.
std::vector<std::pair<Quad, std::vector<std::pair<int, int>>>> shapesOf(const QString& path)
{
    ImageAnnotation annotation;
    readLabelFile(annotation, QFile::encodeName(path).toStdString());
    std::vector<std::pair<Quad, std::vector<std::pair<int, int>>>> shapes;
    for (const Label& label : annotation.labels) {
        Quad corners{};
        std::copy_n(label.points.begin(), std::min<std::size_t>(4, label.points.size()),
                    corners.begin());
        shapes.emplace_back(clockwiseFromTopLeft(corners), label.tags);
    }
    return shapes;
}

} // namespace

// What the exporter writes, the importer reads back: label files from COCO, and the
// quadrilaterals with their class tags from the text formats.
class TestImportRoundTrip : public ImportTest
{
    Q_OBJECT

private slots:
    void initTestCase();

    void cocoRoundTripGivesTheLabelFilesBack();
    void textRoundTripGivesTheQuadrilateralsBack_data();
    void textRoundTripGivesTheQuadrilateralsBack();
};

void TestImportRoundTrip::initTestCase()
{
    makeRoot();
    QVERIFY(QDir().mkpath(path("rt/sub")));
    QVERIFY(writeTestJpeg(path("rt/a.jpg"), 64, 48, 120));
    QVERIFY(
        writeLabels(path("rt/a.lbl"), 6,
                    {shape({{10, 4}, {50, 8}, {46, 40}, {6, 36}}, {{0, 1}, {2, 1}, {3, 2}, {4, 4}}),
                     shape({{44, 44}, {44, 30}, {20, 30}, {20, 44}}, {{0, 0}, {3, 3}})}));
    QVERIFY(writeTestJpeg(path("rt/sub/b.jpg"), 32, 24, 200));
    QVERIFY(writeLabels(path("rt/sub/b.lbl"), 0,
                        {shape({{2, 2}, {30, 3}, {29, 20}, {1, 22}}, {{6, 0}})}));
}

void TestImportRoundTrip::cocoRoundTripGivesTheLabelFilesBack()
{
    const ProgramRun exported =
        runProgram(QString::fromLatin1(exporter), root.path(), {"--output", "rt-coco", "rt"});
    QCOMPARE(exported.exitCode, 0);
    const ProgramRun run = import({"--format", "coco", "rt-coco/instances.json", "rt"});
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(fileBytes(path("rt/.proposals/a.lbl")), fileBytes(path("rt/a.lbl")));
    QCOMPARE(fileBytes(path("rt/sub/.proposals/b.lbl")), fileBytes(path("rt/sub/b.lbl")));
}

void TestImportRoundTrip::textRoundTripGivesTheQuadrilateralsBack_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("yolo-obb") << "yolo-obb";
    QTest::newRow("dota") << "dota";
}

void TestImportRoundTrip::textRoundTripGivesTheQuadrilateralsBack()
{
    QFETCH(QString, format);
    const QString output = "rt-" + format;
    const ProgramRun exported = runProgram(QString::fromLatin1(exporter), root.path(),
                                           {"--format", format, "--output", output, "rt"});
    QCOMPARE(exported.exitCode, 0);
    const ProgramRun run = import({"--format", format, output, "rt"});
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.exitCode, 0);

    // The text formats keep the class tag only, and DOTA starts at another corner.
    auto expected = shapesOf(path("rt/a.lbl"));
    expected[0].second = {{0, 1}};
    expected[1].second = {{0, 0}};
    QCOMPARE(shapesOf(path("rt/.proposals/a.lbl")), expected);
    QCOMPARE(shapesOf(path("rt/sub/.proposals/b.lbl")), shapesOf(path("rt/sub/b.lbl")));
}

QTEST_GUILESS_MAIN(TestImportRoundTrip)
#include "test_importroundtrip.moc"
