#include "cocosegmentation.h"
#include "importtest.h"

#include "imageannotation.h"
#include "labelfile.h"
#include "workflowfixture.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cmath>
#include <functional>

namespace {
// A rectangle of 36 x 16 pixels about (32, 24), turned by 20 degrees, on the 64 x 48 room2.jpg;
// its corners in click order.
const std::vector<QPointF> turnedRectangle{
    {17.82, 10.33}, {51.65, 22.64}, {46.18, 37.67}, {12.35, 25.36}};

bool insideTurnedRectangle(double x, double y)
{
    const double angle = qDegreesToRadians(20.0);
    const double dx = x - 32;
    const double dy = y - 24;
    const double along = dx * std::cos(angle) + dy * std::sin(angle);
    const double across = -dx * std::sin(angle) + dy * std::cos(angle);
    return std::abs(along) <= 18 && std::abs(across) <= 8;
}

// The runs of a mask down its columns, as COCO counts them, from pixel centres; a mask of
// another size than 64 x 48 shows the same shape stretched over it.
std::vector<quint64> maskRuns(const std::function<bool(double, double)>& inside,
                              const QSize& size = QSize(64, 48))
{
    std::vector<quint64> runs{0};
    bool current = false;
    const double across = 64.0 / size.width();
    const double down = 48.0 / size.height();
    for (int x = 0; x < size.width(); ++x)
        for (int y = 0; y < size.height(); ++y) {
            if (inside((x + 0.5) * across, (y + 0.5) * down) != current) {
                current = !current;
                runs.push_back(0);
            }
            ++runs.back();
        }
    return runs;
}

QByteArray uncompressedRle(const std::vector<quint64>& runs, const QSize& size = QSize(64, 48))
{
    QByteArray text = R"({"size": [)" + QByteArray::number(size.height()) + ", " +
                      QByteArray::number(size.width()) + R"(], "counts": [)";
    for (std::size_t i = 0; i < runs.size(); ++i)
        text += (i ? ", " : "") + QByteArray::number(runs[i]);
    return text + "]}";
}

// COCO's compressed form, written out as its format describes it.
QByteArray compressedRle(const std::vector<quint64>& runs)
{
    QByteArray text;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        qint64 value = qint64(runs[i]) - (i > 2 ? qint64(runs[i - 2]) : 0);
        bool more = true;
        while (more) {
            int group = int(value & 0x1f);
            value >>= 5;
            more = (group & 0x10) ? value != -1 : value != 0;
            if (more)
                group |= 0x20;
            text += char(group + '0');
        }
    }
    return R"({"size": [48, 64], "counts": ")" + text + R"("})";
}

QByteArray polygonAround(int pointsPerSide)
{
    QByteArray numbers;
    for (std::size_t side = 0; side < 4; ++side)
        for (int i = 0; i < pointsPerSide; ++i) {
            const QPointF from = turnedRectangle[side];
            const QPointF to = turnedRectangle[(side + 1) % 4];
            const QPointF point = from + (to - from) * (double(i) / pointsPerSide);
            numbers += (numbers.isEmpty() ? "" : ", ") + QByteArray::number(point.x(), 'f', 2) +
                       ", " + QByteArray::number(point.y(), 'f', 2);
        }
    return "[[" + numbers + "]]";
}
} // namespace

// A model's outlines and masks: COCO's compressed run-length counts, and segmentations of
// many points or masks fitted with the quadrilateral they show.
class TestImportSegmentation : public ImportTest
{
    Q_OBJECT

private slots:
    void initTestCase();

    void decodesCompressedRleCounts_data();
    void decodesCompressedRleCounts();
    void fitsSegmentationsOfManyPoints_data();
    void fitsSegmentationsOfManyPoints();
};

void TestImportSegmentation::initTestCase()
{
    makeRoot();
    buildDataset();
}

void TestImportSegmentation::decodesCompressedRleCounts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<std::vector<quint64>>("counts");
    QTest::newRow("three plain runs") << QByteArray("532") << true << std::vector<quint64>{5, 3, 2};
    // From the fourth run on each is a difference to the run two before.
    QTest::newRow("fourth run grows")
        << QByteArray("5324") << true << std::vector<quint64>{5, 3, 2, 7};
    QTest::newRow("fourth run shrinks")
        << QByteArray("532N") << true << std::vector<quint64>{5, 3, 2, 1};
    QTest::newRow("third run is not a difference")
        << QByteArray("53N") << false << std::vector<quint64>{};
    QTest::newRow("two groups") << QByteArray("T3") << true << std::vector<quint64>{100};
    QTest::newRow("sixteen needs a second group")
        << QByteArray("`0") << true << std::vector<quint64>{16};
    QTest::newRow("empty") << QByteArray("") << true << std::vector<quint64>{};
    QTest::newRow("last group wants more") << QByteArray("T") << false << std::vector<quint64>{};
    QTest::newRow("character beyond the alphabet")
        << QByteArray("5~") << false << std::vector<quint64>{};
    QTest::newRow("character below the alphabet")
        << QByteArray("5/") << false << std::vector<quint64>{};
    QTest::newRow("a run longer than any mask")
        << QByteArray("ooooooooooo?").repeated(3) << false << std::vector<quint64>{};
    QTest::newRow("endless groups") << QByteArray(40, 'o') + "0" << false << std::vector<quint64>{};
}

