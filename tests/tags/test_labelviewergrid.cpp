#include "cerrcapture.h"
#include "darkpalette.h"
#include "labelviewertest.h"

#include <QApplication>
#include <QSet>
#include <QTest>

#include <cmath>

namespace {

// One cell as a short code: a single tag is its text, a header "#" and its
// text, a category tag "+" and its text, a filler "."; flags that don't fit
// the kind are flagged in the code so that the grid comparison shows them.
QString cellCode(const QTableWidgetItem* cell)
{
    if (!cell)
        return QStringLiteral("-");
    const QBrush background = cell->background();
    const Qt::ItemFlags all = QTableWidgetItem().flags();
    const Qt::ItemFlags locked = all & ~(Qt::ItemIsEditable | Qt::ItemIsSelectable);
    QString code;
    Qt::ItemFlags expected = all & ~Qt::ItemIsEditable;
    if (background.style() == Qt::NoBrush) {
        code = QStringLiteral(".") + cell->text();
        expected = locked;
    } else if (background.color() == LabelViewer::singleTagColor) {
        code = cell->text();
    } else if (background.color() == LabelViewer::categoryColor) {
        code = QStringLiteral("#") + cell->text();
        expected = locked;
    } else if (background.color() == LabelViewer::categoryTagColor) {
        code = QStringLiteral("+") + cell->text();
    } else {
        return QStringLiteral("?") + cell->text();
    }
    if (cell->flags() != expected)
        code += QStringLiteral("!flags");
    if (cell->type() != QTableWidgetItem::Type)
        code += QStringLiteral("!type");
    return code;
}

QStringList gridCodes(const LabelViewer& table)
{
    QStringList rows;
    for (int row = 0; row < table.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table.columnCount(); ++column)
            cells << cellCode(table.item(row, column));
        rows << cells.join(QLatin1Char(' '));
    }
    return rows;
}

// Spans as "row,column:rows x columns" at their top-left cells; the view
// reports the same span for every cell it covers, so those are skipped.
QStringList spans(const LabelViewer& table)
{
    QStringList found;
    QSet<QPair<int, int>> covered;
    for (int row = 0; row < table.rowCount(); ++row) {
        for (int column = 0; column < table.columnCount(); ++column) {
            const int rows = table.rowSpan(row, column);
            const int columns = table.columnSpan(row, column);
            if ((rows == 1 && columns == 1) || covered.contains({row, column}))
                continue;
            found << QStringLiteral("%1,%2:%3x%4").arg(row).arg(column).arg(rows).arg(columns);
            for (int r = row; r < row + rows; ++r)
                for (int c = column; c < column + columns; ++c)
                    covered.insert({r, c});
        }
    }
    return found;
}

QList<int> categoryRowList(const LabelViewer& table)
{
    return QList<int>(table.categoryRows.begin(), table.categoryRows.end());
}

// The contrast ratio of two colours as the web's accessibility guidelines measure it;
// 4.5 is what they ask of ordinary text.
double relativeLuminance(const QColor& color)
{
    const auto linear = [](double channel) {
        return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) +
           0.0722 * linear(color.blueF());
}

double contrastRatio(const QColor& a, const QColor& b)
{
    const double lighter = std::max(relativeLuminance(a), relativeLuminance(b));
    const double darker = std::min(relativeLuminance(a), relativeLuminance(b));
    return (lighter + 0.05) / (darker + 0.05);
}
} // namespace

// The vocabulary laid out in the table: cells, spans and category rows, the table without a
// vocabulary, and cell text legible in either palette.
class TestLabelViewerGrid : public LabelViewerTest
{
    Q_OBJECT

private slots:
    void loadsVocabularyIntoGrid_data();
    void loadsVocabularyIntoGrid();
    void finishesTableForMultiSelection();
    void missingFileLeavesEmptyTable();
    void cellTextIsLegibleInEitherPalette_data();
    void cellTextIsLegibleInEitherPalette();
};

