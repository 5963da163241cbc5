#include "exporttest.h"
#include "htmltext.h"
#include "imageannotation.h"
#include "reportfigures.h"
#include "workflowfixture.h"

#include "labelpath.h"
#include "reviewfile.h"
#include "teampaths.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <unistd.h>

// The page and its JSON against the exporter and the agreement tool on the same folders, and
// what a page must never hold.
class TestReport : public ExportTest
{
    Q_OBJECT

private slots:
    void initTestCase();

    void equalsTheToolsFigures_data();
    void equalsTheToolsFigures();
    void holdsNoExternalReference();
    void escapesHostileNames_data();
    void escapesHostileNames();
    void saysWhatIsMissing_data();
    void saysWhatIsMissing();
    void groupsProblemsByKind_data();
    void groupsProblemsByKind();
    void sortsShapesBySize_data();
    void sortsShapesBySize();
    void writesSafeText_data();
    void writesSafeText();
    void refusesUnusableInput_data();
    void refusesUnusableInput();

private:
    static ProgramRun runReport(const QStringList& arguments);
    QByteArray page(const QStringList& arguments, const QString& name);
    void buildSecondOperatorsCopy();
};

namespace {
const std::vector<QPoint> square{{1, 1}, {10, 1}, {10, 10}, {1, 10}};
} // namespace

void TestReport::initTestCase()
{
    makeRoot();
    buildCleanDataset();
    buildReviewedDataset();
    buildSecondOperatorsCopy();
    QVERIFY(QDir().mkpath(path("empty")));
    // One true save and one of a clock set to the year 9999.
    QVERIFY(QDir().mkpath(path("reviewed/.quadrotag/log")));
    QVERIFY(writeFileBytes(path("reviewed/.quadrotag/log/ann@pc1.log"),
                           "2026-12-07T10:00:00Z\taccepted.jpg\t1\t60\n"
                           "9999-12-31T10:00:00Z\trejected.jpg\t1\t60\n"));
    // More operators than the charts have colours.
    for (const char* name : {"bo", "cy", "di", "ed", "fa", "gu", "hu", "io"})
        QVERIFY(writeFileBytes(path("reviewed/.quadrotag/log/%1@pc1.log").arg(name),
                               "2026-12-07T11:00:00Z\taccepted.jpg\t1\t60\n"));
    // A page name another operator pointed at a file of their choosing.
    QVERIFY(QFile::link("gone", path("planted.html")));
}

// other/ labels clean/'s images again: room1 with a shape moved away and a tag changed.
void TestReport::buildSecondOperatorsCopy()
{
    QVERIFY(QDir().mkpath(path("other/sub")));
    QVERIFY(QFile::copy(path("clean/sub/turned.lbl"), path("other/sub/turned.lbl")));
    QVERIFY(writeLabels(path("other/room1.lbl"), 3,
                        {shape({{10, 4}, {50, 8}, {46, 40}, {6, 36}}, {{0, 1}, {1, 0}}),
                         shape({{0, 0}, {4, 0}, {4, 4}, {0, 4}}, {{0, 0}})}));
}

ProgramRun TestReport::runReport(const QStringList& arguments)
{
    return runProgram(QStringLiteral(QUADROTAG_REPORT_EXECUTABLE), QString(), arguments);
}

QByteArray TestReport::page(const QStringList& arguments, const QString& name)
{
    const QString output = path(name);
    const ProgramRun run =
        runReport(QStringList{"--vocabulary", path("tags"), "--output", output} + arguments);
    QFile file(output);
    if (run.exitCode != 0 || !file.open(QIODevice::ReadOnly))
        qWarning("%s", run.err.constData());
    return file.readAll();
}

void TestReport::equalsTheToolsFigures_data()
{
    QTest::addColumn<QString>("dataset");
    QTest::addColumn<QString>("against");
    QTest::newRow("clean, a turned image and one without labels") << "clean" << QString();
    QTest::newRow("reviews of every state") << "reviewed" << QString();
    QTest::newRow("agreement with a second copy") << "clean"
                                                  << "other";
}

