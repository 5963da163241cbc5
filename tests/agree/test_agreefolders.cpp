#include "datasetfixture.h"
#include "quadgeometry.h"
#include "workflowfixture.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

#include <sys/stat.h>

namespace {

const char agreeProgram[] = QUADROTAG_AGREE_EXECUTABLE;

Quad rect(int left, int top, int right, int bottom)
{
    return Quad{QPoint(left, top), QPoint(right, top), QPoint(right, bottom), QPoint(left, bottom)};
}

std::vector<QPoint> corners(const Quad& quad)
{
    return std::vector<QPoint>(quad.begin(), quad.end());
}

// Single tags Sofa, Chair, Lamp in row 0; Material's tags Wood, Fabric at (1, 1), (1, 2).
const QByteArray vocabulary = "Sofa 0\nChair 0\nLamp 0\nMaterial 2 Wood Fabric\n";
const std::pair<int, int> sofa{0, 0};
const std::pair<int, int> chair{0, 1};
const std::pair<int, int> lamp{0, 2};
const std::pair<int, int> wood{1, 1};
const std::pair<int, int> fabric{1, 2};

} // namespace

// quadrotag-agree run on two operators' folders: its report, its lines on standard error and
// what it refuses.
class TestAgreeFolders : public QObject
{
    Q_OBJECT

private slots:
    void reportsAgreementOfTwoFolders_data();
    void reportsAgreementOfTwoFolders();
    void refusesUnusableInput_data();
    void refusesUnusableInput();
    void saysWhichImageNamesAreNotText();

private:
    void writeTwoOperators(const QTemporaryDir& project);
    void writeThirdImage(const QTemporaryDir& project, const QString& variant);
};

void TestAgreeFolders::writeTwoOperators(const QTemporaryDir& project)
{
    const QString a = project.filePath("a");
    const QString b = project.filePath("b");
    QVERIFY(QDir().mkpath(a + "/sub") && QDir().mkpath(b + "/sub"));
    QVERIFY(writeFileBytes(project.filePath("tags"), vocabulary));
    for (const char* name : {"img1.jpg", "sub/img2.jpg", "img3.jpg", "img4.jpg"}) {
        QVERIFY(writeFileBytes(a + "/" + name, "jpeg"));
        QVERIFY(writeFileBytes(b + "/" + name, "jpeg"));
    }
    const Quad left = rect(0, 0, 100, 100);
    const Quad right = rect(200, 0, 300, 100);
    const std::vector<QPoint> bowTie{{0, 0}, {100, 100}, {100, 0}, {0, 100}};
    // img1: both shapes matched (IoU 0.95 and 1), the tags differ; a crossed shape is left out.
    QVERIFY(writeLabels(a + "/img1.lbl", 1,
                        {shape(corners(left), {sofa, wood}), shape(corners(right), {chair}),
                         shape(bowTie, {sofa})}));
    QVERIFY(writeLabels(b + "/img1.lbl", 1,
                        {shape(corners(rect(0, 5, 100, 100)), {sofa, fabric}),
                         shape(corners(right), {chair, wood})}));
    // img2: nothing matched; Lamp only on an unmatched shape. Styles differ.
    QVERIFY(writeLabels(a + "/sub/img2.lbl", 2, {shape(corners(left), {sofa})}));
    QVERIFY(writeLabels(b + "/sub/img2.lbl", 3, {shape(corners(right), {lamp})}));
    // img3 labelled by the first operator only, img4 by nobody: neither is compared.
    QVERIFY(writeLabels(a + "/img3.lbl", 0, {shape(corners(left), {sofa})}));
}

// img3, which only the first operator labelled, labelled by the second one too.
void TestAgreeFolders::writeThirdImage(const QTemporaryDir& project, const QString& variant)
{
    const QString a = project.filePath("a/img3.lbl");
    const QString b = project.filePath("b/img3.lbl");
    const Quad left = rect(0, 0, 100, 100);
    if (variant == "uneven") {
        // The second operator drew one shape more: it is only B's.
        QVERIFY(writeLabels(
            b, 0, {shape(corners(left), {sofa}), shape(corners(rect(200, 0, 300, 100)), {chair})}));
    } else if (variant == "far corners") {
        // The largest corners that count, then one pixel beyond them and the 2e9.
        const Quad largest = rect(-500000000, -500000000, 500000000, 500000000);
        const Quad huge = rect(-2000000000, -2000000000, 2000000000, 2000000000);
        QVERIFY(writeLabels(a, 0,
                            {shape(corners(largest), {sofa}),
                             shape(corners(rect(0, 0, 500000001, 10)), {chair}),
                             shape(corners(huge), {lamp})}));
        QVERIFY(writeLabels(b, 0,
                            {shape(corners(largest), {sofa}),
                             shape(corners(rect(0, -500000001, 10, 0)), {chair}),
                             shape(corners(huge), {lamp})}));
    } else if (variant == "png twin") {
        QVERIFY(writeFileBytes(project.filePath("a/img1.png"), "png"));
        QVERIFY(writeFileBytes(project.filePath("b/img1.png"), "png"));
    } else if (variant == "unread style") {
        QVERIFY(writeFileBytes(b, "Sofa\n"));
    } else if (variant == "lowest style") {
        QVERIFY(writeFileBytes(b, "-2147483648\n"));
    }
}

