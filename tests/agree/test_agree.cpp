#include "cohenkappa.h"
#include "quadoverlap.h"
#include "shapematching.h"
#include "worstimages.h"

#include <QTest>

#include <cmath>
#include <optional>

namespace {

Quad rect(int left, int top, int right, int bottom)
{
    return Quad{QPoint(left, top), QPoint(right, top), QPoint(right, bottom), QPoint(left, bottom)};
}

// A band of the full width 0..100 between two heights: IoUs are ratios of lengths.
Quad band(int top, int bottom)
{
    return rect(0, top, 100, bottom);
}

QStringList matchTexts(const std::vector<ShapeMatch>& matches)
{
    QStringList texts;
    for (const ShapeMatch& match : matches)
        texts << QStringLiteral("%1-%2 %3").arg(match.a).arg(match.b).arg(match.iou, 0, 'f', 3);
    return texts;
}

ImageAgreement image(const QString& name, int onlyA, int onlyB, double meanIou)
{
    ImageAgreement agreement;
    agreement.image = name;
    agreement.onlyA = onlyA;
    agreement.onlyB = onlyB;
    agreement.meanIou = meanIou;
    return agreement;
}

using Pairs = std::vector<std::pair<int, int>>;
using Weights = std::vector<std::vector<double>>;
using Images = std::vector<ImageAgreement>;

} // namespace

Q_DECLARE_METATYPE(Quad)
Q_DECLARE_METATYPE(Pairs)
Q_DECLARE_METATYPE(Weights)
Q_DECLARE_METATYPE(Images)
Q_DECLARE_METATYPE(std::vector<long long>)
Q_DECLARE_METATYPE(std::vector<Quad>)

class TestAgree : public QObject
{
    Q_OBJECT

private slots:
    void measuresOverlapOfQuadrilaterals_data();
    void measuresOverlapOfQuadrilaterals();
    void assignsForTheLargestSum_data();
    void assignsForTheLargestSum();
    void matchesShapesOptimally_data();
    void matchesShapesOptimally();
    void computesCohenKappa_data();
    void computesCohenKappa();
    void keepsTheWorstImages_data();
    void keepsTheWorstImages();
};

void TestAgree::measuresOverlapOfQuadrilaterals_data()
{
    QTest::addColumn<Quad>("first");
    QTest::addColumn<Quad>("second");
    QTest::addColumn<double>("iou");

    const Quad square = rect(0, 0, 100, 100);
    // The corner (50, 40) points inward: the shape encloses 4500 of its hull's 10000 pixels.
    const Quad arrow{QPoint(0, 0), QPoint(100, 0), QPoint(50, 40), QPoint(0, 100)};
    const Quad diamond{QPoint(50, 0), QPoint(100, 50), QPoint(50, 100), QPoint(0, 50)};
    QTest::newRow("identical") << square << square << 1.0;
    QTest::newRow("corners the other way round")
        << square << Quad{square[3], square[2], square[1], square[0]} << 1.0;
    QTest::newRow("half covered") << square << rect(0, 0, 100, 50) << 0.5;
    QTest::newRow("nested quarter") << rect(0, 0, 50, 50) << square << 0.25;
    QTest::newRow("overlapping by a third") << square << rect(50, 0, 150, 100) << 1.0 / 3;
    QTest::newRow("sharing an edge") << square << rect(100, 0, 200, 100) << 0.0;
    QTest::newRow("apart") << square << rect(300, 300, 400, 400) << 0.0;
    QTest::newRow("diamond inside") << diamond << square << 0.5;
    QTest::newRow("diamond half inside") << diamond << rect(50, 0, 150, 100) << 0.2;
    // The inward corner at each position: the diagonal through it is the one inside.
    for (int turn = 0; turn < 4; ++turn) {
        Quad turned;
        for (int i = 0; i < 4; ++i)
            turned[static_cast<std::size_t>(i)] = arrow[static_cast<std::size_t>((i + turn) % 4)];
        const QByteArray name =
            "arrow-head, inward corner at " + QByteArray::number((2 - turn + 4) % 4);
        QTest::newRow(name.constData()) << turned << square << 0.45;
        QTest::newRow((name + ", against itself").constData()) << turned << arrow << 1.0;
    }
    QTest::newRow("arrow-head against the dent's triangle")
        << arrow << Quad{QPoint(100, 0), QPoint(100, 100), QPoint(0, 100), QPoint(50, 40)} << 0.0;
    // Far from the origin the overlap must depend on the shapes' size only.
    QTest::newRow("side 5 at 490000000") << rect(490000000, 490000000, 490000005, 490000005)
                                         << rect(490000000, 490000000, 490000005, 490000005) << 1.0;
    QTest::newRow("side 1 at 100000000") << rect(100000000, 100000000, 100000001, 100000001)
                                         << rect(100000000, 100000000, 100000001, 100000001) << 1.0;
    QTest::newRow("side 3 at 100000000") << rect(100000000, 100000000, 100000003, 100000003)
                                         << rect(100000000, 100000000, 100000003, 100000003) << 1.0;
    QTest::newRow("side 1 at the limit") << rect(499999999, 499999999, 500000000, 500000000)
                                         << rect(499999999, 499999999, 500000000, 500000000) << 1.0;
    QTest::newRow("side 4 half covered at the limit")
        << rect(499999996, 499999996, 500000000, 500000000)
        << rect(499999996, 499999998, 500000000, 500000000) << 0.5;
    QTest::newRow("diamond inside, far out")
        << Quad{QPoint(400000005, 400000000), QPoint(400000010, 400000005),
                QPoint(400000005, 400000010), QPoint(400000000, 400000005)}
        << rect(400000000, 400000000, 400000010, 400000010) << 0.5;
    QTest::newRow("nothing enclosed")
        << Quad{QPoint(0, 0), QPoint(10, 0), QPoint(20, 0), QPoint(30, 0)}
        << Quad{QPoint(0, 0), QPoint(10, 0), QPoint(20, 0), QPoint(30, 0)} << 0.0;
}