// "stats" is --stats --json, "agreement" quadrotag-agree --json but for the two more worst
// images the page shows; the page's tiles and folder rows add up to the same counts.
void TestReport::equalsTheToolsFigures()
{
    QFETCH(QString, dataset);
    QFETCH(QString, against);
    const QStringList vocabulary{"--vocabulary", path("tags")};
    const QStringList second =
        against.isEmpty() ? QStringList() : QStringList{"--against", path(against)};
    const ProgramRun report = runReport(vocabulary + second + QStringList{"--json", path(dataset)});
    QCOMPARE(report.exitCode, 0);
    const QJsonObject figures = QJsonDocument::fromJson(report.out).object();
    const ProgramRun stats = runExporter(root.path(), {"--stats", "--json", dataset});
    QCOMPARE(figures.value("stats"), QJsonDocument::fromJson(stats.out).object());
    if (!against.isEmpty()) {
        const ProgramRun agree =
            runProgram(QStringLiteral(QUADROTAG_AGREE_EXECUTABLE), root.path(),
                       vocabulary + QStringList{"--json", path(dataset), path(against)});
        QJsonObject agreement = QJsonDocument::fromJson(agree.out).object();
        QJsonObject ours = figures.value("agreement").toObject();
        QCOMPARE(ours.take("worst").toArray().first(), agreement.take("worst").toArray().first());
        QCOMPARE(ours, agreement);
        QVERIFY(agreement.value("shapes").toObject().value("only_a").toInt() > 0);
    } else
        QCOMPARE(figures.value("agreement"), QJsonValue());

    const QJsonObject images = figures.value("stats").toObject().value("images").toObject();
    long long folderImages = 0;
    for (const QJsonValue folder : figures.value("folders").toArray())
        folderImages += folder.toObject().value("images").toInteger();
    QCOMPARE(folderImages, images.value("total").toInteger());
    const QByteArray html = page(second + QStringList{path(dataset)}, dataset + ".html");
    for (const char* name : {"labelled", "proposed"})
        QVERIFY2(html.contains(QStringLiteral("<b>%1</b><span>%2</span>")
                                   .arg(images.value(name).toInteger())
                                   .arg(name)
                                   .toUtf8()),
                 name);
    QVERIFY(html.contains(QStringLiteral("<b>%1</b><span>problems</span>")
                              .arg(figures.value("stats").toObject().value("problems").toInt())
                              .toUtf8()));
}

void TestReport::holdsNoExternalReference()
{
    const QByteArray html = page({"--against", path("other"), path("clean")}, "thumbs.html");
    QVERIFY(html.contains("<img alt=\"\" src=\"data:image/jpeg;base64,"));
    QVERIFY(!html.contains("http"));
    QVERIFY(!html.contains("<script"));
    QVERIFY(!html.contains("url("));
    static const QRegularExpression reference(QStringLiteral("(src|href)=\"(?!data:)"));
    QVERIFY(!QString::fromUtf8(html).contains(reference));
}

void TestReport::escapesHostileNames_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("escaped");
    QTest::newRow("folder name") << "dir:a<b>&\"'" << QByteArray("a&lt;b&gt;&amp;&quot;&#39;</td>");
    QTest::newRow("file name") << "a<b>&\"'.lbl"
                               << QByteArray("a&lt;b&gt;&amp;&quot;&#39;.lbl</code>");
    QTest::newRow("tag caption") << "tags:Sofa<b>&\"'"
                                 << QByteArray(">Sofa&lt;b&gt;&amp;&quot;&#39;<");
    QTest::newRow("operator name") << "log:<i>&amp@pc.log" << QByteArray("&lt;i&gt;&amp;amp");
    QTest::newRow("rejecting note") << "note:<script>x</script>" << QByteArray("&lt;script&gt;x");
    QTest::newRow("name not UTF-8") << "bytes:" << QByteArray("latin\\xe9.jpg");
}

void TestReport::escapesHostileNames()
{
    QFETCH(QString, written);
    QFETCH(QByteArray, escaped);
    QTemporaryDir hostile;
    const QString image = hostile.filePath("room.jpg");
    QVERIFY(writeTestJpeg(image, 32, 24, 90));
    QVERIFY(writeLabels(labelPathFor(image), 0, {shape(square, {{0, 0}})}));
    // A Latin-1 name where UTF-8 is expected, made and removed by its bytes.
    const QByteArray latin = QFile::encodeName(hostile.path()) + "/latin\xe9.jpg";
    const auto removeLatin = qScopeGuard([&latin] { ::unlink(latin.constData()); });
    if (written.startsWith("log:")) {
        QVERIFY(QDir().mkpath(hostile.filePath(".quadrotag/log")));
        QVERIFY(writeFileBytes(hostile.filePath(".quadrotag/log/" + written.mid(4)),
                               "2026-12-07T10:00:00Z\troom.jpg\t1\t60\n"));
    } else if (written.startsWith("note:")) {
        Review review;
        review.verdict = Review::Verdict::Rejected;
        review.reviewer = "lead";
        review.at = QDateTime(QDate(2026, 12, 1), QTime(9, 30), Qt::UTC);
        review.labelDigest = fileDigest(labelPathFor(image));
        review.notes.push_back({QPoint(3, 3), written.mid(5)});
        QVERIFY(writeReview(review, reviewPathFor(image)));
    } else if (written == "bytes:")
        QCOMPARE(::link(QFile::encodeName(image).constData(), latin.constData()), 0);
    else if (written.startsWith("dir:")) {
        QVERIFY(QDir().mkpath(hostile.filePath(written.mid(4))));
        QVERIFY(QFile::copy(image, hostile.filePath(written.mid(4) + "/room.jpg")));
    } else if (written.startsWith("tags:"))
        QVERIFY(writeFileBytes(hostile.filePath("tags"), written.mid(5).toUtf8() + " 0\n"));
    else
        QVERIFY(QFile::copy(labelPathFor(image), hostile.filePath(written)));
    const QStringList vocabulary{"--vocabulary", hostile.filePath("tags")};
    const QByteArray html = page((written.startsWith("tags:") ? vocabulary : QStringList()) +
                                     QStringList{hostile.path()},
                                 "hostile.html");
    QVERIFY2(html.contains(escaped), html.right(3000).constData());
    QCOMPARE(QString::fromUtf8(html).toUtf8(), html);
    QVERIFY(!html.contains("<b>&") && !html.contains("<script>") && !html.contains("<i>"));
}

