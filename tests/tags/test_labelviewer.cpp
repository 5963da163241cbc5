#include "labelviewer.h"
#include "recenttagstrip.h"
#include "tagfinder.h"
#include "tagindex.h"
#include "tagnames.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <iostream>
#include <memory>
#include <sstream>

using TagList = std::vector<std::pair<int, int>>;
Q_DECLARE_METATYPE(TagList)

namespace {

const char impossibleLine[] = "Impossible Selection!\n";

// The worked example: single tags around a seven-tag and a ten-tag category,
// spread over lines with every kind of white space the reader must accept.
const QByteArray workedExample = "S1 0 S2 0\tS3 0\r\nS4 0\n\nS5 0 S6 0 S7 0\n"
                                 "K 7 T1 T2 T3\vT4 T5 T6 T7\fS8 0\n"
                                 "M\n10\nU1 U2 U3 U4 U5 U6 U7 U8 U9 U10 S9 0\n";

class CerrCapture
{
public:
    CerrCapture() : previous(std::cerr.rdbuf(captured.rdbuf())) {}
    ~CerrCapture() { std::cerr.rdbuf(previous); }
    QString text() const { return QString::fromStdString(captured.str()); }

private:
    std::ostringstream captured;
    std::streambuf* previous;
};

void writeFile(const QString& name, const QByteArray& content)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

QByteArray readFile(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

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

} // namespace

class TestLabelViewer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadsVocabularyIntoGrid_data();
    void loadsVocabularyIntoGrid();
    void finishesTableForMultiSelection();
    void missingFileLeavesEmptyTable();

    void cutsStemAtLastParenthesis_data();
    void cutsStemAtLastParenthesis();
    void describesTags_data();
    void describesTags();

    void exportsIndexOfWorkedExample();
    void exportsIndex_data();
    void exportsIndex();

    void clicksToggleTagCells_data();
    void clicksToggleTagCells();
    void selectsOnlyTagCells_data();
    void selectsOnlyTagCells();

    void finderKeys_data();
    void finderKeys();
    void finderDimsAllButMatches();
    void recentStripKeepsNineNewestFirst();

private:
    std::unique_ptr<LabelViewer> loadedTable(const QByteArray& vocabulary);

    std::unique_ptr<QTemporaryDir> workDir;
    QString previousDir;
};

void TestLabelViewer::init()
{
    // The index file always lands in the working directory.
    workDir = std::make_unique<QTemporaryDir>();
    QVERIFY(workDir->isValid());
    previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(workDir->path()));
}

void TestLabelViewer::cleanup()
{
    QDir::setCurrent(previousDir);
    workDir.reset();
}

std::unique_ptr<LabelViewer> TestLabelViewer::loadedTable(const QByteArray& vocabulary)
{
    writeFile(QStringLiteral("tags"), vocabulary);
    auto table = std::make_unique<LabelViewer>(nullptr);
    CerrCapture silenced;
    const bool loaded = table->loadTags("tags");
    return loaded ? std::move(table) : nullptr;
}

void TestLabelViewer::loadsVocabularyIntoGrid_data()
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

void TestLabelViewer::loadsVocabularyIntoGrid()
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

void TestLabelViewer::finishesTableForMultiSelection()
{
    const std::unique_ptr<LabelViewer> table = loadedTable("A 0");
    QVERIFY(table);
    QCOMPARE(table->selectionMode(), QAbstractItemView::MultiSelection);
    QCOMPARE(table->styleSheet(),
             QStringLiteral("QTableWidget::item{ selection-background-color: #AA4444}"));
}

void TestLabelViewer::missingFileLeavesEmptyTable()
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

void TestLabelViewer::cutsStemAtLastParenthesis_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stem");

    QTest::newRow("no note") << "Sofa"
                             << "Sofa";
    QTest::newRow("one note") << "Sofa(leather)"
                              << "Sofa";
    QTest::newRow("two notes") << "Lamp(floor)(tall)"
                               << "Lamp(floor)";
    QTest::newRow("only a note") << "(misc)"
                                 << "";
}

void TestLabelViewer::cutsStemAtLastParenthesis()
{
    QFETCH(QString, text);
    QFETCH(QString, stem);
    QCOMPARE(LabelViewer::tagStem(text), stem);
}

