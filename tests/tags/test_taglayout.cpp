#include "taglayout.h"
#include "tagsearch.h"
#include "vocabularychange.h"

#include <QTest>

#include <iostream>
#include <sstream>

using TagList = std::vector<std::pair<int, int>>;
Q_DECLARE_METATYPE(TagList)

namespace {

const char workedExample[] = "S1 0 S2 0 S3 0 S4 0 S5 0 S6 0 S7 0\n"
                             "K 7 T1 T2 T3 T4 T5 T6 T7 S8 0\n"
                             "M 10 U1 U2 U3 U4 U5 U6 U7 U8 U9 U10 S9(note) 0\n";

TagLayout layoutOf(const char* vocabulary)
{
    std::istringstream in(vocabulary);
    TagLayout layout;
    layout.read(in);
    return layout;
}

// A cell as a short code: a single tag is its text, a header "#" and its text with
// "*rows" when it spans, a category tag "+" and its text, a filler ".".
QString cellCode(const TagLayout& layout, int row, int column)
{
    const QString text = layout.textAt(row, column);
    switch (layout.kindAt(row, column)) {
    case TagLayout::Kind::SingleTag:
        return text;
    case TagLayout::Kind::CategoryHeader:
        return QStringLiteral("#%1*%2").arg(text).arg(layout.rowSpanAt(row, column));
    case TagLayout::Kind::CategoryTag:
        return QStringLiteral("+") + text;
    case TagLayout::Kind::Filler:
        break;
    }
    return QStringLiteral(".");
}

QStringList gridCodes(const TagLayout& layout)
{
    QStringList rows;
    for (int row = 0; row < layout.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < layout.columnCount(); ++column)
            cells << cellCode(layout, row, column);
        rows << cells.join(QLatin1Char(' '));
    }
    return rows;
}

} // namespace

class TestTagLayout : public QObject
{
    Q_OBJECT

private slots:
    void laysOutVocabulary_data();
    void laysOutVocabulary();
    void describesTagsQuietly_data();
    void describesTagsQuietly();
    void readingAgainStartsAfresh();
    void findsTagsByCaption_data();
    void findsTagsByCaption();
    void listsCellsThatChangedMeaning_data();
    void listsCellsThatChangedMeaning();
    void refusesMalformedIndex_data();
    void refusesMalformedIndex();
    void describesOneCell_data();
    void describesOneCell();
};

void TestTagLayout::laysOutVocabulary_data()
{
    QTest::addColumn<QByteArray>("vocabulary");
    QTest::addColumn<QStringList>("grid");
    QTest::addColumn<QList<int>>("categoryRows");

    QTest::newRow("worked example")
        << QByteArray(workedExample)
        << QStringList{"S1 S2 S3 S4 S5 S6",        "S7 . . . . .",
                       "#K*2 +T1 +T2 +T3 +T4 +T5", ". +T6 +T7 S8 . .",
                       "#M*2 +U1 +U2 +U3 +U4 +U5", ". +U6 +U7 +U8 +U9 +U10",
                       "S9(note) . . . . ."}
        << QList<int>{0, 1, 2, 2, 4, 4, 6};
    QTest::newRow("empty") << QByteArray() << QStringList{". . . . . ."} << QList<int>{0};
    QTest::newRow("negative count, then single tags")
        << QByteArray("H -3 A 0 B 0") << QStringList{". . . . . .", "#H*1 A B . . ."}
        << QList<int>{0, 1};
    QTest::newRow("stream ends inside a category")
        << QByteArray("C 4 X Y") << QStringList{". . . . . .", "#C*1 +X +Y . . ."}
        << QList<int>{0, 1};
    QTest::newRow("count that is no number stops reading")
        << QByteArray("A 0 B 2x C 0") << QStringList{"A . . . . ."} << QList<int>{0};
}

void TestTagLayout::laysOutVocabulary()
{
    QFETCH(QByteArray, vocabulary);
    QFETCH(QStringList, grid);
    QFETCH(QList<int>, categoryRows);

    const TagLayout layout = layoutOf(vocabulary.constData());
    QCOMPARE(gridCodes(layout), grid);
    const std::vector<int>& rows = layout.rowCategories();
    QCOMPARE(QList<int>(rows.begin(), rows.end()), categoryRows);
}