void TestAgree::measuresOverlapOfQuadrilaterals()
{
    QFETCH(Quad, first);
    QFETCH(Quad, second);
    QFETCH(double, iou);

    QVERIFY2(std::abs(quadIoU(first, second) - iou) < 1e-9,
             qPrintable(QString::number(quadIoU(first, second), 'g', 12)));
    QVERIFY2(std::abs(quadIoU(second, first) - iou) < 1e-9,
             qPrintable(QString::number(quadIoU(second, first), 'g', 12)));
}

void TestAgree::assignsForTheLargestSum_data()
{
    QTest::addColumn<Weights>("weights");
    QTest::addColumn<int>("columns");
    QTest::addColumn<Pairs>("pairs");

    // Taking the largest weight first (0.9) would leave row 1 alone: 0.9 against 1.65.
    QTest::newRow("greedy would take the largest first")
        << Weights{{0.9, 0.8}, {0.85, 0}} << 2 << Pairs{{0, 1}, {1, 0}};
    QTest::newRow("three by three, greedy 1.6 against 2.2")
        << Weights{{0.9, 0.8, 0}, {0.8, 0, 0}, {0, 0.7, 0.6}} << 3 << Pairs{{0, 1}, {1, 0}, {2, 2}};
    QTest::newRow("more rows than columns") << Weights{{0.5}, {0.7}, {0.6}} << 1 << Pairs{{1, 0}};
    QTest::newRow("more columns than rows") << Weights{{0.5, 0.7, 0.6}} << 3 << Pairs{{0, 1}};
    QTest::newRow("more rows, greedy would differ")
        << Weights{{0.9, 0.85}, {0.8, 0}, {0, 0}} << 2 << Pairs{{0, 1}, {1, 0}};
    // Row 2 reaches a free column only by moving rows 1 and 0 along, and row 0 then stays alone.
    QTest::newRow("a chain moved along, its first row left alone")
        << Weights{{0.6, 0, 0}, {0.7, 0.6, 0}, {0, 0.7, 0.1}} << 3 << Pairs{{1, 0}, {2, 1}};
    QTest::newRow("nothing worth pairing") << Weights{{0, 0}, {0, 0}} << 2 << Pairs{};
    QTest::newRow("no columns") << Weights{{}, {}} << 0 << Pairs{};
    QTest::newRow("no rows") << Weights{} << 3 << Pairs{};
}