void TestAgreeFolders::reportsAgreementOfTwoFolders_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("out");
    // What img3's label files hold on the second side ("" : it has none there), and lines
    // the run must print on standard error for them.
    QTest::addColumn<QString>("third");
    QTest::addColumn<QByteArrayList>("problems");

    // Tags over the two matched pairs: Sofa on both sides of one pair and on neither of the
    // other (kappa 1); Wood on one side of each pair (po 0, pe 0.5: kappa -1); Fabric only on
    // the second operator's side of one pair (po 0.5, pe 0.5: kappa 0). Styles: 1-1 and 2-3,
    // po 0.5, pe 0.25.
    // Also what a third image without pairs or style leaves of them, but for the worst list's end.
    const QByteArray tagsStylesAndWorstOfTwo(
        "\"tags\":[{\"caption\":\"Sofa\",\"both\":1,\"only_a\":0,\"only_b\":0,"
        "\"kappa\":1.000},"
        "{\"caption\":\"Chair\",\"both\":1,\"only_a\":0,\"only_b\":0,\"kappa\":1.000},"
        "{\"caption\":\"Material: Wood\",\"both\":0,\"only_a\":1,\"only_b\":1,"
        "\"kappa\":-1.000},"
        "{\"caption\":\"Material: Fabric\",\"both\":0,\"only_a\":0,\"only_b\":1,"
        "\"kappa\":0.000}],"
        "\"styles\":{\"agree\":1,\"disagree\":1,\"kappa\":0.333},"
        "\"worst\":[{\"image\":\"sub/img2.jpg\",\"matched\":0,\"only_a\":1,\"only_b\":1,"
        "\"mean_iou\":0.000},");
    const QByteArray twoImages("{\"images\":2,\"shapes\":{\"a\":3,\"b\":3,\"matched\":2,"
                               "\"only_a\":1,\"only_b\":1},\"mean_iou\":0.975," +
                               tagsStylesAndWorstOfTwo +
                               "{\"image\":\"img1.jpg\",\"matched\":2,\"only_a\":0,"
                               "\"only_b\":0,\"mean_iou\":0.975}]}\n");
    QTest::newRow("json") << QStringList{"--json"} << twoImages << QString() << QByteArrayList();
    // Its label file is img1.jpg's: compared again, img1 would count twice.
    QTest::newRow("json, a twin across formats")
        << QStringList{"--json"} << twoImages << "png twin"
        << QByteArrayList{"a/img1.png: shares its label file img1.lbl with img1.jpg; left out\n"};
    // At 0.96 the shifted sofa is no pair: only the chairs match. Chair on both sides of the
    // one pair: chance agreement 1, kappa null; Wood on the second side only: po 0, pe 0.
    QTest::newRow("json, strict threshold")
        << QStringList{"--json", "--iou", "0.96"}
        << QByteArray("{\"images\":2,\"shapes\":{\"a\":3,\"b\":3,\"matched\":1,"
                      "\"only_a\":2,\"only_b\":2},\"mean_iou\":1.000,\"tags\":["
                      "{\"caption\":\"Chair\",\"both\":1,\"only_a\":0,\"only_b\":0,"
                      "\"kappa\":null},"
                      "{\"caption\":\"Material: Wood\",\"both\":0,\"only_a\":0,"
                      "\"only_b\":1,\"kappa\":0.000}],"
                      "\"styles\":{\"agree\":1,\"disagree\":1,\"kappa\":0.333},"
                      "\"worst\":[{\"image\":\"sub/img2.jpg\",\"matched\":0,"
                      "\"only_a\":1,\"only_b\":1,\"mean_iou\":0.000},"
                      "{\"image\":\"img1.jpg\",\"matched\":1,\"only_a\":1,"
                      "\"only_b\":1,\"mean_iou\":1.000}]}\n")
        << QString() << QByteArrayList();
    QTest::newRow("table") << QStringList{}
                           << QByteArray("Images 2\n"
                                         "Shapes: A 3, B 3, matched 2, only A 1, only B 1\n"
                                         "Mean IoU of the matched shapes 0.975\n"
                                         "Styles: agree 1, disagree 1, kappa 0.333\n"
                                         "\n"
                                         "Tag                 Both  Only A  Only B   Kappa\n"
                                         "Sofa                   1       0       0   1.000\n"
                                         "Chair                  1       0       0   1.000\n"
                                         "Material: Wood         0       1       1  -1.000\n"
                                         "Material: Fabric       0       0       1   0.000\n"
                                         "\n"
                                         "Images with the most unmatched shapes\n"
                                         "Image        Matched  Only A  Only B     IoU\n"
                                         "sub/img2.jpg       0       1       1   0.000\n"
                                         "img1.jpg           2       0       0   0.975\n")
                           << QString() << QByteArrayList();
    // img3 adds a pair of sofas (IoU 1): Sofa on both sides of two of three pairs, kappa 1;
    // Wood on one side of each of two of three (po 1/3, pe 5/9): -0.5; Fabric on B's side of
    // one (po 2/3, pe 2/3): 0. Styles 1-1, 2-3, 0-0: po 2/3, pe 2/9, kappa 4/7.
    const QByteArray threePairsTags =
        "\"tags\":[{\"caption\":\"Sofa\",\"both\":2,\"only_a\":0,\"only_b\":0,"
        "\"kappa\":1.000},"
        "{\"caption\":\"Chair\",\"both\":1,\"only_a\":0,\"only_b\":0,\"kappa\":1.000},"
        "{\"caption\":\"Material: Wood\",\"both\":0,\"only_a\":1,\"only_b\":1,"
        "\"kappa\":-0.500},"
        "{\"caption\":\"Material: Fabric\",\"both\":0,\"only_a\":0,\"only_b\":1,"
        "\"kappa\":0.000}],"
        "\"styles\":{\"agree\":2,\"disagree\":1,\"kappa\":0.571},";
    // B drew one shape more on img3 than A: its only-B shape is B's count less the pairs.
    QTest::newRow("json, one operator drew more shapes")
        << QStringList{"--json"}
        << "{\"images\":3,\"shapes\":{\"a\":4,\"b\":5,\"matched\":3,\"only_a\":1,"
           "\"only_b\":2},\"mean_iou\":0.983," +
               threePairsTags +
               "\"worst\":[{\"image\":\"sub/img2.jpg\",\"matched\":0,\"only_a\":1,"
               "\"only_b\":1,\"mean_iou\":0.000},"
               "{\"image\":\"img3.jpg\",\"matched\":1,\"only_a\":0,\"only_b\":1,"
               "\"mean_iou\":1.000},"
               "{\"image\":\"img1.jpg\",\"matched\":2,\"only_a\":0,\"only_b\":0,"
               "\"mean_iou\":0.975}]}\n"
        << "uneven" << QByteArrayList();
    // Identical shapes with the largest corners kept are a pair of IoU 1; beyond them, on
    // either axis, they are left out on both sides with a line each.
    QTest::newRow("json, corners far from the origin")
        << QStringList{"--json"}
        << "{\"images\":3,\"shapes\":{\"a\":4,\"b\":4,\"matched\":3,\"only_a\":1,"
           "\"only_b\":1},\"mean_iou\":0.983," +
               threePairsTags +
               "\"worst\":[{\"image\":\"sub/img2.jpg\",\"matched\":0,\"only_a\":1,"
               "\"only_b\":1,\"mean_iou\":0.000},"
               "{\"image\":\"img1.jpg\",\"matched\":2,\"only_a\":0,\"only_b\":0,"
               "\"mean_iou\":0.975},"
               "{\"image\":\"img3.jpg\",\"matched\":1,\"only_a\":0,\"only_b\":0,"
               "\"mean_iou\":1.000}]}\n"
        << "far corners"
        << QByteArrayList{"a/img3.lbl: shape 2: a corner farther than 500000000 pixels from "
                          "the origin; left out\n",
                          "b/img3.lbl: shape 2: a corner farther than 500000000 pixels from "
                          "the origin; left out\n",
                          "a/img3.lbl: shape 3: a corner farther",
                          "b/img3.lbl: shape 3: a corner farther"};
    // A style that cannot be read is no style 0: the styles stay those of the first two images.
    const QByteArray thirdOutOfStyles("{\"images\":3,\"shapes\":{\"a\":4,\"b\":3,\"matched\":2,"
                                      "\"only_a\":2,\"only_b\":1},\"mean_iou\":0.975," +
                                      tagsStylesAndWorstOfTwo +
                                      "{\"image\":\"img3.jpg\",\"matched\":0,\"only_a\":1,"
                                      "\"only_b\":0,\"mean_iou\":0.000},"
                                      "{\"image\":\"img1.jpg\",\"matched\":2,\"only_a\":0,"
                                      "\"only_b\":0,\"mean_iou\":0.975}]}\n");
    QTest::newRow("json, a style line not read")
        << QStringList{"--json"} << thirdOutOfStyles << "unread style"
        << QByteArrayList{"b/img3.lbl: style line cannot be read; image left out of the styles\n"};
    // The lowest int is a style line read like any other.
    QTest::newRow("json, the lowest style")
        << QStringList{"--json"} << thirdOutOfStyles << "lowest style"
        << QByteArrayList{"b/img3.lbl: style index -2147483648 outside 0 to 15; image left out "
                          "of the styles\n"};
}