void TestTagLayout::describesTagsQuietly_data()
{
    QTest::addColumn<TagList>("tags");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("described");

    QTest::newRow("single, two categories") << TagList{{0, 1}, {2, 2}, {3, 1}, {4, 3}}
                                            << QStringLiteral("S2\nK: T2, T6\nM: U3\n") << true;
    QTest::newRow("note left out") << TagList{{6, 0}} << QStringLiteral("S9\n") << true;
    QTest::newRow("header stops the caption")
        << TagList{{0, 0}, {2, 0}, {0, 1}} << QStringLiteral("S1\n") << false;
    QTest::newRow("outside the grid") << TagList{{99, 0}} << QString() << false;
    QTest::newRow("negative column") << TagList{{0, -1}} << QString() << false;
}

void TestTagLayout::describesTagsQuietly()
{
    QFETCH(TagList, tags);
    QFETCH(QString, caption);
    QFETCH(bool, described);

    const TagLayout layout = layoutOf(workedExample);
    std::ostringstream captured;
    std::streambuf* previous = std::cerr.rdbuf(captured.rdbuf());
    QString text = QStringLiteral("stale");
    const bool result = layout.describeTags(tags, text);
    std::cerr.rdbuf(previous);

    QCOMPARE(result, described);
    QCOMPARE(text, caption);
    QCOMPARE(QString::fromStdString(captured.str()), QString());
}

void TestTagLayout::readingAgainStartsAfresh()
{
    TagLayout layout = layoutOf(workedExample);
    std::istringstream second("Z 0");
    layout.read(second);
    QCOMPARE(gridCodes(layout), QStringList{"Z . . . . ."});
}

void TestTagLayout::findsTagsByCaption_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<TagList>("found");
    QTest::addColumn<QByteArray>("vocabulary");

    QTest::newRow("nothing typed") << QString() << TagList{} << QByteArray();
    QTest::newRow("no such tag") << QStringLiteral("zz") << TagList{} << QByteArray();
    QTest::newRow("case ignored") << QStringLiteral("s2") << TagList{{0, 1}} << QByteArray();
    QTest::newRow("part of a name, row-major")
        << QStringLiteral("u1") << TagList{{4, 1}, {5, 5}} << QByteArray();
    QTest::newRow("category caption")
        << QStringLiteral("k: t") << TagList{{2, 1}, {2, 2}, {2, 3}, {2, 4}, {2, 5}, {3, 1}, {3, 2}}
        << QByteArray();
    QTest::newRow("category and tag")
        << QStringLiteral("M: U10") << TagList{{5, 5}} << QByteArray();
    QTest::newRow("note") << QStringLiteral("NOTE") << TagList{{6, 0}} << QByteArray();
    QTest::newRow("name with its note")
        << QStringLiteral("s9(n") << TagList{{6, 0}} << QByteArray();
    const QByteArray notes = "Colour(frame) 2 Grey Beige(warm)";
    QTest::newRow("category's note") << QStringLiteral("FRAME") << TagList{{1, 1}, {1, 2}} << notes;
    QTest::newRow("category tag's note") << QStringLiteral("warm") << TagList{{1, 2}} << notes;
    QTest::newRow("caption, not across caption and name")
        << QStringLiteral("grey colour") << TagList{} << notes;
}

void TestTagLayout::findsTagsByCaption()
{
    QFETCH(QString, text);
    QFETCH(TagList, found);
    QFETCH(QByteArray, vocabulary);

    const TagLayout layout =
        layoutOf(vocabulary.isEmpty() ? workedExample : vocabulary.constData());
    QCOMPARE(TagSearch(layout).matchesOf(text), found);
}