void TestImportSegmentation::decodesCompressedRleCounts()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QFETCH(std::vector<quint64>, counts);
    std::vector<quint64> decoded;
    QCOMPARE(decodeCocoCounts(text, decoded), valid);
    if (valid)
        QCOMPARE(decoded, counts);
}

void TestImportSegmentation::fitsSegmentationsOfManyPoints_data()
{
    QTest::addColumn<QByteArray>("segmentation");
    // Empty when the rectangle is expected, else the start of the problem line.
    QTest::addColumn<QByteArray>("problem");
    const std::vector<quint64> rectangle = maskRuns(insideTurnedRectangle);
    const std::vector<quint64> disc =
        maskRuns([](double x, double y) { return std::hypot(x - 32, y - 24) <= 16; });
    QTest::newRow("polygon of 32 points") << polygonAround(8) << QByteArray();
    QTest::newRow("polygon of 5 points")
        << polygonAround(1).replace("]]", ", 30, 9.5]]") << QByteArray();
    const auto middle = [](std::size_t from, std::size_t to) {
        const QPointF point = (turnedRectangle[from] + turnedRectangle[to]) / 2;
        return QByteArray::number(point.x(), 'f', 2) + ", " + QByteArray::number(point.y(), 'f', 2);
    };
    const auto corner = [](std::size_t i) {
        return QByteArray::number(turnedRectangle[i].x(), 'f', 2) + ", " +
               QByteArray::number(turnedRectangle[i].y(), 'f', 2);
    };
    // An outline cut in two, as a model gives an object behind a chair leg.
    QTest::newRow("polygon in two parts")
        << "[[" + corner(0) + ", " + middle(0, 1) + ", " + middle(2, 3) + ", " + corner(3) +
               "], [" + middle(0, 1) + ", " + corner(1) + ", " + corner(2) + ", " + middle(2, 3) +
               "]]"
        << QByteArray();
    QTest::newRow("RLE mask, counts listed") << uncompressedRle(rectangle) << QByteArray();
    QTest::newRow("RLE mask, counts compressed") << compressedRle(rectangle) << QByteArray();
    QTest::newRow("a disc is no quadrilateral")
        << compressedRle(disc) << QByteArray("the best quadrilateral covers ");
    std::vector<quint64> short_ = rectangle;
    short_.back() -= 1;
    QTest::newRow("runs short of the mask")
        << uncompressedRle(short_) << QByteArray("RLE counts that do not cover the 64x48 mask");
    std::vector<quint64> long_ = rectangle;
    long_.back() += 1;
    QTest::newRow("runs beyond the mask")
        << uncompressedRle(long_) << QByteArray("RLE counts that do not cover the 64x48 mask");
    QTest::newRow("mask too large") << QByteArray(R"({"size": [100000, 100000], "counts": "0"})")
                                    << QByteArray("an RLE mask of 100000x100000 pixels on "
                                                  "the 64x48 image");
    // A mask made for another picture would put its shape elsewhere on this one.
    QTest::newRow("mask of half the image's size")
        << uncompressedRle(maskRuns(insideTurnedRectangle, QSize(32, 24)), QSize(32, 24))
        << QByteArray("an RLE mask of 32x24 pixels on the 64x48 image");
    QTest::newRow("mask of another size, refused before its runs are read")
        << QByteArray(R"({"size": [24, 32], "counts": "0"})")
        << QByteArray("an RLE mask of 32x24 pixels on the 64x48 image");
    QTest::newRow("mask of twice the image's size")
        << uncompressedRle(maskRuns(insideTurnedRectangle, QSize(128, 96)), QSize(128, 96))
        << QByteArray("an RLE mask of 128x96 pixels on the 64x48 image");
    QTest::newRow("mask of the image's width, another height")
        << uncompressedRle(maskRuns(insideTurnedRectangle, QSize(64, 24)), QSize(64, 24))
        << QByteArray("an RLE mask of 64x24 pixels on the 64x48 image");
    QTest::newRow("outline reaching 1e20")
        << QByteArray("[[0, 0, 1e20, 0, 1e20, 1e20, 0, 1e20, 1, 1]]")
        << QByteArray("a segmentation point outside any image");
    QTest::newRow("outline reaching -1e10 across")
        << QByteArray("[[0, 0, -1e10, 0, 10, 10, 0, 10, 1, 1]]")
        << QByteArray("a segmentation point outside any image");
    QTest::newRow("outline reaching 1e10 down")
        << QByteArray("[[0, 0, 10, 0, 10, 1e10, 0, 10, 1, 1]]")
        << QByteArray("a segmentation point outside any image");
    // Within reach of the fitting, but off this image: the corners' own check reports it.
    QTest::newRow("outline far off the image")
        << QByteArray("[[0, 0, 1e9, 0, 1e9, 1e9, 0, 1e9, 1, 1]]")
        << QByteArray("corner (1000000000, 0) outside the 64x48 image");
    // An outline the file spells wrong is no box: the bbox would hide the mistake.
    QTest::newRow("coordinate in quotes")
        << QByteArray(R"([["0", 0, 50, 0, 50, 38, 0, 38]])")
        << QByteArray("a segmentation coordinate that is not a number");
    QTest::newRow("null among the coordinates")
        << QByteArray("[[0, 0, 50, 0, 50, null, 50, 38, 0, 38]]")
        << QByteArray("a segmentation coordinate that is not a number");
    QTest::newRow("outline ending in x")
        << QByteArray(R"([[0, 0, 50, 0, 50, 38, 0, 38, "x"]])")
        << QByteArray("a segmentation coordinate that is not a number");
    QTest::newRow("second part not a number")
        << QByteArray("[[0, 0, 50, 0, 50, 38], [0, 0, true, 0, 50, 38]]")
        << QByteArray("a segmentation coordinate that is not a number");
    QTest::newRow("outline of 7 values") << QByteArray("[[0, 0, 50, 0, 50, 38, 0]]")
                                         << QByteArray("a segmentation outline of an odd count");
    QTest::newRow("outline of 6 values") << QByteArray("[[0, 0, 50, 0, 50, 38]]")
                                         << QByteArray("a segmentation of fewer than four points");
    QTest::newRow("part of 4 values beside a full one")
        << QByteArray("[[0, 0, 50, 0, 50, 38, 0, 38], [0, 0, 9, 9]]")
        << QByteArray("a segmentation part of fewer than three points");
    QTest::newRow("mask of negative height")
        << QByteArray(R"({"size": [-48, 64], "counts": "0"})")
        << QByteArray("an RLE mask with a size that is not valid\n");
    QTest::newRow("mask of no width") << QByteArray(R"({"size": [48, 0], "counts": "0"})")
                                      << QByteArray("an RLE mask with a size that is not valid\n");
    QTest::newRow("mask without size") << QByteArray(R"({"counts": "0"})")
                                       << QByteArray("a segmentation mask that is not COCO RLE");
}