void TestAgree::assignsForTheLargestSum()
{
    QFETCH(Weights, weights);
    QFETCH(int, columns);
    QFETCH(Pairs, pairs);

    QCOMPARE(maximumWeightAssignment(weights, columns), pairs);
}

void TestAgree::matchesShapesOptimally_data()
{
    QTest::addColumn<std::vector<Quad>>("a");
    QTest::addColumn<std::vector<Quad>>("b");
    QTest::addColumn<double>("threshold");
    QTest::addColumn<QStringList>("matches");

    // a0-b0 0.950, a0-b1 0.857, a1-b0 0.800, a1-b1 0.636. The best single pair a0-b0 leaves
    // a1-b1: 1.586 in all, against 1.657 for the crossing pairs.
    const std::vector<Quad> a{band(5, 100), band(0, 80)};
    const std::vector<Quad> b{band(0, 100), band(10, 110)};
    QTest::newRow("crossing pairs beat the best pair")
        << a << b << 0.5 << QStringList{"0-1 0.857", "1-0 0.800"};
    QTest::newRow("crossing pairs, greedy would match one only")
        << a << b << 0.7 << QStringList{"0-1 0.857", "1-0 0.800"};
    QTest::newRow("threshold leaves one pair") << a << b << 0.9 << QStringList{"0-0 0.950"};
    QTest::newRow("second operator first")
        << b << a << 0.5 << QStringList{"0-1 0.800", "1-0 0.857"};
    QTest::newRow("IoU at the threshold")
        << std::vector<Quad>{band(0, 100)} << std::vector<Quad>{band(0, 50)} << 0.5
        << QStringList{"0-0 0.500"};
    QTest::newRow("IoU just below the threshold")
        << std::vector<Quad>{band(0, 100)} << std::vector<Quad>{band(0, 50)} << 0.501
        << QStringList{};
    QTest::newRow("touching shapes, threshold 0")
        << std::vector<Quad>{band(0, 100)} << std::vector<Quad>{band(100, 200)} << 0.0
        << QStringList{};
    QTest::newRow("one side empty") << std::vector<Quad>{} << b << 0.5 << QStringList{};
    // Groups that share no area are matched each on its own, and give the same pairs.
    const std::vector<Quad> farA{band(5, 100), rect(900, 5, 1000, 100), band(0, 80),
                                 rect(900, 0, 1000, 80)};
    const std::vector<Quad> farB{rect(900, 10, 1000, 110), band(0, 100), rect(900, 0, 1000, 100),
                                 band(10, 110)};
    QTest::newRow("two groups apart, crossing pairs in each")
        << farA << farB << 0.5 << QStringList{"0-3 0.857", "1-0 0.857", "2-1 0.800", "3-2 0.800"};
    // Shapes of ten pixels make cells of ten: a shape over many cells meets them all.
    const std::vector<Quad> small{rect(0, 0, 10, 10), rect(500, 500, 510, 510),
                                  rect(600, 600, 610, 610)};
    QTest::newRow("a shape of many cells against small ones")
        << std::vector<Quad>{rect(0, 0, 1000, 990)}
        << std::vector<Quad>{small[1], small[2], rect(0, 0, 1000, 1000)} << 0.5
        << QStringList{"0-2 0.990"};
    QTest::newRow("small shapes against one of many cells")
        << small << std::vector<Quad>{small[1], rect(1, 1, 1001, 1001), small[2]} << 0.0
        << QStringList{"0-1 0.000", "1-0 1.000", "2-2 1.000"};
    QTest::newRow("overlap across cells below zero")
        << std::vector<Quad>{rect(-15, -15, -5, -5)} << std::vector<Quad>{rect(-14, -14, -4, -4)}
        << 0.5 << QStringList{"0-0 0.681"};
}

void TestAgree::matchesShapesOptimally()
{
    QFETCH(std::vector<Quad>, a);
    QFETCH(std::vector<Quad>, b);
    QFETCH(double, threshold);
    QFETCH(QStringList, matches);

    QCOMPARE(matchTexts(matchShapes(a, b, threshold)), matches);
}