void TestAgreeFolders::reportsAgreementOfTwoFolders()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, out);

    QFETCH(QString, third);
    QFETCH(QByteArrayList, problems);

    QTemporaryDir project;
    QVERIFY(project.isValid());
    writeTwoOperators(project);
    writeThirdImage(project, third);
    const ProgramRun run =
        runProgram(agreeProgram, project.path(), options + QStringList{"a", "b"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, out);
    for (const QByteArray& problem : problems)
        QVERIFY2(run.err.contains(problem), run.err.constData());
    QVERIFY2(run.err.contains("a/img1.lbl: shape 3: not four corners with uncrossed edges; "
                              "left out\n"),
             run.err.constData());
}

void TestAgreeFolders::refusesUnusableInput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("message");

    QTest::newRow("threshold 1") << QStringList{"--iou", "1", "a", "b"} << 0 << QByteArray();
    QTest::newRow("threshold 0") << QStringList{"--iou", "0", "a", "b"} << 0 << QByteArray();
    QTest::newRow("threshold above 1")
        << QStringList{"--iou", "1.01", "a", "b"} << 2
        << QByteArray("--iou needs a number from 0 to 1, not \"1.01\"");
    QTest::newRow("threshold below 0")
        << QStringList{"--iou", "-0.1", "a", "b"} << 2 << QByteArray("--iou needs a number");
    QTest::newRow("threshold no number")
        << QStringList{"--iou", "half", "a", "b"} << 2 << QByteArray("--iou needs a number");
    QTest::newRow("threshold nan")
        << QStringList{"--iou", "nan", "a", "b"} << 2 << QByteArray("--iou needs a number");
    QTest::newRow("one folder") << QStringList{"a"} << 2 << QByteArray("two folders are needed");
    QTest::newRow("missing folder") << QStringList{"a", "c"} << 2 << QByteArray("no folder c");
    QTest::newRow("missing vocabulary") << QStringList{"--vocabulary", "none", "a", "b"} << 2
                                        << QByteArray("cannot read the vocabulary none");
}