void TestLabelViewerGrid::loadsVocabularyIntoGrid_data()
{
    QTest::addColumn<QByteArray>("vocabulary");
    QTest::addColumn<QStringList>("grid");
    QTest::addColumn<QStringList>("spans");
    QTest::addColumn<QList<int>>("categoryRows");

    QTest::newRow("worked example")
        << workedExample
        << QStringList{"S1 S2 S3 S4 S5 S6", "S7 . . . . .",           "#K +T1 +T2 +T3 +T4 +T5",
                       ". +T6 +T7 S8 . .",  "#M +U1 +U2 +U3 +U4 +U5", ". +U6 +U7 +U8 +U9 +U10",
                       "S9 . . . . ."}
        << QStringList{"2,0:2x1", "4,0:2x1"} << QList<int>{0, 1, 2, 2, 4, 4, 6};
    QTest::newRow("seven single tags")
        << QByteArray("A 0 B 0 C 0 D 0 E 0 F 0 G 0") << QStringList{"A B C D E F", "G . . . . ."}
        << QStringList{} << QList<int>{0, 1};
    QTest::newRow("leading category")
        << QByteArray("K 3 a b c") << QStringList{". . . . . .", "#K +a +b +c . ."} << QStringList{}
        << QList<int>{0, 1};
    QTest::newRow("exactly five tags")
        << QByteArray("K 5 a b c d e S 0")
        << QStringList{". . . . . .", "#K +a +b +c +d +e", "S . . . . ."} << QStringList{}
        << QList<int>{0, 1, 2};
    QTest::newRow("ten tags then single")
        << QByteArray("K 10 a b c d e f g h i j S 0")
        << QStringList{". . . . . .", "#K +a +b +c +d +e", ". +f +g +h +i +j", "S . . . . ."}
        << QStringList{"1,0:2x1"} << QList<int>{0, 1, 1, 3};
    QTest::newRow("ten tags then category")
        << QByteArray("K 10 a b c d e f g h i j L 1 x")
        << QStringList{". . . . . .", "#K +a +b +c +d +e", ". +f +g +h +i +j", "#L +x . . . ."}
        << QStringList{"1,0:2x1"} << QList<int>{0, 1, 1, 3};
    QTest::newRow("negative count")
        << QByteArray("A 0 K -4 B 0 C 0") << QStringList{"A . . . . .", "#K B C . . ."}
        << QStringList{} << QList<int>{0, 1};
    QTest::newRow("singles fill category's last row")
        << QByteArray("K 3 a b c S1 0 S2 0 S3 0")
        << QStringList{". . . . . .", "#K +a +b +c S1 S2", "S3 . . . . ."} << QStringList{}
        << QList<int>{0, 1, 2};
    QTest::newRow("signed count") << QByteArray("K +2 a b")
                                  << QStringList{". . . . . .", "#K +a +b . . ."} << QStringList{}
                                  << QList<int>{0, 1};
    QTest::newRow("non-numeric count after two entries")
        << QByteArray("A 0 K 2 x y B zz C 0") << QStringList{"A . . . . .", "#K +x +y . . ."}
        << QStringList{} << QList<int>{0, 1};
    QTest::newRow("count with trailing letters")
        << QByteArray("A 0 K 2x y z") << QStringList{"A . . . . ."} << QStringList{}
        << QList<int>{0};
    QTest::newRow("file ends after name")
        << QByteArray("A 0 B 0 C") << QStringList{"A B . . . ."} << QStringList{} << QList<int>{0};
    QTest::newRow("empty file") << QByteArray() << QStringList{". . . . . ."} << QStringList{}
                                << QList<int>{0};
    QTest::newRow("huge count, three tags read")
        << QByteArray("Sofa 2000000000 a b c\n") << QStringList{". . . . . .", "#Sofa +a +b +c . ."}
        << QStringList{} << QList<int>{0, 1};
    QTest::newRow("huge count, seven tags read")
        << QByteArray("A 0 Sofa 2000000000 a b c d e f g")
        << QStringList{"A . . . . .", "#Sofa +a +b +c +d +e", ". +f +g . . ."}
        << QStringList{"1,0:2x1"} << QList<int>{0, 1, 1};
    QTest::newRow("huge count, no tag read")
        << QByteArray("A 0 Sofa 2000000000") << QStringList{"A . . . . .", "#Sofa . . . . ."}
        << QStringList{} << QList<int>{0, 1};
}