void TestLabelViewer::describesTags_data()
{
    QTest::addColumn<TagList>("tags");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("possible");

    QTest::newRow("no tags") << TagList{} << "" << true;
    QTest::newRow("worked caption")
        << TagList{{0, 1}, {2, 2}, {3, 1}, {4, 3}} << "S2\nK: T2, T6\nM: U3\n"
        << true;
    QTest::newRow("two tags in one row") << TagList{{2, 1}, {2, 3}} << "K: T1, T3\n" << true;
    QTest::newRow("one category over two rows")
        << TagList{{4, 5}, {5, 1}, {5, 5}} << "M: U5, U6, U10\n"
        << true;
    QTest::newRow("single then two categories")
        << TagList{{0, 0}, {2, 1}, {4, 1}} << "S1\nK: T1\nM: U1\n"
        << true;
    QTest::newRow("single in category's last row runs on") << TagList{{3, 2}, {3, 3}} << "K: T7S8\n"
                                                           << true;
    QTest::newRow("header after a tag") << TagList{{0, 1}, {2, 0}, {2, 1}} << "S2\n" << false;
    QTest::newRow("filler") << TagList{{1, 1}} << "" << false;
    QTest::newRow("cell under a span") << TagList{{3, 0}} << "" << false;
    QTest::newRow("row past the table") << TagList{{0, 1}, {7, 0}} << "S2\n" << false;
    QTest::newRow("column past the table") << TagList{{0, 6}} << "" << false;
    QTest::newRow("category tag before an outside pair")
        << TagList{{2, 1}, {2000000, 1}} << "K: T1\n"
        << false;
}

void TestLabelViewer::describesTags()
{
    QFETCH(TagList, tags);
    QFETCH(QString, caption);
    QFETCH(bool, possible);

    const std::unique_ptr<LabelViewer> table = loadedTable(workedExample);
    QVERIFY(table);
    QString text = QStringLiteral("stale");
    bool described = false;
    QString errors;
    {
        CerrCapture capture;
        described = table->describeTags(tags, text);
        errors = capture.text();
    }
    QCOMPARE(described, possible);
    QCOMPARE(text, caption);
    QCOMPARE(errors, possible ? QString() : QString::fromLatin1(impossibleLine));
}

void TestLabelViewer::exportsIndexOfWorkedExample()
{
    writeFile(QStringLiteral("tags"), workedExample);
    LabelViewer table(nullptr);
    QString errors;
    {
        CerrCapture capture;
        QVERIFY(table.loadTags("tags"));
        errors = capture.text();
    }
    const QByteArray index = "0,0,S1\n0,1,S2\n0,2,S3\n0,3,S4\n0,4,S5\n0,5,S6\n"
                             "1,0,S7\n"
                             "2,1,K: T1\n2,2,K: T2\n2,3,K: T3\n2,4,K: T4\n2,5,K: T5\n"
                             "3,1,K: T6\n3,2,K: T7\n3,3,S8\n"
                             "4,1,M: U1\n4,2,M: U2\n4,3,M: U3\n4,4,M: U4\n4,5,M: U5\n"
                             "5,1,M: U6\n5,2,M: U7\n5,3,M: U8\n5,4,M: U9\n5,5,M: U10\n"
                             "6,0,S9\n";
    QCOMPARE(readFile(QStringLiteral("index2tag.csv")), index);
    QCOMPARE(index.count('\n'), 26);
    // Two headers and fourteen fillers name no tag.
    QCOMPARE(errors, QString::fromLatin1(impossibleLine).repeated(16));
}

void TestLabelViewer::exportsIndex_data()
{
    QTest::addColumn<QByteArray>("vocabulary");
    QTest::addColumn<QByteArray>("index");
    QTest::addColumn<QByteArray>("names");

    QTest::newRow("empty vocabulary") << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("notes left out")
        << QByteArray("Lamp(floor)(tall) 0 Sofa(big) 2 Arm(left) Back")
        << QByteArray("0,0,Lamp(floor)\n1,1,Sofa: Arm\n1,2,Sofa: Back\n")
        << QByteArray("0,0,Lamp(floor)(tall)\n1,1,Sofa(big): Arm(left)\n1,2,Sofa(big): Back\n");
    QTest::newRow("non-Latin text kept")
        << QByteArray("Стол(дуб) 0 Диван 1 угловой") << QByteArray("0,0,Стол\n1,1,Диван: угловой\n")
        << QByteArray("0,0,Стол(дуб)\n1,1,Диван: угловой\n");
    QTest::newRow("overwrites an older index")
        << QByteArray("A 0") << QByteArray("0,0,A\n") << QByteArray("0,0,A\n");
}