void TestTagLayout::listsCellsThatChangedMeaning_data()
{
    QTest::addColumn<QByteArray>("newVocabulary");
    QTest::addColumn<QStringList>("lines");

    // The old vocabulary of every row: Sofa 0, Material 5 Wood .. Glass, Colour 2 Grey Beige.
    QTest::newRow("same") << QByteArray("Sofa 0 Material 5 Wood Fabric Leather Marble Glass "
                                        "Colour 2 Grey Beige")
                          << QStringList();
    QTest::newRow("new cells alone") << QByteArray("Sofa 0 Lamp 0 Material 5 Wood Fabric "
                                                   "Leather Marble Glass Colour 3 Grey Beige Red")
                                     << QStringList();
    QTest::newRow("tag added moves the next category")
        << QByteArray("Sofa 0 Material 6 Wood Fabric Leather Marble Glass Rattan "
                      "Colour 2 Grey Beige")
        << QStringList{"Colour: Grey: (2, 1) -> (3, 1)", "Colour: Beige: (2, 2) -> (3, 2)"};
    QTest::newRow("removed and renamed")
        << QByteArray("Sofa 0 Material 5 Wood Fabric Leather Marble Glass Colour 1 Gray")
        << QStringList{"Colour: Grey: (2, 1) -> gone", "Colour: Beige: (2, 2) -> gone"};
    QTest::newRow("two tags swapped")
        << QByteArray("Sofa 0 Material 5 Fabric Wood Leather Marble Glass Colour 2 Grey Beige")
        << QStringList{"Material: Wood: (1, 1) -> (1, 2)", "Material: Fabric: (1, 2) -> (1, 1)"};
}

void TestTagLayout::listsCellsThatChangedMeaning()
{
    QFETCH(QByteArray, newVocabulary);
    QFETCH(QStringList, lines);

    const TagIndex before = TagIndex::ofLayout(
        layoutOf("Sofa 0\nMaterial 5 Wood Fabric Leather Marble Glass\nColour 2 Grey Beige\n"));
    const TagIndex after = TagIndex::ofLayout(layoutOf(newVocabulary.constData()));
    const VocabularyChange change(before, after);
    QCOMPARE(change.lines(20), lines);
    QCOMPARE(change.count(), lines.size());
    QCOMPARE(change.lines(1).size(), std::min<qsizetype>(1, lines.size()));
}

void TestTagLayout::refusesMalformedIndex_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QByteArray>("entries");

    const QByteArray twoLines = "0,0,A\n1,0,B\n";
    QTest::newRow("empty") << QByteArray() << true << QByteArray();
    QTest::newRow("comma in caption, CR LF")
        << QByteArray("0,0,A,B\r\n1,1,K: T\r\n") << true << QByteArray("0,0,A,B\n1,1,K: T\n");
    QTest::newRow("no caption field") << QByteArray("0,0\n") << false << QByteArray();
    QTest::newRow("row not a number") << QByteArray("x,0,A\n") << false << QByteArray();
    // What an editor adds to a file saved by hand.
    QTest::newRow("empty line") << QByteArray("0,0,A\n\n1,0,B\n") << true << twoLines;
    QTest::newRow("blank lines, CR LF, at both ends")
        << QByteArray("\r\n0,0,A\r\n \t\r\n1,0,B\r\n\r\n") << true << twoLines;
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF" + twoLines) << true << twoLines;
    QTest::newRow("byte-order mark inside") << QByteArray("0,0,A\n\xEF\xBB\xBF"
                                                          "1,0,B\n")
                                            << false << QByteArray();
}

void TestTagLayout::refusesMalformedIndex()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, readable);
    QFETCH(QByteArray, entries);

    TagIndex index;
    QCOMPARE(index.parse(bytes), readable);
    if (readable)
        QCOMPARE(index.toBytes(), entries);
}

void TestTagLayout::describesOneCell_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("name");
    QTest::newRow("single tag") << 0 << 0 << "Lamp"
                                << "Lamp(floor)";
    QTest::newRow("category tag") << 1 << 1 << "Colour: Grey"
                                  << "Colour(frame): Grey(warm)";
    QTest::newRow("category tag without note") << 1 << 2 << "Colour: Beige"
                                               << "Colour(frame): Beige";
    QTest::newRow("header") << 1 << 0 << ""
                            << "";
    QTest::newRow("filler") << 0 << 1 << ""
                            << "";
    QTest::newRow("outside the grid") << 9 << 0 << ""
                                      << "";
}

// The caption every user of one cell's caption shows, and the name that tells apart tags
// whose captions are alike.
void TestTagLayout::describesOneCell()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, caption);
    QFETCH(QString, name);
    const TagLayout layout = layoutOf("Lamp(floor) 0 Colour(frame) 2 Grey(warm) Beige");
    QCOMPARE(layout.cellCaption(row, column), caption);
    QCOMPARE(layout.cellName(row, column), name);
}

QTEST_APPLESS_MAIN(TestTagLayout)
#include "test_taglayout.moc"