// A model's outlines and masks become the quadrilateral they show, as long as it covers
// four fifths of them; the rest are reported and left out, the other annotations imported,
// and no scratch folder stays behind either way.
void TestImportSegmentation::fitsSegmentationsOfManyPoints()
{
    QFETCH(QByteArray, segmentation);
    QFETCH(QByteArray, problem);
    QVERIFY(QDir(path("fit")).removeRecursively());
    QVERIFY(QDir().mkpath(path("fit")));
    QVERIFY(QDir(path("scratch")).removeRecursively());
    QVERIFY(QDir().mkpath(path("scratch")));
    QVERIFY(writeFileBytes(path("fit/instances.json"),
                           R"({"images": [{"id": 1, "file_name": "sub/room2.jpg"}],
      "categories": [{"id": 1, "name": "S1"}, {"id": 2, "name": "S2"}],
      "annotations": [{"id": 1, "image_id": 1, "category_id": 2, "bbox": [1, 1, 9, 9],
                       "segmentation": )" +
                               segmentation + R"(},
                      {"id": 2, "image_id": 1, "category_id": 1, "bbox": [40, 30, 8, 6]}]})"));
    const QByteArray temporary = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(path("scratch")));
    const ProgramRun run = import({"--format", "coco", "fit", "ds"});
    qputenv("TMPDIR", temporary);
    QCOMPARE(QDir(path("scratch")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList());
    ImageAnnotation proposal;
    QVERIFY(readLabelFile(proposal, path("ds/sub/.proposals/room2.lbl").toStdString()));
    // The other annotation of the image is its proposal's last shape, whatever became of this.
    QCOMPARE(proposal.labels.back().tags, (std::vector<std::pair<int, int>>{{0, 0}}));
    QCOMPARE(proposal.labels.back().points,
             (std::vector<QPoint>{{40, 30}, {48, 30}, {48, 36}, {40, 36}}));
    if (!problem.isEmpty()) {
        QVERIFY2(run.out.startsWith("fit/instances.json: annotation 1: " + problem), run.out);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(proposal.labels.size(), std::size_t(1));
        return;
    }
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(proposal.labels.size(), std::size_t(2));
    const std::vector<QPoint>& corners = proposal.labels[0].points;
    QCOMPARE(corners.size(), std::size_t(4));
    for (std::size_t i = 0; i < 4; ++i)
        QVERIFY2(
            std::abs(corners[i].x() - turnedRectangle[i].x()) <= 1.0 &&
                std::abs(corners[i].y() - turnedRectangle[i].y()) <= 1.0,
            qPrintable(
                QString("corner %1 at %2, %3").arg(i).arg(corners[i].x()).arg(corners[i].y())));
    QCOMPARE(proposal.labels[0].tags, (std::vector<std::pair<int, int>>{{0, 1}}));
}

QTEST_GUILESS_MAIN(TestImportSegmentation)
#include "test_importsegmentation.moc"