void TestLabelViewer::exportsIndex()
{
    QFETCH(QByteArray, vocabulary);
    QFETCH(QByteArray, index);
    QFETCH(QByteArray, names);

    writeFile(QStringLiteral("index2tag.csv"), "9,9,left from an earlier run\n");
    QVERIFY(loadedTable(vocabulary));
    QCOMPARE(readFile(QStringLiteral("index2tag.csv")), index);
    // Beside it the whole names, notes included, of the index with exactly these bytes.
    const QByteArray digest = QCryptographicHash::hash(index, QCryptographicHash::Sha256).toHex();
    QCOMPARE(readFile(QStringLiteral("index2name.csv")),
             "index2tag.csv sha256 " + digest + "\n" + names);
    const std::optional<TagIndex> readNames =
        TagNames::readFor(QStringLiteral("index2tag.csv"), index);
    QVERIFY(readNames);
    QCOMPARE(readNames->toBytes(), names);
    QVERIFY(!TagNames::readFor(QStringLiteral("index2tag.csv"), index + "9,9,X\n"));

    // The start-up check and quadrotag-relabel compute and read the same file without widgets.
    std::istringstream in(vocabulary.toStdString());
    TagLayout layout;
    layout.read(in);
    QCOMPARE(TagIndex::ofLayout(layout).toBytes(), index);
    TagIndex readBack;
    QVERIFY(readBack.read(QStringLiteral("index2tag.csv")));
    QCOMPARE(readBack.toBytes(), index);
}

void TestLabelViewer::clicksToggleTagCells_data()
{
    QTest::addColumn<TagList>("clicks");
    QTest::addColumn<TagList>("selected");

    QTest::newRow("one tag") << TagList{{0, 0}} << TagList{{0, 0}};
    QTest::newRow("row-major whatever the order")
        << TagList{{3, 1}, {2, 2}} << TagList{{2, 2}, {3, 1}};
    QTest::newRow("second click deselects") << TagList{{2, 2}, {3, 1}, {2, 2}} << TagList{{3, 1}};
    QTest::newRow("headers and fillers refuse")
        << TagList{{2, 0}, {1, 1}, {6, 5}, {4, 0}} << TagList{};
    QTest::newRow("mixed") << TagList{{6, 0}, {0, 5}, {4, 0}, {5, 5}, {0, 5}, {3, 3}}
                           << TagList{{3, 3}, {5, 5}, {6, 0}};
}

void TestLabelViewer::clicksToggleTagCells()
{
    QFETCH(TagList, clicks);
    QFETCH(TagList, selected);

    const std::unique_ptr<LabelViewer> table = loadedTable(workedExample);
    QVERIFY(table);
    table->resize(900, 600);
    table->show();
    QVERIFY(QTest::qWaitForWindowExposed(table.get()));
    QSignalSpy clicked(table.get(), &QTableWidget::itemClicked);

    for (const auto& [row, column] : clicks) {
        QTableWidgetItem* cell = table->item(row, column);
        QVERIFY(cell);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                          table->visualItemRect(cell).center());
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.takeFirst().at(0).value<QTableWidgetItem*>(), cell);
    }
    TagList collected{{99, 99}};
    table->collectSelectedTags(collected);
    QCOMPARE(collected, selected);
}

void TestLabelViewer::selectsOnlyTagCells_data()
{
    QTest::addColumn<TagList>("tags");
    QTest::addColumn<TagList>("selected");

    QTest::newRow("no tags") << TagList{} << TagList{};
    QTest::newRow("file order") << TagList{{4, 3}, {0, 1}, {3, 3}}
                                << TagList{{0, 1}, {3, 3}, {4, 3}};
    QTest::newRow("repeated pair") << TagList{{0, 1}, {0, 1}} << TagList{{0, 1}};
    QTest::newRow("header passed over") << TagList{{2, 0}, {2, 1}} << TagList{{2, 1}};
    QTest::newRow("filler passed over") << TagList{{1, 1}, {6, 0}} << TagList{{6, 0}};
    QTest::newRow("pairs outside the table")
        << TagList{{-1, 0}, {7, 0}, {0, 6}, {0, -1}, {2000000000, 2000000000}, {0, 0}}
        << TagList{{0, 0}};
}

void TestLabelViewer::selectsOnlyTagCells()
{
    QFETCH(TagList, tags);
    QFETCH(TagList, selected);

    const std::unique_ptr<LabelViewer> table = loadedTable(workedExample);
    QVERIFY(table);
    // What was selected before must not survive.
    table->selectTags({{5, 5}});
    table->selectTags(tags);
    TagList collected;
    table->collectSelectedTags(collected);
    QCOMPARE(collected, selected);
}