void TestReport::saysWhatIsMissing_data()
{
    QTest::addColumn<QString>("dataset");
    QTest::addColumn<QByteArray>("said");
    QTest::newRow("empty project") << "empty" << QByteArray("No images in this folder yet.");
    QTest::newRow("project without logs") << "clean" << QByteArray("No save logs in this folder");
    QTest::newRow("more operators than colours")
        << "reviewed" << QByteArray("The 8 operators with the most saves are drawn; the other 1");
    QTest::newRow("a save dated beyond today")
        << "reviewed" << QByteArray("start\">2026-12-07<title>");
}

void TestReport::saysWhatIsMissing()
{
    QFETCH(QString, dataset);
    QFETCH(QByteArray, said);
    QVERIFY(page({path(dataset)}, dataset + "-missing.html").contains(said));
}

void TestReport::groupsProblemsByKind_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("kind");
    QTest::newRow("shape and tag numbers")
        << "shape 2: tag (9, 9) names no tag cell of the vocabulary"
        << "tag (…) names no tag cell of the vocabulary";
    QTest::newRow("two file names") << "shares its label file x.lbl with x.jpg; left out"
                                    << "shares its label file";
    QTest::newRow("the reader's reason") << "image header cannot be read: Unsupported image format"
                                         << "image header cannot be read";
}

void TestReport::groupsProblemsByKind()
{
    QFETCH(QString, message);
    QFETCH(QString, kind);
    QCOMPARE(ReportFigures::problemKind(message), kind);
}

void TestReport::sortsShapesBySize_data()
{
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("bin");
    // Of a 100 x 100 image: a bin holds the shares up to its top, that top included.
    QTest::newRow("one per cent") << 10 << 0;
    QTest::newRow("just over one per cent") << 11 << 1;
    QTest::newRow("the whole image") << 100 << 6;
    QTest::newRow("beyond the image") << 150 << 6;
}

void TestReport::sortsShapesBySize()
{
    QFETCH(int, side);
    QFETCH(int, bin);
    ExportImage image;
    image.relativePath = "sub/a.jpg";
    image.size = QSize(100, 100);
    ExportShape covering;
    covering.corners = {QPoint(0, 0), QPoint(side, 0), QPoint(side, side), QPoint(0, side)};
    image.shapes.push_back(covering);
    ReportFigures figures(root.path());
    const ImageAnnotation annotation;
    figures.imageCounted(image, &annotation, ReviewState::Unreviewed, false);
    figures.imageCounted(image, nullptr, ReviewState::Unlabelled, true);
    std::array<long long, ReportFigures::areaBinTops.size()> expected{};
    expected[static_cast<std::size_t>(bin)] = 1;
    QCOMPARE(figures.shapeAreas(), expected);
    const ReportFigures::FolderProgress sub = figures.folders().at("sub");
    QCOMPARE(sub.images, 2);
    QCOMPARE(sub.untouched(), 0);
}

void TestReport::writesSafeText_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("html");
    QTest::newRow("a control character") << QString("a\x01"
                                                    "b\x7f")
                                         << QString("a\\x01b\\x7f");
    QTest::newRow("cut before a character beyond the basic plane")
        << (QString("abcd") + QString::fromUcs4(U"\U0001F600") + "efgh") << QString("abcd…");
    QTest::newRow("thousands") << QString::number(-1234567) << QString("-1\u2009234\u2009567");
}

void TestReport::writesSafeText()
{
    QFETCH(QString, written);
    QFETCH(QString, html);
    const QString shown =
        written.startsWith('-') ? countText(written.toLongLong()) : shortHtmlText(written, 6);
    QCOMPARE(shown, html);
}

void TestReport::refusesUnusableInput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("said");
    QTest::newRow("no folder") << QStringList() << QByteArray("no FOLDER given");
    QTest::newRow("missing folder") << QStringList{"gone"} << QByteArray("no dataset folder gone");
    QTest::newRow("missing second copy")
        << QStringList{"--against", "gone", "clean"} << QByteArray("no folder gone");
    QTest::newRow("missing vocabulary")
        << QStringList{"--vocabulary", "none", "clean"} << QByteArray("none");
    QTest::newRow("page in a missing folder")
        << QStringList{"--output", "gone/report.html", "clean"}
        << QByteArray("cannot write gone/report.html");
    QTest::newRow("page named by a symbolic link")
        << QStringList{"--output", "planted.html", "clean"}
        << QByteArray("cannot write planted.html: not a regular file");
}

void TestReport::refusesUnusableInput()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, said);
    const ProgramRun run =
        runProgram(QStringLiteral(QUADROTAG_REPORT_EXECUTABLE), root.path(), arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(said), run.err.constData());
    QVERIFY(!QFile::exists(path("gone")));
}

QTEST_GUILESS_MAIN(TestReport)
#include "test_report.moc"