void TestLabelViewerGrid::loadsVocabularyIntoGrid()
{
    QFETCH(QByteArray, vocabulary);
    QFETCH(QStringList, grid);
    QFETCH(QStringList, spans);
    QFETCH(QList<int>, categoryRows);

    const std::unique_ptr<LabelViewer> table = loadedTable(vocabulary);
    QVERIFY(table);
    QCOMPARE(table->columnCount(), 6);
    QCOMPARE(gridCodes(*table), grid);
    QCOMPARE(::spans(*table), spans);
    QCOMPARE(categoryRowList(*table), categoryRows);
}

void TestLabelViewerGrid::finishesTableForMultiSelection()
{
    const std::unique_ptr<LabelViewer> table = loadedTable("A 0");
    QVERIFY(table);
    QCOMPARE(table->selectionMode(), QAbstractItemView::MultiSelection);
    QCOMPARE(table->styleSheet(),
             QStringLiteral("QTableWidget::item{ selection-background-color: #AA4444}"));
}

void TestLabelViewerGrid::missingFileLeavesEmptyTable()
{
    writeFile(QStringLiteral("index2tag.csv"), "0,0,old\n");
    LabelViewer table(nullptr);
    bool loaded = true;
    QString errors;
    {
        CerrCapture capture;
        loaded = table.loadTags("tags");
        errors = capture.text();
    }
    QVERIFY(!loaded);
    QCOMPARE(errors, QStringLiteral("Fail opening tags\n"));
    QCOMPARE(table.columnCount(), 6);
    QCOMPARE(gridCodes(table), QStringList{"- - - - - -"});
    QCOMPARE(categoryRowList(table), QList<int>{0});
    QCOMPARE(table.selectionMode(), QAbstractItemView::ExtendedSelection);
    QVERIFY(table.styleSheet().isEmpty());
    QCOMPARE(readFile(QStringLiteral("index2tag.csv")), QByteArray("0,0,old\n"));

    // With no cells there is nothing to describe or select.
    QString caption;
    CerrCapture capture;
    QVERIFY(!table.describeTags({{0, 0}}, caption));
    table.selectTags({{0, 0}});
    TagList collected;
    table.collectSelectedTags(collected);
    QVERIFY(collected.empty());
}

void TestLabelViewerGrid::cellTextIsLegibleInEitherPalette_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QColor>("kind");
    for (const bool dark : {false, true}) {
        const char* palette = dark ? "dark palette" : "light palette";
        QTest::addRow("%s, single tag", palette) << dark << LabelViewer::singleTagColor;
        QTest::addRow("%s, category", palette) << dark << LabelViewer::categoryColor;
        QTest::addRow("%s, category tag", palette) << dark << LabelViewer::categoryTagColor;
    }
}

void TestLabelViewerGrid::cellTextIsLegibleInEitherPalette()
{
    QFETCH(bool, dark);
    QFETCH(QColor, kind);
    const QPalette original = QApplication::palette();
    const std::unique_ptr<LabelViewer> table = loadedTable(workedExample);
    QVERIFY(table);
    table->resize(700, 400);
    table->show();
    QVERIFY(QTest::qWaitForWindowExposed(table.get()));
    if (dark)
        QApplication::setPalette(darkPalette());
    QCoreApplication::processEvents();
    const QImage shown = table->viewport()->grab().toImage();
    const QColor highlightedText = table->palette().color(QPalette::HighlightedText);
    QApplication::setPalette(original);
    QCoreApplication::processEvents();

    const QTableWidgetItem* cell = nullptr;
    for (int row = 0; row < table->rowCount() && !cell; ++row)
        for (int column = 0; column < table->columnCount() && !cell; ++column)
            if (table->item(row, column) && table->item(row, column)->background().color() == kind)
                cell = table->item(row, column);
    QVERIFY(cell);
    // The darkest pixel inside the cell is the core of a letter.
    const QRect inside = table->visualItemRect(cell).adjusted(2, 2, -2, -2);
    QColor letters = kind;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (shown.pixelColor(x, y).lightness() < letters.lightness())
                letters = shown.pixelColor(x, y);
    QVERIFY2(contrastRatio(letters, kind) >= 4.5,
             qPrintable(QString::number(contrastRatio(letters, kind))));
    // Selected cells show the style sheet's dark red.
    QVERIFY(contrastRatio(highlightedText, QColor(0xAA, 0x44, 0x44)) >= 4.5);
}

QTEST_MAIN(TestLabelViewerGrid)
#include "test_labelviewergrid.moc"
