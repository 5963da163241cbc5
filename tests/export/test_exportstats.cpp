#include "exporttest.h"
#include "workflowfixture.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

// What --stats counts: images, shapes, tags and styles as JSON or a table, reviews, and
// saves per operator.
class TestExportStats : public ExportTest
{
    Q_OBJECT

private slots:
    void initTestCase();

    void countsAsJson();
    void countsAsTable();
    void countsReviews_data();
    void countsReviews();
    void countsSavesPerOperator_data();
    void countsSavesPerOperator();

private:
    void buildCountedDataset();
};

void TestExportStats::initTestCase()
{
    makeRoot();
    buildCountedDataset();
    buildReviewedDataset();
}

void TestExportStats::buildCountedDataset()
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

void TestExportStats::countsAsJson()
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

void TestExportStats::countsAsTable()
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

void TestExportStats::countsReviews_data()
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

void TestExportStats::countsReviews()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, counts);

    const ProgramRun run =
        runExporter(root.path(), QStringList{"--stats"} + options + QStringList{"reviewed"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains(counts), run.out.constData());
}

void TestExportStats::countsSavesPerOperator_data()
{
    QTest::addColumn<bool>("asJson");
    QTest::newRow("json") << true;
    QTest::newRow("table") << false;
}

// Two hosts of one operator count together; sorted by name, whatever the order on disk. Lines
// of older versions count as saves, without time; the rate is of the timed images.
void TestExportStats::countsSavesPerOperator()
{
    QFETCH(bool, asJson);
    const QString logs = path("counted/.quadrotag/log/");
    const auto removeLogs =
        qScopeGuard([&] { QDir(path("counted/.quadrotag")).removeRecursively(); });
    QVERIFY(QDir().mkpath(logs));
    QVERIFY(writeFileBytes(logs + "zed@pc1.log", "2026-12-07T10:00:00Z\tone.jpg\t2\t1800\n"));
    QVERIFY(writeFileBytes(logs + "ann@pc1.log", "2026-12-07T10:00:00Z\tone.jpg\t2\n"
                                                 "2026-12-07T10:05:00Z\ttwo.jpg\t1\t1080\n"));
    QVERIFY(writeFileBytes(logs + "ann@pc2.log", "2026-12-07T11:00:00Z\tone.jpg\t3\n"));
    QStringList arguments{"--stats", "counted"};
    if (asJson)
        arguments.insert(1, "--json");
    const ProgramRun run = runExporter(root.path(), arguments);
    if (asJson) {
        const QJsonObject stats = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(stats.value("operators"),
                 json(R"([{"operator": "ann", "saves": 3, "images": 2, "seconds": 1080,
                           "images_per_hour": 3.3},
                          {"operator": "zed", "saves": 1, "images": 1, "seconds": 1800,
                           "images_per_hour": 2.0}])"));
        QCOMPARE(stats.value("images").toObject().value("total"), json("6"));
    } else {
        QVERIFY2(run.out.endsWith("Modern Brief          1\n"
                                  "\n"
                                  "Operator   Saves  Images     Hours  Images/h\n"
                                  "ann            3       2       0.3       3.3\n"
                                  "zed            1       1       0.5       2.0\n"),
                 run.out.constData());
    }
}

QTEST_GUILESS_MAIN(TestExportStats)
#include "test_exportstats.moc"