void TestAgree::computesCohenKappa_data()
{
    QTest::addColumn<std::vector<long long>>("counts");
    QTest::addColumn<int>("categories");
    QTest::addColumn<bool>("defined");
    QTest::addColumn<double>("kappa");

    // Rows: the first rater, columns: the second. po observed, pe by chance.
    // po 35/50 = 0.7, pe 0.5 * 0.6 + 0.5 * 0.4 = 0.5.
    QTest::newRow("two categories") << std::vector<long long>{20, 5, 10, 15} << 2 << true << 0.4;
    // po 0.6, pe 0.6 * 0.7 + 0.4 * 0.3 = 0.54.
    QTest::newRow("little beyond chance")
        << std::vector<long long>{45, 15, 25, 15} << 2 << true << 0.06 / 0.46;
    QTest::newRow("perfect") << std::vector<long long>{10, 0, 0, 5} << 2 << true << 1.0;
    QTest::newRow("always opposite") << std::vector<long long>{0, 5, 5, 0} << 2 << true << -1.0;
    // po 3/5 and pe 1 * 3/5: one rater constant is no reason for null.
    QTest::newRow("one rater constant") << std::vector<long long>{3, 2, 0, 0} << 2 << true << 0.0;
    QTest::newRow("both say no throughout")
        << std::vector<long long>{7, 0, 0, 0} << 2 << false << 0.0;
    QTest::newRow("both say yes throughout")
        << std::vector<long long>{0, 0, 0, 7} << 2 << false << 0.0;
    QTest::newRow("empty") << std::vector<long long>{0, 0, 0, 0} << 2 << false << 0.0;
    // po 31/40, pe (15*11 + 10*12 + 15*17) / 1600 = 0.3375.
    QTest::newRow("three categories") << std::vector<long long>{10, 2, 3, 1, 8, 1, 0, 2, 13} << 3
                                      << true << (0.775 - 0.3375) / (1 - 0.3375);
}

void TestAgree::computesCohenKappa()
{
    QFETCH(std::vector<long long>, counts);
    QFETCH(int, categories);
    QFETCH(bool, defined);
    QFETCH(double, kappa);

    const std::optional<double> computed = cohenKappa(counts, categories);
    QCOMPARE(computed.has_value(), defined);
    if (defined)
        QVERIFY2(std::abs(*computed - kappa) < 1e-12, qPrintable(QString::number(*computed)));
}

void TestAgree::keepsTheWorstImages_data()
{
    QTest::addColumn<Images>("added");
    QTest::addColumn<QStringList>("worst");

    QTest::newRow("most unmatched first")
        << Images{image("a", 1, 0, 0.9), image("b", 2, 1, 0.9)} << QStringList{"b", "a"};
    QTest::newRow("only A and only B count alike")
        << Images{image("a", 0, 3, 0.9), image("b", 2, 0, 0.1)} << QStringList{"a", "b"};
    QTest::newRow("tie: lower mean IoU first")
        << Images{image("a", 2, 0, 0.9), image("b", 1, 1, 0.6)} << QStringList{"b", "a"};
    QTest::newRow("tie: nothing matched counts as 0")
        << Images{image("a", 2, 0, 0.3), image("b", 2, 0, 0)} << QStringList{"b", "a"};
    QTest::newRow("tie on both: path order")
        << Images{image("b.jpg", 1, 0, 0.5), image("a.jpg", 1, 0, 0.5)}
        << QStringList{"a.jpg", "b.jpg"};

    Images rising;
    Images falling;
    QStringList tenWorst;
    for (int i = 0; i < 12; ++i) {
        rising.push_back(image(QStringLiteral("i%1").arg(i, 2, 10, QLatin1Char('0')), i, 0, 0.5));
        falling.insert(falling.begin(), rising.back());
    }
    for (int i = 11; i >= 2; --i)
        tenWorst << QStringLiteral("i%1").arg(i, 2, 10, QLatin1Char('0'));
    QTest::newRow("ten kept, better ones arriving last") << falling << tenWorst;
    QTest::newRow("ten kept, worse ones arriving last") << rising << tenWorst;
}

void TestAgree::keepsTheWorstImages()
{
    QFETCH(Images, added);
    QFETCH(QStringList, worst);

    WorstImages kept(10);
    for (const ImageAgreement& agreement : added)
        kept.add(agreement);
    QStringList names;
    for (const ImageAgreement& agreement : kept.images())
        names << agreement.image;
    QCOMPARE(names, worst);
}

QTEST_APPLESS_MAIN(TestAgree)
#include "test_agree.moc"