using KeyList = QList<int>;

void TestLabelViewer::finderKeys_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<KeyList>("keys");
    QTest::addColumn<TagList>("chosen");
    QTest::addColumn<bool>("finished");

    const int enter = Qt::Key_Return;
    QTest::newRow("first match") << "u1" << KeyList{enter} << TagList{{4, 1}} << false;
    QTest::newRow("down") << "u1" << KeyList{Qt::Key_Down, Qt::Key_Enter} << TagList{{5, 5}}
                          << false;
    QTest::newRow("down stops at the last")
        << "u1" << KeyList{Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, enter} << TagList{{5, 5}}
        << false;
    QTest::newRow("up stops at the first")
        << "u1" << KeyList{Qt::Key_Down, Qt::Key_Up, Qt::Key_Up, enter} << TagList{{4, 1}} << false;
    QTest::newRow("esc") << "u1" << KeyList{Qt::Key_Escape, enter} << TagList{} << true;
    QTest::newRow("enter without a match") << "zz" << KeyList{enter} << TagList{} << false;
}

void TestLabelViewer::finderKeys()
{
    QFETCH(QString, typed);
    QFETCH(KeyList, keys);
    QFETCH(TagList, chosen);
    QFETCH(bool, finished);

    const std::unique_ptr<LabelViewer> table = loadedTable(workedExample);
    QVERIFY(table);
    TagFinder finder(*table);
    QSignalSpy chosenSpy(&finder, &TagFinder::sglTagChosen);
    QSignalSpy finishedSpy(&finder, &TagFinder::sglFinished);
    QTest::keyClicks(&finder, typed);
    for (const int key : keys)
        QTest::keyClick(&finder, Qt::Key(key));

    TagList emitted;
    for (const QList<QVariant>& arguments : chosenSpy)
        emitted.emplace_back(arguments.at(0).toInt(), arguments.at(1).toInt());
    QCOMPARE(emitted, chosen);
    QCOMPARE(finishedSpy.count(), finished ? 1 : 0);
    QCOMPARE(finder.text(), finished ? QString() : typed);
    QCOMPARE(table->isDimmed(0, 0), !finished);
}

void TestLabelViewer::finderDimsAllButMatches()
{
    const std::unique_ptr<LabelViewer> table = loadedTable(workedExample);
    QVERIFY(table);
    table->selectTags({{0, 0}});
    TagFinder finder(*table);
    QTest::keyClicks(&finder, QStringLiteral("U1"));
    QStringList bright;
    for (int row = 0; row < table->rowCount(); ++row)
        for (int column = 0; column < table->columnCount(); ++column)
            if (!table->isDimmed(row, column))
                bright << table->item(row, column)->text();
    QCOMPARE(bright, QStringList({"U1", "U10"}));
    QVERIFY(table->item(4, 1)->font().bold());
    QVERIFY(!table->item(5, 5)->font().bold());
    // Searching leaves the tags of the active shape selected.
    TagList selected;
    table->collectSelectedTags(selected);
    QCOMPARE(selected, TagList({{0, 0}}));

    finder.clear();
    QVERIFY(!table->isDimmed(2, 2));
    QVERIFY(!table->item(4, 1)->font().bold());
    QCOMPARE(table->item(2, 2)->foreground().style(), Qt::NoBrush);
}

void TestLabelViewer::recentStripKeepsNineNewestFirst()
{
    const std::unique_ptr<LabelViewer> table = loadedTable(workedExample);
    QVERIFY(table);
    RecentTagStrip strip(*table);
    strip.noteTurnedOn({{0, 0}, {2, 2}});
    QCOMPARE(strip.text(), QString("1 K: T2  2 S1"));
    strip.noteTurnedOn({{0, 0}});
    QCOMPARE(strip.text(), QString("1 S1  2 K: T2"));
    QCOMPARE(strip.tagOfKey(2), std::make_optional(std::pair<int, int>(2, 2)));
    QCOMPARE(strip.tagOfKey(3), std::nullopt);
    for (int column = 1; column <= 5; ++column)
        strip.noteTurnedOn({{4, column}, {5, column}});
    QCOMPARE(strip.tags().size(), std::size_t(9));
    QCOMPARE(strip.tagOfKey(1), std::make_optional(std::pair<int, int>(5, 5)));
    QCOMPARE(strip.tagOfKey(9), std::make_optional(std::pair<int, int>(5, 1)));
}

QTEST_MAIN(TestLabelViewer)
#include "test_labelviewer.moc"