void TestAgreeFolders::refusesUnusableInput()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, message);

    QTemporaryDir project;
    QVERIFY(project.isValid());
    writeTwoOperators(project);
    const ProgramRun run = runProgram(agreeProgram, project.path(), arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), run.err.constData());
    QCOMPARE(run.out.isEmpty(), exitCode != 0);
}

// An image left out for its name is said: a silent gap would read as agreement.
void TestAgreeFolders::saysWhichImageNamesAreNotText()
{
    QTemporaryDir project;
    QVERIFY(project.isValid());
    writeTwoOperators(project);
    for (const char* side : {"/a/latin\xe9", "/b/latin\xe9"}) {
        for (const char* suffix : {".jpg", ".lbl"}) {
            const QByteArray path = QFile::encodeName(project.path()) + side + suffix;
            std::FILE* file = std::fopen(path.constData(), "w");
            QVERIFY(file);
            std::fclose(file);
        }
    }
    // Nor a folder's: opened by its text it would be another folder.
    QVERIFY(::mkdir((QFile::encodeName(project.path()) + "/a/sub\xe9").constData(), 0700) == 0);
    const ProgramRun run = runProgram(agreeProgram, project.path(), {"a", "b"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.contains("a/latin\\xe9.jpg: name can't be read as UTF-8; image left out\n"),
             run.err.constData());
    QVERIFY2(run.err.contains("a/sub\\xe9: folder name is not text; what it holds is left out\n"),
             run.err.constData());
}

QTEST_APPLESS_MAIN(TestAgreeFolders)
#include "test_agreefolders.moc"
